#include "shell/recording.h"

#include <gtest/gtest.h>

TEST(ScriptLabel, LabelsAndEmptyCodes) {
  const struct { int code; const char* label; } cases[] = {
      {1, "CHANGE CHANNEL to:"}, {13, "MINIMUM; total seconds:"}, {16, "SLOPE vs. TIME"},
      {17, "REGRESS channels"},  {25, " * END SCRIPT *"},         {45, "selective INTEGRATE"},
      {0, ""},                   {21, ""},                        {31, ""},
      {99, ""},                  {-3, ""},                        {1000, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ScriptLabel(c.code), c.label) << c.code;
}

TEST(ScriptStore, RecordingStopsAtFortyAndAppendsAfterTheLastStep) {
  static float store[kStepSlots][kStepFields] = {};
  uint16_t count = 0;
  EXPECT_EQ(AppendStep(store, false, &count, kOpSlopeVsTime), 0);
  store[1][7] = 3.0f;   // stale field of a cleared script
  EXPECT_EQ(AppendStep(store, true, &count, kOpSlopeVsTime), 1);
  EXPECT_EQ(store[1][kStepOperation], 16.0f);
  EXPECT_EQ(store[1][7], 0.0f);
  count = 39;
  EXPECT_EQ(AppendStep(store, true, &count, kOpRegress), 40);
  EXPECT_EQ(AppendStep(store, true, &count, kOpRegress), 0);
  EXPECT_EQ(count, 40);
  EXPECT_EQ(store[41][kStepOperation], 0.0f);
  // "Add to Existing Script": the position is the last step held, not a count.
  EXPECT_EQ(RecordingPositionOf(store), 40);
  store[40][kStepOperation] = 0.0f;
  store[12][kStepOperation] = kOpDeleted;
  store[41][kStepOperation] = kOpEndScript;   // beyond the script
  EXPECT_EQ(RecordingPositionOf(store), 12);
}

TEST(ScriptStore, ChoicesGoToTheRecordedOrHandedStep) {
  static float store[kStepSlots][kStepFields] = {};
  EXPECT_EQ(SettingsStep(store, 5, 9), store[5]);
  EXPECT_EQ(SettingsStep(store, 0, 9), store[9]);
  EXPECT_EQ(SettingsStep(store, 0, 0), nullptr);
  EXPECT_EQ(SettingsStep(store, 0, 41), nullptr);
  EXPECT_TRUE(ReplayWithoutAsking(3, 1, 100));
  EXPECT_FALSE(ReplayWithoutAsking(3, 1, 0));   // first run manual asks
  EXPECT_FALSE(ReplayWithoutAsking(3, 0, 1));
  EXPECT_FALSE(ReplayWithoutAsking(0, 1, 1));
}
