#include "analyses/ui/crosschan.h"

#include <algorithm>
#include <string>

#include "analyses/crosschan.h"
#include "output/numberformat.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int32_t kSubsetHelpSubject = 233;
constexpr plat::Rgb16 kInk{0, 0, 0};

int16_t shownChannels() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  return SlotHoldsFile(slot) ? std::min<int16_t>(nChannels[slot], 32) : int16_t{0};
}

bool& word(ChannelConditions& c, int16_t group) {
  return group == kGreaterBox ? c.greater : group == kLessBox ? c.less : c.equal;
}
float& value(ChannelConditions& c, int16_t group) {
  return group == kGreaterBox ? c.greaterValue : group == kLessBox ? c.lessValue : c.equalValue;
}

// Every value field into words 4..6; text that is not a number counts as 0.
void readFields() {
  if (!plat::windowExists(kSubsetWindow)) return;
  for (int16_t c = 1; c <= shownChannels(); ++c)
    for (int16_t g : {kGreaterBox, kLessBox, kEqualBox}) {
      const int16_t id = static_cast<int16_t>(kValueFieldBase + g + c);
      double v = 0.0;
      if (!plat::controlExists(kSubsetWindow, id) || !ParseFieldNumber(plat::fieldText(kSubsetWindow, id), &v)) v = 0.0;
      value(CrossChanSelect[static_cast<size_t>(c)], g) = static_cast<float>(v);
    }
}

void noValidCasesWarning() {
  Zap();
  BuildWINDOW(1, kNoValidCasesWindow, "No Valid Cases Warning", 95, 150, 530, 255, kKindNoCloseBox, 0);
  WARNINGSTRIPES(0, 2, 12, 0, 0, 435, 105);
  putCICON(129, 24, 39);
  plat::Port& p = plat::port(kNoValidCasesWindow);
  p.setForeColor(kInk);
  p.setTextSize(17);
  p.setTextFace(true, false, false);
  p.moveTo(65, 31);
  p.drawText("I checked, but found no valid cases.");
  p.setTextFace(false, false, false);
  p.setTextSize(12);
  p.moveTo(15, 58);
  p.drawText("You may continue with regular analysis, but cross-channel");
  p.moveTo(15, 80);
  p.drawText("subset selection is deactivated.");
  AddKitButton(kNoValidCasesWindow, 1, plat::ButtonKind::DefaultPush, "OK", {290, 66, 410, 86});
  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().menu = noMENU;
  plat::handlers().mouse = noMOUSE;
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    done = !plat::windowExists(kNoValidCasesWindow) || action == kActionClick || action == kActionKey ||
           action == kActionClose;
    ClearMailbox();
  }
  plat::disposeWindow(kNoValidCasesWindow);
}

void build() {
  const int16_t n = shownChannels();
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const plat::Rect pr = plat::windowExists(PlotWindowId(slot)) ? plat::contentRect(PlotWindowId(slot))
                                                                 : plat::Rect{94, 41, 900, 500};
  const int left = pr.left + 10;
  BuildWINDOW(1, kSubsetWindow, "Cross-channel Subset Selection", static_cast<int16_t>(left), 80,
              static_cast<int16_t>(left + 639), static_cast<int16_t>(n * 22 + 146), kKindDocument, 0);
  plat::Port& p = plat::port(kSubsetWindow);
  auto text = [&p](int x, int y, int size, const std::string& t) {
    p.setTextSize(size);
    p.moveTo(x, y);
    p.drawText(t);
  };
  p.setForeColor(kInk);
  text(15, 15, 16, "use when these channel values are:");
  text(345, 15, 16, ">");
  text(460, 15, 16, "< ");
  text(570, 15, 16, "= ");
  p.setForeColor(manila);
  p.fillRect({0, 22, 284, n * 22 + 20}, plat::patterns::solid);
  for (int16_t c = 1; c <= n; ++c) {
    const int y = 22 * c;
    p.setForeColor(darkGray);
    p.moveTo(0, y);
    p.lineTo(284, y);
    p.moveTo(284, y);
    p.lineTo(284, y + 22);
    p.setForeColor(kInk);
    text(10, y + 16, 14, std::to_string(c) + ":  " + RetrieveLabelOf(slot, c));
    const ChannelConditions& cc = CrossChanSelect[static_cast<size_t>(c)];
    const struct {
      int16_t group;
      int boxLeft, fieldLeft, fieldRight;
      bool on;
      float v;
    } cols[] = {{kGreaterBox, 288, 317, 391, cc.greater, cc.greaterValue},
                {kLessBox, 403, 432, 506, cc.less, cc.lessValue},
                {kEqualBox, 518, 546, 621, cc.equal, cc.equalValue}};
    for (const auto& col : cols) {
      AddKitButton(kSubsetWindow, col.group + c, plat::ButtonKind::CheckBox, " ",
                   {col.boxLeft, y + 1, col.boxLeft + 20, y + 19}, col.on ? 2 : 1);
      plat::FieldSpec f;
      f.id = kValueFieldBase + col.group + c;
      f.text = col.v != 0.0f ? RealText(col.v) : "";
      f.r = {col.fieldLeft, y + 4, col.fieldRight, y + 18};
      f.kind = plat::FieldKind::Editable;
      f.align = plat::Align::Right;
      plat::addField(kSubsetWindow, f);
    }
  }
  p.setForeColor(darkGray);
  p.moveTo(0, n * 22 + 22);
  p.lineTo(639, n * 22 + 22);
  p.setForeColor(kInk);
  const int top = n * 22 + 32, bottom = n * 22 + 53;
  const struct {
    int16_t id;
    const char* title;
    int l, r;
  } buttons[] = {{kSetIndexButton, "Set Index", 20, 220},
                 {kClearAllButton, "Clear All", 240, 330},
                 {kSubsetDoneButton, "Done", 440, 590}};
  for (const auto& bt : buttons) {
    AddKitButton(kSubsetWindow, bt.id, plat::ButtonKind::Push, bt.title, {bt.l, top, bt.r, bottom});
  }
  plat::flushWindow(kSubsetWindow);
}

}  // namespace

int32_t CrossChanIndex() {
  plat::setCursor(plat::CursorKind::Watch);
  const int32_t selected = BuildCrossChanIndex();
  plat::setCursor(plat::CursorKind::Arrow);
  if (selected < 0) {
    ShowAlert("There is not enough memory for the subset index; the previous index stays.");
    return 0;
  }
  if (selected < 1) noValidCasesWarning();
  upvip();
  return selected;
}

void SelectSubset() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHoldsFile(slot)) return;
  HelpSubject = kSubsetHelpSubject;
  HideTheToolBar();
  build();
  const int16_t n = shownChannels();
  DialogScope dialog;
  for (bool done = false; !done;) {
    plat::pump();
    if (!plat::windowExists(kSubsetWindow)) break;
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClose && id == kSubsetWindow) {
      done = true;
    } else if (a == kActionKey && (id == '/' || id == '?')) {
      plat::openHelp(kSubsetHelpSubject);
    } else if (a == kActionKey && id == 27) {
      done = true;
    } else if (a == kActionClick) {
      if (id >= 1 && id <= 96) {
        const auto c = static_cast<int16_t>((id - 1) % 32 + 1);
        const auto g = static_cast<int16_t>((id - 1) / 32 * 32);
        if (c <= n) {
          word(CrossChanSelect[static_cast<size_t>(c)], g) = true;
          plat::setButtonState(kSubsetWindow, id, 2);
        }
      } else if (id == kSetIndexButton) {
        readFields();
        CrossChanIndex();
        plat::setCurrentPort(kSubsetWindow);
      } else if (id == kClearAllButton) {
        for (int16_t c = 1; c <= n; ++c) {
          ChannelConditions& cc = CrossChanSelect[static_cast<size_t>(c)];
          cc.greater = cc.less = cc.equal = false;
          for (int16_t g : {kGreaterBox, kLessBox, kEqualBox})
            plat::setButtonState(kSubsetWindow, g + c, 1);
        }
      } else if (id == kSubsetDoneButton) {
        done = true;
      }
    }
  }
  readFields();
  plat::disposeWindow(kSubsetWindow);
  RestoreTheToolBar();
}

bool ToggleCrossChannelBox() {
  UseCrossChanIndex = ToggleValue(UseCrossChanIndex);
  SetKitButton(kCrossChannelBox, UseCrossChanIndex != 0);
  if (UseCrossChanIndex) DataFilterNotice("cross-channel selection in use");
  else plat::disposeWindow(kFilterNoticeWindow);
  return UseCrossChanIndex != 0;
}
