#include "plot/yscale.h"

#include <charconv>
#include <cmath>

#include "plot/autoscale.h"
#include "shell/worktables.h"

const char* ManualLimitsStatusText(ManualLimitsStatus s) {
  switch (s) {
    case ManualLimitsStatus::Ok: return "ok";
    case ManualLimitsStatus::NotANumber: return "a limit is not a number";
    case ManualLimitsStatus::NotAboveMinimum: return "the maximum is not above the minimum";
  }
  return "";
}

bool ReadStrictNumber(std::string_view text, double* out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  // from_chars takes no '+': one is stepped over, and a sign after it ("+-1") is refused.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) return false;
  }
  if (text.empty()) return false;
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

ManualLimitsStatus ReadManualLimits(std::string_view minText, std::string_view maxText, float* lo, float* hi) {
  double a = 0, b = 0;
  if (!ReadStrictNumber(minText, &a) || !ReadStrictNumber(maxText, &b)) return ManualLimitsStatus::NotANumber;
  const auto fa = static_cast<float>(a), fb = static_cast<float>(b);
  // Compared as stored: two texts that round to one float are no range.
  if (!std::isfinite(fa) || !std::isfinite(fb)) return ManualLimitsStatus::NotANumber;
  if (!(fb > fa)) return ManualLimitsStatus::NotAboveMinimum;
  *lo = fa;
  *hi = fb;
  return ManualLimitsStatus::Ok;
}

bool OrderPickedLimits(float a, float b, float* lo, float* hi) {
  if (a == b) return false;
  *lo = a < b ? a : b;
  *hi = a < b ? b : a;
  return true;
}

void ExpandedLimits(float minimum, float maximum, float f, float* lo, float* hi) {
  const float span = maximum - minimum;
  *hi = maximum + f * span;
  *lo = minimum - f * span;
}

float ScaleFactorOfMode(uint16_t scaleMode) {
  return scaleMode == plotcore::kScaleManual ? -1.0f : static_cast<float>(scaleMode);
}

void SetChannelScaleMode(int16_t channel, uint16_t scaleMode) {
  if (channel < 1 || channel > 32) return;
  scalefact[channel][4] = ScaleFactorOfMode(scaleMode);
}

void SetChannelManualLimits(int16_t channel, float lo, float hi) {
  if (channel < 1 || channel > 32) return;
  scalefact[channel][4] = -1.0f;
  scalefact[channel][5] = lo;
  scalefact[channel][6] = hi;
}
