#include "editing/comments.h"

#include <algorithm>

#include "shell/globals.h"
#include "shell/store.h"

int32_t CountCommentLines(std::string_view text) {
  return static_cast<int32_t>(std::count(text.begin(), text.end(), '\r'));
}

int32_t HowManyLinesInComments() {
  if (TheFileInUse >= kMaxOpenFiles) return 0;
  return CountCommentLines(CommentContainer[TheFileInUse]);
}

CommentsPlacement PlaceCommentsWindow(int32_t lines, int plotAreaBottom, int screenHeight, int minTop) {
  // 64-bit: a comment of millions of lines must not wrap the height around.
  int64_t height = (static_cast<int64_t>(std::max<int32_t>(lines, 0)) + 4) * 16;
  int top = 100;
  if (height < 500) top = plotAreaBottom - 75;
  if (height < 300) {
    top = plotAreaBottom + 35;
    height = 300;
  }
  height = std::min<int64_t>(height, screenHeight - 120);
  CommentsPlacement p{top, static_cast<int>(height)};
  if (p.top + p.height > screenHeight - 4) p.top = screenHeight - 4 - p.height;
  p.top = std::max(p.top, minTop);
  return p;
}

bool ReplaceComments(int16_t slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxOpenFiles || !SlotHoldsFile(slot)) return false;
  if (CommentContainer[slot] == text) return false;
  CommentContainer[slot].assign(text);
  FileSHORTS[slot][kShortChanged] = 1;
  return true;
}
