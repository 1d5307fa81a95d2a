// The save commands: File > Save, "Save As…" with its format dialog, and the
// save of a compacted series.
#pragma once
#include <cstdint>

// The format dialog.
inline constexpr int16_t kSaveAsWindow = 9;
inline constexpr int16_t kSaveAsNative = 1;      // radio buttons: the SaveFormat values
inline constexpr int16_t kSaveAsComma = 3;
inline constexpr int16_t kSaveAsTab = 4;
inline constexpr int16_t kSaveAsCancel = 2;
inline constexpr int16_t kSaveAsSelected = 10;   // "Selected channels only…"
inline constexpr int16_t kSaveAsBlock = 11;
inline constexpr int16_t kSaveAsCase = 12;
inline constexpr int16_t kSaveAsElapsed = 13;
inline constexpr int16_t kSaveAsClock = 14;
inline constexpr int16_t kSaveAsDate = 15;
inline constexpr int16_t kSaveAsHelp = 16;
inline constexpr int16_t kSaveAsUnitFirst = 21;  // 21..24 seconds, minutes, hours, days
inline constexpr int16_t kSaveAsSave = 30;
// The notice shown while a long file is written, with progress bar 777.
inline constexpr int16_t kSaveNoticeWindow = 14;
inline constexpr int32_t kHelpSaveAs = 5;

// (1, 0, 0) Save As; (0, 1, 0) Save; (0, 0, 1) the compacted series.
// Returns 0 when a file was written, 1 when cancelled or failed (the alert
// was shown).
int16_t SAVEDATAFILE(uint16_t saveAs, uint16_t save, uint16_t compacted);

// Remembered between uses of the format dialog (not saved).
struct SaveAsMemory {
  int16_t format = kSaveAsNative;
  bool caseColumn = false, elapsedColumn = true, clockColumn = false, dateColumn = false;
  int16_t unit = 0;
};
extern SaveAsMemory gSaveAsMemory;
