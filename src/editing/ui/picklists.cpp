#include "editing/ui/picklists.h"

#include <string>

#include "editing/channelpick.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"

namespace {

void addRadio(int win, int16_t id, plat::Rect r) {
  plat::removeControl(win, id);   // re-created, so it loses its mark
  AddKitButton(win, id, plat::ButtonKind::Radio, "", r);
}

void textAt(plat::Port& p, plat::Point at, const plat::MacText& text) {
  p.moveTo(at.x, at.y);
  p.drawText(text);
}

int16_t drawPickList(PickListKind kind, const plat::MacText& heading, const plat::MacText& secondHeading,
                     const plat::MacText& note, int16_t top, int16_t twoColumnSwitch, int16_t left, int16_t framed) {
  const int win = plat::currentPortWindow();
  if (!win || TheFileInUse >= kMaxOpenFiles) return 0;
  const int16_t n = nChannels[TheFileInUse];
  const bool two = PickListTwoColumns(twoColumnSwitch, yChan, FlowCH);
  const PickListLayout L = LayOutPickList(kind, n, top, left, two);

  plat::Port& p = plat::currentPort();
  const plat::FontSpec keptFont = p.font();
  plat::FontSpec f;
  f.family = std::to_string(OrrelinFont);
  f.pixelSize = 14;
  p.setFont(f);
  // A panel drawn again over an earlier one (other columns, other texts)
  // must not show through.
  p.setForeColor(plat::background(win));
  p.fillRect({left, top, left + 316, L.bottom + 1});
  p.setForeColor(kBlack);
  if (framed != 0)
    for (const plat::Rect& r : L.frames) BuildBOX(r.left, r.top, r.right, r.bottom);
  // A heading wider than the box it stands in is set smaller rather than
  // written over the box's edge ("Ch. X", "H2O", "temp").
  const auto headingAt = [&](plat::Point at, const plat::MacText& text) {
    for (const plat::Rect& r : L.frames) {
      if (framed == 0 || at.x < r.left || at.x >= r.right) continue;
      plat::FontSpec h = f;
      while (h.pixelSize > 9 && p.textWidth(text) > r.right - at.x - 2) {
        --h.pixelSize;
        p.setFont(h);
      }
      break;
    }
    textAt(p, at, text);
    p.setFont(f);
  };
  headingAt(L.heading, heading);
  if (two) headingAt(L.secondHeading, secondHeading);
  if (!note.empty()) {
    textAt(p, L.note, note);
    p.newLine();
  }
  for (const PickListRow& r : L.rows) {
    addRadio(win, r.firstId, r.firstButton);
    const int16_t secondId = SecondColumnId(kind, n, r.channel);
    if (two) addRadio(win, secondId, r.secondButton);
    else if (plat::controlExists(win, secondId)) plat::removeControl(win, secondId);
    textAt(p, r.text, std::to_string(r.channel) + ":  " + RetrieveLabel(r.channel));
  }
  if (two && Chan1 >= 1 && Chan1 <= n) plat::setButtonState(win, Chan1, 2);
  p.setFont(keptFont);
  return 0;
}

}  // namespace

int16_t TRANSCHAN(const plat::MacText& heading, const plat::MacText& secondHeading, const plat::MacText& note,
                  int16_t top, int16_t twoColumns, int16_t left, int16_t framed) {
  return drawPickList(PickListKind::Plain, heading, secondHeading, note, top, twoColumns, left, framed);
}

int16_t TRANSCHANX(const plat::MacText& heading, const plat::MacText& secondHeading, const plat::MacText& note,
                   int16_t top, int16_t twoColumns, int16_t left, int16_t framed) {
  return drawPickList(PickListKind::Extended, heading, secondHeading, note, top, twoColumns, left, framed);
}
