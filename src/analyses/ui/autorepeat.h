// Autorepeat: a newly selected block re-runs the analysis that ran last.
// Each analysis registers its own re-run here; the registrar of the analyses
// puts AUTO_REPEAT on the command table.
#pragma once
#include <cstdint>
#include <functional>

// A newly selected block re-runs the analysis whose Analysis_Code matches.
void RegisterAutoRepeatAnalysis(int16_t analysisCode, std::function<void()> rerun);
bool AutoRepeatRegistered(int16_t analysisCode);
// Every re-run dropped, as before the registrars ran.
void ClearAutoRepeatAnalyses();
// Runs the re-run registered for Analysis_Code when the current file has a
// block; false when there is none to run.
bool AUTO_REPEAT();
