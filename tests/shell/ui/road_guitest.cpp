// The whole road a user takes with a recording: start the program, open the
// demo through the file-type dialog, rename a channel in the file-data
// dialog, save under a new name, quit, and read the saved file back.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <filesystem>

#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/ui/fileinfo.h"
#include "platform/controls.h"
#include "shell/dispatch.h"
#include "shell/menurules.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/mainloop.h"
#include "registrars.h"
#include "shell/ui/startup.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

class Road : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    dir_ = testsupport::FreshTestDir("corvimet-road-");
  }
  void TearDown() override {
    testsupport::ClearStore();
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(Road, OpenRenameSaveQuitAndReadBack) {
  const fs::path saved = dir_ / "renamed.orl";
  Script s;
  s.click(kFileTypeWindow, kFileTypeNative)
      .answerOpen(kDemo)
      .menu(kMenuEdit, 9)   // Edit File Data…
      .call([] { plat::setFieldText(kFileDataWindow, kLabelFieldBase + 2, ""); })
      .type(kFileDataWindow, kLabelFieldBase + 2, "CO2 excurrent (%)")
      .click(kFileDataWindow, kFileDataDone)
      .menu(kMenuFile, 7)   // Save As…
      .click(kSaveAsWindow, kSaveAsSave)
      .answerSave(saved)
      .call([] { EXPECT_EQ(FileSHORTS[0][kShortChanged], 0) << "saved whole: nothing left to ask"; })
      .menu(kMenuFile, 21);  // Quit
  plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {}); });
  EXPECT_TRUE(QuitRequested());

  DataFileImage back;
  ASSERT_EQ(ReadNativeBinary(saved, &back), FileStatus::Ok);
  DataFileImage demo;
  ASSERT_EQ(ReadNativeBinary(kDemo, &demo), FileStatus::Ok);
  ASSERT_EQ(back.labels.size(), demo.labels.size());
  EXPECT_EQ(back.labels[1], FitLabel("CO2 excurrent (%)"));
  EXPECT_EQ(back.labels[0], demo.labels[0]);
  EXPECT_EQ(back.data, demo.data);
  EXPECT_EQ(back.markers, demo.markers);
  EXPECT_EQ(back.comments, demo.comments);
}

}  // namespace
