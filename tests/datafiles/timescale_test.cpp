// Re-sampling to a new interval: the landing rule, the straight-line fill,
// the leading value, the edges of the new series, markers and notes, and the
// refusal of results that do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "datafiles/fixture.h"
#include "datafiles/timescale.h"

namespace {

std::vector<float> ramp(int32_t cases, float garbage0 = -99.0f) {
  std::vector<float> v(static_cast<size_t>(cases) + 1);
  v[0] = garbage0;
  for (int32_t i = 1; i <= cases; ++i) v[static_cast<size_t>(i)] = static_cast<float>(i * 10);
  return v;
}

std::vector<float> resample(const std::vector<float>& in, float oldI, float newI) {
  const int32_t cases = static_cast<int32_t>(in.size()) - 1;
  const int64_t n = ResampledCaseCount(cases, oldI, newI);
  EXPECT_GE(n, 0);
  std::vector<float> out(static_cast<size_t>(n) + 1, -1.0f);
  ResampleSeries(in.data(), cases, ResampleRatio(oldI, newI), out.data(), static_cast<int32_t>(n));
  return out;
}

TEST(TimeScale, CaseCounts) {
  EXPECT_EQ(ResampledCaseCount(1001, 1.0f, 2.0f), 500);
  EXPECT_EQ(ResampledCaseCount(500, 2.0f, 1.0f), 1000);
  EXPECT_EQ(ResampledCaseCount(10, 1.0f, 3.0f), 3);
  EXPECT_EQ(ResampledCaseCount(100, 1.0f, 0.1f), 1000) << "0.1 is not exact in binary";
  EXPECT_EQ(ResampledCaseCount(3000, 0.1f, 0.3f), 1000);
  EXPECT_EQ(ResampledCaseCount(100, 1.0f, 0.0f), -1);
  EXPECT_EQ(ResampledCaseCount(100, 1.0f, -2.0f), -1);
  EXPECT_EQ(ResampledCaseCount(100, 0.0f, 1.0f), -1);
  // An odd interval in a file to merge: far too many cases, not an error.
  EXPECT_GT(ResampledCaseCount(1000, 3e38f, 1e-3f), kMaxCases);
  EXPECT_GT(ResampledCaseCount(7'000'000, 1e30f, 1e-30f), kMaxCases);
}

TEST(TimeScale, HalvingTheRateKeepsTheLastOfEachPair) {
  const std::vector<float> in = ramp(1001);
  const std::vector<float> out = resample(in, 1.0f, 2.0f);
  ASSERT_EQ(out.size(), 501u);
  for (int k = 1; k <= 500; ++k) EXPECT_EQ(out[k], in[2 * k + 1]) << k;
  EXPECT_EQ(out[0], in[1]) << "old cases 0 and 1 land on 0; case 0 counts as case 1";
  EXPECT_EQ(ResampledMarkerCase(600, ResampleRatio(1.0f, 2.0f), 500), 300);
}

TEST(TimeScale, DoublingTheRateFillsTheMeanBetween) {
  const std::vector<float> in = ramp(500);
  const std::vector<float> out = resample(in, 2.0f, 1.0f);
  ASSERT_EQ(out.size(), 1001u);
  for (int i = 1; i <= 500; ++i) EXPECT_EQ(out[2 * i], in[i]) << i;
  for (int i = 1; i < 500; ++i) EXPECT_FLOAT_EQ(out[2 * i + 1], (in[i] + in[i + 1]) / 2) << i;
  EXPECT_EQ(out[1], in[1]) << "between case 0 (= case 1) and case 1";
}

TEST(TimeScale, ThirdOfTheRateLandsThreeOnOne) {
  const std::vector<float> in = ramp(9);
  const std::vector<float> out = resample(in, 1.0f, 3.0f);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], in[2]);
  EXPECT_EQ(out[1], in[5]);
  EXPECT_EQ(out[2], in[8]);
  EXPECT_EQ(out[3], in[9]);
}

TEST(TimeScale, EqualIntervalsCopyExceptTheLeadingValue) {
  const std::vector<float> in = ramp(50);
  const std::vector<float> out = resample(in, 0.25f, 0.25f);
  ASSERT_EQ(out.size(), in.size());
  EXPECT_EQ(out[0], in[1]);
  for (int i = 1; i <= 50; ++i) EXPECT_EQ(out[i], in[i]);
}

TEST(TimeScale, TenfoldWithATenthOfASecondLandsOnWholeMultiples) {
  const std::vector<float> in = ramp(100);
  const std::vector<float> out = resample(in, 1.0f, 0.1f);
  ASSERT_EQ(out.size(), 1001u);
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(out[10 * i], in[i]) << i;
  EXPECT_FLOAT_EQ(out[15], 15.0f);
  EXPECT_EQ(out[1000], in[100]) << "the last new case holds a landed value, not garbage";
}

TEST(TimeScale, TheNewSeriesNeverReadsOrWritesPastItsEnds) {
  // 7 cases at 0.7 s to 0.3 s: 16 new cases, landings at 0, 2, 4, 7, 9, 11, 14, 16.
  const std::vector<float> in = ramp(7);
  std::vector<float> out(18, -1.0f);
  const int64_t n = ResampledCaseCount(7, 0.7f, 0.3f);
  ASSERT_EQ(n, 16);
  ResampleSeries(in.data(), 7, ResampleRatio(0.7f, 0.3f), out.data(), 16);
  EXPECT_EQ(out[17], -1.0f) << "one past the end untouched";
  EXPECT_EQ(out[16], in[7]);
  EXPECT_FLOAT_EQ(out[15], (in[6] + in[7]) / 2);
  // A shorter target than the landings: the tail is cut, not overrun.
  std::vector<float> cut(6, -1.0f);
  ResampleSeries(in.data(), 7, ResampleRatio(0.7f, 0.3f), cut.data(), 4);
  EXPECT_EQ(cut[5], -1.0f);
  EXPECT_EQ(cut[4], in[2]);
}

// The per-file path (landings worked out once) is held to the plain one,
// bit for bit, over ratios up and down, odd ones included; a series that
// grows in place is held to the landed one, NaN and infinities included,
// over lengths about the ends of its groups and blocks.
TEST(TimeScale, InPlaceSeriesEqualsTheLandedOne) {
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), -0.0f};
  const float intervals[][2] = {{2.0f, 1.0f}, {3.0f, 1.0f}, {1.0f, 0.25f}, {0.7f, 0.3f}, {2.5f, 1.0f}, {1.0f, 1.0f}};
  std::mt19937 rng(3);
  for (const int32_t cases : {1, 2, 3, 7, 8, 9, 11, 12, 13, 17, 2047, 2048, 2049, 5001}) {
    std::vector<float> in(static_cast<size_t>(cases) + 1);
    for (size_t i = 0; i < in.size(); ++i)
      in[i] = rng() % 9 == 0 ? odd[rng() % 4] : static_cast<float>(static_cast<int32_t>(rng() % 2001) - 1000) * 0.013f;
    for (const auto& iv : intervals) {
      SCOPED_TRACE(testing::Message() << cases << " cases, " << iv[0] << " s to " << iv[1] << " s");
      const double r = ResampleRatio(iv[0], iv[1]);
      const auto n = static_cast<int32_t>(ResampledCaseCount(cases, iv[0], iv[1]));
      std::vector<int32_t> landing(in.size());
      ResampleLandings(cases, r, landing.data());
      std::vector<float> landed(static_cast<size_t>(n) + 1);
      ResampleSeriesLanded(in.data(), cases, landing.data(), landed.data(), n);
      const auto k = static_cast<int32_t>(std::lround(r));
      for (const bool whole : {false, true}) {
        if (whole && static_cast<int64_t>(cases) * k != n) continue;
        std::vector<float> a(landed.size() + 1, -7.0f);
        std::copy(in.begin(), in.end(), a.begin());
        ResampleInPlace(a.data(), cases, whole ? nullptr : landing.data(), whole ? k : 0, n);
        ASSERT_EQ(std::memcmp(a.data(), landed.data(), landed.size() * sizeof(float)), 0) << whole;
        EXPECT_EQ(a.back(), -7.0f) << "nothing past the new end";
      }
    }
  }
}

TEST(TimeScale, LandedSeriesEqualsThePlainOne) {
  const std::vector<float> in = [] {
    std::vector<float> v(1001);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>((i * 7919) % 613) * 0.37f - 50.0f;
    return v;
  }();
  const float intervals[][2] = {{1.0f, 2.0f}, {2.0f, 1.0f}, {1.0f, 3.0f}, {0.7f, 0.3f}, {1.0f, 0.1f},
                                {0.3f, 0.7f}, {1.0f, 1.0f}, {3.0f, 0.25f}, {1.0f, 7.0f}, {0.1f, 0.1f},
                                // Steps of one case with a gap now and then.
                                {0.3f, 0.2f}, {1.0f, 0.998f}};
  for (const auto& iv : intervals) {
    SCOPED_TRACE(iv[0] * 100 + iv[1]);
    const double r = ResampleRatio(iv[0], iv[1]);
    const auto n = static_cast<int32_t>(ResampledCaseCount(1000, iv[0], iv[1]));
    for (const int32_t target : {n, n / 2}) {
      std::vector<float> plain(static_cast<size_t>(target) + 2, -1.0f), landed = plain;
      std::vector<int32_t> landing(1001);
      ResampleSeries(in.data(), 1000, r, plain.data(), target);
      ResampleLandings(1000, r, landing.data());
      ResampleSeriesLanded(in.data(), 1000, landing.data(), landed.data(), target);
      ASSERT_EQ(landed, plain) << target;
    }
  }
}

// Old case i lands on floor(i * P / Q), P / Q the ratio of the decimals
// typed, for intervals of five and six digits and every case of a result
// up to 7,000,000 cases long. Checked where it is hardest: the cases whose
// exact landing is a whole number or lies within 3 / Q below one. With a
// margin of 1e-12 a case landed one place late in about a third of such
// pairs (5.86323 s -> 9.1 s: old case 2,788,613 on 1,796,734, not 1,796,733).
TEST(TimeScale, LandingsAreExactForFiveAndSixDigitIntervalsUpToTheLongestFile) {
  using Wide = __int128;
  struct Decimal {
    int64_t digits, places;  // digits / 10^places
  };
  const auto text = [](Decimal d) {
    std::string t = std::to_string(d.digits);
    if (d.places == 0) return t;
    if (static_cast<int64_t>(t.size()) <= d.places) t.insert(0, static_cast<size_t>(d.places + 1 - t.size()), '0');
    t.insert(t.size() - static_cast<size_t>(d.places), ".");
    return t;
  };
  const auto pow10 = [](int64_t k) {
    int64_t p = 1;
    while (k-- > 0) p *= 10;
    return p;
  };
  std::vector<std::pair<Decimal, Decimal>> pairs = {
      {{586323, 5}, {91, 1}}, {{1, 1}, {123457, 6}}, {{99999, 5}, {1, 0}}, {{1, 0}, {99999, 5}}, {{333333, 6}, {1, 1}}};
  std::mt19937_64 rng(39);
  for (int n = 0; n < 3000; ++n) {
    const auto pick = [&] {
      const int64_t digits = std::uniform_int_distribution<int64_t>(10000, 999999)(rng);
      return Decimal{digits, std::uniform_int_distribution<int64_t>(digits >= 100000 ? 3 : 2, digits >= 100000 ? 8 : 7)(rng)};
    };
    pairs.push_back({pick(), pick()});
  }
  int64_t checked = 0;
  for (const auto& [from, to] : pairs) {
    const std::string oldText = text(from), newText = text(to);
    SCOPED_TRACE(oldText + " s -> " + newText + " s");
    const double ratio = ResampleRatio(std::strtof(oldText.c_str(), nullptr), std::strtof(newText.c_str(), nullptr));
    int64_t p = from.digits * pow10(to.places), q = to.digits * pow10(from.places);
    const int64_t g = std::gcd(p, q);
    p /= g;
    q /= g;
    // The longest old file whose result fits 7,000,000 cases.
    const int64_t last = std::min<int64_t>(kMaxCases, static_cast<int64_t>((Wide{kMaxCases} * q + q - 1) / p));
    // p^-1 mod q by Euclid.
    int64_t inverse = 1;
    if (q > 1) {
      int64_t r0 = q, r1 = p % q, t0 = 0, t1 = 1;
      while (r1 != 0) {
        const int64_t k = r0 / r1;
        std::tie(r0, r1) = std::make_pair(r1, r0 - k * r1);
        std::tie(t0, t1) = std::make_pair(t1, t0 - k * t1);
      }
      inverse = ((t0 % q) + q) % q;
    }
    for (int64_t below = 0; below <= 3; ++below) {
      // i * p = -below (mod q).
      const int64_t first = static_cast<int64_t>((Wide{q - below % q} % q * inverse) % q);
      if (first > last) continue;
      const int64_t count = (last - first) / q + 1;
      for (int64_t j = 0; j < count; j = j < 40 || j >= count - 40 ? j + 1 : count - 40) {
        const int64_t i = first + j * q;
        const auto exact = static_cast<int64_t>(Wide{i} * p / q);
        ASSERT_EQ(ResampledIndex(i, ratio), exact) << "old case " << i;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

TEST(TimeScale, MarkersStayInsideTheFile) {
  const double r = ResampleRatio(1.0f, 4.0f);
  EXPECT_EQ(ResampledMarkerCase(1, r, 25), 1) << "case 1 would land on 0 and be lost";
  EXPECT_EQ(ResampledMarkerCase(100, r, 25), 25);
  EXPECT_EQ(ResampledMarkerCase(101, r, 25), 25);
}

class TimeScaleStore : public DataFilesTest {};

TEST_F(TimeScaleStore, ImageResamplesEverythingOrNothing) {
  DataFileImage img;
  img.cases = 10;
  img.interval = 1.0f;
  img.data = {ramp(10), ramp(10, 5.0f)};
  img.labels = {FitLabel("a"), FitLabel("b")};
  img.markers = {{2, 1}, {3, 2}, {10, 3}};
  // Case texts out of every integer range land on an end, never anywhere.
  img.notes = {{"4", "00:00:04", "note"}, {"1e300", "", "far"}, {"-1e300", "", "before"}};
  ASSERT_EQ(ResampleImage(img, 2.0f), FileStatus::Ok);
  EXPECT_EQ(img.cases, 5);
  EXPECT_EQ(img.interval, 2.0f);
  ASSERT_EQ(img.data[1].size(), 6u);
  EXPECT_EQ(img.data[1][5], 100.0f);
  // Cases 2 and 3 both land on 1: both markers stay there, in order.
  EXPECT_EQ(img.markers, (std::vector<MarkerRecord>{{1, 1}, {1, 2}, {5, 3}}));
  EXPECT_EQ(img.notes[0].caseText, "2");
  EXPECT_EQ(img.notes[1].caseText, "5");
  EXPECT_EQ(img.notes[2].caseText, "1");

  DataFileImage big;
  big.cases = 3'500'001;
  big.interval = 2.0f;
  big.data = {std::vector<float>(3'500'002, 1.0f)};
  const DataFileImage before = big;
  EXPECT_EQ(ResampleImage(big, 1.0f), FileStatus::TooManyCases);
  EXPECT_EQ(big.cases, before.cases);
  EXPECT_EQ(big.data, before.data);
  EXPECT_EQ(ResampleImage(big, 0.0f), FileStatus::BadRange);
}

TEST_F(TimeScaleStore, SlotGrowsAndShrinks) {
  ASSERT_EQ(AllocateSlot(0, 100, 2), StoreStatus::Ok);
  FileInfoFLOATS[0][kInfoInterval] = 1.0f;
  for (int i = 0; i <= 100; ++i) {
    PutDatum(0, 1, i, static_cast<float>(i));
    PutDatum(0, 2, i, static_cast<float>(-i));
  }
  ASSERT_EQ(AddMarker(0, 50, 7), StoreStatus::Ok);
  ASSERT_EQ(AddNote(0, {"100", "00:01:40", "end"}), StoreStatus::Ok);

  ASSERT_EQ(ResampleSlot(0, 0.5f), StoreStatus::Ok);
  EXPECT_EQ(nCases[0], 200);
  EXPECT_EQ(gPointersToFileData[0][0].size(), 201u) << "the scratch channel follows";
  EXPECT_EQ(GetDatum(0, 1, 200), 100.0f);
  EXPECT_EQ(GetDatum(0, 2, 101), -50.5f);
  EXPECT_EQ(MarkersArray[0][0].caseNumber, 100);
  EXPECT_EQ(NotesArray[0][0].caseText, "200");

  ASSERT_EQ(ResampleSlot(0, 2.0f), StoreStatus::Ok);
  EXPECT_EQ(nCases[0], 50);
  EXPECT_EQ(GetDatum(0, 1, 50), 100.0f);
  EXPECT_EQ(MarkersArray[0][0].caseNumber, 25);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoInterval], 2.0f);

  EXPECT_EQ(ResampleSlot(0, 0.00001f), StoreStatus::TooManyCases);
  EXPECT_EQ(nCases[0], 50);
}

}  // namespace

namespace {

// A file that grows is worked out apart (whole ratios without the landing
// table, in blocks), and is held bit for bit to the plain loop across blocks.
class TimeScaleSlot : public DataFilesTest {};

// A long file's channels are large arrays of their own pages and are worked
// on side by side.
TEST_F(TimeScaleSlot, EveryChannelEqualsThePlainLoop) {
  const float intervals[][2] = {{2.0f, 1.0f}, {3.0f, 1.0f}, {1.0f, 0.25f}, {1.0f, 0.1f},
                                {2.5f, 1.0f}, {1.0f, 2.0f}, {0.7f, 0.3f}};
  for (const auto& [old, channels] : {std::pair{5000, 2}, std::pair{300'001, 5}}) {
    for (const auto& iv : intervals) {
      if (old > 5000 && iv[0] == 1.0f && iv[1] == 0.1f) continue;   // 3M cases a channel: slow under sanitizers
      SCOPED_TRACE(testing::Message() << old << " cases, " << iv[0] << " s to " << iv[1] << " s");
      ASSERT_EQ(AllocateSlot(0, old, static_cast<int16_t>(channels)), StoreStatus::Ok);
      FileInfoFLOATS[0][kInfoInterval] = iv[0];
      std::vector<std::vector<float>> in(static_cast<size_t>(channels));
      for (int16_t c = 1; c <= channels; ++c) {
        float* d = ChannelData(0, c);
        for (int64_t i = 0; i <= old; ++i) d[i] = static_cast<float>((i * 7919 * c) % 613) * 0.37f - 50.0f;
        in[static_cast<size_t>(c - 1)] = gPointersToFileData[0][c];
      }
      ASSERT_EQ(ResampleSlot(0, iv[1]), StoreStatus::Ok);
      const int32_t n = nCases[0];
      ASSERT_EQ(n, ResampledCaseCount(old, iv[0], iv[1]));
      EXPECT_EQ(gPointersToFileData[0][0].size(), static_cast<size_t>(n) + 1);
      for (int16_t c = 1; c <= channels; ++c) {
        std::vector<float> plain(static_cast<size_t>(n) + 1);
        ResampleSeries(in[static_cast<size_t>(c - 1)].data(), old, ResampleRatio(iv[0], iv[1]), plain.data(), n);
        ASSERT_EQ(gPointersToFileData[0][c], plain) << c;
      }
      FreeSlot(0);
    }
  }
}

}  // namespace
