// "Transformations and Conversions" and the custom transforms from the
// program's own start-up: a conversion stored with Done, a cancelled run
// into a new channel, chained runs, a saved transform picked again from the
// file, a damaged file, in-place Undo and a replayed step.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calculators/ui/pressure_windows.h"
#include "datafiles/ui/open.h"
#include "editing/customtransforms.h"
#include "editing/transforms.h"
#include "editing/ui/calibsetup.h"
#include "editing/ui/customtransforms.h"
#include "editing/ui/transformations.h"
#include "output/results.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "plot/ui/plotwindow.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "registrars.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/textutil.h"
#include "shell/ui/startup.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int kWin = kResultsWindow;
constexpr int kStpWindow = 8;  // the calculators' window

class Transformations : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::StartProgram();
    slot_ = testsupport::OpenDemo();
    ASSERT_GE(slot_, 0);
    original_ = gPointersToFileData[slot_][1];
    fs::remove(plat::appFolder() / kCustomTransformsFile);
  }
  void TearDown() override {
    testsupport::StopProgram();
  }
  static void run(const Script& s) {
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 22)); });
  }
  int16_t slot_ = -1;
  std::vector<float> original_;
};

TEST_F(Transformations, ConversionItem21StoresOneWithDoneAndTheMenuItemsAreOffered) {
  SETMENU(0);
  for (int16_t item : {22, 23, 24}) EXPECT_TRUE(plat::itemEnabled(kMenuEdit, item)) << item;
  EXPECT_TRUE(ToolButtonAvailable(562));
  EXPECT_TRUE(ScriptOpRegistered(kTransformOp));
  for (int k = 0; k <= nCases[slot_]; ++k) PutDatum(slot_, 1, k, 3600.0f);
  Script s;
  s.click(kWin, kTrModeConvert)
      .popup(kWin, kTrConversionPopup, 31)  // the STP converter opens and runs nothing here
      .click(kStpWindow, kStpDone)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kWin));
        EXPECT_EQ(plat::buttonState(kWin, kTrAll), 0);
      })
      .click(kWin, kTrModeTransform)
      .click(kWin, kTrModeConvert)  // the list opens at item 21, and item 21 is what runs
      .click(kWin, kTrAll)
      .call([] {
        plat::test::saveArtifact(plat::test::windowImage(kWin), "transformations.png");
        EXPECT_TRUE(plat::itemEnabled(kConversionMenu, 31)) << "the STP converter is registered";
      })
      .click(kWin, kTrDone);
  run(s);
  EXPECT_FLOAT_EQ(GetDatum(slot_, 1, 5), 1.0f);
  EXPECT_NE(CommentContainer[slot_].find("conversion # 21: rate/hour --> rate/sec"), std::string::npos);
}

TEST_F(Transformations, ACancelledRunIntoANewChannelLeavesChannelsAndLabels) {
  ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
  MakeChannelSelectionsPopUp();
  RebuildChannelMenu();
  const int16_t n = nChannels[slot_];
  std::string labels[5];
  for (int k = 1; k <= 4; ++k) labels[k] = LabelStrings[slot_][k];
  Script s;
  s.click(kWin, kTrNewChannel)
      .popup(kWin, kTrTransformPopup, 4)
      .click(kWin, kTrAll)
      .call([&] { EXPECT_EQ(nChannels[slot_], n + 1); })
      .click(kWin, kTrAll)
      .call([&] { EXPECT_EQ(nChannels[slot_], n + 1) << "the pending channel is reused"; })
      .call([] { plat::setFieldText(kWin, kTrLabelField, "changed"); })
      .click(kWin, kTrCancel);
  run(s);
  EXPECT_EQ(nChannels[slot_], n);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(LabelStrings[slot_][k], labels[k]);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  // The pop-up and the Channel menu name the channel the plot shows, not the
  // one that came and went.
  EXPECT_EQ(plat::popupValue(PlotWindowId(slot_), kChannelPopup), ActiveChannel);
  EXPECT_EQ(plat::itemCount(kMenuChannel), nChannels[slot_]);
}

TEST_F(Transformations, SaveAndContinueChainsAndUndoAfterDoneGivesTheExactBytes) {
  Script s;
  s.popup(kWin, kTrTransformPopup, 7)
      .call([] { plat::setFieldText(kWin, kTrField1, "1"); })
      .click(kWin, kTrAll)
      .click(kWin, kTrSaveContinue)
      .click(kWin, kTrAll)
      .click(kWin, kTrDone);
  run(s);
  for (int k = 0; k <= 20; ++k) EXPECT_FLOAT_EQ(GetDatum(slot_, 1, k), original_[k] - 2.0f) << k;
  const std::vector<float> once = [&] {
    std::vector<float> v = original_;
    for (float& x : v) x -= 1.0f;
    return v;
  }();
  DoMENU(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], once) << "undo gives back the first stored result";
}

// The texts said what was so before the last click: the copy named the
// active channel rather than the source picked, the new-channel box lost its
// tick while still in force, a kelvin channel kept "(degC)".
TEST_F(Transformations, ItsTextsFollowWhatTheDialogWillDo) {
  ActiveChannel = 4;
  std::vector<std::string> seen;
  auto note = [&seen] {
    seen.push_back(plat::controlTitle(kWin, kTrCopy) + (plat::buttonState(kWin, kTrCopy) == 0 ? " (off)" : "") + " | " +
                   plat::controlTitle(kWin, kTrNewChannel) + (plat::buttonState(kWin, kTrNewChannel) == 2 ? " [x]" : ""));
  };
  std::string converted;
  Script s;
  s.call(note)
      .click(kWin, 2)
      .call(note)
      .click(kWin, kTrNewChannel)
      .click(kWin, kTrAll)
      .call(note)
      .click(kWin, kTrSaveContinue)
      .call(note)
      .click(kWin, 4)
      .click(kWin, kTrModeConvert)
      .popup(kWin, kTrConversionPopup, 24)
      .click(kWin, kTrAll)
      .call([&] { converted = TrimTrailingBlanks(plat::fieldText(kWin, kTrLabelField)); })
      .click(kWin, kTrCancel);
  run(s);
  const std::vector<std::string> want{
      "Copy Channel 4 to New Channel 5 | Store Results in New Channel 5",
      "Copy Channel 2 to New Channel 5 | Store Results in New Channel 5",
      "Copy Channel 2 to New Channel 6 (off) | Store Results in New Channel 5 [x]",
      "Copy Channel 5 to New Channel 6 | Store Results in New Channel 6 [x]",
  };
  EXPECT_EQ(seen, want);
  EXPECT_EQ(converted, "Chamber temp (K)");
}

// What a click draws reached the screen only at the window's next repaint:
// the "a / b / exp" captions of a list pick, and the channel columns after
// "Copy Channel" (the new channel's button stood below a box ending at the
// old last channel), a pick that adds the second column, or a result stored.
TEST_F(Transformations, WhatAClickDrawsShowsAtOnce) {
  const QRect captions(4, 98, 142, 66), columns(320, 0, 316, 230);
  const struct {
    const char* what;
    std::function<void(Script&)> click;
    QRect area;
  } cases[] = {
      {"captions of a list pick", [](Script& s) { s.popup(kWin, kTrTransformPopup, 5); }, captions},
      {"columns after Copy Channel", [](Script& s) { s.click(kWin, kTrCopy); }, columns},
      {"second column of a two-channel pick", [](Script& s) { s.popup(kWin, kTrTransformPopup, 22); }, columns},
      {"columns and note after Save & Continue",
       [](Script& s) { s.popup(kWin, kTrTransformPopup, 7).click(kWin, kTrAll).click(kWin, kTrSaveContinue); },
       QRect(0, 0, 636, 230)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QImage shown, drawn;
    Script s;
    c.click(s);
    s.call([&] {
       shown = plat::test::shownImage(kWin).copy(c.area);
       drawn = plat::test::windowImage(kWin).copy(c.area);
       plat::test::saveArtifact(plat::test::shownImage(kWin), std::string("transformations-shown-") + c.what + ".png");
     }).closeBox(kWin);
    run(s);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_NE(drawn, QImage(drawn).copy(0, 0, 1, 1).scaled(drawn.size())) << "something is drawn";
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), drawn.convertToFormat(QImage::Format_RGB32))
        << "and on the screen";
  }
}

TEST_F(Transformations, ASavedTransformIsPickedFromTheFileAndADamagedFileAppliesNothing) {
  Script save;
  save.popup(kWin, kTrTransformPopup, 6)
      .call([] { plat::setFieldText(kWin, kTrField1, "10"); })
      .popup(kWin, kTrCustomPopup, 4)
      .call([] {
        plat::setFieldText(kCustomWindow, kSaveName, "ten minus x");
        plat::test::saveArtifact(plat::test::windowImage(kCustomWindow), "custom-save.png");
      })
      .click(kCustomWindow, kSaveDone)
      .closeBox(kWin);
  run(save);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadCustomTransformsFile(plat::appFolder() / kCustomTransformsFile, &bytes));
  ASSERT_EQ(bytes.size(), kCustomRecordBytes);

  Script use;
  use.popup(kWin, kTrCustomPopup, 3)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kCustomWindow), "custom-picker.png"); })
      .click(kCustomWindow, 1)
      .click(kCustomWindow, kCustomOK)
      .call([] { EXPECT_EQ(plat::popupValue(kWin, kTrTransformPopup), 6) << "the list shows the saved kind"; })
      .popup(kWin, kTrTransformPopup, 4)  // a later list pick replaces the custom transform
      .popup(kWin, kTrCustomPopup, 3)
      .click(kCustomWindow, 1)
      .click(kCustomWindow, kCustomOK)
      .click(kWin, kTrAll)
      .click(kWin, kTrDone);
  run(use);
  EXPECT_FLOAT_EQ(GetDatum(slot_, 1, 3), 10.0f - original_[3]);

  bytes[53] = 99;  // code outside 1..69
  ASSERT_TRUE(WriteCustomTransformsFile(plat::appFolder() / kCustomTransformsFile, bytes));
  const std::vector<float> before = gPointersToFileData[slot_][1];
  std::string message;
  Script damaged;
  damaged.popup(kWin, kTrCustomPopup, 3)
      .call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .call([] { EXPECT_FALSE(plat::controlExists(kCustomWindow, 1)); })
      .click(kCustomWindow, kCustomOK)
      .closeBox(kWin);
  run(damaged);
  EXPECT_EQ(message, "The custom transforms file is damaged: 1 record was skipped and cannot be used.");
  EXPECT_EQ(gPointersToFileData[slot_][1], before);
  std::vector<uint8_t> after;
  ReadCustomTransformsFile(plat::appFolder() / kCustomTransformsFile, &after);
  EXPECT_EQ(after, bytes) << "a damaged file is not rewritten by a read";
}

TEST_F(Transformations, PolynomialAndBreakpointSetUpsFeedTheRunAndTheStep) {
  RecordSCRIPT = 1;
  ScriptCOUNT = 0;
  Script s;
  s.popup(kWin, kTrTransformPopup, 2)
      .popup(kPolynomialWindow, kPolyDegreePopup, 2)
      .call([] {
        plat::setFieldText(kPolynomialWindow, 201, "2");
        plat::setFieldText(kPolynomialWindow, 202, "1");
        plat::setFieldText(kPolynomialWindow, kPolyConstant, "3");
        plat::test::saveArtifact(plat::test::windowImage(kPolynomialWindow), "polynomial-setup.png");
      })
      .click(kPolynomialWindow, kPolyOK)
      .click(kWin, kTrAll)
      .click(kWin, kTrSaveContinue)
      .popup(kWin, kTrTransformPopup, 20)
      .click(kBreakpointWindow, 52)
      .click(kBreakpointWindow, kBpUpperRow)
      .call([] { EXPECT_EQ(plat::fieldText(kBreakpointWindow, 206), "2-way poly"); })
      .click(kBreakpointWindow, 53)
      .click(kBreakpointWindow, kBpLowerRow)
      .call([] {
        EXPECT_EQ(plat::fieldText(kBreakpointWindow, 202), "power");
        EXPECT_EQ(plat::fieldText(kBreakpointWindow, 205), "1");
        plat::setFieldText(kBreakpointWindow, kBpValue, "40");
        plat::setFieldText(kBreakpointWindow, 205, "1");
        plat::setFieldText(kBreakpointWindow, 204, "0.5");
        plat::setFieldText(kBreakpointWindow, 207, "-1");
        plat::setFieldText(kBreakpointWindow, 208, "0");
        plat::test::saveArtifact(plat::test::windowImage(kBreakpointWindow), "breakpoint-setup.png");
      })
      .closeBox(kBreakpointWindow)
      .click(kWin, kTrAll)
      .click(kWin, kTrDone);
  run(s);
  RecordSCRIPT = 0;
  for (int k = 0; k <= 20; ++k) {
    const float x = original_[k];
    const float p = 3.0f + 2.0f * x + x * x;
    EXPECT_NEAR(GetDatum(slot_, 1, k), p < 40.0f ? 0.5f * p : -1.0f, 1e-4) << k;
  }
  // Each stored run is a step, in order.
  ASSERT_EQ(ScriptCOUNT, 2);
  EXPECT_EQ(ScriptSequenceArray[1][4], 2.0f);
  EXPECT_EQ(ScriptSequenceArray[1][16], 2.0f) << "the polynomial's degree";
  EXPECT_EQ(ScriptSequenceArray[2][4], 20.0f);
  EXPECT_EQ(ScriptSequenceArray[2][18], 40.0f) << "the breakpoint travels in the step";
}

TEST_F(Transformations, TheBlockSetButtonWritesTheBlockAndEndsTheDialog) {
  testsupport::MarkBlock(slot_, 100, 200);
  meanValue = 2.5;
  Script s;
  s.click(kWin, kTrLastResult).click(kWin, kTrSetBlock);
  run(s);
  EXPECT_FALSE(plat::windowExists(kWin));
  for (int k = 100; k <= 200; ++k) ASSERT_EQ(GetDatum(slot_, 1, k), 2.5f) << k;
  EXPECT_EQ(GetDatum(slot_, 1, 99), original_[99]);
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0) << "the block is used up: the next command asks for its own";
  DoMENU(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
}

TEST_F(Transformations, TheManagerEditsOneRecordThenDeletesThemAll) {
  std::vector<uint8_t> bytes;
  for (int k = 1; k <= 21; ++k) {
    CustomTransform t;
    t.name = "t" + std::to_string(k);
    t.code = 7;
    t.chan2 = 3;
    ASSERT_TRUE(AppendCustomRecord(bytes, t));
  }
  const auto path = plat::appFolder() / kCustomTransformsFile;
  ASSERT_TRUE(WriteCustomTransformsFile(path, bytes));
  Script s;
  s.call([] {
     EXPECT_EQ(plat::controlRect(kCustomWindow, 21).left, 355);
     EXPECT_EQ(plat::controlRect(kCustomWindow, 21).top, 40);
     EXPECT_EQ(plat::buttonState(kCustomWindow, kCustomInspect), 0);
   })
      .click(kCustomWindow, 2)
      .click(kCustomWindow, kCustomInspect)
      .call([] {
        plat::setFieldText(kCustomEditWindow, 105, "4");
        plat::test::saveArtifact(plat::test::windowImage(kCustomEditWindow), "custom-inspect.png");
      })
      .click(kCustomEditWindow, kInspectAccept)
      .call([&] {
        std::vector<uint8_t> now;
        ReadCustomTransformsFile(path, &now);
        ASSERT_EQ(now.size(), bytes.size());
        for (size_t i = 0; i < now.size(); ++i)
          if (i < kCustomRecordBytes || i >= 2 * kCustomRecordBytes) {
            ASSERT_EQ(now[i], bytes[i]) << i;
          }
        const CustomTransform t = DecodeCustomTransform(now.data() + kCustomRecordBytes);
        EXPECT_EQ(t.a, 4.0f);
        EXPECT_EQ(t.chan2, 3) << "the second channel stays";
      })
      .click(kCustomWindow, kCustomDelete);
  for (int k = 1; k <= 21; ++k) s.click(kCustomEditWindow, k);
  s.click(kCustomEditWindow, kDeleteOK)
      .call([] {
        EXPECT_FALSE(plat::controlExists(kCustomWindow, 1));
        EXPECT_EQ(plat::buttonState(kCustomWindow, kCustomInspect), 0);
      })
      .click(kCustomWindow, kCustomOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 23)); });
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_EQ(fs::file_size(plat::appFolder() / kTransformsBackupFile), 21 * kCustomRecordBytes);
}

TEST_F(Transformations, AStepOfCode5ReplaysWithNoWindow) {
  TransformSettings s;
  s.code = 5;
  s.chan1 = 1;
  s.a = 1;
  s.b = 2;
  s.exponent = 2;
  float step[28] = {};
  TransformToStep(s, step);
  std::copy(step, step + 28, ScriptSequenceArray[3]);
  autoscript = 1;
  ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(3)); });
  EXPECT_FALSE(plat::windowExists(kWin));
  for (int k = 0; k <= 10; ++k) EXPECT_FLOAT_EQ(GetDatum(slot_, 1, k), 1 + 2 * original_[k] * original_[k]) << k;

  // A saved transform no longer in the file: nothing changes, and the user is told.
  const std::vector<float> before = gPointersToFileData[slot_][1];
  s.customIndex = 5;
  TransformToStep(s, step);
  std::copy(step, step + 28, ScriptSequenceArray[3]);
  std::string message;
  Script told;
  told.call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); }).click(kAlertWindow, kAlertOK);
  plat::test::run(told, [] { EXPECT_TRUE(RunScriptStep(3)); });
  autoscript = ScriptRunOnce = 0;
  EXPECT_NE(message.find("no longer in the custom transforms file"), std::string::npos);
  EXPECT_EQ(gPointersToFileData[slot_][1], before);
}

}  // namespace
