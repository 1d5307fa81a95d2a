// Any bytes as a typed formula: compiled or refused with a caret inside the
// text; a refusal leaves nothing that runs, and compiled code runs within the
// stack it declares on any values.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "editing/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ExpressionCode code;
  const ParseOutcome o = ParseExpression(text, "x", "temp", &code);
  if (o.caret < 0 || static_cast<size_t>(o.caret) > std::min<size_t>(size, kMaxExpressionText)) std::abort();
  if (o.status != ParseStatus::Ok) {
    if (code.count != 0 || *ParseStatusText(o.status) == 0) std::abort();
    return 0;
  }
  if (code.count < 0 || code.count > kMaxCodeWords || code.depth > kMaxStackDepth ||
      code.nConstants > kMaxConstants)
    std::abort();
  for (double x : {0.0, -1.5, 1e30, std::nan("")})
    (void)EvaluateExpression(code, x, 2.0);
  const float xs[3] = {1.0f, -2.0f, 0.0f};
  float out[3];
  EvaluateExpressionSpan(code, xs, nullptr, out, 3);
  return 0;
}
