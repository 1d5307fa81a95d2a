// The results writer's text layouts, pure: every function returns Mac Roman
// bytes with CR line ends, ready for the text results file or the printer
// spool "printfile" (both receive the same lines).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/results.h"

// ---- One result -------------------------------------------------------------------------
// The whole text of a result: header, the topic's lines, its shared block
// and the closing rule. Empty for a topic outside 2..22.
std::string ResultText(const ResultRecord& r);

// The pieces, as the layouts share them.
std::string ResultHeaderText(const ResultRecord& r);     // file line and "Cases" line
std::string TopicLinesText(const ResultRecord& r);       // the topic's own lines
std::string BlockStatsText(const ResultRecord& r);       // incl. the time statistics for 6
std::string TimeStatsText(const ResultRecord& r);
std::string RegressionStatsText(const ResultRecord& r);
std::string LimitsBlockText(const ResultRecord& r);      // topics 15, 16, 22
std::string RuleLineText();                              // 50 "_"

// One unit table for integrated totals and unit words: 65 and unknown ids
// seconds, 66 minutes, 67 hours, 228 days, 68 and 225 none (per sample).
// Seconds per unit, or 0 for none.
double IntegrationUnitSeconds(int16_t unitId);
const char* IntegrationUnitWord(int16_t unitId);         // "minutes", ...; "seconds" for none

// ---- What a store request does ---------------------------------------------------------
struct DraftPrintPlan {
  bool nothing = false;      // topic outside 2..22
  bool showAlert = false;    // no destination: the Output Port Alert, nothing written
  bool writeText = false;    // destination 4 or 6: ResultText
  bool writeTabular = false; // destination 5: the tabular row
  bool diskIcon = false;     // 4, 5 (not topic 18)
  bool pageIcon = false;     // 6 (not topic 18)
};
DraftPrintPlan PlanDraftPrint(int16_t topic, int16_t port);

// Whether a stored result advances Nresults: only on a plot window wider
// than 1099 pixels and, with several results per row, when the row just
// filled.
bool ResultIsCounted(int16_t screenWidth, bool multipleResults, int16_t nResultsPrinted,
                     int16_t nMultipleResults);
// The plot window's results notice (field 18): "n saved; last=ch. c, b - e"
// with the block's cases counted from 1.
std::string ResultsNoticeText(uint16_t nresults, int16_t ch, int32_t beginBlock, int32_t endBlock);

// ---- Destination headers -------------------------------------------------------------------
struct FileHeaderInfo {
  std::string fileName, startDate, startTime;
  std::vector<std::string> labels;   // channels 1..nChannels, 30 bytes each
  float interval = 1.0f, flow = 0.0f, mass = 0.0f, pressure = 0.0f, temperature = 0.0f;
  float effectiveVolume = 0.0f;
  std::string comments;
  int16_t digits = 5;
};
// The file of a slot (TheFileInUse by default).
FileHeaderInfo CaptureFileHeader(int16_t slot);
FileHeaderInfo CaptureFileHeader();

// The heading of a new text results file. The interval is always labelled
// in seconds, the unit it is measured in.
std::string TextFileHeader(const FileHeaderInfo& h);

// The page header printed before the spool's lines. Channels come in pairs:
// the odd one at the margin, the even one indented to column 43.
struct PrintSpan {
  std::string text;   // Mac Roman
  bool bold = false;
};
struct PrintLine {
  int indentColumn = 1;           // 1 = the margin, 43 for even channels
  std::vector<PrintSpan> spans;   // empty: an empty line
};
std::vector<PrintLine> SpoolPrintHeader(const FileHeaderInfo& h);
// The spool's lines as printed: each line up to its CR, after four blanks.
// A last line without CR is printed too; no line follows a final CR.
std::vector<std::string> SpoolBodyLines(std::string_view spool);
// Header and body as plain text (indent as blanks, CR line ends): what the
// print job puts on paper, without the faces.
std::string SpoolPrintText(const FileHeaderInfo& h, std::string_view spool);
