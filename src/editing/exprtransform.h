// An expression run over the cases of one or two channels, into the X
// channel or a new last channel. Store work without windows: the window
// (src/editing/ui/expressions.h) checks, redraws and logs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "editing/expression.h"
#include "shell/store.h"

struct ExpressionRun {
  int16_t x = 1;          // channel X
  int16_t y = 0;          // channel Y, 0: y is 0 at every case
  bool toNew = false;     // result into a new last channel (its other cases 0)
  bool blockOnly = false; // BeginBlock..EndBlock, else 1..nCases; case 0 never
};

// Writes code(X, Y) at each case into X or a new channel labelled `label`
// (padded or cut to 30); in place, a label of blanks keeps X's. An in-place run on an X other than LastChan takes
// an undo copy first, so Undo always has the channel the run changed.
// TooManyChannels at 32 channels; nothing changes unless Ok.
StoreStatus RunExpressionTransform(int16_t slot, const ExpressionCode& code, const ExpressionRun& run,
                                   std::string_view label, int16_t* target);

// "Expression transformation " + text + "; X chan =" n(x) ["; Y chan =" n(y)],
// cut at 255 characters.
std::string ExpressionLogText(std::string_view expression, int16_t x, int16_t y);
