// The results destinations driven headlessly through the menus: each
// destination with its heading, stores compared byte for byte with the core
// writers, switching and cancelling, failed writes, the alert shown with no
// destination, and printing the spool to a PDF without losing results.
#include <gtest/gtest.h>

#include "support/scratch.h"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "output/results.h"
#include "output/tabular.h"
#include "output/ui/destination.h"
#include "output/ui/output_commands.h"
#include "output/ui/storeresult.h"
#include "output/ui/tabular_dialog.h"
#include "output/writer.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/menus.h"
#include "platform/qt/services.h"
#include "platform/windows.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

// A results file as the program's text. The bytes on disk must be what
// other programs read: UTF-8 with LF line ends.
std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes.find('\r'), std::string::npos) << p;
  EXPECT_TRUE(plat::isUtf8(bytes)) << p;
  return plat::fromDiskText(bytes);
}

// Whether this process still holds the file open.
bool HeldOpen(const fs::path& p) {
  std::error_code ec;
  const fs::path target = fs::canonical(p, ec);
  for (const auto& e : fs::directory_iterator("/proc/self/fd", ec)) {
    std::error_code ec2;
    if (!ec && fs::read_symlink(e.path(), ec2) == target) return true;
  }
  return false;
}

bool Played(const std::string& name) {
  const auto& s = plat::test::soundsPlayed();
  return std::find(s.begin(), s.end(), name) != s.end();
}

// Slot 0 holds a file with a block; the result globals hold descriptive
// statistics of 1..5 on channel 2 (the statistics command comes later).
class OutputUi : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    CloseDestination();
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    SetDEFAULTS();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefBlockSounds] = 1;
    ClearMailbox();
    savedDispatch_ = gDispatchHooks;
    savedMenuRules_ = gMenuRuleHooks;
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    gOutputUiHooks = {};
    RegisterOutputCommands();

    ASSERT_EQ(AllocateSlot(0, 400, 2), StoreStatus::Ok);
    TheFileInUse = 0;
    FileName[0] = "run1";
    StartDate[0] = "03-15-2024";
    StartTime[0] = "10:00:00";
    FileInfoFLOATS[0][kInfoInterval] = 1.0f;
    FileInfoFLOATS[0][kInfoStartMinutes] = 600.0f;
    FileInfoFLOATS[0][kInfoFlow] = 250.0f;
    CommentContainer[0] = "resting\rsecond line";
    SetChannelLabel(0, 1, "O2");
    SetChannelLabel(0, 2, "CO2");
    BeginBlock[0] = 120;
    EndBlock[0] = 124;
    FileSHORTS[0][kShortBlockState] = 2;
    ScreenWidth = 1200;

    topic = kTopicBasicStats;
    ch = 2;
    meanValue = 3.0;
    StandardDeviation = 1.41421f;
    nrPoints = 5;
    mi = 1.0f;
    ma = 5.0f;
    BGA = x1float = 120;
    EDA = x2 = 124;
    Nresults = 0;
    NResultsPrinted = 0;
    PortForResultsOutput = kPortNone;

    dir_ = testsupport::MakeScratchDir("corvimet-outui-");
    fs::remove(SpoolPath());
  }

  void TearDown() override {
    gDispatchHooks = savedDispatch_;
    gMenuRuleHooks = savedMenuRules_;
    gOutputUiHooks = {};
    CloseDestination();
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    TheFileInUse = kNoFile;
    fs::remove_all(dir_);
  }

  // A menu pick driven by a script. Choosing a destination forgets the
  // pending topic; the tests then store the same result again.
  static void Pick(const Script& s, int16_t menu, int16_t item) {
    const int16_t pending = topic;
    plat::test::run(s, [menu, item] { EXPECT_TRUE(DoMENU(menu, item)); });
    topic = pending;
  }
  static void Store(const char* key = "p") {
    plat::test::run(Script{}, [key] { DRAFTPRINT(key); });
  }
  fs::path ChooseTextFile(const std::string& name) {
    Script s;
    s.answerSave(dir_ / name);
    Pick(s, kMenuSendResults, 3);
    return dir_ / name;
  }
  fs::path ChooseTabularFile(const std::string& name) {
    Script s;
    s.click(kOutputOptionsWindow, 20).answerSave(dir_ / name);
    Pick(s, kMenuSendResults, 2);
    return dir_ / name;
  }
  static void PrintAndClose(bool setup, bool print = true) {
    Script s;
    s.answerPageSetup(setup);
    if (setup) s.answerPrint(print);
    Pick(s, kMenuFile, 19);
  }
  static std::vector<bool> Marks() {
    return {plat::itemChecked(kMenuSendResults, 1), plat::itemChecked(kMenuSendResults, 2),
            plat::itemChecked(kMenuSendResults, 3)};
  }

  fs::path dir_;
  DispatchHooks savedDispatch_;
  MenuRuleHooks savedMenuRules_;
};

TEST_F(OutputUi, EachDestinationIsHeadedMarkedAndClosedByTheNext) {
  MAINMENU();
  InstallMenuHooks();
  gDispatchHooks.refreshMenus = [] { SETMENU(0); };

  Script s;
  s.answerSave(dir_ / "run1 results");
  plat::test::run(s, [] { DoMENU(kMenuSendResults, 3); });
  const fs::path text = dir_ / "run1 results";
  EXPECT_EQ(topic, 0) << "choosing a destination forgets the pending topic";
  EXPECT_EQ(PortForResultsOutput, kPortTextFile);
  EXPECT_EQ(Slurp(text), TextFileHeader(CaptureFileHeader(0)));
  EXPECT_EQ(filestrings[2], "run1 results");
  EXPECT_EQ(Marks(), (std::vector<bool>{false, false, true}));
  EXPECT_TRUE(plat::itemEnabled(kPickPrintAndClose.menu, kPickPrintAndClose.item));

  const fs::path tab = ChooseTabularFile("run1 results.txt");
  EXPECT_EQ(PortForResultsOutput, kPortTabular);
  EXPECT_EQ(Slurp(tab), "Mean\tSD\tN\tminimum\tmaximum\tVariable\tAnalysis\r");
  EXPECT_FALSE(HeldOpen(text)) << "the text file was closed when the tabular file replaced it";
  EXPECT_EQ(Marks(), (std::vector<bool>{false, true, false}));

  Pick(Script{}, kMenuSendResults, 1);
  EXPECT_EQ(PortForResultsOutput, kPortSpool);
  EXPECT_EQ(SpoolPath().filename(), "printfile");
  EXPECT_TRUE(HeldOpen(SpoolPath()));
  EXPECT_FALSE(HeldOpen(tab));
  EXPECT_EQ(Marks(), (std::vector<bool>{true, false, false}));

  // Print & Close of a file destination closes it and prints nothing.
  ChooseTextFile("closed.txt");
  Store();
  Pick(Script{}, kMenuFile, 19);   // no page setup, no print dialog
  EXPECT_FALSE(HeldOpen(dir_ / "closed.txt"));
  EXPECT_TRUE(plat::test::printedPages().empty());
  EXPECT_EQ(PortForResultsOutput, kPortNone);
  EXPECT_EQ(Nresults, 0);
  EXPECT_EQ(Marks(), (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(plat::itemEnabled(kPickPrintAndClose.menu, kPickPrintAndClose.item));
}

TEST_F(OutputUi, CancellingKeepsTheOpenDestinationOrLeavesNone) {
  Script cancel;
  cancel.cancelFileDialog();
  Pick(cancel, kMenuSendResults, 3);
  EXPECT_EQ(PortForResultsOutput, kPortNone);
  EXPECT_TRUE(Played("downvip"));

  const fs::path text = ChooseTextFile("kept.txt");
  Script closeBox;   // options window closed: no save dialog, no file
  closeBox.closeBox(kOutputOptionsWindow);
  Pick(closeBox, kMenuSendResults, 2);
  Pick(cancel, kMenuSendResults, 3);
  EXPECT_EQ(PortForResultsOutput, kPortTextFile);
  Store();
  EXPECT_EQ(Slurp(text), TextFileHeader(CaptureFileHeader(0)) + ResultText(CaptureResult()));

  // A file that cannot be created is reported and leaves no destination.
  plat::detail::fileErrorsShown().clear();
  ChooseTextFile("no such folder/r.txt");
  EXPECT_EQ(PortForResultsOutput, kPortNone);
  EXPECT_EQ(plat::detail::fileErrorsShown().size(), 1u);
}

TEST_F(OutputUi, StoreAppendsWhatTheCoreWritersFormat) {
  std::vector<std::string> icons;
  gOutputUiHooks.drawDisk = [&icons](const plat::MacText& key) { icons.push_back("disk " + key); };
  gOutputUiHooks.drawPage = [&icons] { icons.push_back("page"); };
  plat::createWindow({.id = kPlotWindowBase, .title = "run1", .content = {0, 40, 1200, 700}});
  plat::addField(kPlotWindowBase, {.id = kResultsNoticeField, .r = {900, 2, 1190, 16}, .kind = plat::FieldKind::Static});

  const fs::path tab = ChooseTabularFile("stats.txt");
  const std::string header = Slurp(tab);
  int16_t n = 0;
  const std::string row = TabularResultText(CaptureResult(), CurrentTabularOptions(), &n, 'P', "", "");
  EXPECT_EQ(row, " 3\t 1.41421\t 5\t 1\t 5\t" + FitLabel("CO2") + "\tBasic stats\r");
  Store("P");
  EXPECT_EQ(Slurp(tab), header + row);
  EXPECT_EQ(Nresults, 1);
  EXPECT_TRUE(Played("endbeep"));
  EXPECT_EQ(plat::fieldText(kPlotWindowBase, kResultsNoticeField), " 1 saved; last=ch. 2, 121 - 125");

  for (const int16_t t : {kTopicSlopeVsTime, kTopicRegression}) {   // no row, no icon, not counted: an alert says so
    topic = t;
    Script noRow;
    noRow.call([] {
           EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("takes no row"), std::string::npos);
         })
        .click(kAlertWindow, kAlertOK);
    plat::test::run(noRow, [] { DRAFTPRINT("p"); });
  }
  topic = 1;                  // outside 2..22: nothing
  Store();
  topic = kTopicBasicStats;
  ScreenWidth = 1000;         // narrow plot window: stored but not counted
  Store();
  EXPECT_EQ(Slurp(tab), header + row + row);
  EXPECT_EQ(Nresults, 1);

  ScreenWidth = 1200;
  const fs::path text = ChooseTextFile("r.txt");
  // Results per line belong to the tabular file: every text result counts.
  const uint16_t keptMultiple = UseMultipleResults;
  UseMultipleResults = 1;
  topic = kTopicMeanMinimum;
  MMLBegin = 130;
  MMLpoints = 11;
  const std::string scan = ResultText(CaptureResult());
  DoMENU(kMenuFile, 16);      // Store Current Result
  topic = kTopicPolynomial;   // stored without an icon
  const std::string poly = ResultText(CaptureResult());
  Store();
  EXPECT_EQ(Slurp(text), TextFileHeader(CaptureFileHeader(0)) + scan + poly);
  EXPECT_EQ(Nresults, 3);
  UseMultipleResults = keptMultiple;
  Pick(Script{}, kMenuSendResults, 1);
  topic = kTopicBasicStats;
  Store();
  EXPECT_EQ(Slurp(SpoolPath()), ResultText(CaptureResult()));
  EXPECT_EQ(icons, (std::vector<std::string>{"disk P", "disk p", "disk  ", "page"}));
  EXPECT_EQ(Nresults, 4);
}

TEST_F(OutputUi, SeveralResultsPerRowWithNotesAskedAtEachRowStart) {
  Script s;
  s.click(kOutputOptionsWindow, 7)      // User Note 1
      .click(kOutputOptionsWindow, 9)   // Excel Format enables ...
      .click(kOutputOptionsWindow, 10)  // ... Multiple Results per Line
      .click(kOutputOptionsWindow, 20)
      .click(kOutputOptionsWindow, 3)   // three per row
      .click(kOutputOptionsWindow, 20)
      .answerSave(dir_ / "rows.txt");
  Pick(s, kMenuSendResults, 2);
  ASSERT_EQ(NMultipleResults, 3);
  const TabularOptions o = CurrentTabularOptions();
  const fs::path tab = dir_ / "rows.txt";
  EXPECT_EQ(Slurp(tab), TabularHeaderRow(o));

  // A tab in the note must not open a new column.
  Script notes;
  notes.call([] { plat::setFieldText(kTabularNotesWindow, 1, "dog 3\tfasted"); }).key(kTabularNotesWindow, 13);
  plat::test::run(notes, [] { DRAFTPRINT("p"); });
  Store();
  Store();
  const ResultRecord r = CaptureResult();
  const std::string expected = TabularHeaderRow(o) + "dog 3 fasted\t" + TabularRowText(r, o, 1, 'p', 0) +
                               TabularRowText(r, o, 2, 'p', 0) + TabularRowText(r, o, 3, 'p', 0);
  EXPECT_EQ(Slurp(tab), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\r'), 2) << "header row and one full row";
  EXPECT_EQ(Nresults, 1) << "counted once the row is full";

  Script again;   // the fourth result starts a row: notes asked again
  again.key(kTabularNotesWindow, 13);
  plat::test::run(again, [] { DRAFTPRINT("p"); });
  EXPECT_EQ(Slurp(tab).substr(expected.size(), 13), "dog 3 fasted\t");
}

TEST_F(OutputUi, AFailedWriteIsReportedAndTheResultCanBeStoredAgain) {
  const auto beeps = [] {
    const auto& s = plat::test::soundsPlayed();
    return std::count(s.begin(), s.end(), std::string("endbeep"));
  };
  int16_t n = 0;
  const std::string row = TabularResultText(CaptureResult(), CurrentTabularOptions(), &n, 'p', "", "");
  // The limit at the header (nothing fits) and inside the row (part fits).
  for (const uintmax_t into : {uintmax_t{0}, uintmax_t{7}}) {
    SCOPED_TRACE(into);
    const fs::path tab = ChooseTabularFile("full" + std::to_string(into) + ".txt");
    const std::string header = Slurp(tab);
    plat::detail::fileErrorsShown().clear();
    Nresults = 0;
    const auto beepsBefore = beeps();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = fs::file_size(tab) + into;
    setrlimit(RLIMIT_FSIZE, &small);
    Store();
    setrlimit(RLIMIT_FSIZE, &saved);

    ASSERT_EQ(plat::detail::fileErrorsShown().size(), 1u);
    EXPECT_NE(plat::detail::fileErrorsShown()[0].find(tab.filename().string()), std::string::npos);
    EXPECT_NE(plat::detail::fileErrorsShown()[0].find("holds what it held before"), std::string::npos);
    EXPECT_EQ(beeps(), beepsBefore) << "no success sound for a failed store";
    EXPECT_EQ(Nresults, 0);
    EXPECT_EQ(Slurp(tab), header) << "no fragment of the record is left";
    Store();
    EXPECT_EQ(Slurp(tab), header + row);
    EXPECT_EQ(Nresults, 1);
    EXPECT_EQ(beeps(), beepsBefore + 1);
  }
}

TEST_F(OutputUi, WithoutDestinationTheAlertBlinksWaitsAndWritesNothing) {
  int shown = 0;
  Script s;
  // One poll per blink; the last one sees the finished alert.
  for (int k = 1; k < kOutputAlertBlinks; ++k) s.call([&shown] { shown += plat::windowExists(kOutputAlertWindow); });
  s.call([] {
     ASSERT_TRUE(plat::windowExists(kOutputAlertWindow));
     EXPECT_EQ(plat::title(kOutputAlertWindow), "Output Port Alert");
     plat::test::saveArtifact(plat::test::windowImage(kOutputAlertWindow), "output_port_alert.png");
   })
      .clickAt(kOutputAlertWindow, {150, 60});
  plat::test::run(s, [] { DRAFTPRINT("p"); });
  EXPECT_EQ(shown, kOutputAlertBlinks - 1);
  EXPECT_FALSE(plat::windowExists(kOutputAlertWindow));
  EXPECT_TRUE(Played("brrrp"));
  EXPECT_EQ(Nresults, 0);
  EXPECT_EQ(topic, kTopicBasicStats) << "the result waits for a destination";
}

TEST_F(OutputUi, PrintAndCloseSendsTheSpoolToThePrinter) {
  plat::createWindow({.id = kPlotWindowBase, .title = "run1", .content = {0, 40, 1200, 700}});
  plat::addField(kPlotWindowBase, {.id = kDataBarCaseField, .text = "case 12", .r = {10, 2, 200, 16}});
  Pick(Script{}, kMenuSendResults, 1);
  Store();
  topic = kTopicMeanMaximum;
  Store();
  const std::string spool = Slurp(SpoolPath());

  PrintAndClose(true);
  EXPECT_EQ(PortForResultsOutput, kPortNone);
  EXPECT_EQ(Nresults, 0);
  EXPECT_EQ(plat::fieldText(kPlotWindowBase, kDataBarCaseField), "");
  EXPECT_TRUE(Played("wssst!"));
  EXPECT_FALSE(HeldOpen(SpoolPath()));
  EXPECT_EQ(Slurp(SpoolPath()), spool) << "the printed spool stays on disk";

  std::vector<std::string> printed;
  for (const auto& p : plat::test::printedPages()) printed.insert(printed.end(), p.lines.begin(), p.lines.end());
  const std::vector<std::string> body = SpoolBodyLines(spool);
  ASSERT_GE(printed.size(), 7 + body.size());
  EXPECT_NE(printed[0].find("FILE `run1 '; saved 03-15-2024 at 10:00:00"), std::string::npos);
  EXPECT_EQ(printed[1], std::string(55, '\xD1'));
  EXPECT_EQ(printed[2], "resting");
  EXPECT_EQ(printed[3], "second line");
  EXPECT_EQ(printed[5], "     CHANNEL 1:  " + FitLabel("O2"));
  // Every spool line ends the printout, in order.
  for (size_t i = 0; i < body.size(); ++i)
    EXPECT_EQ(printed[printed.size() - body.size() + i], body[i]) << "line " << i;
  std::ifstream pdf(plat::test::printedPages()[0].pdf, std::ios::binary);
  std::string head(5, '\0');
  pdf.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
}

TEST_F(OutputUi, NoSpooledResultIsLostUntilItIsPrinted) {
  Pick(Script{}, kMenuSendResults, 1);
  Store();
  const std::string once = Slurp(SpoolPath());
  ASSERT_FALSE(once.empty());
  Pick(Script{}, kMenuSendResults, 1);   // picking the printer again keeps them
  EXPECT_EQ(Slurp(SpoolPath()), once);

  // An unreadable spool is reported before any dialog and nothing printed.
  plat::detail::fileErrorsShown().clear();
  fs::rename(SpoolPath(), dir_ / "moved");
  Pick(Script{}, kMenuFile, 19);
  fs::rename(dir_ / "moved", SpoolPath());
  EXPECT_EQ(plat::detail::fileErrorsShown().size(), 1u);

  PrintAndClose(false);
  PrintAndClose(true, false);
  EXPECT_TRUE(plat::test::printedPages().empty());
  EXPECT_EQ(PortForResultsOutput, kPortSpool);
  EXPECT_EQ(Nresults, 1);

  Store();
  EXPECT_EQ(Slurp(SpoolPath()), once + once);
  PrintAndClose(true);
  EXPECT_FALSE(plat::test::printedPages().empty());
  EXPECT_EQ(PortForResultsOutput, kPortNone);
}

}  // namespace
