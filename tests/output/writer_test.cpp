#include "output/writer.h"

#include <cmath>

#include <gtest/gtest.h>

#include "fixture.h"

using outtest::BaseRecord;
using outtest::Pad30;
using outtest::Visible;

namespace {

const std::string kRule = std::string(50, '_') + "\r";
const std::string kFileLine = "  \xA5 FILE  'run1 '; CHANNEL 2:  " + Pad30("O2") + "\r";
const std::string kCases = "Cases 120 to 180 (total 61):  elapsed time 60 sec\r";
const std::string kFrom = "    from 10:02:00   to  10:03:00  \r";
const std::string kB4 = "\xA5\xA5\xA5\xA5";
// Mean 3, SD 1.41421, N 5, range 1..5; 60 samples per minute.
const std::string kStats =
    "     Mean =  3     N =  5\r"
    "     S.D. =  1.41421     C.V. =  47.14%       S.E. =  0.63245\r"
    "      Range:  1 to  5     integrated total =  0.25\r";

void ExpectBytes(const std::string& expected, const std::string& actual) {
  EXPECT_EQ(expected, actual) << "expected:\n" << Visible(expected) << "\nactual:\n" << Visible(actual);
}

}  // namespace

TEST(ResultText, BasicStats) {
  ExpectBytes(kFileLine + kCases + kB4 + "   BASIC STATS  " + kB4 + "    " + kFrom + kStats + kRule,
              ResultText(BaseRecord(kTopicBasicStats)));
}

TEST(ResultText, ClockOfTheSevenMillionthCase) {
  // 81 days and 26:40 after 09:30:00; 0.0166667 minutes per second read 14 s late.
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.startMinutes = 570.0f;
  r.x1 = 7'000'000.0f;
  r.x2 = 7'000'060.0f;
  const std::string text = ResultText(r);
  EXPECT_NE(text.find("    from 9:56:40   to  9:57:40  \r"), std::string::npos) << Visible(text);
}

TEST(ResultText, BasicStatsOnPartOfTheBlockCountsCasesFromOne) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.bga = 125;
  r.eda = 170;
  ExpectBytes(kFileLine + kCases + kB4 + "   BASIC STATS  " + kB4 + "    begin at: 125    end at: 170   N=  46\r" +
                  kFrom + kStats + kRule,
              ResultText(r));
}

TEST(ResultText, WindowScans) {
  const struct {
    int16_t topic;
    const char* heading;
  } cases[] = {{kTopicMeanMinimum, "MEAN MINIMUM"},
               {kTopicMeanMaximum, "MEAN MAXIMUM"},
               {kTopicMostLevel, "MOST LEVEL"},
               {kTopicMostVariableSlope, "MOST VARIABLE (max. slope) "},
               {kTopicMostVariablePoint, "MOST VARIABLE (point-to-point) "}};
  // N counts the 5 cases the mean used (the rest interpolated); the total
  // spans all 11 of the window, as on the screen: 11 * 3 / 60.
  const std::string stats =
      "     Mean =  3     N =  5\r"
      "     S.D. =  1.41421     C.V. =  47.14%       S.E. =  0.63245\r"
      "      Range:  1 to  5     integrated total =  0.55\r";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.topic);
    ExpectBytes(kFileLine + kCases + kB4 + "   " + c.heading + " at cases 130 to 140 ( 10 sec )  " + kB4 + "    \r" +
                    "    Scan is based on channel 2:  " + kFrom + stats + kRule,
                ResultText(BaseRecord(c.topic)));
  }
}

TEST(ResultText, RunningAverageHasNoCasesLineAndAnUndividedTotal) {
  ExpectBytes(kFileLine + kB4 + "   RUNNING AVERAGE  " + kB4 + "    " + kFrom +
                  "     Mean =  3     N =  5\r"
                  "     S.D. =  1.41421     C.V. =  47.14%       S.E. =  0.63245\r"
                  "      Range:  1 to  5     integrated total =  15\r" +
                  kRule,
              ResultText(BaseRecord(kTopicRunningAverage)));
}

TEST(ResultText, PairDifferencesAddTheTimeStatistics) {
  ResultRecord r = BaseRecord(kTopicPairDifferences);
  r.tmFloat = 12.5f;
  r.ts = 2.5f;
  r.tmi = 10.0f;
  r.tma = 15.0f;
  ExpectBytes(kFileLine + kB4 + "   AVERAGE PAIR DIFFERENCES  " + kB4 + "    \r" + kFrom +
                  "     Mean =  3     N =  5\r"
                  "     S.D. =  1.41421     C.V. =  47.14%       S.E. =  0.63245\r"
                  "      Range:  1 to  5     integrated total =  15\r"
                  "         MEAN ELAPSED TIME =  12.5 sec\r"
                  "         S.D. =  2.5     C.V. =  20%       S.E. =  1.11803\r"
                  "         time range:   10 to  15 sec\r"
                  "         integrated total time =  62.5 sec\r" +
                  kRule,
              ResultText(r));
}

TEST(ResultText, SlopeVersusTimeAndRegression) {
  ResultRecord r = BaseRecord(kTopicSlopeVsTime);
  r.timeUnits = 1;
  r.valueOfA = 2.5f;
  r.valueOfB = 0.8f;
  r.nPoints = 10;
  r.rsquared = 0.64f;
  r.slopeZeroProb = 0.005f;
  r.pslope = 1.0f;
  r.slopeTestProb = 1e-5f;
  const std::string stats =
      "  value of a:  2.5    slope (value of b):  0.8\r"
      " n =  10       r^2 =  0.64\r"
      "     P(slope= 0) is  5e-3         P(slope=  1) is  < 1e-5\r";
  ExpectBytes(kFileLine + kCases + kB4 + "   SLOPE VERSUS TIME in minutes  " + kB4 + " \r" +
                  "    from 10:02:00   to  10:03:00         Model: Y = a + b*X\r" + stats + kRule,
              ResultText(r));
  r.topic = kTopicRegression;
  r.chan1 = 1;
  r.chan2 = 2;
  r.chan2Label = Pad30("O2");
  r.ch = 1;   // another analysis's channel and label: the header names Y
  r.label = Pad30("CO2");
  r.useLogY = 3;
  ExpectBytes(kFileLine + kCases + " " + kB4 + "   REGRESSION of channel 1 against channel 2; " + Pad30("O2") + "\r" +
                  "    from 10:02:00   to  10:03:00         Model: log(Y) = a + b*log(X) \r" + stats + kRule,
              ResultText(r));
  // A refused test is printed as not computed, never as a probability.
  r.slopeZeroProb = r.slopeTestProb = std::nanf("");
  EXPECT_NE(ResultText(r).find("P(slope= 0) is not computed         P(slope=  1) is not computed\r"),
            std::string::npos);
}

TEST(ResultText, Waveform) {
  ResultRecord r = BaseRecord(kTopicWaveform);
  r.P = 2.0f;
  r.sd = 0.1f;
  r.dn = 4.0f;
  r.dw = 20.0f;
  r.ds = 104.0f;
  r.vn = 5.0f;
  r.floatA = 1.0f;
  r.wavePeriods = 7;
  ExpectBytes(kFileLine + kCases + "     \xA5\xA5\xA5\xA5\xA5  WAVEFORM ANALYSIS  \xA5\xA5\xA5\xA5\xA5\r" +
                  " PERIOD [ 7 cycles ]:  2 \xB1 0.1 sec\r"
                  "       =  0.5 Hz or 30 per min\r"
                  " AMPLITUDE [ 4 amplitudes computed peak to prior valley ]:\r"
                  "        =  5+/-  1.1547\r" +
                  kRule,
              ResultText(r));
  // One amplitude: neither the mean nor the spread.
  r.dn = 1.0f;
  r.floatA = 0.0f;
  const std::string text = ResultText(r);
  EXPECT_NE(text.find(" AMPLITUDE [ 1 amplitudes computed peak to following valley ]:\r\r"), std::string::npos)
      << Visible(text);
}

TEST(ResultText, EffectiveVolumePrintsTheFilesFlow) {
  ExpectBytes(kFileLine + kCases + kB4 + "   EFFECTIVE VOLUME  " + kB4 + "    Flow Rate =  250 ml/min\r" + kRule,
              ResultText(BaseRecord(kTopicEffectiveVolume)));
}

TEST(ResultText, IntegrationBaselines) {
  ResultRecord r = BaseRecord(kTopicIntegration);
  r.meanValue = 42.0;
  r.valueAtBGA = 2.5f;
  r.valueAtEDA = -1.0f;
  const std::string head = kFileLine + kCases + kB4 + "   INTEGRATION;  timebase is minutes  " + kB4 + " \r";
  const std::string tail = "integrated total is:  42\r" + kRule;
  ExpectBytes(head + "Baseline is zero\r" + tail, ResultText(r));
  r.integrationMode = kBaseBlockStart;
  ExpectBytes(head + "Baseline is block start:  2.5\r" + tail, ResultText(r));
  r.integrationMode = kBaseBlockEnd;
  ExpectBytes(head + "Baseline is block end: -1\r" + tail, ResultText(r));
  r.integrationMode = kBaseLinear;
  ExpectBytes(head + "Baseline is linear between 2.5 and-1\r" + tail, ResultText(r));
  r.integrationMode = kBaseUserSet;
  r.userBaselineText = "0.75";
  r.bga = 125;
  ExpectBytes(head + "Baseline is user-set at 0.75\r" + "begin at: 125    end at: 180   N=  56\r" + tail,
              ResultText(r));
  r.integrationUnit = kUnitNone;
  EXPECT_NE(ResultText(r).find("timebase is seconds"), std::string::npos);   // a time, never "none"
}

TEST(ResultText, WithinLimitsTopics) {
  ResultRecord r = BaseRecord(kTopicTimeIntegration);
  r.ma = 4.0f;
  r.mi = 1.0f;
  r.meanValue = 30.0;
  r.sd = 25.0f;
  const std::string limits = "       upper limit:  4\r       lower limit:  1\r";
  ExpectBytes(kFileLine + kCases + kB4 + "   TIME INTEGRATION (within limits)  " + kB4 + " \r" + limits +
                  "    time within limits: 30 minutes\r"
                  "    fraction of total time: 25%\r" +
                  kRule,
              ResultText(r));
  r.topic = kTopicSelectiveIntegration;
  ExpectBytes(kFileLine + kCases + kB4 + "   SELECTIVE INTEGRATION (within limits)  " + kB4 + " \r" + limits +
                  "    \xB7 (data between limits):  30\r"
                  "    fraction of total: 25%\r" +
                  kRule,
              ResultText(r));
  r.topic = kTopicEventCounter;
  const char* texts[][2] = {{"2", "3"},   {"10", "2.5"}, {"11", "0.5"}, {"12", "2"},  {"13", "3"},
                            {"4", "1"},   {"20", "-1.5"}, {"21", "0.2"}, {"22", "-2"}, {"23", "-1"}};
  for (auto& t : texts) r.eventFields[static_cast<size_t>(std::stoi(t[0]))] = t[1];
  ExpectBytes(kFileLine + kCases + kB4 + "   EVENT COUNTER (within limits)  " + kB4 + " \r" + limits +
                  "     'positive ' events (above upper limit): 3\r"
                  "        'positive ' mean: 2.5  SD: 0.5\r"
                  "               minimum: 2     maximum: 3\r"
                  "     'negative ' events (below lower limit): 1\r"
                  "        'negative ' mean: -1.5  SD: 0.2\r"
                  "               minimum: -2     maximum: -1\r" +
                  kRule,
              ResultText(r));
  // Scaled, the time or the integral is the number the window and the
  // tabular row show; the limits and the share stay.
  r.rscale = true;
  r.scaleOp = 1.0f;   // multiply
  r.scaleFactor = 2.0f;
  r.scaleOffset = 10.0f;
  const struct {
    int16_t topic;
    const char* lines;
  } scaled[] = {{kTopicTimeIntegration, "    time within limits: 70 minutes\r    fraction of total time: 25%\r"},
                {kTopicSelectiveIntegration, "    \xB7 (data between limits):  70\r    fraction of total: 25%\r"}};
  for (const auto& c : scaled) {
    r.topic = c.topic;
    const std::string text = ResultText(r);
    EXPECT_NE(text.find(limits + c.lines), std::string::npos) << Visible(text);
  }
}

TEST(ResultText, Asymptote) {
  ResultRecord r = BaseRecord(kTopicAsymptote);
  r.sumy2 = 12.5;
  r.nrPoints = 8;
  r.meanValue = 99.5;
  r.timeUnits = 1;
  r.valueOfB = -0.01f;
  r.slopeID = 6;
  r.slope = -0.3f;
  ExpectBytes(kFileLine + kCases +
                  "    ASYMPTOTE (1st order approximation) =  12.5\r"
                  "    C.D. ( 8 iterations ) =  99.5%\r"
                  "    Slope of ln-transformed data: -0.6\r"
                  "    Rate constant (fractional change per minute):  0.45119\r"
                  "    Time for 50% change:  0.5 minutes\r" +
                  kRule,
              ResultText(r));
  // A rising block: the slope as the window shows it, |k|.
  r.rising = true;
  EXPECT_NE(ResultText(r).find("    Slope of ln-transformed data:  0.6\r"), std::string::npos);
  r.valueOfB = -1.0f;   // 1 - e^-60 prints as 1
  r.slopeID = 42;
  std::string text = ResultText(r);
  EXPECT_NE(text.find("per minute): >.999999\r"), std::string::npos) << Visible(text);
  EXPECT_NE(text.find("    Time for 99% change:"), std::string::npos);
  r.valueOfB = 0.0f;    // no rate: no time, rather than INF
  text = ResultText(r);
  EXPECT_NE(text.find("    Time for 99% change:  -- minutes\r"), std::string::npos) << Visible(text);
}

TEST(ResultText, PolynomialOfDegreeThree) {
  ResultRecord r = BaseRecord(kTopicPolynomial);
  r.polyDegree = 3;
  r.cc[1] = 0.5;
  r.cc[2] = -2.0;
  r.cc[3] = 1.25;
  r.cc[4] = 7.0;
  r.cc[15] = 0.98;
  r.chan1Label = Pad30("time");
  r.chan2Label = Pad30("O2");
  r.chan2 = 2;
  r.ch = 1;   // another analysis's channel: the header names Y
  ExpectBytes(kFileLine + kCases + " " + kB4 + "  POLYNOMIAL REGRESSION " + kB4 + " \r" + "    'X ' Channel: " +
                  Pad30("time") + "\r" + "    'Y ' Channel: " + Pad30("O2") + "\r" +
                  "   r-squared =  0.98\r"
                  " Model:  Y =  7\r"
                  "             + X^1 *  1.25\r"
                  "             + X^2 * -2\r"
                  "             + X^3 *  0.5\r" +
                  kRule,
              ResultText(r));
}

TEST(ResultText, HeaderOnlyTopicsAndTopicsOutOfRange) {
  for (int16_t t : {19, 20, 21}) ExpectBytes(kFileLine + kCases + kRule, ResultText(BaseRecord(t)));
  EXPECT_EQ(ResultText(BaseRecord(1)), "");
  EXPECT_EQ(ResultText(BaseRecord(23)), "");
  EXPECT_EQ(ResultText(BaseRecord(-99)), "");
}

TEST(BlockStats, SpreadLineNeedsThreeValues) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.nrPoints = 2;
  EXPECT_EQ(BlockStatsText(r).find("S.D."), std::string::npos);
  r.nrPoints = 3;
  EXPECT_NE(BlockStatsText(r).find("S.D."), std::string::npos);
}

TEST(BlockStats, NegativeMeanGivesPositiveCVAndZeroMeanNoNumber) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.meanValue = -3.0;
  EXPECT_NE(BlockStatsText(r).find("C.V. =  47.14%"), std::string::npos);
  r.meanValue = 0.0;
  const std::string text = BlockStatsText(r);
  EXPECT_NE(text.find("C.V. =  undefined       S.E."), std::string::npos) << Visible(text);
  EXPECT_EQ(text.find("INF"), std::string::npos);
}

TEST(BlockStats, ScalingAndSamplesPerUnit) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.rscale = true;
  r.scaleOp = 0.0f;     // divide
  r.scaleFactor = 4.0f;
  r.scaleOffset = 1.0f;
  r.meanValue = 10.0;
  r.sd = 2.0f;
  r.nrPoints = 3600;
  r.interval = 2.0f;
  r.integrationUnit = kUnitHours;   // 1800 samples per hour
  const std::string text = BlockStatsText(r);
  // Mean 10 / 4 + 1 = 3.5; total 3600 * 3.5 / 1800 = 7; range 1/4+1, 5/4+1.
  EXPECT_NE(text.find("     Mean =  3.5     N =  3600\r"), std::string::npos) << Visible(text);
  EXPECT_NE(text.find("     S.D. =  0.5     C.V. =  14.2857%"), std::string::npos) << Visible(text);
  EXPECT_NE(text.find("      Range:  1.25 to  2.25     integrated total =  7\r"), std::string::npos) << Visible(text);
  r.rscale = false;
  EXPECT_NE(BlockStatsText(r).find("integrated total =  20\r"), std::string::npos);
  r.integrationUnit = kUnitNone;    // per sample: N times the mean
  EXPECT_NE(BlockStatsText(r).find("integrated total =  36000\r"), std::string::npos);
  r.rscale = true;
  r.scaleFactor = 0.0f;             // a divide by 0 leaves the values alone
  EXPECT_NE(BlockStatsText(r).find("     Mean =  11     N"), std::string::npos);
}

TEST(ResultHeader, LongBlocksInMinutes) {
  ResultRecord r = BaseRecord(kTopicBasicStats);
  r.endBlock = r.beginBlock + 600;
  EXPECT_NE(ResultHeaderText(r).find("elapsed time 600 sec\r"), std::string::npos);
  r.endBlock = r.beginBlock + 601;
  EXPECT_NE(ResultHeaderText(r).find("elapsed time 10.01667 min\r"), std::string::npos) << Visible(ResultHeaderText(r));
  r.digits = 10;   // 601 / 60 in double, not the digits of a float quotient
  EXPECT_NE(ResultHeaderText(r).find("elapsed time 10.0166666667 min\r"), std::string::npos) << Visible(ResultHeaderText(r));
}

TEST(DraftPrintPlan, ByDestination) {
  EXPECT_TRUE(PlanDraftPrint(1, kPortTextFile).nothing);
  const DraftPrintPlan none = PlanDraftPrint(kTopicBasicStats, kPortNone);
  EXPECT_TRUE(none.showAlert);
  EXPECT_FALSE(none.writeText || none.writeTabular || none.diskIcon || none.pageIcon);
  EXPECT_TRUE(PlanDraftPrint(kTopicBasicStats, kPortSpool).pageIcon);
  EXPECT_TRUE(PlanDraftPrint(kTopicBasicStats, kPortSpool).writeText);
  const DraftPrintPlan tab = PlanDraftPrint(kTopicBasicStats, kPortTabular);
  EXPECT_TRUE(tab.writeTabular && tab.diskIcon && !tab.writeText);
  EXPECT_FALSE(PlanDraftPrint(kTopicPolynomial, kPortTextFile).diskIcon);
}

TEST(ResultsNotice, CountOnlyOnWideWindowsAndFullRows) {
  EXPECT_FALSE(ResultIsCounted(1099, false, 0, 2));
  EXPECT_TRUE(ResultIsCounted(1100, false, 0, 2));
  EXPECT_FALSE(ResultIsCounted(1400, true, 1, 3));
  EXPECT_TRUE(ResultIsCounted(1400, true, 3, 3));
  EXPECT_EQ(ResultsNoticeText(4, 2, 120, 180), " 4 saved; last=ch. 2, 120 - 180");
}

namespace {
FileHeaderInfo HeaderInfo(int channels) {
  FileHeaderInfo h;
  h.fileName = "run1";
  h.startDate = "03-15-2024";
  h.startTime = "10:00:00";
  for (int c = 1; c <= channels; ++c) h.labels.push_back(Pad30("ch" + std::to_string(c)));
  h.interval = 0.5f;
  h.flow = 250.0f;
  h.mass = 32.5f;
  h.pressure = 760.0f;
  h.temperature = 25.0f;
  h.effectiveVolume = 1200.0f;
  h.comments = "first run";
  return h;
}
}  // namespace

TEST(TextFileHeader, LabelsTheIntervalInSeconds) {
  ExpectBytes("\xA5\xA5\xA5  FILE `run1 '; saved 03-15-2024 at 10:00:00  \xA5\xA5\xA5\r"
              "      CHANNEL 1:  " + Pad30("ch1") + "\r" +
              "      CHANNEL 2:  " + Pad30("ch2") + "\r" +
              "\r"
              "Interval 0.5 sec     Flow rate 250 ml/min       Mass  32.5 g      B.P. 760 torr           Ta 25 C"
              "         Effective volume  1200 ml\r"
              "\r"
              "COMMENTS:  first run\r" +
              std::string(70, '=') + "\r",
              TextFileHeader(HeaderInfo(2)));
}

TEST(SpoolPrint, ChannelsInPairsAndEveryLineIndented) {
  const std::string dashes(55, '\xD1');
  const std::string indent(42, ' ');
  auto ch = [](int c) { return "     CHANNEL " + std::to_string(c) + ":  " + Pad30("ch" + std::to_string(c)) + "\r"; };
  const std::string spool = "line one\rline two\r";
  ExpectBytes("    \xA5\xA5\xA5  FILE `run1 '; saved 03-15-2024 at 10:00:00  \xA5\xA5\xA5\r" + dashes + "\r" +
                  "first run\r" + dashes + "\r" + ch(1) + indent + ch(2) + "\r" + ch(3) + indent + ch(4) + "\r" +
                  ch(5) + "\r\r" +
                  "     interval 0.5 sec     Flow rate 250 ml/min       Mass 32.5 g\r"
                  "      B.P. 760 torr           Ta 25 \xA1" "C      Effective volume 1200 ml\r"
                  "   " + dashes + "\r" +
                  "    line one\r    line two\r",
              SpoolPrintText(HeaderInfo(5), spool));
  const auto lines = SpoolPrintHeader(HeaderInfo(2));
  bool boldLabel = false;
  for (const auto& l : lines)
    for (const auto& s : l.spans)
      if (s.text == Pad30("ch2")) boldLabel = s.bold && l.indentColumn == 43;
  EXPECT_TRUE(boldLabel);
}

TEST(SpoolPrint, BodyLinesKeepALastLineWithoutLineEnd) {
  EXPECT_EQ(SpoolBodyLines("a\r\rb"), (std::vector<std::string>{"    a", "    ", "    b"}));
  EXPECT_TRUE(SpoolBodyLines("").empty());
}

TEST(UnitTable, OneTableForTotalsAndWords) {
  EXPECT_EQ(IntegrationUnitSeconds(kUnitSeconds), 1.0);
  EXPECT_EQ(IntegrationUnitSeconds(kUnitDays), 86400.0);
  EXPECT_EQ(IntegrationUnitSeconds(kUnitNoneIntegration), 0.0);
  EXPECT_STREQ(IntegrationUnitWord(kUnitNone), "seconds");
  EXPECT_STREQ(IntegrationUnitWord(kUnitNoneIntegration), "seconds");
  EXPECT_STREQ(IntegrationUnitWord(0), "seconds");
}
