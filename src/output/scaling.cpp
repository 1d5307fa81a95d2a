#include "output/scaling.h"

#include <charconv>
#include <cmath>

#include "output/results.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

namespace {
bool validChannel(int16_t c) { return c >= 1 && c <= 32; }
}  // namespace

ResultScale ScaleOfEntry(const ScalingEntry& e) {
  ResultScale s;
  s.offset = e.offset;
  const double f = e.factor;
  if (f == 0.0 || !std::isfinite(f)) return s;
  s.k = e.op == 0.0f ? 1.0 / f : f;
  return s;
}

ResultScale ResultScaleFor(bool rscale, const ScalingEntry& e) {
  return rscale ? ScaleOfEntry(e) : ResultScale{};
}

ResultScale ResultScaleOf(int16_t channel, bool rscale) {
  if (!rscale || !validChannel(channel)) return {};
  return ScaleOfEntry(ScalingEntryOf(channel));
}

ResultScale CurrentResultScale(int16_t channel) { return ResultScaleOf(channel, Rscale != 0); }

ScalingEntry ScalingEntryOf(int16_t channel) {
  if (!validChannel(channel)) return {};
  const float* r = scalefact[channel];
  return {r[kScaleOpElement], r[kScaleFactorElement], r[kScaleOffsetElement]};
}

void StoreScalingEntry(int16_t channel, const ScalingEntry& e) {
  if (!validChannel(channel)) return;
  float* r = scalefact[channel];
  r[kScaleOpElement] = e.op;
  r[kScaleFactorElement] = e.factor;
  r[kScaleOffsetElement] = e.offset;
}

void ResetAllScaling() {
  for (int16_t c = 1; c <= 32; ++c) StoreScalingEntry(c, ScalingEntry{});
}

ScalingMark ScalingMarkOf(const ScalingEntry& e) {
  if (e.factor == 1.0f) return ScalingMark::None;
  return e.op != 0.0f ? ScalingMark::Multiply : ScalingMark::Divide;
}

OperationClick OperationOfButton(int16_t id) {
  if (id >= 1 && id <= 32) return {id, false};
  if (id >= 33 && id <= 64) return {static_cast<int16_t>(id - 32), true};
  return {};
}

std::string OfferedFactorText(double offered) {
  if (offered == 0.0) return {};
  return ScalingFieldText(static_cast<float>(offered));
}

std::string ScalingFieldText(float v) { return FieldNumText(v); }

bool ParseFieldNumber(std::string_view text, double* value) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars would accept "inf" and "nan".
  if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
  double v = 0.0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(v)) return false;
  *value = negative ? -v : v;
  return true;
}

ScalingFieldsRead ReadScalingFields(const ScalingEntry& current, std::string_view factorText,
                                    std::string_view offsetText) {
  ScalingFieldsRead r;
  r.entry = current;
  double f = 0.0;
  if (ParseFieldNumber(factorText, &f) && static_cast<float>(f) != 0.0f && std::isfinite(static_cast<float>(f)))
    r.entry.factor = static_cast<float>(f);
  else
    r.factorRefused = true;
  double o = 0.0;
  if (ParseFieldNumber(offsetText, &o) && std::isfinite(static_cast<float>(o)))
    r.entry.offset = static_cast<float>(o);
  else
    r.offsetRefused = true;
  return r;
}

int16_t ScalingWindowExtraHeight(int16_t nChannels) {
  return nChannels > 12 ? static_cast<int16_t>(22 * nChannels - 264) : int16_t{0};
}
