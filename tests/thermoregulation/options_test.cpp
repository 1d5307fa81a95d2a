// The rules that turn the options dialog's typed fields into settings, and
// the saved settings' round trip through the preferences file.
#include "thermoregulation/options.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/prefs.h"

namespace {

TEST(TregOptions, TypedFieldsFollowTheirRules) {
  const struct {
    double q10, entry, defaultTb, maxTb;
    float wantQ10, wantEntry, wantDefaultTb;
    int16_t wantMax;
  } cases[] = {
      {2.2, 2, 37, 44, 2.2f, 2, 37, 44},   {0.5, 2, 37, 44, 1, 2, 37, 44},
      {9, 0, 0, 44.9, 5, 0.5f, 37, 44},    {0, 0.25, 36, -3.7, 1, 0.25f, 36, -3},
      {1e300, 1, 1, 1e30, 5, 1, 1, 32767},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.q10);
    SetDEFAULTS();
    TypedOptions t;
    t.q10 = c.q10;
    t.entryTime = c.entry;
    t.defaultTb = c.defaultTb;
    t.maxTb = c.maxTb;
    StoreTypedOptions(t);
    EXPECT_FLOAT_EQ(TorporQ10, c.wantQ10);
    EXPECT_FLOAT_EQ(TorporEntryTime, c.wantEntry);
    EXPECT_FLOAT_EQ(DefaultTb, c.wantDefaultTb);
    EXPECT_EQ(prefsArray[kPrefMaxActiveTb], c.wantMax);
  }
  EXPECT_EQ(OptionText(0, kShownConductanceFactor), "1.4");
  EXPECT_EQ(OptionText(1.5f, kShownConductanceFactor), "1.5");
}

TEST(TregOptions, SavedSettingsAndLocationSurviveThePreferencesFile) {
  SetDEFAULTS();
  variableTb = 0;
  TbChange = 3.5f;
  CalculationsCanUseTorpor = 0;
  MinimumTorporTb = 9;
  TorporEntryTime = 1.5f;
  TorporQ10 = 3;
  ActiveTimeCostsOnly = 1;
  DaytimeStart = 5.5f;
  DaytimeEnd = 19.25f;
  TorporStartLag = 1;
  TorporEndLag = 2;
  DefaultTb = 36;
  ZeroEqualsMissingTemperatures = 0;
  replacementTb = 0;
  BMRinWatts = 1;
  dayActive = 0;
  latitude = -33.5f;
  longitude = -151.25f;
  const auto dir = testsupport::MakeScratchDir("corvimet-tregprefs-");
  const auto file = dir / "prefs";
  ASSERT_EQ(SaveSettings(file), PrefsStatus::Ok);
  SetDEFAULTS();
  latitude = longitude = 0;
  ASSERT_EQ(GetSettings(file), PrefsStatus::Ok);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(variableTb, 0);
  EXPECT_EQ(TbChange, 3.5f);
  EXPECT_EQ(CalculationsCanUseTorpor, 0);
  EXPECT_EQ(MinimumTorporTb, 9);
  EXPECT_EQ(TorporEntryTime, 1.5f);
  EXPECT_EQ(TorporQ10, 3);
  EXPECT_EQ(ActiveTimeCostsOnly, 1);
  EXPECT_EQ(DaytimeStart, 5.5f);
  EXPECT_EQ(DaytimeEnd, 19.25f);
  EXPECT_EQ(TorporStartLag, 1);
  EXPECT_EQ(TorporEndLag, 2);
  EXPECT_EQ(DefaultTb, 36);
  EXPECT_EQ(ZeroEqualsMissingTemperatures, 0);
  EXPECT_EQ(replacementTb, 0);
  EXPECT_EQ(BMRinWatts, 1);
  EXPECT_EQ(dayActive, 0);
  EXPECT_EQ(latitude, -33.5f);
  EXPECT_EQ(longitude, -151.25f);
  EXPECT_EQ(northLatitude, 0);
  EXPECT_EQ(westLongitude, 0);
  SetDEFAULTS();
}

}  // namespace
