#include "analyses/ui/analyses_commands.h"

#include <algorithm>

#include "analyses/descriptive.h"
#include "analyses/ui/average.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/events_commands.h"
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


void RegisterAnalysisCommands() {
  RegisterCommand(Cmd::Average, [](int16_t) { AVERAGE(); });
  RegisterCommand(Cmd::ScaleResults, [](int16_t) { SCALERESULTS(0.0); });
  RegisterAutoRepeatAnalysis(kStatsAnalysisCode, [] {
    SetResultTopic(kTopicBasicStats);
    AVERAGE();
  });
  RegisterCommand(Cmd::AutoRepeat, [](int16_t) { AUTO_REPEAT(); });
  RegisterLineFitCommands();
  RegisterBlockAnalysisCommands();
  RegisterFitCommands();
  RegisterEventCommands();
}
