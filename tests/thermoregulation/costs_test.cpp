// The cost engine against worked cases: phases, the BMR floor, torpor and its
// ramps, wind, timing errors, rejected cases and the window maxima.
#include "thermoregulation/costs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
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
      {2, 11, 0.015f, 1, 0},          // the edge: defence
      {2, 11.0001f, 0.0199287f, 1, 0},
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

  // Dawn and dusk from the sun table; a day outside the year keeps the fixed ones and counts.
  static float table[367][3] = {};
  table[100][1] = 0;    // polar day
  table[100][2] = 24;
  table[200][1] = 24;   // polar night
  table[200][2] = 0;
  s.computeDawnAndDusk = true;
  Recording days(4, 20, 12);
  days.day = {0, 100, 200, 0, 400};
  r = ComputeTregCosts(days.climate(), Animal(), s, table);
  EXPECT_NEAR(r.costs[1], 0.441f, 1e-6);               // active all day
  EXPECT_NEAR(r.costs[2], 0.0615087f, 2e-6);           // polar night: resting, in torpor at noon
  EXPECT_EQ(r.timingErrorCount, 2);
  EXPECT_EQ(s.dawn, 6);                                 // the settings keep the user's values
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
