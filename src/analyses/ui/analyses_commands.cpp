#include "analyses/ui/analyses_commands.h"

#include <algorithm>
#include <map>

#include "analyses/descriptive.h"
#include "analyses/ui/average.h"
#include "analyses/ui/regression.h"
#include "analyses/ui/blockanalyses.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/scaleresults.h"
#include "plot/ui/infoline.h"
#include "shell/dispatch.h"
#include "shell/store.h"
#include "shell/globals.h"
#include "shell/worktables.h"


namespace {

std::map<int16_t, std::function<void()>>& reruns() {
  static std::map<int16_t, std::function<void()>> m;
  return m;
}

}  // namespace

void RegisterAutoRepeatAnalysis(int16_t analysisCode, std::function<void()> rerun) {
  if (rerun) reruns()[analysisCode] = std::move(rerun);
  else reruns().erase(analysisCode);
}

bool AUTO_REPEAT() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || FileSHORTS[slot][kShortBlockState] != 2) return false;
  const auto it = reruns().find(Analysis_Code);
  if (it == reruns().end()) return false;
  // A copy: the analysis may register re-runs while it runs.
  const std::function<void()> run = it->second;
  run();
  return true;
}

void RegisterAnalysisCommands() {
  RegisterCommand(Cmd::Average, [](int16_t) { AVERAGE(); });
  RegisterCommand(Cmd::ScaleResults, [](int16_t) { SCALERESULTS(0.0); });
  RegisterAutoRepeatAnalysis(kStatsAnalysisCode, [] {
    topic = kTopicBasicStats;
    AVERAGE();
  });
  RegisterCommand(Cmd::AutoRepeat, [](int16_t) { AUTO_REPEAT(); });
  RegisterLineFitCommands();
  RegisterBlockAnalysisCommands();
}
