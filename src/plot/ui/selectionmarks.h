// The marks a block selection in progress leaves on a plot: the first-edge
// line of the two-click form. XOR, so it must be removed exactly once; a
// repaint of the plot wipes it. Apart from the selection itself, so that
// the label line every repaint draws can forget it.
#pragma once
#include <cstdint>

// Draws the line at column x, rows top..bottom, in the plot of that slot.
void DrawEdgeLine(int16_t slot, int x, int top, int bottom);
// Takes the line of that slot's plot away again; nothing when none stands
// there.
void RemoveEdgeLine(int16_t slot);
// The plot of that slot was repainted: a first-edge line drawn there is gone.
void ForgetSelectionMarks(int16_t slot);
