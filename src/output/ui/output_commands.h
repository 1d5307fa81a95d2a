// The output subsystem's registrar: Send Results To (submenu 80), Store
// Current Result (File 16), Print & Close Results (File 19), and the output
// icons of the analysis windows.
#pragma once

void RegisterOutputCommands();
