#include "shell/ui/kit.h"

#include <algorithm>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/desklayout.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

int16_t CurrentlyActiveWindow = 0;
int32_t MinimumProgressBarValue = 1;
int16_t ToolbarIsHidden = 0;
KitHooks gKitHooks;

namespace {

constexpr plat::Rgb16 kThemeGround{0xE8E8, 0xE8E8, 0xE8E8};
constexpr plat::Rgb16 kAlertYellow{65535, 65535, 0};
constexpr plat::Rgb16 kCueRed{65535, 0, 0};

int16_t progressWindow = 0;
int16_t indicatedChannel = 0;

// Decorations change colour, pen and font; the caller's drawing state must
// survive them.
class PenKeeper {
 public:
  explicit PenKeeper(plat::Port& p)
      : p_(p), fore_(p.foreColor()), back_(p.backColor()), size_(p.penSize()), mode_(p.penMode()),
        font_(p.font()) {}
  ~PenKeeper() {
    p_.setForeColor(fore_);
    p_.setBackColor(back_);
    p_.setPenSize(size_.w, size_.h);
    p_.setPenMode(mode_);
    p_.setFont(font_);
  }
  PenKeeper(const PenKeeper&) = delete;
  PenKeeper& operator=(const PenKeeper&) = delete;

 private:
  plat::Port& p_;
  plat::Rgb16 fore_, back_;
  plat::Size size_;
  plat::PenMode mode_;
  plat::FontSpec font_;
};

bool colourDisplay() { return prefsArray[kPrefColourDisplay] != 0; }

bool validSlot(int slot) { return slot >= 0 && slot < kMaxOpenFiles; }

plat::FontSpec fieldFont() {
  plat::FontSpec f;
  f.family = UseSYSFONT ? std::to_string(OrrelinFont) : "3";
  f.pixelSize = 12;
  return f;
}

plat::FontSpec titleFont(int size) {
  plat::FontSpec f;
  f.family = std::to_string(OrrelinFont);
  f.pixelSize = size;
  return f;
}

void hline(plat::Port& p, int x1, int x2, int y) {
  p.moveTo(x1, y);
  p.lineTo(x2, y);
}

// Content rectangle of the current file's plot window; where it would stand
// when the window is not there (no file, or a calculator without one).
plat::Rect plotContent() {
  if (validSlot(TheFileInUse) && plat::windowExists(kPlotWindowBase + TheFileInUse)) {
    // One place whichever file is in front, as the comments box and block window.
    const plat::Rect home = gKitHooks.plotUncascaded ? gKitHooks.plotUncascaded() : plat::Rect{};
    return home.width() > 0 ? home : plat::contentRect(kPlotWindowBase + TheFileInUse);
  }
  const int left = prefsArray[33] == 0 ? 94 : 2;
  return {left, 63, left + ScreenWidth, 63 + BottomOfPlotArea + 58};
}

// Global top of the windows below the plot window (results, secondary).
int belowPlotTop() {
  const int titleBar = plat::config().titleBarHeight;
  return ResultsWindowTop(plotContent().top - titleBar, BottomOfPlotArea, titleBar);
}

int displayBottom() { return plat::displaySize().h - 4; }

void drawTextAt(plat::Port& p, int x, int y, const MacText& text) {
  p.moveTo(x, y);
  p.drawText(text);
}

}  // namespace

// ---- Windows, fields, buttons ------------------------------------------------------

void BuildWINDOW(int16_t themeBackground, int16_t windowId, const MacText& title, int16_t left,
                 int16_t top, int16_t right, int16_t bottom, int16_t kind, int16_t lightGray) {
  plat::WindowSpec w;
  w.id = windowId;
  w.title = title;
  w.content = {left, top, right, bottom};
  // A dialog stands on the desk and never under the floating toolbar, which
  // would hide its controls wherever the toolbar was put.
  const bool toolbar = windowId != kToolbarWindow && plat::windowExists(kToolbarWindow) &&
                       plat::windowVisible(kToolbarWindow);
  w.content = PlaceDialog(w.content, plat::config().titleBarHeight,
                          toolbar ? plat::frameRect(kToolbarWindow) : plat::Rect{}, plat::displaySize(),
                          plat::config().menuBarHeight);
  w.cls = plat::WindowClass::Document;
  w.closeBox = kind != kKindNoCloseBox;
  w.background = themeBackground ? kThemeGround : (lightGray == 1 ? LightGray : gray);
  plat::createWindow(w);   // replaces a window of that id
  plat::port(windowId).setBackColor(w.background);
  CurrentlyActiveWindow = windowId;
  KeepInFrontOfPlot(windowId);
}

namespace {
std::vector<int> keptOverPlot;
}  // namespace

void KeepInFrontOfPlot(int win) {
  // The plot's own furniture (block window 2, comments box 3) keeps its rule.
  if (win == kToolbarWindow || win == 2 || win == 3 || PlotSlotOfWindow(win) >= 0) return;
  const int plot = validSlot(TheFileInUse) ? PlotWindowId(static_cast<int16_t>(TheFileInUse)) : 0;
  if (plot == 0 || !plat::windowExists(plot) || !plat::windowExists(win)) return;
  plat::keepInFront(win, plot);
  if (std::find(keptOverPlot.begin(), keptOverPlot.end(), win) == keptOverPlot.end()) keptOverPlot.push_back(win);
}

void KeepInFrontOfPlotWhileOpen(int win) {
  KeepInFrontOfPlot(win);
  std::erase(keptOverPlot, win);
}

void ReleaseWindowsKeptOverPlot() {
  for (const int w : keptOverPlot) plat::keepInFront(w, 0);
  keptOverPlot.clear();
}

void BUILDEF(int16_t framed, int16_t fieldId, const MacText& text, int16_t left, int16_t top,
             int16_t right, int16_t bottom, int16_t fieldType, int16_t justification) {
  const int win = plat::currentPortWindow();
  if (!win) return;
  plat::FieldSpec f;
  f.id = fieldId;
  f.text = text;
  f.r = {left, top, right, bottom};
  if (fieldType == 7) f.kind = plat::FieldKind::Static;
  else if (fieldType < 5) f.kind = plat::FieldKind::Editable;
  else f.kind = plat::FieldKind::EditablePlain;
  f.framed = framed != 0;
  f.align = justification == 1 ? plat::Align::Center
            : justification == -1 ? plat::Align::Right
                                  : plat::Align::Left;
  f.font = fieldFont();
  f.fore = EFForeRgb(EFForeColor);
  f.back = EFBackRgb(EFBackColor);
  f.wrap = f.kind == plat::FieldKind::Static;
  plat::addField(win, f);
}

void BUILDBUTTON(int16_t id, int16_t state, const MacText& title, int16_t left, int16_t top,
                 int16_t kind) {
  const int win = plat::currentPortWindow();
  if (!win) return;
  plat::removeControl(win, id);
  plat::ButtonSpec b;
  b.id = id;
  b.kind = kind == 3 ? plat::ButtonKind::Radio : plat::ButtonKind::CheckBox;
  b.r = {left, top + 1, left + 18, top + 13};
  b.state = state;
  plat::addButton(win, b);

  plat::Port& p = plat::port(win);
  PenKeeper keep(p);
  p.setFont(titleFont(14));
  // Erase the old title first: a re-created button must not thicken it.
  p.setForeColor(plat::background(win));
  p.fillRect({left + 20, top - 2, left + 24 + p.textWidth(title), top + 15});
  p.setForeColor(kBlack);
  drawTextAt(p, left + 21, top + 11, title);
}

void MakePOPUPmenu(int16_t controlId, int16_t menuId, int16_t selectedItem, int16_t left,
                   int16_t top, int16_t right, int16_t bottom) {
  const int win = plat::currentPortWindow();
  if (!win) return;
  plat::addPopup(win, controlId ? controlId : menuId, menuId, selectedItem, {left, top, right, bottom});
}

// ---- Decorations ---------------------------------------------------------------------

void BuildBOX(int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  p.resetPen();
  p.setForeColor(colourDisplay() ? kBlack : kWhite);
  p.strokeRect({left, top, right, bottom});
  p.setForeColor(kMediumDarkGray);
  hline(p, left, right - 1, top);
  p.moveTo(left, top);
  p.lineTo(left, bottom - 1);
}

void BUILDBOX2(int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  p.resetPen();
  // Light from the top left: shaded top and left, lit bottom and right.
  p.setForeColor(kMediumDarkGray);
  hline(p, left, right - 1, top);
  p.moveTo(left, top);
  p.lineTo(left, bottom - 1);
  p.setForeColor(kWhite);
  hline(p, left + 1, right - 1, bottom - 1);
  p.moveTo(right - 1, top + 1);
  p.lineTo(right - 1, bottom - 1);
}

void GrayBOX(int16_t fill, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  if (fill == 1) {
    plat::Port& p = plat::currentPort();
    PenKeeper keep(p);
    p.resetPen();
    p.setForeColor(LightGray);
    p.fillRect({left, top, right, bottom});
  }
  BuildBOX(left, top, right, bottom);
}

void DoubleLINE(int16_t x1, int16_t x2, int16_t y) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  p.resetPen();
  p.setForeColor(kWhite);
  hline(p, x1, x2, y);
  p.setForeColor(kMediumDarkGray);
  hline(p, x1, x2, y - 1);
}

void EmbossPrint(int16_t styleBit, const MacText& text, int16_t size, int16_t x, int16_t y) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  plat::FontSpec f;
  f.family = "times";
  f.pixelSize = size > 0 ? size : 12;
  f.bold = styleBit & 1;
  f.italic = styleBit & 2;
  f.underline = styleBit & 4;
  p.setFont(f);
  p.setPenMode(plat::PenMode::Or);
  if (colourDisplay()) {
    p.setForeColor(kWhite);
    drawTextAt(p, x + 1, y + 1, text);
  }
  p.setForeColor(kBlack);
  drawTextAt(p, x, y, text);
}

void WARNINGSTRIPES(int16_t start, int16_t penWidth, int16_t step, int16_t left, int16_t top,
                    int16_t right, int16_t bottom) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  p.resetPen();
  const plat::Rect all = p.bounds();
  p.setForeColor(colourDisplay() ? kAlertYellow : kWhite);
  p.fillRect(all);
  p.setForeColor(kBlack);
  const int w = std::max<int>(1, penWidth);
  p.setPenSize(w, w);
  const int h = all.height();
  const int gap = step > w ? step : w + 8;
  for (int x = start - h; x < all.right; x += gap) {
    p.moveTo(x, h);
    p.lineTo(x + h, 0);
  }
  p.resetPen();
  const plat::Rect panel{left, top, right, bottom};
  p.setForeColor(kWhite);
  p.fillRect(panel);
  p.setForeColor(kBlack);
  p.strokeRect(panel);
}

void putCICON(int16_t iconId, int16_t left, int16_t bottom) {
  plat::currentPort().drawIcon(iconId, {left, bottom - 32, left + 32, bottom}, colourDisplay());
}

void DoSubscript(int16_t x, int16_t y, const MacText& base, const MacText& subscript,
                 const MacText& tail, int16_t drop) {
  plat::Port& p = plat::currentPort();
  const plat::FontSpec f = p.font();
  drawTextAt(p, x, y, base);
  p.setTextSize(std::max(8, f.pixelSize * 3 / 4));
  p.moveBy(0, drop);
  p.drawText(subscript);
  p.setFont(f);
  p.moveBy(0, -drop);
  p.drawText(tail);
}

void MakeSuperscript(const MacText& text, int16_t size) {
  plat::Port& p = plat::currentPort();
  const plat::FontSpec f = p.font();
  const int raise = std::max(2, f.pixelSize / 2);
  p.setTextSize(size > 0 ? size : f.pixelSize);
  p.moveBy(0, -raise);
  p.drawText(text);
  p.moveBy(0, raise);
  p.setFont(f);
}

void PrintChannelLabel(int16_t channel) {
  plat::Port& p = plat::currentPort();
  p.drawText(RetrieveLabel(channel));
  p.newLine();
}

// ---- Progress bar ------------------------------------------------------------------------

void buildProgressBAR(int16_t left, int16_t top, int16_t right, int16_t bottom, int32_t total,
                      int16_t windowId) {
  if (!plat::windowExists(windowId)) return;
  plat::showWindow(windowId, true);
  plat::setCurrentPort(windowId);
  progressWindow = windowId;
  plat::addProgress(windowId, kProgressControl, {left, top, right, bottom}, MinimumProgressBarValue,
                    std::max(total, MinimumProgressBarValue));
}

void UpdateProgressBar(int32_t count) {
  if (progressWindow && plat::controlExists(progressWindow, kProgressControl))
    plat::setProgress(progressWindow, kProgressControl, count);
}

// ---- Toolbar --------------------------------------------------------------------------

int16_t HideTheToolBar() {
  if (plat::windowExists(kToolbarWindow)) plat::showWindow(kToolbarWindow, false);
  ToolbarIsHidden = 1;
  return 0;
}

int16_t RestoreTheToolBar() {
  if (plat::windowExists(kToolbarWindow)) {
    plat::showWindow(kToolbarWindow, true);
    if (gKitHooks.redrawToolbarBackground) gKitHooks.redrawToolbarBackground();
    if (plat::controlExists(kToolbarWindow, kToolbarKeyButton))
      plat::setButtonState(kToolbarWindow, kToolbarKeyButton, 1);
  }
  ToolbarIsHidden = 0;
  return 0;
}

// ---- Plot-window furniture ---------------------------------------------------------------

void MakeChannelSelectionsPopUp() {
  if (!validSlot(TheFileInUse)) return;
  const int win = kPlotWindowBase + TheFileInUse;
  const int n = nChannels[TheFileInUse];
  if (!plat::windowExists(win) || n < 1) return;
  const bool wide = ScreenWidth > 995;
  std::vector<plat::MenuItemSpec> items;
  for (int c = 1; c <= n; ++c) {
    plat::MenuItemSpec it;
    it.title = (wide ? "Channel" : "Chan") + NumText(static_cast<int16_t>(c));
    items.push_back(it);
  }
  // One menu per window: another file's channels must not show in this one.
  const int menu = kChannelPopupMenu + TheFileInUse;
  plat::defineMenu(menu, "", items);
  const int w = wide ? 100 : 76;
  const int item = std::clamp<int>(ActiveChannel, 1, n);
  plat::addPopup(win, kChannelPopup, menu, item, {ScreenWidth - w - 4, 0, ScreenWidth - 4, 17});
}

void MultiChannelIndicator() {
  const int slot = TheFileInUse;
  if (!validSlot(slot) || FileSHORTS[slot][kShortView] != 1) return;
  if (plat::windowExists(kChannelSelectorWindow)) {
    if (indicatedChannel > 0 && plat::controlExists(kChannelSelectorWindow, 600 + indicatedChannel))
      plat::setButtonState(kChannelSelectorWindow, 600 + indicatedChannel, 1);
    if (plat::controlExists(kChannelSelectorWindow, 600 + ActiveChannel))
      plat::setButtonState(kChannelSelectorWindow, 600 + ActiveChannel, 2);
  }
  indicatedChannel = ActiveChannel;
  const int win = kPlotWindowBase + slot;
  if (!plat::windowExists(win)) return;
  for (int c = 1; c <= nChannels[slot] && c <= kMaxChannels; ++c) {
    if (!OverlayArray[slot][1][c]) continue;
    // Field 9 is the strip bottom + 30, field 8 the strip height.
    const int height = static_cast<int>(nVar[slot][c][8]);
    if (height <= 0) continue;
    const int top = static_cast<int>(nVar[slot][c][9]) - 30 - height;
    AddKitButton(win, 700 + c, plat::ButtonKind::SmallBevel, "\xBF", {ScreenWidth - 12, top, ScreenWidth, top + 12});
  }
}

void KillMCHpictures(int16_t channel) {
  if (channel >= 0 && channel <= kMaxChannels) MultiChannelImages[channel] = plat::Picture{};
}

// ---- Results windows -------------------------------------------------------------------

void OpenResultsWIndow(uint16_t crossChannelOption, int16_t themeBackground, int16_t lightGray,
                       const MacText& title, uint16_t shift) {
  plat::disposeWindow(kResultsWindow);
  plat::disposeWindow(kSecondaryWindow);
  const plat::Rect r =
      ResultsWindowRect(plotContent().left, belowPlotTop(), 220, displayBottom(), crossChannelOption == 1, shift != 0);
  const int width = r.width();
  BuildWINDOW(themeBackground, kResultsWindow, title, static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
              static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom), kKindDocument, lightGray);
  if (crossChannelOption != 1) return;
  // A subset of fewer than 3 cases cannot be analysed; a filter the user can
  // no longer switch off must not stay on either.
  const bool usable = SelectedCaseCount(static_cast<int16_t>(TheFileInUse)) >= 3;
  if (!usable) UseCrossChanIndex = 0;
  plat::ButtonSpec b;
  b.id = kCrossChannelBox;
  b.kind = plat::ButtonKind::CheckBox;
  b.title = "Use Cross-Channel Subsampling";
  // Right of the header, which reaches x 320: over it the box hid its frame.
  b.r = {322, 2, width - 1, 18};
  b.state = !usable ? 0 : (UseCrossChanIndex ? 2 : 1);
  plat::addButton(kResultsWindow, b);
  if (usable && UseCrossChanIndex) DataFilterNotice("cross-channel selection in use");
}

plat::Rect SecondWindowPlace(plat::Size size, plat::Rect results) {
  const auto frameOf = [](int id) {
    return plat::windowExists(id) && plat::windowVisible(id) ? plat::frameRect(id) : plat::Rect{};
  };
  const int titleBar = plat::titleBarHeight(plat::WindowClass::Document);
  // The plot's comments box and block window, known here by their ids alone.
  constexpr int kBlockWindowId = 2, kCommentsBoxId = 3;
  // The front plot too: the user picks there, and the command brings it in
  // front again, which would hide a second window standing over it.
  const plat::Rect plot = validSlot(TheFileInUse) ? frameOf(PlotWindowId(TheFileInUse)) : plat::Rect{};
  return PlaceSecondWindow(size, results,
                           {frameOf(kCommentsBoxId), frameOf(kBlockWindowId), frameOf(kToolbarWindow), plot},
                           frameOf(kCommentsBoxId), plat::displaySize(), titleBar, plat::config().menuBarHeight);
}

void OPENWINDOW6(int16_t themeBackground, int16_t lightGray, const MacText& title, uint16_t height) {
  plat::disposeWindow(kSecondaryWindow);
  int top = belowPlotTop();
  // Beside the command's results window, which is read with it, not over it,
  // nor over the comments box and block window where the desk has room.
  int left = 323;
  if (plat::windowExists(kResultsWindow) && plat::windowVisible(kResultsWindow)) {
    const plat::Rect r = SecondWindowPlace({316, height}, plat::frameRect(kResultsWindow));
    left = r.left;
    top = r.top;
  }
  BuildWINDOW(themeBackground, kSecondaryWindow, title, static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + 316), static_cast<int16_t>(top + height), kKindDocument, lightGray);
}

void ClearWINDOW41() {
  plat::disposeWindow(kResultsWindow);
  plat::disposeWindow(kSecondaryWindow);
  plat::disposeWindow(kUnknownWindow41);
}

void DataFilterNotice(const MacText& text) {
  const int previous = plat::currentPortWindow();
  const int front = plat::frontWindow();
  const plat::Rect plot = plotContent();
  const int left = plot.left + 480, top = belowPlotTop();
  plat::WindowSpec w;
  w.id = kFilterNoticeWindow;
  w.title = "Data Filter In Use:";
  w.content = {left, top, left + 300, top + 44};
  w.cls = plat::WindowClass::Floating;
  w.closeBox = false;
  plat::createWindow(w);
  WARNINGSTRIPES(0, 2, 10, 6, 5, 294, 39);
  plat::Port& p = plat::port(kFilterNoticeWindow);
  PenKeeper keep(p);
  p.setForeColor(kBlack);
  plat::FontSpec f = titleFont(12);
  f.bold = true;
  p.setFont(f);
  drawTextAt(p, 12, 19, "Data Filter In Use:");
  f.bold = false;
  p.setFont(f);
  drawTextAt(p, 12, 34, text);
  if (front && front != kFilterNoticeWindow && plat::windowExists(front) &&
      plat::frontWindow() != front)
    plat::selectWindow(front);
  if (previous && previous != kFilterNoticeWindow && plat::windowExists(previous))
    plat::setCurrentPort(previous);
}

void MOVE_CURSOR_CUE(int16_t left, int16_t top, int16_t right, int16_t bottom, const MacText& text,
                     int16_t y) {
  plat::Port& p = plat::currentPort();
  PenKeeper keep(p);
  p.resetPen();
  const plat::Rect band{left, top, right, bottom};
  p.setForeColor(kCueRed);
  p.fillRect(band);
  PlayNamedSound("brrrp");
  plat::FontSpec f = titleFont(18);
  f.bold = true;
  p.setFont(f);
  // Large, but never wider than the band it flashes in.
  while (f.pixelSize > 10 && p.textWidth(text) > band.width() - 8) {
    f.pixelSize -= 1;
    p.setFont(f);
  }
  const int x = left + std::max(4, (band.width() - p.textWidth(text)) / 2);
  const int win = plat::currentPortWindow();
  for (int i = 0; i < 9; ++i) {
    p.setForeColor(kWhite);
    drawTextAt(p, x, y, text);
    if (win) plat::flushWindow(win);
    plat::delayMs(120);
    if (i == 8) break;   // the cue stays readable afterwards
    p.setForeColor(kCueRed);
    p.fillRect(band);
    if (win) plat::flushWindow(win);
    plat::delayMs(60);
  }
}

// ---- Channel selection -------------------------------------------------------------

namespace {

struct SelectJob {
  int set = 1;
  bool startEmpty = false;    // removal: nothing ticked until the user ticks it
  bool allIfNone = true;      // display, print, save: an empty set means all
  bool cancelButton = false;
  bool blockOnly = false;
  bool requireOne = false;    // Done stays dimmed until a channel is ticked
  bool clearOnCancel = false;
  int excluded = 0;           // a channel that cannot be chosen
};

void setTick(int c, bool on) { plat::setButtonState(kChannelSelectWindow, c, on ? 2 : 1); }

int16_t runChannelSelection(const MacText& title, const SelectJob& job, bool* byHand) {
  const int slot = TheFileInUse;
  if (!validSlot(slot) || nChannels[slot] < 1) return kSelectCancelled;
  const int n = std::min<int>(nChannels[slot], kMaxChannels);
  uint16_t(&flags)[kOverlayFlags] = OverlayArray[slot][job.set];

  std::vector<bool> tick(n + 1, false);
  if (!job.startEmpty) {
    bool any = false;
    for (int c = 1; c <= n; ++c) any |= (tick[c] = flags[c] != 0);
    if (!any && job.allIfNone) std::fill(tick.begin() + 1, tick.end(), true);
  }
  if (job.excluded >= 1 && job.excluded <= n) tick[job.excluded] = false;

  const int columns = n > 16 ? 2 : 1;
  const int rows = (n + columns - 1) / columns;
  // Wide enough for the buttons' row side by side and for the whole title.
  const int buttonsWidth = 10 + 60 + 8 + 60 + (job.blockOnly ? 12 + 100 : 0) + 12 + (job.cancelButton ? 70 + 10 : 0) + 80 + 10;
  const int width = std::max({columns * 270 + 20, buttonsWidth, 8 * static_cast<int>(title.size()) + 60});
  const int height = 20 + rows * 20 + 50;
  const plat::Rect plot = plotContent();
  const int left = splot == 1.0f ? std::max(4, plat::displaySize().w - width - 20) : plot.left + 40;
  const int top = std::min(plot.top + 40, std::max(30, displayBottom() - height));
  const int previous = plat::currentPortWindow();
  BuildWINDOW(1, kChannelSelectWindow, title, left, top, left + width, top + height, kKindDocument, 0);

  for (int c = 1; c <= n; ++c) {
    const int col = (c - 1) / rows, row = (c - 1) % rows;
    plat::ButtonSpec b;
    b.id = c;
    b.kind = plat::ButtonKind::CheckBox;
    b.title = FieldNumText(static_cast<double>(c)) + ": " +
              TrimTrailingBlanks(RetrieveLabel(static_cast<int16_t>(c)));
    b.r = {10 + col * 270, 12 + row * 20, 10 + col * 270 + 262, 12 + row * 20 + 18};
    b.state = c == job.excluded ? 0 : (tick[c] ? 2 : 1);
    plat::addButton(kChannelSelectWindow, b);
  }
  const int by = height - 32;
  auto push = [&](int id, plat::ButtonKind kind, const char* t, int x, int w, int state = 1) {
    AddKitButton(kChannelSelectWindow, id, kind, t, {x, by, x + w, by + 20}, state);
  };
  push(kSelectAll, plat::ButtonKind::Push, "All", 10, 60);
  push(kSelectNone, plat::ButtonKind::Push, "None", 78, 60);
  if (job.blockOnly) {
    printblock = 0;
    push(kSelectBlockOnly, plat::ButtonKind::CheckBox, "Block Only", 150, 100);
  }
  if (job.cancelButton) push(kSelectCancel, plat::ButtonKind::Push, "Cancel", width - 170, 70);
  push(kSelectDone, plat::ButtonKind::DefaultPush, "Done", width - 90, 80);

  auto refreshDone = [&] {
    if (!job.requireOne) return;
    const bool any = std::find(tick.begin() + 1, tick.end(), true) != tick.end();
    plat::setButtonState(kChannelSelectWindow, kSelectDone, any ? 1 : 0);
  };
  refreshDone();

  DialogScope dialog;
  bool done = false, cancelled = false;
  if (byHand) *byHand = false;
  while (!done && !cancelled) {
    plat::pump();
    if (action == kActionClick) {
      if (eventID >= 1 && eventID <= n && eventID != job.excluded) {
        tick[eventID] = !tick[eventID];
        setTick(eventID, tick[eventID]);
        if (byHand) *byHand = true;
      } else if (eventID == kSelectAll || eventID == kSelectNone) {
        for (int c = 1; c <= n; ++c) {
          if (c == job.excluded) continue;
          tick[c] = eventID == kSelectAll;
          setTick(c, tick[c]);
        }
      } else if (eventID == kSelectBlockOnly && job.blockOnly) {
        printblock = ToggleValue(printblock);
        plat::setButtonState(kChannelSelectWindow, kSelectBlockOnly, printblock ? 2 : 1);
      } else if (eventID == kSelectDone) {
        done = true;
      } else if (eventID == kSelectCancel && job.cancelButton) {
        cancelled = true;
      }
      refreshDone();
    } else if (action == kActionKey && (eventID == 13 || eventID == 3)) {
      done = plat::buttonState(kChannelSelectWindow, kSelectDone) != 0;
    } else if (action == kActionClose && eventID == kChannelSelectWindow) {
      cancelled = true;
    }
    ClearMailbox();
  }
  plat::disposeWindow(kChannelSelectWindow);
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);

  if (cancelled) {
    if (job.blockOnly) printblock = 0;
    if (job.clearOnCancel) std::fill(std::begin(flags), std::end(flags), uint16_t{0});
    return kSelectCancelled;
  }
  for (int c = 0; c < kOverlayFlags; ++c) flags[c] = (c >= 1 && c <= n && tick[c]) ? 1 : 0;
  return 0;
}

}  // namespace

int16_t SELECTCHANNELS(const MacText& title, int16_t a, int16_t, int16_t, int16_t mode) {
  SelectJob job;
  switch (mode) {
    case 1:   // printing
      job.blockOnly = validSlot(TheFileInUse) && FileSHORTS[TheFileInUse][kShortBlockState] == 2;
      job.requireOne = true;
      break;
    case 2:   // removal
      job.startEmpty = true;
      job.allIfNone = false;
      job.clearOnCancel = true;
      break;
    case 3:   // stacked display
      job.requireOne = true;
      break;
    case 4:   // overlay
      job.allIfNone = false;
      job.cancelButton = true;
      job.excluded = a;
      break;
    case 5:   // saving
      job.set = 2;
      job.requireOne = true;
      break;
    default: return kSelectCancelled;
  }
  bool byHand = false;
  const int16_t r = runChannelSelection(title, job, &byHand);
  if (mode == 4 && r == 0) CustomOverlay = byHand ? 1 : 0;
  return r;
}

int16_t SetUpAllValuesDisplay() {
  SelectJob job;
  job.set = 3;
  job.requireOne = true;
  runChannelSelection("All Values Display", job, nullptr);
  return 0;
}

// ---- Text views ----------------------------------------------------------------------

int16_t TxtViewLoadText(TextViewRef view, int16_t code) {
  return plat::loadViewText(view.window, view.id, code) ? 0 : 1;
}

void TxtViewSetMargins(TextViewRef view, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  plat::setViewMargins(view.window, view.id, left, top, right, bottom);
}

void TextViewSetTextFromMyContainer(TextViewRef view) {
  plat::setViewText(view.window, view.id, validSlot(TheFileInUse) ? CommentContainer[TheFileInUse] : "");
}

void TextViewGetTextCopyIntoMyContainer(TextViewRef view) {
  if (validSlot(TheFileInUse)) CommentContainer[TheFileInUse] = plat::viewText(view.window, view.id);
}

// ---- The alert ----------------------------------------------------------------------------

void ShowAlert(const MacText& text, const char* sound, int16_t icon) {
  const int previous = plat::currentPortWindow();
  const int front = plat::frontWindow();
  const int16_t savedAction = action, savedEvent = eventID;

  constexpr int kWidth = 400;
  const int lines = std::max<int>(2, static_cast<int>((text.size() + 43) / 44));
  const int height = std::max(120, 56 + lines * 16 + 40);
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - kWidth) / 2);
  const int top = std::max(60, (desk.h - height) / 3);
  BuildWINDOW(0, kAlertWindow, " ", left, top, left + kWidth, top + height, kKindNoCloseBox, 1);
  WARNINGSTRIPES(0, 3, 14, 10, 10, kWidth - 10, height - 10);
  putCICON(icon, 22, 56);

  plat::FieldSpec msg;
  msg.id = kAlertMessage;
  msg.kind = plat::FieldKind::Static;
  msg.framed = false;
  msg.wrap = true;
  msg.text = text;
  msg.r = {66, 22, kWidth - 22, height - 48};
  msg.font = titleFont(12);
  msg.fore = kBlack;
  msg.back = kWhite;
  plat::addField(kAlertWindow, msg);

  AddKitButton(kAlertWindow, kAlertOK, plat::ButtonKind::DefaultPush, "OK",
               {kWidth - 100, height - 42, kWidth - 24, height - 20});
  plat::flushWindow(kAlertWindow);
  if (sound && *sound) PlayNamedSound(sound);

  {
    HandlerScope keep;
    auto& h = plat::handlers();
    h.menu = [](const plat::Event&) {};   // the menus wait until the alert is answered
    h.mouse = noMOUSE;
    h.dialog = DoDIALOG;
    h.editKey = CHECKRETURN;
    ClearMailbox();
    for (bool done = false; !done;) {
      plat::pump();
      done = (action == kActionClick && eventID == kAlertOK && eventWindow == kAlertWindow) ||
             (action == kActionKey && (eventID == 13 || eventID == 3)) ||
             (action == kActionClose && eventID == kAlertWindow);
      // The alert stays over the window that raised it: a click there would
      // otherwise bury the alert while that window waits on it.
      if (!done && action == kActionActivate && eventID != kAlertWindow) plat::selectWindow(kAlertWindow);
      ClearMailbox();
    }
  }
  plat::disposeWindow(kAlertWindow);
  if (front && plat::windowExists(front)) plat::selectWindow(front);
  if (previous && plat::windowExists(previous)) {
    plat::setCurrentPort(previous);
    CurrentlyActiveWindow = static_cast<int16_t>(previous);
  }
  action = savedAction;
  eventID = savedEvent;
}
