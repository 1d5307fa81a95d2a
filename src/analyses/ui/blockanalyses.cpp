#include "analyses/ui/blockanalyses.h"

#include "analyses/scans.h"
#include "analyses/ui/analyses_commands.h"
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
    topic = kTopicIntegration;
    GETAREA();
  });
  const struct {
    Cmd cmd;
    int16_t kind;
  } scans[] = {{Cmd::MinimumValue, 1}, {Cmd::MaximumValue, 3}, {Cmd::MostLevel, 2}, {Cmd::MostVariable, 4}};
  for (const auto& s : scans) {
    const int16_t kind = s.kind;
    RegisterCommand(s.cmd, [kind](int16_t) { Minimum_Maximum_Level(kind); });
    const ScanKindInfo& info = InfoOfScan(ScanKindOf(kind));
    RegisterAutoRepeatAnalysis(info.analysisCode, [kind, t = info.topic] {
      topic = t;
      Minimum_Maximum_Level(kind);
    });
  }
}
