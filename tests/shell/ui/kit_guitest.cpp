// The window kit on a headless desk: every element opens and closes, fields
// and buttons come out as their codes ask, the channel-selection dialog in
// each mode leaves the right flags, and the alert renders and waits.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"

namespace {

constexpr int kPlot = kPlotWindowBase;   // slot 0

QColor rgb(plat::Rgb16 c) { return QColor::fromRgb(c.r >> 8, c.g >> 8, c.b >> 8); }

class Kit : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    prefsArray[kPrefColourDisplay] = 1;
    click = 0;   // no button-click sound left on by another suite
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    RunScript = 0;
    ClearMailbox();
    EFForeColor = 1;
    EFBackColor = 6;
    UseCrossChanIndex = 0;
    printblock = 0;
    CustomOverlay = 0;
    splot = 0;
    ASSERT_EQ(AllocateSlot(0, 100, 3), StoreStatus::Ok);
    SetChannelLabel(0, 1, "Oxygen");
    SetChannelLabel(0, 2, "Carbon dioxide");
    SetChannelLabel(0, 3, "Flow");
    for (int set = 1; set <= kOverlaySets; ++set)
      for (int c = 0; c < kOverlayFlags; ++c) OverlayArray[0][set][c] = 0;
    FileSHORTS[0][kShortBlockState] = 0;
    FileSHORTS[0][kShortView] = 0;
    TheFileInUse = 0;
    ActiveChannel = 1;
    BuildWINDOW(1, kPlot, "Plot", 94, 63, 94 + ScreenWidth, 63 + BottomOfPlotArea + 58, kKindDocument, 0);
  }
  void TearDown() override {
    FreeSlot(0);
    TheFileInUse = kNoFile;
    BackupCache.releaseAll();
  }

  static std::vector<uint16_t> set(int s) {
    return {OverlayArray[0][s][1], OverlayArray[0][s][2], OverlayArray[0][s][3]};
  }
  static std::vector<uint16_t> flags(uint16_t a, uint16_t b, uint16_t c) { return {a, b, c}; }
};

TEST_F(Kit, EveryElementOpensAndCloses) {
  testsupport::OpenStandInToolbar(kToolbarWindow);
  plat::addButton(kToolbarWindow, {.id = 598, .title = "Key", .r = {2, 2, 80, 20}, .state = 0});
  bool toolbarRepainted = false;
  gKitHooks.redrawToolbarBackground = [&] { toolbarRepainted = true; };

  EXPECT_EQ(HideTheToolBar(), 0);
  EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
  EXPECT_EQ(ToolbarIsHidden, 1);

  BuildWINDOW(1, 30, "Kit", 200, 200, 700, 600, kKindDocument, 1);
  EXPECT_EQ(plat::currentPortWindow(), 30);
  EXPECT_EQ(CurrentlyActiveWindow, 30);
  BUILDEF(1, 11, "12.5", 10, 10, 90, 26, 3, 0);
  BUILDEF(0, 12, "static", 100, 10, 200, 26, 7, 1);
  BUILDBUTTON(13, 1, "Radio", 10, 40, 3);
  MakePOPUPmenu(0, 71, 2, 10, 70, 150, 90);
  BuildBOX(5, 100, 200, 160);
  BUILDBOX2(210, 100, 400, 160);
  GrayBOX(1, 5, 170, 200, 230);
  DoubleLINE(5, 400, 240);
  EmbossPrint(1, "Heading", 18, 10, 270);
  putCICON(129, 220, 290);
  DoSubscript(10, 300, "VO", "2", " ml/min", 4);
  plat::currentPort().moveTo(10, 330);
  plat::currentPort().drawText("10");
  MakeSuperscript("3", 9);
  plat::currentPort().moveTo(10, 350);
  PrintChannelLabel(2);
  MOVE_CURSOR_CUE(250, 300, 480, 340, "select block in plot window", 328);
  MinimumProgressBarValue = 1;
  buildProgressBAR(10, 360, 300, 372, 500, 30);
  UpdateProgressBar(250);
  EXPECT_TRUE(plat::controlExists(30, 11));
  EXPECT_TRUE(plat::controlExists(30, 12));
  EXPECT_TRUE(plat::controlExists(30, 13));
  EXPECT_TRUE(plat::controlExists(30, 71)) << "control id 0 gives the pop-up the menu's id";
  EXPECT_TRUE(plat::controlExists(30, kProgressControl));
  plat::test::saveArtifact(plat::test::windowImage(30), "kit-elements.png");
  plat::removeControl(30, kProgressControl);

  plat::addTextView(30, 40, {10, 380, 400, 395}, true);
  CommentContainer[0] = "first line\rsecond line";
  TextViewSetTextFromMyContainer({30, 40});
  EXPECT_EQ(plat::viewText(30, 40), "first line\rsecond line");
  plat::setViewText(30, 40, "edited");
  TextViewGetTextCopyIntoMyContainer({30, 40});
  EXPECT_EQ(CommentContainer[0], "edited");
  TxtViewSetMargins({30, 40}, 4, 4, 4, 4);
  EXPECT_NE(TxtViewLoadText({30, 40}, 9999), 0) << "an unknown text code is reported";

  ScreenWidth = 1287;   // wide plots name channels in full
  MakeChannelSelectionsPopUp();
  ASSERT_TRUE(plat::controlExists(kPlot, kChannelPopup));
  EXPECT_EQ(plat::popupValue(kPlot, kChannelPopup), 1);
  EXPECT_EQ(plat::itemTitle(kChannelPopupMenu + 0, 3), "Channel 3");

  FileSHORTS[0][kShortView] = 1;
  OverlayArray[0][1][2] = 1;
  nVar[0][2][8] = 100;
  nVar[0][2][9] = 260;
  MultiChannelIndicator();
  EXPECT_TRUE(plat::controlExists(kPlot, 702));
  EXPECT_FALSE(plat::controlExists(kPlot, 701)) << "only shown channels get a button";
  EXPECT_EQ(plat::controlRect(kPlot, 702), (plat::Rect{ScreenWidth - 12, 130, ScreenWidth, 142}));
  KillMCHpictures(2);
  EXPECT_TRUE(MultiChannelImages[2].empty());

  OpenResultsWIndow(0, 1, 1, "Results", 0);
  OPENWINDOW6(1, 1, "Elapsed Time Statistics", 226);
  EXPECT_EQ(plat::contentRect(kSecondaryWindow).left, plat::frameRect(kResultsWindow).right + 4)
      << "beside the results window, not over it";
  EXPECT_EQ(plat::contentRect(kSecondaryWindow).height(), 226);
  BuildWINDOW(1, kUnknownWindow41, "41", 10, 500, 100, 560, kKindDocument, 0);
  DataFilterNotice("interpolated data are ignored");
  EXPECT_TRUE(plat::windowExists(kFilterNoticeWindow));
  ClearWINDOW41();
  for (int id : {4, 6, 41}) EXPECT_FALSE(plat::windowExists(id)) << id;
  plat::disposeWindow(kFilterNoticeWindow);
  plat::disposeWindow(30);

  EXPECT_EQ(RestoreTheToolBar(), 0);
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
  EXPECT_EQ(ToolbarIsHidden, 0);
  EXPECT_TRUE(toolbarRepainted);
  EXPECT_EQ(plat::buttonState(kToolbarWindow, 598), 1);
  gKitHooks.redrawToolbarBackground = nullptr;
}

TEST_F(Kit, BuildWindowReplacesTheIdAndPicksItsGround) {
  BuildWINDOW(0, 31, "First", 100, 100, 300, 200, kKindDocument, 1);
  EXPECT_EQ(plat::background(31), LightGray);
  BuildWINDOW(0, 31, "Second", 120, 120, 420, 220, kKindNoCloseBox, 0);
  EXPECT_EQ(plat::title(31), "Second");
  EXPECT_EQ(plat::contentRect(31), (plat::Rect{120, 120, 420, 220}));
  EXPECT_EQ(plat::background(31), gray);
  const std::vector<int> ids = plat::windowIds();
  EXPECT_EQ(std::count(ids.begin(), ids.end(), 31), 1);
}

TEST_F(Kit, RecreatedButtonLosesItsMark) {
  BuildWINDOW(1, 32, "Buttons", 100, 100, 400, 300, kKindDocument, 0);
  BUILDBUTTON(5, 1, "Channel 5", 20, 20, 3);
  EXPECT_EQ(plat::controlRect(32, 5), (plat::Rect{20, 21, 38, 33}));
  plat::setButtonState(32, 5, 2);
  BUILDBUTTON(5, 1, "Channel 5", 20, 20, 3);
  EXPECT_EQ(plat::buttonState(32, 5), 1);
  const QImage once = plat::test::portImage(32);
  BUILDBUTTON(5, 1, "Channel 5", 20, 20, 3);
  EXPECT_EQ(plat::test::portImage(32), once) << "re-printing the title must not thicken it";
}

TEST_F(Kit, FieldsFollowTheirTypeAndColourCodes) {
  BuildWINDOW(1, 33, "Fields", 100, 100, 400, 300, kKindDocument, 0);
  EFForeColor = 1;
  EFBackColor = 2;
  BUILDEF(1, 1, "", 10, 10, 110, 30, 3, 0);
  EFBackColor = 8;
  BUILDEF(0, 2, "result", 10, 40, 110, 60, 7, 1);
  EFBackColor = 1;
  BUILDEF(1, 3, "", 10, 70, 110, 90, 5, -1);

  const QImage img = plat::test::windowImage(33);
  EXPECT_EQ(img.pixelColor(100, 25), rgb({65535, 0, 0}));
  EXPECT_EQ(img.pixelColor(100, 55), rgb(manila));
  EXPECT_EQ(img.pixelColor(100, 85), rgb(lightBlue));

  InstallDialogHandlers();
  plat::test::Script s;
  s.type(33, 1, "7.5").type(33, 3, "2");
  plat::test::run(s, [] { while (plat::test::stepsLeft() > 0) plat::pump(); });
  EXPECT_EQ(plat::fieldText(33, 1), "7.5");
  EXPECT_EQ(plat::fieldText(33, 3), "2");
  plat::focusField(33, 2, true);
  EXPECT_NE(plat::focusedField(33), 2) << "type 7 is display only";
  BUILDEF(0, 2, "changed", 10, 40, 110, 60, 7, 1);
  EXPECT_EQ(plat::fieldText(33, 2), "changed") << "a field of that id is rebuilt";
}

TEST_F(Kit, ResultsWindowCrossChannelBox) {
  OpenResultsWIndow(1, 1, 0, "Average", 1);
  ASSERT_TRUE(plat::windowExists(kResultsWindow));
  EXPECT_EQ(plat::contentRect(kResultsWindow).width(), 475);
  EXPECT_EQ(plat::contentRect(kResultsWindow).left, plat::contentRect(kPlot).left + 15);
  EXPECT_GE(plat::contentRect(kResultsWindow).top, plat::contentRect(kPlot).top + BottomOfPlotArea);
  EXPECT_EQ(plat::buttonState(kResultsWindow, kCrossChannelBox), 0) << "no subset selected";

  BackupCache.put(kSelectionCountOffset, 5);
  SetSelectionIndexOwner(static_cast<int16_t>(TheFileInUse));
  UseCrossChanIndex = 1;
  OpenResultsWIndow(1, 1, 0, "Average", 0);
  EXPECT_EQ(plat::buttonState(kResultsWindow, kCrossChannelBox), 2);
  EXPECT_TRUE(plat::windowExists(kFilterNoticeWindow));
  EXPECT_EQ(plat::currentPortWindow(), kResultsWindow) << "the notice hands the port back";

  BackupCache.put(kSelectionCountOffset, 2);
  OpenResultsWIndow(1, 1, 0, "Average", 0);
  EXPECT_EQ(plat::buttonState(kResultsWindow, kCrossChannelBox), 0);
  EXPECT_EQ(UseCrossChanIndex, 0) << "a filter the user cannot switch off is not left on";

  OpenResultsWIndow(0, 1, 0, "Plain", 0);
  EXPECT_EQ(plat::contentRect(kResultsWindow).width(), 450);
  EXPECT_FALSE(plat::controlExists(kResultsWindow, kCrossChannelBox));
}

TEST_F(Kit, WarningStripesAndFramesDraw) {
  BuildWINDOW(1, 34, "Stripes", 100, 100, 300, 200, kKindDocument, 0);
  WARNINGSTRIPES(0, 2, 12, 20, 20, 180, 80);
  QImage img = plat::test::portImage(34);
  EXPECT_EQ(img.pixelColor(100, 50), QColor(Qt::white)) << "the panel stays clear";
  EXPECT_EQ(img.pixelColor(20, 50), QColor(Qt::black)) << "the panel is framed";
  int yellow = 0, black = 0;
  for (int x = 0; x < 200; ++x) {
    const QColor c = img.pixelColor(x, 5);
    yellow += c == QColor(255, 255, 0);
    black += c == QColor(Qt::black);
  }
  EXPECT_GT(yellow, 100);
  EXPECT_GT(black, 20);

  prefsArray[kPrefColourDisplay] = 0;
  WARNINGSTRIPES(0, 2, 12, 20, 20, 180, 80);
  BuildBOX(30, 30, 60, 60);
  img = plat::test::portImage(34);
  EXPECT_NE(img.pixelColor(0, 90).rgb(), QColor(255, 255, 0).rgb()) << "no yellow on monochrome";
  EXPECT_EQ(img.pixelColor(59, 45), QColor(Qt::white)) << "monochrome frames are white";

  prefsArray[kPrefColourDisplay] = 1;
  DoubleLINE(10, 50, 90);
  img = plat::test::portImage(34);
  EXPECT_EQ(img.pixelColor(30, 90), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(30, 89), rgb(kMediumDarkGray));
}

// ---- Channel selection --------------------------------------------------------------

TEST_F(Kit, StackedDisplayModeStartsFromTheShownChannels) {
  OverlayArray[0][1][2] = 1;
  plat::test::Script s;
  s.call([] {
     EXPECT_EQ(plat::buttonState(kChannelSelectWindow, 1), 1);
     EXPECT_EQ(plat::buttonState(kChannelSelectWindow, 2), 2);
     EXPECT_EQ(plat::controlTitle(kChannelSelectWindow, 2), "2: Carbon dioxide");
     EXPECT_FALSE(plat::controlExists(kChannelSelectWindow, kSelectBlockOnly));
   })
      .click(kChannelSelectWindow, 3)
      .click(kChannelSelectWindow, kSelectDone);
  int16_t r = -1;
  plat::test::run(s, [&] { r = SELECTCHANNELS("Select Channels To Display", 0, 0, 1, 3); });
  EXPECT_EQ(r, 0);
  EXPECT_EQ(set(1), flags(0, 1, 1));
  EXPECT_FALSE(plat::windowExists(kChannelSelectWindow));
}

TEST_F(Kit, DoneNeedsAChannelWhereNoneMakesNoSense) {
  plat::test::Script s;
  s.call([] { EXPECT_EQ(plat::buttonState(kChannelSelectWindow, 1), 2) << "nothing chosen yet: all"; })
      .click(kChannelSelectWindow, kSelectNone)
      .call([] { EXPECT_EQ(plat::buttonState(kChannelSelectWindow, kSelectDone), 0); })
      .key(kChannelSelectWindow, 13)
      .call([] { EXPECT_TRUE(plat::windowExists(kChannelSelectWindow)) << "Return cannot end it either"; })
      .click(kChannelSelectWindow, 1)
      .key(kChannelSelectWindow, 13);
  plat::test::run(s, [] { SELECTCHANNELS("Select Channels To Display", 0, 0, 1, 3); });
  EXPECT_EQ(set(1), flags(1, 0, 0));
}

TEST_F(Kit, RemovalModeStartsEmptyAndCancelRemovesNothing) {
  OverlayArray[0][1][1] = OverlayArray[0][1][2] = 1;   // the stacked display's channels
  plat::test::Script s;
  s.call([] { EXPECT_EQ(plat::buttonState(kChannelSelectWindow, 1), 1); })
      .click(kChannelSelectWindow, 3)
      .click(kChannelSelectWindow, kSelectDone);
  plat::test::run(s, [] { SELECTCHANNELS("Channels to Delete", 0, 3, 0, 2); });
  EXPECT_EQ(set(1), flags(0, 0, 1));

  OverlayArray[0][1][1] = 1;
  plat::test::Script c;
  c.click(kChannelSelectWindow, 2).closeBox(kChannelSelectWindow);
  int16_t r = 0;
  plat::test::run(c, [&] { r = SELECTCHANNELS("Channels to Delete", 0, 3, 0, 2); });
  EXPECT_EQ(r, kSelectCancelled);
  EXPECT_EQ(set(1), flags(0, 0, 0));
}

TEST_F(Kit, OverlayModeExcludesTheActiveChannelAndKnowsHandPicking) {
  plat::test::Script s;
  s.call([] { EXPECT_EQ(plat::buttonState(kChannelSelectWindow, 2), 0); })
      .click(kChannelSelectWindow, kSelectAll)
      .click(kChannelSelectWindow, kSelectDone);
  int16_t r = -1;
  plat::test::run(s, [&] { r = SELECTCHANNELS("Overlay Channel Selection", 2, 3, 0, 4); });
  EXPECT_EQ(r, 0);
  EXPECT_EQ(set(1), flags(1, 0, 1));
  EXPECT_EQ(CustomOverlay, 0);

  plat::test::Script h;
  h.click(kChannelSelectWindow, 1).click(kChannelSelectWindow, kSelectDone);
  plat::test::run(h, [&] { r = SELECTCHANNELS("Overlay Channel Selection", 2, 3, 0, 4); });
  EXPECT_EQ(set(1), flags(0, 0, 1));
  EXPECT_EQ(CustomOverlay, 1);

  plat::test::Script c;
  c.click(kChannelSelectWindow, 1).click(kChannelSelectWindow, kSelectCancel);
  plat::test::run(c, [&] { r = SELECTCHANNELS("Overlay Channel Selection", 2, 3, 0, 4); });
  EXPECT_EQ(r, kSelectCancelled);
  EXPECT_EQ(set(1), flags(0, 0, 1)) << "a cancelled overlay changes nothing";
}

TEST_F(Kit, PrintingModeOffersBlockOnlyWithABlock) {
  FileSHORTS[0][kShortBlockState] = 2;
  printblock = 1;
  plat::test::Script s;
  s.call([] { EXPECT_EQ(printblock, 0) << "starts off"; })
      .click(kChannelSelectWindow, kSelectBlockOnly)
      .call([] { EXPECT_EQ(plat::buttonState(kChannelSelectWindow, kSelectBlockOnly), 2); })
      .click(kChannelSelectWindow, kSelectDone);
  plat::test::run(s, [] { SELECTCHANNELS("Print File Image", 0, 1, 1, 1); });
  EXPECT_EQ(printblock, 1);
  EXPECT_EQ(set(1), flags(1, 1, 1));
}

TEST_F(Kit, SavingAndAllValuesUseTheirOwnSets) {
  OverlayArray[0][1][1] = 1;
  plat::test::Script s;
  s.click(kChannelSelectWindow, 2).click(kChannelSelectWindow, kSelectDone);
  plat::test::run(s, [] { SELECTCHANNELS("Channels to Save", 0, 0, 0, 5); });
  EXPECT_EQ(set(2), flags(1, 0, 1));
  EXPECT_EQ(set(1), flags(1, 0, 0));

  plat::test::Script a;
  a.click(kChannelSelectWindow, kSelectNone).click(kChannelSelectWindow, 3).click(kChannelSelectWindow, kSelectDone);
  int16_t r = -1;
  plat::test::run(a, [&] { r = SetUpAllValuesDisplay(); });
  EXPECT_EQ(r, 0);
  EXPECT_EQ(set(3), flags(0, 0, 1));
}

TEST_F(Kit, SelectionRestoresTheCallersHandlersAndPort) {
  BuildWINDOW(1, 4, "Analysis", 100, 500, 500, 700, kKindDocument, 0);
  plat::handlers().menu = HANDLEMENU;
  plat::test::Script s;
  s.click(kChannelSelectWindow, kSelectDone);
  plat::test::run(s, [] { SELECTCHANNELS("x", 0, 0, 1, 3); });
  EXPECT_EQ(plat::currentPortWindow(), 4);
  auto* menu = plat::handlers().menu.target<void (*)(const plat::Event&)>();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(*menu, &HANDLEMENU);
}

TEST_F(Kit, NoFileMeansNoDialog) {
  TheFileInUse = kNoFile;
  EXPECT_EQ(SELECTCHANNELS("x", 0, 0, 1, 3), kSelectCancelled);
  EXPECT_FALSE(plat::windowExists(kChannelSelectWindow));
}

// ---- The alert ---------------------------------------------------------------------------

TEST_F(Kit, AlertRendersAndWaitsForOK) {
  plat::defineMenu(3, "Analyze", {plat::MenuItemSpec{.title = "Descriptive Statistics"}});
  plat::appendToMenuBar(3);
  MenuIDENTIFIER = MenuItem = 0;
  BuildWINDOW(1, 4, "Analysis", 100, 500, 500, 700, kKindDocument, 0);
  plat::handlers().dialog = DoDIALOG;
  action = 1;
  eventID = 7;
  plat::test::Script s;
  s.call([] {
     ASSERT_TRUE(plat::windowExists(kAlertWindow));
     const QImage img = plat::test::windowImage(kAlertWindow);
     plat::test::saveArtifact(img, "alert.png");
     EXPECT_EQ(img.pixelColor(3, 60), QColor(255, 255, 0)) << "warning band";
     EXPECT_EQ(img.pixelColor(200, 14), QColor(Qt::white)) << "clear panel";
     EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage), "Too many channels to fit!");
   })
      .menu(3, 1)
      .click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { ShowAlert("Too many channels to fit!", "bzot", 128); });
  EXPECT_FALSE(plat::windowExists(kAlertWindow));
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"bzot"});
  EXPECT_EQ(plat::currentPortWindow(), 4);
  EXPECT_EQ(action, 1) << "the caller's mailbox comes back";
  EXPECT_EQ(eventID, 7);
  EXPECT_TRUE(plat::handlers().dialog);
  EXPECT_EQ(MenuIDENTIFIER, 0) << "a pick made during the alert is not left pending";
}

TEST_F(Kit, AlertEndsOnReturnOrEnterOnly) {
  for (int key : {13, 3}) {
    plat::test::Script s;
    s.key(kAlertWindow, 'x')
        .call([] { EXPECT_TRUE(plat::windowExists(kAlertWindow)); })
        .key(kAlertWindow, key);
    plat::test::run(s, [] { ShowAlert("File format seems incorrect.", "scream", 129); });
    EXPECT_FALSE(plat::windowExists(kAlertWindow)) << key;
  }
  EXPECT_EQ(plat::test::soundsPlayed(), (std::vector<std::string>{"scream", "scream"}));
}

TEST_F(Kit, AlertIsSilentWithSoundsOff) {
  prefsArray[kPrefSoundLevel] = 0;
  plat::test::Script s;
  s.click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { ShowAlert("A long message that wraps over more than one line of the alert "
                                    "window so that the window grows to hold it all.", "bzot", 128); });
  EXPECT_TRUE(plat::test::soundsPlayed().empty());
}

}  // namespace
