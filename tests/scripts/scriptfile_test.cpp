#include "scripts/scriptfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

void Fill(ScriptStore& s) {
  for (int slot = 0; slot < kStepSlots; ++slot)
    for (int f = 0; f < kStepFields; ++f)
      s[slot][f] = f == kStepOperation ? static_cast<float>(slot % 46) : slot * 0.5f - f * 3.25f;
}

bool Same(const ScriptStore& a, const ScriptStore& b) { return std::memcmp(a, b, sizeof(ScriptStore)) == 0; }

TEST(ScriptFile, EmptyStoreIsAllZerosButTheAutoscriptWord) {
  static ScriptStore store;
  std::memset(store, 0, sizeof store);   // afresh each run: the test writes into it
  const std::string bytes = EncodeScriptFile(store, 1);
  ASSERT_EQ(bytes.size(), 5826u);
  EXPECT_EQ(bytes.find_first_not_of('\0'), 5825u);
  EXPECT_EQ(bytes[5825], '\x01');
  // Big-endian floats, field 0 first.
  store[1][kStepOperation] = 16.0f;
  EXPECT_EQ(EncodeScriptFile(store, 0).substr(112 + 4, 4), std::string("\x41\x80\x00\x00", 4));
}

TEST(ScriptFile, AllSlotsRoundTripByteForByte) {
  static ScriptStore store, back;
  Fill(store);
  const std::string bytes = EncodeScriptFile(store, 1);
  std::memset(back, 0, sizeof back);
  int16_t flag = 0;
  ASSERT_EQ(DecodeScriptFile(bytes, back, &flag), ScriptFileStatus::Ok);
  EXPECT_TRUE(Same(store, back));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(EncodeScriptFile(back, flag), bytes);
}

TEST(ScriptFile, ShortFileLoadsWholeStepsOnly) {
  static ScriptStore written, store;
  Fill(written);
  std::memset(store, 0, sizeof store);
  for (int slot = 0; slot < kStepSlots; ++slot)
    for (int f = 0; f < kStepFields; ++f) store[slot][f] = 7.0f;
  int16_t flag = 5;
  // 1,000 bytes: 8 whole steps (896 bytes), the rest of a ninth ignored.
  ASSERT_EQ(DecodeScriptFile(EncodeScriptFile(written, 1).substr(0, 1000), store, &flag), ScriptFileStatus::Ok);
  EXPECT_EQ(flag, 0);
  for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(store[slot][5], written[slot][5]) << slot;
  // Later steps read as empty; their settings and the carried slots stay.
  EXPECT_EQ(store[8][kStepOperation], 0.0f);
  EXPECT_EQ(store[40][kStepMain], 0.0f);
  EXPECT_EQ(store[8][5], 7.0f);
  EXPECT_EQ(store[41][kStepOperation], 7.0f);
}

// How far a file that ends early was read, in the user's step numbers.
TEST(ScriptFile, AShortFileSaysHowManyOfItsStepsWereRead) {
  static ScriptStore written, store;
  written[1][kStepOperation] = kOpChangeChannel;
  written[3][kStepOperation] = kOpSmoothing;
  written[40][kStepOperation] = kOpBasicStats;
  const std::string bytes = EncodeScriptFile(written, 1);
  const struct {
    size_t length;
    std::string want;
  } cases[] = {
      {1000, "The script file s.cmsc ends early: only steps 1 to 7 were read (2 hold an operation); the steps "
             "after them are empty, and Automatic Run is off."},
      {112 * 2, "The script file s.cmsc ends early: only steps 1 to 1 were read (1 holds an operation); the steps "
                "after them are empty, and Automatic Run is off."},
      {112, "The script file s.cmsc ends before its first step: no step was read, and Automatic Run is off."},
      {112 * 41, "The script file s.cmsc ends early: all 40 steps were read (3 hold an operation), but its "
                 "Automatic Run setting is missing, so Automatic Run is off."},
      {5825, "The script file s.cmsc ends early: all 40 steps were read (3 hold an operation), but its "
             "Automatic Run setting is missing, so Automatic Run is off."},
      {5826, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    int16_t flag = 0;
    ASSERT_EQ(DecodeScriptFile(bytes.substr(0, c.length), store, &flag), ScriptFileStatus::Ok);
    EXPECT_EQ(ShortScriptFileText(store, c.length, "s.cmsc"), c.want);
  }
}

TEST(ScriptFile, DamagedOrForeignFilesChangeNothing) {
  static ScriptStore good, store, before;
  Fill(good);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    float code;         // written into step 3's code
    size_t length;      // of the file handed over
    ScriptFileStatus status;
  } cases[] = {
      {"NaN code", nan, 5826, ScriptFileStatus::BadCode},
      {"huge code", 1e30f, 5826, ScriptFileStatus::BadCode},
      {"fraction", 12.5f, 5826, ScriptFileStatus::BadCode},
      {"negative", -1.0f, 5826, ScriptFileStatus::BadCode},
      {"above 99", 100.0f, 5826, ScriptFileStatus::BadCode},
      {"empty", 3.0f, 0, ScriptFileStatus::TooShort},
      {"less than a step", 3.0f, 111, ScriptFileStatus::TooShort},
      {"6,000 bytes", 3.0f, 6000, ScriptFileStatus::TooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptStore file;
    std::memcpy(file, good, sizeof file);
    file[3][kStepOperation] = c.code;
    std::string bytes = EncodeScriptFile(file, 1);
    bytes.resize(c.length, 'x');
    Fill(store);
    store[2][kStepOperation] = 33.0f;
    std::memcpy(before, store, sizeof before);
    int16_t flag = 9;
    EXPECT_EQ(DecodeScriptFile(bytes, store, &flag), c.status);
    EXPECT_TRUE(Same(store, before));
    EXPECT_EQ(flag, 9);
  }
  // A whole code the runner does not know loads.
  ScriptStore file = {};
  file[4][kStepOperation] = 77.0f;
  int16_t flag = 0;
  EXPECT_EQ(DecodeScriptFile(EncodeScriptFile(file, 0), store, &flag), ScriptFileStatus::Ok);
  EXPECT_EQ(StepCode(store[4]), 77);
  EXPECT_FALSE(IsBlockStep(77));
  EXPECT_TRUE(ScriptLabel(77).empty());
}

TEST(ScriptFile, ClearEmptiesStepsButKeepsTheirSettings) {
  static ScriptStore store;
  Fill(store);
  ClearScriptStore(store);
  for (int slot = 0; slot <= 41; ++slot)
    for (int f = 0; f <= 3; ++f) EXPECT_EQ(store[slot][f], 0.0f);
  EXPECT_EQ(store[5][4], 5 * 0.5f - 4 * 3.25f);
  EXPECT_EQ(store[42][kStepOperation], 42.0f);
}

TEST(ScriptFile, StepNumbersNeverReachAnUndefinedConversion) {
  const struct { float v; int16_t want; } cases[] = {
      {std::numeric_limits<float>::quiet_NaN(), 0}, {1e30f, INT16_MAX}, {-1e30f, INT16_MIN},
      {std::numeric_limits<float>::infinity(), INT16_MAX}, {3.9f, 3}, {-3.9f, -3},
  };
  for (const auto& c : cases) EXPECT_EQ(StepInt(c.v), c.want) << c.v;
}

TEST(ScriptRows, TextsByCode) {
  const struct {
    const char* what;
    int code;
    int field;
    float value;
    ScriptRowTexts want;
    std::vector<std::pair<int, float>> also = {};   // further fields of a step as recorded
  } cases[] = {
      {"channel", 1, 2, 3.0f, {true, "CHANGE CHANNEL to:", "3", "", "", "", ""}},
      {"smoothing 7 cases", 6, 4, 3.0f, {true, "SMOOTHING", "whole channel", "", "cases: 7", "cycles: 0", ""}},
      {"smoothing choice 41", 6, 4, 41.0f, {true, "SMOOTHING", "whole channel", "", "cases: 3", "cycles: 0", ""}},
      {"smoothing unknown", 6, 4, 12.0f, {true, "SMOOTHING", "whole channel", "", "cases: 0", "cycles: 0", ""}},
      {"spikes", 7, 4, 5.0f, {true, "remove SPIKES", "whole channel", "threshold: 5", "max: 0", "min:0", ""}},
      {"absolute value", 11, 4, 17.0f, {true, "TRANSFORMATIONS", "whole channel", "absolute value", "", "", ""}},
      {"a + b X^c", 11, 4, 5.0f, {true, "TRANSFORMATIONS", "whole channel", " a + b * X^c", "0", "0", "0"}},
      {"references", 40, 4, 1.0f,
       {true, "remove REFERENCES", "whole channel", "downgoing? 1", "cutoff: 0", "sidepoints: 0", "fixed: 0"}},
      {"smoothing of the block only", 6, 9, 1.0f, {true, "SMOOTHING", "block only", "", "cases: 0", "cycles: 0", ""}},
      {"spikes within the block", 7, 11, 1.0f, {true, "remove SPIKES", "block only", "threshold: 0", "max: 0", "min:0", ""}},
      {"transform of the block", 11, 6, 1.0f, {true, "TRANSFORMATIONS", "block only", "", "0", "0", "0"}},
      {"block set to a value by hand", 11, 3, 2.0f, {true, "TRANSFORMATIONS", "whole channel", "block set to", "0", "", ""}},
      {"a block of channel 3 set by Change Blocks, as recorded", 11, 3, 2.0f,
       {true, "TRANSFORMATIONS", "block only", "block set to", "-21.123457", "", ""},
       {{6, 1.0f}, {12, -21.123456789f}, {11, 3.0f}}},
      {"block set to a value in Transformations, as recorded", 11, 3, 1.0f,
       {true, "TRANSFORMATIONS", "block only", "block set to", "0.000125", "", ""},
       {{6, 1.0f}, {12, 1.25e-4f}, {11, 1.0f}}},
      {"references within the block", 40, 12, 1.0f,
       {true, "remove REFERENCES", "block only", "downgoing? 0", "cutoff: 0", "sidepoints: 0", "fixed: 0"}},
      {"scale to block: the block chosen again", 41, 5, 1.0f,
       {true, "SCALE to BLOCK", "", "0-100? 1", "max: 0", "min: 0", ""}},
      {"baseline constant", 3, 4, 5.0f, {true, "BASELINE", "", "baseline method: ", "constant", "0", ""}},
      {"window scan", 13, 2, 60.0f, {true, "MINIMUM; total seconds:", "60", "", "", "", ""}},
      {"deleted", 99, 2, 0.0f, {true, kDeletedStepLabel, "", "", "", "", ""}},
      {"time series: no label", 21, 2, 0.0f, {false, "", "", "", "", "", ""}},
      {"unknown", 77, 2, 0.0f, {false, "", "", "", "", "", ""}},
      {"empty", 0, 2, 0.0f, {false, "", "", "", "", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    float step[kStepFields] = {};
    step[kStepOperation] = static_cast<float>(c.code);
    step[c.field] = c.value;
    for (const auto& [field, value] : c.also) step[field] = value;
    const ScriptRowTexts r = ScriptRow(step);
    EXPECT_EQ(r.shown, c.want.shown);
    EXPECT_EQ(r.label, c.want.label);
    EXPECT_EQ(r.channel, c.want.channel);
    EXPECT_EQ(r.transform, c.want.transform);
    EXPECT_EQ(r.a, c.want.a);
    EXPECT_EQ(r.b, c.want.b);
    EXPECT_EQ(r.exponent, c.want.exponent);
  }
  EXPECT_EQ(ScriptRowPrefix(9), "9:      ");
  EXPECT_EQ(ScriptRowPrefix(10), "10:    ");
}

TEST(ScriptRunner, BlockStepsSelectTheirAnalysisAndContinueIsOfferedBeforeAnotherStep) {
  const int codes[][2] = {{12, 1}, {13, 2}, {14, 3}, {15, 4}, {16, 5}, {17, 6}, {19, 8}, {21, 10}, {28, 9},
                          {30, 11}, {36, 12}, {37, 13}, {38, 14}, {39, 15}, {45, 16}, {41, 0}, {1, -1},
                          {18, -1}, {25, -1}, {33, -1}, {99, -1}, {0, -1}};
  for (const auto& c : codes) EXPECT_EQ(BlockStepAnalysisCode(c[0]), c[1]) << c[0];
  float step[kStepFields] = {};
  EXPECT_TRUE(OffersContinue(step, 17));
  EXPECT_FALSE(OffersContinue(step, kOpEndScript));
  EXPECT_FALSE(OffersContinue(step, 0));
  step[kStepNoContinue] = 1.0f;
  EXPECT_FALSE(OffersContinue(step, 17));
}

// The block request names the file and the step; an edit names its command
// and the value it writes, an analysis keeps the general words.
TEST(ScriptRunner, TheBlockRequestSaysWhatTheBlockIsFor) {
  const struct {
    const char* what;
    std::vector<std::pair<int, float>> fields;   // the step as recorded, its code first
    const char* title;
    const char* headline;
    const char* purpose;
  } cases[] = {
      {"block set in Transformations", {{1, 11.0f}, {3, 1.0f}, {6, 1.0f}, {12, 99.0f}},
       "two.orl, step 3: \xC6 Block to: 99 \xD1 select the block to set", "Step 3: \xC6 Block to: 99",
       " and select the block to set."},
      {"block set by Change Blocks", {{1, 11.0f}, {3, 2.0f}, {6, 1.0f}, {12, -21.123456789f}},
       "two.orl, step 3: Change Blocks\xC9 to -21.123457 \xD1 select the block to set",
       "Step 3: Change Blocks\xC9 to -21.123457", " and select the block to set."},
      {"smoothing of the block", {{1, 6.0f}, {9, 1.0f}}, "two.orl, step 3: Smoothing \xD1 select the block to smooth",
       "Step 3: Smoothing", " and select the block to smooth."},
      {"spikes within the block", {{1, 7.0f}, {11, 1.0f}},
       "two.orl, step 3: Remove Spikes \xD1 select the block to clear of spikes", "Step 3: Remove Spikes",
       " and select the block to clear of spikes."},
      {"references to a fixed value within the block", {{1, 40.0f}, {12, 1.0f}, {8, -5.5f}},
       "two.orl, step 3: Remove References, fixed value -5.5 \xD1 select the block to clear of references",
       "Step 3: Remove References, fixed value -5.5", " and select the block to clear of references."},
      {"references interpolated within the block", {{1, 40.0f}, {12, 1.0f}, {5, 1.0f}},
       "two.orl, step 3: Remove References \xD1 select the block to clear of references",
       "Step 3: Remove References", " and select the block to clear of references."},
      {"transform of the block", {{1, 11.0f}, {6, 1.0f}, {4, 5.0f}},
       "two.orl, step 3: Standard Transformations: a + b * X^c \xD1 select the block to transform",
       "Step 3: Standard Transformations: a + b * X^c", " and select the block to transform."},
      {"scale to block", {{1, 41.0f}}, "two.orl, step 3: Scale to Block \xD1 select the block to scale to",
       "Step 3: Scale to Block", " and select the block to scale to."},
      {"basic stats", {{1, 12.0f}}, "two.orl, step 3: BASIC STATS \xD1 select a block for analysis",
       "This is a block operation!", " and select a block for analysis."},
      {"minimum over 60 s", {{1, 13.0f}, {2, 60.0f}},
       "two.orl, step 3: MINIMUM; total seconds: 60 \xD1 select a block for analysis", "This is a block operation!",
       " and select a block for analysis."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    float step[kStepFields] = {};
    for (const auto& [field, value] : c.fields) step[field] = value;
    const BlockRequestTexts t = BlockRequestText(step, 3, "two.orl");
    EXPECT_EQ(t.title, c.title);
    EXPECT_EQ(t.headline, c.headline);
    EXPECT_EQ(t.purpose, c.purpose);
  }
}

// A skipped channel change takes along the steps that would otherwise work
// on whatever channel is active, up to the next change, OPEN FILE or the end.
TEST(ScriptRunner, ASkippedChannelChangeTakesTheStepsOnThatChannelAlong) {
  const struct {
    const char* what;
    std::vector<int> codes;   // steps 1, 2, ...
    std::vector<int16_t> want;   // after step 1, a channel change
  } cases[] = {
      {"up to the next change", {1, 6, 12, 1, 7}, {2, 3}},
      {"file steps and unknown codes stay", {1, 20, 29, 34, 77, 99, 0, 41, 17}, {8, 9}},
      {"not past an OPEN FILE", {1, 11, 33, 6}, {2}},
      {"the end mark ends the run after the step before it", {1, 6, 40, 25, 7}, {2, 3}},
      {"the end mark right after", {1, 25, 6}, {}},
      {"to step 40", std::vector<int>(40, 16), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    static ScriptStore store;
    std::memset(store, 0, sizeof store);
    for (size_t k = 0; k < c.codes.size(); ++k) store[k + 1][kStepOperation] = static_cast<float>(c.codes[k]);
    store[1][kStepOperation] = kOpChangeChannel;
    std::vector<int16_t> want = c.want;
    if (c.codes.size() == 40)
      for (int16_t k = 2; k <= 40; ++k) want.push_back(k);
    EXPECT_EQ(StepsOnSkippedChannel(store, 1), want);
  }
  static ScriptStore store;
  std::memset(store, 0, sizeof store);
  store[3][kStepOperation] = kOpChangeChannel;
  store[3][kStepMain] = 1;
  store[4][kStepOperation] = kOpSmoothing;
  EXPECT_EQ(SkippedChannelText(store, 3, 0, {}),
            "Script step 3, \"CHANGE CHANNEL to:\" 1, was skipped: this file has 0 channels.");
  EXPECT_EQ(SkippedChannelText(store, 3, 1, {4}),
            "Script step 3, \"CHANGE CHANNEL to:\" 1, was skipped: this file has 1 channel. Step 4 "
            "(\"SMOOTHING\") would have worked on another channel and was skipped with it.");
}

}  // namespace
