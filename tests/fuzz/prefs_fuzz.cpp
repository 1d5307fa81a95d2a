// Any bytes as a preferences file: decoded and repaired, or refused; what is
// decoded encodes to bytes that decode to the same settings.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SavedSettings s;
  if (DecodeSettings(std::string(reinterpret_cast<const char*>(data), size), &s) != PrefsStatus::Ok) return 0;
  RepairSavedSettings(s);
  const std::string once = EncodeSettings(s);
  SavedSettings again;
  if (DecodeSettings(once, &again) != PrefsStatus::Ok || EncodeSettings(again) != once) std::abort();
  return 0;
}
