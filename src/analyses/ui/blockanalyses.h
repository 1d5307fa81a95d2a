// Registers the block analyses beyond the descriptive statistics: window
// scans, integration, cross-channel subset, picked points, automatic blocks
// and the distribution windows, with their Autorepeat re-runs.
#pragma once

void RegisterBlockAnalysisCommands();
