// The file-data dialog (window 6): the channel labels and the recording's
// values of the current file.
#pragma once
#include <cstdint>

#include "editing/fileinfo.h"
#include "editing/ui/filewindows.h"

// Buttons and fields of the file-data dialog. Channel c has button c and
// label field kLabelFieldBase + c.
inline constexpr int16_t kLabelFieldBase = 100;
inline constexpr int16_t kEditCommentsButton = 133;
inline constexpr int16_t kFileDataDone = 134;
inline constexpr int16_t kShowAcquisitionButton = 135;
inline constexpr int16_t kFlowField = 225;
inline constexpr int16_t kTemperatureField = 226;
inline constexpr int16_t kIntervalField = 230;
inline constexpr int16_t kPressureField = 233;
inline constexpr int16_t kMassField = 234;
inline constexpr int16_t kVolumeField = 237;
inline constexpr int16_t kStartDateField = 238;
inline constexpr int16_t kStartTimeField = 239;
inline constexpr int16_t kFiO2Field = 240;
inline constexpr int16_t kFiCO2Field = 241;
inline constexpr int16_t kRQField = 242;

// redraw = 1: the plot window is made current and the block highlight
// redrawn first (the text importer passes 0).
void EditFileData(int16_t redraw);
// Fills window 6 from the current values.
void LabelText();
// Commits the fields of window 6; refused values keep their old ones and
// are named in an alert.
FileDataCommit UpdateLabels();
