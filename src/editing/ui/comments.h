// The comments editor (window 515): reads and edits the comment text of
// TheFileInUse, saves the file, shows the acquisition summary.
#pragma once
#include <cstdint>

#include "editing/ui/filewindows.h"

inline constexpr int16_t kCommentsTextView = 1;
inline constexpr int16_t kCommentsDone = 2;
inline constexpr int16_t kCommentsShowAD = 3;
inline constexpr int16_t kCommentsSave = 4;

// fromDialog = 1 from the file-data dialog: window 6 is made current at the
// end; otherwise the toolbar is restored.
void FixCOMMENTS(int16_t fromDialog);
// Builds window 515 and runs it; returns the text view's id, or 0 when the
// editor could not be made (a plain window 515 is then left open).
int16_t BuildScrollingCONTAINERWindow();
