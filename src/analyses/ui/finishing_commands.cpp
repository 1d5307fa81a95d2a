#include "analyses/ui/finishing_commands.h"

#include "analyses/ui/compaction.h"
#include "plot/autoscale.h"
#include "plot/ui/yscale.h"
#include "shell/dispatch.h"

void RegisterFinishingCommands() {
  RegisterCommand(Cmd::ScaleHighResolution, [](int16_t) { SetActiveScaleMode(plotcore::kScaleHighRes); });
  RegisterCommand(Cmd::ScaleIncludeZero, [](int16_t) { SetActiveScaleMode(plotcore::kScaleIncludeZero); });
  RegisterCommand(Cmd::ScaleNormal, [](int16_t) { SetActiveScaleMode(plotcore::kScaleNormal); });
  RegisterCommand(Cmd::ScaleManual, [](int16_t) { MANUALSCALING(); });
  RegisterCommand(Cmd::ScaleInteractive, [](int16_t) { ScaleGRAPHIC(); });
  RegisterCommand(Cmd::SampleAveraging, [](int16_t) { PARSEbySAMPLES(); });
  RegisterCommand(Cmd::TimeAveraging, [](int16_t) { PARSEbyTIME(); });
}
