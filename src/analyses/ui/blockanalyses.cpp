#include "analyses/ui/blockanalyses.h"

#include "analyses/scans.h"
#include "analyses/ui/autorepeat.h"
#include "shell/ui/recorder.h"
#include "analyses/integration.h"
#include "analyses/ui/crosschan.h"
#include "analyses/ui/histogram.h"
#include "analyses/ui/integration.h"
#include "analyses/ui/picks.h"
#include "analyses/ui/scans.h"
#include "output/results.h"
#include "plot/ui/databar.h"
#include "shell/dispatch.h"

void RegisterBlockAnalysisCommands() {
  InstallHistogramHook();
  gPointerOverPlotHook = TrackAutoBlockBox;
  RegisterCommand(Cmd::RunAverage, [](int16_t) { RUNAVERAGE(); });
  RegisterCommand(Cmd::PairsDifference, [](int16_t) { PairsDIFFERENCE(); });
  RegisterCommand(Cmd::AutoBlock, [](int16_t) { AUTOBLOCK(); });
  RegisterCommand(Cmd::SelectSubset, [](int16_t) { SelectSubset(); });
  RegisterCommand(Cmd::GetArea, [](int16_t) { GETAREA(); });
  RegisterAutoRepeatAnalysis(kIntegrationAnalysisCode, [] {
    SetResultTopic(kTopicIntegration);
    GETAREA();
  });
  RegisterCommand(Cmd::MinimumValue, [](int16_t) { Minimum_Maximum_Level(1); });
  RegisterCommand(Cmd::MaximumValue, [](int16_t) { Minimum_Maximum_Level(3); });
  RegisterCommand(Cmd::MostLevel, [](int16_t) { Minimum_Maximum_Level(2); });
  RegisterCommand(Cmd::MostVariable, [](int16_t) { Minimum_Maximum_Level(4); });
  for (const int16_t kind : {1, 2, 3, 4}) {
    const ScanKindInfo& info = InfoOfScan(ScanKindOf(kind));
    RegisterAutoRepeatAnalysis(info.analysisCode, [kind, t = info.topic] {
      SetResultTopic(t);
      Minimum_Maximum_Level(kind);
    });
  }
}
