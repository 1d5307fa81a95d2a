#include "editing/channelpick.h"

int16_t yChan = 0;

int16_t SecondColumnId(PickListKind kind, int16_t channels, int16_t c) {
  return static_cast<int16_t>((kind == PickListKind::Plain ? channels : 32) + c);
}

bool PickListTwoColumns(int16_t twoColumnSwitch, int16_t yChanFlag, int16_t flowChannel) {
  return twoColumnSwitch == 1 && (yChanFlag == 1 || flowChannel != 0);
}

PickListLayout LayOutPickList(PickListKind kind, int16_t channels, int16_t top, int16_t left, bool twoColumns) {
  const bool plain = kind == PickListKind::Plain;
  PickListLayout L;
  L.twoColumns = twoColumns;
  L.pitch = plain ? 18 : 19;
  const int p = L.pitch;
  L.bottom = static_cast<int16_t>(top + channels * p + (plain ? 19 : 20));
  L.heading = {left + 6, top + 14};
  // The note's capitals clear the frame's top edge at top + 2.
  const int noteBaseline = plain ? top + 16 : top + 15;
  L.frames.push_back({left + 2, top + 2, left + 38, L.bottom});
  if (twoColumns) {
    L.frames.push_back({left + 85, top + 2, left + 314, L.bottom});
    L.frames.push_back({left + 43, top + 2, left + 81, L.bottom});
    L.secondHeading = {left + 46, top + 14};
    L.note = {left + 94, noteBaseline};
  } else {
    L.frames.push_back({left + 45, top + 2, left + 314, L.bottom});
    L.note = {left + 55, noteBaseline};
  }
  for (int16_t c = 1; c <= channels; ++c) {
    PickListRow r;
    r.channel = c;
    r.firstId = c;
    const int buttonTop = top + c * p + 3;
    r.firstButton = {left + 12, buttonTop, left + 30, buttonTop + 12};
    if (twoColumns) {
      r.secondId = SecondColumnId(kind, channels, c);
      r.secondButton = {left + 55, buttonTop, left + 73, buttonTop + 12};
    }
    // Five pixels inside the label frame, as in one column: at its edge a
    // label starting with a straight stroke ("4:") stood on the frame.
    r.text = {left + (twoColumns ? 90 : 50), top + c * p + 15};
    L.rows.push_back(r);
  }
  return L;
}
