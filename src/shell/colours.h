// The colour scheme every window draws with. The seven scheme colours (plot
// and block window, toolbar) are the user's and travel in the preferences
// file; the rest are fixed at start-up. Readers take the globals as they
// stand, so a change of scheme shows at the next redraw.
#pragma once
#include <cstdint>

#include "platform/types.h"

// ---- User scheme (saved with the preferences) ----------------------------------
extern plat::Rgb16 plotBackColor;           // plot area
extern plat::Rgb16 plotForeColor;           // plot frame and labels
extern plat::Rgb16 PlotDataLineColor;       // the trace
extern plat::Rgb16 Pwhite;                  // zero lines and markers
extern plat::Rgb16 BlockBackColor;          // block window ground (dark blue)
extern plat::Rgb16 BlockForeColor;          // block window text (yellow)
extern plat::Rgb16 ToolBarBackgroundColor;
inline constexpr int kSchemeColours = 7;
// The seven in the order the preferences file stores them.
plat::Rgb16* SchemeColour(int index);       // 0..6; nullptr outside
plat::Rgb16 DefaultSchemeColour(int index); // start-up value; black outside

// ---- Fixed colours -------------------------------------------------------------
extern plat::Rgb16 gray;                    // window background
extern plat::Rgb16 LightGray;
extern plat::Rgb16 ExtremelyLightGray;      // "very light grey"
extern plat::Rgb16 rgbyellow;               // data-bar ground
extern plat::Rgb16 sunset;                  // result fields
extern plat::Rgb16 manila;                  // result fields and charts
extern plat::Rgb16 lightBlue;               // input fields
extern plat::Rgb16 ToolBarBlueGray;
extern plat::Rgb16 darkGray;
inline constexpr plat::Rgb16 kMediumDarkGray{34952, 34952, 34952};  // kit frames
inline constexpr plat::Rgb16 kDataBarClockColor{0, 0, 55535};
inline constexpr plat::Rgb16 kWhite{65535, 65535, 65535};
inline constexpr plat::Rgb16 kBlack{0, 0, 0};

// Pen width of the trace, pixels.
extern int16_t PlotLineThickness;

// Sets the fixed colours (first thing at start-up).
void SetFixedColours();
// The seven scheme colours, the trace width and the OverlayColor palette at
// their start-up values.
void SetSchemeDefaults();

// ---- Colour codes ---------------------------------------------------------------
// Old-style pen and text colours: 0 white, 1 yellow, 2 green, 3 cyan, 4 blue,
// 5 magenta, 6 red, 7 black. Other indices draw black.
plat::Rgb16 OldStyleColour(int16_t index);

// Edit-field colours, set by the caller just before a field is built.
// Text: 0 and 1 black, 2 red, 3 blue, 4 rgbyellow, 5 sunset, 6 white,
// 7 very light grey, 8 manila. Unknown codes draw black text.
extern int16_t EFForeColor;
// Ground: 0 black, 1 lightBlue, 2 red, 3 blue, 4 rgbyellow, 5 sunset,
// 6 white, 7 very light grey, 8 manila. Unknown codes give a white ground.
extern int16_t EFBackColor;
plat::Rgb16 EFForeRgb(int16_t code);
plat::Rgb16 EFBackRgb(int16_t code);
