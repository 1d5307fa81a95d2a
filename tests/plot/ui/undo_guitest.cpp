// Edit > Undo puts the samples back, and every window that shows the
// channel shows them again: the plot (single view or stacked strips), the
// block window and the comments box with its log line.
#include <gtest/gtest.h>

#include "support/program_support.h"

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

// The block window kept showing the edited trace after Undo.
TEST(UndoRedraw, EveryWindowShowingTheChannelShowsTheRestoredSamples) {
  for (const bool stacked : {false, true}) {
    SCOPED_TRACE(stacked ? "stacked view" : "single view");
    const int16_t slot = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot, 0);
    const int plot = PlotWindowId(slot);
    BeginBlock[slot] = 1000;
    EndBlock[slot] = 2000;
    FileSHORTS[slot][kShortBlockState] = 2;
    chanB = 1;
    if (stacked) {
      for (int16_t c = 1; c <= 4; ++c) OverlayArray[slot][1][c] = 1;
      FileSHORTS[slot][kShortView] = 1;
    }
    RefreshSCREEN();
    DRAWBLOCK();
    const QImage plotBefore = plat::test::portImage(plot).copy(0, 20, ScreenWidth, BottomOfPlotArea - 40);
    const QImage blockBefore = plat::test::portImage(kBlockWindow);

    ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
    for (int32_t k = BeginBlock[slot]; k <= EndBlock[slot]; ++k) PutDatum(slot, 1, k, GetDatum(slot, 1, k) * 3 + 5);
    ChangedChan = 1;
    UpdateSCREEN(0, 0);
    ASSERT_NE(plat::test::portImage(kBlockWindow), blockBefore) << "the edit shows";

    plat::test::run(plat::test::Script{}, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 1)); });
    EXPECT_EQ(plat::test::portImage(kBlockWindow), blockBefore) << "the block window shows the restored samples";
    EXPECT_EQ(plat::test::portImage(plot).copy(0, 20, ScreenWidth, BottomOfPlotArea - 40), plotBefore);
    EXPECT_NE(plat::viewText(kCommentsWindow, kCommentsText).find("UNDO last change"), std::string::npos);
    plat::test::saveArtifact(plat::test::deskImage(), stacked ? "undo-stacked.png" : "undo-single.png");
  }
}

}  // namespace
