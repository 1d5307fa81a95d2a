// "Waveform..." driven headlessly from the program's own command table: the
// read-out of a generated sine with default triggers, its unit pop-up, the
// wave-shape statistics, the histogram window with its data file and
// printed page, cursor triggers, Cancel and Autorepeat.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/timeintegrate.h"
#include "analyses/ui/waveform.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
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

void Snap(int win, const std::string& name) { plat::test::saveArtifact(plat::test::windowImage(win), name); }

class WaveWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    testsupport::InstallProgramWiring();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    ASSERT_EQ(AllocateSlot(0, 199, 1), StoreStatus::Ok);
    for (int32_t k = 0; k <= 199; ++k)
      PutDatum(0, 1, k, static_cast<float>(std::sin(2.0 * std::numbers::pi * k / 20.0)));
    testsupport::DescribeFile(0, "wave", 0.5f, {"pressure"});
    testsupport::SelectBlock(0, 0, 199);
    ASSERT_TRUE(plat::windowExists(kBlockWindow));
  }
  void TearDown() override {
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    FindPeaksNormally = 1;
    prefsArray[37] = 0;
    FrequencyUnit = 6;
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(WaveWindows, DefaultTriggersShapeStatisticsHistogramsFileAndPage) {
  EXPECT_TRUE(CommandRegistered(CommandForPick(3, 11)));
  const fs::path dir = testsupport::FreshTestDir("wave");
  RecordSCRIPT = 1;
  Script s;
  s.click(kSecondaryWindow, kWaveDefaultTriggers);
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWavePeriodField), " 10.000 sec");
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWaveAmplitudeField), " 2.000");
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWavePeakMeanField), " 1.000");
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWaveValleyMeanField), "-1.000");
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kWaveCautionLabel)) << "10 amplitudes for 10 peaks";
    Snap(kResultsWindow, "waveform-results.png");
    Snap(kBlockWindow, "waveform-marks.png");
  });
  s.popup(kResultsWindow, kWaveUnitPopup, 1);
  testsupport::Idle(s, 2);
  s.call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kWavePeriodField), " 0.1 Hz"); });
  s.click(kResultsWindow, kWaveShapeButton);
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kSecondaryWindow, kShapeRatioLabel), "rise/decay =  0.95");
    EXPECT_EQ(plat::fieldText(kSecondaryWindow, kShapeProbLabel), "  P= 0.29049");
    Snap(kSecondaryWindow, "wave-shape.png");
  });
  s.click(kSecondaryWindow, kShapeHistogramsButton);
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kWaveHistogramWindow, kWavePeaksField), " 10");
    EXPECT_EQ(plat::fieldText(kWaveHistogramWindow, kWaveLowField), "2") << "equal amplitudes: no width";
  });
  s.type(kWaveHistogramWindow, kWaveLowField, "\b1.5\r").type(kWaveHistogramWindow, kWaveHighField, "\b2.5\r");
  s.click(kWaveHistogramWindow, kWaveSqrtScale);
  testsupport::Idle(s, 2);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kWaveHistogramWindow, kWaveBarWidthField), "0.06666666667");
    Snap(kWaveHistogramWindow, "wave-histograms.png");
  });
  s.click(kWaveHistogramWindow, kWaveSaveData).answerSave(dir / "wave.txt");
  s.click(kWaveHistogramWindow, kWavePrintGraph).answerPageSetup(true).answerPrint(true);
  s.click(kWaveHistogramWindow, kWaveDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 11)); });
  EXPECT_EQ(Analysis_Code, kWaveAnalysisCode);
  EXPECT_EQ(ScriptSequenceArray[1][kStepOperation], kOpWaveform);
  EXPECT_FLOAT_EQ(P, 10.0f);
  EXPECT_EQ(WavePeriodCount, 9);
  EXPECT_EQ(dn, 10.0f);
  EXPECT_EQ(FloatA, 0.0f) << "amplitudes to the next valley";
  EXPECT_EQ(peakval.get(3, 2), 10.0f) << "the shared table holds the intervals";
  EXPECT_EQ(testsupport::ReadFileBytes(dir / "wave.txt"), testsupport::ReadFileBytes(fs::path(TEST_GOLDEN_DIR) / "waveform_data.txt"));
  ASSERT_EQ(plat::test::printedPages().size(), 1u);
  const auto& lines = plat::test::printedPages()[0].lines;
  auto has = [&lines](const std::string& t) {
    for (const std::string& l : lines)
      if (l.find(t) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("Source file: wave,  channel 1: pressure"));
  EXPECT_TRUE(has("wave amplitudes"));
  EXPECT_TRUE(has("sample duration: 99.5 sec"));
}

TEST_F(WaveWindows, CursorTriggersCancelAndAutorepeat) {
  // Peak trigger picked at the level 0.5 and valley at -0.5: Highest/Lowest 5
  // keeps one peak per cycle.
  const float p = (BlockMaxY - BlockMinY) / static_cast<float>(UpperLimit - 4);
  auto rowOf = [&](float level) { return UpperLimit - 2 - static_cast<int>(std::lround((level - BlockMinY) / p)); };
  prefsArray[37] = 1;   // show the picked levels before going on
  Script s;
  testsupport::Idle(s, 2);
  s.call([] { Snap(kSecondaryWindow, "waveform-triggers.png"); });
  s.click(kSecondaryWindow, kWaveHighLowRadio).click(kSecondaryWindow, kWaveUseCursor);
  s.press(kBlockWindow, {50, rowOf(0.5f)}).release();
  testsupport::Idle(s, 8);
  s.press(kBlockWindow, {50, rowOf(-0.5f)}).release();
  testsupport::Idle(s, 3);
  s.call([] { EXPECT_EQ(plat::fieldText(kSecondaryWindow, 405).substr(0, 15), "Valley trigger "); });
  s.click(kSecondaryWindow, kWaveContinue);
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWavePeriodField), " 10.000 sec");
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kWaveShapeButton)) << "only by the normal method";
  });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 11)); });
  EXPECT_EQ(vn, 10.0f);
  EXPECT_NEAR(LastWaveResult().tables.at(0, 1), 0.904f, 2e-3);
  EXPECT_EQ(mi, 1e30f);

  // Cancel ends without touching the results; Autorepeat runs it again.
  P = 123.0f;
  Script again;
  again.click(kSecondaryWindow, kWaveCancel);
  plat::test::run(again, [] { EXPECT_TRUE(AUTO_REPEAT()); });
  EXPECT_EQ(WFabort, 2.0f);
  EXPECT_EQ(P, 123.0f);
  EXPECT_EQ(Analysis_Code, kWaveAnalysisCode);
  EXPECT_FALSE(plat::windowExists(kSecondaryWindow));
}

TEST_F(WaveWindows, ABlockOfFourCasesHasNeitherPeriodNorAmplitude) {
  EndBlock[0] = 3;
  DRAWBLOCK();
  Script s;
  s.key(kSecondaryWindow, 13);   // Return: the default triggers
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWaveNoPeriodLabel), "NO PERIODICITY DETECTED!");
    EXPECT_EQ(plat::fieldText(kResultsWindow, kWaveNoAmplitudeLabel), "NO AMPLITUDES DETECTED!");
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kWaveShapeButton));
  });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 11)); });
  EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
  EXPECT_EQ(Analysis_Code, kWaveAnalysisCode);
}

// The shape statistics closed by their close box end the command: the block
// window is drawn again without the trigger lines.
TEST_F(WaveWindows, TheShapeWindowsCloseBoxLeavesTheBlockWithoutItsTriggerLines) {
  const QImage plain = plat::test::portImage(kBlockWindow);
  Script s;
  s.click(kSecondaryWindow, kWaveDefaultTriggers);
  testsupport::Idle(s, 3);
  s.call([&] { EXPECT_NE(plat::test::portImage(kBlockWindow), plain) << "the triggers are drawn"; });
  s.click(kResultsWindow, kWaveShapeButton);
  testsupport::Idle(s, 3);
  s.closeBox(kSecondaryWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 11)); });
  EXPECT_FALSE(plat::windowExists(kSecondaryWindow));
  EXPECT_EQ(plat::test::portImage(kBlockWindow), plain);
  Snap(kBlockWindow, "wave-shape-closed-block.png");
}

// The block smoothing runs through the smoothing command of the program's
// own registrations, without its dialog, and the triggers follow the new
// extremes.
TEST_F(WaveWindows, BlockSmoothingSmoothsThenTheTriggersFollow) {
  ASSERT_TRUE(CommandRegistered(Cmd::Smoothing));
  const float peakBefore = GetDatum(0, 1, 5);
  Script s;
  s.click(kSecondaryWindow, kWaveBlockSmooth);
  testsupport::Idle(s, 3);
  s.call([peakBefore] {
    EXPECT_LT(GetDatum(0, 1, 5), peakBefore) << "three cycles flatten the peak";
    EXPECT_TRUE(plat::windowExists(kSecondaryWindow)) << "still choosing triggers";
  });
  s.click(kSecondaryWindow, kWaveDefaultTriggers);
  testsupport::Idle(s, 3);
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 11)); });
  EXPECT_EQ(BlockMaxY, LastWaveResult().tables.at(0, 2)) << "the highest peak is the new maximum";
  EXPECT_NEAR(P, 10.0f, 1e-4);
}

}  // namespace
