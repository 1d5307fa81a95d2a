#include "analyses/integration.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "output/results.h"
#include "support/far_values.h"

namespace {

TEST(Integration, BaselinesUnitsAndSelection) {
  std::vector<float> three(121, 3.0f);
  std::vector<float> line(41);
  for (size_t k = 0; k < line.size(); ++k) line[k] = 0.7f * static_cast<float>(k) - 3.0f;
  std::vector<float> sel(41, 1.0f);
  for (size_t k = 0; k < sel.size(); k += 2) sel[k] = 0.0f;
  const std::vector<float> bump{0, 1, 5, 2, 4};
  const std::vector<float> none;
  const struct {
    const char* name;
    const std::vector<float>* data;
    IntegrationRequest req;
    const std::vector<float>* selection;
    double integral;
    int32_t n;
  } cases[] = {
      {"minutes at 0.5 s", &three, {1, 120, kBaseZero, kUnitMinutes, 0.5f, 0}, &none, 3.0, 120},
      {"none is the plain sum", &three, {1, 120, kBaseZero, kUnitNoneIntegration, 0.5f, 0}, &none, 360.0, 120},
      // The scan windows' "None" (68) is not this window's: seconds.
      {"scan window's none is seconds", &three, {1, 120, kBaseZero, kUnitNone, 0.5f, 0}, &none, 180.0, 120},
      {"seconds", &three, {1, 120, kBaseZero, kUnitSeconds, 0.5f, 0}, &none, 180.0, 120},
      {"hours", &three, {1, 120, kBaseZero, kUnitHours, 0.5f, 0}, &none, 0.05, 120},
      {"block start", &bump, {1, 4, kBaseBlockStart, kUnitNoneIntegration, 1, 0}, &none, 8.0, 4},
      {"block end", &bump, {1, 4, kBaseBlockEnd, kUnitNoneIntegration, 1, 0}, &none, -4.0, 4},
      {"user", &bump, {1, 4, kBaseUserSet, kUnitNoneIntegration, 1, 2.0}, &none, 4.0, 4},
      {"proportional on a line", &line, {3, 40, kBaseLinear, kUnitNoneIntegration, 1, 0}, &none, 0.0, 38},
      {"one case, proportional", &bump, {2, 2, kBaseLinear, kUnitNoneIntegration, 1, 0}, &none, 0.0, 1},
      // Every other case unselected: they add nothing and are not counted,
      // while the baseline still advances at each.
      {"selection on a line", &line, {3, 40, kBaseLinear, kUnitNoneIntegration, 1, 0}, &sel, 0.0, 19},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IntegrationResult r;
    ASSERT_TRUE(IntegrateSpan(*c.data, c.req, *c.selection, &r));
    EXPECT_NEAR(r.integral, c.integral, 1e-5);
    EXPECT_EQ(r.n, c.n);
    EXPECT_TRUE(std::isfinite(r.slope));
  }
  IntegrationResult r;
  EXPECT_FALSE(IntegrateSpan(bump, {3, 5, kBaseZero, kUnitMinutes, 1, 0}, none, &r));
  // The button marked for each unit: every other value is "Seconds".
  const int16_t buttons[][2] = {{kUnitNoneIntegration, kUnitNoneIntegration}, {kUnitMinutes, kUnitMinutes},
                                {kUnitHours, kUnitHours},   {kUnitDays, kUnitDays},
                                {kUnitSeconds, kUnitSeconds}, {kUnitNone, kUnitSeconds},
                                {0, kUnitSeconds}};
  for (const auto& b : buttons) EXPECT_EQ(IntegrationUnitButton(b[0]), b[1]) << b[0];
}

TEST(Integration, RunningIntegralPlotAndAccumulator) {
  const std::vector<float> bump{0, 1, 5, 2, 4};
  const auto c = RunningIntegral(bump, {1, 4, kBaseBlockStart, kUnitMinutes, 1, 0});
  EXPECT_EQ(c, (std::vector<float>{0, 4, 5, 8}));

  const int h = 356;
  const auto p = LayOutCumulativePlot(c, h);
  ASSERT_EQ(p.lines.size(), 3u);
  EXPECT_EQ(p.lines.front().x1, 120);
  EXPECT_EQ(p.lines.front().y1, h - 88) << "the smallest sits on the bottom row";
  EXPECT_EQ(p.lines.back().y2, h - 88 - (h - 95)) << "the largest on the top row";
  EXPECT_EQ(p.zeroY, -1);
  EXPECT_EQ(p.marks.size(), 4u) << "a short span marks each point";

  std::vector<float> many(5000);
  for (size_t k = 0; k < many.size(); ++k) many[k] = static_cast<float>(std::sin(k * 0.01)) * 10.0f;
  const auto env = LayOutCumulativePlot(many, h);
  EXPECT_LE(env.lines.size(), 2u * 296u) << "one envelope per pixel column";
  EXPECT_GT(env.zeroY, 0);
  for (const auto& l : env.lines) {
    EXPECT_GE(std::min(l.y1, l.y2), 6);
    EXPECT_LE(std::max(l.y1, l.y2), h - 88);
    EXPECT_LE(std::max(l.x1, l.x2), 415);
  }
  const auto flat = LayOutCumulativePlot(std::vector<float>(10, 2.0f), h);
  EXPECT_EQ(flat.lines.size(), 9u) << "a constant integral is drawn, not divided by zero";
  EXPECT_TRUE(env.marks.empty());
  EXPECT_TRUE(LayOutCumulativePlot({}, h).lines.empty());
  const std::vector<float> broken{1.0f, INFINITY, 2.0f, NAN, 3.0f};
  EXPECT_EQ(LayOutCumulativePlot(broken, h).kept, 3) << "values that are not finite are left out";
  for (const auto& set : testsupport::FarValueSets()) {
    SCOPED_TRACE(set.name);
    const auto far = LayOutCumulativePlot(set.values, h);
    const auto [lo, hi] = testsupport::FiniteMinMax(set.values);
    EXPECT_EQ(far.smallest, lo);
    EXPECT_EQ(far.largest, hi);
    for (const auto& l : far.lines) {
      EXPECT_GE(std::min(l.y1, l.y2), 6);
      EXPECT_LE(std::max(l.y1, l.y2), h - 88);
    }
  }

  float total = Accumulate(0.0f, 2.0, AccumulatorOp::Add);
  total = Accumulate(total, 5.0, AccumulatorOp::Add);
  EXPECT_EQ(total, 7.0f);
  EXPECT_EQ(Accumulate(total, 5.0, AccumulatorOp::Subtract), 2.0f);
  EXPECT_EQ(Accumulate(total, 5.0, AccumulatorOp::Clear), 0.0f);
}

}  // namespace
