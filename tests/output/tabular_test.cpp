#include "output/tabular.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fixture.h"
#include "shell/defaults.h"
#include "shell/globals.h"

using outtest::BaseRecord;
using outtest::Pad30;
using outtest::Visible;

namespace {

const std::string kLabel = Pad30("O2");
// Mean, SD, N (the count the mean used), minimum, maximum, label.
const std::string kStatsFields = " 3\t 1.41421\t 5\t 1\t 5\t" + kLabel;

void ExpectBytes(const std::string& expected, const std::string& actual) {
  EXPECT_EQ(expected, actual) << "expected:\n" << Visible(expected) << "\nactual:\n" << Visible(actual);
}

TabularOptions Plain() {
  TabularOptions o;
  o.analysisName = false;
  return o;
}

TabularOptions Everything() {
  TabularOptions o;
  o.startEndTime = o.duration = o.mass = o.startEndCase = o.channelFile = o.analysisName = true;
  o.note1 = o.note2 = true;
  o.hour = o.elapsedMinutes = true;
  o.dateColumn = 1;
  return o;
}

std::string Store(const ResultRecord& r, const TabularOptions& o, int16_t* printed, char key = 'p') {
  return TabularResultText(r, o, printed, key, "note a", "note b");
}

}  // namespace

TEST(TabularHeader, PlainAndDefault) {
  ExpectBytes("Mean\tSD\tN\tminimum\tmaximum\tVariable\r", TabularHeaderRow(Plain()));
  ExpectBytes("Mean\tSD\tN\tminimum\tmaximum\tVariable\tAnalysis\r", TabularHeaderRow(TabularOptions{}));
}

TEST(TabularHeader, EveryColumnAndThreeResultsPerRow) {
  TabularOptions o = Everything();
  const std::string first =
      "Mean\tSD\tN\tminimum\tmaximum\tVariable\tAnalysis\tDay of year\tHour\telapsed time @ start (min) "
      "\tStrtTime\tEndTime\tDuration\tmass\tstart\tend\tChannel\tFile";
  ExpectBytes("note#1\tnote#2\t" + first + "\r", TabularHeaderRow(o));
  o.multiple = true;
  o.perRow = 3;
  o.excel = true;
  std::string groups;
  for (const char* k : {" 2", " 3"})
    groups += std::string("\tMean") + k +
              "\tSD\tN\tminimum\tmaximum\tVariable\tAnalysis\tDay of year\tHour\telapsed time @ start (min) "
              "\tStartTime\tEndTime\tDuration (sec) \tstart\tend\tChannel\tFile";
  ExpectBytes("note#1\tnote#2\t" + first + groups + "\r", TabularHeaderRow(o));
  o.dateColumn = 2;
  EXPECT_NE(TabularHeaderRow(o).find("\tDate\t"), std::string::npos);
}

TEST(TabularRow, EveryTopicLayoutOneResultPerRow) {
  // An integral has no SD, minimum or maximum: those globals hold the
  // analysis that ran before it.
  const std::string integral = " 3\t\t 5\t\t\t" + kLabel;
  const std::string limits = " 3\t 1.41421\t\t 1\t 5\t" + kLabel;   // no count of their own
  const struct {
    int16_t topic;
    const char* name;
    const std::string* fields;
  } topics[] = {{2, "Basic stats", &kStatsFields}, {3, "mean minimum", &kStatsFields},
                {4, "mean maximum", &kStatsFields}, {5, "run.average", &kStatsFields},
                {10, "eff.vol.(mL) ", &kStatsFields}, {11, "most level", &kStatsFields},
                {12, "integral", &integral}, {13, "most variable", &kStatsFields},
                {14, "most variable (point-to-point)", &kStatsFields}, {15, "time integration", &limits},
                {19, "", &kStatsFields}, {20, "", &kStatsFields}, {21, "", &kStatsFields},
                {22, "selective integration", &limits}};
  for (bool excel : {false, true}) {
    for (const auto& t : topics) {
      SCOPED_TRACE(t.topic);
      TabularOptions o;
      o.excel = excel;
      int16_t printed = 0;
      ExpectBytes(*t.fields + "\t" + t.name + "\r", Store(BaseRecord(t.topic), o, &printed));
      o = Plain();
      o.excel = excel;
      ExpectBytes(*t.fields + "\r", Store(BaseRecord(t.topic), o, &printed));
      EXPECT_EQ(printed, 0);
    }
  }
}

// Results of several numbers write one row per number, each with the file's
// columns, named in the Analysis column with the value under Mean, and each
// one result of a line.
TEST(TabularRow, AsymptoteAndPolynomialGiveOneNamedRowPerNumber) {
  ResultRecord asym = BaseRecord(kTopicAsymptote);
  asym.sumy2 = 12.5;
  asym.nPoints = 61;
  asym.meanValue = 99.5;
  asym.timeUnits = 1;
  asym.valueOfB = -0.01f;   // k = -0.6 per minute
  asym.slopeID = 6;
  asym.slope = -0.3f;
  asym.rising = true;
  ResultRecord flat = asym;
  flat.valueOfB = 0.0f;
  flat.rising = false;
  ResultRecord poly = BaseRecord(kTopicPolynomial);
  poly.polyDegree = 2;
  poly.cc = {0, 3, 2, 1};
  poly.cc[15] = 0.5;
  poly.chan1 = 1;
  poly.chan2 = 3;
  poly.chan2Label = Pad30("CO2");
  // The event counts the window showed with the duration filter on, not
  // the count of every upper event left in meanValue.
  ResultRecord events = BaseRecord(kTopicEventCounter);
  events.meanValue = 7.0;
  events.rscale = true;
  events.scaleFactor = 2.0f;
  events.eventFields[2] = " 1";
  events.eventFields[4] = " 0";
  const std::string none = "\t\t\t\t\t";   // SD, N, minimum, maximum empty
  const std::string tail = "\t 2\trun1";
  const std::string ptail = "\t 3\trun1";
  const struct {
    const char* what;
    const ResultRecord* r;
    std::vector<std::string> rows;
  } cases[] = {
      {"event counts as shown, at the levels typed",
       &events,
       {" 1\t\t\t 1\t 5\t" + kLabel + "\tpositive events (above upper limit)" + tail,
        " 0\t\t\t 1\t 5\t" + kLabel + "\tnegative events (below lower limit)" + tail}},
      {"rising asymptote: |k| as the window shows it",
       &asym,
       {" 12.5\t\t 61\t\t\t" + kLabel + "\tasymptote" + tail,
        " 99.5" + none + kLabel + "\tasymptote C.D. (%)" + tail,
        " 0.6" + none + kLabel + "\tasymptote slope per minute" + tail,
        " 0.45119" + none + kLabel + "\tasymptote rate constant per minute" + tail,
        " 0.5" + none + kLabel + "\tasymptote time for 50% change (minutes)" + tail}},
      {"no rate: no time",
       &flat,
       {" 12.5\t\t 61\t\t\t" + kLabel + "\tasymptote" + tail, " 99.5" + none + kLabel + "\tasymptote C.D. (%)" + tail,
        " 0" + none + kLabel + "\tasymptote slope per minute" + tail,
        " 0" + none + kLabel + "\tasymptote rate constant per minute" + tail,
        none + kLabel + "\tasymptote time for 50% change (minutes)" + tail}},
      {"polynomial of the Y channel",
       &poly,
       {" 0.5" + none + Pad30("CO2") + "\tpolynomial r-squared (X: ch.1)" + ptail,
        " 1" + none + Pad30("CO2") + "\tpolynomial constant (X: ch.1)" + ptail,
        " 2" + none + Pad30("CO2") + "\tpolynomial X^1 coefficient (X: ch.1)" + ptail,
        " 3" + none + Pad30("CO2") + "\tpolynomial X^2 coefficient (X: ch.1)" + ptail}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TabularOptions o;
    o.channelFile = true;
    int16_t printed = 0;
    std::string one, three;
    for (const std::string& row : c.rows) one += row + "\r";
    ExpectBytes(one, Store(*c.r, o, &printed));
    // Three results per line: the rows fill lines like any results.
    o.multiple = true;
    o.perRow = 3;
    printed = 0;
    for (size_t i = 0; i < c.rows.size(); ++i) three += c.rows[i] + (i % 3 == 2 ? "\r" : "\t");
    ExpectBytes(three, Store(*c.r, o, &printed));
    EXPECT_EQ(printed, static_cast<int16_t>((c.rows.size() - 1) % 3 + 1));
  }
}

TEST(TabularRow, SlopeAndRegressionWriteNothingAndDoNotCount) {
  TabularOptions o = Everything();
  o.multiple = true;
  o.perRow = 3;
  int16_t printed = 1;
  for (int16_t t : {kTopicSlopeVsTime, kTopicRegression}) {
    EXPECT_EQ(Store(BaseRecord(t), o, &printed), "");
    EXPECT_EQ(printed, 1);
  }
}

TEST(TabularRow, EveryOptionalColumn) {
  int16_t printed = 0;
  // 15 March 2024 is day 75 (the leap day counts); hour 10 + 2 min; block
  // starts 2 minutes in; N is nrPoints, the duration EDA - BGA.
  ExpectBytes("note a\tnote b\t" + kStatsFields +
                  "\tBasic stats\t75\t 10.03333\t 2\t 10:02:00  \t 10:03:00  \t 60\t 32.5\t 120\t 180\t 2\trun1\r",
              Store(BaseRecord(kTopicBasicStats), Everything(), &printed));
}

TEST(TabularRow, ScanWindowCasesAndDuration) {
  TabularOptions o = Plain();
  o.startEndCase = o.duration = true;
  int16_t printed = 0;
  // Window 130..140: 10 samples of 1 s.
  for (int16_t t : {kTopicMostLevel, kTopicMostVariablePoint})
    ExpectBytes(kStatsFields + "\t 10\t 130\t 140\r", Store(BaseRecord(t), o, &printed));
  // Other topics use the block.
  ExpectBytes(" 3\t\t 5\t\t\t" + kLabel + "\t 60\t 120\t 180\r", Store(BaseRecord(kTopicIntegration), o, &printed));
}

TEST(TabularRow, RunningAverageHasABlankEndTime) {
  TabularOptions o = Plain();
  o.startEndTime = true;
  int16_t printed = 0;
  ExpectBytes(kStatsFields + "\t 10:02:00  \t \r", Store(BaseRecord(kTopicRunningAverage), o, &printed));
  // Two picks or fewer: no S.D., as on the screen and in the text results.
  ResultRecord two = BaseRecord(kTopicRunningAverage);
  two.nrPoints = 2;
  ExpectBytes(" 3\t\t 2\t 1\t 5\t" + kLabel + "\t 10:02:00  \t \r", Store(two, o, &printed));
}

TEST(TabularRow, Rescaling) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.rscale = true;
  r.scaleOp = 1.0f;   // multiply
  r.scaleFactor = 2.0f;
  r.scaleOffset = 10.0f;
  int16_t printed = 0;
  ExpectBytes(" 16\t 2.82842\t 5\t 12\t 20\t" + kLabel + "\r", Store(r, Plain(), &printed));
  // Within limits only the time or integral is rescaled, as the window
  // shows it: the share and the typed limits stay as they are.
  for (int16_t t : {kTopicTimeIntegration, kTopicSelectiveIntegration}) {
    r.topic = t;
    ExpectBytes(" 16\t 1.41421\t\t 1\t 5\t" + kLabel + "\r", Store(r, Plain(), &printed));
  }
}

TEST(TabularRow, DatesUseTheCalendar) {
  const struct {
    const char* startDate;
    const char* startTime;
    float interval;
    int32_t beginBlock;
    const char* dayOfYear;
    const char* date;
  } cases[] = {
      // Past New Year the day of year keeps counting.
      {"12-31-2023", "23:00:00", 1.0f, 3600, "366", "01/01/2024"},
      // Exactly one day later: 0.9f is 0.89999998 s, the typed 0.9 is meant.
      {"03-01-2023", "00:00:00", 0.9f, 96000, "61", "03/02/2023"},
      // The start's own leap day counts.
      {"03-15-2024", "00:00:00", 1.0f, 0, "75", "03/15/2024"},
      {"garbage", "00:00:00", 1.0f, 0, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.startDate);
    ResultRecord r = BaseRecord(kTopicBasicStats);
    r.startDate = c.startDate;
    r.startTime = c.startTime;
    r.interval = c.interval;
    r.beginBlock = c.beginBlock;
    TabularOptions o = Plain();
    int16_t printed = 0;
    o.dateColumn = 1;
    ExpectBytes(kStatsFields + "\t" + c.dayOfYear + "\r", Store(r, o, &printed));
    o.dateColumn = 2;
    ExpectBytes(kStatsFields + "\t" + c.date + "\r", Store(r, o, &printed));
    o.dateColumn = 3;
    ExpectBytes(kStatsFields + "\t\r", Store(r, o, &printed));
  }
}

TEST(TabularRow, ExponentFormHasNoSignColumn) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.meanValue = 1.0e-5;
  r.sd = 6.0e12f;
  r.mi = -2.5e-6f;
  int16_t printed = 0;
  ExpectBytes("1e-5\t6e+12\t 5\t-2.5e-6\t 5\t" + kLabel + "\r", Store(r, Plain(), &printed));
}

TEST(TabularRow, HourColumnAtMidnight) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.startMinutes = 1440.0f;
  r.x1 = 0.0f;
  TabularOptions o = Plain();
  o.hour = true;
  int16_t printed = 0;
  ExpectBytes(kStatsFields + "\t 24\r", Store(r, o, &printed));
  r.startMinutes = 1500.0f;   // one hour past midnight
  ExpectBytes(kStatsFields + "\t 1\r", Store(r, o, &printed));
  // Midnight of a far-off day: at this size a float minus one day is the
  // same float, so folding day by day would never end.
  r.startMinutes = 45.0f * 2147483648.0f;
  ExpectBytes(kStatsFields + "\t 24\r", Store(r, o, &printed));
}

// Case 7,000,000 at 1 s from 09:30:00: 116,666.67 minutes on, at 9:56:40
// of day 82, where 0.0166667 minutes per second read 14 s later.
TEST(TabularRow, TimeColumnsOfTheSevenMillionthCase) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.digits = 10;
  r.startMinutes = 570.0f;
  r.beginBlock = r.bga = 7'000'000;
  r.endBlock = r.eda = 7'000'060;
  r.x1 = 7'000'000.0f;
  r.x2 = 7'000'060.0f;
  TabularOptions o = Plain();
  o.hour = o.elapsedMinutes = o.startEndTime = true;
  int16_t printed = 0;
  const std::string row = Store(r, o, &printed);
  EXPECT_NE(row.find(kLabel + "\t 9.9444444444\t 116666.666667\t 9:56:40  \t 9:57:40  \r"), std::string::npos)
      << Visible(row);
}

TEST(TabularRow, PairDifferencesAndWaveformRowsByKey) {
  ResultRecord r = BaseRecord(kTopicPairDifferences);
  r.tmFloat = 12.5f;
  r.ts = 2.5f;
  r.rEnd = 4;
  TabularOptions o;
  o.startEndTime = true;
  // The file's columns: minimum and maximum empty, start and end apart.
  const std::string span = "\t 10:02:00  \t 10:03:00  \r";
  const std::string time = " 12.5\t 2.5\t 4\t\t\t" + kLabel + "\ttime (seconds; P.D.) " + span;
  const std::string amp = " 3\t 1.41421\t 4\t\t\t" + kLabel + "\tamplitude (P.D.) " + span;
  int16_t printed = 0;
  ExpectBytes(time + amp, Store(r, o, &printed, 'p'));
  ExpectBytes(amp, Store(r, o, &printed, 'A'));
  ExpectBytes(time, Store(r, o, &printed, 'f'));
  r.rEnd = 2;   // two pairs: no S.D. in either row
  ExpectBytes(" 12.5\t\t 2\t\t\t" + kLabel + "\ttime (seconds; P.D.) " + span + " 3\t\t 2\t\t\t" + kLabel +
                  "\tamplitude (P.D.) " + span,
              Store(r, o, &printed, 'p'));

  r = BaseRecord(kTopicWaveform);
  r.P = 2.0f;
  r.sd = 0.1f;
  r.dn = 4.0f;
  r.dw = 20.0f;
  r.dxx = 1.1547f;
  r.wavePeriods = 3;   // the frequency's N counts periods, the amplitude's amplitudes
  o = Plain();
  o.mass = o.startEndCase = o.channelFile = true;
  ExpectBytes(" 30\t 1.5\t 3\t\t\t" + kLabel + "\t 32.5\t 120\t 180\t 2\trun1\r" + " 5\t 1.1547\t 4\t\t\t" + kLabel +
                  "\t 32.5\t 120\t 180\t 2\trun1\r",
              Store(r, o, &printed, ' '));
  // Nothing periodic found: empty values, not INF and NaN.
  r.P = 0.0f;
  r.wavePeriods = 0;
  r.dn = 0.0f;
  r.dw = 0.0f;
  o = Plain();
  ExpectBytes("\t\t 0\t\t\t" + kLabel + "\r\t\t 0\t\t\t" + kLabel + "\r", Store(r, o, &printed, ' '));
}

TEST(TabularRow, PairedRowsAreTwoResultsOfTheLine) {
  ResultRecord r = BaseRecord(kTopicPairDifferences);
  r.tmFloat = 12.5f;
  r.ts = 2.5f;
  r.rEnd = 4;
  TabularOptions o = Plain();
  o.multiple = true;
  o.mass = true;
  int16_t printed = 0;
  // Two per line: the time row opens the line with the mass, the amplitude
  // row closes it, so every line has the groups its header names.
  const std::string line =
      " 12.5\t 2.5\t 4\t\t\t" + kLabel + "\t 32.5\t" + " 3\t 1.41421\t 4\t\t\t" + kLabel + "\r";
  ExpectBytes(line, Store(r, o, &printed));
  EXPECT_EQ(printed, 2);
  ExpectBytes(line, Store(r, o, &printed));
  EXPECT_EQ(printed, 2);
  // A single row ('A') is one result: the next line starts after it.
  ExpectBytes(" 3\t 1.41421\t 4\t\t\t" + kLabel + "\t 32.5\t", Store(r, o, &printed, 'A'));
  EXPECT_EQ(printed, 1);
  // Three per line with a note: the second pair fills the line and opens
  // the next, which gets the note (asked once per store) and the mass.
  o.perRow = 3;
  o.note1 = true;
  printed = 0;
  const std::string t = " 12.5\t 2.5\t 4\t\t\t" + kLabel, a = " 3\t 1.41421\t 4\t\t\t" + kLabel;
  ExpectBytes("note a\t" + t + "\t 32.5\t" + a + "\t", Store(r, o, &printed));
  int asked = 0;
  int lines = 0;
  ExpectBytes(t + "\r" + "again\t" + a + "\t 32.5\t",
              TabularResultText(r, o, &printed, 'p', [&asked] {
                ++asked;
                return std::string("again\t");
              }, &lines));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(lines, 1);
}

TEST(TabularRow, ThreeResultsPerRowWithNotes) {
  for (bool excel : {false, true}) {
    TabularOptions o = Plain();
    o.multiple = true;
    o.perRow = 3;
    o.note1 = true;
    o.mass = true;
    o.excel = excel;
    int16_t printed = 0;
    std::string file;
    for (int i = 0; i < 4; ++i) file += Store(BaseRecord(kTopicBasicStats), o, &printed);
    const std::string withMass = kStatsFields + "\t 32.5";
    ExpectBytes("note a\t" + withMass + "\t" + kStatsFields + "\t" + kStatsFields + "\r" + "note a\t" + withMass + "\t",
                file);
    EXPECT_EQ(printed, 1);
  }
}

TEST(TabularRow, NotesOffAndNotesAskedOnlyAtRowStart) {
  TabularOptions o = Plain();
  int16_t printed = 0;
  EXPECT_FALSE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  o.note1 = true;
  EXPECT_TRUE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  EXPECT_TRUE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  o.multiple = true;
  o.perRow = 2;
  printed = 0;
  EXPECT_TRUE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  EXPECT_FALSE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  EXPECT_TRUE(BeginTabularResult(kTopicBasicStats, o, &printed).askNotes);
  EXPECT_FALSE(BeginTabularResult(kTopicRegression, o, &printed).writes);
}

TEST(TabularFields, TabsAndLineEndsNeverSplitAColumn) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.label = "a\tb\rc\nd" + std::string(23, ' ');
  r.fileName = "run\t1\r";
  TabularOptions o = Plain();
  o.channelFile = true;
  o.note1 = o.note2 = true;
  int16_t printed = 0;
  const std::string row = TabularResultText(r, o, &printed, 'p', "tab\there", "line\rend\n");
  ExpectBytes("tab here\tline end \t 3\t 1.41421\t 5\t 1\t 5\ta b c d" + std::string(23, ' ') + "\t 2\trun 1 \r", row);
  size_t tabs = 0;
  for (char c : row) tabs += c == '\t';
  EXPECT_EQ(tabs, 9u);
}

TEST(TabularOptions, SecondNoteBringsTheFirst) {
  const uint16_t n1 = Note_1, n2 = Note_2;
  Note_1 = 0;
  Note_2 = 1;
  const TabularOptions o = CurrentTabularOptions();
  EXPECT_TRUE(o.note1 && o.note2);
  EXPECT_EQ(TabularHeaderRow(o).rfind("note#1\tnote#2\tMean", 0), 0u);
  EXPECT_EQ(TabularNoteFields(o, "x", "y"), "x\ty\t");
  Note_1 = n1;
  Note_2 = n2;
}

TEST(TabularFile, KindAndDefaultName) {
  TabularOptions o;
  o.excel = true;
  const ResultsFileKind excel = TabularFileKind(o);
  EXPECT_EQ(std::string(excel.type.data(), 4), "XLS8");
  EXPECT_EQ(std::string(excel.creator.data(), 4), "XCEL");
  o.excel = false;
  EXPECT_EQ(std::string(TabularFileKind(o).type.data(), 4), "TEXT");
  EXPECT_EQ(DefaultResultsFileName("run1", true), "run1 results.txt");
  EXPECT_EQ(DefaultResultsFileName("run1", false), "run1 results");
}
