// The plot window drawn headless: the demo recording and a long generated
// file, paged, compressed and zoomed; scale, block edges, slider, the XOR
// block band, the redraw entries and the time-unit dialog.
#include <gtest/gtest.h>

#include "support/program_support.h"
#include "support/window_support.h"
#include "plot/ui/infoline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "datafiles/native_binary.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/paging.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/worktables.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

constexpr int32_t kLongCases = 7'000'000;
constexpr float kSpike = 250.0f;
constexpr int32_t kSpikeCase = 3'333'333;

class PlotView : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    prefsArray[kPrefSoundLevel] = 0;
    RegisterPlotCommands();
    zoomleft = zoomright = 0;
  }
  void TearDown() override {
    // The geometry globals are shared with every other test of the binary.
    clearStore();
    ClearCommandRegistry();
    gDispatchHooks = {};
  }
  testsupport::PlotGeometryKeeper keptGeometry_;
  static void clearStore() { testsupport::ClearStore(); }
  static int16_t loadDemo() {
    int16_t slot = -1;
    EXPECT_TRUE(testsupport::LoadDemo(&slot));
    return slot;
  }
  // Three channels: a slow wave, a ramp and a constant; one spike in channel 1.
  static int16_t makeLongFile() {
    int16_t slot = -1;
    EXPECT_EQ(OpenNewFileSlot(kLongCases, 3, &slot), StoreStatus::Ok);
    float* a = ChannelData(slot, 1);
    float* b = ChannelData(slot, 2);
    float* c = ChannelData(slot, 3);
    for (int32_t k = 0; k <= kLongCases; ++k) {
      a[k] = 20.0f + 5.0f * static_cast<float>(std::sin(k * 2.0e-5)) + static_cast<float>((int64_t{k} * 7919) % 101) * 0.01f;
      b[k] = static_cast<float>(k) * 1e-5f;
      c[k] = 3.0f;
    }
    a[kSpikeCase] = kSpike;
    FileInfoFLOATS[slot][kInfoInterval] = 1.0f;
    StartTime[slot] = "23:50:00";
    StartDate[slot] = "03-15-2024";
    FileName[slot] = "generated.orl";
    SetChannelLabel(slot, 1, "O2 (%)");
    SetChannelLabel(slot, 2, "ramp");
    SetChannelLabel(slot, 3, "constant");
    TheFileInUse = static_cast<uint16_t>(slot);
    return slot;
  }
  static void save(int16_t slot, const std::string& name) {
    plat::test::saveArtifact(plat::test::windowImage(PlotWindowId(slot)), name);
  }
  static plotcore::Extremes rawExtremes(int16_t slot, int16_t ch, int32_t first, int32_t last) {
    return plotcore::ScanExtremes(ChannelData(slot, ch), static_cast<size_t>(nCases[slot]) + 1, first, last);
  }
};

// The scale brackets the raw extremes of the shown cases with a margin.
void expectScaleBrackets(const plotcore::Extremes& e) {
  ASSERT_TRUE(e.any());
  EXPECT_LT(minimumValue, e.lo);
  EXPECT_GT(maximumValue, e.hi);
  EXPECT_FLOAT_EQ(range, maximumValue - minimumValue);
  // Not more than the margins and the tidy rounding can add.
  EXPECT_LT(maximumValue - minimumValue, 3.0f * (e.hi - e.lo) + 1e-3f);
}

TEST_F(PlotView, DemoOpensCompressedThenPagesAndZooms) {
  const int16_t f = loadDemo();
  ASSERT_GE(f, 0);
  OpenPlotWindow(f);
  const int win = PlotWindowId(f);
  ASSERT_TRUE(plat::windowExists(win));
  EXPECT_EQ(ScreenWidth, plat::contentSize(win).w);
  EXPECT_EQ(BottomOfPlotArea, plat::contentSize(win).h - 38);
  EXPECT_EQ(PlotHeight, BottomOfPlotArea - 28);
  EXPECT_EQ(FileSHORTS[f][kShortPlotBuilt], 1);
  ASSERT_GT(nCases[f], ScreenWidth);
  EXPECT_EQ(FileSHORTS[f][kShortCompressed], 1);
  EXPECT_EQ(ScaleMode, plotcore::kScaleNormal);
  expectScaleBrackets(rawExtremes(f, ActiveChannel, 1, nCases[f]));
  EXPECT_GE(lines, 4.0f);
  // The page slider: one position per screen of cases.
  const int segments = (nCases[f] + ScreenWidth - 1) / ScreenWidth;
  EXPECT_EQ(FileSHORTS[f][kShortSegments], segments);
  ASSERT_TRUE(plat::controlExists(win, kPageSlider));
  EXPECT_EQ(plat::controlRect(win, kPageSlider).top, BottomOfPlotArea + 17);
  EXPECT_EQ(plat::controlRect(win, kPageSlider).left, 0);
  EXPECT_NE(plat::title(win).find("compressed"), std::string::npos);
  save(f, "plot-demo-compressed.png");

  // Paged: the slider chooses the screen; the scale follows that screen only.
  FileSHORTS[f][kShortCompressed] = 0;
  Script s;
  s.slide(win, kPageSlider, 2);
  plat::test::run(s, [&] {
    plat::handlers().dialog = DoDIALOG;
    plat::pump();
    ASSERT_TRUE(HandlePlotControlClick(eventID));
  });
  EXPECT_EQ(FileSHORTS[f][kShortSegment], 2);
  EXPECT_EQ(plat::sliderValue(win, kPageSlider), 2);
  expectScaleBrackets(rawExtremes(f, ActiveChannel, ScreenWidth + 1, 2 * ScreenWidth));
  EXPECT_EQ(plat::title(win).find("compressed"), std::string::npos);
  save(f, "plot-demo-paged.png");

  // The last screen holds the remainder of the cases; the slider stops there.
  plat::setSliderValue(win, kPageSlider, segments + 5);
  PageSliderMoved();
  EXPECT_EQ(FileSHORTS[f][kShortSegment], segments);
  expectScaleBrackets(rawExtremes(f, ActiveChannel, ScreenWidth * (segments - 1) + 1, nCases[f]));
  save(f, "plot-demo-last-screen.png");

  // Zoomed on cases 1000..1400; a block inside it gets its pixel edges.
  zoomleft = 1000;
  zoomright = 1400;
  FileSHORTS[f][kShortZoomed] = 1;
  BeginBlock[f] = 1100;
  EndBlock[f] = 1200;
  FileSHORTS[f][kShortBlockState] = 2;
  DrawPlot(0, 0, 1);
  expectScaleBrackets(rawExtremes(f, ActiveChannel, 1000, 1400));
  EXPECT_EQ(FileSHORTS[f][kShortBlockLeftPx], ScreenWidth * 100 / 400 + 1);
  EXPECT_EQ(FileSHORTS[f][kShortBlockRightPx], ScreenWidth * 200 / 400 + 1);
  save(f, "plot-demo-zoomed.png");

  // Leaving the zoom through the slider returns to the paged view.
  plat::setSliderValue(win, kPageSlider, 1);
  PageSliderMoved();
  EXPECT_EQ(FileSHORTS[f][kShortZoomed], 0);
  EXPECT_EQ(FileSHORTS[f][kShortSegment], 1);
}

TEST_F(PlotView, BlockBandTogglesInXorAndKeepsItsEdges) {
  const int16_t f = loadDemo();
  OpenPlotWindow(f);
  const int win = PlotWindowId(f);
  // Compressed: edges from the case fraction of the plot width.
  BeginBlock[f] = nCases[f] / 4;
  EndBlock[f] = nCases[f] / 2;
  FileSHORTS[f][kShortBlockState] = 2;
  DrawPlot(0, 0, 1);
  EXPECT_EQ(FileSHORTS[f][kShortBlockLeftPx],
            static_cast<int>(static_cast<double>(BeginBlock[f]) / nCases[f] * ScreenWidth + 1.0));
  EXPECT_EQ(FileSHORTS[f][kShortBlockRightPx],
            static_cast<int>(static_cast<double>(EndBlock[f]) / nCases[f] * ScreenWidth + 1.0));
  const QImage withBand = plat::test::portImage(win);
  RefreshPLOTBLOCK(0);
  const QImage without = plat::test::portImage(win);
  EXPECT_NE(without, withBand);
  // Inside the band the pixels flipped; outside nothing moved.
  const int mid = (FileSHORTS[f][kShortBlockLeftPx] + FileSHORTS[f][kShortBlockRightPx]) / 2;
  EXPECT_NE(without.pixel(mid, 100), withBand.pixel(mid, 100));
  EXPECT_EQ(without.pixel(ScreenWidth - 5, 100), withBand.pixel(ScreenWidth - 5, 100));
  RefreshPLOTBLOCK(0);
  EXPECT_EQ(plat::test::portImage(win), withBand);
  save(f, "plot-demo-block.png");

  // Paged, block running past the shown screen: painted to the plot's edge.
  FileSHORTS[f][kShortCompressed] = 0;
  FileSHORTS[f][kShortSegment] = 1;
  BeginBlock[f] = 100;
  EndBlock[f] = ScreenWidth + 50;
  DrawPlot(0, 0, 1);
  EXPECT_EQ(FileSHORTS[f][kShortBlockLeftPx], 100);
  EXPECT_EQ(FileSHORTS[f][kShortBlockRightPx], ScreenWidth + 50);
  const QImage paged = plat::test::portImage(win);
  RefreshPLOTBLOCK(0);
  RefreshPLOTBLOCK(0);
  EXPECT_EQ(plat::test::portImage(win), paged);
  // A block wholly on another screen paints nothing here.
  FileSHORTS[f][kShortSegment] = 3;
  BeginBlock[f] = 10;
  EndBlock[f] = 20;
  DrawPlot(0, 0, 1);
  const QImage off = plat::test::portImage(win);
  RefreshPLOTBLOCK(0);
  EXPECT_EQ(plat::test::portImage(win), off);
}

TEST_F(PlotView, SevenMillionCasesDrawCompressedPagedAndZoomed) {
  const int16_t f = makeLongFile();
  OpenPlotWindow(f);
  const int win = PlotWindowId(f);
  ASSERT_TRUE(plat::windowExists(win));
  EXPECT_EQ(FileSHORTS[f][kShortCompressed], 1);
  // The one-sample spike survives the reduction to pixel columns.
  EXPECT_GT(maximumValue, kSpike);
  expectScaleBrackets(rawExtremes(f, 1, 1, kLongCases));
  EXPECT_EQ(FileSHORTS[f][kShortSegments], (kLongCases + ScreenWidth - 1) / ScreenWidth);
  EXPECT_TRUE(plat::controlExists(win, kPageSlider));
  const std::string title = plat::title(win);
  EXPECT_NE(title.find("3 channels,  7,000,000 samples;  compressed"), std::string::npos) << title;
  // The trace climbs to the spike's height in the spike's column only.
  const QImage img = plat::test::portImage(win);
  const double yScale = PlotHeight / (maximumValue - minimumValue);
  const int ySpike = static_cast<int>(BottomOfPlotArea - 5.6 - (kSpike - minimumValue) * yScale);
  const int spikeX = static_cast<int>(static_cast<double>(kSpikeCase) * ScreenWidth / kLongCases) + 1;
  auto greenNear = [&](int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
      if (QColor(img.pixel(x, y + dy)) == QColor(0, 255, 0)) return true;
    return false;
  };
  bool spikeSeen = false;
  for (int x = spikeX - 1; x <= spikeX + 1; ++x) spikeSeen = spikeSeen || greenNear(x, ySpike);
  EXPECT_TRUE(spikeSeen);
  EXPECT_FALSE(greenNear(spikeX - 40, ySpike));
  save(f, "plot-long-compressed.png");

  // Paged onto the spike's screen.
  FileSHORTS[f][kShortCompressed] = 0;
  const int16_t spikeScreen = static_cast<int16_t>(kSpikeCase / ScreenWidth + 1);
  plat::setSliderValue(win, kPageSlider, spikeScreen);
  PageSliderMoved();
  EXPECT_EQ(FileSHORTS[f][kShortSegment], spikeScreen);
  expectScaleBrackets(rawExtremes(f, 1, ScreenWidth * (spikeScreen - 1) + 1, ScreenWidth * spikeScreen));
  save(f, "plot-long-paged.png");

  // The ramp channel zoomed on one hour; the scale follows the span only.
  CHANNELCHANGE(2);
  EXPECT_EQ(ActiveChannel, 2);
  zoomleft = 3'600'000;
  zoomright = 3'603'600;
  FileSHORTS[f][kShortZoomed] = 1;
  DrawPlot(0, 0, 1);
  expectScaleBrackets(rawExtremes(f, 2, zoomleft, zoomright));
  save(f, "plot-long-zoomed.png");

  // A zoom span left by a longer file is held inside this one.
  zoomleft = kLongCases - 100;
  zoomright = kLongCases + 5'000'000;
  DrawPlot(0, 0, 1);
  expectScaleBrackets(rawExtremes(f, 2, kLongCases - 100, kLongCases));

  // The constant channel still gets a scale of height.
  FileSHORTS[f][kShortZoomed] = 0;
  FileSHORTS[f][kShortCompressed] = 1;
  CHANNELCHANGE(3);
  EXPECT_LT(minimumValue, 3.0f);
  EXPECT_GT(maximumValue, 3.0f);
  EXPECT_TRUE(std::isfinite(range) && range > 0);
  save(f, "plot-long-constant.png");
}

TEST_F(PlotView, RedrawEntriesFollowChangedSamplesAndChannels) {
  const int16_t f = makeLongFile();
  OpenPlotWindow(f);
  EXPECT_GT(maximumValue, kSpike);
  // A command changes the samples in place, then asks for the redraw.
  ChannelData(f, 1)[kSpikeCase] = 20.0f;
  ChangedChan = 1;
  UpdateSCREEN(0, 0);
  EXPECT_LT(maximumValue, 40.0f);
  ChannelData(f, 1)[kSpikeCase + 7] = -500.0f;
  RefreshSCREEN();
  EXPECT_LT(minimumValue, -500.0f);

  // Channel switching: 0 changes nothing, too high picks the last channel.
  CHANNELCHANGE(0);
  EXPECT_EQ(ActiveChannel, 1);
  CHANNELCHANGE(99);
  EXPECT_EQ(ActiveChannel, 3);
  EXPECT_EQ(ActiveChannelArray[f], 3);
  EXPECT_EQ(chanB, 3);
  EXPECT_EQ(MakeNewChan, 1);
  // The View menu's Redraw and the Channel menu are the plot's commands.
  EXPECT_TRUE(RunCommand(Cmd::ChannelChange, 2));
  EXPECT_EQ(ActiveChannel, 2);
  EXPECT_TRUE(RunCommand(Cmd::Redraw));
  // Manual limits are drawn as given.
  scalefact[2][4] = -1;
  scalefact[2][5] = 10;
  scalefact[2][6] = 30;
  ScaleChangeREDRAW(2);
  EXPECT_EQ(ScaleMode, plotcore::kScaleManual);
  EXPECT_FLOAT_EQ(minimumValue, 10);
  EXPECT_FLOAT_EQ(maximumValue, 30);
  save(f, "plot-long-manual.png");
}

TEST_F(PlotView, ChannelKeysStepRoundAndRecordTheirStep) {
  const int16_t f = loadDemo();
  OpenPlotWindow(f);
  ASSERT_EQ(nChannels[f], 4);
  ActiveChannel = 1;
  EXPECT_EQ(PUSHCHAN(2), 2);
  EXPECT_EQ(PUSHCHAN(1), 1);
  EXPECT_EQ(PUSHCHAN(1), 4) << "previous from the first wraps to the last";
  EXPECT_EQ(PUSHCHAN(2), 1) << "next from the last wraps to the first";
  EXPECT_EQ(PUSHCHAN(0, 9), 0) << "no channel 9: nothing changes";
  EXPECT_EQ(ActiveChannel, 1);

  RecordSCRIPT = 1;
  ScriptCOUNT = 0;
  EXPECT_EQ(PUSHCHAN(0, 3), 3);
  RecordSCRIPT = 0;
  EXPECT_EQ(ScriptCOUNT, 1);
  // Operation 1 in field 1, the channel in field 2.
  EXPECT_EQ(ScriptSequenceArray[1][0], 0.0f);
  EXPECT_EQ(ScriptSequenceArray[1][1], 1.0f);
  EXPECT_EQ(ScriptSequenceArray[1][2], 3.0f);
}

TEST_F(PlotView, ShortFileIsExpandedAndResizeFollowsTheWindow) {
  int16_t f = -1;
  ASSERT_EQ(OpenNewFileSlot(100, 1, &f), StoreStatus::Ok);
  for (int k = 0; k <= 100; ++k) ChannelData(f, 1)[k] = static_cast<float>(k % 10) - 4.5f;
  FileInfoFLOATS[f][kInfoInterval] = 60.0f;
  StartTime[f] = "08:30:00";
  FileName[f] = "short.orl";
  OpenPlotWindow(f);
  const int win = PlotWindowId(f);
  EXPECT_EQ(FileSHORTS[f][kShortCompressed], 0);
  EXPECT_EQ(Xstep, ScreenWidth / 100);
  EXPECT_FALSE(plat::controlExists(win, kPageSlider));
  EXPECT_LT(minimumValue, -4.5f);
  EXPECT_GT(maximumValue, 4.5f);
  save(f, "plot-short-expanded.png");
  {
    // Minus signs of negative labels stand clear of the frame line at x 0:
    // the two columns beside it hold nothing but the plot's ground.
    const QImage img = plat::test::portImage(win);
    int marks = 0;
    for (int y = 20; y < BottomOfPlotArea - 3; ++y)
      for (int x = 1; x <= 2; ++x) marks += img.pixel(x, y) != img.pixel(1, 20);
    EXPECT_EQ(marks, 0);
  }

  plat::Rect r = plat::contentRect(win);
  r.right = r.left + 800;
  r.bottom = r.top + 400;
  plat::setContentRect(win, r);
  DrawPlotSummary(f);
  EXPECT_EQ(ScreenWidth, 800);
  EXPECT_EQ(BottomOfPlotArea, 362);
  EXPECT_EQ(PlotHeight, 334);
  EXPECT_EQ(RightLim, 800 - 321);
  EXPECT_EQ(Xstep, 8);
  save(f, "plot-short-resized.png");
}

TEST_F(PlotView, TimeUnitsDialogLeavesTheChosenUnit) {
  Script s;
  s.click(kTimeUnitsWindow, kTimeMinutes);
  plat::test::run(s, [] { TIMECHOICE(1); });
  EXPECT_EQ(TimeUnits, 1);
  EXPECT_FALSE(plat::windowExists(kTimeUnitsWindow));

  BlockMinY = 0.5f;
  UseLogY = 0;
  Script t;
  t.call([] { EXPECT_TRUE(plat::controlExists(kTimeUnitsWindow, kTimeLogY)); })
      .click(kTimeUnitsWindow, kTimeLogY)
      .click(kTimeUnitsWindow, kTimeDays);
  plat::test::run(t, [] { TIMECHOICE(0); });
  EXPECT_EQ(TimeUnits, 3);
  EXPECT_EQ(UseLogY, 1);

  // Negative data: no log option; a key leaves seconds.
  BlockMinY = -1.0f;
  Script u;
  u.call([] { EXPECT_FALSE(plat::controlExists(kTimeUnitsWindow, kTimeLogY)); }).key(kTimeUnitsWindow, 13);
  plat::test::run(u, [] { TIMECHOICE(0); });
  EXPECT_EQ(TimeUnits, 0);
}

// Y labels carry as many decimals as their grid step needs: two labels a
// step apart never print alike (the texts themselves: autoscale_test).
TEST_F(PlotView, YLabelsCarryTheDecimalsOfTheirStep) {
  // From the program's start-up: a flat CO2 stretch (0.0399 to 0.0410) drawn
  // with its tidy axis.
  const int16_t f = testsupport::StartProgramOnDemo();
  ASSERT_GE(f, 0);
  float* co2 = ChannelData(f, 2);
  for (int32_t k = 0; k <= nCases[f]; ++k) co2[k] = 0.0399f + 0.0011f * static_cast<float>(k % 50) / 49.0f;
  scalefact[2][4] = 2.0f;   // Normal: a tidy axis with labels
  ActiveChannel = 2;
  EXPECT_TRUE(DoMENU(kMenuView, 8));   // Redraw
  const plotcore::Scale sc = CurrentScale();
  ASSERT_TRUE(sc.niceAxis);
  const float step = sc.scr / sc.lines;
  std::vector<std::string> texts;
  for (const plotcore::YLabel& l : plotcore::YAxisLabels(sc, PlotHeight, BottomOfPlotArea))
    texts.push_back(l.zero ? " 0" : plotcore::AxisLabelText(l.value, step));
  ASSERT_GE(texts.size(), 3u);
  for (size_t i = 1; i < texts.size(); ++i) EXPECT_NE(texts[i], texts[i - 1]) << texts[i];
  save(f, "plot-small-step-labels.png");
  testsupport::StopProgram();
}

// The labels as the plot window shows them, from the program's start-up: the
// demo's O2 channel times 1e-7, zoomed on a short stretch, read
// "0.000002064" on three grid rows when labels stopped at nine decimals.
TEST_F(PlotView, YLabelsOfATinySpanZoomedStayDistinct) {
  const int16_t f = testsupport::StartProgramOnDemo();
  ASSERT_GE(f, 0);
  float* o2 = ChannelData(f, 1);
  for (int32_t k = 0; k <= nCases[f]; ++k) o2[k] *= 1e-7f;
  ActiveChannel = 1;
  scalefact[1][4] = 2.0f;   // Normal: a tidy axis with labels
  BeginBlock[f] = 2000;
  EndBlock[f] = 2040;
  FileSHORTS[f][kShortBlockState] = 2;
  EXPECT_TRUE(DoMENU(kMenuView, 6));   // Zoom In
  ASSERT_EQ(FileSHORTS[f][kShortZoomed], 1);
  const plotcore::Scale sc = CurrentScale();
  ASSERT_TRUE(sc.niceAxis);
  ASSERT_LT(sc.scr / sc.lines, 1e-9f) << "a step finer than nine decimals";
  // The labels: the drawn texts that are numbers and nothing else, within
  // the scale (the time axis draws numbers too).
  std::vector<std::string> labels;
  for (const std::string& t : plat::test::drawnTexts(PlotWindowId(f))) {
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || t.find_first_not_of(' ', static_cast<size_t>(end - t.c_str())) != std::string::npos) continue;
    if (v >= sc.minimumValue - 1e-3 * sc.range && v <= sc.maximumValue + 1e-3 * sc.range) labels.push_back(t);
  }
  save(f, "plot-tiny-span-labels.png");
  ASSERT_GE(labels.size(), 4u) << ::testing::PrintToString(labels);
  std::vector<std::string> sorted = labels;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << ::testing::PrintToString(labels);
  testsupport::StopProgram();
}

// With results going to a file the label line is drawn again after the block
// band, which inverts the plot to white: on a background of its own it
// stays readable there, white on black.
TEST_F(PlotView, LabelLineReadsInsideTheBlockBand) {
  const int16_t f = testsupport::StartProgramOnDemo();
  ASSERT_GE(f, 0);
  const plotcore::ViewState v = PlotViewState(f);
  BeginBlock[f] = plotcore::CaseAtPixel(v, 60);
  EndBlock[f] = plotcore::CaseAtPixel(v, 700);
  FileSHORTS[f][kShortBlockState] = 2;
  PortForResultsOutput = 5;
  filestrings[2] = "results.txt";
  EXPECT_TRUE(DoMENU(kMenuView, 8));   // Redraw
  const auto band = BlockBandShown(f);
  ASSERT_TRUE(band.has_value());
  const QImage img = plat::test::portImage(PlotWindowId(f)).convertToFormat(QImage::Format_RGB32);
  save(f, "plot-label-line-in-block.png");
  PortForResultsOutput = 0;
  filestrings[2].clear();
  // The label line's rows from x 100 to well inside the band.
  int white = 0, black = 0;
  for (int y = 22; y <= 36; ++y)
    for (int x = std::max(band->left, 100); x < std::min(band->right, 600); ++x) {
      white += img.pixel(x, y) == qRgb(255, 255, 255);
      black += img.pixel(x, y) == qRgb(0, 0, 0);
    }
  EXPECT_GT(black, 1000) << "a background of the label's own";
  EXPECT_GT(white, 300) << "and the label's ink on it";
  testsupport::StopProgram();
}

// The tabular counter ends before the channel pop-up, also when the pop-up
// stands where a narrower window put it.
TEST_F(PlotView, TabularCounterEndsBeforeTheChannelPopup) {
  const int16_t f = testsupport::StartProgramOnDemo();
  ASSERT_GE(f, 0);
  const int win = PlotWindowId(f);
  const plat::Rect pop = plat::controlFrame(win, kChannelPopup);
  plat::addPopup(win, kChannelPopup, kChannelPopupMenu + f, 1, {pop.left - 150, pop.top, pop.right - 150, pop.bottom});
  PortForResultsOutput = 5;
  filestrings[2] = "results.txt";
  EXPECT_TRUE(DoMENU(kMenuView, 8));   // Redraw
  PortForResultsOutput = 0;
  filestrings[2].clear();
  ASSERT_TRUE(plat::controlExists(win, kTabularCounterField));
  EXPECT_LE(plat::controlFrame(win, kTabularCounterField).right, plat::controlFrame(win, kChannelPopup).left);
  for (const std::string& cut : plat::test::cutTexts(win)) EXPECT_EQ(cut.find("control 18 "), std::string::npos) << cut;
  testsupport::StopProgram();
}

}  // namespace
