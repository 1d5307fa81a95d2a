// Refusals given as a sound are seen where no sound can be heard: without a
// sound server every sound also flashes the front window's frame.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"

#include <functional>
#include <string>
#include <vector>

#include "analyses/ui/picks.h"
#include "platform/windows.h"
#include "respirometry/ui/convol.h"
#include "plot/ui/plotwindow.h"
#include "platform/test.h"

namespace {

using plat::test::Script;

class VisualBell : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    FileSHORTS[slot_][kShortBlockState] = 0;   // no block
  }
  void TearDown() override {
    plat::test::setSoundServerAvailable(true);
    testsupport::StopProgram();
  }
  int16_t slot_ = -1;
};

TEST_F(VisualBell, EveryRefusalIsSeenWithoutASoundServer) {
  const struct Row {
    const char* refusal;
    std::function<Script()> script;
    std::function<void()> entry;
  } rows[] = {
      {"automatic blocks of -5 s",
       [] {
         Script s;
         s.type(kResultsWindow, kAutoBlockSecondsField, "\b\b\b\b\b\b-5").click(kResultsWindow, kAutoBlockOK);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(77, 2)); }},
      {"constant volume with no elapsed time",
       [] {
         Script s;
         s.type(kConvolWindow, kConvolMinutes, "\b\b\b\b\b\b0").click(kConvolWindow, kConvolDone);
         s.call([] { plat::test::saveArtifact(plat::test::deskImage(), "visual-bell.png"); });
         s.click(kAlertWindow, kAlertOK).closeBox(kConvolWindow);
         return s;
       },
       [] { CONVOL(); }},
  };
  for (bool server : {true, false}) {
    plat::test::setSoundServerAvailable(server);
    for (const Row& r : rows) {
      SCOPED_TRACE(std::string(r.refusal) + (server ? ", heard" : ", no sound server"));
      plat::test::clearRecorders();
      plat::test::run(r.script(), r.entry);
      ASSERT_FALSE(plat::test::soundsPlayed().empty()) << "the refusal is a sound";
      if (server) {
        EXPECT_TRUE(plat::test::visualBells().empty()) << "a sound that is heard flashes nothing";
        continue;
      }
      EXPECT_EQ(plat::test::visualBells().size(), plat::test::soundsPlayed().size()) << "every sound is seen";
      for (int id : plat::test::visualBells()) EXPECT_NE(id, 0) << "a window in front flashed";
    }
  }
}

}  // namespace
