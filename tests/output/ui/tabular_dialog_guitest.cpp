// The windows of the tabular file driven headlessly: the options window's
// check-box rules, the results-per-line radios, and the notes window.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "output/results.h"
#include "output/ui/destination.h"
#include "output/ui/tabular_dialog.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int W = kOutputOptionsWindow;

class TabularDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetDEFAULTS();
    ClearMailbox();
  }
  static int state(int id) { return plat::buttonState(W, id); }
  static bool options(const Script& s) {
    bool r = false;
    plat::test::run(s, [&r] { r = TabularOptionsDialog(); });
    return r;
  }
};

TEST_F(TabularDialogs, OptionsWindowShowsAndTogglesTheSettings) {
  // A loaded setting with note 2 but not note 1 shows (and writes) both.
  Note_2 = 1;
  Note_1 = 0;
  Script s;
  s.call([] {
     EXPECT_EQ(Note_1, 1);
     EXPECT_EQ(state(kTabNote1), 2);
     EXPECT_EQ(state(kTabNote2), 2);
     EXPECT_EQ(state(kTabAnalysisMode), 2) << "analysis name is on by default";
     EXPECT_EQ(state(kTabStartEndTime), 1);
     EXPECT_EQ(state(kTabMultiple), 0) << "disabled without the Excel format";
     plat::test::saveArtifact(plat::test::windowImage(W), "tabular_options.png");
   })
      .click(W, kTabNote1)   // note 1 off takes note 2 with it
      .call([] {
        EXPECT_EQ(Note_1, 0);
        EXPECT_EQ(Note_2, 0);
        EXPECT_EQ(state(kTabNote2), 1);
      })
      .click(W, kTabDayOfYear)
      .click(W, kTabCalendarDate)   // one date column at a time
      .call([] {
        EXPECT_EQ(prefsArray[50], 2);
        EXPECT_EQ(state(kTabDayOfYear), 1);
        EXPECT_EQ(state(kTabCalendarDate), 2);
      })
      .click(W, kTabCalendarDate)
      .call([] { EXPECT_EQ(prefsArray[50], 0); })
      .click(W, kTabExcel)
      .click(W, kTabMultiple)
      .call([] { EXPECT_EQ(state(kTabMultiple), 2); })
      .click(W, kTabExcel)
      .call([] {
        EXPECT_EQ(state(kTabMultiple), 0);
        EXPECT_EQ(UseMultipleResults, 1) << "kept while the box is disabled";
      });
  for (int id : {kTabHour, kTabElapsed, kTabStartEndTime, kTabDuration, kTabMass, kTabStartEndCases, kTabChannelFile,
                 kTabAnalysisMode})
    s.click(W, id);
  s.click(W, kTabOK);
  EXPECT_TRUE(options(s));
  EXPECT_FALSE(plat::windowExists(W));
  EXPECT_EQ(prefsArray[40], 1);
  EXPECT_EQ(prefsArray[41], 1);
  EXPECT_EQ(tabTime + deltatime + tabmass + tabStart + tabChan, 5);
  EXPECT_EQ(tabMode, 0);
  EXPECT_EQ(UseExcelFormat, 0);
}

TEST_F(TabularDialogs, OptionsWindowKeysAndCloseBox) {
  Script help;
  help.key(W, '?').call([] { EXPECT_TRUE(plat::windowExists(W)); }).key(W, 'x');
  EXPECT_TRUE(options(help));
  ASSERT_FALSE(plat::test::helpSubjects().empty());
  EXPECT_EQ(plat::test::helpSubjects().back(), kHelpTabularOptions);

  Script close;
  close.click(W, kTabMass).closeBox(W);
  EXPECT_FALSE(options(close));
  EXPECT_EQ(tabmass, 1) << "clicks made before the close stay";
}

TEST_F(TabularDialogs, ResultsPerLineChoosesOneCount) {
  NMultipleResults = 7;
  Script s;
  s.call([] {
     EXPECT_EQ(NMultipleResults, 2);
     EXPECT_EQ(plat::buttonState(W, 2), 2);
   })
      .click(W, 5)
      .click(W, 15)
      .call([] {
        EXPECT_EQ(plat::buttonState(W, 5), 1);
        EXPECT_EQ(plat::buttonState(W, 15), 2);
      })
      .click(W, kPerRowDone);
  bool ok = false;
  plat::test::run(s, [&ok] { ok = ResultsPerLineDialog(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(NMultipleResults, 15);

  Script cancel;
  cancel.click(W, 4).closeBox(W);
  plat::test::run(cancel, [&ok] { ok = ResultsPerLineDialog(); });
  EXPECT_FALSE(ok);

  Script ret;
  ret.click(W, 9).key(W, 13);
  plat::test::run(ret, [&ok] { ok = ResultsPerLineDialog(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(NMultipleResults, 9);
}

TEST_F(TabularDialogs, NotesWindowOffersTheLastNotesAndKeepsTheTyped) {
  ScreenWidth = 0;   // no plot window: the notes window must still be usable
  BottomOfPlotArea = 300;
  TabularOptions o;
  o.note1 = o.note2 = true;
  note1 = "old one";
  note2 = "old two";
  const std::string longNote(300, 'n');
  Script s;
  s.call([&longNote] {
     ASSERT_TRUE(plat::windowExists(kTabularNotesWindow));
     EXPECT_EQ(plat::title(kTabularNotesWindow), "Notes for Tabular Data File");
     const plat::Rect r = plat::contentRect(kTabularNotesWindow);
     EXPECT_GE(r.width(), 400);
     EXPECT_EQ(plat::fieldText(kTabularNotesWindow, kNoteField1), "old one");
     EXPECT_EQ(plat::fieldText(kTabularNotesWindow, kNoteField2), "old two");
     EXPECT_EQ(plat::focusedField(kTabularNotesWindow), kNoteField1);
     plat::setFieldText(kTabularNotesWindow, kNoteField1, longNote);
   })
      .key(kTabularNotesWindow, 9)
      .call([] { EXPECT_EQ(plat::focusedField(kTabularNotesWindow), kNoteField2); })
      .call([] { plat::setFieldText(kTabularNotesWindow, kNoteField2, "b\rc"); })
      .key(kTabularNotesWindow, 13);
  std::string fields;
  plat::test::run(s, [&] { fields = TabFileComments(o); });
  EXPECT_FALSE(plat::windowExists(kTabularNotesWindow));
  EXPECT_EQ(note1.size(), kNoteMaxLength);
  EXPECT_EQ(fields, std::string(kNoteMaxLength, 'n') + "\tb c\t");

  // The close box accepts the notes as they stand.
  o.note2 = false;
  Script close;
  close.closeBox(kTabularNotesWindow);
  plat::test::run(close, [&] { fields = TabFileComments(o); });
  EXPECT_EQ(fields, std::string(kNoteMaxLength, 'n') + "\t");
}

}  // namespace
