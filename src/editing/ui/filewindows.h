// The windows of what a file says about itself: the acquisition summary
// (444), the comments editor (515) and the file-data dialog (6) open one
// another, so their ids and help pages sit here, below all three, with what
// they share for standing beside the plot window.
#pragma once
#include <cstdint>

#include "platform/controls.h"
#include "platform/types.h"

inline constexpr int16_t kFileInfoWindow = 444;
inline constexpr int16_t kFileDataWindow = 6;
inline constexpr int16_t kCommentsEditorWindow = 515;
// Help pages of these windows.
inline constexpr int32_t kHelpFileData = 320;
inline constexpr int32_t kHelpFileInfo = 321;
inline constexpr int32_t kHelpComments = 322;

// TheFileInUse is a slot that holds a file.
bool FileInUseOpen();
// The content of the plot window of TheFileInUse, or where the kit would
// place it.
plat::Rect PlotContentOfFileInUse();
// A top that keeps a window of that height on the display.
int FitWindowTop(int top, int height);
// The bold captions of the summary and the file-data dialog.
plat::FontSpec FileWindowCaptionFont(int size = 13);
