// Storing a result: File > "Store Current Result" and the 'p' key of the
// analysis windows, and the alert shown when no destination is chosen.
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

// "Output Port Alert": blinks "No output device selected!" and waits for a
// click.
void OutputPortAlert();
inline constexpr int16_t kOutputAlertWindow = 99;
inline constexpr int kOutputAlertBlinks = 11;
