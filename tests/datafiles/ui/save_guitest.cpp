// The save commands driven headlessly: a save and reopen round trip through
// the open and Save As dialogs, Save of an imported file going to Save As,
// failed writes reported with the old file kept, text exports and channel
// subsets chosen in the dialog, and the compacted table.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/scratch.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>

#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/save.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/markers.h"
#include "plot/ui/plotwindow.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/worktables.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "plot/ui/plot_commands.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

DataFileImage sample(int32_t cases) {
  DataFileImage img;
  img.cases = cases;
  img.interval = 0.5f;
  img.startDate = "03-15-2024";
  img.startTime = "23:59:59";
  img.comments = "synthetic\rtwo lines";
  for (int c = 0; c < 3; ++c) {
    std::vector<float> v(static_cast<size_t>(cases) + 1);
    for (int32_t i = 0; i <= cases; ++i) v[static_cast<size_t>(i)] = static_cast<float>(c * 10 + i) / 4.0f;
    img.data.push_back(std::move(v));
    img.labels.push_back(FitLabel("chan " + std::to_string(c + 1)));
    img.travel.push_back({});
  }
  img.markers = {{1, 1}, {cases, 2}};
  img.notes = {{"2", "00:00:01", "a note"}};
  img.flow = 500.0f;
  return img;
}

class Saving : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefRecordEdits] = 0;
    ClearMailbox();
    gSaveAsMemory = {};
    RegisterPlotCommands();   // a reopened file gets its plot window
    dir_ = testsupport::MakeScratchDir("corvimet-save-");
  }
  void TearDown() override {
    testsupport::ClearStore();
    ParseArray.release();
    parse[0] = 0;
    fs::remove_all(dir_);
  }
  fs::path write(const std::string& name, int32_t cases = 100) {
    const fs::path p = dir_ / name;
    const DataFileImage img = sample(cases);
    EXPECT_EQ(WriteNativeBinary(p, ViewOfImage(img)), FileStatus::Ok);
    return p;
  }
  // The open command with a scripted file answer.
  static int16_t open(const fs::path& p) {
    Script s;
    s.answerOpen(p);
    plat::test::run(s, [] {
      TypeOfFile = kFileKindNativeAlt;
      MergeThisFile = 0;
      FILELOADING();
    });
    return static_cast<int16_t>(TheFileInUse);
  }
  static int16_t save(const Script& s, uint16_t a, uint16_t b, uint16_t c) {
    int16_t r = -1;
    plat::test::run(s, [&] { r = SAVEDATAFILE(a, b, c); });
    return r;
  }
  fs::path dir_;
};

TEST_F(Saving, SaveAsAndReopenRoundTrip) {
  const int16_t a = open(write("first.orl"));
  ASSERT_EQ(a, 0);
  SetChannelLabel(a, 2, "edited label");
  PutDatum(a, 3, 50, -7.25f);
  // Two markers on one case: the file's own and an interpolation mark.
  SetMarkers(a, {{1, 'S'}, {50, 'A'}, {100, 203}});
  ASSERT_EQ(AddInterpolationPair(a, 50, 60), StoreStatus::Ok);
  ASSERT_EQ(AddInterpolationPair(a, 90, 100), StoreStatus::Ok);
  ASSERT_EQ(MarkersArray[a], (std::vector<MarkerRecord>{{1, 'S'}, {50, 'A'}, {50, 200}, {60, 199}, {90, 200},
                                                        {100, 203}, {100, 199}}));
  FileSHORTS[a][kShortChanged] = 1;

  Script s;
  s.call([] {
     ASSERT_TRUE(plat::windowExists(kSaveAsWindow));
     EXPECT_EQ(plat::title(kSaveAsWindow), "Save File As");
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsNative), 2);
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsBlock), 0) << "no block: greyed";
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsCase), 1) << "the time columns a text format would write";
     plat::test::saveArtifact(plat::test::windowImage(kSaveAsWindow), "save-as-dialog.png");
   })
      .click(kSaveAsWindow, kSaveAsHelp)
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(dir_ / "second.orl");
  EXPECT_EQ(save(s, 1, 0, 0), 0);
  EXPECT_FALSE(plat::windowExists(kSaveAsWindow));
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{kHelpSaveAs});
  EXPECT_EQ(FileName[a], "second.orl");
  EXPECT_EQ(FileSHORTS[a][kShortChanged], 0);
  EXPECT_EQ(plat::title(kPlotWindowBase + a), "File 1: 'second.orl' ( 3 channels,  100 samples ) ") << "the full title, new name";

  prefsArray[kPrefMarkersShown] = 1;
  const int16_t b = open(dir_ / "second.orl");
  ASSERT_EQ(b, 1);
  ASSERT_EQ(nCases[b], nCases[a]);
  ASSERT_EQ(nChannels[b], 3);
  for (int16_t c = 1; c <= 3; ++c) {
    EXPECT_EQ(gPointersToFileData[b][c], gPointersToFileData[a][c]) << c;
    EXPECT_EQ(RetrieveLabelOf(b, c), RetrieveLabelOf(a, c));
  }
  EXPECT_EQ(MarkersArray[b], MarkersArray[a]);
  EXPECT_EQ(FileSHORTS[b][kShortMarkerCount], 7);
  // Both markers of a case are drawn: one line, the labels side by side.
  const plotcore::MarkerDrawing d = plotcore::LayoutMarkers(PlotViewState(b), MarkersArray[b],
                                                            plat::contentSize(kPlotWindowBase + b).w, BottomOfPlotArea);
  std::vector<std::string> labels;
  for (const auto& l : d.labels) labels.push_back(l.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"S", "A \xC8", "\xC7", "\xC8", "3 \xC7"}));
  plat::test::saveArtifact(plat::test::windowImage(kPlotWindowBase + b), "save-reopened-markers.png");
  prefsArray[kPrefMarkersShown] = 0;
  EXPECT_EQ(NotesArray[b], NotesArray[a]);
  EXPECT_EQ(CommentContainer[b], CommentContainer[a]);
  EXPECT_EQ(FileInfoFLOATS[b][kInfoFlow], 500.0f);
}

TEST_F(Saving, SaveOfAnImportedTextFileGoesToSaveAs) {
  const int16_t a = open(write("data.orl"));
  ASSERT_EQ(a, 0);
  // As the text importer leaves it: the slot's file is the text file.
  const fs::path csv = dir_ / "data.csv";
  { std::ofstream(csv, std::ios::binary) << "x,y\r1,2\r3,4\r"; }
  FilePath[a] = csv.string();
  FileName[a] = "data.csv";
  FileSHORTS[a][kShortChanged] = 1;

  Script s;
  s.call([] {
     ASSERT_TRUE(plat::windowExists(kSaveAsWindow)) << "Save asks where, it does not overwrite";
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsNative), 2);
   })
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(dir_ / "data.orl");
  EXPECT_EQ(save(s, 0, 1, 0), 0);
  EXPECT_EQ(testsupport::ReadFileBytes(csv), "x,y\r1,2\r3,4\r");
  EXPECT_EQ(FilePath[a], (dir_ / "data.orl").string());

  // Now it is a native file: Save writes in place without a question.
  PutDatum(a, 1, 3, 99.0f);
  FileSHORTS[a][kShortChanged] = 1;
  EXPECT_EQ(save(Script{}, 0, 1, 0), 0);
  DataFileImage back;
  ASSERT_EQ(ReadNativeBinary(dir_ / "data.orl", &back), FileStatus::Ok);
  EXPECT_EQ(back.data[0][3], 99.0f);
  EXPECT_EQ(FileSHORTS[a][kShortChanged], 0);
}

TEST_F(Saving, AFailedWriteIsReportedAndKeepsTheOldFile) {
  const fs::path p = write("big.orl", 20'000);
  const int16_t a = open(p);
  ASSERT_EQ(a, 0);
  const std::string old = testsupport::ReadFileBytes(p);
  PutDatum(a, 1, 1, 5.0f);
  FileSHORTS[a][kShortChanged] = 1;

  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 8 * 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  Script s;
  s.call([] {
     ASSERT_TRUE(plat::windowExists(kAlertWindow));
     EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("the old file is unchanged"), std::string::npos);
   })
      .click(kAlertWindow, kAlertOK);
  const int16_t r = save(s, 0, 1, 0);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(testsupport::ReadFileBytes(p), old);
  EXPECT_EQ(FileSHORTS[a][kShortChanged], 1) << "still unsaved";
  EXPECT_EQ(GetDatum(a, 1, 1), 5.0f);

  // Save As into a folder that does not exist: the alert, and the dialog stays.
  Script t;
  t.click(kSaveAsWindow, kSaveAsSave)
      .answerSave(dir_ / "nowhere" / "x.orl")
      .click(kAlertWindow, kAlertOK)
      .call([] { EXPECT_TRUE(plat::windowExists(kSaveAsWindow)); })
      .click(kSaveAsWindow, kSaveAsCancel);
  EXPECT_EQ(save(t, 1, 0, 0), 1);
  EXPECT_EQ(FilePath[a], p.string());
}

TEST_F(Saving, CommaExportWithChosenColumnsIsACopy) {
  const int16_t a = open(write("exp.orl", 3));
  ASSERT_EQ(a, 0);
  FileSHORTS[a][kShortChanged] = 1;
  Script s;
  // The first Save As after start lost the elapsed-time column: the tick
  // that was on looked clear under the binary format, and was clicked off.
  s.call([] {
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsElapsed), 2) << "its tick shows before a text format is chosen";
     EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsCase), 1);
   })
      .click(kSaveAsWindow, kSaveAsComma)
      .call([] { EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsCase), 1); })
      .click(kSaveAsWindow, kSaveAsCase)
      .click(kSaveAsWindow, kSaveAsElapsed)   // on by default: now off
      .click(kSaveAsWindow, kSaveAsClock)
      .click(kSaveAsWindow, kSaveAsDate)
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(dir_ / "exp.csv");
  EXPECT_EQ(save(s, 1, 0, 0), 0);
  EXPECT_EQ(testsupport::ReadFileBytes(dir_ / "exp.csv"),
            "Case,Clock Time,Date,chan 1,chan 2,chan 3\n"
            "1,23:59:59.5,03/15/2024,0.25,2.75,5.25\n"
            "2,0:00:00.0,03/16/2024,0.5,3,5.5\n"
            "3,0:00:00.5,03/16/2024,0.75,3.25,5.75\n");
  EXPECT_EQ(FileName[a], "exp.orl");
  EXPECT_EQ(FileSHORTS[a][kShortChanged], 1) << "an export does not save the file";
  EXPECT_EQ(gSaveAsMemory.format, kSaveAsComma) << "the next Save As starts from this choice";
}

TEST_F(Saving, SelectedChannelsOnlyWritesTheChosenOnes) {
  const int16_t a = open(write("sel.orl"));
  ASSERT_EQ(a, 0);
  Script s;
  s.click(kSaveAsWindow, kSaveAsSelected)
      .click(kChannelSelectWindow, 2)
      .click(kChannelSelectWindow, kSelectDone)
      .call([] { EXPECT_EQ(plat::buttonState(kSaveAsWindow, kSaveAsSelected), 2); })
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(dir_ / "two.orl");
  EXPECT_EQ(save(s, 1, 0, 0), 0);
  DataFileImage back;
  ASSERT_EQ(ReadNativeBinary(dir_ / "two.orl", &back), FileStatus::Ok);
  ASSERT_EQ(back.channels(), 2);
  EXPECT_EQ(TrimTrailingBlanks(back.labels[1]), "chan 3");
  EXPECT_EQ(FileName[a], "sel.orl") << "a file without every channel is a copy";
}

TEST_F(Saving, CompactedTable) {
  const int16_t a = open(write("c.orl", 30));
  ASSERT_EQ(a, 0);
  Script none;
  none.click(kAlertWindow, kAlertOK);
  EXPECT_EQ(save(none, 0, 0, 1), 1) << "nothing compacted yet";

  parse[0] = 10;
  parse[1] = 3;
  for (int g = 0; g < 3; ++g) ParseArray(1, g) = static_cast<float>(g);
  Script s;
  s.click(kChannelSelectWindow, kSelectNone)
      .click(kChannelSelectWindow, 1)
      .click(kChannelSelectWindow, kSelectDone)
      .answerSave(dir_ / "c compacted.txt");
  EXPECT_EQ(save(s, 0, 0, 1), 0);
  EXPECT_EQ(testsupport::ReadFileBytes(dir_ / "c compacted.txt"), "Time (sec) \tchan 1\tS.D.\n2.5\t0\t0\n7.5\t1\t0\n12.5\t2\t0\n");
}

}  // namespace
