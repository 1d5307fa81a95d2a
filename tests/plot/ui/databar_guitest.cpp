// The data bar and the all-values column driven headless on the demo
// recording: the fields for a scripted pointer position, the value field of
// a plot window that is not in front, and the column's placement.
#include <gtest/gtest.h>

#include "support/window_support.h"

#include <string>

#include "datafiles/native_binary.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "plot/databar_text.h"
#include "plot/trace.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/gscale.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class DataBarGui : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForBlockWindowTest();
    AllValues = 0;
    avbx = 223;
    avby = 7;
    ASSERT_TRUE(testsupport::LoadDemo(&slot_));
    ASSERT_GE(nChannels[slot_], 3);
    OpenPlotWindow(slot_);
    ClearMailbox();
  }
  void TearDown() override {
    AllValues = 0;
    testsupport::EndBlockWindowTest();
  }
  int plot() const { return PlotWindowId(slot_); }
  std::string field(int id) const { return plat::fieldText(plot(), id); }
  int32_t caseAt(int x) const { return plotcore::CaseAtPixel(PlotViewState(slot_), x); }

  int16_t slot_ = -1;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(DataBarGui, FieldsFollowThePointerOverThePlot) {
  const float interval = FileInfoFLOATS[slot_][kInfoInterval];
  const float start = FileInfoFLOATS[slot_][kInfoStartMinutes];
  const int x = ScreenWidth / 3;
  Script s;
  s.moveTo(plot(), {x, 100}).call([&] {
    TrackPointerOverPlot();
    const int32_t c = caseAt(x);
    ASSERT_GT(c, 0);
    EXPECT_EQ(field(kDataBarCase), " #" + NumText(static_cast<double>(c)) + ";  " +
                                       plotcore::ElapsedText(static_cast<float>(c * static_cast<double>(interval))));
    EXPECT_EQ(field(kDataBarClock), plotcore::DataBarClockText(start, c, interval));
    const float v = GetDatum(slot_, ActiveChannel, c);
    EXPECT_EQ(field(kDataBarValue), "value " + StringFormatter(v));
    EXPECT_FLOAT_EQ(tmFloat, v);
  });
  // Below the plot area nothing changes.
  s.moveTo(plot(), {x + 40, BottomOfPlotArea + 10}).call([&] {
    const std::string before = field(kDataBarCase);
    TrackPointerOverPlot();
    EXPECT_EQ(field(kDataBarCase), before);
  });
  // A redraw in between: the same column is written again.
  s.moveTo(plot(), {x, 100}).call([&] {
    plat::setFieldText(plot(), kDataBarCase, "");
    LastHorizPosition = 0;
    TrackPointerOverPlot();
    EXPECT_FALSE(field(kDataBarCase).empty());
  });
  plat::test::run(s, [] {
    while (plat::test::stepsLeft() > 0) plat::pump();
  });
}

TEST_F(DataBarGui, ValueFieldKeptWhenThePlotIsNotInFront) {
  UpdateDataBar(0.0f, 0);
  const std::string value = field(kDataBarValue);
  BuildWINDOW(0, 4, "Other", 100, 600, 400, 700, kKindDocument, 1);
  ASSERT_NE(plat::frontWindow(), plot());
  UpdateDataBar(61.0f * FileInfoFLOATS[slot_][kInfoInterval], 61);
  EXPECT_EQ(field(kDataBarValue), value);
  EXPECT_EQ(field(kDataBarCase).rfind(" # 61;", 0), 0u);
  EXPECT_FLOAT_EQ(tmFloat, GetDatum(slot_, ActiveChannel, 61));
  // A case past the file's end is held to it.
  UpdateDataBar(0.0f, nCases[slot_] + 500);
  EXPECT_EQ(field(kDataBarCase).rfind(" #" + NumText(static_cast<double>(nCases[slot_])) + ";", 0), 0u);
}

TEST_F(DataBarGui, AllValuesFieldsSkipTheActiveChannel) {
  for (int c = 1; c <= 3; ++c) OverlayArray[slot_][3][c] = 1;
  ActiveChannel = 2;
  AllValues = 1;
  DoALLVALUES(0);
  ASSERT_TRUE(plat::controlExists(plot(), 201));
  ASSERT_TRUE(plat::controlExists(plot(), 202));
  EXPECT_FALSE(plat::controlExists(plot(), 203));
  EXPECT_EQ(plat::controlRect(plot(), 201), (plat::Rect{223, 19, 323, 31}));
  EXPECT_EQ(plat::controlRect(plot(), 202), (plat::Rect{223, 31, 323, 43}));
  EXPECT_EQ(plat::focusedField(plot()), 0);
  WriteAllValues(40);
  EXPECT_EQ(plat::fieldText(plot(), 201), " ch 1: " + StringFormatter(GetDatum(slot_, 1, 40)));
  EXPECT_EQ(plat::fieldText(plot(), 202), " ch 3: " + StringFormatter(GetDatum(slot_, 3, 40)));
  // The pointer writes them too.
  Script s;
  s.moveTo(plot(), {200, 120}).call([&] {
    TrackPointerOverPlot();
    EXPECT_EQ(plat::fieldText(plot(), 202), " ch 3: " + StringFormatter(GetDatum(slot_, 3, caseAt(200))));
  });
  plat::test::run(s, [] {
    while (plat::test::stepsLeft() > 0) plat::pump();
  });
  CloseValFields();
  EXPECT_FALSE(plat::controlExists(plot(), 201));
  EXPECT_FALSE(plat::controlExists(plot(), 202));
}

TEST_F(DataBarGui, StandardPlacement) {
  avbx = 10;
  avby = 10;
  Script s;
  s.call([] {
     EXPECT_EQ(plat::title(4), "Channel Values");
     EXPECT_EQ(plat::controlTitle(4, kPlaceStandardButton), "Standard Placement");
     EXPECT_EQ(plat::controlTitle(4, kPlaceMouseButton), "Place With Mouse");
   })
      .click(4, kPlaceStandardButton);
  plat::test::run(s, [] { PlaceALLVALUES(); });
  EXPECT_EQ(avbx, 223);
  EXPECT_EQ(avby, plotcore::kLabelLineBottom + 1 - 12) << "the first field starts below the label line";
  EXPECT_FALSE(plat::windowExists(4));
}

TEST_F(DataBarGui, PlacementWithTheMouse) {
  OverlayArray[slot_][3][1] = OverlayArray[slot_][3][3] = 1;
  ActiveChannel = 2;
  AllValues = 1;
  Script s;
  s.click(4, kPlaceMouseButton)
      .moveTo(plot(), {5, 5})       // outside: the arrow
      .moveTo(plot(), {300, 100})
      // Press and release between two looks at the pointer: the click is still taken.
      .clickAt(plot(), {300, 100});
  plat::test::run(s, [] { DoALLVALUES(1); });
  EXPECT_EQ(avbx, 244);
  EXPECT_EQ(avby, 80);
  EXPECT_FLOAT_EQ(tlev, 100.0f);
  EXPECT_EQ(AllValues, 1);
  EXPECT_EQ(plat::controlRect(plot(), 201), (plat::Rect{244, 92, 344, 104}));
  EXPECT_LE(plat::queuedEvents(), 1u) << "the placing press does not reach the plot: only its release is left";
}

TEST_F(DataBarGui, ClosingThePlacementTurnsTheDisplayOff) {
  OverlayArray[slot_][3][1] = 1;
  AllValues = 1;
  Script s;
  s.closeBox(4);
  plat::test::run(s, [] { DoALLVALUES(1); });
  EXPECT_EQ(AllValues, 0);
  EXPECT_FALSE(plat::controlExists(plot(), 201));
}

TEST_F(DataBarGui, ViewMenuTogglesTheDisplay) {
  ActiveChannel = 1;
  OverlayArray[slot_][3][3] = 1;
  Script s;
  s.click(kChannelSelectWindow, 2).click(kChannelSelectWindow, kSelectDone).click(4, kPlaceStandardButton);
  plat::test::run(s, [] { ASSERT_TRUE(RunCommand(Cmd::ToggleAllValues)); });
  EXPECT_EQ(AllValues, 1);
  EXPECT_EQ(OverlayArray[slot_][3][2], 1);
  EXPECT_EQ(OverlayArray[slot_][3][3], 1);
  EXPECT_TRUE(plat::controlExists(plot(), 201));
  EXPECT_TRUE(plat::controlExists(plot(), 202));
  ASSERT_TRUE(RunCommand(Cmd::ToggleAllValues));
  EXPECT_EQ(AllValues, 0);
  EXPECT_FALSE(plat::controlExists(plot(), 201));
}

}  // namespace

// Picking a Y level: the data bar shows "value" and the number under the
// pointer, the frame's bottom rows take no click, the pick ends with "tick";
// Escape gives the pick up.
TEST_F(DataBarGui, PickingAYLevelShowsItsValueAndIgnoresTheFrameBottom) {
  prefsArray[kPrefSoundLevel] = 25;
  DrawPlot(0, 0, 0);
  float got = 0;
  bool picked = false;
  Script s;
  s.clickAt(plot(), {200, BottomOfPlotArea - 1})   // on the frame's bottom rows: no pick
      .moveTo(plot(), {200, 100})
      .clickAt(plot(), {200, 100});
  plat::test::run(s, [&] { got = GetGscale(0, &picked); });
  EXPECT_TRUE(picked);
  EXPECT_FLOAT_EQ(got, GscaleValue(100));
  EXPECT_EQ(field(kDataBarValue), "value " + StringFormatter(GscaleValue(100)));
  // A long value is set smaller rather than run past its box.
  SetDataBarValueText("value -1.2345678e+15");
  plat::test::saveArtifact(plat::test::windowImage(plot()).copy(0, 0, 400, 18), "databar-long-value.png");
  EXPECT_TRUE(testsupport::SoundPlayed("tick"));

  plat::test::clearRecorders();
  Script left;
  left.key(plot(), 27);
  plat::test::run(left, [&] { GetGscale(0, &picked); });
  EXPECT_FALSE(picked);
  EXPECT_FALSE(testsupport::SoundPlayed("tick"));
}
