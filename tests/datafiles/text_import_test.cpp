#include "datafiles/text_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "datafiles/export.h"
#include "datafiles/native_binary.h"
#include "datafiles/save.h"
#include "fixture.h"

namespace {

class TextImportTest : public DataFilesTest {
 protected:
  static TextTable parsed(const std::string& text, FileStatus expect = FileStatus::Ok) {
    TextTable t;
    EXPECT_EQ(ParseDelimitedText(text, &t), expect);
    return t;
  }
  static std::vector<float> col(const TextTable& t, int k) { return t.columns.at(static_cast<size_t>(k)); }
  // The text as a file in the test's folder, read as the open command reads it.
  TextTable fromFile(const std::string& text, FileStatus expect = FileStatus::Ok) const {
    spit(path("in.csv"), text);
    TextTable t;
    EXPECT_EQ(ReadDelimitedTextFile(path("in.csv"), &t), expect);
    return t;
  }
  // The body once with each row reader this processor has: eight cells at
  // a time where it offers AVX-512, and the narrower one.
  template <class Body>
  static void withEachRowReader(Body body) {
    for (const bool wide : {true, false}) {
      SCOPED_TRACE(wide ? "widest row reader" : "narrower row reader");
      const bool kept = SetWideTextRows(wide);
      body();
      SetWideTextRows(kept);
    }
  }
  static bool hasNotice(const TextTable& t, const std::string& part) {
    return std::any_of(t.notices.begin(), t.notices.end(),
                       [&](const std::string& n) { return n.find(part) != std::string::npos; });
  }
};

TEST_F(TextImportTest, EachDialectReadsTheSameTable) {
  const std::vector<float> a{1.5f, -2.0f, 300.0f}, b{0.25f, 4.0f, 1e-3f};
  const std::string dialects[] = {
      "A,B\n1.5,0.25\n-2,4\n300,1e-3\n",
      "A\tB\r\n1.5\t0.25\r\n-2\t4\r\n300\t0.001\r\n",
      "A;B\r1,5;0,25\r-2;4\r300;0,001\r",                       // decimal comma, CR only
      "\xEF\xBB\xBF" "A,B\r1.5,0.25\r-2,4\r300,1e-3",             // BOM, CR only, no final line end
      "\"A\",\"B\"\n\"1.5\",\" 0.25 \"\n+-2,4\n300,1e-3\n\n\n",  // quotes, blanks, blank trailing lines
      "A\tB\n1,5\t0,25\n-2\t4\n300\t0,001\n",                     // tabs with decimal commas
      "A,B,\n1.5,0.25,\n-2,4,\n300,1e-3,\n,,\n",                   // a delimiter closing each line
  };
  for (const std::string& text : dialects) {
    SCOPED_TRACE(text);
    TextTable t = parsed(text);
    ASSERT_EQ(t.columns.size(), 2u);
    EXPECT_EQ(t.names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(t.headerLines, 1);
    EXPECT_EQ(col(t, 1), b);
    if (text.find("+-2") == std::string::npos) {
      EXPECT_EQ(col(t, 0), a);
      EXPECT_EQ(t.unreadCells[0] + t.unreadCells[1], 0);
    } else {
      EXPECT_EQ(t.unreadCells[0], 1);  // "+-2" is no number
    }
  }
}

TEST_F(TextImportTest, QuotedFieldsKeepDelimitersQuotesAndLineEnds) {
  TextTable t = parsed("\"Temp, \"\"inner\"\" (\xC2\xB0" "C)\",\"two\nlines\"\n1,2\n3,4\n");
  ASSERT_EQ(t.names.size(), 2u);
  EXPECT_EQ(t.names[0], "Temp, \"inner\" (\xA1" "C)");  // UTF-8 degree to Mac Roman
  EXPECT_EQ(t.names[1], "two\nlines");
  EXPECT_EQ(t.rows(), 2);
  EXPECT_TRUE(hasNotice(t, "opens on line 1 closes on line 2")) << "a heading of two lines is told";
}

TEST_F(TextImportTest, SeveralHeaderLinesAndTheLastNamesColumns) {
  TextTable t = parsed(
      "Instrument: FoxBox 2\n"
      "Exported,2024-03-14\n"
      "\n"
      "O2,CO2,Flow\n"
      "20.9,0.04,500\n"
      "20.8,0.05,501\n");
  EXPECT_EQ(t.headerLines, 4);
  EXPECT_EQ(t.names, (std::vector<std::string>{"O2", "CO2", "Flow"}));
  EXPECT_EQ(t.rows(), 2);
  // No header at all: columns are numbered.
  TextTable u = parsed("1,2\n3,4\n");
  EXPECT_EQ(u.headerLines, 0);
  EXPECT_EQ(u.names, (std::vector<std::string>{"column 1", "column 2"}));
  EXPECT_EQ(u.timeColumn, -1);
}

// The first row is case 1, one interval after the start: the start is the
// first clock time less the interval (it was taken as the start itself, so
// every round trip put the file an interval later), the date moving back
// with it across midnight. A clock in whole seconds does not resolve 0.1 s:
// the elapsed column gives the interval then, the clock still the start. A
// column of dates gives the date.
TEST_F(TextImportTest, ClockTimeColumnGivesIntervalStartAndDate) {
  TextTable t = parsed(
      "Date Time,O2\n"
      "03/14/2024 23:59:58,20.9\n"
      "03/14/2024 23:59:59,20.8\n"
      "03/15/2024 00:00:00,20.7\n"
      "03/15/2024 00:00:01,20.6\n");
  EXPECT_EQ(t.timeColumn, 0);
  EXPECT_EQ(t.timeKind, TimeKind::Clock);
  EXPECT_DOUBLE_EQ(t.suggestedInterval, 1.0);  // across midnight
  EXPECT_EQ(t.suggestedStartTime, "23:59:57");
  EXPECT_EQ(t.suggestedStartDate, "03-14-2024");
  EXPECT_EQ(t.dataColumns(), 1);
  EXPECT_EQ(t.unreadCells[0], 0);

  const struct {
    const char* text;
    TimeKind kind;
    double interval;
    const char* date;
    const char* time;
    std::vector<std::string> skipped;
    const char* notice = "";
  } cases[] = {
      // Cells that hold no clock were midnight: 50,362 s and 20:00:38 here.
      {"Time,x\n20:00:00,1\n,2\n20:00:02,3\n,4\n20:00:04,5\n,6\n", TimeKind::Clock, 1, "", "19:59:59", {},
       "3 cells of the clock column \"Time\" hold no clock"},
      {"Time,x\n10:00:00,1\n10:00:10,2\nbad,3\n10:00:30,4\n", TimeKind::Clock, 10, "", "09:59:50", {},
       "1 cell of the clock column \"Time\" holds no clock"},
      {"Time,x\n,1\n10:00:01,2\n10:00:02,3\n", TimeKind::Clock, 1, "", "09:59:59", {}, "1 cell"},
      {"t,x\n1:00:00 PM,1\n1:00:00.5 PM,2\n1:00:01 PM,3\n", TimeKind::Clock, 0.5, "", "13:00:00", {}},
      {"Clock Time,Date,x\n0:00:00,03/15/2024,1\n0:00:01,03/15/2024,2\n", TimeKind::Clock, 1, "03-14-2024",
       "23:59:59", {}},
      {"Date,Clock Time,x\n03/15/2024,0:00:00.5,1\n03/15/2024,0:00:01.0,2\n", TimeKind::Clock, 0.5,
       "03-15-2024", "00:00:00", {}},
      {"Time (sec),Clock Time,Note,x\n0.1,12:00:00,a,1\n0.2,12:00:00,b,2\n0.3,12:00:00,c,3\n0.4,12:00:00,d,4\n"
       "0.5,12:00:00,e,5\n",
       TimeKind::Elapsed, 0.1, "", "12:00:00", {"Note"}},
      {"Time (min),Date,x\n1,12/31/2023,1\n2,01/01/2024,2\n", TimeKind::Elapsed, 60, "12-31-2023", "00:00:00", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const TextTable u = fromFile(c.text);
    EXPECT_EQ(u.timeKind, c.kind);
    if (*c.notice) {
      EXPECT_TRUE(hasNotice(u, c.notice));
    }
    EXPECT_DOUBLE_EQ(u.suggestedInterval, c.interval);
    EXPECT_EQ(u.suggestedStartDate, c.date);
    EXPECT_EQ(u.suggestedStartTime, c.time);
    EXPECT_EQ(u.skippedColumns, c.skipped);
  }
}

// Save As text with every choice of time columns, in both formats, then
// import: the values come back bit for bit, and the interval, start date and
// start time wherever the columns carry them. The file starts at 23:59:59
// on New Year's Eve, so case 1 lies in the next year at intervals of 1 s and
// more.
TEST_F(TextImportTest, ExportedTimesComeBackThroughTheImport) {
  constexpr int32_t kRows = 40;
  ASSERT_EQ(AllocateSlot(0, kRows, 2), StoreStatus::Ok);
  StartDate[0] = "12-31-2023";
  StartTime[0] = "23:59:59";
  SetChannelLabel(0, 1, "O2");
  SetChannelLabel(0, 2, "Flow");
  OverlayArray[0][2][1] = OverlayArray[0][2][2] = 1;
  std::mt19937 rng(19);
  std::uniform_int_distribution<uint32_t> bits(0, 0xFFFFFFFFu);
  for (int16_t c = 1; c <= 2; ++c)
    for (int32_t k = 0; k <= kRows; ++k) {
      float v;
      do {
        const uint32_t b = bits(rng);
        std::memcpy(&v, &b, sizeof v);
      } while (!std::isnormal(v));
      PutDatum(0, c, k, v);
    }
  for (const float interval : {0.001f, 0.1f, 0.5f, 1.0f, 2.5f, 60.0f, 3600.0f}) {
    FileInfoFLOATS[0][kInfoInterval] = interval;
    const TextExportSource src = TextSourceOfSlot(0);
    // Case 1's date, all a date column alone can tell.
    const char* firstRowDate = 86399.0 + static_cast<double>(interval) >= 86400.0 ? "01-01-2024" : "12-31-2023";
    for (TextExportFormat format : {TextExportFormat::Comma, TextExportFormat::Tab}) {
      for (int mask = 0; mask < 16; ++mask) {
        for (int16_t unit = 0; unit < ((mask & 2) ? 4 : 1); ++unit) {
          TextExportOptions opt;
          opt.format = format;
          opt.caseColumn = mask & 1;
          opt.elapsedColumn = mask & 2;
          opt.elapsedUnit = static_cast<ElapsedUnit>(unit);
          opt.clockColumn = mask & 4;
          opt.dateColumn = mask & 8;
          opt.first = 0;
          opt.last = kRows;
          SCOPED_TRACE(testing::Message() << interval << " s, mask " << mask << ", unit " << unit
                                          << (format == TextExportFormat::Tab ? ", tab" : ", comma"));
          std::string text;
          ASSERT_EQ(EncodeTextExport(src, opt, &text), FileStatus::Ok);
          TextTable t = parsed(text);
          const bool timed = opt.clockColumn || opt.elapsedColumn;
          EXPECT_EQ(t.timeColumn >= 0, timed);
          if (timed) {
            EXPECT_EQ(static_cast<float>(t.suggestedInterval), interval);
          }
          EXPECT_EQ(t.suggestedStartTime, opt.clockColumn ? "23:59:59" : "00:00:00");
          EXPECT_EQ(t.suggestedStartDate, !opt.dateColumn ? "" : opt.clockColumn ? "12-31-2023" : firstRowDate);
          EXPECT_TRUE(t.skippedColumns.empty());
          for (const char* label : {"O2", "Flow"}) {
            const auto at = std::find(t.names.begin(), t.names.end(), label);
            ASSERT_NE(at, t.names.end()) << label;
            const std::vector<float>& got = t.columns[static_cast<size_t>(at - t.names.begin())];
            const float* want = src.channels[label[0] == 'O' ? 0 : 1];
            ASSERT_EQ(got.size(), static_cast<size_t>(kRows));
            EXPECT_EQ(std::memcmp(got.data(), want + 1, got.size() * sizeof(float)), 0) << label;
          }
        }
      }
    }
  }

  // Far into a long recording, with elapsed minutes, hours or days its only
  // time: ten digits left the steps uneven in the seventh, and the interval
  // came back as 60.0000114 s, 3600.00293 s.
  {
    constexpr int32_t kFirst = 1'000'000, kLast = kFirst + 10'050;
    std::vector<float> values(static_cast<size_t>(kLast) + 1, 1.5f);
    TextExportSource far;
    far.startDate = "01-01-2024";
    far.startTime = "00:00:00";
    far.channels = {values.data()};
    far.labels = {"O2"};
    for (const float interval : {0.001f, 0.1f, 1.0f, 2.5f, 60.0f, 3600.0f, 0.123456791f}) {
      for (const ElapsedUnit unit : {ElapsedUnit::Minutes, ElapsedUnit::Hours, ElapsedUnit::Days}) {
        SCOPED_TRACE(testing::Message() << interval << " s, unit " << static_cast<int>(unit));
        far.interval = interval;
        TextExportOptions opt;
        opt.elapsedColumn = true;
        opt.elapsedUnit = unit;
        opt.first = kFirst;
        opt.last = kLast;
        std::string text;
        ASSERT_EQ(EncodeTextExport(far, opt, &text), FileStatus::Ok);
        const TextTable t = fromFile(text);
        EXPECT_EQ(t.timeKind, TimeKind::Elapsed);
        EXPECT_EQ(static_cast<float>(t.suggestedInterval), interval);
      }
    }
  }

  // The whole road through the store: Save As, open, import as suggested.
  FileInfoFLOATS[0][kInfoInterval] = 0.1f;
  SaveChoice choice;
  choice.format = SaveFormat::TabText;
  choice.text.caseColumn = choice.text.elapsedColumn = choice.text.clockColumn = choice.text.dateColumn = true;
  ASSERT_EQ(SaveSlotAs(0, path("round.xls"), choice), FileStatus::Ok);
  TextTable t;
  ASSERT_EQ(ReadDelimitedTextFile(path("round.xls"), &t), FileStatus::Ok);
  TextImportChoice in;
  for (const char* label : {"O2", "Flow"})
    in.columns.push_back(static_cast<int>(std::find(t.names.begin(), t.names.end(), label) - t.names.begin()));
  in.interval = t.suggestedInterval;
  in.startDate = t.suggestedStartDate;
  in.startTime = t.suggestedStartTime;
  int16_t slot = -1;
  RepairReport r;
  ASSERT_EQ(ImportTextColumns(std::move(t), in, "round.xls", path("round.xls").string(), &slot, &r), FileStatus::Ok);
  EXPECT_EQ(FileInfoFLOATS[slot][kInfoInterval], 0.1f);
  EXPECT_EQ(StartDate[slot], "12-31-2023");
  EXPECT_EQ(StartTime[slot], "23:59:59");
  EXPECT_EQ(nCases[slot], kRows);
  for (int16_t c = 1; c <= 2; ++c)
    EXPECT_EQ(std::memcmp(ChannelData(slot, c) + 1, ChannelData(0, c) + 1, kRows * sizeof(float)), 0) << c;
}

TEST_F(TextImportTest, ElapsedSecondsColumnIntervalIgnoresAGap) {
  TextTable t = parsed("Time (s),V\n0,1\n0.2,1\n0.4,1\n0.6,1\n5.0,1\n5.2,1\n");
  EXPECT_EQ(t.timeColumn, 0);
  EXPECT_EQ(t.timeKind, TimeKind::Elapsed);
  EXPECT_NEAR(t.suggestedInterval, 0.2, 1e-6);
  EXPECT_EQ(t.suggestedStartTime, "00:00:00");
  // A falling column named like a time is a channel, not a clock.
  TextTable u = parsed("time,V\n5,1\n4,1\n3,1\n");
  EXPECT_EQ(u.timeColumn, -1);
}

TEST_F(TextImportTest, ColumnLimitCountsDataColumnsOnly) {
  auto table = [](int columns, bool withTime) {
    std::string s;
    for (int r = 0; r < 3; ++r) {
      if (withTime) s += "12:00:0" + std::to_string(r) + ",";
      for (int c = 0; c < columns; ++c) s += std::to_string(c + r) + (c + 1 < columns ? "," : "\n");
    }
    return s;
  };
  parsed(table(33, false), FileStatus::TooManyColumns);
  EXPECT_EQ(parsed(table(32, false)).columns.size(), 32u);
  // One over-long row anywhere refuses the file: the alert names its line.
  const struct {
    std::string text;
    int64_t line;
    const char* cells;
  } wide[] = {
      {"a,b\n1,2\n3,4\n" + std::string(39, ',') + "5\n6,7\n", 4, "has 40 cells"},
      {"a,b\n1,2\n" + std::string(80, ',') + "\n6,7\n", 3, "has more than 64 cells"},
      {std::string(70, ',') + "\n1,2\n3,4\n", 1, "has more than 64 cells"},
      {table(33, false), 1, "has 33 cells"},
  };
  for (const auto& w : wide) {
    SCOPED_TRACE(w.text);
    const TextTable t = fromFile(w.text, FileStatus::TooManyColumns);
    EXPECT_EQ(t.tooWideLine, w.line);
    const std::string alert = TextRefusalText(FileStatus::TooManyColumns, t);
    EXPECT_NE(alert.find("Line " + std::to_string(w.line) + " " + w.cells), std::string::npos) << alert;
  }
  EXPECT_EQ(parsed(table(32, true)).dataColumns(), 32);
  parsed(table(33, true), FileStatus::TooManyColumns);
}

TEST_F(TextImportTest, CellsThatAreNotNumbersReadAsZeroAndAreCounted) {
  TextTable t = parsed("a,b,c\n1,2,3\n4,ERR,6\n7,NaN,\n8\n10,inf,12\n");
  EXPECT_EQ(col(t, 0), (std::vector<float>{1, 4, 7, 8, 10}));
  EXPECT_EQ(col(t, 1), (std::vector<float>{2, 0, 0, 0, 0}));
  EXPECT_EQ(col(t, 2), (std::vector<float>{3, 6, 0, 0, 12}));
  EXPECT_EQ(t.unreadCells, (std::vector<int64_t>{0, 4, 2}));
  // A row longer than the rest adds a column whose earlier cells are missing.
  TextTable u = parsed("1,2\n3,4,5\n");
  EXPECT_EQ(col(u, 2), (std::vector<float>{0, 5}));
  EXPECT_EQ(u.unreadCells[2], 1);
  EXPECT_EQ(UnreadCellsNotice(1), "1 cell was not a number and was read as 0.");
  EXPECT_EQ(UnreadCellsNotice(0), "");

  // The alert names where the cells read as 0 lie in the chosen columns:
  // each stretch of rows, its columns and its first line, the first three
  // stretches in the order of their first rows. (It told only the count:
  // "600000 cells were not numbers and were read as 0".)
  std::string everyOther = "a,b\n";
  for (int r = 0; r < 12; ++r) everyOther += std::to_string(r) + (r % 2 ? ",x\n" : ",1\n");
  std::string joined = "t;O2;CO2;Flow;T\n";
  for (int r = 0; r < 200'000; ++r)
    joined += std::to_string(r) + (r < 1000 ? ";20.9;0.1;500;25\n" : r / 3 == 33'334 ? ";20,9;0,1;500;ERR\n"
                                                                                    : ";20,9;0,1;500;25,5\n");
  const struct {
    std::string text;
    std::vector<int> columns;
    const char* notice;
  } stretches[] = {
      {"a,b,c\n1,2,3\n4,ERR,6\n7,NaN,\n8\n10,inf,12\n", {0, 1, 2},
       "6 cells were not numbers and were read as 0: in \"b\" on 4 rows from line 3; in \"c\" on 2 rows from "
       "line 4."},
      {"a,b,c\n1,2,3\n4,ERR,6\n7,NaN,\n8\n10,inf,12\n", {2, 0}, "2 cells were not numbers and were read as 0: in "
       "\"c\" on 2 rows from line 4."},
      {"a,b,c\n1,2,3\n4,ERR,6\n", {0, 2}, ""},
      {"t;x;y\n1;2;3\n2;3;4\n\n3;-;-\n\n4;-;-\n5;6;7\n", {1, 2},
       "4 cells were not numbers and were read as 0: in \"x\" and \"y\" on 2 rows from line 5."},
      {"1,2\n3,4,5\n", {2}, "1 cell was not a number and was read as 0: in \"column 3\" on line 1."},
      {"Device\nt,v\n1,1\n2,oops\n3,3\n", {1}, "1 cell was not a number and was read as 0: in \"v\" on line 4."},
      {"t,a,b,c,d,e\n0,1,1,1,1,1\n1,1,1,1,1,1\n2,1,1,1,1,1\n3,-,-,-,-,-\n4,-,-,-,-,-\n", {1, 2, 3, 4, 5},
       "10 cells were not numbers and were read as 0: in \"a\", \"b\", \"c\" and 2 more columns on 2 rows from "
       "line 5."},
      {everyOther, {1}, "6 cells were not numbers and were read as 0: in \"b\" on line 3; in \"b\" on line 5; in "
       "\"b\" on line 7; and more further down."},
      {"a,b\n1,1\n2,1\n3,1\n4,x\n5,x\n6,1\n7,1\n8,y\n", {0, 1},
       "3 cells were not numbers and were read as 0: in \"b\" on 2 rows from line 5; in \"b\" on line 9."},
      // Long enough to be read on threads (the decimal commas now read).
      {joined, {1, 2, 3, 4}, "3 cells were not numbers and were read as 0: in \"T\" on 3 rows from line 100004."},
  };
  withEachRowReader([&] {
    for (const auto& c : stretches) {
      SCOPED_TRACE(c.text.substr(0, 60));
      EXPECT_EQ(UnreadCellsNotice(parsed(c.text), c.columns), c.notice);
      EXPECT_EQ(UnreadCellsNotice(fromFile(c.text), c.columns), c.notice);
    }
  });
}

TEST_F(TextImportTest, RefusesTooLittleDataAndBinaryFiles) {
  parsed("", FileStatus::TooFewCases);
  parsed("\n\r\n", FileStatus::TooFewCases);
  parsed("a,b\n1,2\n", FileStatus::TooFewCases);
  parsed("only,text\nno,numbers\n", FileStatus::TooFewCases);
  parsed(std::string("-999\r\x00\x05", 7), FileStatus::BadFormat);
  parsed(std::string("\xFF\xFE" "1\x00,\x00", 6), FileStatus::BadFormat);  // UTF-16
  // Nothing but a regular file is opened: a named pipe hung the open
  // command in the look at its first bytes.
  std::filesystem::create_directory(path("folder.csv"));
  ASSERT_EQ(::mkfifo(path("pipe.csv").c_str(), 0600), 0);
  for (const std::filesystem::path& p : {path("absent.csv"), path("folder.csv"), path("pipe.csv")}) {
    SCOPED_TRACE(p.string());
    TextTable t;
    EXPECT_EQ(DetectDataFileKind(p), DetectedKind::Unreadable);
    EXPECT_EQ(ReadDelimitedTextFile(p, &t), FileStatus::CannotOpen);
    DataFileImage img;
    EXPECT_EQ(ReadNativeBinary(p, &img), FileStatus::CannotOpen);
  }

  // A quote that never closes once swallowed every later row in silence, and
  // so did a stray one that a later quote closes.
  const struct {
    const char* text;
    int64_t line;   // 0: read as a table
    int64_t closeLine = 0;
  } quotes[] = {
      {"t,a\n1,2\n2,\"3\n3,4\n4,5\n5,6\"\n6,7\n7,8\n", 3, 6},
      {"t,a,note\n1,2,ok\n2,3,\"bad\n3,4,ok\n4,5,x\"\n5,6,ok\n", 3, 5},   // in a text column
      {"t,a\r\n1,2\r\n2,\"3\r\n3,\"\"4\"\r\n5,6\r\n", 3, 4},
      {"t,a\n\"1\",\"2\"\n\"3\",\" 4 \"\n", 0},                              // quotes within a line
      {"a,b\n\"1,2\n3,4\n5,6\n7,8\n", 2},
      {"a,b\r\n1,2\r\n3,\"4\r\n5,6\r\n", 3},        // CRLF is one line end
      {"a,b\r1,2\r3,4\r\"5\"\"6,7\r", 4},             // a doubled quote does not close it
      {"a,b\n1,2\n5'3\",4\n6,7\n", 0},                 // a quote inside a field opens nothing
      {"a,\"b\nc\"\n1,2\n3,4\n", 0},                  // closed across a line end
  };
  for (const auto& q : quotes) {
    SCOPED_TRACE(q.text);
    TextTable u = fromFile(q.text, q.line == 0 ? FileStatus::Ok : FileStatus::UnclosedQuote);
    if (q.line == 0) continue;
    EXPECT_EQ(u.unclosedQuoteLine, q.line);
    EXPECT_EQ(u.quoteCloseLine, q.closeLine);
    EXPECT_EQ(u.rows(), 0) << "nothing imported";
    const std::string alert = TextRefusalText(FileStatus::UnclosedQuote, u);
    EXPECT_NE(alert.find("line " + std::to_string(q.line)), std::string::npos);
    if (q.closeLine) {
      EXPECT_NE(alert.find("line " + std::to_string(q.closeLine)), std::string::npos);
    }
  }
}

// Each cell sits in the third line, after a plain data row, so that a cell
// that is no number is counted instead of making the line a header.
TEST_F(TextImportTest, NumberFormsReadAsBefore) {
  struct Form {
    const char* text;
    float value;
    bool read;
  };
  const Form forms[] = {
      {"+1.5", 1.5f, true},  {" 2", 2.0f, true},     {"2 ", 2.0f, true},    {"\t3", 3.0f, true},
      {"1e3", 1000.0f, true}, {"1E+2", 100.0f, true}, {"-1e-3", -1e-3f, true}, {".5", 0.5f, true},
      {"5.", 5.0f, true},    {"-.5", -0.5f, true},   {"+.5", 0.5f, true},   {"007", 7.0f, true},
      {"\"4.25\"", 4.25f, true}, {"nan", 0, false},   {"NaN", 0, false},     {"inf", 0, false},
      {"-inf", 0, false},    {"+-2", 0, false},      {"--1", 0, false},     {"1e", 0, false},
      {"-", 0, false},       {".", 0, false},        {"1.2.3", 0, false},   {"0x10", 0, false},
      {"1e40", 0, false},    {"1e-50", 0, true},     {"3.4028236e38", 0, false}, {"1 2", 0, false},
      {"1e-40", 1e-40f, true},  // a float below the normal range keeps its value
      {"1.2345000000000000000000000000000000000000000000000000000000000000000000", 1.2345f, true},  // > 64
      {"-1234567", -1234567.0f, true}, {"-12345678", -12345678.0f, true}, {"-1.234567", -1.234567f, true},
  };
  // As the last line and as one with rows after it, which the row-at-a-time
  // reading takes.
  for (const char* after : {"", "3,3\n3,3\n3,3\n3,3\n"}) {
    const int32_t rows = *after ? 6 : 2;
    for (const Form& f : forms) {
      SCOPED_TRACE(std::string(f.text) + after);
      TextTable t = parsed(std::string("a,b\n1,1\n2,") + f.text + "\n" + after);
      ASSERT_EQ(t.rows(), rows);
      EXPECT_EQ(t.columns[1][1], f.value);
      EXPECT_EQ(t.unreadCells[1], f.read ? 0 : 1);
    }
    TextTable z = parsed(std::string("a,b\n1,1\n2,-0\n") + after);
    EXPECT_TRUE(std::signbit(z.columns[1][1]));
    EXPECT_EQ(z.unreadCells[1], 0);
  }
}

// Real instrument exports: every data row is kept, and the time unit comes
// from the time column's name.
TEST_F(TextImportTest, HeaderRegionKeepsEveryRow) {
  // Loggers write preambles of any length; one of 70 lines was read as
  // cases of 0, the names line too.
  std::string keys, gains;
  for (int i = 1; i <= 70; ++i) keys += "Setting " + std::to_string(i) + ": on\n";
  for (int i = 1; i <= 70; ++i) gains += "Gain " + std::to_string(i) + ",1." + std::to_string(i) + "\n";
  std::string rows100;
  for (int i = 0; i < 100; ++i) rows100 += std::to_string(2 * i) + "," + std::to_string(i + 1) + "\n";
  struct Case {
    std::string text;
    int headerLines;
    std::vector<std::string> names;
    std::vector<float> first;  // the first data row
    int rows;
    double interval;
    std::vector<std::string> skipped;
    std::string notice = "";
  };
  const Case cases[] = {
      {keys + "t,a\n0,1\n1,2\n2,3\n", 71, {"t", "a"}, {0, 1}, 3, 1, {}, "70 lines above the column names"},
      {gains + "\nt,a\n" + rows100, 72, {"t", "a"}, {0, 1}, 100, 2, {}, "71 lines above"},
      {"Logger 7\n12345\nt,a,b\n0,1,2\n1,2,3\n", 3, {"t", "a", "b"}, {0, 1, 2}, 2, 1, {}, "2 lines above"},
      {"Device X\nt,a\n1,1\n2,NA\n3,ERR\n4,4\n5,5\n6,6\n", 2, {"t", "a"}, {1, 1}, 6, 1, {}, "1 line above"},
      {"t,a,b\n0,NA,1\n1,2,3\n2,4,5\n", 1, {"t", "a", "b"}, {0, 0, 1}, 3, 1, {}},
      {"t,a,b\n0,inf,-Infinity\n1,2,3\n", 1, {"t", "a", "b"}, {0, 0, 0}, 2, 1, {}},
      {"t,a\n0,1e39\n1,2\n", 1, {"t", "a"}, {0, 0}, 2, 1, {}},
      {"t,a\n0,1e-39\n1,2\n", 1, {"t", "a"}, {0, 1e-39f}, 2, 1, {}},
      {"0,NA\n1,2\n", 0, {"column 1", "column 2"}, {0, 0}, 2, 1, {}},
      {"Device X\nt,a\n0,N/A\n1,2\n", 2, {"t", "a"}, {0, 0}, 2, 1, {}},
      {"time,O2,comment\n0,20.9,start\n12,20.8,fed\n24,20.7,ok\n", 1, {"time", "O2"}, {0, 20.9f}, 3, 12,
       {"comment"}},
      {"id,x\nA1,1\nA2,2\n", 1, {"x"}, {1}, 2, 1, {"id"}},
      {"t,\"sum\"\n0,\"1,234.5\"\n1,\"12,345,678\"\n", 1, {"t", "sum"}, {0, 1234.5f}, 2, 1, {}},
      {"time.min,V\n0,1\n0.2,1\n0.4,1\n", 1, {"time.min", "V"}, {0, 1}, 3, 12, {}},
      {"Time (h),V\n0,1\n0.5,1\n1,1\n", 1, {"Time (h)", "V"}, {0, 1}, 3, 1800, {}},
      {"hours,V\n0,1\n2,1\n", 1, {"hours", "V"}, {0, 1}, 2, 7200, {}},
      {"sec,V\n0,1\n5,1\n", 1, {"sec", "V"}, {0, 1}, 2, 5, {}},
      {"s,V\n0,1\n0.25,1\n", 1, {"s", "V"}, {0, 1}, 2, 0.25, {}},
      {"Time (s),V\n0,1\n0.0000002,1\n0.0000004,1\n", 1, {"Time (s)", "V"}, {0, 1}, 3, 2e-7, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextTable t = fromFile(c.text);
    EXPECT_EQ(t.headerLines, c.headerLines);
    if (!c.notice.empty()) {
      EXPECT_TRUE(hasNotice(t, c.notice));
    }
    EXPECT_EQ(t.names, c.names);
    ASSERT_EQ(t.columns.size(), c.first.size());
    for (size_t k = 0; k < c.first.size(); ++k) EXPECT_EQ(t.columns[k][0], c.first[k]) << k;
    EXPECT_EQ(t.rows(), c.rows);
    EXPECT_NEAR(t.suggestedInterval, c.interval, c.interval * 1e-9);
    EXPECT_EQ(t.skippedColumns, c.skipped);
  }
  EXPECT_EQ(SkippedColumnsNotice({"comment"}), "The text column \"comment\" was left out.");
  EXPECT_EQ(SkippedColumnsNotice({"a", "b"}), "The text columns \"a\", \"b\" were left out.");
}

// Inputs built to exhaust time or memory are refused or read in linear time
// and bounded memory.
TEST_F(TextImportTest, HostileInputsStayLinearAndBounded) {
  // A 4 MB quoted field of doubled quotes was quadratic.
  std::string quotes = "a,b\n\"" ;
  for (int i = 0; i < (2 << 20); ++i) quotes += "\"\"";
  quotes += "\",1\n1,2\n3,4\n";
  TextTable q = parsed(quotes);
  EXPECT_EQ(q.names[0].size(), size_t{2} << 20);

  // One line of 200,000 cells is refused at the 65th cell.
  std::string wide;
  for (int i = 0; i < 200'000; ++i) wide += "1,";
  parsed(wide + "1\n1\n", FileStatus::TooManyColumns);
  parsed("x\n1\n2\n" + wide + "1\n", FileStatus::TooManyColumns);
  // A late row of more than 64 cells is refused before the earlier rows
  // are given its columns.
  std::string late;
  for (int i = 0; i < 100'000; ++i) late += "1\n";
  parsed(late + std::string(64, ',') + "1\n", FileStatus::TooManyColumns);
  parsed(late + std::string(40, ',') + "1\n", FileStatus::TooManyColumns);
}

TEST_F(TextImportTest, DecimalCommaFormsReadAsBefore) {
  std::string text = "a;b\n1;1,5\n2;,5\n3;5,\n4;-1,25\n5;1,5e2\n6;1,2,3\n";
  for (int r = 0; r < 50; ++r) text += "7;2,5\n";
  text += "8;1.5\n";  // a point, past the rows that settle the decimal comma
  TextTable t = parsed(text);
  ASSERT_TRUE(t.decimalComma);
  ASSERT_EQ(t.rows(), 57);
  EXPECT_EQ(std::vector<float>(t.columns[1].begin(), t.columns[1].begin() + 7),
            (std::vector<float>{1.5f, 0.5f, 5.0f, -1.25f, 150.0f, 0.0f, 2.5f}));
  EXPECT_EQ(t.columns[1][56], 1.5f);
  EXPECT_EQ(t.unreadCells[1], 1);  // "1,2,3"
  TextTable u = parsed("a\tb\n1\t2,75\n2\t-0,125\n");
  ASSERT_TRUE(u.decimalComma);
  EXPECT_EQ(col(u, 1), (std::vector<float>{2.75f, -0.125f}));

  // The first decimal comma after row 50 was read as 0; so was every one
  // beside a column of dates with points.
  std::string late = "t;v\n", late2 = "t\tv\n", dated = "d;v\n";
  for (int r = 0; r < 60; ++r) {
    late += std::to_string(r) + ";" + std::to_string(r % 7) + "\n";
    late2 += std::to_string(r) + "\tmissing\n";
    dated += "14.03.2024;" + std::to_string(r) + ",5\n";
  }
  late += "60;4,25\n";
  late2 += "60\t\"4,25\"\n61\t1\n";
  for (const std::string& text : {late, late2}) {
    TextTable v = fromFile(text);
    EXPECT_TRUE(v.decimalComma);
    EXPECT_EQ(v.columns[1][60], 4.25f);
  }
  TextTable w = fromFile(late + "61;1.5\n");   // the first mark found settles it; a point still reads
  EXPECT_TRUE(w.decimalComma);
  EXPECT_EQ(w.columns[1][61], 1.5f);
  TextTable d = fromFile(dated);
  EXPECT_TRUE(d.decimalComma);
  EXPECT_EQ(d.columns[0][10], 10.5f);
  EXPECT_EQ(fromFile("t;v\n1;2\n2;3\n3;1.5\n4;4,5\n").decimalComma, false);
}

// Two loggers' exports joined: the first rows show points, the rest decimal
// commas (the second half was read as 0), or the other way round. Where the
// delimiter is not a comma, a comma in a number can only be its decimal
// mark; in a comma-separated file it never is, and a quoted "1,234" stays a
// thousand. Short files are read row by row, long ones on threads.
TEST_F(TextImportTest, EachCellIsReadByItsOwnDecimalMark) {
  // Row r's value, r + 0.25 for even rows and r + 0.5 for odd ones, with
  // its mark.
  const auto value = [](int r, char mark) {
    return std::to_string(r) + mark + (r % 2 ? "5" : "25");
  };
  const auto joined = [&](char delim, int rows, int switchAt, char first, char then) {
    std::string text = std::string("t") + delim + "O2" + delim + "CO2\r\n";
    for (int r = 0; r < rows; ++r) {
      const char mark = r < switchAt ? first : then;
      text += std::to_string(r) + delim + value(r, mark) + delim + value(r % 1000, mark) + "\r\n";
    }
    return text;
  };
  const struct {
    const char* what;
    std::string text;
    bool decimalComma;   // the mark the first rows show
  } cases[] = {
      {"semicolons, points then commas", joined(';', 120, 60, '.', ','), false},
      {"tabs, points then commas", joined('\t', 120, 60, '.', ','), false},
      {"semicolons, commas then points", joined(';', 120, 60, ',', '.'), true},
      {"semicolons, a comma now and then", joined(';', 120, 119, '.', ','), false},
      {"long, semicolons, points then commas", joined(';', 400'000, 200'000, '.', ','), false},
      {"long, tabs, commas then points", joined('\t', 400'000, 200'000, ',', '.'), true},
  };
  withEachRowReader([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      for (const TextTable& t : {parsed(c.text), fromFile(c.text)}) {
        EXPECT_EQ(t.decimalComma, c.decimalComma);
        ASSERT_EQ(t.columns.size(), 3u);
        EXPECT_EQ(t.unreadCells, (std::vector<int64_t>{0, 0, 0}));
        const auto rows = static_cast<size_t>(t.rows());
        for (size_t r = 0; r < rows; ++r) {
          const auto v = static_cast<int>(r);
          const float want1 = static_cast<float>(v) + (v % 2 ? 0.5f : 0.25f);
          const float want2 = static_cast<float>(v % 1000) + (v % 2 ? 0.5f : 0.25f);
          ASSERT_EQ(t.columns[1][r], want1) << r;
          ASSERT_EQ(t.columns[2][r], want2) << r;
        }
      }
    }
  });

  // A comma-separated file: a quoted "20,5" is no number, and a quoted
  // "1,234" is a thousand, wherever they come.
  std::string text = "t,v\n";
  for (int r = 0; r < 60; ++r) text += std::to_string(r) + "," + value(r, '.') + "\n";
  text += "60,\"20,5\"\n61,\"1,234\"\n62,\"-0,5\"\n63,\"1,234.5\"\n";
  withEachRowReader([&] {
    const TextTable t = parsed(text);
    EXPECT_FALSE(t.decimalComma);
    ASSERT_EQ(t.rows(), 64);
    EXPECT_EQ(t.columns[1][59], 59.5f);
    EXPECT_EQ(std::vector<float>(t.columns[1].begin() + 60, t.columns[1].end()),
              (std::vector<float>{0.0f, 1234.0f, 0.0f, 1234.5f}));
    EXPECT_EQ(t.unreadCells[1], 2);
  });
}

// Rows of one to nine cells, read four cells at a time where the machine
// can: every length up to eight bytes and a sign, the point in every place,
// at both ends, none or two, values either side of 2^24, with a point and
// with a decimal comma; each cell as from_chars reads it, or unread.
TEST_F(TextImportTest, CellsOfEveryShapeReadAsFromChars) {
  std::mt19937 rng(4242);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto cell = [&]() {
    if (pick(12) == 0) return std::string(pick(2) ? "16777216" : "16777217");
    // Now and then more digits than a double holds exactly.
    const int digits = pick(16) == 0 ? 14 + pick(5) : 1 + pick(9);
    std::string s;
    for (int i = 0; i < digits; ++i) s += static_cast<char>('0' + pick(10));
    const int points = pick(10) == 0 ? 2 : pick(4) ? 1 : 0;
    for (int i = 0; i < points; ++i) s.insert(static_cast<size_t>(pick(static_cast<int>(s.size()) + 1)), ".");
    return (pick(4) == 0 ? "-" : "") + s;
  };
  withEachRowReader([&] {
    for (const bool comma : {false, true}) {
      SCOPED_TRACE(comma ? "decimal comma" : "decimal point");
      const char delim = comma ? ';' : ',';
      for (int n = comma ? 2 : 1; n <= 9; ++n) {  // one column shows no delimiter to tell a comma by
        SCOPED_TRACE(n);
        std::string text;
        for (int k = 0; k < n; ++k) text += (k ? std::string(1, delim) : "") + "c" + std::to_string(k);
        text += "\n";
        std::vector<std::vector<std::string>> cells(static_cast<size_t>(n));
        // A first row that shows the decimal comma (or none) for certain.
        for (int k = 0; k < n; ++k) {
          cells[static_cast<size_t>(k)].push_back(comma ? "0,5" : "0.5");
          text += (k ? std::string(1, delim) : "") + cells[static_cast<size_t>(k)].back();
        }
        text += "\n";
        for (int r = 0; r < 400; ++r) {
          for (int k = 0; k < n; ++k) {
            std::string c = cell();
            if (comma) std::replace(c.begin(), c.end(), '.', ',');
            cells[static_cast<size_t>(k)].push_back(c);
            text += (k ? std::string(1, delim) : "") + c;
          }
          text += "\n";
        }
        TextTable t = parsed(text);
        ASSERT_EQ(t.decimalComma, comma);
        ASSERT_EQ(t.columns.size(), static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
          int64_t unread = 0;
          for (size_t r = 0; r < cells[static_cast<size_t>(k)].size(); ++r) {
            std::string c = cells[static_cast<size_t>(k)][r];
            if (comma) std::replace(c.begin(), c.end(), ',', '.');
            float want = 0.0f;
            const auto got = std::from_chars(c.data(), c.data() + c.size(), want);
            if (got.ptr != c.data() + c.size()) {
              ++unread;
              want = 0.0f;
            }
            ASSERT_EQ(t.columns[static_cast<size_t>(k)][r], want) << cells[static_cast<size_t>(k)][r];
            // The leading rows again in double precision, bit for bit.
            double wantDouble = 0.0;
            if (got.ptr == c.data() + c.size()) std::from_chars(c.data(), c.data() + c.size(), wantDouble);
            ASSERT_EQ(std::bit_cast<uint64_t>(t.leading[static_cast<size_t>(k)][r]), std::bit_cast<uint64_t>(wantDouble))
                << cells[static_cast<size_t>(k)][r];
          }
          EXPECT_EQ(t.unreadCells[static_cast<size_t>(k)], unread);
        }
      }
    }
  });
}

// Every cell must round to the float that from_chars gives, including
// digits beyond a float's precision and values halfway between floats.
TEST_F(TextImportTest, NumbersRoundLikeFromChars) {
  const char* texts[] = {"0.1",         "0.3",          "16777217",      "16777219",         "33554433",
                         "1.00000006",  "1.0000000596", "0.30000001192", "9007199254740993", "123456.789",
                         "-98765.4321", "0.000000001",  "0.000000000001", "1e-38",           "1.17549435e-38",
                         "1e-45",       "3.4028235e38", "4.2e-7",        "12345678",         "1234567.8",
                         "0.12345678",  "7.006",        "20.9490",       "1.233000",         "99999.9",
                         "2.5000001",   "0.1000000015", "8388608.5",     "8388609.5",        "1e22",
                         "1e23",        "4503599627370497.5", "0.0383795", "-0.0383795", "0.1234567",
                         "00.123456",   "0.00000001",   "0.0000000596"};
  std::string text = "a,b\n0,0\n";
  for (const char* s : texts) text += std::string("1,") + s + "\n";
  withEachRowReader([&] {
    TextTable t = parsed(text);
    ASSERT_EQ(t.rows(), static_cast<int32_t>(std::size(texts)) + 1);
    for (size_t i = 0; i < std::size(texts); ++i) {
      SCOPED_TRACE(texts[i]);
      float want = 0.0f;
      const char* end = texts[i] + std::strlen(texts[i]);
      ASSERT_EQ(std::from_chars(texts[i], end, want).ptr, end);
      EXPECT_EQ(t.columns[1][i + 1], want);
    }
    EXPECT_EQ(t.unreadCells[1], 0);
  });
}

// A file long enough to be read in parts: irregular rows anywhere in it
// must be read as in a short file, and in order.
TEST_F(TextImportTest, LongFileWithIrregularRowsReadsInOrder) {
  constexpr int kRows = 600'000;
  std::string text = "n,half\r\n";
  text.reserve(static_cast<size_t>(kRows) * 16);
  for (int r = 0; r < kRows; ++r) {
    if (r == 150'000) text += "\r\n";                 // blank
    if (r == 300'000) {
      text += "x,1\r\n";                              // not a number
      continue;
    }
    if (r == 450'000) {
      text += std::to_string(r) + ",1,9\r\n";         // one more column from here
      continue;
    }
    text += std::to_string(r) + "," + std::to_string(r / 2) + (r % 2 ? ".5" : "") + "\r\n";
  }
  TextTable t = parsed(text);
  ASSERT_EQ(t.rows(), kRows);
  ASSERT_EQ(t.columns.size(), 3u);
  EXPECT_EQ(t.unreadCells, (std::vector<int64_t>{1, 0, kRows - 1}));
  for (int r : {0, 1, 149'999, 150'000, 299'999, 300'001, 449'999, 450'001, kRows - 1}) {
    SCOPED_TRACE(r);
    EXPECT_EQ(t.columns[0][static_cast<size_t>(r)], static_cast<float>(r));
    EXPECT_EQ(t.columns[1][static_cast<size_t>(r)], static_cast<float>(r) / 2);
    EXPECT_EQ(t.columns[2][static_cast<size_t>(r)], 0.0f);
  }
  EXPECT_EQ(t.columns[0][300'000], 0.0f);
  EXPECT_EQ(t.columns[1][300'000], 1.0f);
  EXPECT_EQ(t.columns[2][450'000], 9.0f);
  EXPECT_EQ(t.timeColumn, -1);

  // Quotes may hide line ends, so a long file with one is read straight on;
  // one that does hide a line end in the data is refused, naming its lines.
  std::string quoted = "a,b\n";
  for (int r = 0; r < kRows; ++r) quoted += (r == 1000 ? "\"1 \",2\n" : std::to_string(r % 1000) + ",7.25\n");
  TextTable q = parsed(quoted);
  ASSERT_EQ(q.rows(), kRows);
  EXPECT_EQ(q.unreadCells, (std::vector<int64_t>{0, 0}));
  EXPECT_EQ(q.columns[0][999], 999.0f);
  EXPECT_EQ(q.columns[0][1000], 1.0f);
  EXPECT_EQ(q.columns[0][1001], 1.0f);
  EXPECT_EQ(q.columns[1][kRows - 1], 7.25f);
  quoted.replace(quoted.find("\"1 \""), 4, "\"1\n\"");
  TextTable across = parsed(quoted, FileStatus::UnclosedQuote);
  EXPECT_EQ(across.unclosedQuoteLine, 1002);
  EXPECT_EQ(across.quoteCloseLine, 1003);
}

TEST_F(TextImportTest, LongFileLineEndsAndDecimalCommas) {
  constexpr int kRows = 400'000;
  for (const char* eol : {"\n", "\r", "\r\n"}) {
    SCOPED_TRACE(static_cast<int>(std::strlen(eol)) * 100 + eol[0]);
    std::string text = std::string("t;v") + eol;
    for (int r = 0; r < kRows; ++r) text += std::to_string(r) + ";" + std::to_string(r % 100) + ",25" + eol;
    TextTable t = parsed(text);
    ASSERT_TRUE(t.decimalComma);
    ASSERT_EQ(t.rows(), kRows);
    EXPECT_EQ(t.unreadCells, (std::vector<int64_t>{0, 0}));
    EXPECT_EQ(t.columns[0][kRows - 1], static_cast<float>(kRows - 1));
    EXPECT_EQ(t.columns[1][kRows - 1], static_cast<float>((kRows - 1) % 100) + 0.25f);
    EXPECT_EQ(t.timeColumn, 0);
    EXPECT_EQ(t.timeKind, TimeKind::Elapsed);
  }
}

TEST_F(TextImportTest, ImportFillsASlotFromTheChosenColumns) {
  spit(path("run.csv"), "Time,O2 (%),CO2 (%),Flow\n0,20.9,0.1,500\n1,20.8,x,501\n2,20.7,0.3,502\n");
  TextTable t;
  ASSERT_EQ(ReadDelimitedTextFile(path("run.csv"), &t), FileStatus::Ok);
  TextImportChoice choice;
  choice.columns = {3, 1};
  choice.interval = t.suggestedInterval;
  choice.startDate = "05-06-2024";
  choice.startTime = t.suggestedStartTime;
  int16_t slot = -1;
  RepairReport r;
  int64_t unread = -1;
  ASSERT_EQ(ImportTextColumns(std::move(t), choice, "run.csv", path("run.csv").string(), &slot, &r, &unread),
            FileStatus::Ok);
  EXPECT_EQ(unread, 0);  // the bad cell is in a column not taken
  EXPECT_EQ(nCases[slot], 3);
  EXPECT_EQ(nChannels[slot], 2);
  EXPECT_EQ(GetDatum(slot, 1, 0), 500.0f);  // case 0 repeats case 1
  EXPECT_EQ(GetDatum(slot, 1, 3), 502.0f);
  EXPECT_EQ(GetDatum(slot, 2, 2), 20.8f);
  EXPECT_EQ(RetrieveLabelOf(slot, 1), FitLabel("Flow"));
  EXPECT_EQ(RetrieveLabelOf(slot, 2), FitLabel("O2 (%)"));
  EXPECT_EQ(FileInfoFLOATS[slot][kInfoInterval], 1.0f);
  EXPECT_EQ(StartDate[slot], "05-06-2024");
  EXPECT_EQ(FileName[slot], "run.csv");
  EXPECT_EQ(timstring[1], kTextFileTypeText);
  EXPECT_EQ(TheFileInUse, slot);
}

TEST_F(TextImportTest, ImportChoiceIsChecked) {
  TextTable base = parsed("a,b\n1,2\n3,4\n");
  DataFileImage img;
  TextImportChoice c;
  EXPECT_EQ(BuildImageFromText(TextTable(base), c, &img), FileStatus::NoChannels);
  c.columns = {0, 0};
  EXPECT_EQ(BuildImageFromText(TextTable(base), c, &img), FileStatus::BadRange);
  c.columns = {2};
  EXPECT_EQ(BuildImageFromText(TextTable(base), c, &img), FileStatus::BadRange);
  c.columns = {1};
  c.interval = 0.0;  // the repair makes it 9.999 s and asks
  int16_t slot = -1;
  RepairReport r;
  ASSERT_EQ(ImportTextColumns(TextTable(base), c, "n", "p", &slot, &r), FileStatus::Ok);
  EXPECT_TRUE(r.intervalRepaired);
  EXPECT_TRUE(r.labelsBlank == false);
}

// Time columns are kept as floats, which cannot hold 0.1 s steps at
// 13:00 or 0.01 s steps past 100,000 s; the interval must still be exact.
TEST_F(TextImportTest, IntervalIsExactWhereAFloatIsNot) {
  std::string clock = "Time,V\n";
  for (int i = 0; i < 600; ++i) {
    char b[32];
    std::snprintf(b, sizeof b, "13:%02d:%02d.%d,1\n", i / 10 / 60, i / 10 % 60, i % 10);
    clock += b;
  }
  TextTable c = parsed(clock);
  ASSERT_EQ(c.timeKind, TimeKind::Clock);
  EXPECT_DOUBLE_EQ(c.suggestedInterval, 0.1);
  EXPECT_EQ(parsed("t,x\n13:00:00.999,1\n13:00:01.999,2\n").suggestedStartTime, "13:00:00");

  std::string elapsed = "Time (s),V\n";
  for (int i = 0; i < 600; ++i) {
    char b[32];
    std::snprintf(b, sizeof b, "%d.%02d,1\n", 100'000 + i / 100, i % 100);
    elapsed += b;
  }
  TextTable e = parsed(elapsed);
  ASSERT_EQ(e.timeKind, TimeKind::Elapsed);
  EXPECT_DOUBLE_EQ(e.suggestedInterval, 0.01);
  // The same for a column the user picks, blank lines and CR line ends among the rows.
  std::string picked = "a,b\r";
  for (int i = 0; i < 300; ++i) picked += "1," + std::to_string(86'000 + i / 4) + "." + std::to_string(i % 4 * 25) + (i == 7 ? "\r\r" : "\r");
  TextTable p = parsed(picked);
  EXPECT_DOUBLE_EQ(IntervalFromColumn(p, 1, TimeKind::Elapsed), 0.25);
}

// Random tables in every dialect read back cell for cell as from_chars
// reads them; random damage to them never crashes and leaves a consistent
// table.
TEST_F(TextImportTest, RandomTablesReadExactlyAndDamageIsSafe) {
  std::mt19937 rng(20261207);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto number = [&]() {
    std::string s = pick(4) == 0 ? "-" : "";
    const int whole = pick(9), frac = pick(9);
    for (int i = 0; i < whole; ++i) s += static_cast<char>('0' + pick(10));
    if (frac > 0 || whole == 0) {
      s += '.';
      for (int i = 0; i < std::max(frac, 1); ++i) s += static_cast<char>('0' + pick(10));
    }
    if (pick(8) == 0) s += "e" + std::to_string(pick(21) - 10);
    return s;
  };
  const char* eols[] = {"\n", "\r", "\r\n"};
  withEachRowReader([&] {
    for (int round = 0; round < 300; ++round) {
      SCOPED_TRACE(round);
      const char delim = ",\t;"[pick(3)];
      const char* eol = eols[pick(3)];
      const int cols = 1 + pick(6), rows = 2 + pick(40);
      std::string text = pick(2) ? "\xEF\xBB\xBF" : "";
      for (int k = 0; k < cols; ++k) text += (k ? std::string(1, delim) : std::string()) + "h" + std::to_string(k);
      text += eol;
      std::vector<std::vector<std::string>> cells(static_cast<size_t>(cols));
      for (int r = 0; r < rows; ++r) {
        if (pick(10) == 0) text += eol;  // a blank line
        for (int k = 0; k < cols; ++k) {
          cells[static_cast<size_t>(k)].push_back(number());
          if (k) text += delim;
          text += cells[static_cast<size_t>(k)].back();
        }
        text += eol;
      }
      TextTable t;
      ASSERT_EQ(ParseDelimitedText(text, &t), FileStatus::Ok);
      ASSERT_EQ(t.rows(), rows);
      ASSERT_EQ(t.columns.size(), static_cast<size_t>(cols));
      EXPECT_FALSE(t.decimalComma);
      for (int k = 0; k < cols; ++k)
        for (int r = 0; r < rows; ++r) {
          const std::string& c = cells[static_cast<size_t>(k)][static_cast<size_t>(r)];
          float want = 0.0f;
          const auto got = std::from_chars(c.data(), c.data() + c.size(), want);
          const bool readable = got.ec == std::errc() && std::isfinite(want) && (want != 0.0f || c.find_first_of("123456789") == std::string::npos);
          if (!readable) continue;  // out of a float's range: counted, not checked here
          ASSERT_EQ(t.columns[static_cast<size_t>(k)][static_cast<size_t>(r)], want) << c;
        }

      for (int damage = 0; damage < 10; ++damage) {
        std::string bad = text;
        for (int i = 1 + pick(4); i > 0 && !bad.empty(); --i) {
          const size_t at = static_cast<size_t>(pick(static_cast<int>(bad.size())));
          switch (pick(4)) {
            case 0: bad[at] = "\",;\t\r\n.-e x9\xC3"[pick(13)]; break;
            case 1: bad.erase(at, 1 + static_cast<size_t>(pick(8))); break;
            case 2: bad.insert(at, std::string(1 + static_cast<size_t>(pick(3)), "\"\r\n,"[pick(4)])); break;
            default: bad.resize(at); break;
          }
        }
        TextTable d;
        if (ParseDelimitedText(bad, &d) != FileStatus::Ok) continue;
        ASSERT_GE(d.rows(), 2);
        ASSERT_EQ(d.names.size(), d.columns.size());
        ASSERT_EQ(d.unreadCells.size(), d.columns.size());
        for (const auto& column : d.columns) ASSERT_EQ(column.size(), static_cast<size_t>(d.rows()));
        EXPECT_GT(d.suggestedInterval, 0.0);
      }
    }
  });
}

// Long enough to be read on several threads: mixed line ends, blank lines
// and unreadable cells at random places must give the rows a straight read
// gives, in order.
TEST_F(TextImportTest, LongRandomFileReadsAsEveryRowSays) {
  std::mt19937 rng(77);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char* eols[] = {"\n", "\r", "\r\n"};
  constexpr int kRows = 330'000;
  std::string text = "n,v\n";
  text.reserve(static_cast<size_t>(kRows) * 16);
  std::vector<float> want(kRows);
  int64_t unread = 0;
  for (int r = 0; r < kRows; ++r) {
    if (pick(5000) == 0) text += eols[pick(3)];
    std::string v;
    if (pick(20000) == 0) {
      v = "x";
      ++unread;
    } else {
      v = std::to_string(pick(100000)) + "." + std::to_string(pick(1000));
      std::from_chars(v.data(), v.data() + v.size(), want[static_cast<size_t>(r)]);
    }
    text += std::to_string(r) + "," + v + eols[pick(3)];
  }
  withEachRowReader([&] {
    TextTable t = parsed(text);
    ASSERT_EQ(t.rows(), kRows);
    ASSERT_EQ(t.columns.size(), 2u);
    EXPECT_EQ(t.unreadCells, (std::vector<int64_t>{0, unread}));
    for (int r = 0; r < kRows; ++r) {
      ASSERT_EQ(t.columns[0][static_cast<size_t>(r)], static_cast<float>(r)) << r;
      ASSERT_EQ(t.columns[1][static_cast<size_t>(r)], want[static_cast<size_t>(r)]) << r;
    }
  });
}

// A file is scanned piece by piece as it is read (on several threads from
// 16 MB), mapped or copied: either way it must read as its bytes parse in
// memory, whatever characters sit at the joins, and its chosen columns must
// come out with case 0 in front however many threads move them.
TEST_F(TextImportTest, LargeFileReadsAsItsBytesParse) {
  struct Case {
    const char* what;
    std::string head, row, tail;  // row: "#" is the row's number
    FileStatus status;
    std::string middle;   // put in so that it ends at a 512 KB boundary
  };
  const std::string eacute = "\xC3\xA9";
  const std::string utf8Name = "n,Temp (\xC2\xB0" "C)\n";
  const Case cases[] = {
      {"byte-order mark, UTF-8 name and text cells", "\xEF\xBB\xBFn,Temp (\xC2\xB0" "C),note\r\n",
       "#,1.5," + eacute + "t" + eacute + " " + eacute + eacute + eacute + "\r\n", "", FileStatus::Ok, ""},
      {"one Latin-1 byte at the end", "n,Temp (\xB0" "C)\n", "#,2.25\n", "7,\xE9\n", FileStatus::Ok, ""},
      {"UTF-8 only at the end", "n,v\n", "#,3\n", "8,4,\xE2\x82\xAC\n", FileStatus::Ok, ""},
      {"a quote in the last row", "a,b\n", "#,0.5\n", "\"9\",1\n", FileStatus::Ok, ""},
      {"a zero byte at the end", "a,b\n", "#,0.5\n", std::string("1,2\0\n", 5), FileStatus::BadFormat, ""},
      // Single bytes just before plain ASCII, where the reading's pieces join.
      {"UTF-8 name, a Latin-1 byte at a join", utf8Name, "#,0.5\n", "", FileStatus::Ok, "\xE9"},
      {"UTF-8 name, a character across a join", utf8Name, "#,0.5\n", "", FileStatus::Ok, "\xC3"},
      {"a zero byte at a join", "a,b\n", "#,0.5\n", "", FileStatus::BadFormat, std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = c.head;
    text.reserve(size_t{18} << 20);
    for (int r = 0; text.size() < (size_t{17} << 20); ++r) {
      const size_t at = c.row.find('#');
      text += c.row.substr(0, at) + std::to_string(r) + c.row.substr(at + 1);
    }
    text += c.tail;
    // "\xC3" before a boundary, "\xA9" after it.
    constexpr size_t kJoin = size_t{3} << 19;
    if (c.middle == "\xC3")
      text.insert(kJoin - 1, eacute);
    else
      text.insert(kJoin - c.middle.size(), c.middle);
    spit(path("large.csv"), text);
    TextTable fromFile, copied, inMemory;
    ASSERT_EQ(ParseDelimitedText(text, &inMemory), c.status);
    ASSERT_EQ(ReadDelimitedTextFile(path("large.csv"), &fromFile), c.status);
    ASSERT_EQ(ReadDelimitedTextFile(path("large.csv"), &copied, false), c.status);
    if (c.status != FileStatus::Ok) continue;
    for (const TextTable* read : {&fromFile, &copied}) {
      SCOPED_TRACE(read == &copied ? "copied" : "mapped");
      EXPECT_EQ(read->names, inMemory.names);
      EXPECT_EQ(read->columns, inMemory.columns);
      EXPECT_EQ(read->unreadCells, inMemory.unreadCells);
      EXPECT_EQ(read->skippedColumns, inMemory.skippedColumns);
      EXPECT_EQ(read->firstCells, inMemory.firstCells);
      EXPECT_EQ(read->timeColumn, inMemory.timeColumn);
      EXPECT_EQ(read->notices, inMemory.notices);
      EXPECT_EQ(read->suggestedInterval, inMemory.suggestedInterval);
    }

    TextImportChoice choice;
    for (int k = 0; k < static_cast<int>(fromFile.columns.size()); ++k) choice.columns.push_back(k);
    DataFileImage img;
    ASSERT_EQ(BuildImageFromText(std::move(fromFile), choice, &img), FileStatus::Ok);
    ASSERT_EQ(img.data.size(), inMemory.columns.size());
    for (size_t k = 0; k < img.data.size(); ++k) {
      const std::vector<float>& want = inMemory.columns[k];
      ASSERT_EQ(img.data[k].size(), want.size() + 1);
      EXPECT_EQ(img.data[k][0], want[0]);
      EXPECT_TRUE(std::equal(want.begin(), want.end(), img.data[k].begin() + 1));
    }
  }
}

}  // namespace
