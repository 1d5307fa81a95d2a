// Small pieces the polynomial, asymptote and time-series windows share:
// where their windows stand, labelled fields and buttons, plain text.
#pragma once
#include <string>

#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"

namespace fitparts {

// Global rectangle of a window below the current file's plot area, or
// beside the plot window's right edge (beside = true).
plat::Rect belowPlot(int width, int height);
plat::Rect besidePlot(int width, int height);

void push(int win, int id, const std::string& title, plat::Rect r, bool isDefault = false, int state = 1);
// A read-only field without a frame on the window's ground, or framed on `back`.
void label(int win, int id, const std::string& text, plat::Rect r, int px = 11);
void result(int win, int id, const std::string& text, plat::Rect r, plat::Rgb16 back, plat::Rgb16 fore = {0, 0, 0});
void edit(int win, int id, const std::string& text, plat::Rect r);
void textAt(plat::Port& p, int x, int y, const std::string& s, int px = 11, bool bold = false);
// The number a field holds, 0 for anything else (as typed text reads).
double fieldNumber(int win, int id);

}  // namespace fitparts
