// The preferences dialog (window 9, "Preferences"): display and behaviour
// words, the sound style, the toolbar position and the seven scheme colours.
// "OK" applies, "Save as Defaults" applies and writes the preferences file,
// "Cancel" puts back every value the dialog found.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/types.h"

inline constexpr int16_t kPreferencesWindow = 9;
inline constexpr int16_t kColourPaletteWindow = 1301;
inline constexpr int32_t kHelpPreferences = 7;

// Control ids. A check box's id is the number of its preference word.
inline constexpr int16_t kPrefsSoundOff = 200;       // 200 + the value of word 7
inline constexpr int16_t kPrefsSoundNormal = 225;
inline constexpr int16_t kPrefsSoundStrange = 250;
inline constexpr int16_t kPrefsToolbarLeft = 300;    // 300 + the value of word 33
inline constexpr int16_t kPrefsToolbarBottom = 301;
inline constexpr int16_t kPrefsToolbarTop = 302;
inline constexpr int16_t kPrefsColourFirst = 401;    // 401 + scheme colour index
inline constexpr int16_t kPrefsSaveDefaults = 501;
inline constexpr int16_t kPrefsCancel = 502;
inline constexpr int16_t kPrefsOK = 503;
inline constexpr int16_t kPrefsHelp = 504;
// The colour palette.
inline constexpr int16_t kPaletteOK = 1;
inline constexpr int16_t kPaletteCancel = 2;
inline constexpr int16_t kPaletteStartup = 3;
inline constexpr int kPaletteColours = 24;

struct PreferenceCheckBox {
  int16_t word = 0;
  const char* title = "";
  bool inverted = false;   // ticked while the word is 0
};
// In the order the dialog lists them.
const std::vector<PreferenceCheckBox>& PreferenceCheckBoxes();
const char* SchemeColourName(int index);

plat::Rgb16 PaletteColour(int index);
// Local centre of a palette swatch in window kColourPaletteWindow.
plat::Point PaletteSwatchCentre(int index);
// The palette (window kColourPaletteWindow) for one scheme colour; nullopt
// when cancelled.
std::optional<plat::Rgb16> ChooseSchemeColour(int index, plat::Rgb16 current);

// Whoever draws the plot and the toolbar fills this in: it runs after the
// dialog changed any value, so that markers, grid lines, the toolbar position
// and the colours show at once. Unset, they show at the next redraw.
struct PreferencesHooks {
  std::function<void()> redrawAfterChange;
};
extern PreferencesHooks gPreferencesHooks;

// Runs the dialog. Returns 1 when values were applied, 0 when nothing
// changed (Cancel).
int16_t DoPreferences();
void RegisterPreferencesCommands();
