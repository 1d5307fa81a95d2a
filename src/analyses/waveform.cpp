#include "analyses/waveform.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "analyses/extremes.h"
#include "output/numberformat.h"
#include "platform/cpu.h"
#include "platform/lanes.h"
#include "platform/macroman.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

#if CORVIMET_X86_DISPATCH
#include <immintrin.h>
#endif

float WaveTables::at(int section, size_t entry) const {
  const std::vector<float>& v = s[static_cast<size_t>(section)];
  return entry < v.size() ? v[entry] : 0.0f;
}

void WaveTables::set(int section, size_t entry, float v) {
  std::vector<float>& t = s[static_cast<size_t>(section)];
  if (entry >= t.size()) t.resize(std::max(entry + 1, t.size() * 2), 0.0f);
  t[entry] = v;
}

namespace {

struct Amplitudes {
  double sum = 0.0, sum2 = 0.0;
  int32_t n = 0;
  void add(double a) {
    sum += a;
    sum2 += a * a;
    ++n;
  }
};

// Bit k of the word: case from + k has the shape of a peak above the peak
// trigger or of a valley below the valley trigger, for the n <= 64 cases
// from `from`; reads y[from - 2] to y[from + n + 1]. Only those cases can be
// extremes (the skip after a peak aside), and in a sampled wave they are
// few: the scan tests all cases a vector at a time and stops at those.
[[gnu::always_inline]] inline bool extremeShape(const float* p, float peakTrigger, float valleyTrigger) {
  const float a2 = p[-2], a1 = p[-1], c = p[0], b1 = p[1], b2 = p[2];
  return ((a2 < a1) & (a1 <= c) & (c >= b1) & (b1 > b2) & (c > peakTrigger)) |
         ((a2 > a1) & (a1 >= c) & (c <= b1) & (b1 < b2) & (c < valleyTrigger));
}

// The scan stops at the extremes between its words, and the hardware's own
// fetching falls behind: the cases 2 KB on are asked for as each word is
// formed.
using lanes::prefetchAhead;

uint64_t extremeCasesBase(const float* y, int32_t from, int n, float peakTrigger, float valleyTrigger) {
  uint64_t t = 0;
  int k = 0;
  const float* p = y + from;
#if defined(__SSE2__)
  const __m128 pt = _mm_set1_ps(peakTrigger), vt = _mm_set1_ps(valleyTrigger);
  const auto shape = [&](int at) {
    const __m128 a2 = _mm_loadu_ps(p + at - 2), a1 = _mm_loadu_ps(p + at - 1), c = _mm_loadu_ps(p + at);
    const __m128 b1 = _mm_loadu_ps(p + at + 1), b2 = _mm_loadu_ps(p + at + 2);
    const __m128 peak = _mm_and_ps(_mm_and_ps(_mm_and_ps(_mm_cmplt_ps(a2, a1), _mm_cmple_ps(a1, c)),
                                              _mm_and_ps(_mm_cmpge_ps(c, b1), _mm_cmpgt_ps(b1, b2))),
                                   _mm_cmpgt_ps(c, pt));
    const __m128 valley = _mm_and_ps(_mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(a2, a1), _mm_cmpge_ps(a1, c)),
                                                _mm_and_ps(_mm_cmple_ps(c, b1), _mm_cmplt_ps(b1, b2))),
                                     _mm_cmplt_ps(c, vt));
    return _mm_castps_si128(_mm_or_ps(peak, valley));
  };
  for (; k + 16 <= n; k += 16) {
    prefetchAhead(p + k);
    const __m128i lo = _mm_packs_epi32(shape(k), shape(k + 4)), hi = _mm_packs_epi32(shape(k + 8), shape(k + 12));
    t |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)))) << k;
  }
#endif
  for (; k < n; ++k) t |= static_cast<uint64_t>(extremeShape(p + k, peakTrigger, valleyTrigger)) << k;
  return t;
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] uint64_t extremeCasesAvx2(const float* y, int32_t from, int n, float peakTrigger,
                                                  float valleyTrigger) {
  uint64_t t = 0;
  int k = 0;
  const float* p = y + from;
  const __m256 pt = _mm256_set1_ps(peakTrigger), vt = _mm256_set1_ps(valleyTrigger);
  for (; k + 8 <= n; k += 8) {
    prefetchAhead(p + k);
    const __m256 a2 = _mm256_loadu_ps(p + k - 2), a1 = _mm256_loadu_ps(p + k - 1), c = _mm256_loadu_ps(p + k);
    const __m256 b1 = _mm256_loadu_ps(p + k + 1), b2 = _mm256_loadu_ps(p + k + 2);
    const __m256 peak =
        _mm256_and_ps(_mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(a2, a1, _CMP_LT_OQ), _mm256_cmp_ps(a1, c, _CMP_LE_OQ)),
                                    _mm256_and_ps(_mm256_cmp_ps(c, b1, _CMP_GE_OQ), _mm256_cmp_ps(b1, b2, _CMP_GT_OQ))),
                      _mm256_cmp_ps(c, pt, _CMP_GT_OQ));
    const __m256 valley =
        _mm256_and_ps(_mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(a2, a1, _CMP_GT_OQ), _mm256_cmp_ps(a1, c, _CMP_GE_OQ)),
                                    _mm256_and_ps(_mm256_cmp_ps(c, b1, _CMP_LE_OQ), _mm256_cmp_ps(b1, b2, _CMP_LT_OQ))),
                      _mm256_cmp_ps(c, vt, _CMP_LT_OQ));
    t |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_ps(_mm256_or_ps(peak, valley)))) << k;
  }
  for (; k < n; ++k) t |= static_cast<uint64_t>(extremeShape(p + k, peakTrigger, valleyTrigger)) << k;
  return t;
}
#endif

using ExtremeCases = uint64_t (*)(const float*, int32_t, int, float, float);

ExtremeCases extremeCases() {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return extremeCasesAvx2;
#endif
  return extremeCasesBase;
}

void normalMethod(std::span<const float> y, const WaveRequest& r, WaveResult* w) {
  const float* p = y.data();
  auto t = [&r](int32_t k) { return k * r.dt; };
  int32_t n = 0, rise = 0, decay = 0;
  int64_t allowed = 0;
  bool lastWasPeak = false, pending = false, prior = false, peakWaits = false;
  float lastValley = 0.0f;
  double lastTime = t(r.first), lastPeakTime = 0.0, intervalSum = 0.0;
  double v = 0.0, vs = 0.0, ps = 0.0;
  Amplitudes amp;
  w->intervals.assign(1, 0.0f);
  const int32_t end = r.last - 2;
  int32_t i = r.first + 2;
  // The cases shaped as extremes among the 64 from wordAt.
  const ExtremeCases shaped = extremeCases();
  int32_t wordAt = i;
  uint64_t word = 0;
  bool haveWord = false;
  for (;;) {
    // On to the next case shaped as an extreme: every case between is
    // neither peak nor valley. After an extreme the scan resumes three
    // cases on.
    while (i <= end) {
      if (!haveWord || i - wordAt >= 64) {
        wordAt = i;
        word = shaped(p, i, std::min(64, end - i + 1), r.peakTrigger, r.valleyTrigger);
        haveWord = true;
      }
      const uint64_t rest = word >> (i - wordAt);
      if (rest) {
        i += std::countr_zero(rest);
        break;
      }
      i = wordAt + 64;
    }
    if (i > end) break;
    const float a2 = p[i - 2], a1 = p[i - 1], c = p[i], b1 = p[i + 1], b2 = p[i + 2];
    // Each test of the shapes taken whole, without a branch per comparison.
    const bool valley = (a2 > a1) & (a1 >= c) & (c <= b1) & (b1 < b2) & (c < r.valleyTrigger);
    if ((a2 < a1) & (a1 <= c) & (c >= b1) & (b1 > b2) & (c > r.peakTrigger) & (i >= allowed)) {
      ++n;
      w->tables.set(0, static_cast<size_t>(n), c);
      allowed = int64_t{i} + r.skip;
      peakWaits = true;
      if (!lastWasPeak) w->tables.set(1, static_cast<size_t>(++rise), static_cast<float>(t(i) - lastTime));
      lastTime = t(i);
      w->pv = c;
      w->peakSum += c;
      ps += double{c} * c;
      w->peakCases.push_back(i);
      if (n > 1) {
        const double interval = t(i) - lastPeakTime;
        w->intervals.resize(static_cast<size_t>(n) + 1, 0.0f);
        w->intervals[static_cast<size_t>(n)] = static_cast<float>(interval);
        intervalSum += interval;
        // Two peaks without a valley between share one index: the second
        // interval replaces the first.
        w->tables.set(3, static_cast<size_t>(rise), static_cast<float>(interval));
        w->tables.set(4, static_cast<size_t>(rise), c - lastValley);
      }
      lastPeakTime = t(i);
      if (n == 1) prior = pending;
      lastWasPeak = true;
      if (prior && pending) {
        amp.add(double{c} - lastValley);
        pending = peakWaits = false;
      }
      i += 3;
      continue;
    }
    if (!valley) {
      ++i;
      continue;
    }
    if (lastWasPeak) w->tables.set(2, static_cast<size_t>(++decay), static_cast<float>(t(i) - lastTime));
    lastTime = t(i);
    v += c;
    vs += double{c} * c;
    ++w->valleys;
    w->valleySum += c;
    lastValley = c;
    w->valleyCases.push_back(i);
    if (peakWaits && !prior) {
      amp.add(double{w->pv} - c);
      peakWaits = pending = false;
    } else {
      pending = true;
    }
    lastWasPeak = false;
    i += 3;
  }
  w->tables.set(1, 0, static_cast<float>(rise));
  w->tables.set(2, 0, static_cast<float>(decay));
  w->nPeaks = n;
  w->prior = prior;
  if (n > 1) {
    w->P = static_cast<float>(intervalSum / (n - 1));
    double ss = 0.0;
    for (int32_t k = 2; k <= n; ++k) {
      const double d = w->intervals[static_cast<size_t>(k)] - static_cast<double>(w->P);
      ss += d * d;
    }
    if (n > 2) w->sd = static_cast<float>(std::sqrt(ss / (n - 1)));
  }
  w->kFloat = static_cast<float>(intervalSum);
  w->v = static_cast<float>(v);
  w->vs = static_cast<float>(vs);
  w->vn = static_cast<float>(w->valleys);
  w->ps = static_cast<float>(ps);
  w->dn = static_cast<float>(amp.n);
  w->dw = static_cast<float>(amp.sum);
  w->ds = static_cast<float>(amp.sum2);
  if (amp.n > 1) {
    const double var = amp.sum2 - amp.sum * amp.sum / amp.n;
    w->kFloat = static_cast<float>(amp.n - 1);
    w->VarXX = static_cast<float>(var);
    w->dxx = static_cast<float>(std::sqrt(std::max(0.0, var) / (amp.n - 1)));
  }
}

// Runs beyond the trigger of five cases or more: the five-case window with
// the best sum (a later one must be strictly better) stands for the run.
template <class Beyond, class Better>
void bestWindows(std::span<const float> y, const WaveRequest& r, Beyond beyond, Better better,
                 std::vector<double>* means, std::vector<int32_t>* centres) {
  const float* p = y.data();
  for (int32_t i = r.first; i <= r.last - 5;) {
    if (!beyond(p[i])) {
      ++i;
      continue;
    }
    int32_t j = i;
    while (j < r.last && beyond(p[j + 1])) ++j;
    if (j - i + 1 <= 4) {
      ++i;
      continue;
    }
    double sum = 0.0;
    for (int32_t k = i; k < i + 5; ++k) sum += p[k];
    double best = sum;
    int32_t at = i;
    for (int32_t s = i + 1; s + 4 <= j; ++s) {
      sum += double{p[s + 4]} - p[s - 1];
      if (better(sum, best)) {
        best = sum;
        at = s;
      }
    }
    means->push_back(best / 5.0);
    centres->push_back(at + 2);
    i = j + 3;   // two cases after the first one back inside the trigger
  }
}

void highLow5(std::span<const float> y, const WaveRequest& r, WaveResult* w) {
  std::vector<double> peaks, valleys;
  bestWindows(y, r, [&r](float v) { return v >= r.peakTrigger; }, [](double a, double b) { return a > b; }, &peaks,
              &w->peakCases);
  bestWindows(y, r, [&r](float v) { return v <= r.valleyTrigger; }, [](double a, double b) { return a < b; },
              &valleys, &w->valleyCases);
  const auto n = static_cast<int32_t>(peaks.size());
  for (size_t k = 0; k < peaks.size(); ++k) {
    w->tables.set(0, k + 1, static_cast<float>(peaks[k]));
    w->tables.set(1, k + 1, static_cast<float>(w->peakCases[k] * r.dt));
    w->peakSum += peaks[k];
  }
  for (size_t k = 0; k < valleys.size(); ++k) {
    w->tables.set(2, k + 1, static_cast<float>(valleys[k]));
    w->tables.set(3, k + 1, static_cast<float>(w->valleyCases[k] * r.dt));
    w->valleySum += valleys[k];
  }
  w->nPeaks = n;
  w->valleys = static_cast<int32_t>(valleys.size());
  w->vn = static_cast<float>(w->valleys);
  w->prior = !valleys.empty() && n > 0 && w->valleyCases.front() <= w->peakCases.front();
  if (n > 1) {
    const double mean = (w->peakCases.back() - w->peakCases.front()) * r.dt / (n - 1);
    double ss = 0.0;
    for (int32_t k = 1; k < n; ++k) {
      const double d = (w->peakCases[static_cast<size_t>(k)] - w->peakCases[static_cast<size_t>(k) - 1]) * r.dt - mean;
      ss += d * d;
    }
    w->P = static_cast<float>(mean);
    w->sd = static_cast<float>(std::sqrt(ss / (n - 1)));
  }
  // Only pairs that both exist.
  const size_t m = std::min(peaks.size(), valleys.size());
  Amplitudes amp;
  for (size_t k = 0; k < m; ++k) amp.add(peaks[k] - valleys[k]);
  w->dn = static_cast<float>(amp.n);
  w->dw = static_cast<float>(amp.sum);
  if (amp.n > 0) {
    const double mean = amp.sum / amp.n;
    double ss = 0.0;
    for (size_t k = 0; k < m; ++k) ss += (peaks[k] - valleys[k] - mean) * (peaks[k] - valleys[k] - mean);
    w->dxx = static_cast<float>(std::sqrt(ss / amp.n));
  }
}

}  // namespace

WaveResult FindWaves(std::span<const float> y, const WaveRequest& r) {
  WaveResult w;
  if (r.first < 0 || r.last - r.first + 1 < 5 || static_cast<size_t>(r.last) >= y.size()) return w;
  if (r.normal) normalMethod(y, r, &w);
  else highLow5(y, r, &w);
  return w;
}

WaveBlockRange WaveBlockExtremes(std::span<const float> y, int32_t first, int32_t last) {
  RunningExtremes<> e;
  for (int32_t k = std::max(first, 0); k <= last && static_cast<size_t>(k) < y.size(); ++k)
    e.add(y[static_cast<size_t>(k)]);
  const WaveBlockRange none;
  return {e.loOr(none.lo), e.hiOr(none.hi)};
}

PeriodShown ShowPeriodIn(double P, int unit) {
  switch (unit) {
    case 1: return {1.0 / P, " Hz"};
    case 2: return {1000.0 / P, " mHz"};
    case 3: return {0.001 / P, " KHz"};
    case 5: return {P * 1000.0, " msec"};
    case 7: return {SecondsToMinutes(P), " min"};
    case 8: return {SecondsToHours(P), " hours"};
    default: return {P, " sec"};
  }
}

ShapeStats ShapeStatsOf(const std::vector<float>& section, size_t count) {
  ShapeStats s;
  s.n = std::min(count, kWaveValueLimit);
  double sum = 0.0;
  for (size_t j = 1; j <= s.n; ++j) {
    const float x = j < section.size() ? section[j] : 0.0f;
    sum += x;
    s.minimum = j == 1 ? x : std::min(s.minimum, x);
    s.maximum = j == 1 ? x : std::max(s.maximum, x);
  }
  s.mean = s.n > 0 ? sum / static_cast<double>(s.n) : std::nan("");
  double ss = 0.0;
  for (size_t j = 1; j <= s.n; ++j) {
    const double d = (j < section.size() ? section[j] : 0.0f) - s.mean;
    ss += d * d;
  }
  s.sd = s.n > 0 ? std::sqrt(ss / static_cast<double>(s.n)) : std::nan("");
  return s;
}

double WaveZ(double m1, double s1, double n1, double m2, double s2, double n2) {
  return std::fabs(m1 - m2) / std::sqrt(s1 * s1 / n1 + s2 * s2 / n2);
}

float WaveZProbability(double z) {
  const auto e = static_cast<float>(-0.003595 - 0.335054 * z - 0.156187 * z * z - 0.005595 * z * z * z);
  return static_cast<float>(std::pow(10.0, static_cast<double>(e)));
}

std::string WaveProbabilityText(float p) {
  if (p <= 0.00001f) return "  P<.00001";
  return "  P=" + RealText(p, 5);
}

std::array<int32_t, kShapeBars + 1> ShapeHistogram(const std::vector<float>& section, size_t count, double lo,
                                                   double hi) {
  std::array<int32_t, kShapeBars + 1> bars{};
  const double range = hi - lo;
  if (!(range > 0.0) || !std::isfinite(range)) return bars;
  const size_t n = std::min(count, kWaveValueLimit);
  for (size_t j = 1; j <= n && j < section.size(); ++j) {
    const double x = section[j];
    const double b = x == hi ? kShapeBars : std::trunc((x - lo) * kShapeBars / range) + 1.0;
    if (b >= 1.0 && b <= kShapeBars) ++bars[static_cast<size_t>(b)];
  }
  return bars;
}

int WaveBarsOfItem(int item) {
  static constexpr int kBars[] = {5, 8, 10, 12, 15, 20, 25, 30, 40, 50, 60, 75, 100, 15};
  return item >= 1 && item <= 14 ? kBars[item - 1] : 0;
}

std::vector<int32_t> WaveHistogram(const std::vector<float>& section, size_t start, size_t n, double low, double high,
                                   int bars) {
  std::vector<int32_t> counts(static_cast<size_t>(std::max(bars, 0)) + 1, 0);
  const double range = high - low;
  if (bars <= 0 || !(range > 0.0) || !std::isfinite(range)) return counts;
  for (size_t j = std::max<size_t>(start, 1); j <= n && j < section.size(); ++j) {
    const double b = std::trunc((section[j] - low) * bars / range) + 1.0;
    if (b >= 1.0 && b <= bars) ++counts[static_cast<size_t>(b)];
  }
  return counts;
}

int SqrtScaleTop(int32_t m) { return static_cast<int>(std::sqrt(static_cast<double>(std::max(m, 0)))) + 1; }

WaveRange WaveScanRange(const std::vector<float>& section, int sectionIndex, size_t count) {
  WaveRange r;
  const size_t start = (section.size() > 1 && section[1] == 0.0f) ? 2 : 1;
  const size_t n = std::min({count, kWaveValueLimit, section.empty() ? size_t{0} : section.size() - 1});
  if (n == 0 || start > n) return r;
  float lo = section[start], hi = section[start];
  for (size_t j = start; j <= n; ++j) {
    lo = std::min(lo, section[j]);
    hi = std::max(hi, section[j]);
  }
  const double margin = (double{hi} - lo) * 0.05;
  r.to = hi + margin;
  if (sectionIndex == 0) r.from = lo - margin;
  else r.from = std::max(0.0, lo > 0.0f ? lo - margin : double{lo});
  return r;
}

std::string WaveDurationText(double seconds) {
  double v = seconds;
  const char* unit = " sec";
  if (seconds > 7200.0) {
    v = SecondsToHours(seconds);
    unit = " hours";
  } else if (seconds >= 600.0) {
    v = SecondsToMinutes(seconds);
    unit = " min";
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return std::string(v < 0.0 ? "" : " ") + buf + unit;
}

std::string WaveSourceDataText(int32_t beginBlock, int32_t endBlock, double interval) {
  return "Source data:  cases" + IntText(beginBlock) + " to" + IntText(endBlock) + " (N= " +
         IntText(int64_t{endBlock} - beginBlock + 1) + ")    sample interval" + RealText(interval, 5) + " sec";
}

std::string WaveDataText(const WaveTables& t, size_t n) {
  std::string s = "peak height\trise time\tdecay time\tinterval\tamplitude\n";
  s.reserve(s.size() + n * 60);
  for (size_t j = 1; j <= n; ++j) {
    for (int k = 0; k < 4; ++k) s += NumText(t.at(k, j)) + "\t";
    s += NumText(t.at(4, j)) + "\n";
  }
  return plat::toDiskText(s);
}
