// The comments box under the plot window: its text and title, the editor
// opened by activating it, the box's return under the plot, the missing
// template, and the single-view title of the plot window.
#include <gtest/gtest.h>

#include "support/window_support.h"

#include <string>

#include "datafiles/native_binary.h"
#include "editing/ui/comments.h"
#include "platform/controls.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/desklayout.h"
#include "plot/trace.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

const std::string kNotes = "Mouse 3, fasted 4 h\r\xA5 chamber at 30\xA1" "C";

class CommentsBoxGui : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForBlockWindowTest();
    prefsArray[2] = 0;
    ASSERT_TRUE(testsupport::LoadDemo(&slot_));
    CommentContainer[slot_] = kNotes;
    OpenPlotWindow(slot_);
  }
  void TearDown() override {
    plat::setNibTemplateAvailable("commentsBox", true);
    testsupport::ClearWiring();
    InstallInfoLineHooks();
    gDispatchHooks = {};
    ClearCommandRegistry();
    clearStore();
  }
  static void clearStore() { testsupport::ClearStore(); }
  int plot() const { return PlotWindowId(slot_); }
  static std::string boxText() { return plat::viewText(kCommentsWindow, kCommentsText); }

  int16_t slot_ = -1;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(CommentsBoxGui, ShowsTheFileCommentsUnderThePlot) {
  DRAWCOMMENTS();
  ASSERT_TRUE(plat::windowExists(kCommentsWindow));
  EXPECT_EQ(plat::title(kCommentsWindow), "COMMENTS for  '" + FileName[slot_] + " '");
  EXPECT_EQ(boxText(), kNotes) << "Mac Roman bytes arrive unchanged";
  EXPECT_EQ(plat::frontWindow(), plot()) << "the box does not take the focus";
  const plat::Rect r = plat::contentRect(kCommentsWindow);
  EXPECT_EQ(r.left, plat::contentRect(plot()).left + kResultsColumnWidth) << "right of the statistics column";
  EXPECT_EQ(r.top, plat::frameRect(plot()).top + 10 + BottomOfPlotArea + 96);
  EXPECT_EQ(r.height(), 45);
  plat::test::saveArtifact(plat::test::windowImage(kCommentsWindow), "comments-box.png");
}

TEST_F(CommentsBoxGui, HiddenOrTemplateMissingGivesNoBox) {
  plat::disposeWindow(kCommentsWindow);   // the plot's first drawing built one
  prefsArray[2] = 1;
  DRAWCOMMENTS();
  EXPECT_FALSE(plat::windowExists(kCommentsWindow));
  prefsArray[2] = 0;
  plat::setNibTemplateAvailable("commentsBox", false);
  DRAWCOMMENTS();
  EXPECT_FALSE(plat::windowExists(kCommentsWindow));
  EXPECT_FALSE(plat::windowExists(kAlertWindow));
}

TEST_F(CommentsBoxGui, FileWithoutCommentsShowsAnEmptyBox) {
  CommentContainer[slot_].clear();
  DRAWCOMMENTS();
  ASSERT_TRUE(plat::windowExists(kCommentsWindow));
  EXPECT_EQ(boxText(), "");
  EXPECT_EQ(plat::title(kCommentsWindow), "COMMENTS for  '" + FileName[slot_] + " '");
}

TEST_F(CommentsBoxGui, ActivatingTheBoxOpensTheEditorAndShowsTheSavedText) {
  testsupport::InstallProgramWiring();   // the editor is the editing commands'
  DRAWCOMMENTS();
  Script s;
  s.call([] { EXPECT_TRUE(plat::windowExists(kCommentsEditorWindow)); })
      .type(kCommentsEditorWindow, kCommentsTextView, "Lights off.\r")
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { EXPECT_TRUE(BlockOrCommentsWindowActivated(kCommentsWindow)); });
  EXPECT_NE(CommentContainer[slot_].find("Lights off.\r"), std::string::npos);
  EXPECT_NE(CommentContainer[slot_].find("\xA5 chamber"), std::string::npos);
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow));
  ASSERT_TRUE(plat::windowExists(kCommentsWindow));
  EXPECT_EQ(boxText(), CommentContainer[slot_]) << "the box is rebuilt from the saved text";
  EXPECT_EQ(plat::frontWindow(), plot());
}

TEST_F(CommentsBoxGui, MovedBoxReturnsUnderThePlotAtItsSize) {
  DRAWCOMMENTS();
  const plat::Rect home = plat::contentRect(kCommentsWindow);
  plat::setContentRect(kCommentsWindow, {600, 200, 900, 260});
  FixTheCommentsWindow();
  EXPECT_EQ(plat::contentRect(kCommentsWindow), (plat::Rect{home.left, home.top, home.left + 300, home.top + 60}));
  // After the plot window moved, the box follows it.
  const plat::Rect p = plat::contentRect(plot());
  plat::moveWindow(plot(), {p.left + 30, p.top + 20});
  FixTheCommentsWindow();
  EXPECT_EQ(plat::contentRect(kCommentsWindow).left, home.left + 30);
  EXPECT_EQ(plat::contentRect(kCommentsWindow).top, home.top + 20);
}

TEST_F(CommentsBoxGui, ShowCommentsToggle) {
  DRAWCOMMENTS();
  ASSERT_TRUE(RunCommand(Cmd::ToggleComments));
  EXPECT_EQ(prefsArray[2], 1);
  EXPECT_FALSE(plat::windowExists(kCommentsWindow));
  ASSERT_TRUE(RunCommand(Cmd::ToggleComments));
  EXPECT_TRUE(plat::windowExists(kCommentsWindow));
}

TEST_F(CommentsBoxGui, SingleViewTitle) {
  RestoreWindowName();
  EXPECT_EQ(plat::title(plot()), "Plot Window " + std::to_string(slot_ + 1) + ":  '" + FileName[slot_] + "' ( " +
                                     std::to_string(nChannels[slot_]) + " Channels, " +
                                     std::to_string(nCases[slot_]) + " Samples ) ");
}

}  // namespace
