#include "respirometry/gasphysics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(GasPhysics, SaturatedVapourDensityMatchesTables) {
  // mg/ml; 0.0173 at 20 and 0.0438 at 37 degrees are the tabulated densities.
  const struct { float t, rho; } cases[] = {
      {20.0f, 0.0172706f}, {25.0f, 0.0230096f}, {30.0f, 0.0303183f},
      {37.0f, 0.0438344f}, {37.5f, 0.0449704f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    EXPECT_NEAR(WATERCON(c.t), c.rho, 2e-7);
  }
}

TEST(GasPhysics, OxygenContentOfWater) {
  // ml STP/L (6.35 at 20 degrees in fresh air-saturated water); solutes lower
  // only the exponential part, and the pressure counts once, in o2Factor.
  const struct { float t, volume, solutes, factor; bool mg; float perLitre, inVolume; } cases[] = {
      {20.0f, 1000.0f, 0.0f, 1.0f, false, 6.35087f, 6.35087f},
      {20.0f, 500.0f, 0.0f, 1.0f, true, 9.07285f, 4.536425f},
      {10.0f, 250.0f, 17.5f, 1.0f, false, 7.15803f, 1.7895075f},
      {20.0f, 0.0f, 0.0f, 1.0f, false, 6.35087f, 0.0f},
      {20.0f, 1000.0f, 0.0f, 0.5f, false, 3.175435f, 3.175435f},
      {20.0f, 1000.0f, 1e6f, 1.0f, false, 2.793274f, 2.793274f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.t << " " << c.volume << " " << c.solutes << " " << c.factor);
    const O2Content r = O2CONTENT(c.t, c.volume, c.solutes, c.factor, c.mg);
    EXPECT_NEAR(r.perLitre, c.perLitre, 1e-5);
    EXPECT_NEAR(r.inVolume, c.inVolume, 1e-5);
  }
}

// Boiling points of the steam tables (IAPWS-IF97) at their pressures: water
// 0.01 K cooler is liquid, 0.01 K hotter boils.
TEST(GasPhysics, WaterBoilsAtTheSteamTablesBoilingPoints) {
  const struct { double kPa, celsius; } cases[] = {
      {101.325, 99.974}, {50, 81.32}, {20, 60.06}, {12.352, 50}, {10, 45.81}, {7.3851, 40}, {4.2470, 30},
      {2.3392, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kPa);
    const auto torr = static_cast<float>(c.kPa * 760 / 101.325);
    EXPECT_FALSE(WaterBoils(static_cast<float>(c.celsius - 0.01), torr));
    EXPECT_TRUE(WaterBoils(static_cast<float>(c.celsius + 0.01), torr));
  }
  EXPECT_TRUE(WaterBoils(20, 0));
  EXPECT_TRUE(WaterBoils(20, std::nanf("")));
}

// O2CONTENT's water: every temperature from 0.5 to 50 degrees at the
// pressures of the field (350 to 800 torr) is kept; above 50 degrees the
// temperature is refused, saying why; below 50, boiling blames the B.P.
TEST(GasPhysics, OxygenContentHoldsForLiquidWaterUpToFiftyDegrees) {
  for (const float torr : {350.0f, 500.0f, 760.0f, 800.0f}) {
    for (int tenth = 5; tenth <= 500; ++tenth) {
      const float t = static_cast<float>(tenth) / 10.0f;
      const CheckedResult r = CheckedO2ContentWater(t, torr);
      ASSERT_TRUE(r.ok()) << t << " degrees, " << torr << " torr: " << RefusalText(r);
      EXPECT_EQ(r.value, t);
    }
  }
  const struct { float t, torr; const char* field; const char* reason; } refused[] = {
      {50.01f, 760, "temp.", "the oxygen content formula holds for water up to 50 \xA1" "C"},
      {60, 760, "temp.", "the oxygen content formula holds for water up to 50 \xA1" "C"},
      {99, 760, "temp.", "the oxygen content formula holds for water up to 50 \xA1" "C"},
      {100, 760, "temp.", "water boils at this temperature and B.P."},
      {80, 350, "temp.", "water boils at this temperature and B.P."},
      {38.2f, 50, "B.P.", nullptr},
      {20, 0, "B.P.", nullptr},
      {-273.15f, 760, "temp.", kAboveAbsoluteZero},
      {std::numeric_limits<float>::infinity(), 760, "temp.", nullptr},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(testing::Message() << c.t << " degrees, " << c.torr << " torr");
    const CheckedResult r = CheckedO2ContentWater(c.t, c.torr);
    ASSERT_FALSE(r.ok());
    EXPECT_STREQ(r.field, c.field);
    if (c.reason) {
      EXPECT_STREQ(r.reason, c.reason);
    }
  }
  EXPECT_TRUE(CheckedO2ContentWater(38.0f, 50).ok());
}

TEST(GasPhysics, VapourDensityFitsAndLatentHeat) {
  // Which fit serves at 4 degrees matters: the two differ by 1 %.
  const struct { float t, air, surface; } cases[] = {
      {25.0f, 0.0229653f, 0.0230143f}, {20.0f, 0.0172466f, 0.0172813f},
      {10.0f, 0.00940788f, 0.00938624f}, {4.0f, 0.00638996f, 0.00633622f},
      {0.0f, 0.0048835f, 0.0048364f}, {-10.0f, 0.00237605f, 0.00235642f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    EXPECT_NEAR(VapourDensityAir(c.t), c.air, 3e-6 * c.air);
    EXPECT_NEAR(VapourDensitySurface(c.t), c.surface, 3e-6 * c.surface);
  }
  EXPECT_NEAR(LatentHeat(30.0f), 2429.839f, 1e-3);
  EXPECT_NEAR(1.0f - 0.5f * WATERCON(25.0f) * VapourFractionFactor(760.0f), 0.985674f, 1e-6);
}
