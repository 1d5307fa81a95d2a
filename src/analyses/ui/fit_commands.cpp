#include "analyses/ui/fit_commands.h"

#include "analyses/asymptote.h"
#include "analyses/periodicity.h"
#include "analyses/polyfit.h"
#include "analyses/ui/autorepeat.h"
#include "shell/ui/recorder.h"
#include "output/results.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/dispatch.h"
#include "shell/globals.h"

void RegisterFitCommands() {
  RegisterCommand(Cmd::FitPolynomial, [](int16_t) { FITPOLYNOMIAL(); });
  RegisterAutoRepeatAnalysis(kPolyAnalysisCode, [] { FITPOLYNOMIAL(); });
  RegisterScriptOp(kOpPolynomial, [](int16_t) { FITPOLYNOMIAL(); });
  RegisterCommand(Cmd::Asymptote, [](int16_t) { ASYMPTOTE(); });
  RegisterAutoRepeatAnalysis(kAsymptoteAnalysisCode, [] {
    SetResultTopic(kTopicAsymptote);
    ASYMPTOTE();
  });
  RegisterScriptOp(kOpAsymptote, [](int16_t) { ASYMPTOTE(); });
  RegisterCommand(Cmd::TimeSeries, [](int16_t) { TIMESERIES(); });
  RegisterAutoRepeatAnalysis(kTimeSeriesAnalysisCode, [] { TIMESERIES(); });
  RegisterScriptOp(kOpTimeSeries, [](int16_t) { TIMESERIES(); });
}
