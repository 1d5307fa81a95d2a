// The channel pick lists many dialogs share: one radio button per channel
// (and a second column for a second channel), each row with the channel's
// number and label. They only draw into the current window and create the
// buttons; the dialog marks its initial choice and reads the clicks.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Second-column ids nChannels + c, row pitch 18. The second column is drawn
// when twoColumns is 1 and yChan is 1 or FlowCH is not 0; then the button of
// Chan1 is marked (only it: callers mark chan2). A one-column drawing
// removes second-column buttons left from an earlier drawing. Returns 0.
int16_t TRANSCHAN(const plat::MacText& heading, const plat::MacText& secondHeading, const plat::MacText& note,
                  int16_t top, int16_t twoColumns, int16_t left, int16_t framed);
// As TRANSCHAN with pitch 19 and second-column ids 32 + c.
int16_t TRANSCHANX(const plat::MacText& heading, const plat::MacText& secondHeading, const plat::MacText& note,
                   int16_t top, int16_t twoColumns, int16_t left, int16_t framed);
