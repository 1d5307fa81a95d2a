#include "analyses/ui/fitparts.h"

#include <algorithm>
#include <cstdlib>

#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kitglobals.h"

namespace fitparts {

namespace {

plat::Rect plotRect() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (plat::windowExists(PlotWindowId(slot))) return plat::contentRect(PlotWindowId(slot));
  return {94, 63, 94 + 640, 63 + BottomOfPlotArea + 58};
}

}  // namespace

plat::Rect belowPlot(int width, int height) {
  const plat::Rect p = plotRect();
  const int top = p.top + BottomOfPlotArea + 40;
  return {p.left, top, p.left + width, top + height};
}

plat::Rect besidePlot(int width, int height) {
  const plat::Rect p = plotRect();
  const int left = std::max(0, p.right - width - 10);
  return {left, p.top + 30, left + width, p.top + 30 + height};
}

void push(int win, int id, const std::string& title, plat::Rect r, bool isDefault, int state) {
  plat::removeControl(win, id);
  AddKitButton(win, static_cast<int16_t>(id), isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title,
               r, state);
}

void label(int win, int id, const std::string& text, plat::Rect r, int px) {
  plat::removeControl(win, id);
  AddPlainLabel(win, static_cast<int16_t>(id), text, r, px);
}

void result(int win, int id, const std::string& text, plat::Rect r, plat::Rgb16 back, plat::Rgb16 fore) {
  AddTextField(win, static_cast<int16_t>(id), text, r, plat::FieldKind::Static, fore, back, 11);
}

void edit(int win, int id, const std::string& text, plat::Rect r) {
  AddTextField(win, static_cast<int16_t>(id), text, r, plat::FieldKind::Editable, {0, 0, 0}, lightBlue, 11);
}

void textAt(plat::Port& p, int x, int y, const std::string& s, int px, bool bold) {
  plat::FontSpec f;
  f.pixelSize = px;
  f.bold = bold;
  p.setFont(f);
  p.moveTo(x, y);
  p.drawText(s);
}

double fieldNumber(int win, int id) {
  const std::string s = plat::fieldText(win, id);
  return std::strtod(s.c_str(), nullptr);
}

}  // namespace fitparts
