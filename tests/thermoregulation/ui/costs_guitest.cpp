// "Estimated Thermoregulatory Costs for Endotherms" driven headlessly from the
// program's own registrations: a generated two-day climate file, the channel
// choice, options, a run with its timing warning and totals, storing the cost
// channel, and the spreadsheet batch with its column and results windows.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "registrars.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/windowids.h"
#include "support/climate_support.h"
#include "support/gui_support.h"
#include "support/window_support.h"
#include "thermoregulation/costs.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/batch.h"
#include "thermoregulation/ui/costs_dialog.h"
#include "thermoregulation/ui/options.h"
#include "thermoregulation/ui/tregwindow.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int32_t kCases = 300;
const fs::path kGolden = fs::path(TEST_SOURCE_DIR) / "thermoregulation" / "golden";   // 50 hours at 10 minutes

class TregDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    RegisterAllCommands(CorvimetRegistrars());
    ChannelforDaytime = ChannelforJulianDay = 0;
    csvConductanceFileWasLoaded = 0;
    ASSERT_TRUE(testsupport::MakeClimateFile(0, kCases));
    testsupport::DescribeFile(0, "climate two days", 600.0f, {"shade Ta", "sun Ta", "time of day", "day of year"});
    testsupport::ShowFile(0);
  }
  void TearDown() override { testsupport::EndWindowTest(); }

  static Script& Choose(Script& s) {
    return s.click(kTregWindow, 1).click(kTregWindow, kTregSunBase + 2).click(kTregWindow, kTregTimeBase + 3)
        .click(kTregWindow, kTregDateBase + 4);
  }
  static Script& Rest(Script& s, int win) { return s.moveTo(win, {4, 4}).moveTo(win, {4, 4}); }
};

TEST_F(TregDialog, ComputesWarnsAndStoresTheCostChannel) {
  int computeBefore = -1;
  std::string timingText;
  Script s;
  Choose(s).call([&] { computeBefore = plat::buttonState(kTregWindow, kTregCompute); });
  s.click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
  Rest(s, kTregWindow).click(kTregWindow, kTregCompute).call([&] {
    timingText = plat::fieldText(kTimingWarningWindow, 11);
    plat::test::saveArtifact(plat::test::windowImage(kTimingWarningWindow), "treg_timing_warning.png");
  });
  s.click(kTimingWarningWindow, kTimingShowList).call([] {
    EXPECT_TRUE(plat::windowExists(kTimingListWindow));
    EXPECT_NE(plat::viewText(kTimingListWindow, 1).find("Possible errors at cases:\r100   "), std::string::npos);
  });
  s.click(kTimingWarningWindow, kTimingClose);
  Rest(s, kTregWindow).call([] {
    EXPECT_TRUE(plat::windowExists(kTotalsWindow));
    EXPECT_EQ(plat::fieldText(kTotalsWindow, 1), "Accepted cases:  300");
    EXPECT_EQ(plat::fieldText(kTregWindow, kTregBmrField), "0.5");
    EXPECT_GT(TextToNum(plat::fieldText(kTregWindow, kTregMeanW)), 0.1675);
    EXPECT_FALSE(plat::fieldText(kTregWindow, kTreg6hW).empty());
    plat::test::saveArtifact(plat::test::windowImage(kTregWindow), "treg_main_dialog.png");
  });
  s.click(kTregWindow, kTregStore).call([] {
    EXPECT_EQ(plat::fieldText(kTregLabelWindow, kTregLabelField), " Treg costs in watts");
  });
  s.click(kTregLabelWindow, kTregLabelOK);
  Rest(s, kTregWindow).click(kTregWindow, kTregDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(8, 14)); });
  EXPECT_EQ(computeBefore, 0);   // not before the options were opened
  EXPECT_EQ(timingText, "Corvimet detected a possible timing error");
  ASSERT_EQ(nChannels[0], 5);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 5)), " Treg costs in watts");
  EXPECT_EQ(ActiveChannel, 5);
  EXPECT_GT(GetDatum(0, 5, 10), 0);
  EXPECT_EQ(GetDatum(0, 5, 10), GetDatum(0, 0, 10));
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
}

TEST_F(TregDialog, LeavingWithoutStoringLeavesNoChannel) {
  Script s;
  Choose(s).click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
  Rest(s, kTregWindow).click(kTregWindow, kTregCompute).click(kTimingWarningWindow, kTimingClose);
  Rest(s, kTregWindow).click(kTregWindow, kTregCancel);
  plat::test::run(s, [] { ComputeThermoregulationCosts(); });
  EXPECT_EQ(nChannels[0], 4);
}

TEST_F(TregDialog, WithoutAFileNothingCanRun) {
  TheFileInUse = kNoFile;
  int compute = -1;
  Script s;
  s.click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
  Rest(s, kTregWindow).call([&] { compute = plat::buttonState(kTregWindow, kTregCompute); });
  s.click(kTregWindow, kTregCancel);
  plat::test::run(s, [] { ComputeThermoregulationCosts(); });
  EXPECT_EQ(compute, 0);
  EXPECT_EQ(nChannels[0], 4);
}

// A named pipe chosen as the spreadsheet once hung the batch in its open.
TEST_F(TregDialog, SpreadsheetThatIsNoFileIsRefused) {
  const fs::path dir = testsupport::FreshTestDir("tregpipe");
  const fs::path pipe = dir / "species.csv";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string alert;
  Script s;
  Choose(s).click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
  Rest(s, kTregWindow).click(kTregWindow, kTregFromSpreadsheet).answerOpen(pipe)
      .call([&] { alert = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK);
  Rest(s, kTregWindow).click(kTregWindow, kTregCancel);
  plat::test::run(s, [] { ComputeThermoregulationCosts(); });
  EXPECT_EQ(alert, "The spreadsheet could not be read.");
  EXPECT_EQ(csvConductanceFileWasLoaded, 0);
}

TEST_F(TregDialog, SpreadsheetBatchWritesResultsAndMetadata) {
  const fs::path dir = testsupport::FreshTestDir("tregbatch");
  const fs::path csv = dir / "species.csv";
  {
    std::ofstream out(csv, std::ios::binary);
    out << "species,Tb,C,LCT,BMR,torpor,minTb,diurnal,sun\r\n"
           "mouse,37,0.01,30,1,Y,15,d,yes\r\n"
           "stone,37,0,30,1,n,15,n,no\r\n"
           "bat,0,0.02,32,0.8,D,10,N,1\r\n";
  }
  UseTorpor = 1;
  MinimumTorporTb = 12;
  dayActive = 1;
  // The second batch of the same opening reuses the sheet and its columns.
  Script s;
  Choose(s).click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
  Rest(s, kTregWindow).click(kTregWindow, kTregFromSpreadsheet).answerOpen(csv);
  for (int id : {9, 52, 103, 154, 205, 256, 307, 358}) s.click(kColumnsWindow, id);
  s.call([] { plat::test::saveArtifact(plat::test::windowImage(kColumnsWindow), "treg_columns.png"); });
  s.click(kColumnsWindow, kColumnsOK).click(kTimingWarningWindow, kTimingClose);
  Rest(s, kResultsChoiceWindow).click(kResultsChoiceWindow, 1).click(kResultsChoiceWindow, 4)
      .click(kResultsChoiceWindow, kResultsExcel).click(kResultsChoiceWindow, kResultsMetadata)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsChoiceWindow), "treg_results_choice.png"); })
      .click(kResultsChoiceWindow, kResultsDone)
      .answerSave(dir / "TregCosts.xls");
  Rest(s, kTregWindow).click(kTregWindow, kTregFromSpreadsheet).click(kColumnsWindow, kUseExisting);
  Rest(s, kColumnsWindow).click(kColumnsWindow, kColumnsOK).click(kTimingWarningWindow, kTimingClose);
  Rest(s, kResultsChoiceWindow).click(kResultsChoiceWindow, 1).click(kResultsChoiceWindow, 4)
      .click(kResultsChoiceWindow, kResultsMetadata)
      .click(kResultsChoiceWindow, kResultsDone)
      .answerSave(dir / "TregCosts.csv");
  Rest(s, kTregWindow).click(kTregWindow, kTregDone);
  plat::test::run(s, [] { ComputeThermoregulationCosts(); });
  EXPECT_EQ(CSVspreadsheetName, "species.csv");
  EXPECT_EQ(UseTorpor, 1);
  EXPECT_EQ(MinimumTorporTb, 12);
  EXPECT_EQ(dayActive, 1);
  EXPECT_EQ(csvConductanceFileWasLoaded, 0);   // cleared on leaving
  for (const char* name : {"TregCosts.xls", "TregCosts.csv"}) {
    SCOPED_TRACE(name);
    const std::string text = testsupport::ReadFileBytes(dir / name);
    const std::string golden = testsupport::ReadFileBytes(kGolden / name);
    if (golden.empty()) std::ofstream(kGolden / (std::string(name) + ".new"), std::ios::binary) << text;
    EXPECT_EQ(text, golden);
  }
}

}  // namespace
