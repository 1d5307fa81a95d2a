#include "editing/ui/fileedit_ui.h"

#include <algorithm>
#include <string>

#include "platform/app.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"

void FileEditText(int16_t win, int16_t x, int16_t y, const plat::MacText& text, int16_t size, bool bold, bool colour,
                  bool underline) {
  plat::Port& p = plat::port(win);
  plat::FontSpec f = OrrelinFace(size, bold);
  f.underline = underline;
  p.setFont(f);
  p.setForeColor(colour && prefsArray[kPrefColourDisplay] != 0 ? OldStyleColour(6) : kBlack);
  if (x >= 0) p.moveTo(x, y);
  p.drawText(text);
  p.setForeColor(kBlack);
}

void FileEditFittedText(int16_t win, int16_t x, int16_t y, const plat::MacText& text, int16_t size, int16_t right,
                        bool bold, bool colour) {
  plat::Port& p = plat::port(win);
  plat::FontSpec f;
  f.family = std::to_string(OrrelinFont);
  f.bold = bold;
  for (f.pixelSize = size; f.pixelSize > 9; --f.pixelSize) {
    p.setFont(f);
    if (x + p.textWidth(text) <= right) break;
  }
  FileEditText(win, x, y, text, static_cast<int16_t>(f.pixelSize), bold, colour);
}

int16_t WaitForAnswer(int16_t win, const std::vector<int16_t>& ids, int16_t returnAnswer, int16_t closeAnswer,
                      int16_t otherWindowAnswer) {
  plat::flushWindow(win);
  DialogScope dialog;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(win)) return closeAnswer;
    if (a == kActionClick && std::find(ids.begin(), ids.end(), id) != ids.end()) return id;
    if (a == kActionKey && (id == 13 || id == 3)) return returnAnswer;
    if (a == kActionClose && id == win) return closeAnswer;
    if (a == kActionActivate && id != win) return otherWindowAnswer;
  }
}

void BuildWindowOverPlot(int16_t win, const plat::MacText& title, int16_t left, int16_t top, int16_t right,
                         int16_t bottom) {
  int x = 0, y = plat::config().menuBarHeight + plat::config().titleBarHeight;
  if (TheFileInUse < kMaxOpenFiles && plat::windowExists(PlotWindowId(static_cast<int16_t>(TheFileInUse)))) {
    const plat::Rect r = plat::contentRect(PlotWindowId(static_cast<int16_t>(TheFileInUse)));
    x = r.left;
    y = r.top;
  }
  const int height = bottom - top;
  int t = y + top;
  t = std::max(std::min(t, plat::displaySize().h - 4 - height),
               plat::config().menuBarHeight + plat::config().titleBarHeight);
  BuildWINDOW(0, win, title, static_cast<int16_t>(x + left), static_cast<int16_t>(t),
              static_cast<int16_t>(x + right), static_cast<int16_t>(t + height), kKindDocument, 1);
}

void RedrawWholeFile() {
  if (TheFileInUse >= kMaxOpenFiles) return;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHoldsFile(slot)) return;
  plotcore::InvalidatePlotLodSlot(slot);
  if (ActiveChannel < 1 || ActiveChannel > nChannels[slot]) ActiveChannel = 1;
  if (plat::windowExists(PlotWindowId(slot))) {
    plat::setCurrentPort(PlotWindowId(slot));
    MakePLOT_SLIDER();
    if (FileSHORTS[slot][kShortView] == 1) RefreshSCREEN();
    else DrawPlot(0, 0, 1);
  }
  MakeChannelSelectionsPopUp();
  RebuildChannelMenu();
  SETMENU(0);
}

bool FrontFileCropSpan(int16_t* slot, CaseSpan* span) {
  *slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(*slot) || !SlotHoldsFile(*slot)) return false;
  if (CropSpanOf(*slot, span) == FileEditStatus::Ok) return true;
  Zap();
  return false;
}
