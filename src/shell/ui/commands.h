// Each subsystem registers its menu commands with the dispatcher at start-up.
#pragma once

void RegisterOpenCommands();      // open, close, quit (data files)
void RegisterSaveCommands();      // save, save as, merge (data files)
void RegisterFileInfoCommands();  // file information, file data, comments
void RegisterPlotCommands();      // redraw, channel change (plot window)
void RegisterOutputCommands();    // results destination, store result, print and close
// Calls every registrar above, and the shell's own.
void RegisterAllCommands();
