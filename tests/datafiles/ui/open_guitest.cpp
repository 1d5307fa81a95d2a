// Opening files through the file-type dialog and the open command: the demo
// recording, damaged and foreign files, the 16-file limit, the text import
// with its column dialog, and the notices of load-time repairs.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/scratch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cmath>
#include <limits>
#include <string>

#include <sys/stat.h>

#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/datafiles_commands.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/textimport_dialog.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/about.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "shell/ui/kitglobals.h"
#include "platform/app.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "plot/ui/plot_commands.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

class Opening : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    SetSchemeDefaults();
    clearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    click = 0;   // the comments editor leaves its button clicks sounding
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    prefsArray[kPrefRecordEdits] = 0;
    RunScript = 0;
    MergeThisFile = 0;
    MAINMENU();
    InstallShellHooks();
    RegisterHelpCommands();
    RegisterOpenCommands();
    RegisterPlotCommands();   // a loaded file gets its plot window
    dir_ = testsupport::MakeScratchDir("corvimet-open-");
  }
  void TearDown() override {
    testsupport::ClearStore();
    ClearCommandRegistry();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    gStoreHooks = {};
    gOpenHooks = {};
    ForgetDocuments();
    fs::remove_all(dir_);
  }
  static void clearStore() {
    testsupport::ClearStore();
    FileJustLoaded = 0;
    timstring[1].clear();
  }
  static void open(const Script& s, int16_t kind) {
    plat::test::run(s, [kind] {
      TypeOfFile = kind;
      FILELOADING();
    });
  }
  fs::path dir_;
};

TEST_F(Opening, DemoThroughTheFileTypeDialogFillsASlotAndOpensItsWindow) {
  ASSERT_TRUE(fs::exists(kDemo)) << kDemo;
  Script s;
  s.click(kFileTypeWindow, kFileTypeHelp)
      .call([] {
        EXPECT_EQ(plat::buttonState(kFileTypeWindow, kFileTypeRiduz), 0);   // not built: offered greyed
        EXPECT_EQ(plat::controlTitle(kFileTypeWindow, kFileTypeQuitOrCancel), "Cancel");
        plat::test::saveArtifact(plat::test::windowImage(kFileTypeWindow), "filetype-dialog.png");
      })
      .click(kFileTypeWindow, kFileTypeNative)
      .answerOpen(kDemo);
  plat::test::run(s, [] {
    FileTYPE(0, 120, 200, 1, 0);
    EXPECT_EQ(TypeOfFile, kFileKindNativeAlt);
    FILELOADING();
  });
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{kHelpOpening});
  EXPECT_EQ(Cancel_Open, 0);
  ASSERT_EQ(TheFileInUse, 0);
  EXPECT_TRUE(SlotHoldsFile(0));
  EXPECT_GE(nCases[0], 2);
  EXPECT_EQ(FileName[0], "demo-respirometry.orl");
  EXPECT_EQ(FileJustLoaded, 1);
  EXPECT_EQ(timstring[1], kNativeFileTypeText);
  ASSERT_TRUE(plat::windowExists(PlotWindowId(0)));
  EXPECT_NE(plat::title(PlotWindowId(0)).find("'demo-respirometry.orl'"), std::string::npos);
  EXPECT_EQ(plat::frontWindow(), PlotWindowId(0));
  EXPECT_EQ(FileSHORTS[0][kShortPlotBuilt], 1);
  // The Window menu lists it, checked; the menus that need a file are on.
  ASSERT_EQ(plat::itemCount(kMenuWindow), 1);
  EXPECT_EQ(plat::itemTitle(kMenuWindow, 1), "demo-respirometry.orl");
  EXPECT_TRUE(plat::itemChecked(kMenuWindow, 1));
  EXPECT_TRUE(plat::menuEnabled(kMenuEdit));
  EXPECT_TRUE(plat::itemEnabled(kMenuFile, 5));    // Close
  EXPECT_FALSE(plat::itemEnabled(kMenuFile, 10));  // Close Several: one file
  EXPECT_FALSE(plat::itemEnabled(kMenuOpenOther, 3));   // Riduz: not readable
  EXPECT_FALSE(plat::itemEnabled(kMenuFile, 3));        // no merge yet
  EXPECT_EQ(plat::itemCount(kMenuChannel), nChannels[0]);
  plat::test::saveArtifact(plat::test::windowImage(PlotWindowId(0)), "plot-placeholder.png");
}

TEST_F(Opening, CancelledDialogsLoadNothing) {
  Script s;
  s.click(kFileTypeWindow, kFileTypeQuitOrCancel).closeBox(kFileTypeWindow).click(kFileTypeWindow, kFileTypeText)
      .cancelFileDialog();
  plat::test::run(s, [] {
    FileTYPE(0, 120, 200, 1, 0);
    EXPECT_EQ(TypeOfFile, 0);
    FileTYPE(0, 120, 200, 1, 0);
    EXPECT_EQ(TypeOfFile, 0);
    FileTYPE(0, 120, 200, 1, 0);
    EXPECT_EQ(TypeOfFile, kFileKindText);
    FILELOADING();
  });
  EXPECT_EQ(Cancel_Open, 1);
  EXPECT_EQ(CountOpenFiles(), 0);
  EXPECT_FALSE(plat::windowExists(kFileTypeWindow));
}

TEST_F(Opening, MergeFormOffersOnlyWhatAMergeReads) {
  Script s;
  s.call([] {
     EXPECT_TRUE(plat::controlExists(kFileTypeWindow, kFileTypeNative));
     EXPECT_FALSE(plat::controlExists(kFileTypeWindow, kFileTypeText));
     EXPECT_FALSE(plat::controlExists(kFileTypeWindow, kFileTypeClassic));
   }).click(kFileTypeWindow, kFileTypeNative);
  plat::test::run(s, [] { FileTYPE(0, 120, 200, 0, 1); });
  EXPECT_EQ(TypeOfFile, kFileKindNativeAlt);
}

TEST_F(Opening, DamagedAndForeignFilesAreRefusedAndNothingChanges) {
  Script first;
  first.answerOpen(kDemo);
  open(first, kFileKindNativeAlt);
  ASSERT_EQ(CountOpenFiles(), 1);
  const int32_t cases = nCases[0];
  const float sample = GetDatum(0, 1, 10);
  FileSHORTS[0][kShortChanged] = 1;

  const std::string demo = slurp(kDemo);
  const fs::path truncated = dir_ / "truncated.orl", foreign = dir_ / "notes.bin";
  spit(truncated, demo.substr(0, demo.size() / 2));
  spit(foreign, "PK\x03\x04 certainly not a recording");
  for (const fs::path& bad : {truncated, foreign}) {
    plat::test::clearRecorders();
    std::string message;
    Script s;
    s.answerOpen(bad)
        .call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); })
        .click(kAlertWindow, kAlertOK);
    open(s, kFileKindNativeAlt);
    EXPECT_EQ(message, "File format seems incorrect.") << bad;
    EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"scream"}) << bad;
    EXPECT_EQ(Cancel_Open, 1);
    EXPECT_EQ(CountOpenFiles(), 1);
    EXPECT_EQ(TheFileInUse, 0);
    EXPECT_EQ(nCases[0], cases);
    EXPECT_EQ(GetDatum(0, 1, 10), sample);
    EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
    EXPECT_FALSE(plat::windowExists(PlotWindowId(1)));
    EXPECT_EQ(plat::itemCount(kMenuWindow), 1);
  }
  // A named pipe hung the open in the first look at its bytes: it is
  // refused as a file that cannot be opened, as a recording or as text.
  const fs::path pipe = dir_ / "pipe.csv";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const int16_t kind : {kFileKindNativeAlt, kFileKindText}) {
    std::string message;
    Script p;
    p.answerOpen(pipe)
        .call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); })
        .click(kAlertWindow, kAlertOK);
    open(p, kind);
    EXPECT_EQ(message, FileStatusText(FileStatus::CannotOpen)) << kind;
    EXPECT_EQ(CountOpenFiles(), 1);
    EXPECT_EQ(TheFileInUse, 0);
  }
  // The classic form insists on a native file whatever the name says.
  Script s;
  const fs::path csv = dir_ / "run.csv";
  spit(csv, "a,b\n1,2\n3,4\n");
  s.answerOpen(csv).click(kAlertWindow, kAlertOK);
  open(s, kFileKindClassic);
  EXPECT_EQ(CountOpenFiles(), 1);
}

TEST_F(Opening, TheSeventeenthFileIsRefusedBeforeTheFileDialog) {
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) {
    ASSERT_EQ(AllocateSlot(s, 10, 1), StoreStatus::Ok);
    FileName[s] = "f" + std::to_string(s);
  }
  TheFileInUse = 3;
  std::string message;
  Script s;
  // No file dialog may appear: the next answer would be taken out of turn.
  s.call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); }).click(kAlertWindow, kAlertOK);
  open(s, kFileKindNativeAlt);
  EXPECT_EQ(message, "Too many files open.");
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"bzot"});
  EXPECT_EQ(Cancel_Open, 1);
  EXPECT_EQ(TheFileInUse, 3);

  // A document gets the same answer.
  Script d;
  d.click(kAlertWindow, kAlertOK);
  int16_t slot = 0;
  plat::test::run(d, [&] { slot = LOADFILE(kDemo, kDetectKind); });
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(CountOpenFiles(), kMaxOpenFiles);

  // One slot free again: the file goes there.
  FreeSlot(7);
  Script ok;
  ok.answerOpen(kDemo);
  open(ok, kFileKindNativeAlt);
  EXPECT_EQ(TheFileInUse, 7);
  EXPECT_EQ(FileName[7], "demo-respirometry.orl");

  // Several chosen at once once opened only the first, without a word: each
  // opens while a slot is free, and the limit's alert stops the rest.
  FreeSlot(7);
  FreeSlot(9);
  const fs::path second = dir_ / "second.orl";
  fs::copy_file(kDemo, second);
  plat::test::clearRecorders();
  Script many;
  many.answerOpenMany({kDemo, second, kDemo}).click(kAlertWindow, kAlertOK);
  open(many, kFileKindNativeAlt);
  EXPECT_EQ(FileName[7], "demo-respirometry.orl");
  EXPECT_EQ(FileName[9], "second.orl");
  const auto& sounds = plat::test::soundsPlayed();
  EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "bzot"), 1) << "the limit's alert, once";
  EXPECT_EQ(CountOpenFiles(), kMaxOpenFiles);
  EXPECT_EQ(Cancel_Open, 0) << "two of the three were loaded";
}

TEST_F(Opening, TextImportThroughTheColumnDialog) {
  const fs::path csv = dir_ / "chamber.csv";
  spit(csv, "Chamber 3\r\ntime,O2 %,CO2 %,Flow\r\n0,20.9,0.03,500\r\n2,20.8,oops,501\r\n4,20.7,0.05,502\r\n"
            "6,20.6,0.06,503\r\n");
  int16_t fileDataArg = -1;
  RegisterCommand(Cmd::EditFileData, [&](int16_t arg) { fileDataArg = arg; });
  std::string notice;
  Script s;
  s.answerOpen(csv)
      .call([] {
        // The time column is guessed and left out; every other column ticked.
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextTimeRadio + 0), 2);
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextColumnBox + 0), 1);
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextColumnBox + 1), 2);
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextIntervalField), "2");
        plat::test::saveArtifact(plat::test::windowImage(kTextImportWindow), "text-import-dialog.png");
      })
      .click(kTextImportWindow, kTextColumnBox + 3)   // leave out Flow
      .click(kTextImportWindow, kTextImportOK)
      .call([&] {
        notice = plat::fieldText(kAlertWindow, kAlertMessage);
        plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), "text-import-unread-alert.png");
      })
      .click(kAlertWindow, kAlertOK);
  open(s, kFileKindText);
  ASSERT_EQ(Cancel_Open, 0);
  ASSERT_EQ(TheFileInUse, 0);
  EXPECT_EQ(nChannels[0], 2);
  EXPECT_EQ(nCases[0], 4);
  EXPECT_FLOAT_EQ(FileInfoFLOATS[0][kInfoInterval], 2.0f);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 1)), "O2 %");
  EXPECT_FLOAT_EQ(GetDatum(0, 2, 2), 0.0f);   // "oops" read as 0
  EXPECT_FLOAT_EQ(GetDatum(0, 1, 0), GetDatum(0, 1, 1));
  EXPECT_EQ(notice, "1 line above the column names was left out.\r1 cell was not a number and was read as 0: in \"CO2 %\" on "
                    "line 4.");
  EXPECT_EQ(timstring[1], kTextFileTypeText);
  EXPECT_EQ(fileDataArg, 0);   // the user names the channels next
  EXPECT_TRUE(plat::windowExists(PlotWindowId(0)));
}

// Files read back as a user expects them: an export of ours offers only its
// channels, and a quote that never closes is refused, naming its line.
TEST_F(Opening, TextReadBackOffersOnlyChannelsAndRefusesAnOpenQuote) {
  const fs::path csv = dir_ / "export.csv";
  spit(csv, "Case,Time (sec),Clock Time,Date,O2 %\n1,0,00:00:00,12/07/2026,20.9\n2,1,00:00:01,12/07/2026,20.8\n"
            "3,2,00:00:02,12/07/2026,20.7\n");
  Script s;
  s.answerOpen(csv)
      .call([] {
        // Case, Time (sec), Clock Time; the dates, text all down, are left out anyway.
        for (int k = 0; k < 3; ++k) EXPECT_NE(plat::buttonState(kTextImportWindow, kTextColumnBox + k), 2) << k;
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextColumnBox + 3), 2) << "O2 %";
      })
      .click(kTextImportWindow, kTextImportCancel);
  open(s, kFileKindText);
  EXPECT_FALSE(SlotHoldsFile(0));

  const fs::path quoted = dir_ / "quoted.csv";
  spit(quoted, "a,b\n1,2\n\"3,4\n5,6\n7,8\n");
  std::string alert;
  Script q;
  q.answerOpen(quoted)
      .key(kAlertWindow, 0)
      .call([&] { alert = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK);
  open(q, kFileKindText);
  EXPECT_FALSE(SlotHoldsFile(0));
  EXPECT_NE(alert.find("line 3"), std::string::npos) << alert;
}

// A file this program exported before its clock showed tenths: the elapsed
// column gives the interval, the clock the start (one interval before the
// first row), the date column the date. Picking the clock column as time
// follows its own whole-second steps.
TEST_F(Opening, TextImportOfAnExportTakesItsStartAndTheColumnThatResolvesTheInterval) {
  const fs::path csv = dir_ / "export.csv";
  spit(csv,
       "Case,Time (sec),Clock Time,Date,O2\n1,0.1,0:00:00,03/15/2024,20.9\n2,0.2,0:00:00,03/15/2024,20.8\n"
       "3,0.3,0:00:00,03/15/2024,20.7\n4,0.4,0:00:00,03/15/2024,20.6\n5,0.5,0:00:00,03/15/2024,20.5\n");
  RegisterCommand(Cmd::EditFileData, [](int16_t) {});
  Script s;
  s.answerOpen(csv)
      .call([] {
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextTimeRadio + 1), 2);
        EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextColumnBox + 2), 1) << "a clock is no channel";
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextIntervalField), "0.1");
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextTimeField), "00:00:00");
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextDateField), "03-15-2024");
      })
      .click(kTextImportWindow, kTextTimeRadio + 2)
      .call([] {
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextIntervalField), "1");
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextTimeField), "23:59:59");
        EXPECT_EQ(plat::fieldText(kTextImportWindow, kTextDateField), "03-14-2024");
      })
      .click(kTextImportWindow, kTextTimeRadio + 1)
      .click(kTextImportWindow, kTextImportOK);   // Case starts unticked: an export's own column
  open(s, kFileKindText);
  ASSERT_EQ(TheFileInUse, 0);
  EXPECT_EQ(nChannels[0], 1);
  EXPECT_EQ(FileInfoFLOATS[0][kInfoInterval], 0.1f);
  EXPECT_EQ(StartTime[0], "00:00:00");
  EXPECT_EQ(StartDate[0], "03-15-2024");
}

TEST_F(Opening, TextImportDialogChecksWhatTheUserTyped) {
  const fs::path csv = dir_ / "plain.txt";
  spit(csv, "1\t2\n3\t4\n5\t6\n");
  std::vector<std::string> alerts;
  // A key the alert ignores: the step waits until the alert is up.
  const auto noteAlert = [&] { alerts.push_back(plat::fieldText(kAlertWindow, kAlertMessage)); };
  Script s;
  s.answerOpen(csv)
      .click(kTextImportWindow, kTextColumnBox + 0)
      .click(kTextImportWindow, kTextColumnBox + 1)   // nothing ticked
      .click(kTextImportWindow, kTextImportOK)
      .key(kAlertWindow, 0)
      .call(noteAlert)
      .click(kAlertWindow, kAlertOK)
      .click(kTextImportWindow, kTextColumnBox + 1)
      .call([] { plat::setFieldText(kTextImportWindow, kTextIntervalField, "-1"); })
      .click(kTextImportWindow, kTextImportOK)
      .key(kAlertWindow, 0)
      .call(noteAlert)
      .click(kAlertWindow, kAlertOK)
      .call([] { plat::setFieldText(kTextImportWindow, kTextIntervalField, "0.25"); })
      .call([] { plat::setFieldText(kTextImportWindow, kTextTimeField, "25:00:00"); })
      .click(kTextImportWindow, kTextImportOK)
      .key(kAlertWindow, 0)
      .call(noteAlert)
      .click(kAlertWindow, kAlertOK)
      .call([] { plat::setFieldText(kTextImportWindow, kTextTimeField, "9:5:00"); })
      .call([] { plat::setFieldText(kTextImportWindow, kTextDateField, "02-30-2024"); })
      .click(kTextImportWindow, kTextImportOK)
      .key(kAlertWindow, 0)
      .call(noteAlert)
      .click(kAlertWindow, kAlertOK)
      .call([] { plat::setFieldText(kTextImportWindow, kTextDateField, "02-29-2024"); })
      .key(kTextImportWindow, 13);
  open(s, kFileKindText);
  ASSERT_EQ(alerts.size(), 4u);
  EXPECT_EQ(alerts[0], "No channels were chosen.");
  EXPECT_EQ(alerts[1], "The sample interval must be a number of seconds greater than 0.");
  EXPECT_EQ(alerts[2], "The start time must be a clock time written hh:mm:ss.");
  EXPECT_EQ(alerts[3], "The start date must be a date written mm-dd-yyyy.");
  ASSERT_EQ(TheFileInUse, 0);
  EXPECT_EQ(nChannels[0], 1);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 1)), "column 2");
  EXPECT_FLOAT_EQ(FileInfoFLOATS[0][kInfoInterval], 0.25f);
  EXPECT_EQ(StartTime[0], "09:05:00");
  EXPECT_EQ(StartDate[0], "02-29-2024");
}

TEST_F(Opening, TextImportCancelledLeavesNothingAndAThirtyThirdTickIsRefused) {
  std::string header = "t", row1 = "0", row2 = "1";
  for (int c = 1; c <= 32; ++c) {
    header += ",c" + std::to_string(c);
    row1 += "," + std::to_string(c);
    row2 += "," + std::to_string(c + 1);
  }
  const fs::path csv = dir_ / "wide.csv";
  spit(csv, header + "\n" + row1 + "\n" + row2 + "\n");
  Script s;
  s.answerOpen(csv)
      .click(kTextImportWindow, kTextNoTimeRadio)
      .click(kTextImportWindow, kTextColumnBox + 0)   // a 33rd channel
      .call([] { EXPECT_EQ(plat::buttonState(kTextImportWindow, kTextColumnBox + 0), 1); })
      .click(kTextImportWindow, kTextImportCancel);
  open(s, kFileKindText);
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"bzot"});
  EXPECT_EQ(Cancel_Open, 1);
  EXPECT_EQ(CountOpenFiles(), 0);
  EXPECT_FALSE(plat::windowExists(kTextImportWindow));
}

TEST_F(Opening, RepairsAreReportedAndTheIntervalCanBeTyped) {
  DataFileImage img;
  img.cases = 3;
  img.interval = 0.0f;
  img.startDate = "03-15-2024";
  img.startTime = "10:00:00";
  img.data = {{1.0f, std::nanf(""), 2.0f, std::numeric_limits<float>::infinity()}};
  img.labels = {FitLabel("Oxygen")};
  img.travel = {TravelValues{}};
  const fs::path bad = dir_ / "repairs.orl";
  ASSERT_EQ(WriteNativeBinary(bad, ViewOfImage(img)), FileStatus::Ok);

  std::string notice;
  Script s;
  s.answerOpen(bad)
      .type(kIntervalWarningWindow, kIntervalWarningField, "x")
      .click(kIntervalWarningWindow, kIntervalOK)   // not a number: stays
      .type(kIntervalWarningWindow, kIntervalWarningField, "0.5")
      .click(kIntervalWarningWindow, kIntervalOK)
      .call([&] { notice = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK);
  open(s, kFileKindNativeAlt);
  ASSERT_EQ(TheFileInUse, 0);
  EXPECT_FLOAT_EQ(FileInfoFLOATS[0][kInfoInterval], 0.5f);
  EXPECT_EQ(GetDatum(0, 1, 1), 0.0f);
  EXPECT_EQ(GetDatum(0, 1, 3), 0.0f);
  EXPECT_EQ(notice, "2 aberrant values were set to 0.");
  EXPECT_TRUE(testsupport::SoundPlayed("bzot")) << "the repair notice sounds its warning";

  // Blank labels: the warning, then the file-data dialog.
  img.interval = 1.0f;
  img.data = {{1.0f, 2.0f, 3.0f, 4.0f}};
  img.labels = {FitLabel("")};
  const fs::path blank = dir_ / "blank.orl";
  ASSERT_EQ(WriteNativeBinary(blank, ViewOfImage(img)), FileStatus::Ok);
  int16_t fileDataArg = -1;
  RegisterCommand(Cmd::EditFileData, [&](int16_t arg) { fileDataArg = arg; });
  plat::test::clearRecorders();
  Script b;
  b.answerOpen(blank).click(kAlertWindow, kAlertOK);
  open(b, kFileKindNativeAlt);
  EXPECT_EQ(TheFileInUse, 1);
  EXPECT_EQ(fileDataArg, 1);
  EXPECT_TRUE(testsupport::SoundPlayed("ahem")) << "the blank-label warning";
}

TEST_F(Opening, RepairNoticeListsEveryRepair) {
  RepairReport r;
  EXPECT_EQ(RepairNoticeText(r), "");
  r.markersDropped = 1;
  r.notesDropped = 4;
  r.startTimeReset = true;
  r.fileValuesReset = 2;
  EXPECT_EQ(RepairNoticeText(r),
            "1 marker outside the file, without a code or doubled was removed.\r"
            "4 notes beyond 300 were dropped.\r"
            "The start time could not be read and was set to 00:00:00.\r"
            "2 file values that were not numbers were set to 0.");
}

}  // namespace
