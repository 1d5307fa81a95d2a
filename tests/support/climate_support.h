// A climate recording the thermoregulation tests share: two days at ten
// minutes, with one clock fault.
#pragma once
#include <cmath>
#include <cstdint>

#include "shell/store.h"

namespace testsupport {

// Cases 1..cases of slot: 1 shade Ta, 2 sun Ta (6 degrees warmer), 3 time of
// day in hours, 4 day of year from 100; case 100's time of day is wrong.
// The slot is allocated here; false when it could not be.
inline bool MakeClimateFile(int16_t slot, int32_t cases) {
  if (AllocateSlot(slot, cases, 4) != StoreStatus::Ok) return false;
  for (int32_t k = 1; k <= cases; ++k) {
    const double hours = (k - 1) * 600.0 / 3600.0;
    const float shade = static_cast<float>(12 + 8 * std::sin((std::fmod(hours, 24.0) - 9) / 24 * 2 * M_PI));
    PutDatum(slot, 1, k, shade);
    PutDatum(slot, 2, k, shade + 6);
    PutDatum(slot, 3, k, static_cast<float>(std::fmod(hours, 24.0)));
    PutDatum(slot, 4, k, static_cast<float>(100 + static_cast<int>(hours / 24)));
  }
  PutDatum(slot, 3, 100, 1.0f);
  return true;
}

}  // namespace testsupport
