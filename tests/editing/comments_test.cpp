// The comments editor's sizing and the replacement of a file's comments.
#include "editing/comments.h"

#include <gtest/gtest.h>

#include "shell/globals.h"
#include "shell/store.h"

namespace {

TEST(CommentLines, CountsCarriageReturnsOnly) {
  EXPECT_EQ(CountCommentLines(""), 0);
  EXPECT_EQ(CountCommentLines("one line"), 0);
  EXPECT_EQ(CountCommentLines("a\rb\rc\r"), 3);
  EXPECT_EQ(CountCommentLines("a\nb\r\n"), 1) << "line feeds are text, not line ends";
}

constexpr int kPlotBottom = 450;   // global y of the plot area's bottom
constexpr int kScreen = 900;
constexpr int kMinTop = 44;

TEST(CommentsPlacement, ShortTextGetsAMinimumWindowBelowThePlot) {
  EXPECT_EQ(PlaceCommentsWindow(0, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{kPlotBottom + 35, 300}));
  EXPECT_EQ(PlaceCommentsWindow(14, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{kPlotBottom + 35, 300}))
      << "288 pixels is below 300";
}

TEST(CommentsPlacement, MediumTextOverlapsThePlotBottom) {
  EXPECT_EQ(PlaceCommentsWindow(15, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{kPlotBottom - 75, 304}));
  EXPECT_EQ(PlaceCommentsWindow(27, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{kPlotBottom - 75, 496}));
}

TEST(CommentsPlacement, LongTextStartsAtOneHundredAndIsCapped) {
  EXPECT_EQ(PlaceCommentsWindow(40, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{100, 704}));
  EXPECT_EQ(PlaceCommentsWindow(40, kPlotBottom, 768, kMinTop), (CommentsPlacement{100, 648}));
  EXPECT_EQ(PlaceCommentsWindow(2'000'000'000, kPlotBottom, kScreen, kMinTop), (CommentsPlacement{100, 780}))
      << "no overflow for absurd line counts";
}

TEST(CommentsPlacement, StaysOnASmallScreen) {
  const CommentsPlacement p = PlaceCommentsWindow(0, 700, 768, kMinTop);
  EXPECT_EQ(p.height, 300);
  EXPECT_LE(p.top + p.height, 768);
  EXPECT_GE(PlaceCommentsWindow(0, -200, 768, kMinTop).top, kMinTop);
}

TEST(ReplaceCommentsTest, MarksTheFileOnlyWhenTheTextDiffers) {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  ASSERT_EQ(AllocateSlot(2, 10, 1), StoreStatus::Ok);
  CommentContainer[2] = "calibrated\r";
  FileSHORTS[2][kShortChanged] = 0;
  EXPECT_FALSE(ReplaceComments(2, "calibrated\r"));
  EXPECT_EQ(FileSHORTS[2][kShortChanged], 0);
  EXPECT_TRUE(ReplaceComments(2, "calibrated\rmouse 3, \xA5 fasted\r"));
  EXPECT_EQ(CommentContainer[2], "calibrated\rmouse 3, \xA5 fasted\r");
  EXPECT_EQ(FileSHORTS[2][kShortChanged], 1);
  EXPECT_FALSE(ReplaceComments(3, "no file here"));
  EXPECT_EQ(CommentContainer[3], "");
  TheFileInUse = 2;
  EXPECT_EQ(HowManyLinesInComments(), 2);
  TheFileInUse = kNoFile;
  EXPECT_EQ(HowManyLinesInComments(), 0);
  FreeSlot(2);
}

}  // namespace
