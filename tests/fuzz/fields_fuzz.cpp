// Any bytes as what a user types into a number, date or clock field: each
// reader accepts or refuses, and what it accepts is a value the dialogs can
// use (finite numbers, real dates, clock times within a day).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "datafiles/filehelpers.h"
#include "output/scaling.h"
#include "plot/yscale.h"
#include "shell/textutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)TextToNum(text);
  double v = 0;
  if (ReadStrictNumber(text, &v) && !std::isfinite(v)) std::abort();
  if (ParseFieldNumber(text, &v) && std::isnan(v)) std::abort();
  const size_t half = size / 2;
  float lo = 0, hi = 0;
  if (ReadManualLimits(text.substr(0, half), text.substr(half), &lo, &hi) == ManualLimitsStatus::Ok && !(lo < hi))
    std::abort();
  CivilDate d{};
  if (ParseDateText(text, &d) && (d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.month, d.year)))
    std::abort();
  const int32_t s = ClockTextSeconds(text);
  if (s >= 0) (void)ClockText(s % 86400);
  (void)StartMinutesOf(text);
  return 0;
}
