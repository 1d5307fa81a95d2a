// What the file-level edits share on screen: text drawn into their windows,
// the wait for an answer, the place of a window below the plot and the
// redraw after the whole file changed.
#pragma once
#include <cstdint>
#include <vector>

#include "editing/fileedit.h"
#include "platform/types.h"

// Text at (x, y) of window win in the program's face; colour draws it in
// the warning colour (black on a monochrome display).
void FileEditText(int16_t win, int16_t x, int16_t y, const plat::MacText& text, int16_t size, bool bold = false,
                  bool colour = false, bool underline = false);

// The same, the size lowered (to 9 at least) until the text ends before
// `right`: some installed faces run wider than the windows were drawn for.
void FileEditFittedText(int16_t win, int16_t x, int16_t y, const plat::MacText& text, int16_t size, int16_t right,
                        bool bold = false, bool colour = false);

// Waits, with the dialog handlers, until a button of `ids` is clicked, the
// close box is clicked, Return or Enter is pressed or another window is
// activated; returns the id, or returnAnswer, closeAnswer, otherWindowAnswer.
int16_t WaitForAnswer(int16_t win, const std::vector<int16_t>& ids, int16_t returnAnswer, int16_t closeAnswer,
                      int16_t otherWindowAnswer);

// Opens window win (kind 5, light grey) at the given place relative to the
// plot window of TheFileInUse (its left edge, the top of its content),
// moved up when it would leave the display.
void BuildWindowOverPlot(int16_t win, const plat::MacText& title, int16_t left, int16_t top, int16_t right,
                         int16_t bottom);

// After the length, the channels or the markers of TheFileInUse changed:
// the page slider rebuilt, the whole view drawn with a fresh scale, the
// channel pop-up and the menus brought up to date.
void RedrawWholeFile();

// The file in front and its block as a crop takes it. False when no file is
// in front, and after the error sound when it has no such block.
bool FrontFileCropSpan(int16_t* slot, CaseSpan* span);
