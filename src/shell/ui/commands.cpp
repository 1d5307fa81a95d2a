#include "shell/ui/commands.h"

#include "shell/dispatch.h"
#include "shell/ui/about.h"
#include "shell/ui/prefsdialog.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/waveform_commands.h"
#include "editing/ui/editing_commands.h"
#include "editing/ui/fileedit_commands.h"
#include "calculators/ui/calculators_commands.h"
#include "respirometry/ui/respirometry_commands.h"
#include "calculators/ui/suncycle.h"
#include "thermoregulation/ui/thermoregulation_commands.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/mouse.h"

void RegisterAllCommands() {
  RegisterShellCommands();
  RegisterHelpCommands();
  RegisterOpenCommands();
  RegisterSaveCommands();
  RegisterFileInfoCommands();
  RegisterPlotCommands();
  RegisterSelectionCommands();
  RegisterBlockWindowCommands();
  RegisterOutputCommands();
  RegisterAnalysisCommands();
  RegisterWaveformCommands();
  RegisterEditingCommands();
  RegisterFileEditCommands();
  RegisterCalculatorCommands();
  RegisterRespirometryCommands();
  RegisterPreferencesCommands();
  RegisterSunCycleCommands();
  RegisterThermoregulationCommands();
}
