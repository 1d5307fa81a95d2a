// Print & Close Results: closes the destination and prints the printer
// spool "printfile" with its page header.
#pragma once
#include <cstdint>

// Closes the text or tabular file, or prints the spool. Cancelling the page
// setup or the print dialog prints nothing and keeps the spool as the open
// destination, so its results can still be printed later.
void SendTextToPrinter();

// Prints the page header of the current file and every line of the spool
// file (which must be flushed) through a print job, after the page setup
// and print dialogs. False when the spool could not be read (reported, no
// dialog shown) or either dialog was cancelled; nothing is printed then.
bool PrintSpool();
