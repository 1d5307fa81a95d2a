#include "analyses/asymptote.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "output/results.h"
#include "platform/cpu.h"
#include "platform/lanes.h"
#include "shell/textutil.h"

namespace {

constexpr int kChunk = 1024;

struct UnitOf {
  float seconds;
  const char* word;   // " seconds"
  const char* rate;   // "/sec"
};
UnitOf unitOf(int16_t timeUnits) {
  switch (timeUnits) {
    case 1: return {60.0f, " minutes", "/min"};
    case 2: return {3600.0f, " hours", "/hr"};
    case 3: return {86400.0f, " days", "/day"};
    default: return {1.0f, " seconds", "/sec"};
  }
}

}  // namespace

namespace {

// ln of a positive normal float: the mantissa in [sqrt(1/2), sqrt(2)) and a
// minimax series of ln(1 + x) there. Branch-free, so that a pass vectorises.
[[gnu::always_inline]] inline float logCore(uint32_t bits) {
  // Integer arithmetic puts the mantissa in [sqrt(1/2), sqrt(2)) without a branch.
  constexpr uint32_t kSqrtHalf = 0x3f3504f3u;
  const uint32_t shifted = bits - kSqrtHalf;
  const int32_t e = static_cast<int32_t>(shifted) >> 23;
  const float m = std::bit_cast<float>((shifted & 0x007fffffu) + kSqrtHalf);
  const float x = m - 1.0f;
  const float z = x * x;
  float y = 7.0376836292e-2f;
  y = y * x - 1.1514610310e-1f;
  y = y * x + 1.1676998740e-1f;
  y = y * x - 1.2420140846e-1f;
  y = y * x + 1.4249322787e-1f;
  y = y * x - 1.6668057665e-1f;
  y = y * x + 2.0000714765e-1f;
  y = y * x - 2.4999993993e-1f;
  y = y * x + 3.3333331174e-1f;
  y *= x * z;
  const auto fe = static_cast<float>(e);
  y += -2.12194440e-4f * fe;
  y += -0.5f * z;
  return x + y + 0.693359375f * fe;
}

// Zero, subnormals, infinities and NaN: exponent field 0 or 0xff.
[[gnu::always_inline]] inline uint32_t special(uint32_t bits) { return ((bits >> 23) - 1u) >= 254u ? 1u : 0u; }

}  // namespace

float FastLogAbs(float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v) & 0x7fffffffu;
  if (special(bits)) return bits == 0 ? -std::numeric_limits<float>::infinity() : std::log(std::abs(v));
  return logCore(bits);
}

namespace {

using lanes::D4;

// Sums about z0 of z, z^2 and k z over the cases first..last, four running
// sums of each, case first + 4j + l adding to lane l; z is written to zOut
// (indexed by case) unless it is null. Compiled for the baseline and for
// AVX2: the same operations in the same order, so the same sums.
[[gnu::always_inline]] inline void trialSumsBody(const float* y, int32_t first, int32_t last, float a, float z0,
                                                 double kMean, float* zOut, D4* sums) {
  D4 sz = {}, szz = {}, skz = {};
  const D4 shift = {z0, z0, z0, z0}, offsets = {0.0, 1.0, 2.0, 3.0};
  float zb[kChunk], pad[kChunk];
  for (int32_t c = first; c <= last; c += kChunk) {
    const int32_t m = std::min<int32_t>(kChunk, last - c + 1);
    const float* yc = y + c;
    // A whole chunk at a time (a fixed count vectorises); the last one is
    // padded with a harmless value.
    const float* src = yc;
    if (m < kChunk) {
      std::copy(yc, yc + m, pad);
      std::fill(pad + m, pad + kChunk, a + 1.0f);
      src = pad;
    }
    uint32_t odd = 0;
    for (int32_t i = 0; i < kChunk; ++i) {
      const uint32_t bits = std::bit_cast<uint32_t>(src[i] - a) & 0x7fffffffu;
      odd |= special(bits);
      zb[i] = logCore(bits);
    }
    if (odd)
      for (int32_t i = 0; i < m; ++i) zb[i] = FastLogAbs(yc[i] - a);
    if (zOut) std::copy(zb, zb + m, zOut + c);
    // The sums in vectors: kept in arrays, they stayed in memory and were
    // added one by one.
    const double k0 = static_cast<double>(c) - kMean;
    int32_t i = 0;
    for (; i + 4 <= m; i += 4) {
      const D4 d = __builtin_convertvector(lanes::load4(zb + i), D4) - shift;
      sz += d;
      szz += d * d;
      const double k = k0 + i;
      skz += (D4{k, k, k, k} + offsets) * d;
    }
    for (; i < m; ++i) {
      const double d = static_cast<double>(zb[i]) - z0;
      sz[0] += d;
      szz[0] += d * d;
      skz[0] += (k0 + i) * d;
    }
  }
  sums[0] = sz;
  sums[1] = szz;
  sums[2] = skz;
}

void trialSumsBase(const float* y, int32_t first, int32_t last, float a, float z0, double kMean, float* zOut,
                   D4* sums) {
  trialSumsBody(y, first, last, a, z0, kMean, zOut, sums);
}

using TrialSums = void (*)(const float*, int32_t, int32_t, float, float, double, float*, D4*);

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void trialSumsAvx2(const float* y, int32_t first, int32_t last, float a, float z0,
                                           double kMean, float* zOut, D4* sums) {
  trialSumsBody(y, first, last, a, z0, kMean, zOut, sums);
}
TrialSums trialSums() { return CpuHasAvx2() ? trialSumsAvx2 : trialSumsBase; }
#else
TrialSums trialSums() { return trialSumsBase; }
#endif

}  // namespace

AsymTrial FindR2(std::span<const float> y, int32_t first, int32_t last, float a, std::span<float> zOut) {
  AsymTrial t;
  t.a = a;
  t.n = last - first + 1;
  const double n = t.n;
  const double kMean = 0.5 * (static_cast<double>(first) + last);
  t.sxx = n * (n * n - 1.0) / 12.0;
  // Sums about z of the first case, so that a level far from zero keeps Szz.
  const float z0 = FastLogAbs(y[static_cast<size_t>(first)] - a);
  D4 sums[3];
  trialSums()(y.data(), first, last, a, z0, kMean, zOut.empty() ? nullptr : zOut.data(), sums);
  const D4 sz = sums[0], szz = sums[1], skz = sums[2];
  const double s = (sz[0] + sz[1]) + (sz[2] + sz[3]);
  const double ss = (szz[0] + szz[1]) + (szz[2] + szz[3]);
  t.sxy = (skz[0] + skz[1]) + (skz[2] + skz[3]);
  t.szz = ss - s * s / n;
  t.r2 = t.sxy * t.sxy / t.sxx / t.szz;
  const double b = t.sxy / t.sxx;
  t.slope = static_cast<float>(b);
  const double zMean = z0 + s / n;
  t.intercept = static_cast<float>(zMean - kMean * static_cast<double>(t.slope));
  return t;
}

const char* AsymStatusText(AsymStatus s) {
  switch (s) {
    case AsymStatus::Ok: return "";
    case AsymStatus::BadSpan: return "the block lies outside the channel";
    case AsymStatus::TooFewCases: return "the block needs at least two cases";
    case AsymStatus::Constant: return "the block does not change: there is no approach to an asymptote";
    case AsymStatus::NoAsymptote: return "no asymptote found";
    case AsymStatus::Cancelled: return "cancelled";
  }
  return "";
}

int ClampAsymIterations(int typed) { return std::clamp(typed, kMinAsymIterations, kMaxAsymIterations); }

AsymStatus AsymptoteSearch(std::span<const float> y, int32_t first, int32_t last, int iterations, AsymResult* out,
                           const AsymProgress& progress) {
  if (first > last) std::swap(first, last);
  if (first < 0 || static_cast<size_t>(last) >= y.size()) return AsymStatus::BadSpan;
  if (first == last) return AsymStatus::TooFewCases;
  AsymResult res;
  res.iterations = ClampAsymIterations(iterations);
  const auto block = y.subspan(static_cast<size_t>(first), static_cast<size_t>(last - first) + 1);
  const auto [lo, hi] = std::minmax_element(block.begin(), block.end());
  res.blockMin = *lo;
  res.blockMax = *hi;
  res.rising = y[static_cast<size_t>(last)] > y[static_cast<size_t>(first)];
  const float R = (res.blockMax - res.blockMin) * 0.01f;
  if (!(R > 0.0f) || !std::isfinite(R)) return AsymStatus::Constant;

  float U, W;
  if (res.rising) {
    U = res.blockMax + 0.0001f * R;
    W = res.blockMax + R;
  } else {
    U = res.blockMin - 0.0001f * R;
    W = res.blockMin - R;
  }
  float V = (U + W) * 0.5f;
  auto fit = [&](float a) {
    res.last = FindR2(y, first, last, a);
    return res.last.r2;
  };
  double rW = fit(W), rV = fit(V), rU = fit(U);
  if (rW > rV) {
    // Outward while the fit improves; V is then the last W before the drop.
    for (;;) {
      const float next = W + 0.5f * (W - U);
      if (++res.expansionSteps > kMaxAsymExpansion || !std::isfinite(next) ||
          std::abs(next - U) > kMaxAsymDistance * 100.0f * R)
        return AsymStatus::NoAsymptote;
      const double r = fit(next);
      if (!std::isfinite(r)) return AsymStatus::NoAsymptote;
      if (r < rW) {
        V = W;
        rV = rW;
        W = next;
        rW = r;
        break;
      }
      W = next;
      rW = r;
    }
  }
  double best = 0.0;
  for (int i = 1; i <= res.iterations; ++i) {
    if (rV > rU && rV > rW) {
      U = U + 0.5f * (U - V);
      W = V + 0.5f * (V - W);
    } else if (rU > rV) {
      const float v0 = V;
      W = V;
      V = U;
      rV = rU;
      U = U - 0.5f * (U - v0);
    } else {
      const float v0 = V, w0 = W;
      U = V;
      V = W;
      rV = rW;
      W = w0 + 0.5f * (v0 - w0);
    }
    rU = fit(U);
    rW = fit(W);
    for (double r : {rU, rW, rV})
      if (r > best) best = r;
    res.asymptote = V;
    res.bestR2 = best;
    if (progress && !progress(i, res)) return AsymStatus::Cancelled;
  }
  res.asymptote = V;
  res.bestR2 = best;
  *out = res;
  return AsymStatus::Ok;
}

float PercentLnFraction(int item) {
  static constexpr float kTable[kPercentItems] = {-0.0100503f, -0.0512933f, -0.1053605f, -0.2876820f,
                                                  -0.4054651f, -0.6931470f, -1.0986123f, -1.3862940f,
                                                  -2.3025849f, -2.9957321f, -4.6051698f};
  return kTable[std::clamp(item, 1, kPercentItems) - 1];
}

const char* PercentTitle(int item) {
  static const char* const kTitles[kPercentItems] = {"1%", "5%", "10%", "25%", "33%", "50%",
                                                     "67%", "75%", "90%", "95%", "99%"};
  return kTitles[std::clamp(item, 1, kPercentItems) - 1];
}

uint16_t PercentItemOf(float lnFraction) {
  for (int i = 1; i <= kPercentItems; ++i)
    if (std::abs(PercentLnFraction(i) - lnFraction) <= 1e-6f) return static_cast<uint16_t>(i);
  return kDefaultSlopeID;
}

AsymRateTexts AsymptoteRateTexts(const AsymRates& r, bool rising, int16_t timeUnits) {
  const UnitOf u = unitOf(timeUnits);
  AsymRateTexts t;
  t.k = StringFormatter(AsymptoteShownK(r, rising));
  t.change = (!(r.change < 0.99999f) ? std::string(">.99999") : StringFormatter(r.change)) + u.rate;
  t.time = r.timeDefined ? StringFormatter(std::abs(r.time)) + u.word : std::string("--");
  return t;
}

void StoreAsymptote(const AsymResult& r) {
  meanValue = r.bestR2 * 100.0;
  StandardDeviation = r.asymptote;
  sumy2 = r.asymptote;
  nrPoints = r.iterations;
  upslope = r.rising ? 1 : 0;
  ValueOfA = r.last.intercept;
  ValueOfB = r.last.slope;
  sumx2 = r.last.sxx;
  sumxy = r.last.sxy;
  nPoints = r.last.n;
  ::r2 = r.last.r2;
}
