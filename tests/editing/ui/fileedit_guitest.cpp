// The edits of a whole file from the program's own start-up: cutting the
// block with its marker warning, marker removal, Crop File, Remove Channels,
// Time Scale Adjustment and Re-arrange Channels, each from its menu item to
// its closed window.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "registrars.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/fileedit.h"
#include "editing/ui/cropfile.h"
#include "editing/ui/cutblock.h"
#include "editing/ui/rearrange.h"
#include "editing/ui/timescale_dialog.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "plot/ui/stacked.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;


class FileEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    // Four channels of 1,000 cases: channel c holds c * 10000 + case.
    while (nChannels[slot_] < 4) ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
    bool extra[kMaxChannels + 1] = {};
    for (int16_t c = 5; c <= nChannels[slot_]; ++c) extra[c] = true;
    ASSERT_EQ(RemoveChannels(slot_, extra), StoreStatus::Ok);
    ASSERT_EQ(ResizeChannels(slot_, 1000), StoreStatus::Ok);
    for (int16_t c = 1; c <= 4; ++c) {
      for (int32_t k = 0; k <= 1000; ++k) PutDatum(slot_, c, k, static_cast<float>(c * 10000 + k));
      SetChannelLabel(slot_, c, "channel " + std::to_string(c));
    }
    FileInfoFLOATS[slot_][kInfoInterval] = 1.0f;
    SetMarkers(slot_, {});
    FileSHORTS[slot_][kShortChanged] = 0;
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::StopProgram();
  }
  void block(int32_t b, int32_t e) {
    testsupport::MarkBlock(slot_, b, e);
  }
  static void menu(int16_t m, int16_t item, const Script& s = Script{}) {
    plat::test::run(s, [&] { EXPECT_TRUE(DoMENU(m, item)); });
  }
  static bool enabled(int16_t m, int16_t item) {
    SETMENU(0);
    return plat::itemEnabled(m, item);
  }
  static size_t played(const std::string& name) {
    const auto& s = plat::test::soundsPlayed();
    return static_cast<size_t>(std::count(s.begin(), s.end(), name));
  }
  static void snapshot(int win, const char* name) { plat::test::saveArtifact(plat::test::windowImage(win), name); }
  int16_t slot_ = -1;
};

TEST_F(FileEditing, BlockCommandsWaitForABlock) {
  const MenuPick picks[] = {{kMenuChangeOrRemove, 2}, {kMenuChangeOrRemove, 3}, {kMenuEdit, 30}, {kMenuMarkers, 3}};
  for (const MenuPick& p : picks) EXPECT_FALSE(enabled(p.menu, p.item)) << p.menu << "," << p.item;
  EXPECT_TRUE(enabled(kMenuChangeOrRemove, 4));
  EXPECT_TRUE(enabled(kMenuEdit, 32));
  EXPECT_TRUE(enabled(kMenuAppendOrStack, 4));
  block(101, 200);
  for (const MenuPick& p : picks) EXPECT_TRUE(enabled(p.menu, p.item)) << p.menu << "," << p.item;
  block(201, 200);
  EXPECT_FALSE(enabled(kMenuEdit, 30)) << "no crop of a reversed block";
  // A cut without a valid block only sounds the error.
  menu(kMenuChangeOrRemove, 3);
  EXPECT_EQ(nCases[slot_], 1000);
  EXPECT_EQ(played("bzot"), 1u);
}

TEST_F(FileEditing, ChannelOnlyCutIsUndoneAndTheOneChannelFileOffersTemporarilyOrPermanently) {
  block(101, 201);
  Script s;
  s.call([] {
     EXPECT_EQ(plat::title(kCutBlockWindow), "Cut Block");
     EXPECT_EQ(plat::buttonState(kCutBlockWindow, kCutEntireFile), 2) << "the entire file is proposed";
     EXPECT_EQ(plat::controlTitle(kCutBlockWindow, kCutThisChannel), "This Channel Only");
     EXPECT_EQ(plat::controlTitle(kCutBlockWindow, kCutEntireFile), "The Entire File");
     snapshot(kCutBlockWindow, "fileedit-cutblock.png");
   })
      .click(kCutBlockWindow, kCutThisChannel)
      .click(kCutBlockWindow, kCutRemove);
  const std::vector<float> before = gPointersToFileData[slot_][1];
  menu(kMenuChangeOrRemove, 2, s);
  EXPECT_FALSE(plat::windowExists(kCutBlockWindow));
  EXPECT_EQ(nCases[slot_], 1000);
  EXPECT_EQ(GetDatum(slot_, 1, 101), 10201.0f);
  EXPECT_EQ(GetDatum(slot_, 1, 1000), 0.0f);
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0);
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  ASSERT_TRUE(enabled(kMenuEdit, 1));
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], before);

  bool drop[kMaxChannels + 1] = {false, false, true, true, true};
  ASSERT_EQ(RemoveChannels(slot_, drop), StoreStatus::Ok);
  block(101, 201);
  Script one;
  one.call([] {
       EXPECT_EQ(plat::controlTitle(kCutBlockWindow, kCutThisChannel), "Temporarily");
       EXPECT_EQ(plat::controlTitle(kCutBlockWindow, kCutEntireFile), "Permanently");
       snapshot(kCutBlockWindow, "fileedit-cutblock-one-channel.png");
     })
      .click(kCutBlockWindow, kCutCancel);
  menu(kMenuChangeOrRemove, 2, one);
  EXPECT_EQ(GetDatum(slot_, 1, 101), 10101.0f) << "Cancel cuts nothing";
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 2);
}

TEST_F(FileEditing, TheMarkerWarningsThreeAnswers) {
  const struct {
    int16_t button;
    int32_t cases;
    std::vector<MarkerRecord> markers;
  } cases[] = {
      {kMarkerWarningCancel, 1000, {{150, 'a'}, {250, 'b'}}},
      {kMarkerWarningYes, 901, {{151, 'b'}}},
      {kMarkerWarningInsert, 901, {{101, 'a'}, {151, 'b'}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    SetUp();
    SetMarkers(slot_, {{150, 'a'}, {250, 'b'}});
    ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
    block(101, 200);
    Script s;
    s.click(kCutBlockWindow, kCutRemove)
        .call([] { snapshot(kMarkerWarningWindow, "fileedit-marker-warning.png"); })
        .click(kMarkerWarningWindow, c.button);
    menu(kMenuChangeOrRemove, 2, s);
    EXPECT_EQ(nCases[slot_], c.cases);
    EXPECT_EQ(MarkersArray[slot_], c.markers);
    EXPECT_EQ(played("scream"), 1u);
    EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0) << "the block goes even when cancelled";
    if (c.cases == 901) {
      EXPECT_EQ(GetDatum(slot_, 3, 101), 30200.0f);
      EXPECT_FALSE(enabled(kMenuEdit, 1)) << "a whole-file cut cannot be undone";
    }
  }
  // The toolbar's cut asks nothing but the marker question.
  SetUp();
  block(1, 61);
  StartTime[slot_] = "08:00:00";
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunToolbarDirect(591)); });
  EXPECT_EQ(nCases[slot_], 940);
  EXPECT_EQ(StartTime[slot_], " 8: 1: 0");
}

TEST_F(FileEditing, MarkerRemovalAsksFirstAndKeepsTheMarkersOutside) {
  SetMarkers(slot_, {{50, 'a'}, {150, 'b'}, {200, 'c'}, {201, 'd'}});
  block(101, 200);
  Script cancel;
  cancel.click(kDataLossWindow, kDataLossCancel);
  menu(kMenuMarkers, 3, cancel);
  EXPECT_EQ(MarkerCount(slot_), 4);
  Script s;
  s.call([] { snapshot(kDataLossWindow, "fileedit-marker-removal.png"); }).click(kDataLossWindow, kDataLossContinue);
  menu(kMenuMarkers, 3, s);
  EXPECT_EQ(MarkersArray[slot_], (std::vector<MarkerRecord>{{50, 'a'}, {201, 'd'}}));
  EXPECT_EQ(played("bzot"), 2u) << "the normal sound level warns with bzot";
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
}

TEST_F(FileEditing, CropFileKeepsTheBlock) {
  SetMarkers(slot_, {{100, 'a'}, {101, 'b'}, {200, 'c'}, {201, 'd'}});
  block(101, 200);
  Script s;
  s.call([] { snapshot(kCropWindow, "fileedit-crop.png"); }).click(kCropWindow, kCropOK);
  menu(kMenuEdit, 30, s);
  EXPECT_FALSE(plat::windowExists(kCropWindow));
  EXPECT_EQ(nCases[slot_], 100);
  EXPECT_EQ(GetDatum(slot_, 2, 1), 20101.0f);
  EXPECT_EQ(MarkersArray[slot_], (std::vector<MarkerRecord>{{1, 'b'}, {100, 'c'}}));
  EXPECT_NE(CommentContainer[slot_].find("channel 1 was cropped"), std::string::npos);
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0);
  EXPECT_FALSE(enabled(kMenuEdit, 30));
}

TEST_F(FileEditing, RemoveChannelsDeletesTheTickedOnesAndNeverAll) {
  Script s;
  s.click(kChannelSelectWindow, 2)
      .click(kChannelSelectWindow, 4)
      .call([] { snapshot(kChannelSelectWindow, "fileedit-remove-channels.png"); })
      .click(kChannelSelectWindow, kSelectDone);
  menu(kMenuChangeOrRemove, 4, s);
  ASSERT_EQ(nChannels[slot_], 2);
  EXPECT_EQ(GetDatum(slot_, 2, 5), 30005.0f);
  EXPECT_EQ(RetrieveLabel(2), FitLabel("channel 3"));
  EXPECT_LT(CommentContainer[slot_].find("channel 4:  DELETED"), CommentContainer[slot_].find("channel 2:  DELETED"));
  Script all;
  all.click(kChannelSelectWindow, kSelectAll).click(kChannelSelectWindow, kSelectDone);
  menu(kMenuChangeOrRemove, 4, all);
  EXPECT_EQ(nChannels[slot_], 2);
  EXPECT_EQ(played("bzot"), 1u);
}

TEST_F(FileEditing, TimeScaleReturnCancelsZeroBuzzesAndOKResamples) {
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  Script esc;
  esc.call([] { snapshot(kTimeScaleWindow, "fileedit-timescale.png"); })
      .click(kTimeScaleWindow, kTimeScaleCopy)
      .click(kSaveAsWindow, kSaveAsCancel)
      .call([] { EXPECT_TRUE(plat::windowExists(kTimeScaleWindow)) << "back from Save As"; })
      .key(kTimeScaleWindow, 13);
  menu(kMenuAppendOrStack, 4, esc);
  EXPECT_FALSE(plat::windowExists(kTimeScaleWindow));
  EXPECT_EQ(nCases[slot_], 1000);
  EXPECT_EQ(played("bzot"), 1u) << "the window's own warning";

  Script s;
  s.call([] { plat::setFieldText(kTimeScaleWindow, kTimeScaleField, ""); })
      .type(kTimeScaleWindow, kTimeScaleField, "0")
      .click(kTimeScaleWindow, kTimeScaleOK)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kTimeScaleWindow));
        EXPECT_EQ(played("bzot"), 3u);
        plat::setFieldText(kTimeScaleWindow, kTimeScaleField, "");
      })
      .type(kTimeScaleWindow, kTimeScaleField, "0.0001")
      .click(kTimeScaleWindow, kTimeScaleOK)
      .call([] { snapshot(kAlertWindow, "fileedit-timescale-too-many-cases.png"); })
      .click(kAlertWindow, kAlertOK)
      .call([] { plat::setFieldText(kTimeScaleWindow, kTimeScaleField, ""); })
      .type(kTimeScaleWindow, kTimeScaleField, "2")
      .click(kTimeScaleWindow, kTimeScaleOK);
  menu(kMenuAppendOrStack, 4, s);
  EXPECT_FALSE(plat::windowExists(kTimeScaleWindow));
  EXPECT_EQ(nCases[slot_], 500);
  EXPECT_EQ(GetDatum(slot_, 1, 1), 10003.0f);
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoInterval], 2.0f);
  EXPECT_FALSE(enabled(kMenuEdit, 1));
  EXPECT_NE(CommentContainer[slot_].find("new sample interval 2 sec"), std::string::npos);
}

TEST_F(FileEditing, RearrangementFollowsThePicksAndKeepsTheFileBeforeInTheBackup) {
  std::vector<ChannelArray> before;
  for (int16_t c = 1; c <= 4; ++c) before.push_back(gPointersToFileData[slot_][c]);
  Script s;
  s.click(kRearrangeWindow, 3)
      .click(kRearrangeWindow, 1)
      .call([] { snapshot(kRearrangeWindow, "fileedit-rearrange.png"); })
      .click(kRearrangeWindow, kRearrangeOK)
      .call([] { snapshot(kChangeWarningWindow, "fileedit-rearrange-warning.png"); })
      .click(kChangeWarningWindow, kChangeWarningOK);
  menu(kMenuEdit, 32, s);
  EXPECT_FALSE(plat::windowExists(kRearrangeWindow));
  ASSERT_EQ(nChannels[slot_], 2);
  EXPECT_EQ(gPointersToFileData[slot_][1], before[2]);
  EXPECT_EQ(gPointersToFileData[slot_][2], before[0]);
  EXPECT_EQ(RetrieveLabel(1), FitLabel("channel 3"));
  EXPECT_EQ(played("ahem"), 1u);
  DataFileImage backup;
  ASSERT_EQ(ReadNativeBinary(plat::appFolder() / kRearrangeBackupName, &backup), FileStatus::Ok);
  EXPECT_EQ(backup.data, before);

  // Picks 2, 2, 1 after a fresh start, with " ReAr" for the next Save As.
  Script again;
  again.click(kRearrangeWindow, 1)
      .click(kRearrangeWindow, kRearrangeAgain)
      .key(kRearrangeWindow, 13)
      .call([] { EXPECT_TRUE(plat::windowExists(kRearrangeWindow)) << "Return before a pick does nothing"; })
      .click(kRearrangeWindow, 2)
      .click(kRearrangeWindow, 2)
      .click(kRearrangeWindow, 1)
      .click(kRearrangeWindow, kRearrangeReArBox)
      .key(kRearrangeWindow, 13);
  menu(kMenuEdit, 32, again);
  ASSERT_EQ(nChannels[slot_], 3);
  EXPECT_EQ(gPointersToFileData[slot_][1], before[0]);
  EXPECT_EQ(gPointersToFileData[slot_][2], before[0]);
  EXPECT_EQ(gPointersToFileData[slot_][3], before[2]);
  EXPECT_EQ(played("ahem"), 1u) << "no notice with ReAr ticked";
  EXPECT_EQ(SaveAsName[slot_], "demo-respirometry ReAr");

  // In the stacked view the strips are picked again: their numbers changed.
  for (int16_t c = 1; c <= 3; ++c) OverlayArray[slot_][1][c] = 1;
  FileSHORTS[slot_][kShortView] = 1;
  CustomScreenPlot = 1;
  std::string asked;
  Script stacked;
  stacked.click(kRearrangeWindow, 3)
      .click(kRearrangeWindow, 1)
      .click(kRearrangeWindow, kRearrangeReArBox)
      .click(kRearrangeWindow, kRearrangeOK)
      .call([&] { asked = plat::title(kChannelSelectWindow); })
      .click(kChannelSelectWindow, kSelectNone)
      .click(kChannelSelectWindow, 2)
      .click(kChannelSelectWindow, kSelectDone);
  menu(kMenuEdit, 32, stacked);
  EXPECT_EQ(asked, "Select Channels to Display");
  EXPECT_EQ(nChannels[slot_], 2);
  EXPECT_EQ(OverlayArray[slot_][1][1], 0);
  EXPECT_EQ(OverlayArray[slot_][1][2], 1);
  EXPECT_EQ(CustomScreenPlot, 0) << "heights set for the old strips are not used for the new ones";
  EXPECT_FALSE(plat::windowExists(kRearrangeSavingWindow));
}

}  // namespace
