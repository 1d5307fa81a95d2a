#include "respirometry/ui/respirometry_commands.h"

#include <string>
#include <vector>

#include "analyses/ui/scans.h"
#include "editing/ui/editframe.h"
#include "platform/menus.h"
#include "respirometry/gasunits.h"
#include "respirometry/humidity.h"
#include "respirometry/ui/convol.h"
#include "respirometry/ui/effvolume.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/gasexchange.h"
#include "respirometry/ui/humidity.h"
#include "respirometry/ui/watervo2.h"
#include "respirometry/aquatic.h"
#include "shell/steptable.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"

namespace {

// Unit pop-ups: item n is unit code n. Items 9 to 11 are shown but not
// offered; a step may still carry their codes.
void defineUnitMenu(int menuId, int16_t gasType) {
  std::vector<plat::MenuItemSpec> items;
  for (int16_t u = 1; u <= kGasUnitCount; ++u) {
    plat::MenuItemSpec it;
    it.title = GasUnitSuffix(gasType, u).substr(2);
    it.enabled = u < 9 || u > 11;
    items.push_back(it);
  }
  plat::defineMenu(menuId, "Units", items);
}

void defineTitles(int menuId, std::vector<std::string> titles) {
  std::vector<plat::MenuItemSpec> items;
  for (std::string& t : titles) {
    plat::MenuItemSpec it;
    it.title = std::move(t);
    items.push_back(it);
  }
  plat::defineMenu(menuId, "Units", items);
}

}  // namespace

void RegisterRespirometryCommands() {
  gScanHooks.constantVolumeSetup = [] { CONVOL(); };
  std::vector<std::string> amounts, rates, inputs;
  for (int16_t u = 1; u <= kWaterAmountUnits; ++u) amounts.push_back(WaterOutputUnitTitle(false, u));
  for (int16_t u = 1; u <= kWaterRateUnits; ++u) rates.push_back(WaterOutputUnitTitle(true, u));
  for (int16_t u = 1; u <= kWaterInputUnits; ++u) inputs.push_back(WaterInputUnitTitle(u));
  defineTitles(kAmountMenu, amounts);
  defineTitles(kRateMenu, rates);
  defineTitles(kInputMenu, inputs);
  defineUnitMenu(kGasUnitMenu, kGasO2);
  defineUnitMenu(kWaterUnitMenu, kGasWater);
  RegisterCommand(Cmd::GasExchange, [](int16_t) { GASEXCHANGE(0); });
  RegisterCommand(Cmd::WaterVO2, [](int16_t) { WATERVO2(0); });
  RegisterScriptOp(kWaterVO2Op, [](int16_t step) { WATERVO2(step); });
  RegisterCommand(Cmd::EffectiveVolume, [](int16_t) { EFFECTIVEVOLUME(); });
  RegisterCommand(Cmd::AnalyzerHumidity, [](int16_t) { ANALYZER_HUMIDITY(0); });
  RegisterCommand(Cmd::GasUnits, [](int16_t) {
    EditDialogScope modal;
    GASUNITS("", 50, 70);
  });
  for (int16_t op = 8; op <= 10; ++op)
    RegisterScriptOp(op, [op](int16_t step) {
      GasType = static_cast<int16_t>(op - 7);
      GASEXCHANGE(step);
    });
  RegisterScriptOp(kAnalyzerHumidityOp, [](int16_t step) { ANALYZER_HUMIDITY(step); });
}
