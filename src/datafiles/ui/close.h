// Closing files and quitting: the save-changes question, Close, "Close
// Several Files", and the quit flow.
#pragma once
#include <cstdint>

#include "datafiles/close.h"

inline constexpr int16_t kSaveChangesWindow = 25;
inline constexpr int16_t kSaveChangesSave = 1;
inline constexpr int16_t kSaveChangesDontSave = 2;
inline constexpr int16_t kSaveChangesCancel = 3;
inline constexpr int16_t kCloseSeveralWindow = 24;
inline constexpr int16_t kCloseSeveralClose = 101;
inline constexpr int16_t kCloseSeveralCancel = 102;   // check box of slot s is s + 1

// When the file has unsaved changes, asks whether to save them. True when
// the file may close (saved, or the user does not want its changes).
bool CHECKDUMP(int16_t slot, CloseReason why = CloseReason::Close);
// CHECKDUMP, then frees the slot and closes its windows; brings the next
// file forward, or after the last one asks for a new file or quits.
// False when the user cancelled.
bool CloseFileSlot(int16_t slot);
// Frees the slot and its windows without asking.
void DiscardFileSlot(int16_t slot);
// The dialog of File 10.
void CloseSeveralFiles();
// Quit: every changed file is asked about in slot order; Cancel keeps the
// program running.
void QuitProgram();
