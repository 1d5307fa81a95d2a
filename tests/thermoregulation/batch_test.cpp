// The spreadsheet batch's pure parts: reading the sheet, one animal per row,
// a row's result texts and the results file.
#include "thermoregulation/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "shell/defaults.h"
#include "shell/readfile.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

TEST(ThermalSheet, LineEndsMarkAndColumnLimit) {
  const struct {
    const char* text;
    int64_t wideLine;   // the first line cut to the header's width, 0 none
  } sheets[] = {
      {"a,b,c\r1,2,3\r\r4,5\r", 0},
      {"\xEF\xBB\xBF" "a,b,c\n1,2,3\n4,5", 0},
      {"a,b,c\r\n1,2,3\r\n4,5,6,7\r\n", 3},
      {"a,b,c\n\n1,2,3,,\n4,5\n", 3},
      {"\"a\",\"b\",\"c\"\n\"1\",2,\"3\"\n4, \"5\"\n", 0},
  };
  for (const auto& c : sheets) {
    SCOPED_TRACE(c.text);
    ThermalSheet s;
    ASSERT_EQ(ParseThermalSheet(c.text, &s), SheetStatus::Ok);
    EXPECT_EQ(s.header, (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0][2], "3");
    EXPECT_EQ(s.rows[1][1], "5");
    EXPECT_EQ(s.rows[1].size(), 3u);   // padded or cut to the header's width
    EXPECT_TRUE(s.headerLineEnd);
    // A cut row was once dropped without a word: the notice names its line.
    EXPECT_EQ(s.firstWideLine, c.wideLine);
    const std::string notice = SheetNotice(s);
    if (c.wideLine) {
      EXPECT_NE(notice.find("Line " + std::to_string(c.wideLine) + " "), std::string::npos) << notice;
    } else {
      EXPECT_EQ(notice, "");
    }
  }
  ThermalSheet s;
  EXPECT_EQ(ParseThermalSheet("", &s), SheetStatus::Empty);
  EXPECT_EQ(ParseThermalSheet(std::string(45, ',') + "\n", &s), SheetStatus::TooManyColumns);
  EXPECT_EQ(ParseThermalSheet(std::string(44, ',') + "\n", &s), SheetStatus::Ok);
}

// Files that once aborted the program on memory: every comma of a row became a
// cell, and three million short rows were each padded to 45 cells.
TEST(ThermalSheet, HugeSheetsAreRefusedOrCutNotExhaustingMemory) {
  std::string header;
  for (int c = 0; c < 45; ++c) header += (c ? ",h" : "h") + std::to_string(c);
  ThermalSheet s;
  std::string rows;
  for (int r = 0; r < 800; ++r) rows += "1\n";
  EXPECT_EQ(ParseThermalSheet(header + "\n" + rows, &s), SheetStatus::TooManyRows);
  EXPECT_TRUE(s.rows.empty());   // refused whole: nothing half-read
  rows.resize(rows.size() - 2);
  ASSERT_EQ(ParseThermalSheet(header + "\n" + rows, &s), SheetStatus::Ok);
  EXPECT_EQ(s.rows.size(), 799u);
  EXPECT_STRNE(SheetStatusText(SheetStatus::TooManyRows), "");

  ASSERT_EQ(ParseThermalSheet("a,b\n" + std::string(40'000'000, ',') + "\n" + std::string(1000, 'x') + ",2\n", &s),
            SheetStatus::Ok);
  ASSERT_EQ(s.rows.size(), 2u);
  EXPECT_EQ(s.rows[0], (std::vector<std::string>{"", ""}));
  EXPECT_EQ(s.rows[1][0].size(), 255u);   // the cell store's width
  EXPECT_EQ(s.rows[1][1], "2");
  EXPECT_EQ(SheetNotice(s), "Line 2 of the spreadsheet has 40000001 cells, more than its 2 column names; the cells "
                            "past them were left out.");
  ASSERT_EQ(ParseThermalSheet("a,b\n\"" + std::string(1000, 'x') + "\"\"\",2\n", &s), SheetStatus::Ok);
  EXPECT_EQ(s.rows[0][0].size(), 255u);   // quoted, the same
}

// Spreadsheets quote a cell that holds a comma; split at it, the row moved
// one column on and its BMR was cut off without a word.
TEST(ThermalSheet, QuotedCellsKeepTheirCommas) {
  const fs::path dir = testsupport::MakeScratchDir("corvimet-sheet-");
  const struct {
    const char* text;
    SheetStatus status;
    std::vector<std::string> row;   // the first data row
    int64_t quoteLine, closeLine;
  } sheets[] = {
      {"name,C,BMR\r\n\"Smith, J\",0.02,1.5\r\n", SheetStatus::Ok, {"Smith, J", "0.02", "1.5"}, 0, 0},
      {"name,C,BMR\n\"say \"\"hi\"\", J\",0.02,1.5\n", SheetStatus::Ok, {"say \"hi\", J", "0.02", "1.5"}, 0, 0},
      {"name,C,BMR\n\"\",,\"1,5\"\n", SheetStatus::Ok, {"", "", "1,5"}, 0, 0},
      {"name,C,BMR\nx,1,2\n\"Smith\n J\",0.02,1.5\ny,1,2\n", SheetStatus::QuoteAcrossLines, {}, 3, 4},
      {"name,C,BMR\r\nx,1,2\r\ny,\"1,2\r\n", SheetStatus::QuoteAcrossLines, {}, 3, 0},
      {"\"name,C,BMR\nx,1,2\"\n", SheetStatus::QuoteAcrossLines, {}, 1, 2},
  };
  for (const auto& c : sheets) {
    SCOPED_TRACE(c.text);
    // As the batch reads it: a file, then its bytes.
    const fs::path file = dir / "sheet.csv";
    std::ofstream(file, std::ios::binary) << c.text;
    std::string bytes;
    ASSERT_EQ(ReadRegularFile(file, kMaxSheetFileBytes, &bytes), ReadFileStatus::Ok);
    ThermalSheet s;
    ASSERT_EQ(ParseThermalSheet(bytes, &s), c.status);
    if (c.status != SheetStatus::Ok) {
      EXPECT_EQ(s.quoteLine, c.quoteLine);
      EXPECT_EQ(s.quoteCloseLine, c.closeLine);
      EXPECT_TRUE(s.rows.empty()) << "refused whole";
      const std::string alert = SheetRefusalText(c.status, s);
      EXPECT_NE(alert.find("line " + std::to_string(c.quoteLine) + " "), std::string::npos) << alert;
      if (c.closeLine) {
        EXPECT_NE(alert.find("line " + std::to_string(c.closeLine)), std::string::npos) << alert;
      }
      continue;
    }
    ASSERT_EQ(s.header.size(), 3u);
    ASSERT_EQ(s.rows.size(), 1u);
    EXPECT_EQ(s.rows[0], c.row);
    EXPECT_EQ(s.wideLines, 0);
  }
  // Written back quoted, so that the results file keeps its columns.
  ThermalSheet s;
  ASSERT_EQ(ParseThermalSheet("name,C\n\"Smith, J\",0.02\n\"5'3\"\"\",0.03\n", &s), SheetStatus::Ok);
  std::vector<RowOutcome> out(2);
  EXPECT_EQ(ResultsFileText(s, out, {}, ','), "name,C ,mean cost (w) \n\"Smith, J\",0.02, \n\"5'3\"\"\",0.03, \n");
  EXPECT_EQ(ResultsFileText(s, out, {}, '\t'), "name\tC \tmean cost (w) \nSmith, J\t0.02\t \n\"5'3\"\"\"\t0.03\t \n");
  fs::remove_all(dir);
}

TEST(ThermalSheet, RowFlagsAndUnits) {
  const SheetColumns cols{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const struct {
    std::vector<std::string> row;
    bool watts, useSun, torpor, diurnal, shelter, compute;
    float bmr, minTb;
  } cases[] = {
      {{"yes", "37", "0.01", "30", "1", "Y", "15", "d", "20", "D"}, false, true, true, true, true, true, 0.335f, 15},
      {{"no", "37", "0", "30", "1", "D", "15", "N", "20", "n"}, true, false, false, false, false, false, 1, 0},
      {{"1", "37", "-1", "30", "0.5", "1", "9", "YES", "20", "y"}, true, true, true, true, true, false, 0.5f, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row[0]);
    const SheetAnimal a = SheetAnimalOf(c.row, cols, c.watts, true, true);
    EXPECT_EQ(a.animal.useSun, c.useSun);
    EXPECT_EQ(a.torpor, c.torpor);
    EXPECT_EQ(a.diurnal, c.diurnal);
    EXPECT_EQ(a.animal.shelter, c.shelter);
    EXPECT_EQ(a.compute, c.compute);
    EXPECT_FLOAT_EQ(a.animal.bmr, c.bmr);
    EXPECT_FLOAT_EQ(a.minTorporTb, c.minTb);
    EXPECT_FLOAT_EQ(a.animal.mass, 20);
  }
  EXPECT_FALSE(SheetColumnsComplete({0, 2, 3, 4, 0, 0, 0, 0, 0, 0}));
}

TEST(ThermalSheet, ResultsFileBlanksAndColumns) {
  ThermalSheet s;
  ASSERT_EQ(ParseThermalSheet("name,C\rx,0\ry,0.02\r", &s), SheetStatus::Ok);
  TregResult r;
  r.totalCases = 10;
  r.atBMR = 0;
  r.writtenSum = 1;
  r.mean = 0.1f;
  r.torporUsed = false;
  std::vector<RowOutcome> out(2);
  out[1].computed = true;
  out[1].texts = RowResultTexts(r, 0.2f);
  EXPECT_EQ(out[1].texts[1], " 1");   // a mean at or below BMR is 1 x BMR
  std::array<bool, 16> none{};
  EXPECT_EQ(ResultsFileText(s, out, none, ','), "name,C ,mean cost (w) \nx, , \ny,0.02, 0.1\n");
  std::array<bool, 16> some{};
  some[4] = some[11] = true;   // % at BMR, % in torpor
  EXPECT_EQ(ResultsFileText(s, out, some, '\t'),
            "name\tC \tmean cost (w) \t% at BMR\t% in torpor\nx\t \t \t \t \ny\t0.02\t 0.1\t0\t0\n");
}

TEST(ThermalSheet, MetadataFollowsTheSettings) {
  SetDEFAULTS();
  ComputeDawnAndDusk = 1;
  latitude = -33.5f;
  northLatitude = 0;
  longitude = 151.25f;
  westLongitude = 1;
  CalculationsCanUseTorpor = 0;
  const std::string m = MetadataText({"climate", "sheet.csv"});
  EXPECT_NE(m.find("Torpor is not permitted\n"), std::string::npos);
  EXPECT_NE(m.find("Dawn and dusk computed from location:    33.5 degrees S     151.25 degrees W    \n"),
            std::string::npos);
  SetDEFAULTS();
}

}  // namespace
