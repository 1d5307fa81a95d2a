#include "respirometry/gasphysics.h"

#include <gtest/gtest.h>

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
