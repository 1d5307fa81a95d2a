// The file's free comment text as the comments editor handles it: its line
// count, where the editor window goes, and replacing the text. GUI-free.
#pragma once
#include <cstdint>
#include <string_view>

// Carriage returns in the text (0 for an empty text).
int32_t CountCommentLines(std::string_view text);
// The same for the comments of TheFileInUse (0 without a file).
int32_t HowManyLinesInComments();

// Global top and height of the editor: (lines + 4) x 16 pixels high, at 100
// from the top; a shorter window overlaps the plot area's bottom by 75
// pixels, and one below 300 pixels becomes 300 high, 35 pixels below it.
// The height is capped at the screen height - 120, and the window is moved
// up when it would run off the screen, never above minTop.
struct CommentsPlacement {
  int top = 0, height = 0;
  friend bool operator==(const CommentsPlacement&, const CommentsPlacement&) = default;
};
CommentsPlacement PlaceCommentsWindow(int32_t lines, int plotAreaBottom, int screenHeight, int minTop);

// Replaces the comments of the slot; marks the file changed (FileSHORTS
// word 10) when the text differs. Returns true when it differed.
bool ReplaceComments(int16_t slot, std::string_view text);
