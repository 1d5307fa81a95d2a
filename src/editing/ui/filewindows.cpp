#include "editing/ui/filewindows.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/windows.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"

bool FileInUseOpen() {
  return TheFileInUse < kMaxOpenFiles && SlotHoldsFile(static_cast<int16_t>(TheFileInUse));
}

plat::Rect PlotContentOfFileInUse() {
  const int plot = kPlotWindowBase + TheFileInUse;
  if (FileInUseOpen() && plat::windowExists(plot)) return plat::contentRect(plot);
  const int left = prefsArray[33] == 0 ? 94 : 2;
  return {left, 63, left + ScreenWidth, 63 + BottomOfPlotArea + 58};
}

int FitWindowTop(int top, int height) {
  const int minTop = plat::config().menuBarHeight + plat::config().titleBarHeight;
  const int bottom = plat::displaySize().h - 4;
  if (top + height > bottom) top = bottom - height;
  return std::max(top, minTop);
}

plat::FontSpec FileWindowCaptionFont(int size) {
  plat::FontSpec f;
  f.family = "Lucida Grande";
  f.pixelSize = size;
  f.bold = true;
  return f;
}
