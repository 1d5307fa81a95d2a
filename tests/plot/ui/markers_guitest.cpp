// Markers placed through the "Insert Marker[s]" panel of the running
// program, the marker limit, and a note button opening its note.
#include <gtest/gtest.h>

#include "support/window_support.h"

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/markers.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/notes.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class MarkerPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWiredTest();
    ASSERT_EQ(OpenNewFileSlot(1000, 1, &f_), StoreStatus::Ok);
    float* d = ChannelData(f_, 1);
    for (int32_t k = 0; k <= 1000; ++k) d[k] = static_cast<float>(k % 250);
    FileName[f_] = "events.orl";
    TheFileInUse = static_cast<uint16_t>(f_);
    OpenPlotWindow(f_);
    win_ = PlotWindowId(f_);
  }
  void TearDown() override {
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  testsupport::PlotGeometryKeeper keptGeometry_;
  int16_t f_ = -1;
  int win_ = 0;
};

TEST_F(MarkerPanel, ClicksRightToLeftComeOutSortedAndARepeatReplaces) {
  ASSERT_EQ(Xstep, 1);
  Script s;
  s.click(kResultsWindow, kMarkerOK)
      .clickAt(win_, {300, 150})
      .clickAt(win_, {200, 150})
      .clickAt(win_, {100, 150})
      // The panel's buttons answer once the panel is in front again.
      .activate(kResultsWindow)
      .click(kResultsWindow, kMarkerSpanStart)
      .clickAt(win_, {200, 150})
      .call([this] { plat::test::saveArtifact(plat::test::windowImage(win_), "markers_inserting.png"); })
      .activate(kResultsWindow)
      .click(kResultsWindow, kMarkersDone);
  plat::test::run(s, [] { ASSERT_TRUE(DoMENU(kMenuMarkers, 2)); });
  const std::vector<MarkerRecord> want{{100, 'S'}, {200, 200}, {300, 'S'}};
  EXPECT_EQ(MarkersArray[f_], want);
  EXPECT_EQ(MarkerCount(f_), 3);
  EXPECT_EQ(ChannelData(f_, 0)[200], 200.0f);
  EXPECT_EQ(ChannelData(f_, 0)[201], 0.0f);
  EXPECT_EQ(LastInsertedMarker, 200);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  plat::test::saveArtifact(plat::test::windowImage(win_), "markers_drawn.png");

  // The close box before "New Marker OK" places nothing.
  Script closed;
  closed.closeBox(kResultsWindow);
  plat::test::run(closed, [] { DoMENU(kMenuMarkers, 2); });
  EXPECT_EQ(MarkersArray[f_], want);
}

// A marker inside the block was drawn white on the white band.
TEST_F(MarkerPanel, AMarkerInsideTheBlockReadsOnItsBand) {
  Script s;
  s.click(kResultsWindow, kMarkerOK).clickAt(win_, {200, 150}).activate(kResultsWindow).click(kResultsWindow,
                                                                                              kMarkersDone);
  plat::test::run(s, [] { ASSERT_TRUE(DoMENU(kMenuMarkers, 2)); });
  ASSERT_EQ(MarkerCount(f_), 1);
  testsupport::MarkBlock(f_, 150, 250);
  plat::test::run(Script{}, [] { RefreshSCREEN(); });
  const QImage img = plat::test::portImage(win_);
  const QColor ground(255 - (plotBackColor.r >> 8), 255 - (plotBackColor.g >> 8), 255 - (plotBackColor.b >> 8));
  ASSERT_EQ(img.pixelColor(170, BottomOfPlotArea - 30), ground) << "the band";
  // Low on the band, where the ramp's trace does not pass: the marker line.
  int marked = 0;
  for (int x = 195; x <= 205; ++x)
    for (int y = BottomOfPlotArea - 60; y <= BottomOfPlotArea - 10; ++y) marked += img.pixelColor(x, y) != ground;
  EXPECT_GT(marked, 10);
  plat::test::saveArtifact(plat::test::windowImage(win_), "marker-in-block.png");
}

TEST_F(MarkerPanel, ArrowKeysPageWhileThePanelIsOpen) {
  FreeSlot(f_);
  ASSERT_EQ(OpenNewFileSlot(3 * ScreenWidth + 10, 1, &f_), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(f_);
  OpenPlotWindow(f_);
  win_ = PlotWindowId(f_);
  FileSHORTS[f_][kShortCompressed] = 0;
  FileSHORTS[f_][kShortSegment] = 1;
  testsupport::OpenStandInToolbar(kToolbarWindow);
  Script s;
  s.click(kResultsWindow, kMarkerOK)
      .key(win_, 29)
      .call([] { EXPECT_FALSE(plat::windowVisible(kToolbarWindow)) << "hidden until the panel closes"; })
      .clickAt(win_, {100, 150})
      .key(win_, 28)
      .key(win_, 28)
      .clickAt(win_, {5, 150})
      .activate(kResultsWindow)
      .click(kResultsWindow, kMarkersDone);
  plat::test::run(s, [] { DoMENU(kMenuMarkers, 2); });
  // Left from segment 1 wraps round to the last (4th) segment.
  const std::vector<MarkerRecord> want{{ScreenWidth + 100, 'S'}, {3 * ScreenWidth + 5, 'S'}};
  EXPECT_EQ(MarkersArray[f_], want);
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
}

// A character typed after "New Marker OK" was shown by the panel while the
// next click still wrote the old one into the file.
TEST_F(MarkerPanel, EachClickPlacesTheCharacterTheFieldHoldsAndTheDataBarFollows) {
  Script s;
  s.click(kResultsWindow, kMarkerOK)
      .clickAt(win_, {100, 150})
      // Typed while the plot stays in front.
      .call([] { plat::setFieldText(kResultsWindow, kMarkerField, "X"); })
      .moveTo(win_, {250, 150})
      .call([] {})   // the look at the pointer that follows it
      .call([this] { EXPECT_EQ(plat::fieldText(win_, 54).substr(0, 6), " # 250") << "the data bar follows"; })
      .clickAt(win_, {250, 150})
      .call([] {})   // its release
      .call([] { plat::setFieldText(kResultsWindow, kMarkerField, ""); })
      .clickAt(win_, {300, 150})   // an empty field places nothing
      .activate(kResultsWindow)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "marker-panel.png"); })
      .click(kResultsWindow, kMarkersDone);
  plat::test::run(s, [] { DoMENU(kMenuMarkers, 2); });
  const std::vector<MarkerRecord> want{{100, 'S'}, {250, 'X'}};
  EXPECT_EQ(MarkersArray[f_], want);
}

// The panel's rounding opened page 1 for a zoom on page 2.
TEST_F(MarkerPanel, AZoomedViewOpensThePanelOnThePageThatHoldsTheZoom) {
  FreeSlot(f_);
  ASSERT_EQ(OpenNewFileSlot(3 * ScreenWidth + 10, 1, &f_), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(f_);
  OpenPlotWindow(f_);
  win_ = PlotWindowId(f_);
  FileSHORTS[f_][kShortZoomed] = 1;
  zoomleft = ScreenWidth + 100;
  zoomright = ScreenWidth + 300;
  int16_t page = 0;
  Script s;
  s.call([&] { page = FileSHORTS[f_][kShortSegment]; })
      .click(kResultsWindow, kMarkerOK)
      .clickAt(win_, {150, 150})
      .activate(kResultsWindow)
      .click(kResultsWindow, kMarkersDone);
  plat::test::run(s, [] { DoMENU(kMenuMarkers, 2); });
  EXPECT_EQ(page, 2);
  EXPECT_EQ(MarkersArray[f_], (std::vector<MarkerRecord>{{ScreenWidth + 150, 'S'}}));
  EXPECT_EQ(FileSHORTS[f_][kShortZoomed], 1) << "zoomed again afterwards";
}

TEST_F(MarkerPanel, TheMarkerAfterTheLastRoomIsRefusedAndNothingChanges) {
  // A file long enough for a full list, shown paged at its last segment,
  // where no case holds a marker yet.
  FreeSlot(f_);
  ASSERT_EQ(OpenNewFileSlot(40000, 1, &f_), StoreStatus::Ok);
  std::vector<MarkerRecord> full;
  for (int32_t k = 1; k <= kMaxMarkers; ++k) full.push_back({k, 'A'});
  SetMarkers(f_, full);
  TheFileInUse = static_cast<uint16_t>(f_);
  OpenPlotWindow(f_);
  FileSHORTS[f_][kShortCompressed] = 0;
  FileSHORTS[f_][kShortSegment] = FileSHORTS[f_][kShortSegments];
  ASSERT_EQ(MarkerCount(f_), kMaxMarkers);
  ThisMarkerCharacter = 'B';
  Script s;
  s.click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { MarkerMOUSE(10); });
  EXPECT_EQ(MarkerCount(f_), kMaxMarkers);
  EXPECT_EQ(MarkersArray[f_].back(), (MarkerRecord{kMaxMarkers, 'A'}));
}

TEST_F(MarkerPanel, ANoteButtonOpensItsNote) {
  NotesArray[f_] = {{"400", "10:00:00", "animal moved"}, {"800", "10:05:00", "lights off"}};
  NumberOfNotes[f_] = 2;
  DrawPlot(0, 0, 0);
  ASSERT_TRUE(plat::controlExists(win_, kFirstNoteButton + 1));
  const plat::Rect r = plat::controlRect(win_, kFirstNoteButton + 1);
  EXPECT_EQ((r.left + r.right) / 2, 800 * Xstep);
  Script s;
  s.call([] { EXPECT_TRUE(plat::windowExists(kNotesWindow)); }).closeBox(kNotesWindow);
  plat::test::run(s, [] { EXPECT_TRUE(HandlePlotControlClick(kFirstNoteButton + 1)); });
}

}  // namespace
