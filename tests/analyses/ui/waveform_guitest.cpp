// "FFT..." and "Stepped Sampling..." driven headlessly from the real command
// table: the spectrum of a sine read, smoothed, zoomed, copied and saved with
// the file left as it was; the step plot, the scatter plot with its chooser,
// the results file and the refusals, left only by "Done  -- Exit".
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include "analyses/ui/fft.h"
#include "analyses/ui/stepped.h"
#include "datafiles/datafile.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/markers.h"
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
#include "support/gui_support.h"
#include "support/window_support.h"

// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

class SteppedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    RegisterAllCommands(CorvimetRegistrars());
    ASSERT_EQ(AllocateSlot(0, 1000, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 1000; ++k) {
      PutDatum(0, 1, k, static_cast<float>(k));
      // Amplitude 3 at bin 8 of a 256-point transform.
      PutDatum(0, 2, k, static_cast<float>(10.0 + 3.0 * std::sin(2.0 * std::numbers::pi * 8.0 * k / 256.0)));
    }
    testsupport::DescribeFile(0, "run", 1.0f, {"ramp", "wave"});
    testsupport::ShowFile(0);
    dir_ = testsupport::FreshTestDir("corvimet-stepped-");
  }
  void TearDown() override {
    testsupport::EndWindowTest();
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
    const std::string text = testsupport::ReadFileBytes(out);
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
  s.click(kResultsWindow, kStepDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(103, 2)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FALSE(plat::windowExists(kStepPlotWindow));
  EXPECT_EQ(SteppedSampleInterval, 60.0f);
}

TEST_F(SteppedWindow, SpectrumOfASineLeavesTheFileAsItWas) {
  FileInfoFLOATS[0][kInfoInterval] = 0.25f;
  NotesArray[0] = {{"600", "", "a note"}};
  NumberOfNotes[0] = 1;
  ActiveChannel = 2;
  const int plot = PlotWindowId(0);
  const int16_t keptHistogram = PlotAsHistogram;
  const fs::path out = dir_ / "fft.txt";
  // 512 points: the wave lies at bin 16, element 17 of the 64 bins shown
  // first; the pointer in the middle of its columns.
  const int step = std::max(1, ScreenWidth / 64);
  const plat::Point peak{17 * step + step / 2, BottomOfPlotArea / 2};
  Script s;
  s.call([] {
    EXPECT_EQ(plat::buttonState(kResultsWindow, 9), 1) << "512 fits 1,000 cases";
    EXPECT_EQ(plat::title(kResultsWindow), "Fast Fourier Transform");
    EXPECT_FALSE(plat::controlExists(kResultsWindow, 10)) << "1,024 does not";
    EXPECT_EQ(plat::buttonState(kResultsWindow, kFftDo), 0);
  });
  s.click(kResultsWindow, 9);
  testsupport::Idle(s, 30);   // the cue "select block in plot window" blinks first
  s.moveTo(plot, {ScreenWidth / 2, BottomOfPlotArea / 2});
  s.clickAt(plot, {ScreenWidth / 2, BottomOfPlotArea / 2});
  // The window polls the pointer once a pass, and a poll runs a step too:
  // idle steps let each pass act before the next check.
  testsupport::Idle(s, 8);
  s.call([] {
    EXPECT_EQ(FileSHORTS[0][kShortBlockState], 2);
    EXPECT_EQ(EndBlock[0] - BeginBlock[0], 512);
    EXPECT_EQ(plat::buttonState(kResultsWindow, kFftDo), 1);
  });
  s.click(kResultsWindow, kFftDo);
  s.moveTo(plot, peak);
  testsupport::Idle(s, 8);
  s.call([plot] {
    EXPECT_EQ(plat::fieldText(kResultsWindow, kFftReadoutField), " 0.125 Hz");
    EXPECT_NEAR(TextToNum(plat::fieldText(kResultsWindow, kFftStatusField)), 3.0, 1e-3);
    // The file's clock-time axis under the frame does not belong to a spectrum.
    const QImage img = plat::test::portImage(plot);
    const QColor ground(gray.r >> 8, gray.g >> 8, gray.b >> 8);
    int axis = 0;
    for (int y = BottomOfPlotArea; y <= BottomOfPlotArea + 14; ++y)
      for (int x = 1; x < ScreenWidth - 1; ++x) axis += img.pixelColor(x, y) != ground;
    EXPECT_EQ(axis, 0);
    EXPECT_FALSE(plat::controlExists(plot, kFirstNoteButton)) << "the file's note stays off the spectrum";
    plat::test::saveArtifact(plat::test::windowImage(plot), "fft-spectrum.png");
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "fft-window.png");
  });
  s.click(kResultsWindow, kFftSmooth);
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftZoomOut);
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftZoomOut);
  testsupport::Idle(s, 4);
  s.call([] { EXPECT_EQ(plat::buttonState(kResultsWindow, kFftZoomOut), 0) << "the Nyquist frequency is reached"; });
  s.click(kResultsWindow, kFftZoomIn);
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftHistogram);
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftSmooth);
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftCopy);
  testsupport::Idle(s, 8);
  s.call([] {
    ASSERT_EQ(nChannels[0], 3);
    EXPECT_NEAR(GetDatum(0, 3, 17), 3.0f, 1e-3f) << "element 17 holds bin 16";
    EXPECT_EQ(GetDatum(0, 3, 1000), 0.0f) << "zero past the spectrum";
    EXPECT_EQ(ActiveChannel, 2);
  });
  s.popup(kResultsWindow, kFftUnitPopup, 6);   // periods in seconds
  testsupport::Idle(s, 4);
  s.click(kResultsWindow, kFftSave);
  s.answerSave(out);
  testsupport::Idle(s, 8);
  s.call([out] {
    const std::string text = testsupport::ReadFileBytes(out);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), "period (sec) \tmagnitude\n INF\t 0\n");
    EXPECT_NE(text.find("\n 8\t 3"), std::string::npos) << "bin 16 lies at 0.125 Hz, 8 s";
  });
  s.click(kResultsWindow, kFftExit);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 13)); });
  EXPECT_EQ(nCases[0], 1000);
  EXPECT_EQ(ActiveChannel, 2);
  EXPECT_EQ(PlotAsHistogram, keptHistogram);
  EXPECT_EQ(FileSHORTS[0][kShortBlockState], 0) << "no block after a transform";
  EXPECT_TRUE(plat::controlExists(plot, kFirstNoteButton)) << "the file's note is back";
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
}

}  // namespace
