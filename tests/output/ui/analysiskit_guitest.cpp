// The analysis-window kit: header duration and minutes, channel and unit
// buttons, the output icons, key translation and deferred toolbar picks.
#include <gtest/gtest.h>

#include <QColor>

#include "analyses/statspanel.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/destination.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "platform/test.h"

namespace {

class AnalysisKit : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    testsupport::ClearStore();
    SetFixedColours();
    SetDEFAULTS();
    prefsArray[kPrefColourDisplay] = 1;
    ASSERT_EQ(AllocateSlot(0, 2000, 18), StoreStatus::Ok);
    TheFileInUse = 0;
    FileInfoFLOATS[0][kInfoInterval] = 1.0f;
    BeginBlock[0] = 0;
    EndBlock[0] = 599;
    FileSHORTS[0][kShortBlockState] = 2;
    ch = 3;
    Analysis_Code = 1;
    OpenResultsWIndow(0, 1, 0, "kit", 0);
    FitResultsWindow(356);
  }
  void TearDown() override {
    SetDEFAULTS();
    MENU_or_ToolBar_PICKED = 0;
    menuidx = menuitemx = 0;
    gOutputUiHooks = {};
    testsupport::ClearStore();
  }
};

TEST_F(AnalysisKit, HeaderSwitchesToMinutesAtSixHundredSeconds) {
  CHANNELSELECT();
  EXPECT_EQ(minutes, 0) << "599 s";
  EXPECT_EQ(plat::buttonState(kResultsWindow, 3), 2);
  EndBlock[0] = 600;
  WriteHEADER(0);
  EXPECT_EQ(minutes, 1);
  Analysis_Code = 2;   // minimum: the header marks no channel
  plat::setButtonState(kResultsWindow, 3, 1);
  WriteHEADER(0);
  EXPECT_EQ(plat::buttonState(kResultsWindow, 3), 1);
  EXPECT_GE(plat::contentSize(kResultsWindow).h, 356);
}

TEST_F(AnalysisKit, ChannelButtonsFillTwoRowsAndOnlyTheFilesChannels) {
  CHANNELSELECT();
  EXPECT_EQ(plat::controlRect(kResultsWindow, 17).right, 315);
  EXPECT_EQ(plat::controlRect(kResultsWindow, 18).left, 5);
  EXPECT_EQ(plat::controlRect(kResultsWindow, 18).top, 277);
  EXPECT_EQ(plat::controlTitle(kResultsWindow, 9), "9");
  EXPECT_EQ(plat::controlTitle(kResultsWindow, 12), "12");
  EXPECT_FALSE(plat::controlExists(kResultsWindow, 19));
  EXPECT_TRUE(plat::controlExists(kResultsWindow, kScaleButton));
  plat::disposeWindow(kResultsWindow);
  OpenResultsWIndow(0, 1, 0, "kit", 0);
  Analysis_Code = 9;   // integration has no distribution buttons here
  CHANNELSELECT();
  EXPECT_FALSE(plat::controlExists(kResultsWindow, kDistributionButton));
  EXPECT_TRUE(plat::controlExists(kResultsWindow, kHelpButton));
}

TEST_F(AnalysisKit, UnitButtonsOnlyForAUnitAndMarkedOnlyWhenOneMatches) {
  IntegrationUnit = 0;
  IntBUTTON();
  EXPECT_FALSE(plat::controlExists(kResultsWindow, kUnitSeconds));
  IntegrationUnit = kUnitHours;
  IntBUTTON();
  EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitHours), 2);
  EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitMinutes), 1);
  IntegrationUnit = 999;
  IntBUTTON();
  for (const UnitButton& u : kUnitButtons) EXPECT_EQ(plat::buttonState(kResultsWindow, u.id), 1) << u.id;
}

TEST_F(AnalysisKit, DiskAndPageIconsAreDrawnAndErased) {
  InstallAnalysisKitHooks();
  const QImage blank = plat::test::portImage(kResultsWindow);
  gOutputUiHooks.drawDisk("p");
  QImage img = plat::test::portImage(kResultsWindow);
  EXPECT_EQ(QColor(img.pixel(311, 10)), QColor(0, 255, 255));
  EXPECT_EQ(QColor(img.pixel(306, 11)), QColor(0, 0, 0)) << "label line";
  EraseDiskIcon();
  EXPECT_EQ(plat::test::portImage(kResultsWindow), blank);

  prefsArray[kPrefColourDisplay] = 0;
  DRAWDISK("p");
  EXPECT_NE(QColor(plat::test::portImage(kResultsWindow).pixel(311, 10)), QColor(0, 255, 255));

  // The page's mock lines are random: repeated drawings differ.
  bool differs = false;
  gOutputUiHooks.drawPage();
  const QImage first = plat::test::portImage(kResultsWindow).copy(300, 2, 13, 13);
  for (int i = 0; i < 5 && !differs; ++i) {
    DRAWPAGE();
    differs = plat::test::portImage(kResultsWindow).copy(300, 2, 13, 13) != first;
  }
  EXPECT_TRUE(differs);
}

TEST_F(AnalysisKit, KeysMapToHelpStoreAndExistingChannels) {
  EXPECT_EQ(TranslateAnalysisKey('?', 18).kind, AnalysisKeyKind::Help);
  EXPECT_EQ(TranslateAnalysisKey('/', 18).kind, AnalysisKeyKind::Help);
  EXPECT_EQ(TranslateAnalysisKey('P', 18).kind, AnalysisKeyKind::Store);
  EXPECT_EQ(TranslateAnalysisKey('0', 18).channel, 10);
  EXPECT_EQ(TranslateAnalysisKey('$', 18).channel, 14);
  EXPECT_EQ(TranslateAnalysisKey('$', 13).kind, AnalysisKeyKind::None) << "no channel 14";
  EXPECT_EQ(TranslateAnalysisKey('x', 18).kind, AnalysisKeyKind::None);
  EXPECT_EQ(TranslateAnalysisKey(0xB2, 18).kind, AnalysisKeyKind::None);
  HelpSubject = 186;
  plat::test::run(plat::test::Script{}, [] { EXPECT_EQ(HandleAnalysisKey('?'), 0); });
  ASSERT_FALSE(plat::test::helpSubjects().empty());
  EXPECT_EQ(plat::test::helpSubjects().back(), 186);
}

TEST_F(AnalysisKit, ToolbarClicksAreDeferredToTheMainLoop) {
  EXPECT_TRUE(IsDeferredToolbarClick(565));
  EXPECT_TRUE(IsDeferredToolbarClick(135));
  EXPECT_FALSE(IsDeferredToolbarClick(121));
  DeferToolbarClick(565);
  EXPECT_EQ(MENU_or_ToolBar_PICKED, 1);
  EXPECT_EQ(MenuPick({menuidx, menuitemx}), ToolbarClickPick(565, true));
}

}  // namespace
