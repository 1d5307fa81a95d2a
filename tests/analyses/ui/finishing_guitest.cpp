// The plot's finishing tools from the program's own wiring: typed and
// automatic Y scales, the overlay, and compaction by samples and by time.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "analyses/compaction.h"
#include "analyses/ui/compaction.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "datafiles/save.h"
#include "plot/autoscale.h"
#include "plot/yscale.h"
#include "plot/ui/draw.h"
#include "plot/ui/overlay.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "plot/ui/stripheights.h"
#include "output/ui/printimage.h"
#include "plot/stripheights.h"
#include "plot/ui/yscale.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/worktables.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;
constexpr const char* kErase = "\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b";

class Finishing : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWiredTest(25);
    // Channel 1 a slow wave around 50, channel 2 a ramp from 0 to 3,000.
    ASSERT_EQ(AllocateSlot(0, 3000, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 3000; ++k) {
      PutDatum(0, 1, k, 50.0f + 10.0f * static_cast<float>(std::sin(k * 0.01)));
      PutDatum(0, 2, k, static_cast<float>(k));
    }
    testsupport::DescribeFile(0, "finishing", 1.0f, {"O2", "ramp"});
    StartTime[0] = "10:00:00";
    TheFileInUse = 0;
    ActiveChannel = 1;
    for (int c = 1; c <= 2; ++c) SetChannelScaleMode(static_cast<int16_t>(c), plotcore::kScaleNormal);
    OpenPlotWindow(0);
  }
  void TearDown() override {
    // Globals other suites read as they found them.
    prefsArray[kPrefOverlayAll] = 0;
    TimeUnits = 0;
    ShowDot = 0;
    CustomPlot = CustomScreenPlot = 0;
    parse[0] = parse[1] = 0;
    ParseArray.release();
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  static void snap(int win, const std::string& name) {
    plat::test::saveArtifact(plat::test::windowImage(win), name);
  }
  // The dialog tracks the pointer and reads the button: the pointer moves to
  // the row first, then the button goes down and up there.
  static void pick(Script& s, int row) {
    s.moveTo(kHeightsWindow, {100, row}).moveTo(kHeightsWindow, {100, row}).press(kHeightsWindow, {100, row})
        .moveTo(kHeightsWindow, {100, row}).release();
  }
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(Finishing, TypedLimitsSetManualScaleAndBadOnesKeepTheShownLimits) {
  Script s;
  s.type(kManualScaleWindow, kManualScaleMax, std::string(kErase) + "100")
      .type(kManualScaleWindow, kManualScaleMin, std::string(kErase) + "0")
      .call([] { snap(kManualScaleWindow, "manual-scaling.png"); })
      .click(kManualScaleWindow, kManualScaleDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(71, 5)); });
  EXPECT_FALSE(plat::windowExists(kManualScaleWindow));
  EXPECT_EQ(scalefact[1][4], -1.0f);
  EXPECT_EQ(scalefact[1][5], 0.0f);
  EXPECT_EQ(scalefact[1][6], 100.0f);
  EXPECT_EQ(minimumValue, 0.0f);
  EXPECT_EQ(maximumValue, 100.0f);
  snap(PlotWindowId(0), "manual-scaled-plot.png");

  // Back to an automatic mode, then refused texts: the shown limits stay, now manual.
  ASSERT_TRUE(DoMENU(71, 2));
  EXPECT_EQ(scalefact[1][4], 1.0f);
  const float lo = minimumValue, hi = maximumValue;
  for (const char* maxText : {"-1000", "many"}) {
    SCOPED_TRACE(maxText);
    plat::test::clearRecorders();
    Script bad;
    bad.type(kManualScaleWindow, kManualScaleMax, std::string(kErase) + maxText)
        .click(kManualScaleWindow, kManualScaleDone);
    plat::test::run(bad, [] { EXPECT_TRUE(DoMENU(71, 5)); });
    EXPECT_TRUE(testsupport::SoundPlayed("endbeep"));
    EXPECT_EQ(scalefact[1][4], -1.0f);
    EXPECT_EQ(scalefact[1][5], lo);
    EXPECT_EQ(scalefact[1][6], hi);
    ASSERT_TRUE(DoMENU(71, 2));
  }
}

TEST_F(Finishing, PaletteExpandThenCancelKeepsFormerLimitsInManual) {
  const float lo = minimumValue, hi = maximumValue;
  Script s;
  s.click(kScalePaletteWindow, kScalePaletteExpand3)
      .call([&] {
        EXPECT_FLOAT_EQ(scalefact[1][6] - scalefact[1][5], 3 * (hi - lo));
        snap(kScalePaletteWindow, "scaling-palette.png");
      })
      .click(kScalePaletteWindow, kScalePaletteCancel);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(71, 6)); });
  EXPECT_EQ(scalefact[1][4], -1.0f);
  EXPECT_EQ(scalefact[1][5], lo);
  EXPECT_EQ(scalefact[1][6], hi);
  EXPECT_EQ(minimumValue, lo);
}

TEST_F(Finishing, OverlayDrawsInItsColourWithoutChangingTheActiveLimits) {
  const float lo = minimumValue, hi = maximumValue;
  prefsArray[kPrefColourDisplay] = 1;
  Script s;
  s.click(kChannelSelectWindow, 2)
      .click(kChannelSelectWindow, kSelectDone)
      .call([] { snap(kOverlayOptionsWindow, "overlay-options.png"); })
      .click(kOverlayOptionsWindow, kOverlayAllPlots)
      .click(kOverlayOptionsWindow, kOverlayOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(4, 9)); });
  EXPECT_EQ(minimumValue, lo);
  EXPECT_EQ(maximumValue, hi);
  EXPECT_EQ(ActiveChannel, 1);
  EXPECT_EQ(prefsArray[kPrefOverlayAll], 1);
  const QImage img = plat::test::portImage(PlotWindowId(0));
  snap(PlotWindowId(0), "overlay.png");
  const plat::Rgb16 c = OverlayColor[2];
  const QRgb want = qRgb(c.r >> 8, c.g >> 8, c.b >> 8);
  int hits = 0;
  for (int y = 20; y < BottomOfPlotArea - 3; ++y)
    for (int x = 1; x < img.width(); ++x) hits += (img.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
  EXPECT_GT(hits, 100) << "the ramp drawn in channel 2's colour";

  // A redraw keeps a persistent overlay; Remove Overlay ends it.
  ASSERT_TRUE(DoMENU(4, 10));
  EXPECT_EQ(prefsArray[kPrefOverlayAll], 0);
  EXPECT_EQ(minimumValue, lo);
}

TEST_F(Finishing, SampleCompactionShowsAndKeepsTheComputedGroups) {
  Script s;
  s.click(kResultsWindow, 2)   // "10"
      .click(kResultsWindow, kParsePlus1)
      .call([] {
        EXPECT_EQ(plat::fieldText(kResultsWindow, kParseFactorField), " 11");
        EXPECT_EQ(plat::buttonState(kResultsWindow, kParseSave), 0);
      })
      .click(kResultsWindow, kParseDo)
      .call([] {
        EXPECT_EQ(plat::buttonState(kResultsWindow, kParseSave), 1);
        snap(kResultsWindow, "compaction-samples.png");
        snap(PlotWindowId(0), "compacted-plot.png");
      })
      .click(kResultsWindow, kParseDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(83, 1)); });
  EXPECT_EQ(parse[0], 11);
  EXPECT_EQ(parse[1], CompactionGroups(3000, 1, 11));
  EXPECT_FLOAT_EQ(ParseArray.get(2, 0), 6.0f);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));

  Script normal;
  normal.click(kResultsWindow, kParseNormal).click(kResultsWindow, kParseDone);
  plat::test::run(normal, [] { EXPECT_TRUE(DoMENU(83, 1)); });
  EXPECT_EQ(parse[0], 0);
}

TEST_F(Finishing, TimeAveragingUsesTheDerivedBlockSize) {
  Script s;
  s.call([] {
     EXPECT_EQ(plat::popupValue(kResultsWindow, kParseUnitPopup), kParseMinutes);
     EXPECT_EQ(plat::fieldText(kResultsWindow, kParseSecondField), " 60");
     EXPECT_EQ(plat::fieldText(kResultsWindow, kParseIntervalsField), " 50");
   })
      .type(kResultsWindow, kParseWantedField, "\b5")
      .call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kParseSecondField), " 300"); })
      .click(kResultsWindow, 2)   // "2" minutes
      .call([] { snap(kResultsWindow, "compaction-time.png"); })
      .click(kResultsWindow, kParseDo)
      .click(kResultsWindow, kParseDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(83, 2)); });
  EXPECT_EQ(parse[0], 120);
  EXPECT_EQ(parse[1], 25);
  EXPECT_EQ(TimeUnits, 1);
}

TEST_F(Finishing, StripHeightsFromTwoClicksAndNormalValues) {
  ASSERT_EQ(AddChannel(0), StoreStatus::Ok);
  for (int c = 1; c <= 3; ++c) OverlayArray[0][1][c] = 1;
  const StripArea a = StripAreaFor(kHeightsForScreen, BottomOfPlotArea);
  Script s;
  pick(s, 60);
  pick(s, a.bottom - 20);   // the lowest rows stay for the last strip
  s.call([] { snap(kHeightsWindow, "strip-heights.png"); })
      .click(kHeightsWindow, kHeightsOK);
  plat::test::run(s, [] { ChangeCHARTHITE(kHeightsForScreen); });
  EXPECT_EQ(CustomScreenPlot, 1);
  EXPECT_FLOAT_EQ(nVar[0][1][8], 60);
  EXPECT_FLOAT_EQ(nVar[0][1][9], 60 + 48);
  EXPECT_FLOAT_EQ(nVar[0][3][9], static_cast<float>(a.bottom + 48)) << "the last strip reaches the bottom";
  EXPECT_FLOAT_EQ(nVar[0][3][8], 20);
  EXPECT_FLOAT_EQ(nVar[0][2][11], nVar[0][2][9] - 2);

  Script normal;
  pick(normal, 60);
  pick(normal, 120);
  // The poll that ends the last pick runs one more step before the buttons wake.
  normal.call([] {}).click(kHeightsWindow, kHeightsNormal).click(kHeightsWindow, kHeightsOK);
  plat::test::run(normal, [] { ChangeCHARTHITE(kHeightsForScreen); });
  EXPECT_EQ(CustomScreenPlot, 0);
  CustomScreenPlot = 0;

  OverlayArray[0][1][2] = OverlayArray[0][1][3] = 0;
  plat::test::run(Script{}, [] { ChangeCHARTHITE(kHeightsForScreen); });
  EXPECT_FALSE(plat::windowExists(kHeightsWindow)) << "one shown channel: no dialog";
}

// Five days at one sample a minute, three channels marked for printing.
TEST_F(Finishing, FileImagePrintsToPdfWithItsPartsAndPreviews) {
  testsupport::ClearStore();
  ASSERT_EQ(AllocateSlot(0, 7200, 3), StoreStatus::Ok);
  for (int32_t k = 0; k <= 7200; ++k) {
    PutDatum(0, 1, k, 20.0f + 2.0f * static_cast<float>(std::sin(k * 0.0044)));
    PutDatum(0, 2, k, static_cast<float>(k % 1440) / 100.0f - 5.0f);
    PutDatum(0, 3, k, 37.0f);
  }
  testsupport::DescribeFile(0, "five days", 60.0f, {"O2", "activity", "Tb"});
  FileInfoFLOATS[0][kInfoTemperature] = 25.5f;
  FileInfoFLOATS[0][kInfoDevice] = 80;
  StartTime[0] = "10:30:00";
  StartDate[0] = "03-15-2024";
  CommentContainer[0] = "Animal 7, fasted overnight.";
  for (int32_t at : {1440, 2880, 4000}) ASSERT_EQ(AddMarker(0, at, 'A' + at % 3), StoreStatus::Ok);
  TheFileInUse = 0;
  OpenPlotWindow(0);
  for (int c = 1; c <= 3; ++c) OverlayArray[0][1][c] = 0;

  Script s;
  s.call([] { snap(kPrintOptionsWindow, "print-options.png"); })
      .click(kPrintOptionsWindow, kPrintNext)
      .click(kChannelSelectWindow, kSelectAll)
      .click(kChannelSelectWindow, kSelectDone)
      .answerPageSetup(true)
      .answerPrint(true);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(1, 14)); });
  ASSERT_EQ(plat::test::printedPages().size(), 1u);
  const plat::test::PrintedPage& page = plat::test::printedPages()[0];
  EXPECT_TRUE(std::filesystem::exists(page.pdf));
  std::string all;
  for (const std::string& l : page.lines) all += l + "\n";
  for (const char* part : {" Corvimet X ", "file:  'five days';  Recorded 03-15-2024 @ 10:30:00;  3 channels, 7200 samples",
                           "channel 1    O2", "channel 3    Tb", "day", "sample interval 60.000 seconds, total recording time 5.000 days",
                           "Ta 25.500 \xA1" "C;", "DataTaker DT80", "Comments:  ", "Animal 7, fasted overnight.", "0.0 min",
                           "7200.0 min"})
    EXPECT_NE(all.find(part), std::string::npos) << part << "\n" << all;
  EXPECT_EQ(all.find("time of day"), std::string::npos) << "over four days: the day scale";
  EXPECT_FALSE(plat::windowExists(kPrintPageWindow));
  EXPECT_EQ(prefsArray[kPrefOverlayAll], 0);

  // The preview, of hourly means: the same page in a window; cancelling the
  // print dialog prints nothing.
  ASSERT_TRUE(CompactSlot(0, 60));
  prefsArray[kPrefSdBars] = 1;
  plat::test::clearRecorders();
  Script p;
  p.click(kPrintOptionsWindow, kPrintNext)
      .click(kChannelSelectWindow, kSelectDone)
      .call([] { snap(kPrintPageWindow, "print-preview-compacted.png"); })
      .click(kPrintPageWindow, kPreviewSend)
      .answerPageSetup(true)
      .answerPrint(false);
  plat::test::run(p, [] { EXPECT_TRUE(DoMENU(1, 15)); });
  EXPECT_TRUE(plat::test::printedPages().empty());
  EXPECT_FALSE(plat::windowExists(kPrintPageWindow));
  prefsArray[kPrefSdBars] = 0;
}

}  // namespace
