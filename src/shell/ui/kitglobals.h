// Globals the window kit and the handlers read that belong to other
// subsystems and have no header of their own yet. Each names its owner; move
// it there when that owner's header lands.
#pragma once
#include <cstdint>

#include "platform/port.h"

// S11 (script runner): 1 while a script runs; with prefsArray word 48 it
// makes a run quiet.
extern int16_t RunScript;

// S3 (plot window geometry): plot width, display height for plots, and the
// bottom line of the plot area, in plot-window pixels.
extern int16_t ScreenWidth;
extern int16_t ScreenHeight;
extern int16_t BottomOfPlotArea;

// S3 (plot-image printing): "Block Only" of the channel-selection dialog.
extern uint16_t printblock;
// S3 (overlay): the overlay channels were picked by hand.
extern uint16_t CustomOverlay;
// S3: what the channel-selection dialog serves: 0 or -99 beside the plot,
// 1 the stacked display.
extern float splot;
// S3 (stacked view): recorded strip pictures, one per channel 0..32.
extern plat::Picture MultiChannelImages[33];
