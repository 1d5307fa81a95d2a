// The windows of the tabular results file: the column options, the number
// of results per row, and the user notes asked at the start of a row.
#pragma once
#include <cstdint>
#include <string>

#include "output/tabular.h"

// Window ids of the tabular dialogs.
inline constexpr int16_t kOutputOptionsWindow = 9;   // tabular options, results per line
inline constexpr int16_t kTabularNotesWindow = 30;
// Help page of the tabular options.
inline constexpr int32_t kHelpTabularOptions = 203;

// Check boxes of the options window (ids double as their settings' rows).
inline constexpr int16_t kTabStartEndTime = 1;
inline constexpr int16_t kTabDuration = 2;
inline constexpr int16_t kTabMass = 3;
inline constexpr int16_t kTabStartEndCases = 4;
inline constexpr int16_t kTabChannelFile = 5;
inline constexpr int16_t kTabAnalysisMode = 6;
inline constexpr int16_t kTabNote1 = 7;
inline constexpr int16_t kTabNote2 = 8;
inline constexpr int16_t kTabExcel = 9;
inline constexpr int16_t kTabMultiple = 10;
inline constexpr int16_t kTabHour = 11;
inline constexpr int16_t kTabDayOfYear = 12;
inline constexpr int16_t kTabCalendarDate = 13;
inline constexpr int16_t kTabElapsed = 14;
inline constexpr int16_t kTabOK = 20;
// Results-per-line window: radio buttons 2..15 and Done.
inline constexpr int16_t kPerRowFirst = 2;
inline constexpr int16_t kPerRowLast = 15;
inline constexpr int16_t kPerRowDone = 20;
// Note fields of window 30.
inline constexpr int16_t kNoteField1 = 1;
inline constexpr int16_t kNoteField2 = 2;
inline constexpr size_t kNoteMaxLength = 252;

// "Tabular File Output Options" (window 9). True when accepted; the close
// box cancels. The settings change as the boxes are clicked.
bool TabularOptionsDialog();
// Check marks of the open options window from the settings. Returns 0.
int16_t SETTABOPTIONS();
// "Multiple Results Per Line Pptions" (window 9): sets NMultipleResults
// (starting at 2). True when accepted.
bool ResultsPerLineDialog();

// Asks for the notes of a new row (window 30), keeps them in note1/note2
// and returns the note fields to write first on the row.
std::string TabFileComments(const TabularOptions& o);
