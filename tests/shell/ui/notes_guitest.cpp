// The notes window driven headlessly: what it lists, choosing a note, the
// notes file written through Save Notes, and the ways out.
#include "shell/ui/notes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "support/gui_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/notes_text.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

namespace fs = std::filesystem;

namespace {

using plat::test::Script;

class NotesGui : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    SetSchemeDefaults();
    prefsArray[kPrefColourDisplay] = 1;
    prefsArray[kPrefSoundLevel] = 25;
    gNotesHooks = {};
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    ASSERT_EQ(AllocateSlot(kSlot, 500, 2), StoreStatus::Ok);
    FileName[kSlot] = "run 12.orl";
    ASSERT_EQ(AddNote(kSlot, {"40", "10:00:40", "animal placed in chamber"}), StoreStatus::Ok);
    ASSERT_EQ(AddNote(kSlot, {"220", "10:03:40", "door\topened\rbriefly \xA5 30\xA1" "C"}), StoreStatus::Ok);
    ASSERT_EQ(AddNote(kSlot, {"900", "10:15:00", "past the end"}), StoreStatus::Ok);
    TheFileInUse = kSlot;
    dir_ = testsupport::MakeScratchDir("corvimet-notes-");
    plat::test::clearRecorders();
  }
  void TearDown() override {
    gNotesHooks = {};
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    TheFileInUse = kNoFile;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  static constexpr int16_t kSlot = 3;
  fs::path dir_;
};

TEST_F(NotesGui, ListsTheNotesOfTheFileWithTheClickedOneChosen) {
  const int32_t help = HelpSubject = 44;
  Script s;
  s.call([] {
     EXPECT_EQ(plat::title(kNotesWindow), "Notes for 'run 12.orl'");
     EXPECT_EQ(plat::viewText(kNotesWindow, kNotesView), NotesListText(NotesArray[kSlot]));
     EXPECT_EQ(plat::popupValue(kNotesWindow, kNotesPopup), 2);
     EXPECT_EQ(plat::itemCount(kNotesPopupMenu), 3);
     EXPECT_EQ(plat::buttonState(kNotesWindow, kNotesSave), 1);
     EXPECT_EQ(HelpSubject, kHelpNotes);
     plat::test::saveArtifact(plat::test::windowImage(kNotesWindow), "notes.png");
   })
      .click(kNotesWindow, kNotesDone);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 2); });
  EXPECT_FALSE(plat::windowExists(kNotesWindow));
  EXPECT_EQ(HelpSubject, help);
  EXPECT_EQ(NotesArray[kSlot].size(), 3u) << "the window never edits the notes";
}

TEST_F(NotesGui, ChoosingANoteBringsItsCaseIntoThePlot) {
  testsupport::InstallProgramWiring();
  testsupport::PlotGeometryKeeper keep;
  FreeSlot(kSlot);
  ASSERT_EQ(AllocateSlot(kSlot, 5000, 2), StoreStatus::Ok);
  ASSERT_EQ(AddNote(kSlot, {"40", "10:00:40", "animal placed in chamber"}), StoreStatus::Ok);
  ASSERT_EQ(AddNote(kSlot, {"4000", "11:06:40", "door opened"}), StoreStatus::Ok);
  ASSERT_EQ(AddNote(kSlot, {"9000", "12:30:00", "past the end"}), StoreStatus::Ok);
  OpenPlotWindow(kSlot);
  FileSHORTS[kSlot][kShortCompressed] = 0;   // the paged view, at its first segment
  FileSHORTS[kSlot][kShortSegment] = 1;
  const auto segmentOf = [](int32_t k) { return static_cast<int16_t>((k - 1) / ScreenWidth + 1); };
  Script s;
  s.popup(kNotesWindow, kNotesPopup, 2)
      .call([&] { EXPECT_EQ(FileSHORTS[kSlot][kShortSegment], segmentOf(4000)); })
      .popup(kNotesWindow, kNotesPopup, 1)
      .call([&] { EXPECT_EQ(FileSHORTS[kSlot][kShortSegment], 1); })
      .popup(kNotesWindow, kNotesPopup, 3)
      .call([&] {
        EXPECT_EQ(FileSHORTS[kSlot][kShortSegment], segmentOf(5000)) << "a note past the end shows the last case";
        EXPECT_TRUE(plat::windowExists(kNotesWindow)) << "choosing a note keeps the window";
      })
      .key(kNotesWindow, 27);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 0); });
  EXPECT_FALSE(plat::windowExists(kNotesWindow));
  testsupport::ClearWiring();
  ClosePlotWindow(kSlot);
}

TEST_F(NotesGui, SaveNotesWritesOneLinePerNote) {
  const fs::path out = dir_ / "run 12 notes.txt";
  fs::path cancelled = dir_ / "never.txt";
  Script s;
  s.click(kNotesWindow, kNotesSave)
      .cancelFileDialog()
      .click(kNotesWindow, kNotesSave)
      .answerSave(out)
      .click(kNotesWindow, kNotesDone);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 0); });
  ASSERT_TRUE(fs::exists(out));
  EXPECT_EQ(testsupport::ReadFileBytes(out),
            "40\t10:00:40\tanimal placed in chamber\r"
            "220\t10:03:40\tdoor opened briefly \xA5 30\xA1" "C\r"
            "900\t10:15:00\tpast the end\r");
  EXPECT_FALSE(fs::exists(cancelled));
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path(), out) << "no temporary file is left behind";
}

TEST_F(NotesGui, AFailedSaveIsReportedAndLeavesWhatWasThere) {
  // A folder of that name cannot be replaced by the file.
  const fs::path out = dir_ / "notes.txt";
  fs::create_directories(out);
  { std::ofstream(out / "keep", std::ios::binary) << "kept"; }
  Script s;
  s.click(kNotesWindow, kNotesSave)
      .answerSave(out)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kAlertWindow));
        EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage).rfind("The notes could not be saved.", 0), 0u);
      })
      .click(kAlertWindow, kAlertOK)
      .call([] { EXPECT_TRUE(plat::windowExists(kNotesWindow)) << "the notes stay open after the alert"; })
      .click(kNotesWindow, kNotesDone);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 0); });
  EXPECT_TRUE(fs::is_directory(out));
  EXPECT_EQ(testsupport::ReadFileBytes(out / "keep"), "kept");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

TEST_F(NotesGui, AFileWithoutNotesOffersNothingToSave) {
  ClearNotes(kSlot);
  Script s;
  s.call([] {
     EXPECT_EQ(plat::viewText(kNotesWindow, kNotesView), "This file has no notes.\r");
     EXPECT_EQ(plat::buttonState(kNotesWindow, kNotesSave), 0);
     EXPECT_FALSE(plat::controlExists(kNotesWindow, kNotesPopup));
   })
      .closeBox(kNotesWindow);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 1); });
  EXPECT_FALSE(plat::windowExists(kNotesWindow));
}

TEST_F(NotesGui, NoWindowForASlotWithoutAFile) {
  Script none;
  plat::test::run(none, [] {
    ShowNotesWindow(5, 0);
    ShowNotesWindow(-1, 0);
    ShowNotesWindow(kSlotCount, 0);
  });
  EXPECT_FALSE(plat::windowExists(kNotesWindow));
}

TEST_F(NotesGui, GoingToAnotherWindowClosesTheNotes) {
  BuildWINDOW(1, kPlotWindowBase + kSlot, "run 12.orl", 94, 63, 800, 500, kKindDocument, 0);
  Script s;
  s.activate(kPlotWindowBase + kSlot);
  plat::test::run(s, [] { ShowNotesWindow(kSlot, 0); });
  EXPECT_FALSE(plat::windowExists(kNotesWindow));
  EXPECT_EQ(plat::frontWindow(), kPlotWindowBase + kSlot);
}

}  // namespace
