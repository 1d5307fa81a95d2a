// Every subsystem of the program, one registrar each, lower subsystems first:
// a subsystem registers its commands and installs the hooks it answers. A
// new subsystem adds its line here; the shell registers its own.
#include "registrars.h"

#include "analyses/ui/analyses_commands.h"
#include "datafiles/ui/datafiles_commands.h"
#include "editing/ui/fileinfo.h"
#include "output/ui/output_commands.h"
#include "plot/ui/plot_commands.h"

std::span<const Registrar> CorvimetRegistrars() {
  static constexpr Registrar kRegistrars[] = {
      RegisterDataFileCommands,
      RegisterPlotCommands,
      RegisterOutputCommands,
      RegisterFileInfoCommands,   // editing
      RegisterAnalysisCommands,
  };
  return kRegistrars;
}
