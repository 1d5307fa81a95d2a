// The comments editor driven headlessly: Done, Save Edits, the close box,
// leaving for another window, the summary laid over it, resizing, and the
// fallback when its window template is missing.
#include "editing/ui/comments.h"
#include "editing/ui/filedata.h"

#include <gtest/gtest.h>

#include "support/window_support.h"

#include <algorithm>
#include <string>

#include "datafiles/native_binary.h"
#include "editing/ui/fileinfo.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/resources.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"

namespace {

using plat::test::Script;

// Mac Roman with CR line ends, bullets and a degree sign: must come back byte for byte.
const std::string kNotes = "Mouse 3, fasted 4 h\r\xA5 chamber at 30\xA1" "C\r\rbaseline drift < 0.01%";

using testsupport::SoundPlayed;

class CommentsGui : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForDemoDialogTest();
    gDispatchHooks = {};
    slot_ = testsupport::ShowDemoInBarePlot();
    ASSERT_GE(slot_, 0);
    CommentContainer[slot_] = kNotes;
    gDispatchHooks.redrawComments = [this] { ++commentsRedrawn_; };
    plat::test::clearRecorders();
  }
  void TearDown() override {
    plat::setNibTemplateAvailable("commentsWindow", true);
    UnregisterCommand(Cmd::Save);
    gDispatchHooks = {};
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    TheFileInUse = kNoFile;
  }
  int plot() const { return kPlotWindowBase + slot_; }
  bool changed() const { return FileSHORTS[slot_][kShortChanged] != 0; }
  static std::string viewText() { return plat::viewText(kCommentsEditorWindow, kCommentsTextView); }
  static void setView(const std::string& t) { plat::setViewText(kCommentsEditorWindow, kCommentsTextView, t); }

  int16_t slot_ = -1;
  int commentsRedrawn_ = 0;
};

TEST_F(CommentsGui, DoneKeepsTheEditsAndMarksTheFile) {
  Script s;
  s.call([] {
     EXPECT_EQ(plat::title(kCommentsEditorWindow), "Comments for  'demo-respirometry.orl '");
     EXPECT_EQ(viewText(), kNotes) << "the text arrives exactly";
     EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
     EXPECT_EQ(plat::controlTitle(kCommentsEditorWindow, kCommentsSave), "Save Edits");
     EXPECT_EQ(plat::controlTitle(kCommentsEditorWindow, kCommentsShowAD), "Show A-D Data");
     EXPECT_EQ(plat::controlTitle(kCommentsEditorWindow, kCommentsDone), "Done");
   })
      .type(kCommentsEditorWindow, kCommentsTextView, "Lights off at 18:00.\r")
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kCommentsEditorWindow), "comments-editor.png"); })
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_NE(CommentContainer[slot_].find("Lights off at 18:00.\r"), std::string::npos)
      << plat::macRomanToUtf8(CommentContainer[slot_]);
  EXPECT_NE(CommentContainer[slot_].find("\xA5 chamber at 30\xA1" "C\r\r"), std::string::npos);
  EXPECT_TRUE(changed());
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow));
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
  EXPECT_EQ(commentsRedrawn_, 1);
  EXPECT_TRUE(SoundPlayed("click"));
  EXPECT_EQ(click, 1);
}

TEST_F(CommentsGui, DoneWithoutEditsLeavesTheFileUnchanged) {
  Script s;
  s.click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(CommentContainer[slot_], kNotes);
  EXPECT_FALSE(changed());
}

TEST_F(CommentsGui, CloseBoxDropsEditsSinceTheLastSave) {
  std::string atSave;
  RegisterCommand(Cmd::Save, [&](int16_t) {
    atSave = CommentContainer[slot_];
    FileSHORTS[slot_][kShortChanged] = 0;   // as a successful save leaves it
  });
  Script s;
  s.call([] { setView("first draft"); })
      .click(kCommentsEditorWindow, kCommentsSave)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kCommentsEditorWindow)) << "Save Edits leaves the editor open";
        EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
        setView("second draft, never saved");
      })
      .closeBox(kCommentsEditorWindow);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(atSave, "first draft") << "the text is copied back before the file is saved";
  EXPECT_EQ(CommentContainer[slot_], "first draft");
  EXPECT_FALSE(changed());
}

TEST_F(CommentsGui, FileMenuSaveSavesToo) {
  int saves = 0;
  RegisterCommand(Cmd::Save, [&](int16_t) { ++saves; });
  plat::defineMenu(kMenuFile, "File", std::vector<plat::MenuItemSpec>(6, plat::MenuItemSpec{.title = "item"}));
  Script s;
  s.call([] { setView("saved through the menu"); })
      .menu(kMenuFile, 6)
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(CommentContainer[slot_], "saved through the menu");
}

TEST_F(CommentsGui, SaveUnavailableWarnsAndKeepsTheEdits) {
  Script s;
  s.call([] { setView("kept") ; })
      .click(kCommentsEditorWindow, kCommentsSave)
      .click(kAlertWindow, kAlertOK)
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(CommentContainer[slot_], "kept");
  EXPECT_TRUE(changed());
}

TEST_F(CommentsGui, ActivatingAnotherWindowKeepsTheEditsLikeDone) {
  Script s;
  s.call([] { setView("left by clicking the plot"); }).activate(plot());
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(CommentContainer[slot_], "left by clicking the plot");
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow));
}

TEST_F(CommentsGui, SummaryOverTheEditorClosesWithIt) {
  Script s;
  s.click(kCommentsEditorWindow, kCommentsShowAD)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kFileInfoWindow));
        EXPECT_EQ(plat::currentPortWindow(), kCommentsEditorWindow);
        plat::test::saveArtifact(plat::test::deskImage(), "comments-with-summary.png");
      })
      .activate(kFileInfoWindow)   // reading the summary does not end the editor
      .closeBox(kFileInfoWindow)
      .call([] {
        EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
        EXPECT_TRUE(plat::windowExists(kCommentsEditorWindow));
      })
      .click(kCommentsEditorWindow, kCommentsShowAD)
      .activate(kCommentsEditorWindow)   // the summary came to the front
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow));
}

TEST_F(CommentsGui, ResizingKeepsTheTextAndMovesTheButtons) {
  Script s;
  s.call([] { setView("typed before the resize"); })
      .call([] {
        plat::Rect r = plat::contentRect(kCommentsEditorWindow);
        plat::setContentRect(kCommentsEditorWindow, {r.left, r.top, r.left + 800, r.top + 420});
      })
      .call([] {
        EXPECT_EQ(plat::controlRect(kCommentsEditorWindow, kCommentsDone),
                  (plat::Rect{800 - 100, 420 - 35, 800 - 20, 420 - 15}));
        EXPECT_EQ(viewText(), "typed before the resize");
      })
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(CommentContainer[slot_], "typed before the resize");
}

TEST_F(CommentsGui, WindowSizeFollowsTheText) {
  int emptyHeight = 0, emptyTop = 0, longHeight = 0, longTop = 0;
  CommentContainer[slot_].clear();
  Script s;
  s.call([&] {
     emptyHeight = plat::contentSize(kCommentsEditorWindow).h;
     emptyTop = plat::contentRect(kCommentsEditorWindow).top;
   })
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_EQ(emptyHeight, 300);
  EXPECT_EQ(emptyTop, plat::contentRect(plot()).top + BottomOfPlotArea + 35 > 900 - 4 - 300
                          ? 900 - 4 - 300
                          : plat::contentRect(plot()).top + BottomOfPlotArea + 35);
  EXPECT_FALSE(changed());

  std::string forty;
  for (int i = 0; i < 40; ++i) forty += "line " + std::to_string(i) + "\r";
  CommentContainer[slot_] = forty;
  Script t;
  t.call([&] {
     longHeight = plat::contentSize(kCommentsEditorWindow).h;
     longTop = plat::contentRect(kCommentsEditorWindow).top;
     EXPECT_EQ(plat::contentRect(kCommentsEditorWindow).left, plat::contentRect(plot()).left + 30);
     EXPECT_EQ(plat::contentSize(kCommentsEditorWindow).w, 660);
   })
      .click(kCommentsEditorWindow, kCommentsDone);
  plat::test::run(t, [] { FixCOMMENTS(0); });
  EXPECT_EQ(longHeight, 704);
  EXPECT_EQ(longTop, 100);
  EXPECT_EQ(CommentContainer[slot_], forty);
}

TEST_F(CommentsGui, FromTheFileDataDialogItReturnsThere) {
  Script s;
  s.click(kFileDataWindow, kEditCommentsButton)
      .call([] { setView("edited from the dialog"); })
      .click(kCommentsEditorWindow, kCommentsDone)
      .call([] {
        EXPECT_EQ(plat::currentPortWindow(), kFileDataWindow);
        EXPECT_FALSE(plat::windowVisible(kToolbarWindow)) << "the dialog keeps the toolbar hidden";
      })
      .click(kFileDataWindow, kFileDataDone);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_EQ(CommentContainer[slot_], "edited from the dialog");
  EXPECT_TRUE(changed());
}

TEST_F(CommentsGui, MissingTemplateLeavesTheCommentsAlone) {
  plat::setNibTemplateAvailable("commentsWindow", false);
  bool plainWindow = false;
  Script s;
  s.call([&] {
     plainWindow = plat::windowExists(kCommentsEditorWindow) &&
                   !plat::controlExists(kCommentsEditorWindow, kCommentsTextView);
     EXPECT_TRUE(plat::windowExists(kAlertWindow));
   })
      .click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { FixCOMMENTS(0); });
  EXPECT_TRUE(plainWindow);
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow)) << "no window is left without a loop";
  EXPECT_EQ(CommentContainer[slot_], kNotes);
  EXPECT_FALSE(changed());
  EXPECT_EQ(commentsRedrawn_, 1) << "the rest of the ending runs as usual";
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
}

TEST_F(CommentsGui, NoFileNoEditor) {
  TheFileInUse = kNoFile;
  plat::test::run(Script{}, [] { FixCOMMENTS(0); });
  EXPECT_FALSE(plat::windowExists(kCommentsEditorWindow));
}

}  // namespace
