// The texts and fixed geometry of the analysis-window kit that every
// analysis window shares: the results header, the channel, help, histogram,
// scale and time-unit buttons, the output icon, the channel keys. Pure: the
// kit (output/ui/analysiskit.h) places them.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

// ---- Globals the header and the panels share -----------------------------------------
// 1 when the last duration shown was long enough to be given in minutes.
extern uint16_t minutes;
// Text row of the clock line: 5 the block analyses, 7 the click tools; 6
// suppresses the duration, rate-unit and integrated-total labels.
extern int16_t row;
// The results header of every analysis window.
struct HeaderTexts {
  std::string channelLine;   // "  Channel" + ch + "   " + label cut/padded to 30
  std::string casesLine;     // " cases" b+1 " to" e+1 ";  duration" d (4 digits) unit
  uint16_t minutes = 0;      // d >= 600 s
};
HeaderTexts ResultsHeaderTexts(int16_t ch, const std::string& label, int32_t beginBlock, int32_t endBlock,
                               float interval);

// ---- Analysis-window furniture ---------------------------------------------------------
inline constexpr int16_t kHelpButton = 200;
inline constexpr int16_t kDistributionButton = 232;
inline constexpr int16_t kBigHistogramButton = 332;
inline constexpr int16_t kScaleButton = 231;
inline constexpr int16_t kStoreButton = 121;
// Output icon square, and the wider area EraseDiskIcon clears.
inline constexpr plat::Rect kOutputIconRect{300, 2, 313, 15};
inline constexpr plat::Rect kOutputIconEraseRect{290, 2, 313, 15};

// Channel button c (1..32): rows of 1..17 and 18..32; empty outside.
plat::Rect ChannelButtonRect(int16_t c);
// Last digit for 1..9, last two digits above.
std::string ChannelButtonTitle(int16_t c);
// "Distribution", "(big) " and "Scale" appear for analysis codes <= 3, 8, 11.
bool KitShowsDistributionButtons(int16_t analysisCode);
// The header marks the channel button except for codes 2, 3, 8, 11, 99.
bool HeaderMarksChannel(int16_t analysisCode);
// IntBUTTON draws the unit buttons unless the unit is 0 or no analysis runs.
bool UnitButtonsShown(int16_t integrationUnit, int16_t analysisCode);
struct UnitButton {
  int16_t id;
  const char* title;
  plat::Rect rect;
};
inline constexpr UnitButton kUnitButtons[5] = {
    {65, "/sec", {75, 183, 115, 200}},   {66, "/min", {118, 183, 163, 200}},
    {67, "/hr", {166, 183, 205, 200}},   {228, "/day", {208, 183, 253, 200}},
    {68, "None", {257, 183, 309, 200}},
};
// Typed keys of analysis windows: '1'..'9' channels 1..9, '0' 10, '!' 11,
// '@' 12, '#' 13, '$' 14; 0 for any other key or a channel the file lacks.
int16_t ChannelOfKey(char key, int16_t nChannels);
