// The merge command driven headlessly: the append-or-stack question, the
// channel picker, the re-sampling offer, the limits refused with alerts and
// a cancelled merge leaving the file as it was.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/scratch.h"

#include <filesystem>
#include <string>

#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/merge_dialog.h"
#include "datafiles/ui/open.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

class Merging : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    prefsArray[kPrefSoundLevel] = 25;
    ClearMailbox();
    MergeThisFile = appendONLY = stackONLY = 0;
    gOpenHooks.merge = MERGEFILE;
    dir_ = testsupport::MakeScratchDir("corvimet-merge-");
  }
  void TearDown() override {
    testsupport::ClearStore();
    gOpenHooks = {};
    MergeThisFile = appendONLY = stackONLY = 0;
    fs::remove_all(dir_);
  }

  fs::path write(const std::string& name, int32_t cases, int channels, float interval, float base) {
    DataFileImage img;
    img.cases = cases;
    img.interval = interval;
    img.startDate = "01-02-2024";
    img.startTime = "08:00:00";
    for (int c = 0; c < channels; ++c) {
      std::vector<float> v(static_cast<size_t>(cases) + 1);
      for (int32_t i = 0; i <= cases; ++i) v[static_cast<size_t>(i)] = base + c * 100 + i;
      img.data.push_back(std::move(v));
      img.labels.push_back(FitLabel(name + " " + std::to_string(c + 1)));
      img.travel.push_back({});
    }
    img.markers = {{2, 9}};
    const fs::path p = dir_ / name;
    EXPECT_EQ(WriteNativeBinary(p, ViewOfImage(img)), FileStatus::Ok);
    return p;
  }
  // The base file, opened by the open command.
  void openBase(int32_t cases, int channels, float interval = 1.0f) {
    const fs::path p = write("base.orl", cases, channels, interval, 0.0f);
    Script s;
    s.answerOpen(p);
    plat::test::run(s, [] {
      TypeOfFile = kFileKindNativeAlt;
      MergeThisFile = 0;
      FILELOADING();
    });
    ASSERT_EQ(TheFileInUse, 0);
  }
  // A merge pick as the menu makes it: the open command with MergeThisFile.
  static void mergePick(const Script& s) {
    plat::test::run(s, [] {
      TypeOfFile = kFileKindNativeAlt;
      MergeThisFile = 1;
      FILELOADING();
    });
  }
  fs::path dir_;
};

TEST_F(Merging, AppendChosenInTheQuestion) {
  openBase(10, 2);
  const fs::path more = write("more.orl", 5, 3, 1.0f, 1000.0f);
  Script s;
  s.answerOpen(more)
      .call([] { ASSERT_TRUE(plat::windowExists(kMergeModeWindow)); })
      .click(kMergeModeWindow, kMergeAppend)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kChannelPickerWindow));
        EXPECT_EQ(plat::buttonState(kChannelPickerWindow, 1), 2);
        EXPECT_EQ(plat::buttonState(kChannelPickerWindow, 3), 1);
        EXPECT_EQ(plat::buttonState(kChannelPickerWindow, kPickerMerge), 1);
      })
      .click(kChannelPickerWindow, 3)
      .call([] { EXPECT_EQ(plat::buttonState(kChannelPickerWindow, kPickerMerge), 0) << "three for two channels"; })
      .click(kChannelPickerWindow, 1)
      .click(kChannelPickerWindow, kPickerMerge);
  mergePick(s);
  EXPECT_EQ(Cancel_Open, 0);
  EXPECT_EQ(nCases[0], 15);
  EXPECT_EQ(GetDatum(0, 1, 11), 1101.0f) << "picked 2 and 3: channel 2 follows channel 1";
  EXPECT_EQ(GetDatum(0, 2, 15), 1205.0f);
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
  EXPECT_EQ(MarkersArray[0].back(), (MarkerRecord{12, 9}));
  EXPECT_NE(CommentContainer[0].find("*** appended more.orl ***"), std::string::npos);
  EXPECT_EQ(MergeThisFile + appendONLY + stackONLY, 0);
  EXPECT_EQ(ChannelPicker[2] + ChannelPicker[3], 2);
}

TEST_F(Merging, StackFromTheToolbarResamplesToTheFilesInterval) {
  openBase(20, 1, 1.0f);
  const fs::path slow = write("slow.orl", 10, 2, 2.0f, 500.0f);
  appendONLY = stackONLY = 1;
  Script s;
  s.answerOpen(slow)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kResampleWindow));
        EXPECT_FALSE(plat::windowExists(kMergeModeWindow)) << "the toolbar already said Stack";
      })
      .click(kResampleWindow, kResampleOK)
      .click(kChannelPickerWindow, kPickerMerge);
  mergePick(s);
  ASSERT_EQ(nChannels[0], 3);
  EXPECT_EQ(nCases[0], 20);
  EXPECT_EQ(GetDatum(0, 2, 4), 502.0f) << "old case 2 lands on new case 4";
  EXPECT_EQ(GetDatum(0, 2, 5), 502.5f) << "the case between holds the mean";
  EXPECT_EQ(GetDatum(0, 3, 20), 610.0f);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 3)), "slow.orl 2");
  EXPECT_EQ(stackONLY, 0);
}

TEST_F(Merging, CancellingAnywhereLeavesTheFileAsItWas) {
  openBase(10, 2);
  const fs::path more = write("more.orl", 5, 2, 1.0f, 1000.0f);
  const fs::path slow = write("slow.orl", 5, 2, 3.0f, 1000.0f);
  const std::vector<float> before = gPointersToFileData[0][1];
  const std::string comments = CommentContainer[0];

  Script a;
  a.answerOpen(more).click(kMergeModeWindow, kMergeModeCancel);
  mergePick(a);
  Script b;
  b.answerOpen(more).click(kMergeModeWindow, kMergeStack).click(kChannelPickerWindow, kPickerCancel);
  mergePick(b);
  Script c;
  c.answerOpen(slow).closeBox(kMergeModeWindow);
  mergePick(c);
  Script d;
  d.answerOpen(slow).click(kMergeModeWindow, kMergeAppend).click(kResampleWindow, kResampleCancel);
  mergePick(d);
  Script e;
  e.cancelFileDialog();
  mergePick(e);

  EXPECT_EQ(Cancel_Open, 1);
  EXPECT_EQ(nCases[0], 10);
  EXPECT_EQ(nChannels[0], 2);
  EXPECT_EQ(gPointersToFileData[0][1], before);
  EXPECT_EQ(CommentContainer[0], comments);
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 0);
  EXPECT_EQ(MergeThisFile + appendONLY + stackONLY, 0);
}

TEST_F(Merging, LimitsAreRefusedWithAlerts) {
  openBase(10, 32);
  const fs::path more = write("more.orl", 5, 1, 1.0f, 0.0f);
  stackONLY = appendONLY = 1;
  Script s;
  s.answerOpen(more)
      .call([] { EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage), "Too many channels to fit!"); })
      .click(kAlertWindow, kAlertOK);
  mergePick(s);
  EXPECT_EQ(nChannels[0], 32);

  // Re-sampled to this file's 0.5 s, 3,500,001 cases at 1 s pass 7,000,000.
  testsupport::ClearStore();
  openBase(10, 1, 0.5f);
  const fs::path big = write("big.orl", 3'500'001, 1, 1.0f, 0.0f);
  appendONLY = 1;
  Script t;
  t.answerOpen(big)
      .click(kResampleWindow, kResampleOK)
      .call([] {
        EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("Too Many Cases"), std::string::npos);
      })
      .click(kAlertWindow, kAlertOK);
  mergePick(t);
  EXPECT_EQ(nCases[0], 10);

  Script u;
  u.answerOpen(dir_ / "missing.orl").click(kAlertWindow, kAlertOK);
  mergePick(u);
  EXPECT_EQ(nCases[0], 10);

  // Appending a file with fewer channels: said before any picker that could
  // never be accepted.
  testsupport::ClearStore();
  openBase(10, 3);
  const fs::path narrow = write("narrow.orl", 5, 2, 1.0f, 0.0f);
  appendONLY = 1;
  stackONLY = 0;
  Script v;
  v.answerOpen(narrow)
      .call([] {
        EXPECT_FALSE(plat::windowExists(kChannelPickerWindow));
        EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("has 2 channels"), std::string::npos);
      })
      .click(kAlertWindow, kAlertOK);
  mergePick(v);
  EXPECT_EQ(nCases[0], 10);
}

TEST_F(Merging, TimeScaleWarningNamesTheRemedy) {
  Script s;
  s.call([] { EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("Pick a lower sample rate."), std::string::npos); })
      .click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { TimeScaleWarning(1); });
}

}  // namespace
