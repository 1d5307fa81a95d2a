#include "output/tabular.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "datafiles/filehelpers.h"
#include "datafiles/timescale.h"
#include "output/numberformat.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

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
         topic == kTopicMostVariableSlope || topic == kTopicMostVariablePoint;
}

// Time and selective integration and event counting: limits typed by the
// user in mi / ma, a share in per cent in sd.
bool withinLimits(int16_t topic) {
  return topic == kTopicTimeIntegration || topic == kTopicEventCounter || topic == kTopicSelectiveIntegration;
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
    case kTopicMostVariablePoint: return "most variable (point-to-point)";
    case kTopicTimeIntegration: return "time integration";
    case kTopicSelectiveIntegration: return "selective integration";
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
  return ClockTextFromMinutes(CaseMinutes(r.startMinutes, r.interval, caseNumber));
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

// What a row holds before the label: mean, SD, N, minimum, maximum (an empty
// text leaves the column empty) and the analysis name.
struct RowHead {
  std::string mean, sd, n, mi, ma;
  std::string name;
};

// Topics whose result names its own first and last case in x1float / x2;
// the others span the block.
bool hasResultSpan(int16_t topic) {
  switch (topic) {
    case kTopicBasicStats:
    case kTopicMeanMinimum:
    case kTopicMeanMaximum:
    case kTopicRunningAverage:
    case kTopicPairDifferences:
    case kTopicEffectiveVolume:
    case kTopicMostLevel:
    case kTopicIntegration:
    case kTopicMostVariableSlope:
    case kTopicMostVariablePoint:
      return true;
    default:
      return false;
  }
}

// The rows of one result. Values the analysis did not compute stay empty:
// the globals behind them hold another analysis's numbers. Results of
// several numbers (pairs, waveform, asymptote, polynomial) give one row
// per number, named in the Analysis column, its value under Mean.
std::vector<RowHead> rowHeads(const ResultRecord& r, char key) {
  const int d = r.digits;
  auto real = [d](double x) { return tabReal(x, d); };
  std::vector<RowHead> rows;
  const bool first = key != 'A' && key != 'a';
  const bool second = key != 'F' && key != 'f';
  switch (r.topic) {
    case kTopicSlopeVsTime:
    case kTopicRegression:
      break;
    case kTopicPairDifferences: {
      // Two or fewer pairs have no spread: the tools keep an earlier one.
      const bool spread = r.rEnd > 2;
      if (first)
        rows.push_back({real(r.tmFloat), spread ? real(r.ts) : "", IntText(r.rEnd), "", "", "time (seconds; P.D.) "});
      if (second)
        rows.push_back({real(r.meanValue), spread ? real(r.sd) : "", IntText(r.rEnd), "", "", "amplitude (P.D.) "});
      break;
    }
    case kTopicWaveform:
      // N counts what the value was taken over: periods for the frequency,
      // amplitudes for the amplitude. No period or no amplitude: no value.
      if (first)
        rows.push_back({r.P > 0.0f ? real(60.0f / r.P) : "", r.P > 0.0f ? real(60.0f * r.sd / (r.P * r.P)) : "",
                        IntText(r.wavePeriods), "", "", "frequency/min"});
      if (second)
        rows.push_back({r.dn > 0.0f ? real(r.dw / r.dn) : "", r.dn > 0.0f ? real(r.dxx) : "", real(r.dn), "", "",
                        "amplitude"});
      break;
    case kTopicEventCounter: {
      // The counts as the window showed them: all events, or only those
      // the duration filter kept. No count shown (no window): no value.
      auto shown = [](const std::string& field) {
        char* end = nullptr;
        const long n = std::strtol(field.c_str(), &end, 10);
        return end != field.c_str() && field.find_first_not_of(" -0123456789") == std::string::npos
                   ? IntText(static_cast<int64_t>(n))
                   : std::string();
      };
      // The levels counted at, unscaled as they were typed.
      rows.push_back({shown(r.eventFields[2]), "", "", real(r.mi), real(r.ma), "positive events (above upper limit)"});
      rows.push_back({shown(r.eventFields[4]), "", "", real(r.mi), real(r.ma), "negative events (below lower limit)"});
      break;
    }
    case kTopicAsymptote: {
      const AsymRates rates = AsymptoteRates(r.valueOfB, r.interval, r.timeUnits, r.slope);
      const std::string unit = AsymptoteUnitWord(r.timeUnits);
      rows.push_back({real(r.sumy2), "", IntText(r.nPoints), "", "", "asymptote"});
      rows.push_back({real(r.meanValue), "", "", "", "", "asymptote C.D. (%)"});
      rows.push_back({real(AsymptoteShownK(rates, r.rising)), "", "", "", "", "asymptote slope per " + unit});
      rows.push_back({real(rates.change), "", "", "", "", "asymptote rate constant per " + unit});
      rows.push_back({rates.timeDefined ? real(std::abs(rates.time)) : std::string(), "", "", "", "",
                      std::string("asymptote time for ") + AsymptotePercentText(r.slopeID) + "% change (" + unit +
                          "s)"});
      break;
    }
    case kTopicPolynomial: {
      const int degree = std::clamp<int>(r.polyDegree, 1, 9);
      const std::string x = " (X: ch." + std::to_string(r.chan1) + ")";
      rows.push_back({real(r.cc[15]), "", "", "", "", "polynomial r-squared" + x});
      rows.push_back({real(r.cc[static_cast<size_t>(degree) + 1]), "", "", "", "", "polynomial constant" + x});
      for (int i = 1; i <= degree; ++i)
        rows.push_back({real(r.cc[static_cast<size_t>(degree - i + 1)]), "", "", "", "",
                        "polynomial X^" + std::to_string(i) + " coefficient" + x});
      break;
    }
    default: {
      double k = 1.0, offset = 0.0;
      if (r.rscale) {
        // A divide by 0 is no scaling rather than an infinite column.
        if (r.scaleOp == 0.0f)
          k = r.scaleFactor == 0.0f ? 1.0 : 1.0 / r.scaleFactor;
        else
          k = r.scaleFactor;
        offset = r.scaleOffset;
      }
      // The count the mean was taken over, for every topic.
      RowHead h{real(k * r.meanValue + offset), real(k * r.sd), IntText(r.nrPoints), real(k * r.mi + offset),
                real(k * r.ma + offset), analysisName(r.topic)};
      // An integral has no spread or extremes of its own; the analyses
      // within limits count no cases into nrPoints.
      if (r.topic == kTopicIntegration) h.sd = h.mi = h.ma = "";
      if (r.topic == kTopicRunningAverage && r.nrPoints <= 2) h.sd = "";   // as the screen and the text
      // The share and the limits are the window's, never rescaled.
      if (withinLimits(r.topic)) {
        h.sd = real(r.sd);
        h.mi = real(r.mi);
        h.ma = real(r.ma);
        h.n = "";
      }
      rows.push_back(std::move(h));
      break;
    }
  }
  return rows;
}

// One row: its head, then the file's columns as the header names them.
std::string rowText(const ResultRecord& r, const TabularOptions& o, int16_t printed, const RowHead& h) {
  const int d = r.digits;
  const bool poly = r.topic == kTopicPolynomial;
  const bool span = hasResultSpan(r.topic);
  const float startCase = span ? r.x1 : static_cast<float>(r.beginBlock);
  const float endCase = span ? r.x2 : static_cast<float>(r.endBlock);
  Row row;
  for (const std::string* f : {&h.mean, &h.sd, &h.n, &h.mi, &h.ma}) row.add(*f);
  row.add(TabularFieldText(poly ? r.chan2Label : r.label));
  if (o.analysisName) row.add(h.name);
  if (o.dateColumn != 0) row.add(dateField(r, o.dateColumn));
  if (o.hour) {
    double t = CaseMinutes(r.startMinutes, r.interval, startCase);
    // Folded in one step: far off, a loop subtracting days would never end.
    if (std::isfinite(t) && t > 1440.0) t -= 1440.0 * std::ceil((t - 1440.0) / 1440.0);
    row.add(tabReal(t / 60.0, d));
  }
  if (o.elapsedMinutes) row.add(tabReal(SecondsToMinutes(static_cast<double>(r.beginBlock) * r.interval), d));
  if (o.startEndTime) {
    row.add(clockOfCase(r, startCase));
    row.add(r.topic == kTopicRunningAverage ? std::string(" ") : clockOfCase(r, endCase));
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
    row.add(IntText(poly ? r.chan2 : r.ch));
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

int TabularRowCount(const ResultRecord& r, char key) { return static_cast<int>(rowHeads(r, key).size()); }

std::string TabularRowText(const ResultRecord& r, const TabularOptions& o, int16_t nResultsPrinted, char key,
                           int index) {
  const std::vector<RowHead> heads = rowHeads(r, key);
  if (index < 0 || static_cast<size_t>(index) >= heads.size()) return "";
  return rowText(r, o, nResultsPrinted, heads[static_cast<size_t>(index)]);
}

std::string TabularResultText(const ResultRecord& r, const TabularOptions& o, int16_t* nResultsPrinted, char key,
                              const std::function<std::string()>& noteFields, int* linesFilled) {
  std::string s, notes;
  bool asked = false;
  if (linesFilled) *linesFilled = 0;
  for (int i = 0, n = TabularRowCount(r, key); i < n; ++i) {
    const TabularStart st = BeginTabularResult(r.topic, o, nResultsPrinted);
    if (st.askNotes) {
      if (!asked) notes = noteFields();
      asked = true;
      s += notes;
    }
    s += TabularRowText(r, o, *nResultsPrinted, key, i);
    if (linesFilled && o.multiple && *nResultsPrinted == o.perRow) ++*linesFilled;
  }
  return s;
}

std::string TabularResultText(const ResultRecord& r, const TabularOptions& o, int16_t* nResultsPrinted, char key,
                              std::string_view note1, std::string_view note2) {
  return TabularResultText(r, o, nResultsPrinted, key, [&] { return TabularNoteFields(o, note1, note2); });
}

ResultsFileKind TabularFileKind(const TabularOptions& o) {
  if (o.excel) return {{'X', 'L', 'S', '8'}, {'X', 'C', 'E', 'L'}, "txt"};
  return TextResultsFileKind();
}

ResultsFileKind TextResultsFileKind() { return {{'T', 'E', 'X', 'T'}, {'c', 'v', 'm', 't'}, "txt"}; }

std::string DefaultResultsFileName(std::string_view fileName, bool tabular) {
  return std::string(fileName) + " results" + (tabular ? ".txt" : "");
}
