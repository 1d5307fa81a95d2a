// "Stepped Sampling..." driven headlessly from the real command table: the
// step plot, the scatter plot with its chooser, the results file and the
// refusals, left only by "Done  -- Exit".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "analyses/ui/stepped.h"
#include "datafiles/datafile.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"

// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SteppedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    ClearMailbox();
    ClearCommandRegistry();
    RegisterAllCommands();
    ASSERT_EQ(AllocateSlot(0, 1000, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 1000; ++k) {
      PutDatum(0, 1, k, static_cast<float>(k));
      PutDatum(0, 2, k, 3.0f * static_cast<float>(k) + 1.0f);
    }
    SetChannelLabel(0, 1, "ramp");
    SetChannelLabel(0, 2, "steep");
    FileName[0] = "run";
    FileInfoFLOATS[0][kInfoInterval] = 1.0f;
    TheFileInUse = 0;
    ActiveChannel = 1;
    OpenPlotWindow(0);
    dir_ = testsupport::FreshTestDir("corvimet-stepped-");
  }
  void TearDown() override {
    testsupport::ClearStore();
    ClearCommandRegistry();
    fs::remove_all(dir_);
  }
  fs::path dir_;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(SteppedWindow, StepPlotScatterAndFile) {
  const fs::path out = dir_ / "stepped.xls";
  Script s;
  s.call([] {
    EXPECT_EQ(plat::title(kResultsWindow), "Stepped Sampling");
    EXPECT_EQ(plat::buttonState(kResultsWindow, kStepStartCentre), 0) << "no block: no centre";
    EXPECT_EQ(plat::buttonState(kResultsWindow, kStepChannelBase + 1), 2);
    EXPECT_EQ(plat::buttonState(kResultsWindow, kStepSave), 0);
  });
  s.click(kResultsWindow, kStepPlot);
  s.call([] {
    EXPECT_TRUE(plat::windowExists(kStepPlotWindow));
    EXPECT_EQ(plat::title(kStepPlotWindow), "Stepped Sample Plot for Channel 1");
    plat::test::saveArtifact(plat::test::windowImage(kStepPlotWindow), "stepped-plot.png");
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "stepped-window.png");
  });
  // Channel 2 picked too; the file then holds both, in channel order.
  s.click(kResultsWindow, kStepChannelBase + 2);
  s.click(kResultsWindow, kStepSave);
  s.answerSave(out);
  s.call([out] {
    const std::string text = Slurp(out);
    EXPECT_NE(text.find("start block\tend block\tposition\tDt (sec) \tchan1 mean\tmin\tmax\tSD\tchan2 mean"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" 16\t 77\t-484\t-484\t 45.5\t 15\t 76\t"), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
  });
  // A cancelled save writes nothing.
  s.call([out] { fs::remove(out); });
  s.click(kResultsWindow, kStepSave);
  s.cancelFileDialog();
  s.call([out] { EXPECT_FALSE(fs::exists(out)); });
  s.click(kResultsWindow, kStepScatter);
  s.click(6, 1);
  s.click(6, 2 + 2);   // Y column: channel 2
  s.click(6, kStepChooserOk);
  s.call([] {
    EXPECT_EQ(plat::title(kStepPlotWindow), "Scatterplot of Channel 1 (X) and Channel 2 (Y) ");
    plat::test::saveArtifact(plat::test::windowImage(kStepPlotWindow), "stepped-scatter.png");
  });
  // A start point outside the end points is refused with a message.
  s.click(kResultsWindow, kStepStartAt);
  s.type(kResultsWindow, kStepStartField, "5000");
  s.click(kResultsWindow, kStepPlot);
  s.click(kAlertWindow, kAlertOK);
  s.closeBox(kResultsWindow);   // ignored: only "Done" leaves
  s.click(kResultsWindow, kStepDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(103, 2)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FALSE(plat::windowExists(kStepPlotWindow));
  EXPECT_EQ(SteppedSampleInterval, 60.0f);
}

}  // namespace
