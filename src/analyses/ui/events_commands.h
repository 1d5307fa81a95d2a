// Registers the time-within-limits, event-counting, selective-integration
// and waveform commands with their Autorepeat re-runs.
#pragma once

void RegisterEventCommands();
