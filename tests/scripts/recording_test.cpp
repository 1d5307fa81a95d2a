#include "shell/recording.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

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
  static float store[kStepSlots][kStepFields];
  std::memset(store, 0, sizeof store);   // afresh each run: the test writes into it
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
  static float store[kStepSlots][kStepFields];
  std::memset(store, 0, sizeof store);   // afresh each run: the test writes into it
  EXPECT_EQ(SettingsStep(store, 5, 9), store[5]);
  EXPECT_EQ(SettingsStep(store, 0, 9), store[9]);
  EXPECT_EQ(SettingsStep(store, 0, 0), nullptr);
  EXPECT_EQ(SettingsStep(store, 0, 41), nullptr);
  EXPECT_TRUE(ReplayWithoutAsking(3, 1, 100));
  EXPECT_FALSE(ReplayWithoutAsking(3, 1, 0));   // first run manual asks
  EXPECT_FALSE(ReplayWithoutAsking(3, 0, 1));
  EXPECT_FALSE(ReplayWithoutAsking(0, 1, 1));
}

// Typed labels live beside the steps: each step's label stays its own, a
// label no step uses any more is reused, and a full pool stores nothing.
TEST(ScriptStore, TypedLabelsKeepToTheirSteps) {
  static float store[kStepSlots][kStepFields];
  std::memset(store, 0, sizeof store);   // afresh each run: the test writes into it
  const struct { int16_t step; int16_t code; const char* label; } kept[] = {
      {1, kOpIntegrate, "area (ml O2)"},
      {2, kOpTransformations, "\xA5" "C \xB1 0.5, thirty chars long!!"},
      {3, kOpDerivative, ""},
  };
  for (const auto& k : kept) {
    store[k.step][kStepOperation] = k.code;
    const int field = k.code == kOpTransformations ? transform_step::kLabel : integral_step::kLabel;
    EXPECT_GT(KeepStepLabel(store, k.step, field, k.label), 0) << k.label;
  }
  for (const auto& k : kept) {
    std::string got;
    const int field = k.code == kOpTransformations ? transform_step::kLabel : integral_step::kLabel;
    ASSERT_TRUE(StepLabelText(store, store[k.step], field, &got));
    EXPECT_EQ(got, k.label);
  }
  // Clear of the code field of the slots that hold them: a saved script
  // stays readable.
  for (int slot = 42; slot < kStepSlots; ++slot) EXPECT_EQ(store[slot][kStepOperation], 0.0f) << slot;
  // A label is cut to 30 characters.
  std::string got;
  EXPECT_GT(KeepStepLabel(store, 4, integral_step::kLabel, std::string(40, 'x')), 0);
  store[4][kStepOperation] = kOpIntegrate;
  ASSERT_TRUE(StepLabelText(store, store[4], integral_step::kLabel, &got));
  EXPECT_EQ(got, std::string(30, 'x'));
  // Twenty labelled steps take every number; a twenty-first gets none.
  for (int16_t s = 5; s <= 20; ++s) {
    store[s][kStepOperation] = kOpIntegrate;
    EXPECT_GT(KeepStepLabel(store, s, integral_step::kLabel, "x"), 0);
  }
  store[21][kStepOperation] = kOpIntegrate;
  EXPECT_EQ(KeepStepLabel(store, 21, integral_step::kLabel, "x"), 0);
  EXPECT_FALSE(StepLabelText(store, store[21], integral_step::kLabel, &got));
  // A deleted step's label is free again; the others are untouched.
  store[3][kStepOperation] = kOpDeleted;
  EXPECT_GT(KeepStepLabel(store, 21, integral_step::kLabel, "again"), 0);
  ASSERT_TRUE(StepLabelText(store, store[2], transform_step::kLabel, &got));
  EXPECT_EQ(got, kept[1].label);
  // A damaged number reads as no label.
  store[22][integral_step::kLabel] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(StepLabelText(store, store[22], integral_step::kLabel, &got));
  store[22][integral_step::kLabel] = 21.0f;
  EXPECT_FALSE(StepLabelText(store, store[22], integral_step::kLabel, &got));
}

// A choice read from a step is one the command knows, or none: an old step's
// 0 and any damaged value give 0, never a conversion out of range.
TEST(ScriptStore, HeldChoicesReadOnlyWhatTheCommandKnows) {
  const struct { float v; int16_t channel, choice; } cases[] = {
      {0.0f, 0, 0}, {3.0f, 3, 0}, {4.0f, 4, 0}, {5.0f, 0, 0}, {-1.0f, 0, 0}, {2.5f, 2, 0},
      {66.0f, 0, 66}, {1e30f, 0, 0}, {std::numeric_limits<float>::quiet_NaN(), 0, 0},
      {std::numeric_limits<float>::infinity(), 0, 0},
  };
  for (const auto& c : cases) {
    float step[kStepFields] = {};
    step[kStepChannel] = c.v;
    EXPECT_EQ(StepChannelIn(step, kStepChannel, 4), c.channel) << c.v;
    EXPECT_EQ(StepChoice(step, kStepChannel, {65, 66, 67}), c.choice) << c.v;
  }
}

// A limit inside the block is held as its offset plus 1; a replay on a
// shorter block (here 100 cases after its first) keeps it inside.
TEST(ScriptStore, BlockLimitsStayInsideTheBlockReplayed) {
  const struct { float v; int32_t offset; } cases[] = {
      {0.0f, -1}, {1.0f, 0}, {41.0f, 40}, {101.0f, 100}, {5000.0f, 100}, {-3.0f, -1}, {0.5f, -1},
      {7.0e6f, 100}, {std::numeric_limits<float>::quiet_NaN(), -1}, {std::numeric_limits<float>::infinity(), 100},
  };
  for (const auto& c : cases) {
    float step[kStepFields] = {};
    step[limits_step::kLeftLimit] = c.v;
    EXPECT_EQ(StepBlockLimit(step, limits_step::kLeftLimit, 100), c.offset) << c.v;
  }
}
