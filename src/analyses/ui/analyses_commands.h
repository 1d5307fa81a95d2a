// Registration of the block analyses with the dispatcher, the Autorepeat
// re-run of the analysis that ran last.
#pragma once
#include <cstdint>
#include <functional>

#include "scripts/ui/recorder.h"

// The analyses subsystem's registrar: Analyze "Basic Descriptive Stats",
// "Scale Results…" and the Autorepeat re-run.
void RegisterAnalysisCommands();

// Autorepeat: a newly selected block re-runs the analysis whose
// Analysis_Code matches. Each analysis registers its own re-run here.
void RegisterAutoRepeatAnalysis(int16_t analysisCode, std::function<void()> rerun);
// Runs the re-run registered for Analysis_Code when the current file has a
// block; false when there is none to run.
bool AUTO_REPEAT();

