// Registration of the block analyses with the dispatcher, the Autorepeat
// re-run of the analysis that ran last, and the recording of script steps.
#pragma once
#include <cstdint>
#include <functional>

// Registers Analyze "Basic Descriptive Stats", "Scale Results…" and the
// Autorepeat re-run, and installs the output icons of the analysis windows.
void RegisterAnalysisCommands();

// Autorepeat: a newly selected block re-runs the analysis whose
// Analysis_Code matches. Each analysis registers its own re-run here.
void RegisterAutoRepeatAnalysis(int16_t analysisCode, std::function<void()> rerun);
// Runs the re-run registered for Analysis_Code when the current file has a
// block; false when there is none to run.
bool AUTO_REPEAT();

// ---- Script recording ----------------------------------------------------------------
// While recording (RecordSCRIPT, plot/ui/infoline.h) and ScriptCOUNT <= 40:
// ScriptCOUNT += 1, the step is copied into ScriptSequenceArray[ScriptCOUNT]
// and the step counter flashed. Returns the step's number, 0 when nothing
// was recorded.
int16_t RecordScriptStep(const float (&step)[28]);
inline constexpr uint16_t kLastStepToRecordAfter = 40;
