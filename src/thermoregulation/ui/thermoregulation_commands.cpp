#include "thermoregulation/ui/thermoregulation_commands.h"

#include "shell/dispatch.h"
#include "thermoregulation/ui/costs_dialog.h"

void RegisterThermoregulationCommands() {
  RegisterCommand(Cmd::ThermoregulationCosts, [](int16_t) { ComputeThermoregulationCosts(); });
}
