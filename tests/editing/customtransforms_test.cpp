// Saved custom transforms: the record layout byte for byte, the checks that
// keep a damaged record out of the list, and rewrites that touch only what
// they must.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "editing/customtransforms.h"
#include "support/scratch.h"

namespace {

CustomTransform sample(int16_t code, const std::string& name = "cal") {
  CustomTransform t;
  t.name = name;
  t.chan1 = 2;
  t.chan2 = 3;
  t.code = code;
  t.makeNewChan = 1;
  t.a = 1.5f;
  t.b = -2.0f;
  t.exponent = 0.5f;
  t.aux = 44;
  t.item1 = code;
  t.polyDegree = 2;
  t.constant = 7.0f;
  t.coefficients[0] = 1.0f;
  t.coefficients[8] = 9.0f;
  return t;
}

std::vector<uint8_t> fileOf(const std::vector<CustomTransform>& ts) {
  std::vector<uint8_t> f;
  for (const auto& t : ts) {
    uint8_t r[kCustomRecordBytes];
    EncodeCustomTransform(t, r);
    f.insert(f.end(), r, r + kCustomRecordBytes);
  }
  return f;
}

TEST(CustomTransforms, RecordLayoutIsBigEndianWithUnalignedFloatsAndNamesOf48) {
  uint8_t r[kCustomRecordBytes];
  EncodeCustomTransform(sample(2, "O2 cal"), r);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r), 48), "O2 cal" + std::string(42, ' '));
  EXPECT_EQ(r[48], 0);
  EXPECT_EQ(r[49], 2);
  EXPECT_EQ(r[53], 2);
  // 1.5f = 0x3FC00000 at 56; 7.0f = 0x40E00000 at 74; 9.0f = 0x41100000 at 110.
  EXPECT_EQ(r[56], 0x3F);
  EXPECT_EQ(r[57], 0xC0);
  EXPECT_EQ(r[69], 44);
  EXPECT_EQ(r[74], 0x40);
  EXPECT_EQ(r[75], 0xE0);
  EXPECT_EQ(r[110], 0x41);
  EXPECT_EQ(r[111], 0x10);
  const CustomTransform back = DecodeCustomTransform(r);
  EXPECT_EQ(back.a, 1.5f);
  EXPECT_EQ(back.coefficients[8], 9.0f);
  EXPECT_EQ(back.chan2, 3);
  const std::string longName(60, 'n');
  EXPECT_EQ(CustomName(longName), std::string(48, 'n'));
  EXPECT_EQ(CustomName(std::string(48, 'm')), std::string(48, 'm'));
}

TEST(CustomTransforms, DamagedRecordsAndAShortTailAreNotListed) {
  CustomTransform badCode = sample(70), badDegree = sample(2), nanA = sample(5), nanType = sample(20),
                  hugeType = sample(20), otherType = sample(20);
  badDegree.polyDegree = 10;
  nanA.a = NAN;
  nanType.coefficients[1] = NAN;        // the lower type: reading it as a whole type was undefined
  hugeType.coefficients[5] = 3e9f;      // the upper type, past every integer
  otherType.coefficients[5] = 7.0f;     // an unknown type is legal: it leaves the case alone
  std::vector<uint8_t> f = fileOf({sample(5), badCode, badDegree, nanA, sample(47), nanType, hugeType, otherType});
  f.resize(f.size() + 50, 0);
  const CustomTransformList l = ListCustomTransforms(f);
  ASSERT_EQ(l.entries.size(), 3u);
  EXPECT_EQ(l.index, (std::vector<int16_t>{1, 5, 8}));
  EXPECT_EQ(l.damaged, 5);
  EXPECT_TRUE(l.shortTail);
  EXPECT_EQ(CustomTransformDamageText(l),
            "The custom transforms file is damaged: 5 records were skipped and cannot be used. The file ends inside "
            "a record; that partial record cannot be used and will be dropped when the file is next saved.");
  EXPECT_EQ(CustomTransformDamageText(ListCustomTransforms(fileOf({sample(5)}))), "");

  // A damaged type that reaches the engine leaves the cases alone.
  for (float type : {NAN, 3e9f, -3e9f, INFINITY}) {
    TransformSettings s;
    s.code = 20;
    s.breakpoint.lowerType = s.breakpoint.upperType = type;
    EXPECT_FALSE(BreakpointTypesValid(s.breakpoint));
    float v[3] = {-1.0f, 0.5f, 2.0f};
    ApplyTransform(v, nullptr, 0, 2, s);
    EXPECT_EQ(v[2], 2.0f);
  }
  float step[28] = {};
  TransformSettings bp;
  bp.code = 20;
  TransformToStep(bp, step);
  step[19] = NAN;
  EXPECT_FALSE(BreakpointTypesValid(TransformFromStep(step).breakpoint));
}

TEST(CustomTransforms, FortyListedSavesRefusedBeyondAndRewritesTouchOnlyTheirRecords) {
  std::vector<CustomTransform> many;
  for (int k = 1; k <= 41; ++k) many.push_back(sample(static_cast<int16_t>(k % 26 + 1), "t" + std::to_string(k)));
  for (auto& t : many)
    if (t.code == 19 || t.code == 21) t.code = 17;
  std::vector<uint8_t> f = fileOf(many);
  EXPECT_EQ(ListCustomTransforms(f).entries.size(), 40u);
  EXPECT_EQ(CustomTransformDamageText(ListCustomTransforms(f)),
            "Only the first 40 saved transforms can be listed: 1 record after them is kept in the file but not shown.");
  EXPECT_EQ(CustomName(ListCustomTransforms(f).entries[20].name), CustomName("t21"));
  EXPECT_FALSE(AppendCustomRecord(f, sample(5)));

  std::vector<uint8_t> g = fileOf({sample(5, "a"), sample(23, "b"), sample(5, "c")});
  const std::vector<uint8_t> before = g;
  CustomTransform edited = DecodeCustomTransform(g.data() + kCustomRecordBytes);
  edited.a = 4.0f;
  ASSERT_TRUE(ReplaceCustomRecord(g, 2, edited));
  for (size_t i = 0; i < g.size(); ++i)
    if (i < kCustomRecordBytes || i >= 2 * kCustomRecordBytes) {
      ASSERT_EQ(g[i], before[i]) << i;
    }
  EXPECT_EQ(DecodeCustomTransform(g.data() + kCustomRecordBytes).chan2, 3);

  f = fileOf(many);
  const int16_t gone[] = {1, 2};
  DeleteCustomRecords(f, gone);
  EXPECT_EQ(f.size(), 39 * kCustomRecordBytes);  // the 41st stays
  EXPECT_EQ(CustomName(DecodeCustomTransform(f.data() + 38 * kCustomRecordBytes).name), CustomName("t41"));
  const int16_t all[] = {1, 2, 3};
  DeleteCustomRecords(g, all);
  EXPECT_TRUE(g.empty());
}

TEST(CustomTransforms, SettingsRoundTripAndTheFileOnDisk) {
  TransformSettings bp;
  bp.code = 20;
  bp.breakpoint = {1, 1, 0, 2, 0, 3, 10, 1, 0.5f};
  const TransformSettings back = CustomTransformSettings(CustomTransformFromSettings(bp, "bp"), 3);
  EXPECT_EQ(back.breakpoint.upperType, 3);
  EXPECT_EQ(back.breakpoint.upperC, 0.5f);
  EXPECT_EQ(back.customIndex, 3);

  const auto dir = testsupport::MakeScratchDir("corvimet-custom-");
  const auto path = dir / kCustomTransformsFile;
  std::vector<uint8_t> bytes = {1};
  EXPECT_TRUE(ReadCustomTransformsFile(path, &bytes));
  EXPECT_TRUE(bytes.empty());
  const std::vector<uint8_t> f = fileOf({sample(5)});
  ASSERT_TRUE(WriteCustomTransformsFile(path, f));
  ASSERT_TRUE(ReadCustomTransformsFile(path, &bytes));
  EXPECT_EQ(bytes, f);
  ASSERT_TRUE(WriteCustomTransformsFile(path, {}));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  std::filesystem::remove_all(dir);
}

}  // namespace
