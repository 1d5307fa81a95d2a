#include "calculators/ui/calculators_commands.h"

#include "calculators/calcmenus.h"
#include "calculators/ui/conversions_windows.h"
#include "calculators/ui/metabolism.h"
#include "calculators/ui/oxygen_windows.h"
#include "calculators/ui/pressure_windows.h"
#include "calculators/ui/simplecalc.h"
#include "platform/menus.h"
#include "shell/dispatch.h"

namespace {

void defineCalculatorMenus() {
  for (int16_t id : CalculatorMenuIds()) {
    std::vector<plat::MenuItemSpec> items;
    for (const std::string& t : CalculatorMenuItems(id)) {
      plat::MenuItemSpec s;
      s.title = t;
      s.separator = t == "-";
      items.push_back(s);
    }
    plat::defineMenu(id, CalculatorMenuTitle(id), items);
  }
}

}  // namespace

void RegisterCalculatorCommands() {
  defineCalculatorMenus();
  RegisterCommand(Cmd::SimpleCalc, [](int16_t) { SIMPLECALC(); });
  RegisterCommand(Cmd::STPFlowAdjust, [](int16_t) { STPflowAdjust(); });
  RegisterCommand(Cmd::Altitude, [](int16_t) { ALTITUDE(); });
  RegisterCommand(Cmd::AltitudeSimulation, [](int16_t) { AltitudeSimulation(); });
  RegisterCommand(Cmd::PO2Calc, [](int16_t) { PO2CALC(); });
  RegisterCommand(Cmd::DissolvedO2Calc, [](int16_t) { DissolvedO2CALC(); });
  RegisterCommand(Cmd::ClosedSystemRespirometry, [](int16_t) { ClosedSystemRespirometry(); });
  RegisterCommand(Cmd::Ventilation, [](int16_t) { VENTILATION(); });
  RegisterCommand(Cmd::Metabolism, [](int16_t) { METABOLISM(); });
  RegisterCommand(Cmd::Q10Adjust, [](int16_t) { Q10adjust(); });
  RegisterCommand(Cmd::UnitConversions, [](int16_t) { UnitCONVERSIONS(); });
  RegisterCommand(Cmd::DayOfTheYear, [](int16_t) { DayOfTheYear(); });
}
