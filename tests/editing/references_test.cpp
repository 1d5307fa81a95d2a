// Reference removal: runs found by direction and cutoff, widened by cases
// or to markers, replaced by a line or a value.
#include "editing/references.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

// Cases 0..6 with the reference dip at 3 and 4.
const std::vector<float> kDip{0, 10, 10, 2, 2, 10, 10};

std::vector<float> fixed(std::vector<float> x, const ReferenceSettings& s, std::vector<ReferenceSegment>* segs,
                         const std::vector<MarkerRecord>& markers = {}) {
  const auto n = static_cast<int32_t>(x.size()) - 1;
  FindReferenceSegments(x.data(), 1, n, n, s, markers, segs);
  for (const ReferenceSegment& seg : *segs) ApplyReferenceSegment(x.data(), seg, s);
  return x;
}

TEST(References, RunsAreWidenedAndReplacedByALineOrAValue) {
  const struct {
    const char* what;
    ReferenceSettings s;
    int32_t first, last;
    std::vector<float> out;
  } cases[] = {
      {"down, line", {true, true, 5, 0, 0, 0, 0}, 3, 5, {0, 10, 10, 2, 6, 10, 10}},
      {"left extra 1", {true, true, 5, 0, 0, 1, 0}, 2, 5, {0, 10, 10, 10, 10, 10, 10}},
      {"up", {false, true, 5, 0, 0, 0, 0}, 1, 3, {0, 10, 6, 2, 2, 10, 10}},
      {"fixed -1", {true, false, 5, 0, -1, 0, 0}, 3, 5, {0, 10, 10, -1, -1, -1, 10}},
      {"widened past the end", {true, true, 5, 0, 0, 0, 50}, 3, 6, {0, 10, 10, 2, 4.6666665f, 7.333333f, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<ReferenceSegment> segs;
    const std::vector<float> out = fixed(kDip, c.s, &segs);
    // Up, the readings at 5..6 form a second run reaching the last case.
    ASSERT_EQ(segs.size(), c.s.down ? 1u : 2u);
    EXPECT_EQ(segs[0].first, c.first);
    EXPECT_EQ(segs[0].last, c.last);
    for (size_t k = 0; k < out.size(); ++k) EXPECT_FLOAT_EQ(out[k], c.out[k]) << k;
  }
  std::vector<ReferenceSegment> segs;
  ReferenceSettings s{true, true, 5, 0, 0, 0, 0};
  std::vector<float> endRun{0, 10, 10, 10, 2};
  FindReferenceSegments(endRun.data(), 1, 4, 4, s, {}, &segs);
  EXPECT_TRUE(segs.empty()) << "a run starting on the last case is no segment";
  std::vector<float> tail{0, 10, 2, 2, 2};
  FindReferenceSegments(tail.data(), 1, 4, 4, s, {}, &segs);
  ASSERT_EQ(segs.size(), 1u);
  EXPECT_EQ(segs[0].last, 4) << "a run lasting to the end ends there";
  std::vector<float> nan{0, 10, NAN, 10, 10};
  segs.clear();
  FindReferenceSegments(nan.data(), 1, 4, 4, s, {}, &segs);
  EXPECT_TRUE(segs.empty());
  std::vector<float> one{0, 3, 9};
  ApplyReferenceSegment(one.data(), {1, 1}, s);
  EXPECT_EQ(one[1], 3.0f) << "a one-case segment keeps its value";
}

// Interpolation keeps both ends and puts each case on the double line,
// rounded once, as numpy gives it: float32(x[a] + (k - a) * slope) in
// float64. The running float sum ended 1e5 + 5 at 100007.8 over 1,000 cases.
TEST(References, InterpolationKeepsBothEndsAndFollowsTheDoubleLine) {
  const struct {
    float ya, yb;
    std::vector<std::pair<int32_t, float>> numpy;  // cases of the segment 10..1010
  } cases[] = {
      {1e5f, 100005.0f, {{11, 100000.01f}, {400, 100001.95f}, {1009, 100004.99f}}},
      {20.9f, 20.95f, {{11, 20.90005f}, {510, 20.925f}, {1009, 20.949951f}}},
  };
  ReferenceSettings s;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ya);
    std::vector<float> x(1021, 0.0f);
    x[10] = c.ya;
    x[1010] = c.yb;
    ApplyReferenceSegment(x.data(), {10, 1010}, s);
    EXPECT_EQ(x[10], c.ya);
    EXPECT_EQ(x[1010], c.yb);
    EXPECT_EQ(x[1011], 0.0f);
    for (const auto& [k, want] : c.numpy) EXPECT_EQ(x[static_cast<size_t>(k)], want) << k;
  }
}

TEST(References, WideningToMarkersFallsBackToTheRunsOwnEdges) {
  ReferenceSettings s{true, true, 5, 0, 0, 0, 0};
  s.leftToMarker = s.rightToMarker = true;
  std::vector<float> x(21, 10.0f);
  x[8] = x[9] = 1.0f;
  std::vector<ReferenceSegment> segs;
  FindReferenceSegments(x.data(), 1, 20, 20, s, {{2, 7}, {8, 5}, {15, 3}}, &segs);
  ASSERT_EQ(segs.size(), 1u);
  EXPECT_EQ(segs[0].first, 8) << "a marker at the run's first case counts";
  EXPECT_EQ(segs[0].last, 15);
  segs.clear();
  FindReferenceSegments(x.data(), 1, 20, 20, s, {}, &segs);
  EXPECT_EQ(segs[0].first, 8);
  EXPECT_EQ(segs[0].last, 10);
}

TEST(References, LogAndScriptStep) {
  ReferenceSettings s{false, false, 2.5f, 0, -1, 3, 4, true};
  EXPECT_EQ(ReferenceLogText(s), "reference removal; upgoing; replace with -1; cutoff =  2.5");
  s.interpolate = true;
  s.down = true;
  EXPECT_EQ(ReferenceLogText(s), "reference removal; downgoing; interpolate, cutoff =  2.5");
  float step[28] = {};
  ToScriptStep(s, step);
  EXPECT_EQ(step[9], 3.0f);
  EXPECT_EQ(step[11], 1.0f);
  const ReferenceSettings back = ReferenceSettingsFromStep(step);
  EXPECT_TRUE(back.down);
  EXPECT_EQ(back.rightExtra, 4);
  EXPECT_EQ(back.cutoff, 2.5f);
  EXPECT_TRUE(back.markers);
  EXPECT_FALSE(back.leftToMarker || back.rightToMarker) << "an old step widens by extra cases";
  // Each widening to a marker is held on its own.
  for (const auto& [left, right] : {std::pair{true, false}, std::pair{false, true}}) {
    s.leftToMarker = left;
    s.rightToMarker = right;
    float f[28] = {};
    ToScriptStep(s, f);
    const ReferenceSettings b = ReferenceSettingsFromStep(f);
    EXPECT_EQ(b.leftToMarker, left);
    EXPECT_EQ(b.rightToMarker, right);
  }
}

}  // namespace
