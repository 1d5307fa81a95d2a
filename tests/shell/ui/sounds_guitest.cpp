// When each named sound plays: the sound level, the quiet script run and the
// block-selection sounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test.h"
#include "shell/globals.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/sounds.h"

namespace {

using Sounds = std::vector<std::string>;

class NamedSounds : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    level(25);
    prefsArray[kPrefBlockSounds] = 1;
    prefsArray[kPrefQuietScripts] = 0;
    RunScript = 0;
  }
  static void level(int16_t v) { prefsArray[kPrefSoundLevel] = v; }
  static void playAll() {
    Zap(); Tick(); Rip(); upvip(); downvip(); wsst(); wssst(); bup(); skid();
    lobeep(); hibeep(); EndBeep();
  }
  static const Sounds& played() { return plat::test::soundsPlayed(); }
};

TEST_F(NamedSounds, NormalLevelPlaysAllButTheStrangeOnes) {
  playAll();
  EXPECT_EQ(played(), (Sounds{"bzot", "tick", "Rip", "upvip", "downvip", "wsst", "wssst!", "piiing",
                              "lobeep", "hibeep", "endbeep"}));
}

TEST_F(NamedSounds, StrangeLevelAddsBupAndSkids) {
  level(50);
  bup();
  skid();
  level(26);
  skid();
  EXPECT_EQ(played(), (Sounds{"bup", "skid", "skid"}));
}

TEST_F(NamedSounds, LowNonZeroLevelCountsAsNormal) {
  level(1);
  bup();
  skid();
  EXPECT_EQ(played(), Sounds{"piiing"});
}

TEST_F(NamedSounds, SoundsOffSilencesEverything) {
  level(0);
  playAll();
  PlayNamedSound("brrrp");
  EXPECT_TRUE(played().empty());
  PlaySoundAlways("ahem");
  EXPECT_EQ(played(), Sounds{"ahem"});
}

TEST_F(NamedSounds, QuietOnlyWhileAScriptRuns) {
  prefsArray[kPrefQuietScripts] = 1;
  Zap();
  EXPECT_EQ(played(), Sounds{"bzot"}) << "the preference alone does not silence anything";
  RunScript = 1;
  level(50);
  playAll();
  PlayNamedSound("click");
  EXPECT_EQ(played(), Sounds{"bzot"});
  prefsArray[kPrefQuietScripts] = 0;
  Tick();
  EXPECT_EQ(played(), (Sounds{"bzot", "tick"})) << "a loud script run keeps its sounds";
}

TEST_F(NamedSounds, BlockBeepsNeedTheirOwnSwitch) {
  prefsArray[kPrefBlockSounds] = 0;
  lobeep();
  hibeep();
  EndBeep();
  Tick();
  EXPECT_EQ(played(), Sounds{"tick"});
}

TEST_F(NamedSounds, UnknownNamesStaySilent) {
  PlayNamedSound("no such sound");
  EXPECT_TRUE(played().empty());
}

}  // namespace
