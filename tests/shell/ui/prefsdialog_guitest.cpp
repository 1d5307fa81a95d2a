// The preferences dialog driven headlessly: OK applies, Cancel puts every
// value back (also after a failed save), Save as Defaults writes a file that
// reads back the same, the radio groups and the colour palette, and the
// user's sound level during a quiet script run. Palette clicks are a press
// and a release step, so that each step meets one event.
#include "shell/ui/prefsdialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

namespace fs = std::filesystem;

namespace {

using plat::test::Script;
constexpr int W = kPreferencesWindow;

struct Snapshot {
  std::array<int16_t, kPrefsWords> words{};
  std::array<plat::Rgb16, kSchemeColours> colours{};
  int16_t userLevel = 0;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take() {
  Snapshot s;
  std::copy(std::begin(prefsArray), std::end(prefsArray), s.words.begin());
  for (int i = 0; i < kSchemeColours; ++i) s.colours[i] = *SchemeColour(i);
  s.userLevel = UserSoundLevel();
  return s;
}

class PrefsDialogGui : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetDEFAULTS();
    gDispatchHooks = {};
    gPreferencesHooks = {};
    gMenuRuleHooks = {};
    gPreferencesHooks.redrawAfterChange = [this] { ++redraws_; };
    gDispatchHooks.redrawComments = [this] { ++commentRedraws_; };
    gMenuRuleHooks.applyMenuState = [this](const MenuState&) { ++menuUpdates_; };
    prefsFile_ = plat::appFolder() / kPrefsFileName;
    std::error_code ec;
    fs::remove_all(prefsFile_, ec);
    plat::test::clearRecorders();
  }
  void TearDown() override {
    gDispatchHooks = {};
    gPreferencesHooks = {};
    gMenuRuleHooks = {};
    UnregisterCommand(Cmd::Preferences);
    std::error_code ec;
    fs::remove_all(prefsFile_, ec);
    SetDEFAULTS();
  }
  fs::path prefsFile_;
  int redraws_ = 0, commentRedraws_ = 0, menuUpdates_ = 0;
};

TEST_F(PrefsDialogGui, ShowsTheCurrentValues) {
  prefsArray[11] = 1;
  prefsArray[2] = 1;          // comments box hidden: its "show" box is clear
  prefsArray[33] = 2;
  prefsArray[kPrefSoundLevel] = 50;
  Script s;
  s.call([] {
     EXPECT_EQ(plat::title(W), "Preferences");
     EXPECT_EQ(HelpSubject, kHelpPreferences);
     for (const PreferenceCheckBox& b : PreferenceCheckBoxes()) {
       const bool on = (prefsArray[b.word] != 0) != b.inverted;
       EXPECT_EQ(plat::buttonState(W, b.word), on ? 2 : 1) << "word " << b.word;
     }
     EXPECT_EQ(plat::buttonState(W, 2), 1);
     EXPECT_EQ(plat::buttonState(W, 11), 2);
     EXPECT_EQ(plat::buttonState(W, kPrefsSoundOff), 1);
     EXPECT_EQ(plat::buttonState(W, kPrefsSoundNormal), 1);
     EXPECT_EQ(plat::buttonState(W, kPrefsSoundStrange), 2);
     EXPECT_EQ(plat::buttonState(W, kPrefsToolbarLeft), 1);
     EXPECT_EQ(plat::buttonState(W, kPrefsToolbarTop), 2);
     for (int i = 0; i < kSchemeColours; ++i)
       EXPECT_TRUE(plat::controlExists(W, kPrefsColourFirst + i)) << SchemeColourName(i);
     plat::test::saveArtifact(plat::test::windowImage(W), "preferences.png");
   })
      .click(W, kPrefsOK);
  const Snapshot before = Take();
  int16_t result = -1;
  plat::test::run(s, [&] { result = DoPreferences(); });
  EXPECT_EQ(result, 0) << "OK without changes changes nothing";
  EXPECT_EQ(Take(), before);
  EXPECT_EQ(redraws_, 0);
  EXPECT_FALSE(plat::windowExists(W));
}

TEST_F(PrefsDialogGui, OkAppliesWithoutSaving) {
  ASSERT_EQ(prefsArray[10], 1);
  ASSERT_EQ(prefsArray[11], 0);
  ASSERT_EQ(prefsArray[2], 0);
  ASSERT_EQ(prefsArray[kPrefSoundLevel], 25);
  ASSERT_EQ(prefsArray[45], 12);
  const Snapshot before = Take();
  Script s;
  s.click(W, 10)
      .click(W, 11)
      .click(W, 2)
      .click(W, 49)
      .click(W, 44)
      .click(W, kPrefsSoundStrange)
      .click(W, kPrefsToolbarBottom)
      .click(W, kPrefsToolbarTop)
      .call([] {
        EXPECT_EQ(plat::buttonState(W, 10), 1);
        EXPECT_EQ(plat::buttonState(W, 2), 1);
        EXPECT_EQ(plat::buttonState(W, kPrefsSoundNormal), 1) << "one radio of a group at a time";
        EXPECT_EQ(plat::buttonState(W, kPrefsSoundStrange), 2);
        EXPECT_EQ(plat::buttonState(W, kPrefsToolbarBottom), 1);
        EXPECT_EQ(plat::buttonState(W, kPrefsToolbarTop), 2);
        EXPECT_EQ(prefsArray[10], 1) << "nothing applies before OK";
      })
      .click(W, kPrefsOK);
  int16_t result = -1;
  plat::test::run(s, [&] { result = DoPreferences(); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(prefsArray[10], 0);
  EXPECT_EQ(prefsArray[11], 1);
  EXPECT_EQ(prefsArray[2], 1) << "clearing \"Show the comments box\" hides it";
  EXPECT_EQ(prefsArray[44], 1);
  EXPECT_EQ(prefsArray[49], 1);
  EXPECT_EQ(prefsArray[45], 14) << "large labels come with the larger label size";
  EXPECT_EQ(prefsArray[kPrefSoundLevel], 50);
  EXPECT_EQ(prefsArray[33], 2);
  Snapshot want = before;
  for (int n : {10, 11, 2, 44, 49, 45, kPrefSoundLevel, 33}) want.words[n] = prefsArray[n];
  want.userLevel = 50;
  EXPECT_EQ(Take(), want) << "no other value moved";
  EXPECT_FALSE(fs::exists(prefsFile_)) << "OK does not save";
  EXPECT_EQ(redraws_, 1);
  EXPECT_EQ(commentRedraws_, 1);
  EXPECT_GE(menuUpdates_, 1);
  EXPECT_FALSE(plat::windowExists(W));
}

TEST_F(PrefsDialogGui, RadioValuesOfBothGroups) {
  struct Case { int16_t sound, toolbar; int16_t wantSound, wantToolbar; };
  for (const Case c : {Case{kPrefsSoundOff, kPrefsToolbarLeft, 0, 0}, Case{kPrefsSoundNormal, kPrefsToolbarBottom, 25, 1},
                       Case{kPrefsSoundStrange, kPrefsToolbarTop, 50, 2}}) {
    prefsArray[kPrefSoundLevel] = 40;   // an odd level from an old file
    prefsArray[33] = 1;
    Script s;
    s.click(W, c.sound).click(W, c.toolbar).key(W, 13);
    plat::test::run(s, [] { DoPreferences(); });
    EXPECT_EQ(prefsArray[kPrefSoundLevel], c.wantSound);
    EXPECT_EQ(prefsArray[33], c.wantToolbar);
  }
}

TEST_F(PrefsDialogGui, CancelRestoresEveryValue) {
  const Snapshot before = Take();
  Script s;
  for (const PreferenceCheckBox& b : PreferenceCheckBoxes()) s.click(W, b.word);
  s.click(W, kPrefsSoundOff)
      .click(W, kPrefsToolbarTop)
      .click(W, kPrefsColourFirst)
      .press(kColourPaletteWindow, PaletteSwatchCentre(7))
      .release()
      .click(kColourPaletteWindow, kPaletteOK)
      .key(W, 27);
  int16_t result = -1;
  plat::test::run(s, [&] { result = DoPreferences(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Take(), before);
  EXPECT_EQ(redraws_, 0) << "nothing was applied, nothing to redraw";
  EXPECT_FALSE(plat::windowExists(W));
}

TEST_F(PrefsDialogGui, SaveAsDefaultsWritesWhatReadsBack) {
  Script s;
  s.click(W, 11)
      .click(W, 47)
      .click(W, kPrefsSoundStrange)
      .click(W, kPrefsToolbarBottom)
      .click(W, kPrefsColourFirst + 2)
      .press(kColourPaletteWindow, PaletteSwatchCentre(6))
      .release()
      .click(kColourPaletteWindow, kPaletteOK)
      .click(W, kPrefsSaveDefaults);
  int16_t result = -1;
  plat::test::run(s, [&] { result = DoPreferences(); });
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(plat::windowExists(W));
  ASSERT_TRUE(fs::exists(prefsFile_));
  const SavedSettings saved = CaptureSavedSettings();
  EXPECT_EQ(PlotDataLineColor, PaletteColour(6));

  SetDEFAULTS();
  ASSERT_EQ(prefsArray[11], 0);
  ASSERT_EQ(GetSettings(prefsFile_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[11], 1);
  EXPECT_EQ(prefsArray[47], 1);
  EXPECT_EQ(prefsArray[kPrefSoundLevel], 50);
  EXPECT_EQ(prefsArray[33], 1);
  EXPECT_EQ(PlotDataLineColor, PaletteColour(6));
  EXPECT_EQ(EncodeSettings(CaptureSavedSettings()), EncodeSettings(saved)) << "every saved field reads back equal";
}

TEST_F(PrefsDialogGui, FailedSaveIsReportedAndCancelStillRestoresAll) {
  // A folder where the file should go makes the rename fail.
  fs::create_directories(prefsFile_ / "in-the-way");
  const Snapshot before = Take();
  Script s;
  s.click(W, 11)
      .click(W, kPrefsToolbarTop)
      .click(W, kPrefsSaveDefaults)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kAlertWindow));
        EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("could not be saved"), std::string::npos);
      })
      .click(kAlertWindow, kAlertOK)
      .call([] {
        EXPECT_TRUE(plat::windowExists(W)) << "the dialog stays for OK or Cancel";
        EXPECT_EQ(prefsArray[11], 1) << "the values were applied before the save";
      })
      .click(W, kPrefsCancel);
  int16_t result = -1;
  plat::test::run(s, [&] { result = DoPreferences(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Take(), before);
  EXPECT_EQ(redraws_, 2) << "once for the applied values, once for their return";
  EXPECT_TRUE(fs::is_directory(prefsFile_));
}

TEST_F(PrefsDialogGui, PaletteChoosesCancelsAndGivesTheStartupColour) {
  plotBackColor = PaletteColour(3);
  BlockBackColor = PaletteColour(0);
  Script s;
  // Cancel keeps the colour.
  s.click(W, kPrefsColourFirst)
      .press(kColourPaletteWindow, PaletteSwatchCentre(20))
      .release()
      .click(kColourPaletteWindow, kPaletteCancel)
      // A swatch, then OK.
      .click(W, kPrefsColourFirst)
      .call([] { EXPECT_EQ(plat::title(kColourPaletteWindow), "Colour: Plot ground"); })
      .press(kColourPaletteWindow, PaletteSwatchCentre(16))
      .release()
      .call([] {
        plat::test::saveArtifact(plat::test::windowImage(kColourPaletteWindow), "palette.png");
      })
      .key(kColourPaletteWindow, 13)
      // The start-up colour of the block window ground.
      .click(W, kPrefsColourFirst + 4)
      .click(kColourPaletteWindow, kPaletteStartup)
      .click(kColourPaletteWindow, kPaletteOK)
      // A click between swatches chooses nothing.
      .click(W, kPrefsColourFirst + 5)
      .press(kColourPaletteWindow, {2, 2})
      .release()
      .closeBox(kColourPaletteWindow)
      .click(W, kPrefsOK);
  plat::test::run(s, [] { DoPreferences(); });
  EXPECT_EQ(plotBackColor, PaletteColour(16));
  EXPECT_EQ(BlockBackColor, DefaultSchemeColour(4));
  EXPECT_EQ(BlockForeColor, DefaultSchemeColour(5));
  EXPECT_FALSE(plat::windowExists(kColourPaletteWindow));
}

TEST_F(PrefsDialogGui, QuietRunKeepsWordSevenSilentAndTheUsersLevelAside) {
  BeginQuietSoundRun();
  ASSERT_EQ(prefsArray[kPrefSoundLevel], 0);
  Script s1;
  s1.call([] {
      EXPECT_EQ(plat::buttonState(W, kPrefsSoundNormal), 2) << "the user's level, not the run's silence";
      EXPECT_EQ(plat::buttonState(W, kPrefsSoundOff), 1);
    })
      .click(W, kPrefsSoundStrange)
      .click(W, kPrefsOK);
  plat::test::run(s1, [] { DoPreferences(); });
  EXPECT_EQ(prefsArray[kPrefSoundLevel], 0) << "the run stays quiet";
  EXPECT_EQ(UserSoundLevel(), 50);

  Script s2;
  s2.click(W, kPrefsSoundOff).click(W, kPrefsCancel);
  plat::test::run(s2, [] { DoPreferences(); });
  EXPECT_EQ(prefsArray[kPrefSoundLevel], 0);
  EXPECT_EQ(UserSoundLevel(), 50);
  EndQuietSoundRun();
  EXPECT_EQ(prefsArray[kPrefSoundLevel], 50);
}

TEST_F(PrefsDialogGui, FileMenuItemThirteenOpensTheDialog) {
  EXPECT_FALSE(CommandRegistered(Cmd::Preferences));
  RegisterPreferencesCommands();
  EXPECT_TRUE(CommandRegistered(Cmd::Preferences));
  Script s;
  s.click(W, 12).click(W, kPrefsOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(1, 13)); });
  EXPECT_EQ(prefsArray[12], 0);
}

}  // namespace
