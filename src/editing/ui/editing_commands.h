// Registration of the editing commands with the dispatcher and of their
// script operations with the script step table.
#pragma once

// Edit "Undo", "Duplicate Channel", "Smoothing…", and script operations 6
// and 18.
void RegisterEditingCommands();
