#include "output/tabular.h"

#include <algorithm>
#include <cmath>

#include "datafiles/filehelpers.h"
#include "datafiles/timescale.h"
#include "output/numberformat.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/textutil.h"

namespace {

constexpr char TAB = '\t';
constexpr char CR = '\r';

// The results number text, except that the exponent form (and NaN, INF)
// has no blank in front: only fixed-point values keep the sign column.
std::string tabReal(double x, int digits) {
  std::string t = RealText(x, digits);
  if (t.size() > 1 && t[0] == ' ' && t.find_first_not_of(" 0123456789.") != std::string::npos) t.erase(0, 1);
  return t;
}

bool notesOn(const TabularOptions& o) { return o.note1 || o.note2; }

bool isScan(int16_t topic) {
  return topic == kTopicMeanMinimum || topic == kTopicMeanMaximum || topic == kTopicMostLevel ||
         topic == kTopicMostVariableSlope;
}

const char* analysisName(int16_t topic) {
  switch (topic) {
    case kTopicBasicStats: return "Basic stats";
    case kTopicMeanMinimum: return "mean minimum";
    case kTopicMeanMaximum: return "mean maximum";
    case kTopicRunningAverage: return "run.average";
    case kTopicEffectiveVolume: return "eff.vol.(mL) ";
    case kTopicMostLevel: return "most level";
    case kTopicIntegration: return "integral";
    case kTopicMostVariableSlope: return "most variable";
    default: return "";
  }
}

// Fields joined by single tabs.
class Row {
 public:
  void add(std::string field) {
    if (any_) text_ += TAB;
    text_ += field;
    any_ = true;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  bool any_ = false;
};

std::string clockOfCase(const ResultRecord& r, float caseNumber) {
  const float minutes = r.startMinutes + r.interval * caseNumber * 0.0166667f;
  return ClockTextFromMinutes(minutes);
}

// Day of year or "mm/dd/yyyy" of the block's first case. The day of year
// counts on past the year's end (a recording over New Year keeps rising) and
// the start's own day of year counts its leap day.
std::string dateField(const ResultRecord& r, int16_t dateColumn) {
  if (dateColumn != 1 && dateColumn != 2) return "";
  CivilDate start;
  if (!ParseDateText(r.startDate, &start)) return "";
  const int32_t startSeconds = std::max<int32_t>(0, ClockTextSeconds(r.startTime));
  const auto startDay = static_cast<uint16_t>(DayOfYearOf(start.day, start.month, start.year));
  // The decimal typed, not the float stored: 0.7f is 0.69999999 s.
  return MakeDateStringFor(DecimalValue(r.interval), r.startDate, startSeconds, r.beginBlock, startDay,
                           dateColumn == 1 ? 1 : 0);
}

bool resultEndsRow(const TabularOptions& o, int16_t printed) { return !o.multiple || printed == o.perRow; }
std::string resultEnd(const TabularOptions& o, int16_t printed) {
  return resultEndsRow(o, printed) ? std::string(1, CR) : std::string(1, TAB);
}

// Topics 6 and 9: the time or frequency row and the amplitude row.
std::string pairedRows(const ResultRecord& r, const TabularOptions& o, int16_t printed, char key) {
  const int d = r.digits;
  const std::string label = TabularFieldText(r.label);
  const std::string file = TabularFieldText(r.fileName);
  auto finish = [&](Row& row, const char* name, bool massHere) {
    row.add(label);
    if (o.analysisName) row.add(name);
    if (o.startEndTime) row.add(clockOfCase(r, r.x1) + "-" + clockOfCase(r, r.x2));
    if (o.mass && massHere) row.add(tabReal(r.mass, d));
    if (o.startEndCase) {
      row.add(IntText(r.beginBlock));
      row.add(IntText(r.endBlock));
    }
    if (o.channelFile) {
      row.add(IntText(r.ch));
      row.add(file);
    }
    return row.text() + resultEnd(o, printed);
  };
  const bool pairs = r.topic == kTopicPairDifferences;
  std::string s;
  if (key != 'A' && key != 'a') {
    Row row;
    if (pairs) {
      row.add(tabReal(r.tmFloat, d));
      row.add(tabReal(r.ts, d));
      row.add(IntText(r.rEnd));
    } else {
      row.add(tabReal(60.0f / r.P, d));
      row.add(tabReal(60.0f * r.sd / (r.P * r.P), d));
      row.add(tabReal(r.dn, d));
    }
    s += finish(row, pairs ? "time (seconds; P.D.) " : "frequency/min", !o.multiple || printed == 1);
  }
  if (key != 'F' && key != 'f') {
    Row row;
    if (pairs) {
      row.add(tabReal(r.meanValue, d));
      row.add(tabReal(r.sd, d));
      row.add(IntText(r.rEnd));
    } else {
      row.add(tabReal(r.dw / r.dn, d));
      row.add(tabReal(r.dxx, d));
      row.add(tabReal(r.dn, d));
    }
    s += finish(row, pairs ? "amplitude (P.D.) " : "amplitude", true);
  }
  return s;
}

std::string generalRow(const ResultRecord& r, const TabularOptions& o, int16_t printed) {
  const int d = r.digits;
  double k = 1.0, offset = 0.0;
  if (r.rscale) {
    // A divide by 0 is no scaling rather than an infinite column.
    if (r.scaleOp == 0.0f)
      k = r.scaleFactor == 0.0f ? 1.0 : 1.0 / r.scaleFactor;
    else
      k = r.scaleFactor;
    offset = r.scaleOffset;
  }
  Row row;
  row.add(tabReal(k * r.meanValue + offset, d));
  row.add(tabReal(k * r.sd, d));
  // The count the mean was taken over, for every topic.
  row.add(IntText(r.nrPoints));
  row.add(tabReal(k * r.mi + offset, d));
  row.add(tabReal(k * r.ma + offset, d));
  row.add(TabularFieldText(r.label));
  if (o.analysisName) row.add(analysisName(r.topic));
  if (o.dateColumn != 0) row.add(dateField(r, o.dateColumn));
  if (o.hour) {
    float t = r.startMinutes + r.interval * r.x1 * 0.0166667f;
    // Folded in one step: past 2^35 minutes subtracting a day no longer
    // changes a float, and a loop would never end.
    if (std::isfinite(t) && t > 1440.0f) {
      const double m = t;
      t = static_cast<float>(m - 1440.0 * std::ceil((m - 1440.0) / 1440.0));
    }
    row.add(tabReal(t / 60.0f, d));
  }
  if (o.elapsedMinutes) row.add(tabReal(static_cast<double>(r.beginBlock) * r.interval * 0.01666667, d));
  if (o.startEndTime) {
    row.add(clockOfCase(r, r.x1));
    row.add(r.topic == kTopicRunningAverage ? std::string(" ") : clockOfCase(r, r.x2));
  }
  if (o.duration) {
    int64_t count;
    if (r.topic == kTopicBasicStats)
      count = int64_t{r.eda} - r.bga;
    else if (isScan(r.topic))
      count = int64_t{r.mmlPoints} - 1;
    else
      count = int64_t{r.endBlock} - r.beginBlock;
    row.add(tabReal(static_cast<double>(count) * r.interval, d));
  }
  if (o.mass && (!o.multiple || printed == 1)) row.add(tabReal(r.mass, d));
  if (o.startEndCase) {
    if (r.topic == kTopicBasicStats) {
      row.add(IntText(r.bga));
      row.add(IntText(r.eda));
    } else if (isScan(r.topic)) {
      row.add(IntText(r.mmlBegin));
      row.add(IntText(int64_t{r.mmlBegin} + r.mmlPoints - 1));
    } else {
      row.add(IntText(r.beginBlock));
      row.add(IntText(r.endBlock));
    }
  }
  if (o.channelFile) {
    row.add(IntText(r.ch));
    row.add(TabularFieldText(r.fileName));
  }
  return row.text() + resultEnd(o, printed);
}

}  // namespace

TabularOptions CurrentTabularOptions() {
  TabularOptions o;
  o.startEndTime = tabTime != 0;
  o.duration = deltatime != 0;
  o.mass = tabmass != 0;
  o.startEndCase = tabStart != 0;
  o.channelFile = tabChan != 0;
  o.analysisName = tabMode != 0;
  o.note1 = Note_1 != 0 || Note_2 != 0;
  o.note2 = Note_2 != 0;
  o.excel = UseExcelFormat != 0;
  o.multiple = UseMultipleResults != 0;
  o.perRow = NMultipleResults;
  o.hour = prefsArray[40] != 0;
  o.elapsedMinutes = prefsArray[41] != 0;
  o.dateColumn = prefsArray[50];
  return o;
}

std::string TabularFieldText(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string TabularHeaderRow(const TabularOptions& o) {
  std::string s;
  if (notesOn(o)) s += "note#1\t";
  if (o.note2) s += "note#2\t";
  Row row;
  for (const char* name : {"Mean", "SD", "N", "minimum", "maximum", "Variable"}) row.add(name);
  auto optional = [&](Row& r, const char* startName, const char* endName, const char* durationName) {
    if (o.analysisName) r.add("Analysis");
    if (o.dateColumn == 1) r.add("Day of year");
    if (o.dateColumn == 2) r.add("Date");
    if (o.hour) r.add("Hour");
    if (o.elapsedMinutes) r.add("elapsed time @ start (min) ");
    if (o.startEndTime) {
      r.add(startName);
      r.add(endName);
    }
    if (o.duration) r.add(durationName);
  };
  optional(row, "StrtTime", "EndTime", "Duration");
  if (o.mass) row.add("mass");
  if (o.startEndCase) {
    row.add("start");
    row.add("end");
  }
  if (o.channelFile) {
    row.add("Channel");
    row.add("File");
  }
  if (o.multiple) {
    // Every further result carries the first one's fields except the mass
    // and the notes; its group names exactly those.
    for (int k = 2; k <= o.perRow; ++k) {
      row.add("Mean" + IntText(k));
      for (const char* name : {"SD", "N", "minimum", "maximum", "Variable"}) row.add(name);
      optional(row, "StartTime", "EndTime", "Duration (sec) ");
      if (o.startEndCase) {
        row.add("start");
        row.add("end");
      }
      if (o.channelFile) {
        row.add("Channel");
        row.add("File");
      }
    }
  }
  return s + row.text() + CR;
}

TabularStart BeginTabularResult(int16_t topic, const TabularOptions& o, int16_t* nResultsPrinted) {
  TabularStart st;
  if (topic == kTopicSlopeVsTime || topic == kTopicRegression) return st;
  st.writes = true;
  if (o.multiple) ++*nResultsPrinted;
  if (*nResultsPrinted > o.perRow) *nResultsPrinted = 1;
  st.askNotes = notesOn(o) && (!o.multiple || *nResultsPrinted == 1);
  return st;
}

std::string TabularNoteFields(const TabularOptions& o, std::string_view note1, std::string_view note2) {
  if (!notesOn(o)) return "";
  std::string s = TabularFieldText(note1) + TAB;
  if (o.note2) s += TabularFieldText(note2) + TAB;
  return s;
}

// The polynomial has none of the block statistics of the common row: its
// degree, r squared and coefficients, highest power first.
std::string polynomialRow(const ResultRecord& r) {
  const int degree = std::clamp<int>(r.polyDegree, 1, 9);
  std::string s = "polynomial" + std::string(1, TAB) + std::to_string(degree) + TAB + tabReal(r.cc[15], r.digits);
  for (int i = 1; i <= degree + 1; ++i) s += TAB + tabReal(r.cc[static_cast<size_t>(i)], r.digits);
  return s + CR;
}

std::string TabularResultRows(const ResultRecord& r, const TabularOptions& o, int16_t nResultsPrinted, char key) {
  if (r.topic == kTopicSlopeVsTime || r.topic == kTopicRegression) return "";
  if (r.topic == kTopicPolynomial) return polynomialRow(r);
  if (r.topic == kTopicPairDifferences || r.topic == kTopicWaveform) return pairedRows(r, o, nResultsPrinted, key);
  return generalRow(r, o, nResultsPrinted);
}

std::string TabularResultText(const ResultRecord& r, const TabularOptions& o, int16_t* nResultsPrinted, char key,
                              std::string_view note1, std::string_view note2) {
  const TabularStart st = BeginTabularResult(r.topic, o, nResultsPrinted);
  if (!st.writes) return "";
  std::string s;
  if (st.askNotes) s += TabularNoteFields(o, note1, note2);
  return s + TabularResultRows(r, o, *nResultsPrinted, key);
}

ResultsFileKind TabularFileKind(const TabularOptions& o) {
  if (o.excel) return {{'X', 'L', 'S', '8'}, {'X', 'C', 'E', 'L'}, "txt"};
  return TextResultsFileKind();
}

ResultsFileKind TextResultsFileKind() { return {{'T', 'E', 'X', 'T'}, {'c', 'v', 'm', 't'}, "txt"}; }

std::string DefaultResultsFileName(std::string_view fileName, bool tabular) {
  return std::string(fileName) + " results" + (tabular ? ".txt" : "");
}
