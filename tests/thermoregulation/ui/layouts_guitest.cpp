// The thermoregulation windows read whole: the main dialog's results, the
// timing warning that offers to abort a batch, and the column assignment of
// a wide spreadsheet, each without a text cut or a control over another.
#include <gtest/gtest.h>

#include "support/climate_support.h"
#include "support/gui_support.h"
#include "support/window_support.h"
#include "support/layout_checks.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "registrars.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/commands.h"
#include "shell/ui/mailboxes.h"
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

void ExpectClearLayout(int win, const std::string& name) {
  SCOPED_TRACE(name);
  ASSERT_TRUE(plat::windowExists(win));
  for (const std::string& f : testsupport::LayoutFaults(win)) ADD_FAILURE() << f;
  EXPECT_EQ(testsupport::UnshownPixels(win), 0);
  plat::test::saveArtifact(testsupport::ShownImage(win), name + ".png");
}

class TregLayouts : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    RegisterAllCommands(CorvimetRegistrars());
    ChannelforDaytime = ChannelforJulianDay = 0;
    csvConductanceFileWasLoaded = 0;
    ASSERT_TRUE(testsupport::MakeClimateFile(0, 300));
    testsupport::DescribeFile(0, "climate", 600.0f);
    testsupport::ShowFile(0);
    dir_ = testsupport::FreshTestDir("treglayout");
  }
  void TearDown() override {
    fs::remove_all(dir_);
    testsupport::EndWindowTest();
  }
  static Script& Choose(Script& s) {
    s.click(kTregWindow, 1).click(kTregWindow, kTregSunBase + 2).click(kTregWindow, kTregTimeBase + 3);
    s.click(kTregWindow, kTregDateBase + 4).click(kTregWindow, kTregOptions).click(kOptionsWindow, kOptDone);
    return s.moveTo(kTregWindow, {4, 4}).moveTo(kTregWindow, {4, 4});
  }
  fs::path dir_;
};

TEST_F(TregLayouts, NothingClippedOrOverlapping) {
  // A sheet of 45 columns, the first nine the variables of a species.
  const fs::path wide = dir_ / "wide.csv";
  {
    std::ofstream out(wide, std::ios::binary);
    out << "species,Tb,C,LCT,BMR,torpor,minTb,diurnal,sun";
    for (int c = 10; c <= 45; ++c) out << ",extra" << c;
    out << "\r\nmouse,37,0.01,30,1,Y,15,d,yes";
    for (int c = 10; c <= 45; ++c) out << "," << c;
    out << "\r\n";
  }
  Script s;
  Choose(s).type(kTregWindow, kTregBmrField, "\b\b12.34567");
  s.click(kTregWindow, kTregCompute).click(kTimingWarningWindow, kTimingClose);
  s.moveTo(kTregWindow, {4, 4}).moveTo(kTregWindow, {4, 4}).call([] {
    ExpectClearLayout(kTregWindow, "layout-treg-dialog"); });
  s.click(kTregWindow, kTregFromSpreadsheet).answerOpen(wide);
  for (int id : {9, 52, 103, 154, 205, 256, 307, 358}) s.click(kColumnsWindow, id);
  s.call([] { ExpectClearLayout(kColumnsWindow, "layout-treg-columns-45"); });
  s.click(kColumnsWindow, kColumnsOK);
  s.call([] { ExpectClearLayout(kTimingWarningWindow, "layout-treg-timing-warning-abort"); });
  s.click(kTimingWarningWindow, kTimingAbort).click(kTimingWarningWindow, kTimingClose);
  s.moveTo(kTregWindow, {4, 4}).moveTo(kTregWindow, {4, 4}).click(kTregWindow, kTregCancel);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(8, 14)); });
}

}  // namespace
