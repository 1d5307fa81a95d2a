// Registration of the editing commands with the dispatcher and of their
// script operations with the script step table.
#pragma once

// The Edit menu's channel edits and their script operations.
void RegisterEditingCommands();
