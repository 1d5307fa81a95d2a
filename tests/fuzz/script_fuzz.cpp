// Any bytes as a script file: read or refused with the store untouched; a
// script read encodes to bytes that read back the same, and every step's
// viewer row and transform settings come from its numbers safely.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editing/transforms.h"
#include "scripts/scriptfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ScriptStore store;
  for (auto& step : store)
    for (float& f : step) f = 7.0f;
  ScriptStore before;
  std::memcpy(before, store, sizeof store);
  int16_t autoscript = -1;
  if (DecodeScriptFile(bytes, store, &autoscript) != ScriptFileStatus::Ok) {
    if (std::memcmp(before, store, sizeof store) != 0) std::abort();
    return 0;
  }
  const std::string again = EncodeScriptFile(store, autoscript);
  ScriptStore reread;
  int16_t flag = 0;
  if (DecodeScriptFile(again, reread, &flag) != ScriptFileStatus::Ok || flag != autoscript ||
      EncodeScriptFile(reread, flag) != again)
    std::abort();
  for (const auto& step : store) {
    (void)ScriptRow(step);
    if (StepCode(step) == kTransformOp) {
      const TransformSettings s = TransformFromStep(step);
      if (s.code == 20 && BreakpointTypesValid(s.breakpoint)) {
        float v[2] = {step[8], step[9]};
        ApplyTransform(v, nullptr, 0, 1, s);
      }
    }
  }
  return 0;
}
