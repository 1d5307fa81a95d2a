// The data-file subsystem's registrar: open, close, quit, save, merge, and
// the main loop's documents and close boxes.
#pragma once

void RegisterDataFileCommands();

// Parts of it, for tests that need only one.
void RegisterOpenCommands();   // open, close, close several, quit, Window menu activation
void RegisterSaveCommands();   // save, save as, merge
