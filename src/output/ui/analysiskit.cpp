#include "output/kittexts.h"
#include "output/ui/analysiskit.h"

#include <algorithm>
#include <string>

#include "output/results.h"
#include "output/ui/destination.h"
#include "output/ui/storeresult.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/windowids.h"
#include "shell/ui/help.h"

namespace {

constexpr int kToolbarFirst = 551, kToolbarLast = 594;
constexpr int kScriptContinueButton = 135;

int16_t pendingDirectTool = 0;

bool colourDisplay() { return prefsArray[kPrefColourDisplay] != 0; }

plat::FontSpec systemFont(int size) {
  plat::FontSpec f;
  f.family = "system";
  f.pixelSize = size;
  return f;
}

void text(plat::Port& p, int x, int y, const std::string& s) {
  p.moveTo(x, y);
  p.drawText(s);
}

void smallBevel(int win, int16_t id, const std::string& title, plat::Rect r, int state, const plat::FontSpec& f) {
  plat::ButtonSpec b;
  b.id = id;
  b.kind = plat::ButtonKind::SmallBevel;
  b.title = title;
  b.r = r;
  b.state = state;
  b.font = f;
  plat::addButton(win, b);
}

// Draws into window 4 and puts the caller's port back.
class ResultsPort {
 public:
  ResultsPort() : previous_(plat::currentPortWindow()) { plat::setCurrentPort(kResultsWindow); }
  ~ResultsPort() {
    if (previous_ != 0 && plat::windowExists(previous_)) plat::setCurrentPort(previous_);
  }
  ResultsPort(const ResultsPort&) = delete;
  ResultsPort& operator=(const ResultsPort&) = delete;

 private:
  int previous_;
};

void drawDiskIcon() {
  plat::Port& p = plat::port(kResultsWindow);
  p.resetPen();
  const plat::Rect sq = kOutputIconRect;
  if (colourDisplay()) {
    p.setForeColor(OldStyleColour(3));
    p.fillRect(sq);
  }
  const plat::Rect shutter{302, 2, 310, 8};
  p.setForeColor(LightGray);
  p.fillRect(shutter);
  p.setForeColor(kBlack);
  p.strokeRect(sq);
  p.strokeRect(shutter);
  p.moveTo(303, 11);
  p.lineTo(309, 11);
  p.moveTo(303, 13);
  p.lineTo(308, 13);
  p.flush();
}

}  // namespace

void EraseDiskIcon() {
  if (!plat::windowExists(kResultsWindow)) return;
  plat::Port& p = plat::port(kResultsWindow);
  const plat::Rgb16 fore = p.foreColor();
  p.setForeColor(plat::background(kResultsWindow));
  p.fillRect(kOutputIconEraseRect);
  p.setForeColor(fore);
}

void DRAWDISK(const plat::MacText&) {
  if (!plat::windowExists(kResultsWindow)) return;
  EraseDiskIcon();
  drawDiskIcon();
  plat::setCurrentPort(kResultsWindow);
}

void DRAWPAGE() {
  if (!plat::windowExists(kResultsWindow)) return;
  plat::Port& p = plat::port(kResultsWindow);
  p.resetPen();
  p.setForeColor(kWhite);
  p.fillRect(kOutputIconRect);
  p.setForeColor(kBlack);
  p.strokeRect(kOutputIconRect);
  for (int y = 2; y <= 12; y += 2) {
    const int r = 1 + static_cast<int>(plat::randomNext() % 10);
    p.moveTo(302, y);
    p.lineTo(302 + r, y);
  }
  p.flush();
  plat::setCurrentPort(kResultsWindow);
}

void WriteHEADER(uint16_t lightGrayBackground) {
  if (!plat::windowExists(kResultsWindow)) return;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot)) return;
  plat::Port& p = plat::port(kResultsWindow);
  p.resetPen();
  p.setForeColor(lightGrayBackground == 1 ? LightGray : gray);
  p.fillRect({0, 0, 320, 29});
  const HeaderTexts h = ResultsHeaderTexts(ch, RetrieveLabel(ch), BeginBlock[slot], EndBlock[slot],
                                           FileInfoFLOATS[slot][kInfoInterval]);
  minutes = h.minutes;
  p.setFont(OrrelinFace(13));
  p.setForeColor(kBlack);
  text(p, 2, 11, h.channelLine);
  text(p, 2, 26, h.casesLine);
  if (HeaderMarksChannel(Analysis_Code) && plat::controlExists(kResultsWindow, ch))
    plat::setButtonState(kResultsWindow, ch, 2);
}

void DrawChannelButtons() {
  if (!plat::windowExists(kResultsWindow)) return;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot)) return;
  plat::Port& p = plat::port(kResultsWindow);
  p.setFont(OrrelinFace(12));
  p.setForeColor(kBlack);
  text(p, 2, 272, "Chan:");
  const int16_t n = std::min<int16_t>(nChannels[slot], kMaxChannels);
  for (int16_t c = 1; c <= n; ++c)
    smallBevel(kResultsWindow, c, ChannelButtonTitle(c), ChannelButtonRect(c), 1, systemFont(12));
}

void CHANNELSELECT() {
  if (!plat::windowExists(kResultsWindow)) return;
  // Beside the channel buttons, not below them: on an 800-pixel desk the
  // window ends at about 330, where its lowest row of controls would be cut.
  FitResultsWindow(300);
  DrawChannelButtons();
  smallBevel(kResultsWindow, kHelpButton, "?", {330, 258, 360, 278}, 1, systemFont(12));
  if (KitShowsDistributionButtons(Analysis_Code)) {
    const plat::FontSpec own = OrrelinFace(12);
    smallBevel(kResultsWindow, kDistributionButton, "Distribution", {149, 229, 225, 249}, 1, own);
    smallBevel(kResultsWindow, kBigHistogramButton, "(big) ", {225, 229, 263, 249}, 1, own);
    smallBevel(kResultsWindow, kScaleButton, "Scale", {270, 229, 310, 249}, 1, own);
  }
  ResultsPort keep;
  DoubleLINE(0, 320, 30);
  WriteHEADER(0);
}

void IntBUTTON() {
  if (!UnitButtonsShown(IntegrationUnit, Analysis_Code) || !plat::windowExists(kResultsWindow)) return;
  for (const UnitButton& u : kUnitButtons)
    smallBevel(kResultsWindow, u.id, u.title, u.rect, u.id == IntegrationUnit ? 2 : 1, systemFont(12));
}

void InstallAnalysisKitHooks() {
  gOutputUiHooks.drawDisk = DRAWDISK;
  gOutputUiHooks.drawPage = DRAWPAGE;
}

// ---- Loop parts ------------------------------------------------------------------------

void InstallAnalysisHandlers() {
  InstallDialogHandlers();
  plat::handlers().menu = ShowSpecificHelpWindow;
}

void FitResultsWindow(int16_t height) {
  if (!plat::windowExists(kResultsWindow)) return;
  const plat::Rect r = plat::contentRect(kResultsWindow);
  // Where the desk ends too soon it stands higher, over the plot's lower
  // part: cut at the desk's edge, its lowest controls were out of reach.
  const int titleBar = plat::titleBarHeight(plat::WindowClass::Document);
  int topLimit = plat::config().menuBarHeight + titleBar;
  // Never over a toolbar standing between the plot and the window.
  if (plat::windowExists(kToolbarWindow) && plat::windowVisible(kToolbarWindow)) {
    const plat::Rect bar = plat::frameRect(kToolbarWindow);
    if (bar.bottom <= r.top - titleBar && bar.left < r.right && r.left < bar.right)
      topLimit = std::max(topLimit, bar.bottom + titleBar);
  }
  const plat::Rect grown = GrownResultsWindow(r, height, plat::displaySize().h - 4, topLimit);
  if (!(grown == r)) plat::setContentRect(kResultsWindow, grown);
}

AnalysisKey TranslateAnalysisKey(int charCode, int16_t nChannels) {
  AnalysisKey k;
  if (charCode == '/' || charCode == '?') {
    k.kind = AnalysisKeyKind::Help;
  } else if (IsStoreResultKey(charCode)) {
    k.kind = AnalysisKeyKind::Store;
  } else if (charCode > 0 && charCode < 128) {
    k.channel = ChannelOfKey(static_cast<char>(charCode), nChannels);
    if (k.channel > 0) k.kind = AnalysisKeyKind::Channel;
  }
  return k;
}

int16_t HandleAnalysisKey(int charCode) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const int16_t n = ValidFileSlot(slot) ? nChannels[slot] : int16_t{0};
  const AnalysisKey k = TranslateAnalysisKey(charCode, n);
  switch (k.kind) {
    case AnalysisKeyKind::Help: OpenHelpPage(HelpSubject); break;
    case AnalysisKeyKind::Store: DRAFTPRINT(plat::MacText(1, static_cast<char>(charCode))); break;
    case AnalysisKeyKind::Channel: return k.channel;
    case AnalysisKeyKind::None: break;
  }
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
  return 0;
}

bool IsDeferredToolbarClick(int16_t id) {
  return (id >= kToolbarFirst && id <= kToolbarLast) || id == kScriptContinueButton;
}

void DeferToolbarClick(int16_t id) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const bool block = ValidFileSlot(slot) && FileSHORTS[slot][kShortBlockState] == 2;
  const ToolButton* b = FindToolButton(id);
  if (b && b->kind == ToolKind::Direct) {
    pendingDirectTool = id;
  } else {
    const MenuPick pick = ToolbarClickPick(id, block);
    menuidx = pick.menu;
    menuitemx = pick.item;
  }
  // "Continue Script" ends the analysis and the script's wait for blocks.
  if (id == kScriptContinueButton) BaseLineButton = kScriptContinueButton;
  MENU_or_ToolBar_PICKED = 1;
}

void RunPendingToolbarCommand() {
  const int16_t id = pendingDirectTool;
  pendingDirectTool = 0;
  if (id == 0) return;
  if (menuidx == 0) MENU_or_ToolBar_PICKED = 0;
  RunToolbarDirect(id);
}

void MarkChannelButton(int16_t oldCh, int16_t newCh) {
  if (oldCh != newCh) SetKitButton(oldCh, false);
  SetKitButton(newCh, true);
}

void SetKitButton(int16_t id, bool marked) {
  if (plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, id))
    plat::setButtonState(kResultsWindow, id, marked ? 2 : 1);
}
