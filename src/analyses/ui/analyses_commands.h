// Registration of the block analyses with the dispatcher.
#pragma once
#include <cstdint>

#include "analyses/ui/autorepeat.h"
#include "shell/ui/recorder.h"

// The analyses subsystem's registrar: Analyze "Basic Descriptive Stats",
// "Scale Results…" and the Autorepeat re-run.
void RegisterAnalysisCommands();


