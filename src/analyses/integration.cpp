#include "analyses/integration.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analyses/descriptive.h"
#include "output/results.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

double ibase = 0.0;

double IntegrationSamplesPerUnit(int16_t unit, float interval) {
  if (unit == kUnitNoneIntegration) return 1.0;
  if (!(interval > 0.0f)) return 1.0;
  switch (unit) {
    case kUnitMinutes: return 60.0f / interval;
    case kUnitHours: return 3600.0f / interval;
    case kUnitDays: return 86400.0f / interval;
    default: return 1.0f / interval;
  }
}

int16_t IntegrationUnitButton(int16_t unit) {
  switch (unit) {
    case kUnitNoneIntegration:
    case kUnitMinutes:
    case kUnitHours:
    case kUnitDays: return unit;
    default: return kUnitSeconds;
  }
}

namespace {

struct Baseline {
  double start = 0.0, slope = 0.0;
  bool proportional = false;
};

Baseline baselineOf(std::span<const float> x, const IntegrationRequest& r) {
  const double xs = x[static_cast<size_t>(r.first)], xe = x[static_cast<size_t>(r.last)];
  Baseline b;
  switch (r.mode) {
    case kBaseBlockStart: b.start = xs; break;
    case kBaseBlockEnd: b.start = xe; break;
    case kBaseLinear:
      b.proportional = true;
      // A one-case span has no slope to divide out.
      b.slope = r.last > r.first ? static_cast<double>(x[static_cast<size_t>(r.last)] - x[static_cast<size_t>(r.first)]) /
                                       (r.last - r.first)
                                 : 0.0;
      b.start = xs - b.slope;
      break;
    case kBaseUserSet: b.start = r.userBase; break;
    default: break;
  }
  return b;
}

bool spanOk(std::span<const float> data, const IntegrationRequest& r) {
  return r.first >= 0 && r.first <= r.last && static_cast<size_t>(r.last) < data.size();
}

}  // namespace

bool IntegrateSpan(std::span<const float> data, const IntegrationRequest& req, std::span<const float> selection,
                   IntegrationResult* out) {
  if (!spanOk(data, req) || (!selection.empty() && static_cast<size_t>(req.last) >= selection.size())) return false;
  const Baseline b = baselineOf(data, req);
  IntegrationResult r;
  r.baseStart = b.start;
  r.slope = b.slope;
  double base = b.start;
  for (int32_t k = req.first; k <= req.last; ++k) {
    if (b.proportional) base += b.slope;
    if (!selection.empty() && selection[static_cast<size_t>(k)] < 1.0f) continue;
    ++r.n;
    r.sum = (r.sum + data[static_cast<size_t>(k)]) - base;
  }
  r.finalBase = base;
  r.samplesPerUnit = IntegrationSamplesPerUnit(req.unit, req.interval);
  r.integral = r.sum / r.samplesPerUnit;
  *out = r;
  return true;
}

std::vector<float> RunningIntegral(std::span<const float> data, const IntegrationRequest& req) {
  std::vector<float> c;
  if (!spanOk(data, req)) return c;
  const Baseline b = baselineOf(data, req);
  c.reserve(static_cast<size_t>(req.last - req.first) + 1);
  double base = b.start, acc = 0.0;
  for (int32_t k = req.first; k <= req.last; ++k) {
    if (b.proportional) base += b.slope;
    acc = acc + data[static_cast<size_t>(k)] - base;
    c.push_back(static_cast<float>(acc));
  }
  return c;
}

CumulativePlot LayOutCumulativePlot(std::span<const float> all, int h) {
  CumulativePlot p;
  std::vector<float> kept;
  kept.reserve(all.size());
  for (float c : all)
    if (std::isfinite(c)) kept.push_back(c);
  p.kept = static_cast<int32_t>(kept.size());
  if (kept.empty()) return p;
  // kept is not empty: both leave the infinities at its first value.
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (float c : kept) {
    lo = std::min<double>(lo, c);
    hi = std::max<double>(hi, c);
  }
  p.smallest = lo;
  p.largest = hi;
  const int bottom = h - 88;
  const double f = hi > lo ? (h - 95) / (hi - lo) : 0.0;
  // A constant integral is drawn across the middle.
  const double y0 = hi > lo ? std::trunc(bottom + f * lo) : (6 + bottom) / 2;
  auto yOf = [&](double c) { return static_cast<int>(std::clamp(std::trunc(y0 - c * f), -30000.0, 30000.0)); };
  if (lo < 0.0 && hi > 0.0) p.zeroY = static_cast<int>(std::clamp(std::trunc(f * hi + 8), -30000.0, 30000.0));
  const double dx = 295.0 / static_cast<double>(kept.size());
  double x = 120.0;
  int px = 120, py = yOf(kept[0]);
  if (p.kept < kColumnEnvelopeFrom) {
    if (p.kept <= kMarkedPointsUpTo) p.marks.push_back({px, py});
    for (size_t i = 1; i < kept.size(); ++i) {
      x += dx;
      const int nx = static_cast<int>(x), ny = yOf(kept[i]);
      p.lines.push_back({px, py, nx, ny});
      if (p.kept <= kMarkedPointsUpTo) p.marks.push_back({nx, ny});
      px = nx;
      py = ny;
    }
    return p;
  }
  int col = 120, top = py, low = py;
  for (size_t i = 1; i < kept.size(); ++i) {
    x += dx;
    const int nx = static_cast<int>(x), y = yOf(kept[i]);
    if (nx != col) {
      p.lines.push_back({col, top, col, low});
      p.lines.push_back({px, py, col, y < top ? top : low});
      px = col;
      py = y;
      col = nx;
      top = low = y;
    } else {
      top = std::min(top, y);
      low = std::max(low, y);
    }
  }
  p.lines.push_back({col, top, col, low});
  return p;
}

float Accumulate(float total, double integral, AccumulatorOp op) {
  switch (op) {
    case AccumulatorOp::Clear: return 0.0f;
    case AccumulatorOp::Add: return static_cast<float>(integral + total);
    case AccumulatorOp::Subtract: return static_cast<float>(total - integral);
  }
  return total;
}

bool IntegrateChannel(int16_t slot, int16_t channel, const IntegrationRequest& req, IntegrationResult* out) {
  if (!ValidFileSlot(slot) || channel < 1 || channel > nChannels[slot]) return false;
  const float* data = ChannelData(slot, channel);
  if (!data) return false;
  CaseFilter f;
  const bool selection = UseCrossChanIndex != 0 && SelectedCaseCount(slot) > 0;
  if (!CurrentCaseFilter(false, selection, nCases[slot], &f)) return false;
  return IntegrateSpan({data, static_cast<size_t>(nCases[slot]) + 1}, req, f.selection, out);
}

void StoreIntegrationResult(const IntegrationRequest& req, const IntegrationResult& r) {
  meanValue = r.integral;
  nrPoints = r.n;
  BGA = req.first;
  EDA = req.last;
  // The span the result covers, also when it is stored from the menu.
  x1float = static_cast<float>(req.first);
  x2 = static_cast<float>(req.last);
  ibase = r.finalBase;
  Analysis_Code = kIntegrationAnalysisCode;
}

void FillIntegrationScriptStep(float (&step)[28]) {
  std::fill(std::begin(step), std::end(step), 0.0f);
  step[1] = kIntegrationScriptOp;
}
