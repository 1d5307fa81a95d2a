#include "output/ui/scaleresults.h"

#include <algorithm>
#include <string>
#include <vector>

#include "output/numberformat.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kWindow = kSecondaryWindow;   // 6
constexpr int16_t kBlockWindowId = 2;
constexpr const char* kDivideTitle = "\xD6";  // Mac Roman division sign

void field(int16_t id, const std::string& t, plat::Rect r, plat::FieldKind kind, int16_t fore, int16_t back) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = kind;
  f.framed = kind != plat::FieldKind::Static;
  f.font = OrrelinFace(10);
  if (kind == plat::FieldKind::Static) f.font.pixelSize = 12;
  f.fore = EFForeRgb(fore);
  f.back = EFBackRgb(back);
  plat::addField(kWindow, f);
}

void operationButton(int16_t id, const char* title, int y) {
  plat::ButtonSpec b;
  b.id = id;
  b.kind = plat::ButtonKind::SmallBevel;
  b.title = title;
  const int left = id > kScaleMultiplyButtonBase ? 271 : 293;
  b.r = {left, y - 5, left + 16, y + 11};
  b.font = OrrelinFace(12);
  plat::addButton(kWindow, b);
}

void showOperation(int16_t c, ScalingMark m) {
  plat::setButtonState(kWindow, kScaleMultiplyButtonBase + c, m == ScalingMark::Multiply ? 2 : 1);
  plat::setButtonState(kWindow, kScaleDivideButtonBase + c, m == ScalingMark::Divide ? 2 : 1);
}

void buildRows(int16_t n) {
  plat::Port& p = plat::port(kWindow);
  for (int16_t c = 1; c <= n; ++c) {
    const int y = 22 * c;
    p.setFont(OrrelinFace(14));
    p.setForeColor(kBlack);
    p.moveTo(c <= 9 ? 9 : 3, y + 7);
    p.drawText("channel" + IntText(c) + ",");
    EFForeColor = 1;
    EFBackColor = 5;
    field(kScaleLabelFieldBase + c, RetrieveLabel(c), {77, y - 6, 265, y + 11}, plat::FieldKind::Static, 1, 5);
    operationButton(kScaleMultiplyButtonBase + c, "*", y);
    operationButton(kScaleDivideButtonBase + c, kDivideTitle, y);
    const ScalingEntry e = ScalingEntryOf(c);
    field(kScaleFactorFieldBase + c, ScalingFieldText(e.factor), {320, y - 2, 405, y + 10},
          plat::FieldKind::Editable, 1, 1);
    p.setFont(OrrelinFace(12));
    p.moveTo(412, y + 8);
    p.drawText("+");
    field(kScaleOffsetFieldBase + c, ScalingFieldText(e.offset), {428, y - 2, 518, y + 10},
          plat::FieldKind::Editable, 1, 1);
    showOperation(c, ScalingMarkOf(e));
  }
}

}  // namespace

void SCALERESULTS(double offered) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  const int16_t n = std::clamp<int16_t>(nChannels[slot], 0, kMaxChannels);
  const int16_t extra = ScalingWindowExtraHeight(n);

  int left = 94;
  const int plotWin = kPlotWindowBase + slot;
  if (plat::windowExists(plotWin)) {
    plat::selectWindow(plotWin);
    left = plat::contentRect(plotWin).left;
  }
  HideTheToolBar();
  const int height = 315 + extra;
  BuildWINDOW(1, kWindow, "Scaling Factors for Results", static_cast<int16_t>(left + 113), 60,
              static_cast<int16_t>(left + 641), static_cast<int16_t>(60 + height), kKindDocument, 0);
  ClearMailbox();

  // The operation each channel will store, changed by clicks.
  std::vector<float> ops(static_cast<size_t>(n) + 1, 1.0f);
  for (int16_t c = 1; c <= n; ++c) ops[c] = ScalingEntryOf(c).op;

  buildRows(n);
  {
    plat::setCurrentPort(kWindow);
    DoubleLINE(0, 520, static_cast<int16_t>(22 * n + 19));
  }
  AddKitButton(kWindow, kScaleClearAllButton, plat::ButtonKind::Push, "Clear All", {200, height - 27, 330, height - 6});
  AddKitButton(kWindow, kScaleDoneButton, plat::ButtonKind::DefaultPush, "Done", {360, height - 27, 500, height - 6});
  plat::clearFieldFocus(kWindow);

  HandlerScope keepHandlers;
  InstallDialogHandlers();

  bool finished = false;
  while (!finished) {
    plat::pump();
    const int16_t a = action, id = eventID;
    if (!plat::windowExists(kWindow)) break;
    if ((a == kActionClick && id == kScaleDoneButton) || (a == kActionClose && id == kWindow)) finished = true;
    plat::setCurrentPort(kWindow);
    if (a == kActionClick && id == kScaleClearAllButton) {
      for (int16_t c = 1; c <= n; ++c) {
        ops[c] = kClearedScaling.op;
        showOperation(c, ScalingMark::None);
        plat::setFieldText(kWindow, kScaleFactorFieldBase + c, "1");
        plat::setFieldText(kWindow, kScaleOffsetFieldBase + c, "0");
      }
    } else if (a == kActionClick) {
      const OperationClick op = OperationOfButton(id);
      if (op.channel >= 1 && op.channel <= n) {
        ops[op.channel] = OperationElement(op.multiply);
        showOperation(op.channel, op.multiply ? ScalingMark::Multiply : ScalingMark::Divide);
        if (offered != 0.0)
          plat::setFieldText(kWindow, kScaleFactorFieldBase + op.channel, OfferedFactorText(offered));
      }
    }
    if (a == kActionKey || (a == kActionActivate && id != kWindow)) finished = true;
    ClearMailbox();
  }

  bool refused = false;
  for (int16_t c = 1; c <= n; ++c) {
    ScalingEntry current = ScalingEntryOf(c);
    current.op = ops[c];
    if (!plat::windowExists(kWindow)) {
      StoreScalingEntry(c, current);
      continue;
    }
    const ScalingFieldsRead r = ReadScalingFields(current, plat::fieldText(kWindow, kScaleFactorFieldBase + c),
                                                  plat::fieldText(kWindow, kScaleOffsetFieldBase + c));
    StoreScalingEntry(c, r.entry);
    refused = refused || r.refused();
  }
  if (refused) Zap();

  ClearMailbox();
  if (FileSHORTS[slot][kShortBlockState] == 2 && plat::windowExists(kBlockWindowId))
    plat::selectWindow(kBlockWindowId);
  plat::disposeWindow(kWindow);
  RestoreTheToolBar();
}
