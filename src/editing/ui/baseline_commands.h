// Registrar of baseline correction and block setting.
#pragma once

// "Correct Baseline…" (menu, toolbar, script operation 3 and the gas chain),
// "Change Blocks…", and the main loop's answer to the plot's "Change Block".
void RegisterBaselineCommands();
