#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analyses/waveform.h"
#include "support/far_values.h"

namespace {

std::vector<float> Wave(bool cosine, int n = 200) {
  std::vector<float> y(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double a = 2.0 * std::numbers::pi * k / 20.0;
    y[static_cast<size_t>(k)] = static_cast<float>(cosine ? std::cos(a) : std::sin(a));
  }
  return y;
}

WaveRequest Defaults(const std::vector<float>& y, int32_t skip = 0, bool normal = true) {
  return {0, static_cast<int32_t>(y.size()) - 1, 0.5, -1.0f, 1.0f, skip, normal};
}

// The normal method's scan one case at a time, as it was first written:
// the reference for the cases where the vector scan finds its extremes.
void referenceScan(const std::vector<float>& y, const WaveRequest& r, std::vector<int32_t>* peaks,
                   std::vector<int32_t>* valleys) {
  const float* p = y.data();
  int64_t allowed = 0;
  const int32_t end = r.last - 2;
  int32_t i = r.first + 2;
  float before = i <= end ? p[i] - p[i - 1] : 0.0f;
  while (i <= end) {
    const float after = p[i + 1] - p[i];
    if (before * after > 0.0f) {
      before = after;
      ++i;
      continue;
    }
    const float a2 = p[i - 2], a1 = p[i - 1], c = p[i], b1 = p[i + 1], b2 = p[i + 2];
    if (a2 < a1 && a1 <= c && c >= b1 && b1 > b2 && c > r.peakTrigger && i >= allowed) {
      peaks->push_back(i);
      allowed = int64_t{i} + r.skip;
    } else if (a2 > a1 && a1 >= c && c <= b1 && b1 < b2 && c < r.valleyTrigger) {
      valleys->push_back(i);
    } else {
      before = after;
      ++i;
      continue;
    }
    i += 3;
    if (i <= end) before = p[i] - p[i - 1];
  }
}

}  // namespace

TEST(Waveform, NormalMethodOnASine) {
  const std::vector<float> y = Wave(false);
  const WaveResult w = FindWaves(y, Defaults(y));
  ASSERT_EQ(w.nPeaks, 10);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(w.peakCases[static_cast<size_t>(k)], 5 + 20 * k);
  EXPECT_NEAR(w.P, 10.0f, 1e-5);
  EXPECT_NEAR(w.sd, 0.0f, 1e-5);
  EXPECT_FALSE(w.prior);
  EXPECT_EQ(w.dn, 10.0f);
  EXPECT_NEAR(w.amplitudeMean(), 2.0f, 1e-6);
  EXPECT_NEAR(w.dxx, 0.0f, 1e-3);
  EXPECT_EQ(w.valleys, 10);
  EXPECT_NEAR(w.peakMean(), 1.0f, 1e-6);
  EXPECT_NEAR(w.valleyMean(), -1.0f, 1e-6);
  // Rise times 2.5 then 5, decay times 5; intervals and amplitudes from entry 2.
  EXPECT_EQ(w.tables.at(1, 0), 10.0f);
  EXPECT_EQ(w.tables.at(2, 0), 10.0f);
  EXPECT_EQ(w.tables.at(1, 1), 2.5f);
  for (size_t j = 2; j <= 10; ++j) {
    EXPECT_EQ(w.tables.at(1, j), 5.0f);
    EXPECT_NEAR(w.tables.at(3, j), 10.0f, 1e-5);
    EXPECT_NEAR(w.tables.at(4, j), 2.0f, 1e-6);
  }
  EXPECT_EQ(w.tables.at(3, 1), 0.0f) << "entry 1 is not written: the table starts empty each run";
  EXPECT_EQ(ShowPeriodIn(w.P, 1).value, 0.1);
}

TEST(Waveform, EdgesSkipPlateauAndPriorMode) {
  const std::vector<float> c = Wave(true);
  const WaveResult prior = FindWaves(c, Defaults(c));
  EXPECT_EQ(prior.nPeaks, 9) << "the peak at case 0 lies before the scan";
  EXPECT_TRUE(prior.prior);
  EXPECT_EQ(prior.dn, 9.0f);

  const std::vector<float> tiny{0, 1, 2, 1};
  const WaveResult none = FindWaves(tiny, Defaults(tiny));
  EXPECT_EQ(none.nPeaks, 0);
  EXPECT_EQ(none.dn, 0.0f);

  const std::vector<float> plateau{0, 1, 2, 2, 2, 1, 0};
  const WaveResult top = FindWaves(plateau, {0, 6, 1.0, -1.0f, 9.0f, 0, true});
  ASSERT_EQ(top.nPeaks, 1);
  EXPECT_EQ(top.peakCases[0], 3);

  const std::vector<float> s = Wave(false);
  EXPECT_EQ(FindWaves(s, Defaults(s, 15)).nPeaks, 10);
  EXPECT_EQ(FindWaves(s, Defaults(s, 25)).nPeaks, 5);
}

// The block's extremes are the default triggers: on a channel far past any
// constant start they are its own, and let every peak and valley through.
TEST(Waveform, BlockExtremesOfFarValuesLetEveryPeakAndValleyThrough) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  for (const auto& set : testsupport::FarValueSets()) {
    SCOPED_TRACE(set.name);
    // A wave between the set's extremes, one case not a number.
    const auto [setLo, setHi] = testsupport::FiniteMinMax(set.values);
    std::vector<float> y(200);
    for (size_t k = 0; k < y.size(); ++k)
      y[k] = static_cast<float>(setLo + (static_cast<double>(setHi) - setLo) * (0.5 + 0.5 * std::sin(0.3 * k)));
    y[50] = std::nanf("");
    const auto [lo, hi] = testsupport::FiniteMinMax(y);
    const WaveBlockRange r = WaveBlockExtremes(y, 0, 199);
    EXPECT_EQ(r.lo, lo);
    EXPECT_EQ(r.hi, hi);
    const WaveResult open = FindWaves(y, {0, 199, 0.5, -kInf, kInf, 0, true});
    const WaveResult byDefault = FindWaves(y, {0, 199, 0.5, r.lo, r.hi, 0, true});
    EXPECT_FALSE(open.valleyCases.empty());
    EXPECT_EQ(byDefault.peakCases, open.peakCases);
    EXPECT_EQ(byDefault.valleyCases, open.valleyCases);
  }
  const std::vector<float> nothing(5, std::nanf(""));
  const WaveBlockRange none = WaveBlockExtremes(nothing, 0, 4);
  EXPECT_EQ(none.lo, 9e30f);
  EXPECT_EQ(none.hi, -9e30f);
}

TEST(Waveform, HighestLowestFive) {
  const std::vector<float> s = Wave(false);
  WaveRequest r = Defaults(s, 0, false);
  r.peakTrigger = 0.5f;
  r.valleyTrigger = -0.5f;
  const WaveResult w = FindWaves(s, r);
  ASSERT_EQ(w.nPeaks, 10);
  EXPECT_EQ(w.peakCases[0], 5);
  EXPECT_NEAR(w.tables.at(0, 1), 0.904f, 1e-3);
  EXPECT_NEAR(w.P, 10.0f, 1e-5);
  EXPECT_EQ(w.vn, 10.0f);
  EXPECT_EQ(w.dn, 10.0f);
  // Fewer valleys than peaks: only existing pairs make amplitudes.
  r.valleyTrigger = -2.0f;
  const WaveResult lone = FindWaves(s, r);
  EXPECT_EQ(lone.dn, 0.0f);
  EXPECT_EQ(lone.valleyMean(), 0.0f);
  // A run of exactly five gives its middle case; four give nothing.
  const std::vector<float> five{0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0};
  const WaveResult f = FindWaves(five, {0, 17, 1.0, 0.5f, -1.0f, 0, false});
  ASSERT_EQ(f.nPeaks, 1);
  EXPECT_EQ(f.peakCases[0], 4);
}

TEST(Waveform, PeriodUnits) {
  const struct {
    int unit;
    double value;
    const char* suffix;
  } cases[] = {{1, 2.0, " Hz"}, {2, 2000.0, " mHz"}, {3, 0.002, " KHz"}, {5, 500.0, " msec"},
               {6, 0.5, " sec"}, {4, 0.5, " sec"}, {7, 0.5 / 60, " min"}, {8, 0.5 / 3600, " hours"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unit);
    const PeriodShown p = ShowPeriodIn(0.5, c.unit);
    EXPECT_NEAR(p.value, c.value, 1e-15);
    EXPECT_STREQ(p.suffix, c.suffix);
  }
}

TEST(WaveShape, StatisticsZTestAndHistograms) {
  std::vector<float> rise{0, 2.5f}, decay{0};
  for (int k = 0; k < 9; ++k) rise.push_back(5.0f);
  for (int k = 0; k < 10; ++k) decay.push_back(5.0f);
  const ShapeStats r = ShapeStatsOf(rise, 10), d = ShapeStatsOf(decay, 10);
  EXPECT_DOUBLE_EQ(r.mean, 4.75);
  EXPECT_DOUBLE_EQ(r.sd, 0.75);
  EXPECT_DOUBLE_EQ(d.sd, 0.0);
  EXPECT_DOUBLE_EQ(r.mean / d.mean, 0.95);
  const double z = WaveZ(r.mean, r.sd, 10, d.mean, d.sd, 10);
  EXPECT_NEAR(z, 1.05409, 1e-5);
  EXPECT_NEAR(WaveZProbability(z), 0.29049f, 1e-5);
  const struct {
    double z;
    float p;
  } table[] = {{0.0, 0.991756f}, {1.96, 0.049838f}, {2.576, 0.010029f}, {3.29, 0.001010f}};
  for (const auto& t : table) EXPECT_NEAR(WaveZProbability(t.z), t.p, 2e-6) << t.z;
  const std::vector<float> ones{0, 1, 1, 1}, twos{0, 2, 2, 2};
  EXPECT_EQ(WaveProbabilityText(WaveZProbability(WaveZ(1, 0, 3, 2, 0, 3))), "  P<.00001");
  EXPECT_TRUE(std::isnan(ShapeStatsOf(ones, 0).mean)) << "no entry, no mean";

  // 37 bars over 2.5..5: the maximum lands in the last bar.
  const auto bars = ShapeHistogram(rise, 10, 2.5, 5.0);
  EXPECT_EQ(bars[1], 1);
  EXPECT_EQ(bars[37], 9);
  const auto flat = ShapeHistogram(decay, 10, 5.0, 5.0);
  for (int32_t b : flat) EXPECT_EQ(b, 0) << "a zero range draws nothing";
  EXPECT_EQ(SqrtScaleTop(9), 4);
  EXPECT_EQ(WaveBarsOfItem(5), 15);
  EXPECT_EQ(WaveBarsOfItem(15), 0);
  const std::vector<int32_t> h = WaveHistogram(rise, 1, 10, 0.0, 10.0, 5);
  EXPECT_EQ(h[2], 1);
  EXPECT_EQ(h[3], 9);
  const WaveRange range = WaveScanRange(rise, 1, 10);
  EXPECT_NEAR(range.from, 2.375, 1e-9);
  EXPECT_NEAR(range.to, 5.125, 1e-9);
  EXPECT_EQ(WaveDurationText(1000.0), " 16.67 min");
  EXPECT_EQ(WaveDurationText(10800.0), " 3 hours");
  EXPECT_EQ(WaveDurationText(90.0), " 90 sec");
  // The block's case numbers as stored: cases 1 to 100 are 1 to 100.
  EXPECT_EQ(WaveSourceDataText(1, 100, 0.5), "Source data:  cases 1 to 100 (N=  100)    sample interval 0.5 sec");
}

TEST(WaveShape, DataFileRows) {
  const std::vector<float> s = Wave(false);
  const WaveResult w = FindWaves(s, Defaults(s));
  const std::string text = WaveDataText(w.tables, 2);
  EXPECT_EQ(text, "peak height\trise time\tdecay time\tinterval\tamplitude\n"
                  " 1\t 2.5\t 5\t 0\t 0\n"
                  " 1\t 5\t 5\t 10\t 2\n");
}

// The vector scan stops at the cases the one-case scan takes for extremes,
// in any data: ties, plateaus, NaNs, infinities, spans across and inside
// the scan's 64-case words, skips and triggers that let everything or
// nothing through. The sums and tables follow from those cases alone.
TEST(Waveform, NormalMethodFindsTheExtremesTheOneCaseScanFinds) {
  std::mt19937 gen(37);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::normal_distribution<float> noise(0.0f, 0.002f);
  const auto channel = [](int n, const std::function<float(int)>& f) {
    std::vector<float> y(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) y[static_cast<size_t>(k)] = f(k);
    return y;
  };
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const struct {
    const char* name;
    std::vector<float> y;
    float peak, valley;
  } cases[] = {
      {"noisy breathing", channel(6000, [&](int k) { return 20.9f + 0.3f * std::sin(k * 0.0628319f) + noise(gen); }),
       21.0f, 20.8f},
      {"coin tosses", channel(3000, [&](int) { return unit(gen); }), 0.5f, 0.5f},
      {"steps of a coarse grid: ties and plateaus",
       channel(3000, [&](int k) { return std::round(4.0f * std::sin(k * 0.2f) + 2.0f * unit(gen)); }), 0.0f, 0.0f},
      {"NaNs and infinities", channel(3000, [&](int k) {
         const float u = unit(gen);
         return k % 23 == 0 ? std::nanf("") : u < 0.05f ? kInf : u < 0.1f ? -kInf : std::sin(k * 0.3f) + u;
       }), 0.2f, 0.8f},
      {"every trigger passes", channel(3000, [&](int k) { return std::sin(k * 0.7f) + 0.5f * unit(gen); }), -kInf,
       kInf},
      {"no trigger passes", channel(500, [&](int k) { return std::sin(k * 0.7f); }), kInf, -kInf},
      {"NaN triggers", channel(500, [&](int k) { return std::sin(k * 0.7f); }), std::nanf(""), std::nanf("")},
  };
  for (const auto& c : cases) {
    const auto n = static_cast<int32_t>(c.y.size());
    for (const auto& [first, last] : {std::pair{0, n - 1}, {1, n - 2}, {0, 4}, {3, 8}, {5, 70}, {63, 130},
                                      {60, 200}, {n - 67, n - 1}, {n / 3, n - 5}}) {
      for (int32_t skip : {0, 7, 150}) {
        SCOPED_TRACE(::testing::Message() << c.name << " cases " << first << ".." << last << " skip " << skip);
        const std::vector<float> y(c.y.begin(), c.y.begin() + last + 1);   // nothing after the span to read
        const WaveRequest r{first, last, 0.1, c.peak, c.valley, skip, true};
        std::vector<int32_t> peaks, valleys;
        referenceScan(y, r, &peaks, &valleys);
        const WaveResult w = FindWaves(y, r);
        EXPECT_EQ(w.peakCases, peaks);
        EXPECT_EQ(w.valleyCases, valleys);
        EXPECT_EQ(w.nPeaks, static_cast<int32_t>(peaks.size()));
      }
    }
  }
}
