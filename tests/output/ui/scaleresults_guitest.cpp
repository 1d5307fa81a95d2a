// "Scaling Factors for Results": marks from the stored entries, an offered
// value taken by an operation click, "Clear All", the window height for many
// channels and channels the file does not have.
#include <gtest/gtest.h>

#include "output/scaling.h"
#include "output/ui/scaleresults.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "platform/test.h"

namespace {

using plat::test::Script;
constexpr int kWin = kSecondaryWindow;

class ScaleResultsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    SetDEFAULTS();
    ResetAllScaling();
    ClearMailbox();
    ASSERT_EQ(AllocateSlot(0, 10, 4), StoreStatus::Ok);
    TheFileInUse = 0;
  }
  void TearDown() override {
    ResetAllScaling();
    testsupport::ClearStore();
  }
  static void Run(Script s, double offered) {
    plat::test::run(s, [offered] { SCALERESULTS(offered); });
  }
};

TEST_F(ScaleResultsDialog, DefaultsShowNoMarkAndDoneKeepsThem) {
  StoreScalingEntry(2, {0.0f, 1.0f, 0.0f});   // divide by exactly 1: unscaled
  StoreScalingEntry(3, {0.0f, 4.0f, 0.5f});
  Script s;
  s.call([] {
    EXPECT_EQ(plat::title(kWin), "Scaling Factors for Results");
    for (int c = 1; c <= 2; ++c) {
      EXPECT_EQ(plat::buttonState(kWin, c), 1) << c;
      EXPECT_EQ(plat::buttonState(kWin, 32 + c), 1) << c;
    }
    EXPECT_EQ(plat::buttonState(kWin, 3), 2) << "divide marked";
    EXPECT_EQ(plat::fieldText(kWin, 103), "4");
    EXPECT_EQ(plat::fieldText(kWin, 135), "0.5");
    EXPECT_FALSE(plat::controlExists(kWin, 5)) << "only the file's channels";
  });
  s.click(kWin, kScaleDoneButton);
  Run(s, 0.0);
  EXPECT_EQ(ScalingEntryOf(1), (ScalingEntry{1.0f, 1.0f, 0.0f}));
  EXPECT_EQ(ScalingEntryOf(3), (ScalingEntry{0.0f, 4.0f, 0.5f}));
  EXPECT_FALSE(plat::windowExists(kWin));
}

TEST_F(ScaleResultsDialog, AnOfferedValueGoesToTheClickedChannel) {
  Script s;
  s.click(kWin, 32 + 3).call([] {
    EXPECT_EQ(plat::fieldText(kWin, 103), "2.5");
    EXPECT_EQ(plat::buttonState(kWin, 35), 2);
  });
  s.click(kWin, 3).call([] {
    EXPECT_EQ(plat::fieldText(kWin, 103), "2.5") << "the value stays";
    EXPECT_EQ(plat::buttonState(kWin, 3), 2);
    EXPECT_EQ(plat::buttonState(kWin, 35), 1);
  });
  s.click(kWin, kScaleDoneButton);
  Run(s, 2.5);
  EXPECT_EQ(ScalingEntryOf(3), (ScalingEntry{0.0f, 2.5f, 0.0f}));
  EXPECT_EQ(ScalingEntryOf(1), (ScalingEntry{1.0f, 1.0f, 0.0f}));
}

TEST_F(ScaleResultsDialog, WithoutAnOfferOnlyTheOperationChanges) {
  StoreScalingEntry(1, {1.0f, 5.0f, 2.0f});
  Script s;
  s.click(kWin, 1).closeBox(kWin);
  Run(s, 0.0);
  EXPECT_EQ(ScalingEntryOf(1), (ScalingEntry{0.0f, 5.0f, 2.0f}));
}

TEST_F(ScaleResultsDialog, ClearAllLeavesResultsUnchangedAndTypedValuesAreRead) {
  StoreScalingEntry(1, {1.0f, 5.0f, 2.0f});
  Script s;
  s.click(kWin, kScaleClearAllButton).call([] {
    EXPECT_EQ(plat::fieldText(kWin, 101), "1");
    EXPECT_EQ(plat::fieldText(kWin, 133), "0");
    EXPECT_EQ(plat::buttonState(kWin, 33), 1);
  });
  s.type(kWin, 102, "\b\b\b7").type(kWin, 134, "\b\b\b-3").key(kWin, 13);
  Run(s, 0.0);
  EXPECT_EQ(ScalingEntryOf(1), kClearedScaling);
  EXPECT_EQ(ScalingEntryOf(2), (ScalingEntry{0.0f, 7.0f, -3.0f}));
  EXPECT_EQ(ScaleOfEntry(ScalingEntryOf(1)), ResultScale{});
}

TEST_F(ScaleResultsDialog, ManyChannelsMakeATallerWindowAndOthersStayUntouched) {
  testsupport::ClearStore();
  ASSERT_EQ(AllocateSlot(0, 10, 32), StoreStatus::Ok);
  TheFileInUse = 0;
  int tall = 0;
  Script s;
  s.call([&tall] { tall = plat::contentSize(kWin).h; }).click(kWin, 32 + 30).click(kWin, kScaleDoneButton);
  Run(s, 9.0);
  EXPECT_EQ(ScalingEntryOf(30), (ScalingEntry{1.0f, 9.0f, 0.0f}));

  testsupport::ClearStore();
  ASSERT_EQ(AllocateSlot(0, 10, 12), StoreStatus::Ok);
  TheFileInUse = 0;
  int small = 0;
  Script t;
  t.call([&small] { small = plat::contentSize(kWin).h; }).click(kWin, kScaleClearAllButton).click(kWin, kScaleDoneButton);
  Run(t, 0.0);
  EXPECT_EQ(tall - small, 440);
  EXPECT_EQ(ScalingEntryOf(30), (ScalingEntry{1.0f, 9.0f, 0.0f})) << "channel 30 was not shown";
}

}  // namespace
