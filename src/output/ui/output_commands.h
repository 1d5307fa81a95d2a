// Storing a result: the File menu's "Store Current Result" and the 'p' key
// of the analysis windows, the alert shown when no destination is chosen,
// and the registration of the output commands.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Formats the result of the analysis that ran last (topic and the result
// globals) and appends it to the destination: text lines for the text file
// and the spool, a row for the tabular file. key is handed on to the
// tabular row ("A"/"F" choose the rows of topics 6 and 9) and the disk
// icon. With no destination it shows the Output Port Alert and writes
// nothing. A failed write is reported and not counted.
void DRAFTPRINT(const plat::MacText& key);

// The keys an analysis window hands to DRAFTPRINT: 'P' and 'p'.
bool IsStoreResultKey(int charCode);

// "Output Port Alert" (window 99): blinks "No output device selected!" and
// waits for a click.
void OutputPortAlert();
inline constexpr int kOutputAlertBlinks = 11;

// The output subsystem's registrar: Send Results To (submenu 80), Store
// Current Result (File 16), Print & Close Results (File 19), and the output
// icons of the analysis windows.
void RegisterOutputCommands();
