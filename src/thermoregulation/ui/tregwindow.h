// The cost model's main window as its dialog and the spreadsheet runs share
// it: the ids of its windows and controls, the file and cost channel of an
// opening, the engine over that file with its results in the fields, the
// totals notice and the timing warning.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "thermoregulation/costs.h"

inline constexpr int16_t kTregWindow = 4;
inline constexpr int16_t kTregLabelWindow = 15;
inline constexpr int16_t kTimingWarningWindow = 25;
inline constexpr int16_t kTotalsWindow = 884;
inline constexpr int16_t kTimingListWindow = 1202;

// Buttons of the main dialog.
inline constexpr int16_t kTregHelp = 254;
inline constexpr int16_t kTregFromSpreadsheet = 255;
inline constexpr int16_t kTregCompute = 256;
inline constexpr int16_t kTregStore = 257;
inline constexpr int16_t kTregOptions = 258;
inline constexpr int16_t kTregDone = 259;
inline constexpr int16_t kTregCancel = 260;
// Channel buttons: shade c, sun 32 + c, time 500 + c, date 600 + c.
inline constexpr int16_t kTregSunBase = 32;
inline constexpr int16_t kTregTimeBase = 500;
inline constexpr int16_t kTregDateBase = 600;
// Inputs and their labels.
inline constexpr int16_t kTregBmrField = 111, kTregTbField = 112, kTregCField = 113, kTregLctField = 114;
inline constexpr int16_t kTregMassField = 1014;
inline constexpr int16_t kTregBmrLabel = 101;
inline constexpr int16_t kTregCountLabel = 998, kTregCountField = 999;
// Label window and timing warning.
inline constexpr int16_t kTregLabelField = 121;
inline constexpr int16_t kTregLabelOK = 1;
inline constexpr int16_t kTimingShowList = 1;
inline constexpr int16_t kTimingClose = 2;
inline constexpr int16_t kTimingAbort = 3;

// Kept for the next opening.
extern int16_t ChannelforDaytime, ChannelforJulianDay;

// The file of the open dialog and the cost channel it prepares.
struct TregCostChannel {
  int16_t slot = -1;
  bool stored = false;
  std::vector<float> work;       // the cost channel until it is stored
};
// The open dialog's; null while the dialog is closed.
extern TregCostChannel* gTregCostChannel;

// A field of the main window, when the window and the field exist.
void SetTregField(int16_t id, const std::string& text);

// Notice window 884 with the accepted cases and their days.
int16_t ShowNumberOfCases();
// The timing warning; returns 1 when "Abort Saving of Results" was ticked.
uint16_t TimingWarning(uint16_t offerAbort);
int16_t ShowTimingErrors();

// Runs the engine over the file in use for one animal with the dialog's
// channels and the current settings: channel 0 gets the costs, the prepared
// (or stored) cost channel its values, the globals the totals. Only while
// the dialog is open; an empty result otherwise.
TregResult RunTregOverFile(int16_t shadeChannel, int16_t sunChannel, const TregAnimal& animal);
// Writes a run's result texts into the dialog's fields that exist.
void ShowTregResults(const TregResult& r, float bmrWatts);

