#include "plot/trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <vector>

using namespace plotcore;

namespace {

// Channel array of n cases (index 0 is the leading value).
std::vector<float> Noise(int32_t n, uint32_t seed, bool withNan = false) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> g(0.0f, 10.0f);
  std::vector<float> d(static_cast<size_t>(n) + 1);
  float walk = 0;
  for (auto& v : d) {
    walk += g(rng) * 0.1f;
    v = walk + g(rng);
  }
  if (withNan)
    for (size_t i = 7; i < d.size(); i += 977) d[i] = std::numeric_limits<float>::quiet_NaN();
  return d;
}

TraceParams Params(double x0, double xStep, int32_t first, int32_t last) {
  TraceParams p;
  p.first = first;
  p.last = last;
  p.x0 = x0;
  p.xStep = xStep;
  p.yZero = 200;
  p.yScale = 3.0f;
  p.clip = true;
  p.clipTop = 19;
  p.clipBottom = 387;
  p.bottomOfPlotArea = 390;
  return p;
}

// Column extremes by walking every case on its own: case k sits at
// x0 + (k - k0 + 1) xStep and belongs to the column that truncates it.
std::map<int64_t, Extremes> RawColumns(const std::vector<float>& d, int32_t nCases, const TraceParams& p) {
  std::map<int64_t, Extremes> cols;
  const int64_t k0 = p.first > 0 ? p.first : 1;
  const int64_t last = std::min<int64_t>(p.last, nCases);
  for (int64_t k = k0; k <= last; ++k) {
    const int64_t c = static_cast<int64_t>(std::trunc(p.x0 + static_cast<double>(k - k0 + 1) * p.xStep));
    cols[c].add(d[k]);
  }
  return cols;
}

// The vertical extreme line of column c (drawn at x = c + 1): the last
// vertical pair at that x.
std::map<int, std::pair<int, int>> Verticals(const TraceResult& r) {
  std::map<int, std::pair<int, int>> v;
  for (size_t i = 0; i + 1 < r.segments.size(); i += 2) {
    const plat::Point a = r.segments[i], b = r.segments[i + 1];
    if (a.x == b.x) v[a.x] = {a.y, b.y};
  }
  return v;
}

void ExpectColumnsMatchRawScan(const std::vector<float>& d, int32_t n, const TraceParams& p) {
  LodTable lod(d.data(), d.size());
  const TraceResult plain = ReduceTrace(d.data(), n, p);
  const TraceResult fast = ReduceTrace(d.data(), n, p, &lod);
  ASSERT_TRUE(plain.columnMode);
  EXPECT_EQ(plain.segments, fast.segments);
  const auto cols = RawColumns(d, n, p);
  const auto vert = Verticals(fast);
  size_t drawn = 0;
  for (const auto& [c, e] : cols) {
    if (!e.any()) continue;
    ++drawn;
    auto it = vert.find(static_cast<int>(c + 1));
    ASSERT_NE(it, vert.end()) << "column " << c;
    EXPECT_EQ(it->second.first, TraceY(e.lo, p)) << "column " << c;
    EXPECT_EQ(it->second.second, TraceY(e.hi, p)) << "column " << c;
  }
  EXPECT_EQ(vert.size(), drawn);
}

TEST(LodTable, QueryEqualsRawScanForAnyRange) {
  for (bool withNan : {false, true}) {
    const auto d = Noise(100'003, 5, withNan);
    const LodTable lod(d.data(), d.size());
    EXPECT_LE(lod.bytes(), d.size() * sizeof(float) / 7);  // about an eighth
    std::mt19937 rng(11);
    std::uniform_int_distribution<int64_t> pos(0, static_cast<int64_t>(d.size()) - 1);
    for (int i = 0; i < 3000; ++i) {
      int64_t a = pos(rng), b = pos(rng);
      if (a > b) std::swap(a, b);
      if (i % 3 == 0) b = std::min<int64_t>(a + i % 600, b);  // short and ragged
      const Extremes q = lod.query(d.data(), a, b), s = ScanExtremes(d.data(), d.size(), a, b);
      ASSERT_EQ(q.lo, s.lo) << a << ".." << b;
      ASSERT_EQ(q.hi, s.hi) << a << ".." << b;
    }
    // Consecutive runs in one walk, empty ones and ones past the end included.
    std::vector<int64_t> starts{0};
    while (starts.back() <= static_cast<int64_t>(d.size()) + 40) starts.push_back(starts.back() + pos(rng) % 12'000);
    std::vector<float> lo(starts.size() - 1), hi(starts.size() - 1);
    lod.runExtremes(d.data(), starts.data(), lo.size(), lo.data(), hi.data());
    for (size_t i = 0; i < lo.size(); ++i) {
      const Extremes s = ScanExtremes(d.data(), d.size(), starts[i], starts[i + 1] - 1);
      ASSERT_EQ(lo[i], s.lo) << starts[i] << ".." << starts[i + 1];
      ASSERT_EQ(hi[i], s.hi) << starts[i] << ".." << starts[i + 1];
    }
    // Whole array, block-aligned, single cases and the unaligned tail.
    for (auto [a, b] : std::vector<std::pair<int64_t, int64_t>>{
             {0, 100'003}, {256, 511}, {4096, 8191}, {4095, 12'288}, {16, 16}, {99'999, 100'003}, {100'000, 100'002}, {5, 4}}) {
      const Extremes q = lod.query(d.data(), a, b), s = ScanExtremes(d.data(), d.size(), a, b);
      EXPECT_EQ(q.lo, s.lo);
      EXPECT_EQ(q.hi, s.hi);
    }
  }
}

uint32_t Bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The vector width of the table's walk over runs, for as long as it lives.
struct BaselineLanes {
  explicit BaselineLanes(bool baseline) { UseBaselineLodLanesForTest(baseline); }
  ~BaselineLanes() { UseBaselineLodLanesForTest(false); }
};

// The runs of a redraw's columns, read from the table's levels with their
// ends asked for ahead, against the plain scan of their samples: the same
// bits, the sign of a zero extreme included.
TEST(LodTable, RunExtremesEqualThePlainScanBitForBit) {
  enum Samples { kNoise, kNonFinite, kSignedZeros, kFlat, kRamp, kPositiveZeros };
  struct Row {
    const char* what;
    int32_t n;
    Samples samples;
    int64_t step;   // run length; 0 for random lengths, short and long
  };
  const Row rows[] = {
      {"columns of thousands of cases", 1'000'003, kNoise, 3'889},
      {"columns holding whole top blocks", 1'000'003, kNoise, 20'011},
      {"a coarse block long", 100'003, kNoise, 256},
      {"short and long mixed", 300'001, kNoise, 0},
      {"NaNs and infinities", 300'001, kNonFinite, 0},
      {"zeros of both signs as extremes", 300'001, kSignedZeros, 1'999},
      {"a flat channel of zeros", 100'000, kFlat, 0},
      {"a ramp: each run's extremes at its ends", 1'000'003, kRamp, 3'889},
      {"a falling ramp, runs of every length", 300'001, kRamp, 0},
      {"runs over groups of 16 top blocks", 1'000'003, kNoise, 150'001},
      {"one run over the whole array", 1'000'003, kNoise, 2'000'000},
      {"zero extremes, no -0.0", 300'001, kPositiveZeros, 1'999},
  };
  for (const Row& row : rows)
    for (bool baselineLanes : {false, true}) {
      SCOPED_TRACE(row.what);
      SCOPED_TRACE(baselineLanes ? "baseline lanes" : "widest lanes");
      const BaselineLanes lanes(baselineLanes);
      std::vector<float> d = Noise(row.n, 21, row.samples == kNonFinite);
      std::mt19937 rng(17);
      if (row.samples == kNonFinite)
        for (size_t i = 3; i < d.size(); i += 4099) d[i] = i % 2 ? std::numeric_limits<float>::infinity() : -1e30f;
      if (row.samples == kSignedZeros)
        for (size_t i = 0; i < d.size(); ++i) {
          d[i] = std::fabs(d[i]) * (i % 200'000 < 100'000 ? 1.0f : -1.0f);
          if (i % 331 == 0) d[i] = (i / 331) % 2 ? -0.0f : 0.0f;
        }
      if (row.samples == kPositiveZeros)
        for (size_t i = 0; i < d.size(); ++i) d[i] = i % 331 == 0 || i % 200'000 < 100'000 ? 0.0f : std::fabs(d[i]);
      if (row.samples == kFlat)
        for (size_t i = 0; i < d.size(); ++i) d[i] = i % 777 == 5 ? -0.0f : 0.0f;
      if (row.samples == kRamp)
        for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<float>(i) * (row.step ? 1e-3f : -1e-3f) + 1.0f;
      const LodTable lod(d.data(), d.size());
      std::vector<int64_t> starts{static_cast<int64_t>(rng() % 40)};
      std::uniform_int_distribution<int64_t> length(0, 9'000);
      while (starts.back() <= static_cast<int64_t>(d.size()) + 40)
        starts.push_back(starts.back() + (row.step ? row.step : length(rng) % (rng() % 2 ? 600 : 9'000)));
      const size_t runs = starts.size() - 1;
      std::vector<float> lo(runs), hi(runs);
      lod.runExtremes(d.data(), starts.data(), runs, lo.data(), hi.data());
      for (size_t i = 0; i < runs; ++i) {
        const Extremes s = ScanExtremes(d.data(), d.size(), starts[i], starts[i + 1] - 1);
        ASSERT_EQ(Bits(lo[i]), Bits(s.lo)) << starts[i] << ".." << starts[i + 1];
        ASSERT_EQ(Bits(hi[i]), Bits(s.hi)) << starts[i] << ".." << starts[i + 1];
      }
    }
}

TEST(TraceReduction, CompressedColumnsEqualRawScanWithRaggedEdges) {
  // 1800 is not a divisor: every column starts and ends mid-block.
  const int32_t n = 700'001;
  for (bool withNan : {false, true}) {
    const auto d = Noise(n, 3, withNan);
    const double ratio = 1800.0 / n;
    ExpectColumnsMatchRawScan(d, n, Params(ratio, ratio, 0, n));
  }
}

TEST(TraceReduction, ZoomedAndFewCasesPerColumnEqualRawScan) {
  const int32_t n = 50'000;
  const auto d = Noise(n, 4);
  // Zoomed 1234..45,678 into 997 px: about 44 cases per column.
  ExpectColumnsMatchRawScan(d, n, Params(0, 997.0 / (45'678 - 1234), 1234, 45'678));
  // Three to four cases per column: just in column mode, raw path only.
  ExpectColumnsMatchRawScan(d, n, Params(0, 1.0 / 3.3, 10, 3310));
}

TEST(TraceReduction, OneCasePerColumnIsAPolyline) {
  const int32_t n = 1000;
  const auto d = Noise(n, 9);
  const TraceParams p = Params(-1.0, 1.0, 0, n);  // paged segment 1
  const TraceResult r = ReduceTrace(d.data(), n, p);
  EXPECT_FALSE(r.columnMode);
  ASSERT_EQ(r.segments.size(), 2u * n);
  // Case k at x = k - 1, joined to its predecessor.
  for (int32_t k = 1; k <= n; ++k) {
    const plat::Point to = r.segments[2 * (k - 1) + 1];
    EXPECT_EQ(to.x, k - 1);
    EXPECT_EQ(to.y, TraceY(d[k], p));
    if (k > 1) {
      EXPECT_EQ(r.segments[2 * (k - 1)], r.segments[2 * (k - 2) + 1]);
    }
  }
  EXPECT_EQ(r.penStart.x, -1);
}

TEST(TraceReduction, LaterPageStartsAtItsFirstCaseAndContinuesTheLine) {
  const int32_t n = 2500;
  const auto d = Noise(n, 12);
  ViewState v;
  v.nCases = n;
  v.screenWidth = 1000;
  v.segment = 3;
  const TraceCall c = MainTraceCall(v, 390, 3.0f, -50.0f, 1);
  EXPECT_EQ(c.first, 2000);
  EXPECT_EQ(c.last, 2500);
  TraceParams p = Params(c.x0, c.xStep, c.first, c.last);
  p.yZero = c.yZero;
  const TraceResult r = ReduceTrace(d.data(), n, p);
  // Case k of segment 3 at x = k - 2000; the pen starts on case 1999.
  EXPECT_EQ(r.segments[1].x, 0);
  EXPECT_EQ(r.segments.back().x, 500);
  EXPECT_EQ(r.penStart.y, TraceY(d[1999], p));
  EXPECT_EQ(c.yZero, std::trunc(390 - 5.6 + 3.0 * -50.0));
}

TEST(TraceReduction, ManyCasesPerColumnDrawsAtMostTwoSegmentsPerColumn) {
  const int32_t n = 7'000'000;
  std::vector<float> d(static_cast<size_t>(n) + 1);
  for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<float>(std::sin(i * 1e-4) * 100.0 + (i % 7));
  const LodTable lod(d.data(), d.size());
  const double ratio = 1800.0 / n;
  const TraceResult r = ReduceTrace(d.data(), n, Params(ratio, ratio, 0, n), &lod);
  EXPECT_TRUE(r.columnMode);
  const size_t pairs = r.segments.size() / 2;
  EXPECT_GE(pairs, 1800u);
  EXPECT_LE(pairs, 2u * 1801u);
  for (const plat::Point& q : r.segments) {
    EXPECT_GE(q.x, 0);
    EXPECT_LE(q.x, 1801);
  }
}

TEST(TraceReduction, SpikeOpeningAColumnAndTheLastColumnAreDrawn) {
  // Ten cases per column; the first case of column 3 and the very last
  // case carry spikes that a column must show.
  const int32_t n = 100;
  std::vector<float> d(n + 1, 1.0f);
  TraceParams p = Params(0, 0.1, 1, n);
  p.clip = false;
  int64_t opening = 0;
  for (int64_t k = 1; k <= n; ++k)
    if (std::trunc(p.x0 + k * p.xStep) == 3) {
      opening = k;
      break;
    }
  d[opening] = 50.0f;
  d[n] = -40.0f;
  const auto vert = Verticals(ReduceTrace(d.data(), n, p));
  ASSERT_TRUE(vert.count(4));
  EXPECT_EQ(vert.at(4).second, TraceY(50.0f, p));
  const int lastCol = static_cast<int>(std::trunc(p.x0 + n * p.xStep));
  ASSERT_TRUE(vert.count(lastCol + 1));
  EXPECT_EQ(vert.at(lastCol + 1).first, TraceY(-40.0f, p));
}

TEST(TraceReduction, ConnectorsJoinColumnsThatDoNotOverlap) {
  // Columns of 4 cases: low, high, low.
  const int32_t n = 12;
  std::vector<float> d{0, 0, 0, 0, 0, 10, 10, 10, 10, -10, -10, -10, -10};
  TraceParams p = Params(0, 0.25, 1, n);
  p.clip = false;
  // x of case k = 0.25 k: cases 1..3 column 0, 4..7 column 1, 8..11 column 2, 12 column 3.
  const TraceResult r = ReduceTrace(d.data(), n, p);
  ASSERT_TRUE(r.columnMode);
  const int y0 = TraceY(0, p), y10 = TraceY(10, p), yM = TraceY(-10, p);
  // Column 1 holds cases 4..7 = 0, 10, 10, 10, so it overlaps column 0;
  // column 2 = 10, -10, -10, -10 overlaps column 1: no connectors.
  std::vector<plat::Point> want = {{1, y0}, {1, y0}, {2, y0}, {2, y10}, {3, yM}, {3, y10}, {4, yM}, {4, yM}};
  EXPECT_EQ(r.segments, want);

  // Now with gaps between columns: 0 | 10 | -10, each column pure.
  std::vector<float> g{0, 0, 0, 0, 10, 10, 10, 10, -10, -10, -10, -10, -10};
  const TraceResult rg = ReduceTrace(g.data(), n, p);
  // Cases 1..3 = 0 (column 0); 4..7 = 10, 10, 10, 10 (column 1); 8..11 = -10 (column 2); 12 = -10.
  want = {{1, y0},     {1, y0},                 // column 0
          {1, y0 - 1}, {2, y10 + 1},            // previous column lies below: up-connector
          {2, y10},    {2, y10},                // column 1
          {2, y10 + 1}, {3, yM - 1},            // previous lies above: down-connector
          {3, yM},     {3, yM},                 // column 2
          {4, yM},     {4, yM}};                // column 3
  EXPECT_EQ(rg.segments, want);
  EXPECT_EQ(rg.minimumYposition, yM);
}

TEST(TraceReduction, ClipAndManualClamp) {
  const int32_t n = 4;
  std::vector<float> d{0, 1000, -1000, 5, 200};
  TraceParams p = Params(0, 10, 1, n);
  p.yZero = 200;
  p.yScale = 1;
  const TraceResult r = ReduceTrace(d.data(), n, p);
  EXPECT_EQ(r.segments[1].y, 19);   // above the band
  EXPECT_EQ(r.segments[3].y, 387);  // below it
  EXPECT_EQ(r.segments[5].y, 195);
  p.manualClamp = true;
  p.maximumValue = 100;
  EXPECT_EQ(TraceY(200, p), 100);  // drawn flat at the maximum
  EXPECT_EQ(TraceY(1000, p), 100);
  // Without clip (block window) y is only held to 16 bits.
  p.clip = false;
  p.manualClamp = false;
  EXPECT_EQ(TraceY(1e30f, p), -32768);
  // A value far from zero with a fine scale still lands where it should.
  TraceParams f = Params(0, 1, 1, 2);
  f.yScale = 18100.0f;
  f.yZero = std::trunc(std::trunc(390 + 18100.0 * 999.99) - 5.6);
  EXPECT_NEAR(TraceY(999.99f, f), 384, 2);
}

TEST(TraceReduction, HistogramBase) {
  const int32_t n = 3;
  std::vector<float> d{0, 5, 6, 7};
  TraceParams p = Params(0, 100, 1, n);
  p.histogram = true;
  p.minimumValue = 1;
  p.maximumValue = 10;
  TraceResult r = ReduceTrace(d.data(), n, p);
  EXPECT_EQ(r.penWidth, 100);
  ASSERT_EQ(r.segments.size(), 8u);  // first bar at x 1, then one per case
  EXPECT_EQ(r.segments[0], (plat::Point{1, 387}));  // base on the clip bottom
  EXPECT_EQ(r.segments[2], (plat::Point{100, 387}));
  p.minimumValue = -10;
  p.maximumValue = -1;
  r = ReduceTrace(d.data(), n, p);
  EXPECT_EQ(r.segments[2].y, 20);  // clip top + 1
  p.minimumValue = -10;
  p.maximumValue = 10;
  r = ReduceTrace(d.data(), n, p);
  EXPECT_EQ(r.segments[2].y, 200);  // on zero
}

TEST(TraceReduction, DegenerateSpansDoNotDivideByZero) {
  std::vector<float> d{0, 3, 4};
  // One-case span: no columns at all.
  TraceResult r = ReduceTrace(d.data(), 2, Params(0, 0.001, 2, 2));
  EXPECT_FALSE(r.columnMode);
  EXPECT_EQ(r.casesDrawn, 1);
  // Nothing to draw, no data, no step.
  EXPECT_TRUE(ReduceTrace(d.data(), 2, Params(0, 1, 5, 9)).segments.empty());
  EXPECT_TRUE(ReduceTrace(nullptr, 2, Params(0, 1, 1, 2)).segments.empty());
  EXPECT_TRUE(ReduceTrace(d.data(), 2, Params(0, 0, 1, 2)).segments.empty());
  // NaN samples break the line instead of jumping to the edge.
  std::vector<float> g{0, 1, std::numeric_limits<float>::quiet_NaN(), 3, 4};
  r = ReduceTrace(g.data(), 4, Params(0, 10, 1, 4));
  EXPECT_EQ(r.segments.size(), 4u);  // pen->1 and 3->4
}

TEST(TraceCalls, RowsOfTheSingleView) {
  ViewState v;
  v.nCases = 7'000'000;
  v.screenWidth = 1800;
  v.compressed = true;
  TraceCall c = MainTraceCall(v, 390, 2.0f, -10.0f, 1);
  EXPECT_EQ(c.first, 0);
  EXPECT_EQ(c.last, 7'000'000);
  EXPECT_DOUBLE_EQ(c.xStep, 1800.0 / 7'000'000);
  EXPECT_DOUBLE_EQ(c.x0, c.xStep);
  EXPECT_EQ(c.yZero, std::trunc(std::trunc(390 - 20.0) - 5.6));
  v.zoomed = true;
  v.zoomLeft = 1000;
  v.zoomRight = 1600;
  c = MainTraceCall(v, 390, 2.0f, -10.0f, 1);
  EXPECT_EQ(c.first, 1000);
  EXPECT_EQ(c.last, 1600);
  EXPECT_DOUBLE_EQ(c.xStep, 3.0);
  EXPECT_EQ(c.x0, -3.0);
  ViewState e;
  e.nCases = 100;
  e.screenWidth = 1000;
  e.xStep = ExpansionStep(100, 1000);
  c = MainTraceCall(e, 390, 2.0f, 0.0f, 1);
  EXPECT_TRUE(c.expanded);
  EXPECT_EQ(c.first, 2);
  EXPECT_EQ(c.last, 100);
  EXPECT_EQ(c.x0, 10.0);
  EXPECT_EQ(MainTraceCall(e, 390, 2.0f, 0.0f, 0).last, 1000);
}

TEST(CompactedTraces, OnlyComputedGroupsAreDrawn) {
  ViewState v;
  v.nCases = 10'000;
  v.screenWidth = 1000;
  v.compressed = true;
  std::vector<float> means(1000, 5.0f), sds(1000, 1.0f);
  means[0] = 0.0f;  // a genuine zero mean stays
  // 10,000 / 10 = 1000 whole groups; index 1000 was never computed.
  CompactedTrace t = CompactedTraceFor(v, means.data(), sds.data(), 1000, 10, 390, 2.0f, 0.0f, 0, true);
  EXPECT_EQ(t.points.size(), 1000u);
  EXPECT_EQ(t.points[0], (plat::Point{0, static_cast<int>(390 - std::nearbyint(5.6))}));
  EXPECT_EQ(t.points[1].y, static_cast<int>(390 - std::nearbyint(10 + 5.6)));
  EXPECT_EQ(t.points[999].x, static_cast<int>(999 * 0.1 * 10));
  EXPECT_EQ(t.segments.size(), 2u * 1000u);
  EXPECT_EQ(t.sdBars.size(), 2u * 1000u);
  // Paged: groups of the shown segment only.
  v.compressed = false;
  v.segment = 2;
  t = CompactedTraceFor(v, means.data(), nullptr, 1000, 10, 390, 2.0f, 0.0f, 0, false);
  EXPECT_EQ(t.points.size(), static_cast<size_t>(201 - 99 + 1));
  EXPECT_EQ(t.points[0].x, 10);
}

TEST(LodCache, BuildsOnceAndRebuildsAfterInvalidation) {
  LodCache cache;
  auto d = Noise(10'000, 1);
  const LodTable& a = cache.get(3, 2, d.data(), d.size());
  EXPECT_EQ(cache.builds(), 1u);
  cache.get(3, 2, d.data(), d.size());
  EXPECT_EQ(cache.builds(), 1u);
  EXPECT_NE(cache.peek(3, 2, d.data(), d.size()), nullptr);
  // An in-place change goes unseen until invalidated.
  d[500] = 1e6f;
  EXPECT_NE(a.query(d.data(), 1, 10'000).hi, 1e6f);
  cache.invalidate(3, 2);
  EXPECT_EQ(cache.peek(3, 2, d.data(), d.size()), nullptr);
  EXPECT_EQ(cache.get(3, 2, d.data(), d.size()).query(d.data(), 1, 10'000).hi, 1e6f);
  EXPECT_EQ(cache.builds(), 2u);
  // A resized array is noticed without a call.
  d.resize(20'001, 0.0f);
  cache.get(3, 2, d.data(), d.size());
  EXPECT_EQ(cache.builds(), 3u);
  cache.invalidateSlot(3);
  EXPECT_EQ(cache.peek(3, 2, d.data(), d.size()), nullptr);
  EXPECT_EQ(cache.get(99, 2, d.data(), d.size()).count(), 0u);  // bad slot: empty table
}

// The kept columns of a channel are computed again after every change that
// alters them and are reused across changes that only repaint; whatever
// happened, the trace drawn from them is the one a fresh scan of the samples
// gives.
TEST(LodCache, KeptColumnsEqualAFreshComputationAfterEveryChange) {
  LodCache cache;
  int32_t n = 300'001;
  auto d = Noise(n, 9, true);
  const double full = 1800.0 / n;
  TraceParams p = Params(full, full, 0, n);
  struct Row {
    const char* what;
    std::function<void()> change;
    bool marked;      // the command marks the channel changed
    bool recomputed;
  };
  const std::vector<Row> rows{
      {"first draw", [] {}, false, true},
      {"same view", [] {}, false, false},
      {"new scale and clip", [&] { p.yScale = 0.7f, p.yZero = 300, p.clipBottom = 250; }, false, false},
      {"histogram", [&] { p.histogram = true; }, false, false},
      {"one sample edited", [&] { d[123'457] = 1e4f, p.histogram = false; }, true, true},
      {"every sample rewritten", [&] { for (float& v : d) v = -v; }, false, true},
      {"zoomed in", [&] { p.first = 1000, p.last = 90'000, p.x0 = p.xStep = 1800.0 / 89'000; }, false, true},
      {"zeros after columns",
       [&] {
         std::fill(d.begin() + 50'000, d.begin() + 50'100, 0.0f);
         p.histogram = true;
       },
       true, true},
      {"narrower strip", [&] { p.first = 0, p.last = n, p.x0 = p.xStep = 900.0 / n; }, false, true},
      {"array grown", [&] { d.resize(400'002, 2.0f), n = 400'001; }, false, true},
      {"last case cut", [&] { p.last = n - 1; }, false, true},
  };
  TraceColumns previous;
  for (const Row& row : rows) {
    row.change();
    if (row.marked) cache.invalidate(4, 7);
    const size_t before = cache.columnComputations();
    const TraceColumns& kept = cache.columns(4, 7, d.data(), n, p);
    EXPECT_EQ(cache.columnComputations() - before, row.recomputed ? 1u : 0u) << row.what;
    const TraceResult fresh = ReduceTrace(d.data(), n, p);
    ASSERT_TRUE(fresh.columnMode) << row.what;
    EXPECT_EQ(ReduceTrace(d.data(), n, p, nullptr, &kept).segments, fresh.segments) << row.what;
    // Columns of another span are never used for this one.
    if (!previous.sameSpan(n, p)) {
      EXPECT_EQ(ReduceTrace(d.data(), n, p, nullptr, &previous).segments, fresh.segments) << row.what;
    }
    previous = kept;
  }
}

// The stacked view's strips prepared side by side on threads: each channel's
// columns are those it gets on its own, computed once, and only the channels
// a step changed are computed again.
TEST(LodCache, ChannelsPreparedTogetherEqualEachOnItsOwn) {
  LodCache together, alone;
  const int32_t n = 200'001;
  std::vector<std::vector<float>> d;
  for (uint32_t c = 0; c < 12; ++c) d.push_back(Noise(n, 30 + c, c % 3 == 0));
  std::vector<int16_t> channels;
  std::vector<const float*> data;
  for (int16_t c = 1; c <= 12; ++c) {
    channels.push_back(c);
    data.push_back(d[static_cast<size_t>(c - 1)].data());
  }
  TraceParams p = Params(0.0, 1800.0 / n, 0, n);
  struct Row {
    const char* what;
    std::function<void()> change;
    size_t recomputed;
  };
  const std::vector<Row> rows{
      {"first draw", [] {}, 12},
      {"same view", [] {}, 0},
      {"scrolled", [&] { p.first = 5'000, p.last = 105'000, p.xStep = 1800.0 / 100'000; }, 12},
      {"one channel in a new array", [&] { d[4] = std::vector<float>(d[4]), data[4] = d[4].data(); }, 1},
      {"back to the whole file", [&] { p.first = 0, p.last = n, p.xStep = 1800.0 / n; }, 12},
  };
  for (const Row& row : rows) {
    row.change();
    const size_t before = together.columnComputations();
    together.prepareColumns(2, channels.data(), data.data(), channels.size(), n, p);
    EXPECT_EQ(together.columnComputations() - before, row.recomputed) << row.what;
    for (size_t i = 0; i < channels.size(); ++i) {
      const TraceColumns& a = together.columns(2, channels[i], data[i], n, p);
      const TraceColumns& b = alone.columns(2, channels[i], data[i], n, p);
      ASSERT_TRUE(a.sameSpan(n, p)) << row.what;
      EXPECT_EQ(a.lo, b.lo) << row.what << " channel " << channels[i];
      EXPECT_EQ(a.hi, b.hi) << row.what << " channel " << channels[i];
      EXPECT_EQ(a.zeroAfter, b.zeroAfter) << row.what << " channel " << channels[i];
    }
    EXPECT_EQ(together.columnComputations() - before, row.recomputed) << row.what << ": drawn without computing";
  }
}

TEST(LodCache, RewrittenArrayAtTheSameAddressIsNoticed) {
  LodCache cache;
  auto d = Noise(100'000, 7);
  const float* at = d.data();
  EXPECT_LT(cache.get(1, 3, d.data(), d.size()).query(d.data(), 1, 99'999).hi, 1000.0f);
  // A channel deleted and a new one made in the same array, filled by a
  // command that redraws without invalidating.
  for (float& v : d) v = 5000.0f;
  ASSERT_EQ(d.data(), at);
  EXPECT_EQ(cache.peek(1, 3, d.data(), d.size()), nullptr);
  const Extremes e = cache.get(1, 3, d.data(), d.size()).query(d.data(), 1, 99'999);
  EXPECT_EQ(e.lo, 5000.0f);
  EXPECT_EQ(e.hi, 5000.0f);
  EXPECT_EQ(cache.builds(), 2u);
  cache.get(1, 3, d.data(), d.size());
  EXPECT_EQ(cache.builds(), 2u) << "an unchanged array is not rebuilt";
}

TEST(ClipBands, SingleAndStacked) {
  int16_t t = 0, b = 0;
  ClipBand(0, 390, 0, 0, &t, &b);
  EXPECT_EQ(t, 19);
  EXPECT_EQ(b, 387);
  ClipBand(1, 390, 100, 160, &t, &b);
  EXPECT_EQ(b, 130);
  EXPECT_EQ(t, 30);
  ClipBand(1, 390, 120, 160, &t, &b);
  EXPECT_EQ(t, 19);  // raised
  ClipBand(2, 390, 120, 160, &t, &b);
  EXPECT_EQ(t, 10);  // not raised
  ClipBand(3, 390, 100, 160, &t, &b);
  EXPECT_EQ(t, 60);
  EXPECT_EQ(b, 160);
}

}  // namespace
