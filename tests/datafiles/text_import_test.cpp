#include "datafiles/text_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  EXPECT_EQ(t.suggestedStartTime, "23:59:58");
  EXPECT_EQ(t.suggestedStartDate, "03-14-2024");
  EXPECT_EQ(t.dataColumns(), 1);
  EXPECT_EQ(t.unreadCells[0], 0);

  TextTable pm = parsed("t,x\n1:00:00 PM,1\n1:00:00.5 PM,2\n1:00:01 PM,3\n");
  EXPECT_EQ(pm.timeKind, TimeKind::Clock);
  EXPECT_EQ(pm.suggestedStartTime, "13:00:00");
  EXPECT_DOUBLE_EQ(pm.suggestedInterval, 0.5);
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
}

TEST_F(TextImportTest, RefusesTooLittleDataAndBinaryFiles) {
  parsed("", FileStatus::TooFewCases);
  parsed("\n\r\n", FileStatus::TooFewCases);
  parsed("a,b\n1,2\n", FileStatus::TooFewCases);
  parsed("only,text\nno,numbers\n", FileStatus::TooFewCases);
  parsed(std::string("-999\r\x00\x05", 7), FileStatus::BadFormat);
  parsed(std::string("\xFF\xFE" "1\x00,\x00", 6), FileStatus::BadFormat);  // UTF-16
  TextTable t;
  EXPECT_EQ(ReadDelimitedTextFile(path("absent.csv"), &t), FileStatus::CannotOpen);
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

}  // namespace
