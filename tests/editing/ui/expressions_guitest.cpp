// The expression window from the program's own start-up: the evaluator on
// two numbers (also with no file), a parse error with its caret, runs over
// channels in place and into a new channel with Undo, and the block set.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/ui/open.h"
#include "editing/ui/expressions.h"
#include "editing/ui/zeroblock.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/redraw.h"
#include "registrars.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int kWin = kExpressionWindow;

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::StartProgram();
  }
  void open() {
    slot_ = testsupport::OpenDemo();
    ASSERT_GE(slot_, 0);
    original_ = gPointersToFileData[slot_][1];
  }
  void TearDown() override {
    testsupport::StopProgram();
  }
  static void menu(int16_t m, int16_t item) {
    plat::test::run(Script{}, [&] { EXPECT_TRUE(DoMENU(m, item)); });
  }
  int16_t slot_ = -1;
  std::vector<float> original_;
};

TEST_F(Expressions, TheEvaluatorRunsWithNoFileAndShowsAParseErrorWithItsCaret) {
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuSpecial, 2));
  std::string result, message;
  int caret = -1;
  bool runBeforeCheck = true;
  Script s;
  s.key(kWin, 13)
      .call([&] { runBeforeCheck = plat::controlExists(kWin, kExprRun); })
      .click(kWin, kExprCheck)
      .click(kWin, kExprRun)
      .call([&] {
        result = plat::fieldText(kWin, kExprResult);
        plat::test::saveArtifact(plat::test::windowImage(kWin), "expression-evaluator.png");
        plat::setFieldText(kWin, kExprField, "x + SIN x");
      })
      .click(kWin, kExprCheck)
      .call([&] {
        message = plat::fieldText(kWin, kExprMessage);
        caret = plat::fieldCaret(kWin, kExprField);
        plat::test::saveArtifact(plat::test::windowImage(kWin), "expression-error.png");
      })
      .click(kWin, kExprDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuSpecial, 2)); });
  EXPECT_FALSE(runBeforeCheck);
  EXPECT_EQ(result, " 16.05");
  EXPECT_EQ(message, "Expecting left parenthesis");
  EXPECT_EQ(caret, 9);
  EXPECT_FALSE(plat::windowExists(kWin));
}

TEST_F(Expressions, RunsInPlaceAndIntoANewBlockOnlyChannelThenUndo) {
  open();
  const int16_t n = nChannels[slot_];
  testsupport::MarkBlock(slot_, 10, 20);
  const std::vector<float> second = gPointersToFileData[slot_][2];
  Script s;
  s.call([] { plat::setFieldText(kWin, kExprField, "2*x + y"); })
      .click(kWin, n + 2)  // Y := channel 2
      .click(kWin, kExprCheck)
      .call([] { plat::setFieldText(kWin, kExprResult, "doubled"); })
      .click(kWin, kExprRun)
      .call([&] { plat::test::saveArtifact(plat::test::windowImage(kWin), "expression-transforms.png"); })
      .click(kWin, kExprNewChannel)
      .click(kWin, kExprBlockOnly)
      .call([] { plat::setFieldText(kWin, kExprField, "x - 1"); })  // edited after the check: checked again
      .click(kWin, kExprRun)
      .call([&] {
        // The box offers the channel after the one just made, and the block
        // window follows the plot to the new channel.
        EXPECT_EQ(plat::controlTitle(kWin, kExprNewChannel), "Store Result in New Channel" + NumText(n + 2));
        EXPECT_EQ(ActiveChannel, n + 1);
        EXPECT_EQ(chanB, n + 1);
        EXPECT_EQ(plat::title(kBlockWindow).rfind("Channel" + NumText(n + 1) + ",", 0), 0u) << plat::title(kBlockWindow);
        plat::test::saveArtifact(plat::test::windowImage(kWin), "expression-next-new-channel.png");
        plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "block-window-new-channel.png");
      })
      .click(kWin, kExprDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 24)); });
  for (int k = 1; k <= 30; ++k) ASSERT_FLOAT_EQ(GetDatum(slot_, 1, k), 2 * original_[k] + second[k]) << k;
  EXPECT_EQ(GetDatum(slot_, 1, 0), original_[0]);
  EXPECT_EQ(RetrieveLabel(1).substr(0, 7), "doubled");
  ASSERT_EQ(nChannels[slot_], n + 1);
  EXPECT_EQ(GetDatum(slot_, n + 1, 9), 0.0f);
  EXPECT_FLOAT_EQ(GetDatum(slot_, n + 1, 10), GetDatum(slot_, 1, 10) - 1);
  EXPECT_EQ(GetDatum(slot_, n + 1, 21), 0.0f);
  EXPECT_NE(CommentContainer[slot_].find("Expression transformation 2*x + y; X chan = 1; Y chan = 2"),
            std::string::npos);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
}

// A label typed before the check stays through it; an in-place run with the
// label field emptied keeps the channel's label rather than blanking it.
TEST_F(Expressions, CheckKeepsTheTypedLabelAndAnEmptyOneKeepsTheChannels) {
  open();
  std::string afterCheck;
  Script s;
  s.call([] {
     plat::setFieldText(kWin, kExprField, "x + 1");
     plat::setFieldText(kWin, kExprResult, "plus one");
   })
      .click(kWin, kExprCheck)
      .call([&] { afterCheck = plat::fieldText(kWin, kExprResult); })
      .click(kWin, kExprRun)
      .call([] { plat::setFieldText(kWin, kExprResult, ""); })
      .click(kWin, kExprCheck)
      .click(kWin, kExprRun)
      .click(kWin, kExprDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 24)); });
  EXPECT_EQ(afterCheck, "plus one");
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabel(1)), "plus one");
  EXPECT_FLOAT_EQ(GetDatum(slot_, 1, 5), original_[5] + 2.0f) << "both runs wrote";
}

TEST_F(Expressions, BlockSetWritesTheBlockWithOneUndoCopy) {
  open();
  testsupport::MarkBlock(slot_, 10, 20);
  plat::test::run(Script{}, [] { ZEROBLOCK(2.5f, 0); });
  for (int k = 10; k <= 20; ++k) EXPECT_EQ(GetDatum(slot_, 1, k), 2.5f);
  EXPECT_EQ(GetDatum(slot_, 1, 9), original_[9]);
  EXPECT_EQ(GetDatum(slot_, 1, 21), original_[21]);
  EXPECT_EQ(LastChan, 1);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
}

}  // namespace
