#include "analyses/ui/autorepeat.h"

#include <map>
#include <utility>

#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

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

void ClearAutoRepeatAnalyses() { reruns().clear(); }

bool AutoRepeatRegistered(int16_t analysisCode) { return reruns().count(analysisCode) != 0; }

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
