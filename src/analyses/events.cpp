#include "analyses/events.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "platform/macroman.h"
#include "shell/textutil.h"

namespace {

constexpr int16_t kUnitSecondsId = 65;
constexpr int16_t kUnitHoursId = 67;
constexpr int16_t kUnitDaysId = 228;

// One direction's run in progress. Sums are shifted by the run's first
// value, so a large offset keeps its spread.
struct OpenRun {
  int32_t start = 0;
  double shift = 0.0, sum = 0.0, sum2 = 0.0;
  float lo = 0.0f, hi = 0.0f;
  void begin(int32_t k, float v) {
    start = k;
    shift = v;
    sum = sum2 = 0.0;
    lo = hi = v;
  }
  // Case after case: the sums keep their order, so every bit is what adding
  // one value at a time gives. Out of line, so that the running values stay
  // in registers rather than in the caller's spilled stack slots.
  [[gnu::noinline]] void addAll(const float* v, const float* end) {
    double s = sum, s2 = sum2;
    float a = lo, b = hi;
    for (; v < end; ++v) {
      const double d = *v - shift;
      s += d;
      s2 += d * d;
      a = std::min(a, *v);
      b = std::max(b, *v);
    }
    sum = s;
    sum2 = s2;
    lo = a;
    hi = b;
  }
};

// The run ended at case j, the first case outside it (the span's last case
// at the latest): kept when it lasted longer than the minimum.
void keepRun(const OpenRun& m, int32_t j, const EventRequest& r, std::vector<EventRecord>* kept) {
  const int32_t cases = j - m.start;
  const auto duration = static_cast<float>(r.interval * cases);
  if (!(duration > r.minDuration)) return;
  EventRecord e;
  e.start = m.start;
  e.cases = cases;
  e.duration = duration;
  const double mean = m.sum / cases;
  e.mean = m.shift + mean;
  e.sd = std::sqrt(std::max(0.0, m.sum2 / cases - mean * mean));
  e.minimum = m.lo;
  e.maximum = m.hi;
  kept->push_back(e);
}

DurationStats durationStats(const std::vector<EventRecord>& ev) {
  DurationStats s;
  s.n = static_cast<int32_t>(ev.size());
  if (ev.empty()) return s;
  double sum = 0.0;
  s.minimum = s.maximum = ev.front().duration;
  for (const EventRecord& e : ev) {
    sum += e.duration;
    s.minimum = std::min(s.minimum, e.duration);
    s.maximum = std::max(s.maximum, e.duration);
  }
  s.mean = sum / s.n;
  double ss = 0.0;
  for (const EventRecord& e : ev) ss += (e.duration - s.mean) * (e.duration - s.mean);
  s.sd = std::sqrt(ss / s.n);
  return s;
}

void fillBins(const std::vector<EventRecord>& ev, double lo, double w, std::array<int32_t, kEventBins + 1>* bins) {
  for (const EventRecord& e : ev) {
    const double x = e.duration - lo;
    if (!(x > 0.0)) continue;   // the shortest duration lands on the edge and is not drawn
    const double b = std::trunc(x / w + 0.999);
    if (b >= 1.0 && b <= kEventBins) ++(*bins)[static_cast<size_t>(b)];
  }
}


constexpr int kBlockCases = 64;

// Bit i of *above is set when y[i] >= g, of *below when y[i] <= l (neither
// for a NaN), for the n <= 64 cases at y; no case past n is read.
void levelMasks(const float* y, int n, float g, float l, uint64_t* above, uint64_t* below) {
  uint64_t a = 0, b = 0;
  int i = 0;
#if defined(__SSE2__)
  const __m128 vg = _mm_set1_ps(g), vl = _mm_set1_ps(l);
  for (; i + 4 <= n; i += 4) {
    const __m128 v = _mm_loadu_ps(y + i);
    a |= static_cast<uint64_t>(_mm_movemask_ps(_mm_cmpge_ps(v, vg))) << i;
    b |= static_cast<uint64_t>(_mm_movemask_ps(_mm_cmple_ps(v, vl))) << i;
  }
#endif
  for (; i < n; ++i) {
    a |= static_cast<uint64_t>(y[i] >= g) << i;
    b |= static_cast<uint64_t>(y[i] <= l) << i;
  }
  *above = a;
  *below = b;
}

// One direction's runs, fed block by block with the mask of the cases
// beyond its level.
struct RunTracker {
  const EventRequest& r;
  std::vector<EventRecord>* kept;
  OpenRun run;
  bool on = false;
  int32_t all = 0;

  void feed(const float* y, int32_t base, int n, uint64_t inside) {
    int i = 0;
    while (i < n) {
      if (!on) {
        const uint64_t ahead = inside >> i;
        if (!ahead) return;
        i += std::countr_zero(ahead);
        ++all;
        run.begin(base + i, y[i]);
        on = true;
      }
      const uint64_t outside = ~inside >> i;
      const int j = outside ? std::min(n, i + std::countr_zero(outside)) : n;
      run.addAll(y + i, y + j);
      if (j == n) return;
      on = false;
      keepRun(run, base + j, r, kept);
      i = j + 1;
    }
  }
};
}  // namespace

double LimitUnitSeconds(int16_t unit) {
  switch (unit) {
    case kUnitSecondsId: return 1.0;
    case kUnitHoursId: return 3600.0;
    case kUnitDaysId: return 86400.0;
    default: return 60.0;
  }
}

const char* LimitUnitSuffix(int16_t unit) {
  switch (unit) {
    case kUnitSecondsId: return " sec";
    case kUnitHoursId: return " hr";
    case kUnitDaysId: return " day";
    default: return " min";
  }
}

LimitScan ScanLimits(std::span<const float> y, int32_t first, int32_t last, float lo, float hi) {
  LimitScan s;
  if (first < 0 || last < first || static_cast<size_t>(last) >= y.size()) return s;
  const float* p = y.data();
  int64_t n = 0;
  double in = 0.0, all = 0.0;
  for (int32_t k = first; k <= last; ++k) {
    const float v = p[k];
    const bool inside = v >= lo && v <= hi;
    all += v;
    in += inside ? v : 0.0f;
    n += inside ? 1 : 0;
  }
  s.inLimits = n;
  s.sumIn = in;
  s.sumAll = all;
  return s;
}

TimeWithin TimeWithinLimits(const LimitScan& s, int32_t first, int32_t last, double interval, int16_t unit) {
  TimeWithin t;
  t.intervals = std::max<int64_t>(0, s.inLimits - 1);
  t.time = static_cast<float>(interval * static_cast<double>(t.intervals) / LimitUnitSeconds(unit));
  if (last > first) t.percent = static_cast<float>(static_cast<double>(t.intervals) * 100.0 / (last - first));
  return t;
}

SelectiveIntegral SelectiveIntegrate(const LimitScan& s, double interval, int16_t unit) {
  SelectiveIntegral r;
  const double f = interval / LimitUnitSeconds(unit);
  r.in = static_cast<float>(s.sumIn * f);
  r.all = static_cast<float>(s.sumAll * f);
  r.shareDefined = s.sumAll != 0.0;
  if (r.shareDefined) r.percent = static_cast<float>(std::min(100.0, s.sumIn * 100.0 / s.sumAll));
  return r;
}

EventCount CountEvents(std::span<const float> y, const EventRequest& r) {
  EventCount c;
  if (r.first < 0 || r.last < r.first || static_cast<size_t>(r.last) >= y.size()) return c;
  const float g = r.upper, l = r.lower;
  // A lower run already under way at the start is not one of "all".
  if (y[static_cast<size_t>(r.first)] < l) c.allDown = -1;
  // Both directions in one pass over blocks of cases: the comparisons of a
  // block at once, then the runs each direction has in it. A run ends at the
  // first case outside it; a run still going at the span's last case has no
  // end and is not kept.
  const float* p = y.data();
  RunTracker up{r, &c.up}, down{r, &c.down};
  for (int64_t base = r.first; base <= r.last; base += kBlockCases) {
    const auto n = static_cast<int>(std::min<int64_t>(kBlockCases, r.last - base + 1));
    uint64_t above, below;
    levelMasks(p + base, n, g, l, &above, &below);
    if (!(above | below) && !up.on && !down.on) continue;
    up.feed(p + base, static_cast<int32_t>(base), n, above);
    down.feed(p + base, static_cast<int32_t>(base), n, below);
  }
  c.allUp += up.all;
  c.allDown += down.all;
  c.upStats = durationStats(c.up);
  c.downStats = durationStats(c.down);

  // Bounds only from directions that kept something; no width, no bars.
  bool any = false;
  for (const DurationStats* s : {&c.upStats, &c.downStats}) {
    if (s->n == 0) continue;
    c.histLo = any ? std::min(c.histLo, s->minimum) : s->minimum;
    c.histHi = any ? std::max(c.histHi, s->maximum) : s->maximum;
    any = true;
  }
  const double w = (static_cast<double>(c.histHi) - c.histLo) / kEventBins;
  if (any && w > 0.0 && std::isfinite(w)) {
    fillBins(c.up, c.histLo, w, &c.upBins);
    fillBins(c.down, c.histLo, w, &c.downBins);
  }
  for (int b = 1; b <= kEventBins; ++b) c.maxBin = std::max({c.maxBin, c.upBins[b], c.downBins[b]});
  return c;
}

EventRateUnit EventRateUnitOf(int item) {
  switch (item) {
    case 2: return {" (/sec) ", 1.0};
    case 3: return {" (/min) ", 60.0};
    case 4: return {" (/hour) ", 3600.0};
    case 5: return {" (/day) ", 86400.0};
    default: return {"", 1.0};
  }
}

std::string EventDetailsText(const EventFileHeader& h, const EventRequest& r, const EventCount& c, int rateItem) {
  const EventRateUnit u = EventRateUnitOf(rateItem);
  std::string s = "EVENT COUNTER OUTPUT\n";
  s += "Source file: '" + h.fileName + "'     " + NumText(h.cases) + " cases," + NumText(h.channels) +
       " channels; " + h.date + "      sample interval" + NumText(r.interval) + " sec\n";
  s += "channel" + NumText(h.channel) + ":  " + h.label + "  includes cases" + NumText(r.first) + " to" +
       NumText(r.last) + "\n";
  s += "upper event trigger:" + NumText(r.upper) + "     lower event trigger:" + NumText(r.lower) + "\n";
  s += "direction\tduration (sec) \tstart CASE\tstart time (h) \tmean\tSD\tmaximum\tminimum\t\xB7 postive" +
       std::string(u.text) + "\t\xB7 negative" + u.text + "\n";
  double sumUp = 0.0, sumDown = 0.0;
  size_t i = 0, j = 0;
  while (i < c.up.size() || j < c.down.size()) {
    const bool upper = j >= c.down.size() || (i < c.up.size() && c.up[i].start <= c.down[j].start);
    const EventRecord& e = upper ? c.up[i++] : c.down[j++];
    (upper ? sumUp : sumDown) += e.duration * e.mean / u.divisor;
    double hours = h.startHours + r.interval * e.start / 3600.0;
    if (hours >= 24.0) hours = std::fmod(hours, 24.0);
    s += upper ? "+" : "-";
    s += "\t" + NumText(e.duration) + "\t" + NumText(e.start) + "\t" + NumText(hours) + "\t" +
         NumText(e.mean) + "\t" + (e.cases < 3 ? std::string(" ") : NumText(e.sd)) + "\t" + NumText(e.maximum) +
         "\t" + NumText(e.minimum) + "\t" + NumText(sumUp) + "\t" + NumText(sumDown) + "\n";
  }
  return plat::toDiskText(s);
}

float TriggerLevelAt(int v, float minY, float maxY, int upperLimit) {
  const auto perPixel = static_cast<float>((static_cast<double>(maxY) - minY) / (upperLimit - 4));
  return static_cast<float>(minY + static_cast<double>(upperLimit - 2 - v) * perPixel);
}
