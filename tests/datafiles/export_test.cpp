// Comma- and tab-separated export, byte for byte: every combination of the
// optional time columns in both formats, quoting, labels as UTF-8, LF line
// ends, clock
// and date across midnight and New Year, blocks and channel subsets.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "datafiles/export.h"
#include "datafiles/fixture.h"
#include "shell/textutil.h"

namespace {

class Export : public DataFilesTest {
 protected:
  void SetUp() override {
    DataFilesTest::SetUp();
    ASSERT_EQ(AllocateSlot(0, 3, 2), StoreStatus::Ok);
    TheFileInUse = 0;
    FileInfoFLOATS[0][kInfoInterval] = 0.5f;
    StartDate[0] = "12-31-2023";
    StartTime[0] = "23:59:59";
    SetChannelLabel(0, 1, "Temp \xA1" "C");
    SetChannelLabel(0, 2, "Flow, ml/min");
    const float a[] = {9.0f, 1.5f, -2.0f, 0.1f}, b[] = {9.0f, 3.25f, 0.0f, 42.0f};
    for (int i = 0; i <= 3; ++i) {
      PutDatum(0, 1, i, a[i]);
      PutDatum(0, 2, i, b[i]);
    }
    OverlayArray[0][2][1] = OverlayArray[0][2][2] = 1;
  }

  static std::string encode(const TextExportOptions& opt) {
    std::string out;
    EXPECT_EQ(EncodeTextExport(TextSourceOfSlot(0), opt, &out), FileStatus::Ok);
    return out;
  }
};

TEST_F(Export, EveryColumnCombinationInBothFormats) {
  // Column pieces: header, then rows 1..3.
  const std::vector<std::vector<std::string>> caseCol{{"Case"}, {"1"}, {"2"}, {"3"}};
  const std::vector<std::vector<std::string>> timeCol{{"Time (sec)"}, {"0.5"}, {"1"}, {"1.5"}};
  // The clock shows the tenths a 0.5 s interval needs.
  const std::vector<std::vector<std::string>> clockCol{{"Clock Time"}, {"23:59:59.5"}, {"0:00:00.0"}, {"0:00:00.5"}};
  const std::vector<std::vector<std::string>> dateCol{{"Date"}, {"12/31/2023"}, {"01/01/2024"}, {"01/01/2024"}};
  for (TextExportFormat format : {TextExportFormat::Comma, TextExportFormat::Tab}) {
    const bool comma = format == TextExportFormat::Comma;
    const std::string d = comma ? "," : "\t";
    const std::vector<std::string> data{comma ? "Temp \xC2\xB0" "C,\"Flow, ml/min\"" : "Temp \xC2\xB0" "C\tFlow, ml/min",
                                        "1.5" + d + "3.25", "-2" + d + "0", "0.1" + d + "42"};
    for (int mask = 0; mask < 16; ++mask) {
      TextExportOptions opt;
      opt.format = format;
      opt.caseColumn = mask & 1;
      opt.elapsedColumn = mask & 2;
      opt.clockColumn = mask & 4;
      opt.dateColumn = mask & 8;
      opt.first = 0;
      opt.last = 3;
      std::string expected;
      for (int row = 0; row < 4; ++row) {
        if (opt.caseColumn) expected += caseCol[row][0] + d;
        if (opt.elapsedColumn) expected += timeCol[row][0] + d;
        if (opt.clockColumn) expected += clockCol[row][0] + d;
        if (opt.dateColumn) expected += dateCol[row][0] + d;
        expected += data[row] + "\n";
      }
      EXPECT_EQ(encode(opt), expected) << (comma ? "comma" : "tab") << " mask " << mask;
    }
  }
}

TEST_F(Export, BlockAndChannelSubset) {
  OverlayArray[0][2][1] = 0;
  SetChannelLabel(0, 2, "");
  TextExportOptions opt;
  opt.caseColumn = true;
  opt.first = 1;
  opt.last = 2;
  EXPECT_EQ(encode(opt), "Case,Channel 2\n2,0\n");
  OverlayArray[0][2][2] = 0;
  std::string out;
  EXPECT_EQ(EncodeTextExport(TextSourceOfSlot(0), opt, &out), FileStatus::NoChannels);
  OverlayArray[0][2][2] = 1;
  opt.first = 2;
  opt.last = 2;
  EXPECT_EQ(EncodeTextExport(TextSourceOfSlot(0), opt, &out), FileStatus::BadRange);
}

TEST_F(Export, FieldsNeverAddADelimiter) {
  EXPECT_EQ(ExportField("a\"b", TextExportFormat::Comma), "\"a\"\"b\"");
  EXPECT_EQ(ExportField("a\rb", TextExportFormat::Comma), "\"a\rb\"");
  EXPECT_EQ(ExportField("plain", TextExportFormat::Comma), "plain");
  EXPECT_EQ(ExportField("a\tb\rc,d", TextExportFormat::Tab), "a b c,d");
}

TEST(ExportTimes, UnitsClockAndDate) {
  EXPECT_EQ(FieldNumText(ElapsedOfCase(0.1f, 3, ElapsedUnit::Seconds)), "0.3");
  EXPECT_EQ(FieldNumText(ElapsedOfCase(30.0f, 2, ElapsedUnit::Minutes)), "1");
  EXPECT_EQ(FieldNumText(ElapsedOfCase(90.0f, 80, ElapsedUnit::Hours)), "2");
  EXPECT_EQ(FieldNumText(ElapsedOfCase(3600.0f, 36, ElapsedUnit::Days)), "1.5");
  // 100 x 0.29 s is 28.999999999999996 in binary; the clock must say 29 s.
  EXPECT_EQ(ClockOfCase(0.29f, 0, 100), "0:00:29.00");
  EXPECT_EQ(ClockOfCase(3600.0f, 23 * 3600, 25), "0:00:00") << "wraps at 24 h, twice";
  // As many decimals as the interval needs, at most six; none for whole seconds.
  const struct {
    float interval;
    int32_t start, caseIndex;
    const char* clock;
  } clocks[] = {{0.1f, 43200, 1, "12:00:00.1"},      {0.1f, 43200, 7'000'000, "14:26:40.0"},
                {0.001f, 0, 1234567, "0:20:34.567"},  {2.5f, 86399, 1, "0:00:01.5"},
                {0.000001f, 0, 3, "0:00:00.000003"}, {1.0f / 3.0f, 0, 3, "0:00:01.000000"},
                {0.123456f, 0, 7'000'000, "0:03:12.000000"}, {60.0f, 0, 61, "1:01:00"}};
  for (const auto& c : clocks) EXPECT_EQ(ClockOfCase(c.interval, c.start, c.caseIndex), c.clock) << c.interval;
  EXPECT_EQ(DateOfCase(0.1f, "12-31-2023", 86399, 10), "01/01/2024") << "one whole second later";
  EXPECT_EQ(DateOfCase(0.1f, "12-31-2023", 86399, 9), "12/31/2023");
  EXPECT_EQ(DateOfCase(86400.0f, "02-28-2024", 0, 1), "02/29/2024");
  EXPECT_EQ(DateOfCase(86400.0f, "02-28-2023", 0, 1), "03/01/2023");
  EXPECT_EQ(DateOfCase(86400.0f, "12-31-2023", 0, 40), "02/09/2024") << "month and year carry";
  EXPECT_EQ(DateOfCase(1.0f, "not a date", 0, 1), "");
  // Intervals no file should hold give a wrong time, never an overflow.
  EXPECT_LE(ClockOfCase(6.5e32f, 0, 7'000'000).size(), 8u);
  EXPECT_FALSE(DateOfCase(6.5e32f, "01-01-2024", 0, 7'000'000).empty());
  EXPECT_EQ(ClockOfCase(std::numeric_limits<float>::infinity(), 0, 2), "0:00:00");
}

TEST_F(Export, FileIsWrittenWholeWithLfLineEnds) {
  TextExportOptions opt;
  opt.format = TextExportFormat::Tab;
  opt.first = 0;
  opt.last = 3;
  std::vector<int32_t> progress;
  ASSERT_EQ(WriteTextExport(path("out.xls"), TextSourceOfSlot(0), opt, [&](int32_t n) { progress.push_back(n); }),
            FileStatus::Ok);
  EXPECT_EQ(slurp(path("out.xls")), encode(opt));
  EXPECT_EQ(slurp(path("out.xls")).find('\r'), std::string::npos);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 3);
  int err = 0;
  EXPECT_EQ(WriteTextExport(path("missing/out.csv"), TextSourceOfSlot(0), opt, {}, &err), FileStatus::WriteFailed);
  EXPECT_NE(err, 0);
}

}  // namespace
