// The tabular results file, pure: the column row, the result rows and the
// note fields, as Mac Roman bytes (one tab between fields, CR at a row end).
// A tab, CR or LF inside a label, note or file name becomes a blank, so a
// field never spills into the next column.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "output/results.h"

struct TabularOptions {
  bool startEndTime = false;     // tabTime
  bool duration = false;         // deltatime
  bool mass = false;             // tabmass
  bool startEndCase = false;     // tabStart
  bool channelFile = false;      // tabChan
  bool analysisName = true;      // tabMode
  bool note1 = false;            // Note_1
  bool note2 = false;            // Note_2 (implies note1)
  bool excel = false;            // UseExcelFormat: file kind only
  bool multiple = false;         // UseMultipleResults
  int16_t perRow = 2;            // NMultipleResults, 2..15
  bool hour = false;             // prefsArray word 40
  bool elapsedMinutes = false;   // prefsArray word 41
  int16_t dateColumn = 0;        // prefsArray word 50: 0 none, 1 day of year, 2 mm/dd/yyyy
};
// The settings in force (tabular flags, NMultipleResults, words 40, 41, 50).
TabularOptions CurrentTabularOptions();

// A field text with tab, CR and LF replaced by blanks.
std::string TabularFieldText(std::string_view text);

// The column row written when the file is created. Further results on a
// row get a group that names the fields those results really carry.
std::string TabularHeaderRow(const TabularOptions& o);

// Storing one result writes TabularRowCount rows (0 for topics 7 and 8; one
// row per number for pair differences and the waveform, chosen by key, and
// for the asymptote and the polynomial). Each row is one result of a line:
// BeginTabularResult advances *nResultsPrinted (false for topics 7 and 8:
// no row, not counted) and tells whether the notes go first (at the start
// of a line, when notes are on); TabularRowText is the row, closed by the
// result end (CR when the line is complete, else a tab). key "A"/"a"
// leaves out the time or frequency row of topics 6 and 9, "F"/"f" the
// amplitude row. Every row carries the file's columns; a value the
// analysis did not compute is an empty field.
struct TabularStart {
  bool writes = false;
  bool askNotes = false;
};
TabularStart BeginTabularResult(int16_t topic, const TabularOptions& o, int16_t* nResultsPrinted);
// The note fields, each followed by a tab: note 1, and note 2 when on.
std::string TabularNoteFields(const TabularOptions& o, std::string_view note1, std::string_view note2);
int TabularRowCount(const ResultRecord& r, char key);
std::string TabularRowText(const ResultRecord& r, const TabularOptions& o, int16_t nResultsPrinted, char key,
                           int index);
// Every row, with the note fields at each line start: what one store
// appends. noteFields is asked once, at the first line start; *linesFilled
// (when given) gets the number of lines the rows complete.
std::string TabularResultText(const ResultRecord& r, const TabularOptions& o, int16_t* nResultsPrinted,
                              char key, const std::function<std::string()>& noteFields, int* linesFilled = nullptr);
// The same with the notes given.
std::string TabularResultText(const ResultRecord& r, const TabularOptions& o, int16_t* nResultsPrinted,
                              char key, std::string_view note1, std::string_view note2);

// Mac type/creator and extension of a new tabular or text results file.
struct ResultsFileKind {
  std::array<char, 4> type{};
  std::array<char, 4> creator{};
  const char* extension = "txt";
};
ResultsFileKind TabularFileKind(const TabularOptions& o);   // "XLS8"/"XCEL" with Excel
ResultsFileKind TextResultsFileKind();                      // "TEXT"/"cvmt"
// "<file> results", plus ".txt" for the tabular file.
std::string DefaultResultsFileName(std::string_view fileName, bool tabular);
