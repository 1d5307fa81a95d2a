// The info line above the plot frame (data-bar fields, file start and
// interval or the script state, block span, markers and overlay buttons,
// tabular-file counter), the label line inside the top of the plot, and the
// flash of the step counter after a recorded script step.
#pragma once
#include <cstdint>
#include <string>

#include "shell/recording.h"

// Seconds shown by one plot width, in minutes while `minutes` is 1.
extern float tracelength;

// Control ids of the info line (window 1000 + slot).
inline constexpr int16_t kInfoStepField = 52;
inline constexpr int16_t kInfoFileField = 53;
inline constexpr int16_t kInfoBlockLabel = 97;
inline constexpr int16_t kBlockSpanField = 17;
inline constexpr int16_t kTabularCounterField = 18;
inline constexpr int16_t kMarkersButton = 332;
inline constexpr int16_t kClearOverlayButton = 444;
// The script recorder stops after this step.
inline constexpr uint16_t kLastRecordedStep = 40;

// Rebuilds the info line of TheFileInUse.
void DRAWTIMEDATE();
// Draws the label line into the plot window of TheFileInUse.
void DRAWLABELSTUFF();
// Field 18, "new file; total saved = n", on plots at least 1100 wide.
void TabFileDATABAR();
// Flashes " step n" in field 52 five times; the 40th step ends recording.
void FLASHSCRIPTsequenceStep();

// Field 17 of the front plot window gets text when the info line shows it.
void SetBlockSpanText(const std::string& text);

// Installs DRAWTIMEDATE and the hook below into gPlotHooks: the plot
// registrar does at start-up, a test that blanked the hooks may again.
void InstallInfoLineHooks();

// What DrawPlot calls for the label line: the plot was just repainted, so
// XOR marks of a selection in progress are gone; then DRAWLABELSTUFF.
void LabelLineAfterRepaint();
