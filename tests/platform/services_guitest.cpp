// The outside services in test mode: scripted file and print dialogs, print
// jobs to PDF, help pages, addresses, sounds and the template switches.
#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cerrno>
#include <fstream>
#include <optional>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/print.h"
#include "platform/qt/internal.h"
#include "platform/qt/services.h"
#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    plat::detail::fileErrorsShown().clear();
    plat::detail::resetNibTemplates();
    plat::detail::setScalePercent(100);
  }
  void TearDown() override {
    plat::detail::resetNibTemplates();
    plat::detail::setScalePercent(100);
  }
  const plat::FileKind text{{'T', 'E', 'X', 'T'}, {'c', 'v', 'm', 't'}, "Text", {"txt"}};
};

TEST_F(Services, FileDialogAnswersAreConsumedInOrder) {
  const fs::path a = "/data/run 1", b = "/data/run 1 results";
  std::vector<std::optional<fs::path>> got;
  Script s;
  s.answerOpen(a).cancelFileDialog().answerSave(b).answerSave("");
  plat::test::run(s, [&] {
    got.push_back(plat::askOpenFile("Data file:", {text}));
    got.push_back(plat::askOpenFile("Script File:", {text}));
    got.push_back(plat::askSaveFile("Save Results File As...", "run 1 results", text));
    got.push_back(plat::askSaveFile("Save Results File As...", "x", text));   // empty name
  });
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], a);
  EXPECT_EQ(got[1], std::nullopt);
  EXPECT_EQ(got[2], b);
  EXPECT_EQ(got[3], std::nullopt);
}

TEST_F(Services, FileDialogOutOfTurnOrUnansweredFailsTheTest) {
  Script s;
  s.answerSave("/tmp/x");
  EXPECT_THROW(plat::test::run(s, [] { plat::askOpenFile("Open:", {}); }), plat::test::Failure);
  Script none;
  EXPECT_THROW(plat::test::run(none, [] { plat::askSaveFile("Save:", "n", {}); }), plat::test::Failure);
}

TEST_F(Services, SaveAnswerNamingAFolderIsACancel) {
  Script s;
  s.answerSave("/tmp/folder/");
  std::optional<fs::path> got = fs::path("unset");
  plat::test::run(s, [&] { got = plat::askSaveFile("Save:", "n", text); });
  EXPECT_EQ(got, std::nullopt);
}

TEST_F(Services, NameFiltersFollowTheKindsThenAllFiles) {
  const plat::FileKind script{{'C', 'M', 's', 'c'}, {'c', 'v', 'm', 't'}, "", {}};
  const plat::FileKind sheet{{'X', 'L', 'S', '8'}, {'X', 'C', 'E', 'L'}, "Sheet (tab) \xA5", {"xls", "txt"}};
  QStringList f = plat::detail::nameFilters({text, script, sheet, text});
  ASSERT_EQ(f.size(), 4);
  EXPECT_EQ(f[0], "Text (*.txt)");
  // Our own files often have no extension: a kind without one lists them all.
  EXPECT_EQ(f[1], "'CMsc' files (*)");
  // Parentheses in a description would be read as the patterns.
  EXPECT_EQ(f[2], QString::fromUtf8("Sheet [tab] \u2022 (*.xls *.txt)"));
  EXPECT_EQ(f[3], "All files (*)");
  EXPECT_EQ(plat::detail::nameFilters({}), QStringList{"All files (*)"});
}

TEST_F(Services, TagFileWritesTypeAndCreatorWhereTheFilesystemAllows) {
  const fs::path f = plat::detail::testOutputDir() / "tagged.txt";
  std::ofstream(f) << "x";
  plat::tagFile(f, text);
  char buf[8] = {};
  ssize_t n = ::getxattr(f.c_str(), "user.mac.type", buf, sizeof buf);
  if (n < 0 && (errno == ENOTSUP || errno == EPERM)) GTEST_SKIP() << "no user attributes here";
  ASSERT_EQ(n, 4);
  EXPECT_EQ(std::string(buf, 4), "TEXT");
  ASSERT_EQ(::getxattr(f.c_str(), "user.mac.creator", buf, sizeof buf), 4);
  EXPECT_EQ(std::string(buf, 4), "cvmt");
  // An unknown creator is left out rather than written as "????".
  const fs::path g = plat::detail::testOutputDir() / "typed.xls";
  std::ofstream(g) << "x";
  plat::tagFile(g, plat::FileKind{{'X', 'C', 'E', 'L'}, {'?', '?', '?', '?'}, "Excel", {"xls"}});
  EXPECT_LT(::getxattr(g.c_str(), "user.mac.creator", buf, sizeof buf), 0);
  // A missing file is no error.
  plat::tagFile(plat::detail::testOutputDir() / "absent", text);
}

TEST_F(Services, FileErrorIsReportedWithPathAndReason) {
  plat::showFileError("/no/such/file", ENOENT);
  ASSERT_EQ(plat::detail::fileErrorsShown().size(), 1u);
  EXPECT_EQ(plat::detail::fileErrorsShown()[0], "/no/such/file: No such file or directory");
}

TEST_F(Services, PrintJobWritesPdfAndRecordsEachPagesLines) {
  Script s;
  s.answerPageSetup(true).answerPrint(true);
  bool setupOk = false, printOk = false;
  plat::Rect page;
  plat::test::run(s, [&] {
    setupOk = plat::print::pageSetup();
    printOk = plat::print::printDialog();
    plat::print::Job job("Corvimet script print");
    ASSERT_TRUE(job.ok());
    page = job.pageRect();
    plat::Port& p = job.port();
    p.moveTo(20, 30);
    p.drawText("\xA5\xA5\xA5 Results");
    p.drawText(" for run 1");
    p.moveTo(20, 45);
    p.drawText("VO2 \xB1 0.1");
    p.setPenMode(plat::PenMode::Xor);   // paper cannot invert: must not fail
    p.fillRect({20, 50, 200, 60});
    job.newPage();
    p.setPenMode(plat::PenMode::Copy);
    p.moveTo(20, 30);
    p.drawText("second page");
    // A recorded page played to the printer still shows its text.
    plat::Port scratch({300, 100});
    scratch.startRecording({0, 0, 300, 100});
    scratch.moveTo(10, 20);
    scratch.drawText("from a picture");
    plat::Picture pic = scratch.stopRecording();
    p.drawPicture(pic, {20, 60, 320, 160});
    job.finish();
  });
  EXPECT_TRUE(setupOk);
  EXPECT_TRUE(printOk);
  // Landscape page in 72-dpi units, less the printer's margins.
  EXPECT_GT(page.width(), page.height());
  EXPECT_GT(page.width(), 600);
  EXPECT_LT(page.width(), 850);

  const auto& pages = plat::test::printedPages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].lines, (std::vector<std::string>{"\xA5\xA5\xA5 Results for run 1", "VO2 \xB1 0.1"}));
  EXPECT_EQ(pages[1].lines, (std::vector<std::string>{"second page", "from a picture"}));
  EXPECT_EQ(pages[0].pdf, pages[1].pdf);
  std::ifstream in(pages[0].pdf, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_GT(fs::file_size(pages[0].pdf), 500u);
}

TEST_F(Services, PageSetupScaleWidensThePageUnits) {
  plat::Rect full, half;
  {
    plat::print::Job job;
    full = job.pageRect();
  }
  plat::detail::setScalePercent(50);
  EXPECT_EQ(plat::print::scalePercent(), 50);
  {
    plat::print::Job job;
    half = job.pageRect();
  }
  EXPECT_NEAR(half.width(), 2 * full.width(), 2);
  EXPECT_NEAR(half.height(), 2 * full.height(), 2);
  plat::detail::setScalePercent(0);   // kept within sense
  EXPECT_GE(plat::print::scalePercent(), 10);
}

TEST_F(Services, CancelledPageSetupOrPrintReportsFalse) {
  Script s;
  s.answerPageSetup(false).answerPrint(false);
  bool a = true, b = true;
  plat::test::run(s, [&] {
    a = plat::print::pageSetup();
    b = plat::print::printDialog();
  });
  EXPECT_FALSE(a);
  EXPECT_FALSE(b);
  EXPECT_TRUE(plat::test::printedPages().empty());
}

TEST_F(Services, HelpIsRecordedByNumberAndMissingPagesFallBackToTheIndex) {
  plat::openHelp(177);
  plat::openHelp(1);
  EXPECT_EQ(plat::test::helpSubjects(), (std::vector<int>{177, 1}));
  const fs::path index = plat::resourceDir() / "help" / "index.html";
  EXPECT_TRUE(fs::is_regular_file(index));
  EXPECT_EQ(plat::helpPage(999999), index);
  EXPECT_EQ(plat::helpPage(0), index);
  EXPECT_EQ(plat::helpPage(-3), index);
}

TEST_F(Services, OnlyWebAndMailAddressesAreOpened) {
  plat::openUrl("https://example.org/sun");
  plat::openUrl("mailto:lab@example.org");
  plat::openUrl("file:///etc/passwd");
  plat::openUrl("javascript:alert(1)");
  plat::openUrl("https://");
  plat::openUrl("https://example.org/a b");
  plat::openUrl("");
  EXPECT_EQ(plat::test::urlsOpened(), (std::vector<std::string>{"https://example.org/sun", "mailto:lab@example.org"}));
}

TEST_F(Services, SoundsAndBeepsAreRecordedNotPlayed) {
  plat::playSound("wsst");
  plat::playSound("nonesuch");
  plat::stopSounds();
  plat::systemBeep();
  plat::playSound("endbeep");
  EXPECT_EQ(plat::test::soundsPlayed(), (std::vector<std::string>{"wsst", "beep", "endbeep"}));
}

TEST_F(Services, TemplatesCanBeSwitchedOffForTheFallbackPaths) {
  for (auto n : {"blockwindow", "commentsBox", "commentsWindow", "equationsWindow", "VXWindow", "waterWindow",
                 "periodicityWindow"})
    EXPECT_TRUE(plat::nibTemplateAvailable(n)) << n;
  EXPECT_FALSE(plat::nibTemplateAvailable("otherWindow"));
  plat::setNibTemplateAvailable("commentsBox", false);
  EXPECT_FALSE(plat::nibTemplateAvailable("commentsBox"));
  plat::setNibTemplateAvailable("commentsBox", true);
  EXPECT_TRUE(plat::nibTemplateAvailable("commentsBox"));
  plat::setNibTemplateAvailable("otherWindow", true);   // we cannot build what we do not know
  EXPECT_FALSE(plat::nibTemplateAvailable("otherWindow"));
}

TEST_F(Services, BundleImageNamesCannotLeaveTheImageFolder) {
  EXPECT_TRUE(plat::detail::bundleImagePath("../../etc/passwd").empty());
  EXPECT_TRUE(plat::detail::bundleImagePath("..").empty());
  EXPECT_TRUE(plat::detail::bundleImagePath("").empty());
  EXPECT_EQ(plat::detail::bundleImagePath("world relief map.jpg"),
            plat::resourceDir() / "images" / "world relief map.jpg");
  EXPECT_FALSE(plat::bundleImageExists("no such image.png"));
  EXPECT_FALSE(plat::bundleImageExists("../help/index.html"));
}

}  // namespace
