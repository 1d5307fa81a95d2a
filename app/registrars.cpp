// Every subsystem of the program, one registrar each, lower subsystems first:
// a subsystem registers its commands and installs the hooks it answers. A
// new subsystem adds its line here; the shell registers its own.
#include "registrars.h"

#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/finishing_commands.h"
#include "analyses/ui/waveform_commands.h"
#include "calculators/ui/calculators_commands.h"
#include "calculators/ui/suncycle.h"
#include "datafiles/ui/datafiles_commands.h"
#include "editing/ui/baseline_commands.h"
#include "editing/ui/editing_commands.h"
#include "editing/ui/fileedit_commands.h"
#include "editing/ui/fileinfo.h"
#include "editing/ui/transform_commands.h"
#include "output/ui/output_commands.h"
#include "plot/ui/plot_commands.h"
#include "respirometry/ui/respirometry_commands.h"
#include "scripts/ui/scripts_commands.h"
#include "thermoregulation/ui/thermoregulation_commands.h"

std::span<const Registrar> CorvimetRegistrars() {
  static constexpr Registrar kRegistrars[] = {
      RegisterDataFileCommands,
      RegisterPlotCommands,
      RegisterOutputCommands,
      RegisterFileInfoCommands,   // editing
      RegisterEditingCommands,
      RegisterFileEditCommands,
      RegisterBaselineCommands,
      RegisterTransformCommands,
      RegisterAnalysisCommands,
      RegisterFinishingCommands,
      RegisterWaveformCommands,
      RegisterRespirometryCommands,
      RegisterCalculatorCommands,
      RegisterSunCycleCommands,
      RegisterThermoregulationCommands,
      RegisterScriptCommands,
  };
  return kRegistrars;
}
