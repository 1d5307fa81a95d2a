// The acquisition summary (window 444) and the file-data dialog (window 6)
// of the current file.
#pragma once
#include <cstdint>
#include <functional>

#include "editing/fileinfo.h"
#include "platform/types.h"

inline constexpr int16_t kFileInfoWindow = 444;
inline constexpr int16_t kFileDataWindow = 6;
// Help pages of these dialogs.
inline constexpr int32_t kHelpFileData = 320;
inline constexpr int32_t kHelpFileInfo = 321;
inline constexpr int32_t kHelpComments = 322;

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

// The editing subsystem's registrar (file information, file data, and the
// comments editor the comments box opens).
void RegisterFileInfoCommands();

// Modes: 0 the channel colour legend; 1 the full summary, waiting until the
// user dismisses it; 2 the full summary over the comments editor, which
// closes it; 3 the full summary over window 4. The texts are not used: the
// window always shows TheFileInUse. Modes 0, 2 and 3 leave window 444 open.
void FILEINFO(const plat::MacText& name, const plat::MacText& date, const plat::MacText& time,
              int16_t mode);
// One calibration-table row of a channel of TheFileInUse into the current
// window, baseline at y + 10.
void A_to_D_INFO(int16_t channel, int16_t y);

// redraw = 1: the plot window is made current and the block highlight
// redrawn first (the text importer passes 0).
void EditFileData(int16_t redraw);
// Fills window 6 from the current values.
void LabelText();
// Commits the fields of window 6; refused values keep their old ones and
// are named in an alert.
FileDataCommit UpdateLabels();
