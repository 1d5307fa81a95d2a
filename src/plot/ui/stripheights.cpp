#include "plot/ui/stripheights.h"

#include <algorithm>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/stripheights.h"
#include "plot/ui/stacked.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int W = kHeightsWindow;

void xorLine(int y) {
  plat::Port& p = plat::port(W);
  p.setPenMode(plat::PenMode::Xor);
  p.moveTo(5, y);
  p.lineTo(269, y);
  p.setPenMode(plat::PenMode::Copy);
}

void drawExample(int16_t f, const StripArea& a, const std::vector<int16_t>& shown) {
  const int k = static_cast<int>(shown.size());
  const float step = static_cast<float>(a.bottom - a.top) / static_cast<float>(k);
  for (int i = 0; i < k; ++i) {
    VerticalPosition = static_cast<int16_t>(a.top + step * static_cast<float>(i + 1));
    Draw_A_CHANNEL(static_cast<float>(a.top) + step * static_cast<float>(i), shown[static_cast<size_t>(i)],
                   prefsArray[kPrefColourDisplay] != 0 ? 1 : 0);
  }
  (void)f;
}

void buttonsActive(bool on) {
  for (int16_t id : {kHeightsOK, kHeightsAgain, kHeightsNormal}) plat::setButtonState(W, id, on ? 1 : 0);
}

}  // namespace

bool GetHEIGHT(float top, int16_t limit) {
  // Clicks are events, so none is lost between two looks at the pointer and
  // none waits for after the panel; the close box and Escape leave it.
  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().mouse = [](const plat::Event& e) {
    if (e.window == W) DoMouse(e);
  };
  const int low = static_cast<int>(top), high = std::max<int>(limit, low + 1);
  int lineY = -1;
  bool picked = false, left = false;
  ClearMailbox();
  while (!picked && !left) {
    // The line follows the pointer on idle passes: pointer moves make no events.
    const bool busy = plat::pump();
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClose || (a == kActionKey && id == kEscapeKey)) {
      left = true;
      break;
    }
    if (a == kActionMouse && id == 1 && HorizPosition >= 6 && HorizPosition <= 269) {
      // A click a little above or below the band picks its nearest row.
      VerticalPosition = static_cast<int16_t>(std::clamp<int>(VerticalPosition, low, high - 1));
      picked = true;
      break;
    }
    if (busy) continue;
    const plat::Point p = plat::pointerLocal(W);
    const bool inside = p.y >= low && p.y < high && p.x >= 6 && p.x <= 269;
    plat::setCursor(inside ? plat::CursorKind::Cross : plat::CursorKind::Arrow);
    if (inside && p.y != lineY) {
      if (lineY >= 0) xorLine(lineY);
      lineY = p.y;
      xorLine(lineY);
      plat::flushWindow(W);
    }
  }
  if (lineY >= 0) xorLine(lineY);
  plat::setCursor(plat::CursorKind::Arrow);
  if (left) return false;
  plat::Port& p = plat::port(W);
  p.moveTo(5, VerticalPosition);
  p.lineTo(269, VerticalPosition);
  Tick();
  return true;
}

void Draw_A_CHANNEL(float top, int16_t channel, uint16_t colour) {
  plat::Port& p = plat::port(W);
  const int t = static_cast<int>(top), b = VerticalPosition;
  p.setForeColor(colour != 0 ? plotBackColor : plat::Rgb16{0xFFFF, 0xFFFF, 0xFFFF});
  p.fillRect({5, t, 270, b});
  p.setForeColor(colour != 0 ? plotForeColor : plat::Rgb16{0, 0, 0});
  p.strokeRect({5, t, 270, b + 1});
  plat::FontSpec font;
  font.pixelSize = 9;
  p.setFont(font);
  p.moveTo(22, t + 10);
  p.drawText("Channel" + NumText(channel) + "     " + RetrieveLabel(channel));
  // A made-up trace, only to show the strip's room.
  const int a = static_cast<int>((b - (t + 10) + 4) * 0.4);
  if (a < 1) return;
  p.setForeColor(colour != 0 ? PlotDataLineColor : plat::Rgb16{0, 0, 0});
  p.moveTo(5, t + 10 + 1 + static_cast<int>(plat::randomNext() % static_cast<uint32_t>(a)));
  for (int x = 6; x <= 269; ++x) p.lineTo(x, t + 10 + 1 + static_cast<int>(plat::randomNext() % static_cast<uint32_t>(a)));
}

void ChangeCHARTHITE(int16_t target) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !SlotHoldsFile(f)) return;
  std::vector<int16_t> shown;
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c)
    if (OverlayArray[f][1][c] != 0) shown.push_back(c);
  if (shown.size() < 2) return;
  uint16_t& flag = target == kHeightsForPrint ? CustomPlot : CustomScreenPlot;
  // Leaving by the close box or Escape keeps the strips as they were.
  const uint16_t flagBefore = flag;
  std::vector<ChannelInfoRecord> before;
  for (int16_t c : shown) before.push_back(nVar[f][c]);
  const bool toolbar = plat::windowExists(kToolbarWindow);
  if (toolbar) plat::showWindow(kToolbarWindow, false);
  HandlerScope keep;
  InstallDialogHandlers();
  const int left = (ScreenWidth - 500) / 2;
  if (target == kHeightsForPrint)
    BuildWINDOW(0, W, "Customized Plotting", static_cast<int16_t>(left), 80, static_cast<int16_t>(left + 500), 320,
                kKindDocument, 0);
  else
    BuildWINDOW(0, W, "Plot Heights", static_cast<int16_t>(left - 10), 84, static_cast<int16_t>(left + 490),
                static_cast<int16_t>(std::max(BottomOfPlotArea + 88, 265)), kKindDocument, 0);
  plat::setBackground(W, manila);
  plat::port(W).setBackColor(manila);
  plat::port(W).clearRect(plat::port(W).bounds());
  plat::FieldSpec text;
  text.id = kHeightsText;
  text.r = {280, 46, 494, 156};
  text.kind = plat::FieldKind::Static;
  text.framed = false;
  text.wrap = true;
  text.back = manila;
  text.font.pixelSize = 10;
  text.text = std::string("To set the ") + (target == kHeightsForPrint ? "relative " : "") +
              "height of each channel, move the cursor to the desired position on the example plot and click "
              "ONCE (the cursor 's vertical movement is constrained to leave the minimal space necessary for "
              "any remaining channels).";
  plat::addField(W, text);
  plat::setCurrentPort(W);
  EmbossPrint(0, "Plot heights", 32, 290, 32);
  auto push = [](int16_t id, const char* title, int top) {
    AddKitButton(W, id, plat::ButtonKind::Push, title, {286, top, 484, top + 20}, 0);
  };
  push(kHeightsOK, "Plot Heights OK", 170);
  push(kHeightsAgain, "Select Again", 200);
  push(kHeightsNormal, "Use Normal Values", 230);
  wsst();
  const StripArea area = StripAreaFor(target, BottomOfPlotArea);
  const int k = static_cast<int>(shown.size());
  bool cancelled = false;
  for (bool again = true; again && !cancelled;) {
    again = false;
    drawExample(f, area, shown);
    std::vector<int> rows;
    int top = area.top;
    for (int i = 0; i + 1 < k; ++i) {
      const ClickBand band = ClickBandFor(area, top, k - 1 - i);
      if (!GetHEIGHT(static_cast<float>(band.top), static_cast<int16_t>(band.limit))) {
        cancelled = true;
        break;
      }
      const int row = VerticalPosition;
      rows.push_back(row);
      Draw_A_CHANNEL(static_cast<float>(top), shown[static_cast<size_t>(i)], prefsArray[kPrefColourDisplay] != 0);
      wssst();
      top = row;
    }
    if (cancelled) break;
    const std::vector<StripWords> words = CustomStrips(area, rows, k);
    VerticalPosition = static_cast<int16_t>(area.bottom);
    Draw_A_CHANNEL(static_cast<float>(top), shown.back(), prefsArray[kPrefColourDisplay] != 0);
    for (int i = 0; i < k; ++i) {
      ChannelInfoRecord& v = nVar[f][shown[static_cast<size_t>(i)]];
      v[8] = words[static_cast<size_t>(i)].height;
      v[9] = words[static_cast<size_t>(i)].word9;
      v[11] = words[static_cast<size_t>(i)].word11;
    }
    flag = 1;
    buttonsActive(true);
    ClearMailbox();
    for (;;) {
      const auto [a, id] = TakeEvent();
      if (a == kActionClose) {
        cancelled = true;
        break;
      }
      if ((a == kActionClick && id == kHeightsOK) || a == kActionKey) break;
      if (a == kActionClick && id == kHeightsAgain) {
        flag = 1;
        buttonsActive(false);
        again = true;
        break;
      }
      if (a == kActionClick && id == kHeightsNormal) {
        flag = 0;
        drawExample(f, area, shown);
      }
    }
  }
  if (cancelled) {
    flag = flagBefore;
    for (size_t i = 0; i < shown.size(); ++i) nVar[f][shown[i]] = before[i];
  }
  plat::disposeWindow(W);
  if (toolbar) plat::showWindow(kToolbarWindow, true);
}
