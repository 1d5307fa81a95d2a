// Baseline correction: the regression through two picks, the automatic
// counts, the piecewise roads (markers, spaced centres) and their refusals,
// the script step, and setting a block to a value.
#include "editing/baseline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "editing/zeroblock.h"

namespace {

std::vector<float> line(int32_t nCases, float a, float b) {
  std::vector<float> v(static_cast<size_t>(nCases) + 1);
  for (int32_t k = 0; k <= nCases; ++k) v[static_cast<size_t>(k)] = a + b * static_cast<float>(k);
  return v;
}

TEST(Baseline, RegressionSkipsTheCasesBetweenPicksAndRefusesTooFewOrFlat) {
  std::vector<float> v = line(100, 2.0f, 0.5f);
  for (int k = 30; k <= 69; ++k) v[k] += 100.0f;
  BaselineLine l;
  ASSERT_EQ(BaselineRegression(v.data(), 100, 1, 10, 90, 100, &l), BaselineStatus::Ok);
  EXPECT_NEAR(l.a, 2.0f, 1e-4);
  EXPECT_NEAR(l.b, 0.5f, 1e-6);
  std::vector<float> corrected = v;
  SubtractBaseline(corrected.data(), 0, 100, l);
  EXPECT_NEAR(corrected[0], 0.0f, 1e-4);
  EXPECT_NEAR(corrected[50], 100.0f, 1e-3) << "the bump stays";

  // Far from zero a float sum of values loses the slope; the double sums keep it.
  std::vector<float> far = line(200000, 10000000.0f, 0.0f);
  for (int32_t k = 0; k <= 200000; ++k) far[static_cast<size_t>(k)] += (k % 2 ? 1.0f : 0.0f);
  ASSERT_EQ(BaselineRegression(far.data(), 200000, 1, 100000, 100001, 200000, &l), BaselineStatus::Ok);
  EXPECT_NEAR(l.a, 10000000.5f, 1.0f);
  EXPECT_NEAR(l.b, 0.0f, 1e-5);

  const struct {
    int32_t b1, e1, b2, e2;
    BaselineStatus st;
  } refused[] = {{5, 5, 200, 300, BaselineStatus::TooFewCases},   // the second pick lies outside
                 {5, 5, 5, 5, BaselineStatus::TooFewCases},       // one case counted once
                 {-9, -1, 101, 120, BaselineStatus::TooFewCases}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.b1);
    BaselineLine untouched{7.0f, 7.0f};
    EXPECT_EQ(BaselineRegression(v.data(), 100, r.b1, r.e1, r.b2, r.e2, &untouched), r.st);
    EXPECT_EQ(untouched.a, 7.0f);
  }
  EXPECT_EQ(BaselineStatus::Ok, BaselineRegression(v.data(), 100, 4, 5, 5, 5, &l)) << "two distinct cases fit";
}

TEST(Baseline, TypedAutomaticAndPlusMinusFollowTheirCounts) {
  const std::vector<float> zero(101, 0.0f);
  std::vector<float> v = zero;
  SubtractBaseline(v.data(), 0, 100, TypedBaseline(10.0f, 20.0f, 100));
  EXPECT_FLOAT_EQ(v[0], -10.0f);
  EXPECT_FLOAT_EQ(v[50], -15.0f);
  EXPECT_FLOAT_EQ(v[100], -20.0f);

  const struct {
    float n;
    int32_t nCases;
    float expected;
  } counts[] = {{10, 1000, 10}, {2, 1000, 3}, {600, 1000, 499}, {0, 1000, 3}, {3, 5, 1.5f}};
  for (const auto& c : counts) EXPECT_FLOAT_EQ(AutoBaselineCount(c.n, c.nCases), c.expected) << c.n;

  std::vector<float> ramp = line(1000, 0.0f, 1.0f);
  BaselineLine l;
  ASSERT_EQ(AutoBaseline(ramp.data(), 1000, 10, kBaselineAtStart, &l), BaselineStatus::Ok);
  EXPECT_FLOAT_EQ(l.a, 5.5f) << "mean of cases 1..10";
  EXPECT_EQ(l.b, 0.0f);
  ASSERT_EQ(AutoBaseline(ramp.data(), 1000, 10, kBaselineAtEnd, &l), BaselineStatus::Ok);
  EXPECT_FLOAT_EQ(l.a, 995.0f) << "mean of cases 990..1000, eleven cases";
  ASSERT_EQ(AutoBaseline(ramp.data(), 1000, 10, kBaselineAtBoth, &l), BaselineStatus::Ok);
  EXPECT_NEAR(l.b, 1.0f, 1e-6);
  EXPECT_EQ(AutoBaseline(ramp.data(), 5, 10, kBaselineAtStart, &l), BaselineStatus::TooFewCases);

  const struct {
    int32_t c, n, nCases, first, last;
  } spans[] = {{2, 3, 100, 1, 5}, {99, 3, 100, 96, 100}, {50, 0, 100, 50, 50}};
  for (const auto& s : spans) {
    const CaseSpan p = PlusMinusSpan(s.c, s.n, s.nCases);
    EXPECT_EQ(p.first, s.first) << s.c;
    EXPECT_EQ(p.last, s.last) << s.c;
  }
}

TEST(Baseline, PiecewiseSegmentsJoinAndLeaveCaseZero) {
  // Picks ending at 100, 500 and 900 with the data on one line per stretch.
  std::vector<float> v(1001);
  for (int32_t k = 0; k <= 1000; ++k) v[static_cast<size_t>(k)] = k < 500 ? 1.0f + 0.01f * k : -4.0f + 0.02f * k;
  v[0] = 77.0f;
  std::vector<BaselineRow> rows = {{95, 100, {}}, {495, 500, {}}, {895, 900, {}}};
  // The second pick straddles the bend: the lines come out of the fit, so
  // judge the subtraction against them rather than the data.
  ASSERT_EQ(FitSegments(v.data(), 1000, &rows), BaselineStatus::Ok);
  std::vector<float> out = v;
  SubtractSegments(out.data(), 1000, rows);
  EXPECT_EQ(out[0], 77.0f);
  for (int32_t k : {1, 250, 499, 500, 700, 1000}) {
    const BaselineLine& l = rows[k < 500 ? 1 : 2].line;
    EXPECT_NEAR(out[static_cast<size_t>(k)], v[static_cast<size_t>(k)] - (l.a + l.b * k), 1e-4) << k;
  }
  std::vector<BaselineRow> one = {{95, 100, {}}};
  EXPECT_EQ(FitSegments(v.data(), 1000, &one), BaselineStatus::TooFewRegions);
}

TEST(Baseline, PeriodicRoadsPlaceClippedRegionsAndRefuseWhatCannotWork) {
  const std::vector<MarkerRecord> markers = {{100, 'S'}, {250, 'R'}, {400, 'S'}, {400, 199}, {400, 'S'},
                                             {700, 'S'}, {998, 'S'}};
  EXPECT_EQ(MarkerCentres(markers, 1000, 'S', 0), (std::vector<int32_t>{100, 400, 700, 998}));
  EXPECT_EQ(MarkerCentres(markers, 1000, 'S', 5), (std::vector<int32_t>{105, 405, 705})) << "1003 lies beyond";
  EXPECT_TRUE(MarkerCentres(markers, 1000, 0, 0).empty()) << "an empty label matches nothing";

  const std::vector<BaselineRow> regions = RegionsAround({100, 400, 1, 0, 1000}, 1000);
  ASSERT_EQ(regions.size(), 4u) << "centre 0 keeps only cases 1..2: skipped";
  EXPECT_EQ(regions[0].first, 98);
  EXPECT_EQ(regions[0].last, 102);
  EXPECT_EQ(regions[2].first, 1);
  EXPECT_EQ(regions[2].last, 3);
  EXPECT_EQ(regions[3].last, 1000);

  std::vector<int32_t> centres;
  ASSERT_EQ(SpacedCentres(50, IntervalSpacing(1.0f, 0.5f), 400, &centres), BaselineStatus::Ok);
  EXPECT_EQ(centres, (std::vector<int32_t>{50, 170, 290}));
  EXPECT_EQ(SpacedCentres(50, 0, 400, &centres), BaselineStatus::SpacingTooSmall);
  EXPECT_EQ(IntervalSpacing(0.0f, 0.5f), 0);
  EXPECT_EQ(IntervalSpacing(1.0f, 0.0f), 0) << "no division by a zero interval";
  EXPECT_EQ(IntervalSpacing(0.001f, 1.0f), 0) << "below one sample interval";
  EXPECT_EQ(SpacedCentres(1, 1, 40000, &centres), BaselineStatus::TooManyRegions);

  // Markers S at 100, 400, 700 on a drift with a step: each stretch follows its own line.
  std::vector<float> v = line(1000, 3.0f, 0.002f);
  std::vector<float> before = v;
  int32_t n = 0;
  ASSERT_EQ(PeriodicBaseline(v.data(), 1000, MarkerCentres(markers, 1000, 'S', 0), &n), BaselineStatus::Ok);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(v[0], before[0]);
  for (int32_t k = 1; k <= 1000; k += 111) EXPECT_NEAR(v[static_cast<size_t>(k)], 0.0f, 1e-4) << k;

  std::vector<float> untouched = before;
  EXPECT_EQ(PeriodicBaseline(untouched.data(), 1000, {500}, &n), BaselineStatus::TooFewRegions);
  EXPECT_EQ(untouched, before);
}

// A slow, plainly right least-squares line through the numbers among the
// given cases, in long double.
BaselineLine referenceLine(const std::vector<float>& v, const std::vector<int32_t>& cases) {
  long double n = 0, sx = 0, sy = 0;
  for (int32_t k : cases)
    if (std::isfinite(v[static_cast<size_t>(k)])) {
      n += 1;
      sx += k;
      sy += v[static_cast<size_t>(k)];
    }
  long double sxx = 0, sxy = 0;
  for (int32_t k : cases)
    if (std::isfinite(v[static_cast<size_t>(k)])) {
      sxx += (k - sx / n) * (k - sx / n);
      sxy += (k - sx / n) * (v[static_cast<size_t>(k)] - sy / n);
    }
  const long double b = sxy / sxx;
  return {static_cast<float>(sy / n - b * sx / n), static_cast<float>(b)};
}

std::vector<int32_t> casesOf(int32_t b1, int32_t e1, int32_t b2, int32_t e2) {
  std::vector<int32_t> c;
  for (int32_t k = b1; k <= e1; ++k) c.push_back(k);
  for (int32_t k = b2; k <= e2; ++k) c.push_back(k);
  return c;
}

// One NaN in a pick or region made the line NaN, and the subtraction wrote
// NaN over every case while reporting success. Such values are left out; a
// pick of nothing else is refused with the channel unchanged.
TEST(Baseline, ValuesThatAreNotNumbersAreLeftOutAndNeverSpreadOverTheChannel) {
  std::vector<float> drift(1001);
  for (int32_t k = 0; k <= 1000; ++k)
    drift[static_cast<size_t>(k)] = 20.9f + 0.002f * static_cast<float>(k) + 0.01f * std::sin(0.7f * k);
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    std::vector<std::pair<int32_t, float>> bad;
    int32_t b1, e1, b2, e2;
  } cases[] = {
      {"NaN first in pick 1", {{1, NAN}}, 1, 10, 990, 1000},
      {"NaN inside each pick", {{5, NAN}, {995, NAN}}, 1, 10, 990, 1000},
      {"NaN last and an infinity", {{1000, NAN}, {993, -inf}, {2, inf}}, 1, 10, 990, 1000},
      {"all but one of a pick", {{1, NAN}, {2, NAN}, {4, NAN}, {5, NAN}}, 1, 5, 500, 520},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<float> v = drift;
    for (const auto& [k, x] : c.bad) v[static_cast<size_t>(k)] = x;
    const BaselineLine want = referenceLine(v, casesOf(c.b1, c.e1, c.b2, c.e2));
    BaselineLine got;
    ASSERT_EQ(BaselineRegression(v.data(), 1000, c.b1, c.e1, c.b2, c.e2, &got), BaselineStatus::Ok);
    EXPECT_NEAR(got.a, want.a, 2e-5f);
    EXPECT_NEAR(got.b, want.b, 1e-7f);
    float mean = 0.0f;
    ASSERT_EQ(BaselineMean(v.data(), 1000, c.b1, c.e1, &mean), BaselineStatus::Ok);
    double sum = 0.0;
    int n = 0;
    for (int32_t k = c.b1; k <= c.e1; ++k)
      if (std::isfinite(v[static_cast<size_t>(k)])) {
        sum += v[static_cast<size_t>(k)];
        ++n;
      }
    EXPECT_FLOAT_EQ(mean, static_cast<float>(sum / n));
    if (c.b1 == 1 && c.b2 == 990) {
      BaselineLine automatic;
      ASSERT_EQ(AutoBaseline(v.data(), 1000, 10, kBaselineAtBoth, &automatic), BaselineStatus::Ok);
      EXPECT_EQ(automatic.a, got.a);
      EXPECT_EQ(automatic.b, got.b);
    }
    SubtractBaseline(v.data(), 0, 1000, got);
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](float x) { return !std::isfinite(x); }),
              static_cast<std::ptrdiff_t>(c.bad.size()))
        << "only the cases that were not numbers";
  }

  // Periodic regions at 100, 400 and 700, one with a NaN at its centre and
  // one with an infinity: every case that was a number still is, on the drift
  // removed.
  std::vector<float> v = drift;
  v[400] = NAN;
  v[698] = inf;
  int32_t regions = 0;
  ASSERT_EQ(PeriodicBaseline(v.data(), 1000, {100, 400, 700}, &regions), BaselineStatus::Ok);
  for (int32_t k = 1; k <= 1000; ++k) {
    if (k == 400 || k == 698) continue;
    ASSERT_TRUE(std::isfinite(v[static_cast<size_t>(k)])) << k;
    ASSERT_NEAR(v[static_cast<size_t>(k)], 0.0f, 0.05f) << k;
  }

  // A pick or region holding no number at all: refused, nothing changed.
  std::vector<float> holes = drift;
  for (int32_t k = 398; k <= 402; ++k) holes[static_cast<size_t>(k)] = NAN;
  const std::vector<float> before = holes;
  BaselineLine untouched{7.0f, 7.0f};
  EXPECT_EQ(BaselineRegression(holes.data(), 1000, 398, 402, 900, 910, &untouched), BaselineStatus::NoNumbers);
  EXPECT_EQ(untouched.a, 7.0f);
  float mean = 7.0f;
  EXPECT_EQ(BaselineMean(holes.data(), 1000, 398, 402, &mean), BaselineStatus::NoNumbers);
  EXPECT_EQ(mean, 7.0f);
  EXPECT_EQ(PeriodicBaseline(holes.data(), 1000, {100, 400, 700}, &regions), BaselineStatus::NoNumbers);
  EXPECT_EQ(std::memcmp(holes.data(), before.data(), holes.size() * sizeof(float)), 0);
  EXPECT_STRNE(BaselineStatusText(BaselineStatus::NoNumbers), "");
}

// "Start AND End" with the end picked first: the picks are taken in case
// order, so the line goes through both (it went through the first alone).
TEST(Baseline, PicksAreTakenInCaseOrder) {
  std::vector<float> v = line(1000, 2.0f, 0.01f);
  for (int32_t k = 0; k <= 1000; ++k) v[static_cast<size_t>(k)] += (k % 3) * 0.1f;
  const struct {
    int32_t b1, e1, b2, e2;
  } picks[] = {{1, 20, 900, 950}, {900, 950, 1, 20}, {900, 950, 1, 920}, {1, 920, 900, 950}};
  BaselineLine forward;
  ASSERT_EQ(BaselineRegression(v.data(), 1000, 1, 20, 900, 950, &forward), BaselineStatus::Ok);
  for (const auto& p : picks) {
    SCOPED_TRACE(p.b1);
    int32_t b1 = p.b1, e1 = p.e1, b2 = p.b2, e2 = p.e2;
    OrderBaselinePicks(&b1, &e1, &b2, &e2);
    EXPECT_EQ(b1, std::min(p.b1, p.b2));
    EXPECT_LE(b1, b2);
    BaselineLine l;
    ASSERT_EQ(BaselineRegression(v.data(), 1000, p.b1, p.e1, p.b2, p.e2, &l), BaselineStatus::Ok);
    if (p.e1 != 920 && p.e2 != 920) {
      EXPECT_EQ(l.a, forward.a);
      EXPECT_EQ(l.b, forward.b);
    }
    BaselineLine swapped;
    ASSERT_EQ(BaselineRegression(v.data(), 1000, p.b2, p.e2, p.b1, p.e1, &swapped), BaselineStatus::Ok);
    EXPECT_EQ(swapped.a, l.a) << "either order, one line";
    EXPECT_EQ(swapped.b, l.b);
  }
}

// The whole minutes x interval grid of the interval road against exact
// arithmetic on the typed decimals: d = floor(floor(60 m) / interval).
// From the floats, 1 minute at 0.1 s gave 599 cases, and 167 of these 513
// pairs came out one case short or more.
TEST(Baseline, IntervalSpacingFollowsTheTypedDecimalsOverTheWholeGrid) {
  // "12.3456" -> {123456, 10000}
  const auto decimal = [](const char* t, int64_t* num, int64_t* den) {
    *num = 0;
    *den = 1;
    bool after = false;
    for (const char* c = t; *c; ++c) {
      if (*c == '.') {
        after = true;
        continue;
      }
      *num = *num * 10 + (*c - '0');
      if (after) *den *= 10;
    }
  };
  const char* const minutes[] = {"0.1", "0.25", "0.5", "0.7", "1",  "1.5", "2",  "2.5", "3",  "5",
                                 "7.5", "10",   "12.3456", "15", "30", "45",  "60", "90",  "120"};
  const char* const intervals[] = {"0.001", "0.002", "0.005", "0.01", "0.02", "0.025", "0.04",  "0.05", "0.1",
                                   "0.125", "0.2",   "0.25",  "0.3",  "0.5",  "0.6",   "0.7",   "1",    "1.5",
                                   "2",     "3",     "5",     "7",    "10",   "0.333", "0.0625", "1.2345", "0.123456"};
  int wrong = 0;
  for (const char* m : minutes) {
    for (const char* i : intervals) {
      int64_t mn, md, in, id;
      decimal(m, &mn, &md);
      decimal(i, &in, &id);
      const int64_t seconds = 60 * mn / md;
      const int64_t want = seconds * id / in;
      const int32_t got = IntervalSpacing(std::strtof(m, nullptr), std::strtof(i, nullptr));
      if (got != want) {
        ++wrong;
        ADD_FAILURE() << m << " min at " << i << " s: " << got << " cases, not " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(IntervalSpacing(1.0f, 0.1f), 600);
}

TEST(Baseline, ScriptStepCarriesEachMethodAndBlockSetWritesTheSpan) {
  const BaselineSettings cases[] = {
      {4, 10.0f, 0.1f, 15.0f, 0, 'S', 0, 0, 0},
      {2, 1.5f, 0.0f, 12.0f, 0, 'S', 0, 0, 0},
      {2, 1.5f, 0.0f, 12.0f, 0, 'S', 0, 0, 0, 13},   // the automatic baseline from the block end
      {7, 1.5f, 0.0f, 12.0f, 0, 'S', 0, 0, 0, 14},
      {8, 0.0f, 0.0f, 15.0f, kRoadMarkers, 'R', -7, 0, 0},
      {8, 0.0f, 0.0f, 15.0f, kRoadInterval, 'S', 0, 120, 50},
  };
  for (const BaselineSettings& s : cases) {
    SCOPED_TRACE(s.method * 10 + s.road);
    float f[28];
    std::fill(std::begin(f), std::end(f), 9.0f);
    BaselineToScriptStep(s, f);
    const BaselineSettings r = BaselineFromScriptStep(f);
    EXPECT_EQ(r.method, s.method);
    EXPECT_EQ(r.road, s.road);
    if (s.method == 8 && s.road == kRoadMarkers) {
      EXPECT_EQ(r.markerCode, s.markerCode);
      EXPECT_EQ(r.shift, s.shift);
    } else if (s.method == 8) {
      EXPECT_EQ(r.spacing, s.spacing);
      EXPECT_EQ(r.start, s.start);
    } else {
      EXPECT_EQ(r.a, s.a);
      EXPECT_EQ(r.b, s.b);
      EXPECT_EQ(r.n, s.n);
      EXPECT_EQ(r.ends, s.ends);
    }
  }

  // A damaged step converts to something held, never undefined.
  float junk[28] = {};
  junk[4] = 8.0f;
  junk[5] = std::nanf("");
  junk[6] = 1.0e20f;
  const BaselineSettings j = BaselineFromScriptStep(junk);
  EXPECT_EQ(j.markerCode, 0);
  EXPECT_EQ(j.shift, 32767);
  EXPECT_FLOAT_EQ(AutoBaselineCount(std::nanf(""), 1000), 3.0f);

  std::vector<float> v(11, 1.0f);
  EXPECT_TRUE(ZeroBlockCases(v.data(), 10, 8, 3, 2.5f));
  EXPECT_EQ(v, (std::vector<float>{1, 1, 1, 2.5f, 2.5f, 2.5f, 2.5f, 2.5f, 2.5f, 1, 1}));
  EXPECT_TRUE(ZeroBlockCases(v.data(), 10, 9, 40, 0.0f)) << "clipped to the channel";
  EXPECT_EQ(v[10], 0.0f);
  EXPECT_FALSE(ZeroBlockCases(v.data(), 10, 11, 40, 5.0f));
  EXPECT_EQ(BlockSetLogText(10, 20, 2.5f), "block from 10 to 20 changed to 2.5");
}

}  // namespace
