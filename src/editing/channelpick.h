// Where the channel pick lists put their buttons, texts and frames, and the
// ids their buttons carry. Pure: the window kit draws what this lays out.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/types.h"

// The dialog wants a second ("Y") channel column.
extern int16_t yChan;

enum class PickListKind : int8_t {
  Plain,     // TRANSCHAN: pitch 18, second column ids nChannels + c
  Extended,  // TRANSCHANX: pitch 19, second column ids 32 + c
};

// Id of channel c's button in the second column.
int16_t SecondColumnId(PickListKind kind, int16_t channels, int16_t c);
// The second column is drawn when the caller allows it and the dialog asks
// for a second channel (yChan = 1) or a flow channel is set.
bool PickListTwoColumns(int16_t twoColumnSwitch, int16_t yChanFlag, int16_t flowChannel);

struct PickListRow {
  int16_t channel = 0;
  int16_t firstId = 0, secondId = 0;   // secondId 0 in one-column mode
  plat::Rect firstButton, secondButton;
  plat::Point text;                    // baseline start of "c:  label"
};

struct PickListLayout {
  bool twoColumns = false;
  int16_t pitch = 18;
  int16_t bottom = 0;                  // lower edge of the framed boxes
  plat::Point heading, secondHeading, note;
  std::vector<plat::Rect> frames;      // drawn only when framed
  std::vector<PickListRow> rows;
};

PickListLayout LayOutPickList(PickListKind kind, int16_t channels, int16_t top, int16_t left, bool twoColumns);
