// The cost engine against worked cases: phases, the BMR floor, torpor and its
// ramps, wind, timing errors, rejected cases and the window maxima.
#include "thermoregulation/costs.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

TregSettings Worked() {
  TregSettings s;
  s.tbChange = 2;
  s.maxActiveTb = 44;
  s.conductanceFactor = 1.4f;
  s.torporQ10 = 2.2f;
  s.minimumTorporTb = 12;
  s.torporEntryTime = 2;
  s.dayActive = true;
  s.dawn = 6;
  s.dusk = 18;
  return s;
}

TregAnimal Animal() {
  TregAnimal a;
  a.bmr = 0.5f * 0.335f;
  a.tb = 39;
  a.conductance = 0.015f;
  a.lct = 28;
  a.mass = 15.5f;
  return a;
}

// A recording of n cases with the same values; index 0 unused.
struct Recording {
  std::vector<float> shade, sun, time, day, wind;
  Recording(int n, float ta, float t, float interval = 60) : shade(n + 1, ta), sun(n + 1, ta), time(n + 1, t),
      day(n + 1, 172), wind(n + 1, 0), interval_(interval) {}
  TregClimate climate() const {
    return {shade.data(), sun.data(), time.data(), day.data(), wind.data(), static_cast<int32_t>(shade.size()) - 1,
            interval_};
  }
  float interval_;
};

TEST(TregCosts, WorkedCasesOfOneAnimal) {
  const struct {
    float t, ta, cost;
    int32_t torporCases, atBMR;
  } cases[] = {
      {12, 20, 0.441f, 0, 0},         // active: C' 0.021, Tb' 41
      {12, 35, 0.196110f, 0, 1},      // floored at BMR'
      {2, 10, 0.03f, 1, 0},           // torpor defence (12 - 10) x C
      {2, 20, 0.0615087f, 1, 0},      // f 0.470588, Tq 26.2941
      {19, 10, 0.2325f, 1, 0},        // on the entry ramp, Tr 25.5
      {2, 11.5f, 0.0212161f, 1, 0},   // Tq 12.7941
      {2, 27.9f, 0.165416f, 1, 1},    // Tq 38.8412; normothermic at the floor
      {2, 28, 0.1675f, 0, 1},         // at LCT': exactly BMR, no torpor case
      {2, 11, 0.0199285f, 1, 0},      // the edge: defence, never below BMR Q10^((12 - 39) / 10)
      {2, 11.0001f, 0.0199287f, 1, 0},
      {2, 10.9f, 0.0199285f, 1, 0},   // a colder night costs no less
      {2, 10.5f, 0.0225f, 1, 0},      // where defence costs more: (12 - 10.5) x C'
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.t) + " h, Ta " + std::to_string(c.ta));
    const Recording rec(3, c.ta, c.t);
    const TregResult r = ComputeTregCosts(rec.climate(), Animal(), Worked(), nullptr);
    EXPECT_NEAR(r.costs[1], c.cost, 2e-6);
    EXPECT_EQ(r.torporCases, 3 * c.torporCases);
    EXPECT_EQ(r.atBMR, 3 * c.atBMR);
    EXPECT_EQ(r.totalCases, 3);
    EXPECT_NEAR(r.mean, c.cost, 2e-6);
  }
  // The normothermic cost of a torpor case is counted above the floor first.
  const Recording night(1, 10, 2);
  EXPECT_NEAR(ComputeTregCosts(night.climate(), Animal(), Worked(), nullptr).aboveSum, 0.435, 1e-6);
}

// Torpor lags delay the ramps (they do not cut into them), and ramps and
// window run across midnight. Ta 10 lies below MinTb - 1, so a torpor cost
// is the defence max((Tr - Ta) C, BMR Q10^((Tr - Tb) / 10)) at the ramp's Tr.
TEST(TregCosts, TorporRampsFollowTheLagsAndCrossMidnight) {
  const struct {
    const char* name;
    bool dayActive;
    float dawn, dusk, startLag, endLag, t, ta, cost;
  } cases[] = {
      {"start lag 2: 1 h into the ramp from 20:00, Tr 25.5", true, 6, 18, 2, 0, 21, 10, 0.2325f},
      {"start lag 2: half an hour into it, Tr 32.25", true, 6, 18, 2, 0, 20.5f, 10, 0.33375f},
      {"start lag 2: not yet in torpor at 19:00", true, 6, 18, 2, 0, 19, 10, 0.435f},
      {"end lag 2: 1 h before arousal ends at 4:00", true, 6, 18, 0, 2, 3, 10, 0.2325f},
      {"end lag 2: awake at 5:00", true, 6, 18, 0, 2, 5, 10, 0.435f},
      {"dusk 23:00: at midnight 1 h into the ramp", true, 6, 23, 0, 0, 0, 15, 0.0577756f},
      {"dawn 1:00: at 23:30 1.5 h before it, Tr 18.75", true, 1, 18, 0, 0, 23.5f, 10, 0.13125f},
      {"dusk 23:00, lag 2: awake at 0:30", true, 6, 23, 2, 0, 0.5f, 10, 0.435f},
      {"dusk 23:00, lag 2: half an hour into the ramp at 1:30", true, 6, 23, 2, 0, 1.5f, 10, 0.33375f},
      {"lags longer than the night: no torpor", true, 6, 18, 8, 5, 2, 10, 0.435f},
      {"nocturnal, start lag 1: 1 h into the ramp from 7:00", false, 6, 18, 1, 0, 8, 10, 0.2325f},
      {"nocturnal, end lag 1: 1 h before arousal ends at 17:00", false, 6, 18, 0, 1, 16, 10, 0.2325f},
      // A bout of 3 h (23:00 to 2:00) with 2 h ramps: at 1:00 the entry ramp is at
      // the minimum, the warmer arousal ramp gives Tr 25.5 (no jump of 13.5 degrees).
      {"bout shorter than two ramps: 1 h before arousal ends, Tr 25.5", true, 6, 18, 5, 4, 1, 10, 0.2325f},
      {"bout shorter than two ramps: midway, Tr 18.75", true, 6, 18, 5, 4, 0.5f, 10, 0.13125f},
      {"nocturnal bout of 3 h: 1 h before arousal ends, Tr 25.5", false, 6, 18, 5, 4, 13, 10, 0.2325f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TregSettings s = Worked();
    s.dayActive = c.dayActive;
    s.dawn = c.dawn;
    s.dusk = c.dusk;
    s.torporStartLag = c.startLag;
    s.torporEndLag = c.endLag;
    const Recording rec(3, c.ta, c.t);
    EXPECT_NEAR(ComputeTregCosts(rec.climate(), Animal(), s, nullptr).costs[1], c.cost, 2e-6);
  }

  // Minute by minute through a day, the resting cost moves at most as fast
  // as the ramp moves Tr: 27 degrees over 2 h at C 0.015, 0.0034 W a minute,
  // also where a bout is shorter than its two ramps.
  const struct {
    bool dayActive;
    float dawn, dusk, startLag, endLag;
  } days[] = {{true, 6, 18, 0, 0}, {true, 6, 18, 2, 0},  {true, 6, 18, 0, 2}, {true, 6, 23, 0, 0},
              {true, 1, 18, 0, 0}, {true, 6, 23, 2, 1}, {true, 2, 20, 1, 1}, {false, 6, 18, 1, 1},
              {true, 6, 18, 5, 4}, {false, 6, 18, 4, 5}, {true, 6, 18, 6, 3}};
  for (const auto& d : days) {
    TregSettings s = Worked();
    s.dayActive = d.dayActive;
    s.dawn = d.dawn;
    s.dusk = d.dusk;
    s.torporStartLag = d.startLag;
    s.torporEndLag = d.endLag;
    Recording rec(1440, 10, 0);
    for (int k = 1; k <= 1440; ++k) rec.time[k] = static_cast<float>((k - 1) / 60.0);
    const TregResult r = ComputeTregCosts(rec.climate(), Animal(), s, nullptr);
    for (int k = 2; k <= 1440; ++k) {
      const float t0 = rec.time[k - 1], t1 = rec.time[k];
      auto resting = [&](float t) { return d.dayActive ? !(d.dawn < t && t <= d.dusk) : t > 0 && t >= d.dawn && t < d.dusk; };
      if (!resting(t0) || !resting(t1)) continue;
      ASSERT_LE(std::fabs(r.costs[k] - r.costs[k - 1]), 0.0034f)
          << "dawn " << d.dawn << " dusk " << d.dusk << " lags " << d.startLag << ", " << d.endLag << " at " << t1;
    }
  }
}

TEST(TregCosts, WindShelterAndMissingWind) {
  EXPECT_NEAR(WindFactor(15.5f, 10, 4), 0.234659f, 2e-6);
  TregSettings s = Worked();
  s.windUsed = true;
  s.rejectNoWind = false;
  s.zeroIsMissing = false;
  s.torporAllowed = false;
  const struct {
    float t, wind;
    bool shelter;
    float windUsedInCost;
  } cases[] = {{12, 4, false, 4}, {12, 0, false, 0.0001f}, {12, -9999, false, 0.01f}, {2, 4, true, 0.0001f},
               {2, 4, false, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wind);
    Recording rec(3, 20, c.t);
    rec.wind.assign(4, c.wind);
    TregAnimal a = Animal();
    a.shelter = c.shelter;
    const TregResult r = ComputeTregCosts(rec.climate(), a, s, nullptr);
    const bool active = c.t == 12;
    const float base = active ? 0.441f : (39 - 20) * 0.015f;
    const float lct = active ? 30 : 28;
    EXPECT_NEAR(r.costs[1], base + base * WindFactor(15.5f, lct - 20, c.windUsedInCost), 1e-6);
  }
}

TEST(TregCosts, RejectedCasesTimingErrorsAndDaysOutsideTheYear) {
  TregSettings s = Worked();
  Recording rec(8, 20, 12, 360);
  rec.shade[2] = rec.sun[2] = 0;   // both missing: rejected
  rec.time = {0, 23.9f, 0.1f, 1, 23.8f, 0.1f, 1, 0.5f, 0.2f};   // falls after 23.9 (none) and 23.8 (one)
  std::vector<float> store(9, -5);
  TregResult r = ComputeTregCosts(rec.climate(), Animal(), s, nullptr, store.data());
  EXPECT_EQ(r.costs[2], 0);
  EXPECT_EQ(store[2], -5);   // a rejected case leaves the prepared channel alone
  EXPECT_GT(store[3], 0);
  EXPECT_EQ(r.totalCases, 7);
  ASSERT_EQ(r.timingErrorCount, 1);   // the last two cases are never tested
  EXPECT_EQ(r.timingErrors[0], 5);

  // More than 100 errors: all counted, 100 listed.
  Recording saw(400, 20, 0);
  for (int k = 1; k <= 400; ++k) saw.time[k] = k % 2 ? 10.0f : 5.0f;
  r = ComputeTregCosts(saw.climate(), Animal(), s, nullptr);
  EXPECT_EQ(r.timingErrorCount, 199);
  EXPECT_EQ(r.timingErrors.size(), 100u);

  // Dawn and dusk from the sun table, day 0 included; a day outside the
  // table keeps the fixed ones and counts.
  static float table[367][3] = {};
  table[100][1] = 0;    // polar day
  table[100][2] = 24;
  table[200][1] = 24;   // polar night
  table[200][2] = 0;
  table[0][1] = 7;      // the day before day 1
  table[0][2] = 17;
  s.computeDawnAndDusk = true;
  Recording days(5, 20, 12);
  days.day = {0, 0, 400, 100, 200, 400};
  days.time[1] = days.time[2] = 6.5f;
  r = ComputeTregCosts(days.climate(), Animal(), s, table);
  EXPECT_NEAR(r.costs[1], 0.0983738f, 2e-6);           // day 0: dawn at 7, arousing: Tr 32.25
  EXPECT_NEAR(r.costs[2], 0.441f, 1e-6);               // day 400: the fixed dawn at 6, active
  EXPECT_NEAR(r.costs[3], 0.441f, 1e-6);               // polar day: active all day
  EXPECT_NEAR(r.costs[4], 0.0615087f, 2e-6);           // polar night: resting, in torpor at noon
  EXPECT_EQ(r.timingErrorCount, 2);
  EXPECT_EQ(r.timingErrors, (std::vector<int32_t>{2, 5}));
  EXPECT_EQ(s.dawn, 6);                                 // the settings keep the user's values
}

// Runs with fixed dawn and dusk and no wind take the eight-case loop; a sun
// table holding that dawn and dusk every day sends the same run through the
// case-by-case loop and the window maxima through their own pass. Both must
// give the same bits, on random climates with missing values, times running
// back and every mode.
TEST(TregCosts, EightCaseLoopGivesTheBitsOfTheCaseByCaseLoop) {
  static float table[367][3];
  for (auto& day : table) day[0] = 12, day[1] = 5.5f, day[2] = 19.25f;
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(0, 1);
  for (int mode = 0; mode < 64; ++mode) {
    SCOPED_TRACE(mode);
    TregSettings s = Worked();
    s.dawn = 5.5f;
    s.dusk = 19.25f;
    s.dayActive = mode & 1;
    s.useTorpor = mode & 2;
    s.zeroIsMissing = mode & 4;
    s.activeTimeCostsOnly = mode & 8;
    s.rejectNoShade = mode & 16;
    s.sunAllowed = mode & 32;
    s.torporStartLag = static_cast<float>(mode % 3) * 0.75f;
    s.torporEndLag = static_cast<float>(mode % 5) * 0.5f;
    const float missing = s.zeroIsMissing ? 0.0f : -9999.0f;
    const int n = 3000 + mode;
    Recording rec(n, 0, 0, 600);
    for (int k = 1; k <= n; ++k) {
      rec.time[k] = std::fmod(k / 6.0f, 24.0f);
      rec.shade[k] = -5 + 40 * u(rng);
      rec.sun[k] = rec.shade[k] + 10 * u(rng);
      if (u(rng) < 0.03f) rec.shade[k] = missing;
      if (u(rng) < 0.03f) rec.sun[k] = missing;
      if (u(rng) < 0.002f) rec.time[k] = 24 * u(rng);        // runs back: a timing error
      if (u(rng) < 0.01f) rec.time[k] = 120 * u(rng) - 50;   // outside the day
    }
    std::vector<float> storeFixed(n + 1, -3), storeTable(n + 1, -3);
    TregAnimal a = Animal();
    a.useSun = mode & 4;
    // Without a positive conductance, costs that are not written still count
    // in the window maxima.
    if (mode % 7 == 3) a.conductance = mode & 1 ? 0.0f : -0.015f;
    const TregResult fixed = ComputeTregCosts(rec.climate(), a, s, nullptr, storeFixed.data());
    s.computeDawnAndDusk = true;
    const TregResult byTable = ComputeTregCosts(rec.climate(), a, s, table, storeTable.data());
    ASSERT_EQ(fixed.costs, byTable.costs);
    ASSERT_EQ(storeFixed, storeTable);
    EXPECT_EQ(fixed.timingErrors, byTable.timingErrors);
    EXPECT_EQ(fixed.timingErrorCount, byTable.timingErrorCount);
    EXPECT_EQ(fixed.totalCases, byTable.totalCases);
    EXPECT_EQ(fixed.atBMR, byTable.atBMR);
    EXPECT_EQ(fixed.aboveBMR, byTable.aboveBMR);
    EXPECT_EQ(fixed.torporCases, byTable.torporCases);
    EXPECT_EQ(fixed.activeCases, byTable.activeCases);
    EXPECT_EQ(fixed.highest, byTable.highest);
    EXPECT_EQ(fixed.writtenSum, byTable.writtenSum);
    EXPECT_EQ(fixed.aboveSum, byTable.aboveSum);
    EXPECT_EQ(fixed.torporSum, byTable.torporSum);
    EXPECT_EQ(fixed.activeSum, byTable.activeSum);
    EXPECT_EQ(fixed.h6, byTable.h6);
    EXPECT_EQ(fixed.h12, byTable.h12);
    EXPECT_EQ(fixed.hday, byTable.hday);
    EXPECT_GT(fixed.hday, 0);
  }
}

TEST(TregCosts, WindowMaximaSlideOverPositiveCosts) {
  std::vector<float> hourly(49, 0);
  for (int k = 1; k <= 24; ++k) hourly[k] = k <= 12 ? 1.0f : 2.0f;
  EXPECT_FLOAT_EQ(HighestWindowMean(hourly, 6), 2);
  EXPECT_FLOAT_EQ(HighestWindowMean(hourly, 12), 2);
  EXPECT_FLOAT_EQ(HighestWindowMean(hourly, 24), 1.75f);
  EXPECT_EQ(HighestWindowMean(std::vector<float>(7, 1), 6), kNoWindowMean);   // w cases or fewer
  // Against a plain scan of every run.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1, 3);
  std::vector<float> costs(2001);
  for (float& v : costs) v = u(rng);
  for (int32_t w : {1, 5, 60, 333}) {
    double best = kNoWindowMean;
    for (int32_t i = 1; i <= 2000 - w; ++i) {
      double sum = 0;
      int32_t count = 0;
      for (int32_t k = i; k < i + w; ++k)
        if (costs[k] > 0) sum += costs[k], ++count;
      if (count > 0 && count >= static_cast<int32_t>(0.7 * w) && sum / count > best) best = sum / count;
    }
    EXPECT_FLOAT_EQ(HighestWindowMean(costs, w), static_cast<float>(best)) << w;
  }
  // On two threads, a segment of totals at a time: the same results, bit for
  // bit, also where whole days repeat and the best must beat itself by more
  // than rounding, with NaNs and zeros among the costs, and with segments
  // shorter than the longest run or not a whole number of vectors.
  std::vector<float> days(3 * 1440 + 503);
  for (size_t k = 1; k < days.size(); ++k) {
    const size_t minute = k % 1440;
    days[k] = minute < 300 ? -1.0f : minute % 97 == 0 ? NAN : minute % 89 == 0 ? 0.0f : 1.5f + 0.001f * minute;
  }
  for (const auto* channel : {&costs, &days})
    for (const auto& [w1, w2, w3] : {std::tuple{60, 0, 0}, {5, 10, 20}, {333, 666, 1332}, {360, 720, 1440}})
      for (int32_t segment : {1, 7, 64, 2048, 5000}) {
        SCOPED_TRACE(::testing::Message() << "lengths " << w1 << " " << w2 << " " << w3 << ", segment " << segment);
        const std::array<float, 3> got = HighestWindowMeansOnTwoThreads(*channel, w1, w2, w3, segment);
        const int32_t lengths[] = {w1, w2, w3};
        for (size_t j = 0; j < 3; ++j)
          EXPECT_EQ(std::bit_cast<uint32_t>(got[j]),
                    std::bit_cast<uint32_t>(lengths[j] > 0 ? HighestWindowMean(*channel, lengths[j]) : kNoWindowMean));
      }
}

TEST(TregCosts, ResultTextsOfARun) {
  TregResult r;
  r.totalCases = 4;
  r.atBMR = 1;
  r.aboveBMR = 0;
  r.highest = 0.5f;
  r.torporUsed = false;
  const auto t = TregResultTexts(r, 0.25f);
  auto text = [&](int16_t id) {
    for (const auto& [f, s] : t)
      if (f == id) return s;
    return std::string("absent");
  };
  EXPECT_EQ(text(kTregMaxW), "0.5");
  EXPECT_EQ(text(kTregMaxXBmr), "2");
  EXPECT_EQ(text(kTregAtBmrPct), " 25");
  EXPECT_EQ(text(kTregNotBmrW), "--  ");
  EXPECT_EQ(text(kTreg6hW), "");
  EXPECT_EQ(text(kTregTorporW), "not used");
  EXPECT_EQ(text(kTregTorporPct), "zero   ");
  EXPECT_EQ(MeanTimesBmrText(0.5f, 0), "0");
}

}  // namespace

// The engine's e^x is the correctly rounded float all but always, and never
// a step further; special values as expf gives them.
TEST(TregCosts, ExpIsTheRoundedExponentialOverTheFloats) {
  const struct {
    float x, e;
  } edges[] = {{0, 1}, {-0.0f, 1}, {89, INFINITY}, {INFINITY, INFINITY}, {-INFINITY, 0}, {-104, 0}, {-1e30f, 0}};
  for (const auto& c : edges) EXPECT_EQ(TregExp(c.x), c.e) << c.x;
  EXPECT_TRUE(std::isnan(TregExp(NAN)));
  EXPECT_EQ(TregExp(88.72f), static_cast<float>(std::exp(static_cast<double>(88.72f))));
  EXPECT_EQ(TregExp(-100), static_cast<float>(std::exp(-100.0)));   // a subnormal float
  int64_t off = 0, n = 0;
  for (float x = -110; x < 89; x = std::nextafter(x, 100.0f) + std::fabs(x) * 1e-5f + 1e-6f, ++n) {
    const float want = static_cast<float>(std::exp(static_cast<double>(x)));
    const float got = TregExp(x);
    if (got == want) continue;
    ++off;
    ASSERT_TRUE(got == std::nextafter(want, 0.0f) || got == std::nextafter(want, INFINITY)) << x;
  }
  EXPECT_GT(n, 1000000);
  EXPECT_LT(off * 1e6, n);
}

// A repeated run writes its costs into the block of the run before: fresh
// pages cost more than the run's own pass over them.
TEST(TregCosts, ARepeatedRunReusesTheBlockOfTheRunBefore) {
  const Recording rec(300000, 20, 12);
  const float* first;
  {
    const TregResult r = ComputeTregCosts(rec.climate(), Animal(), Worked(), nullptr);
    first = r.costs.data();
  }
  const TregResult again = ComputeTregCosts(rec.climate(), Animal(), Worked(), nullptr);
  EXPECT_EQ(again.costs.data(), first);
  EXPECT_FLOAT_EQ(again.costs[300000], 0.441f);
}
