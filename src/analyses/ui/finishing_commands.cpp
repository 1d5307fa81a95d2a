#include "analyses/ui/finishing_commands.h"

#include "analyses/ui/compaction.h"
#include "editing/ui/fileinfo.h"
#include "plot/autoscale.h"
#include "plot/ui/draw.h"
#include "plot/ui/overlay.h"
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
  RegisterCommand(Cmd::Overlay, [](int16_t) { OVERLAY([] { FILEINFO("", "", "", 0); }); });
  RegisterCommand(Cmd::RemoveOverlay, [](int16_t) { RemoveOverlay(); });
  gPlotHooks.drawOverlay = DrawOVERLAY;
}
