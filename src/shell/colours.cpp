#include "shell/colours.h"

#include "shell/store.h"

plat::Rgb16 plotBackColor;
plat::Rgb16 plotForeColor;
plat::Rgb16 PlotDataLineColor;
plat::Rgb16 Pwhite;
plat::Rgb16 BlockBackColor;
plat::Rgb16 BlockForeColor;
plat::Rgb16 ToolBarBackgroundColor;

plat::Rgb16 gray;
plat::Rgb16 LightGray;
plat::Rgb16 ExtremelyLightGray;
plat::Rgb16 rgbyellow;
plat::Rgb16 sunset;
plat::Rgb16 manila;
plat::Rgb16 lightBlue;
plat::Rgb16 ToolBarBlueGray;
plat::Rgb16 darkGray;

int16_t PlotLineThickness = 1;
int16_t EFForeColor = 1;
int16_t EFBackColor = 6;

namespace {
constexpr plat::Rgb16 kRed{65535, 0, 0};
constexpr plat::Rgb16 kBlue{0, 0, 65535};

// Markers and zero lines are drawn in Pwhite, which needs a dark plot ground.
constexpr plat::Rgb16 kSchemeDefaults[kSchemeColours] = {
    kBlack,                 // plotBackColor
    kWhite,                 // plotForeColor
    {0, 65535, 0},          // PlotDataLineColor
    kWhite,                 // Pwhite
    {0, 0, 26214},          // BlockBackColor
    {65535, 65535, 0},      // BlockForeColor
    {52428, 52428, 56797},  // ToolBarBackgroundColor
};
}  // namespace

plat::Rgb16* SchemeColour(int index) {
  static plat::Rgb16* const kOrder[kSchemeColours] = {
      &plotBackColor, &plotForeColor, &PlotDataLineColor, &Pwhite,
      &BlockBackColor, &BlockForeColor, &ToolBarBackgroundColor};
  if (index < 0 || index >= kSchemeColours) return nullptr;
  return kOrder[index];
}

plat::Rgb16 DefaultSchemeColour(int index) {
  if (index < 0 || index >= kSchemeColours) return kBlack;
  return kSchemeDefaults[index];
}

void SetFixedColours() {
  gray = {56797, 56797, 56797};
  LightGray = {61166, 61166, 61166};
  ExtremelyLightGray = {64250, 64250, 64250};
  rgbyellow = {65535, 65535, 39321};
  sunset = {65535, 52428, 39321};
  manila = {65535, 61166, 52428};
  lightBlue = {52428, 61166, 65535};
  ToolBarBlueGray = {39321, 43690, 52428};
  darkGray = {26214, 26214, 26214};
}

void SetSchemeDefaults() {
  for (int i = 0; i < kSchemeColours; ++i) *SchemeColour(i) = kSchemeDefaults[i];
  PlotLineThickness = 1;

  // Eight colours that stay apart on the dark ground, repeated over the
  // channels; channel 1 starts the cycle.
  static constexpr plat::Rgb16 kPalette[8] = {
      {65535, 0, 0},         // red
      {13107, 26214, 65535}, // blue, lightened to show on black
      {65535, 0, 65535},     // magenta
      {0, 65535, 65535},     // cyan
      {65535, 39321, 0},     // orange
      {0, 52428, 0},         // green
      {39321, 26214, 13107}, // brown
      {39321, 39321, 39321}, // grey
  };
  for (int c = 0; c < kOverlayFlags; ++c) OverlayColor[c] = kPalette[(c + 7) % 8];
}

plat::Rgb16 OldStyleColour(int16_t index) {
  switch (index) {
    case 0: return kWhite;
    case 1: return {65535, 65535, 0};
    case 2: return {0, 65535, 0};
    case 3: return {0, 65535, 65535};
    case 4: return kBlue;
    case 5: return {65535, 0, 65535};
    case 6: return kRed;
    default: return kBlack;
  }
}

plat::Rgb16 EFForeRgb(int16_t code) {
  switch (code) {
    case 2: return kRed;
    case 3: return kBlue;
    case 4: return rgbyellow;
    case 5: return sunset;
    case 6: return kWhite;
    case 7: return ExtremelyLightGray;
    case 8: return manila;
    default: return kBlack;  // 0 and 1 are black
  }
}

plat::Rgb16 EFBackRgb(int16_t code) {
  switch (code) {
    case 0: return kBlack;
    case 1: return lightBlue;
    case 2: return kRed;
    case 3: return kBlue;
    case 4: return rgbyellow;
    case 5: return sunset;
    case 7: return ExtremelyLightGray;
    case 8: return manila;
    default: return kWhite;  // 6, and anything unknown
  }
}
