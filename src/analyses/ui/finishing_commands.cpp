#include "analyses/ui/finishing_commands.h"

#include "analyses/ui/compaction.h"
#include "editing/ui/fileinfo.h"
#include "output/ui/printimage.h"
#include "platform/windows.h"
#include "plot/autoscale.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/stacked.h"
#include "shell/store.h"
#include "shell/globals.h"
#include "shell/worktables.h"
#include "plot/ui/draw.h"
#include "plot/ui/overlay.h"
#include "plot/ui/yscale.h"
#include "shell/dispatch.h"

namespace {

PrintImageServices printServices() {
  PrintImageServices s;
  s.customHeights = [] { ChangeCHARTHITE(0); };
  s.scaleOf = [](int16_t c, int32_t first, int32_t last, float* lo, float* hi) {
    const auto f = static_cast<int16_t>(TheFileInUse);
    const float* data = ChannelData(f, c);
    if (!data) return;
    const plotcore::Scale sc = plotcore::FindMinMax(data, static_cast<size_t>(nCases[f]) + 1, first, last,
                                                    plotcore::ScaleModeFromFactor(scalefact[c][4]));
    *lo = sc.minimumValue;
    *hi = sc.maximumValue;
  };
  s.rebuildSlider = [] { MakePLOT_SLIDER(); };
  s.showDot = ShowDot != 0;
  s.customPlot = &CustomPlot;
  return s;
}

}  // namespace

void RegisterFinishingCommands() {
  RegisterCommand(Cmd::ScaleHighResolution, [](int16_t) { SetActiveScaleMode(plotcore::kScaleHighRes); });
  RegisterCommand(Cmd::ScaleIncludeZero, [](int16_t) { SetActiveScaleMode(plotcore::kScaleIncludeZero); });
  RegisterCommand(Cmd::ScaleNormal, [](int16_t) { SetActiveScaleMode(plotcore::kScaleNormal); });
  RegisterCommand(Cmd::ScaleManual, [](int16_t) { MANUALSCALING(); });
  RegisterCommand(Cmd::ScaleInteractive, [](int16_t) { ScaleGRAPHIC(); });
  RegisterCommand(Cmd::SampleAveraging, [](int16_t) { PARSEbySAMPLES(); });
  RegisterCommand(Cmd::TimeAveraging, [](int16_t) { PARSEbyTIME(); });
  RegisterCommand(Cmd::Overlay, [](int16_t) { OVERLAY([] { FILEINFO("", "", "", 0); }, [] {
      // Only the legend: the same window may hold the file's full summary.
      if (plat::windowExists(kFileInfoWindow) && plat::title(kFileInfoWindow).rfind("Color Codes", 0) == 0)
        plat::disposeWindow(kFileInfoWindow);
    });
  });
  RegisterCommand(Cmd::RemoveOverlay, [](int16_t) { RemoveOverlay(); });
  gPlotHooks.drawOverlay = DrawOVERLAY;
  RegisterCommand(Cmd::PrintImage, [](int16_t) { SCREENIMAGE(1, printServices()); });
  RegisterCommand(Cmd::PreviewImage, [](int16_t) { SCREENIMAGE(0, printServices()); });
}
