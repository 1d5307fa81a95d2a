#include "datafiles/ui/loadnotice.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/windows.h"
#include "shell/ui/kit.h"

LoadNotice::LoadNotice(bool show, const plat::MacText& text) : shown_(show) {
  if (!shown_) return;
  previous_ = plat::currentPortWindow();
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - 360) / 2), top = std::max(60, desk.h / 3);
  BuildWINDOW(1, kLoadNoticeWindow, "Loading", static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + 360), static_cast<int16_t>(top + 70), kKindNoCloseBox, 0);
  BUILDEF(0, 1, text, 16, 14, 344, 56, 7, 0);
  plat::flushWindow(kLoadNoticeWindow);
}

LoadNotice::~LoadNotice() {
  if (!shown_) return;
  plat::disposeWindow(kLoadNoticeWindow);
  if (previous_ && plat::windowExists(previous_)) plat::setCurrentPort(previous_);
}
