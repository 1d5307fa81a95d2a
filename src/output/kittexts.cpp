#include "output/kittexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/numberformat.h"
#include "shell/store.h"
#include "shell/timeunits.h"

uint16_t minutes = 0;
int16_t row = 5;

namespace {

// At most `digits` significant digits in fixed form, whole numbers kept
// whole (a week in minutes is no exponent), trailing zeros dropped; one
// blank in front unless negative.
std::string significantText(double v, int digits) {
  if (!std::isfinite(v)) return RealText(v, digits);
  const double a = std::fabs(v);
  const int intDigits = a < 1.0 ? 0 : static_cast<int>(std::floor(std::log10(a))) + 1;
  int decimals = std::max(0, digits - intDigits);
  if (a > 0.0 && a < 1.0) decimals = digits - 1 - static_cast<int>(std::floor(std::log10(a)));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", std::min(decimals, 30), v);
  std::string t = buf;
  if (t.find('.') != std::string::npos) {
    t.erase(t.find_last_not_of('0') + 1);
    if (t.back() == '.') t.pop_back();
  }
  if (t == "-0") t = "0";
  return t[0] == '-' ? t : " " + t;
}

}  // namespace

HeaderTexts ResultsHeaderTexts(int16_t ch, const std::string& label, int32_t beginBlock, int32_t endBlock,
                               float interval) {
  HeaderTexts h;
  h.channelLine = "  Channel" + IntText(ch) + "   " + FitLabel(label);
  const double d = static_cast<double>(int64_t{endBlock} - beginBlock) * interval;
  h.minutes = d >= 600.0 ? 1 : 0;
  const double value = h.minutes ? SecondsToMinutes(d) : d;
  const char* unit = h.minutes ? " min         " : " sec         ";
  h.casesLine = " cases" + IntText(int64_t{beginBlock}) + " to" + IntText(int64_t{endBlock}) +
                ";  duration" + significantText(value, 4) + unit;
  return h;
}

// ---- Furniture -------------------------------------------------------------------------------

plat::Rect ChannelButtonRect(int16_t c) {
  // Side by side, never one pixel over the next.
  if (c >= 1 && c <= 9) return {14 * c + 22, 260, 14 * c + 36, 276};
  if (c >= 10 && c <= 17) return {19 * c - 27, 260, 19 * c - 8, 276};
  if (c >= 18 && c <= 32) return {21 * c - 373, 277, 21 * c - 353, 293};
  return {};
}

std::string ChannelButtonTitle(int16_t c) {
  if (c < 1) return {};
  return std::to_string(c <= 9 ? c % 10 : c % 100);
}

bool KitShowsDistributionButtons(int16_t ac) { return ac <= 3 || ac == 8 || ac == 11; }

bool HeaderMarksChannel(int16_t ac) { return !(ac == 2 || ac == 3 || ac == 8 || ac == 11 || ac == 99); }

bool UnitButtonsShown(int16_t unit, int16_t ac) { return unit != 0 && ac >= 0; }

int16_t ChannelOfKey(char key, int16_t nChannels) {
  int16_t c = 0;
  if (key >= '1' && key <= '9')
    c = static_cast<int16_t>(key - '0');
  else if (key == '0')
    c = 10;
  else if (key == '!')
    c = 11;
  else if (key == '@')
    c = 12;
  else if (key == '#')
    c = 13;
  else if (key == '$')
    c = 14;
  return c <= nChannels ? c : int16_t{0};
}
