// "Read .csv File & Save Results": the cost engine once per species row of
// a thermal-physiology spreadsheet, with the chosen results and an optional
// metadata block written to "TregCosts.xls" or "TregCosts.csv".
#pragma once
#include <cstdint>
#include <string>

inline constexpr int16_t kColumnsWindow = 999;      // also the "already loaded" choice
inline constexpr int16_t kResultsChoiceWindow = 19;
// Column window buttons: variable g (0..9) of column r is 50 g + r.
inline constexpr int16_t kColumnsHelp = 590;
inline constexpr int16_t kColumnsCancel = 595;
inline constexpr int16_t kColumnsOK = 600;
// "Already loaded" choice.
inline constexpr int16_t kUseExisting = 1;
inline constexpr int16_t kLoadDifferent = 2;
// Results choice: boxes 1..15, then these.
inline constexpr int16_t kResultsAll = 18;
inline constexpr int16_t kResultsNone = 19;
inline constexpr int16_t kResultsDone = 20;
inline constexpr int16_t kResultsExcel = 21;
inline constexpr int16_t kResultsMetadata = 22;

extern std::string CSVspreadsheetName;
extern uint16_t csvConductanceFileWasLoaded;

// Needs the main dialog open. Returns the spreadsheet's name, empty when none
// was chosen.
std::string TregCostsFromSpreadsheet(uint16_t shadeChannel, uint16_t sunChannel);
