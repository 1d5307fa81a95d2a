#include "output/writer.h"

#include <algorithm>
#include <cmath>

#include "output/numberformat.h"
#include "output/scaling.h"
#include "output/stats.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

namespace {

constexpr char CR = '\r';
const std::string kBullet = "\xA5";
std::string bullets(int n) { return std::string(static_cast<size_t>(n), '\xA5'); }

struct Fmt {
  int digits;
  std::string real(double x) const { return RealText(x, digits); }
};

std::string clockOfCase(const ResultRecord& r, float caseNumber) {
  return ClockTextFromMinutes(CaseMinutes(r.startMinutes, r.interval, caseNumber));
}

// Result scaling k * v + offset. A divide by 0 is no scaling: printing an
// infinite value helps nobody.
struct Scale {
  float k = 1.0f, offset = 0.0f;
};
Scale scaleOf(const ResultRecord& r) {
  Scale s;
  if (!r.rscale) return s;
  if (r.scaleOp == 0.0f)
    s.k = r.scaleFactor == 0.0f ? 1.0f : 1.0f / r.scaleFactor;
  else
    s.k = r.scaleFactor;
  s.offset = r.scaleOffset;
  return s;
}

std::string beginEndLine(const ResultRecord& r) {
  return "begin at:" + IntText(int64_t{r.bga}) + "    end at:" + IntText(int64_t{r.eda}) + "   N= " +
         IntText(int64_t{r.eda} - r.bga + 1) + CR;
}

bool partOfBlock(const ResultRecord& r) { return r.beginBlock != r.bga || r.endBlock != r.eda; }

// "<C.V.>%" or " undefined" when the mean is 0.
std::string cvText(float numerator, float denominator, bool truncateTo3) {
  if (denominator == 0.0f || !std::isfinite(numerator / denominator)) return " undefined";
  float c = std::fabs(100.0f * numerator / denominator);
  if (truncateTo3) c = static_cast<float>(std::trunc(static_cast<double>(c) * 1000.0) * 0.001);
  return RealText(c, 4) + "%";
}

std::string scanHeading(int16_t topic) {
  switch (topic) {
    case kTopicMeanMinimum: return "MEAN MINIMUM";
    case kTopicMeanMaximum: return "MEAN MAXIMUM";
    case kTopicMostLevel: return "MOST LEVEL";
    case kTopicMostVariableSlope: return "MOST VARIABLE (max. slope) ";
    default: return "MOST VARIABLE (point-to-point) ";
  }
}

std::string timeUnitWord(int16_t timeUnits) {
  switch (timeUnits) {
    case 1: return "minutes";
    case 2: return "hours";
    case 3: return "days";
    default: return "seconds";
  }
}

}  // namespace

double IntegrationUnitSeconds(int16_t unitId) {
  switch (unitId) {
    case kUnitMinutes: return 60.0;
    case kUnitHours: return 3600.0;
    case kUnitDays: return 86400.0;
    case kUnitNone:
    case kUnitNoneIntegration: return 0.0;
    default: return 1.0;
  }
}

const char* IntegrationUnitWord(int16_t unitId) {
  switch (unitId) {
    case kUnitMinutes: return "minutes";
    case kUnitHours: return "hours";
    case kUnitDays: return "days";
    // "None" totals per sample, but a time is still reported in seconds.
    default: return "seconds";
  }
}

std::string ResultHeaderText(const ResultRecord& r) {
  // A regression and a polynomial are fitted to their Y channel; ch is
  // another analysis's.
  const bool onY = r.topic == kTopicPolynomial || r.topic == kTopicRegression;
  std::string s = "  " + kBullet + " FILE  '" + r.fileName + " '; CHANNEL" + IntText(onY ? r.chan2 : r.ch) + ":  " +
                  (onY ? r.chan2Label : r.label) + CR;
  if (r.topic == kTopicRunningAverage || r.topic == kTopicPairDifferences) return s;
  const Fmt f{r.digits};
  const int64_t b = r.beginBlock, e = r.endBlock;
  s += "Cases" + IntText(b) + " to" + IntText(e) + " (total" + IntText(e - b + 1) + "): " + " elapsed time";
  const double elapsed = static_cast<double>(r.interval) * static_cast<double>(e - b);
  if (elapsed > 600.0)
    s += f.real(SecondsToMinutes(elapsed)) + " min";
  else
    s += f.real(elapsed) + " sec";
  return s + CR;
}

std::string TimeStatsText(const ResultRecord& r) {
  const Fmt f{r.digits};
  std::string s = "         MEAN ELAPSED TIME = " + f.real(r.tmFloat) + " sec" + CR;
  if (r.nrPoints > 2) {
    s += "         S.D. = " + f.real(r.ts) + "     C.V. = " + cvText(r.ts, r.tmFloat, true) +
         "       S.E. = " + f.real(r.ts / std::sqrt(static_cast<float>(r.nrPoints))) + CR;
  }
  s += "         time range:  " + f.real(r.tmi) + " to " + f.real(r.tma) + " sec" + CR;
  s += "         integrated total time = " + f.real(static_cast<double>(r.nrPoints) * r.tmFloat) + " sec" + CR;
  return s;
}

std::string BlockStatsText(const ResultRecord& r) {
  const Fmt f{r.digits};
  const Scale sc = scaleOf(r);
  const float mean = static_cast<float>(sc.k * r.meanValue + sc.offset);
  std::string s = "    from" + clockOfCase(r, r.x1) + " to " + clockOfCase(r, r.x2) + CR;
  s += "     Mean = " + f.real(mean) + "     N = " + IntText(r.nrPoints) + CR;
  if (r.nrPoints > 2) {
    const float sd = sc.k * r.sd;
    s += "     S.D. = " + f.real(sd) + "     C.V. = " + cvText(sd, mean, false) + "       S.E. = " +
         f.real(sd / std::sqrt(static_cast<float>(r.nrPoints))) + CR;
  }
  // A scan's total spans its whole window, as on the screen, while N counts
  // only the cases its mean used.
  const bool scan = r.topic == kTopicMeanMinimum || r.topic == kTopicMeanMaximum || r.topic == kTopicMostLevel ||
                    r.topic == kTopicMostVariableSlope || r.topic == kTopicMostVariablePoint;
  double total = static_cast<double>(scan ? r.mmlPoints : r.nrPoints) * mean;
  if (r.topic != kTopicRunningAverage && r.topic != kTopicPairDifferences) {
    const double unit = IntegrationUnitSeconds(r.integrationUnit);
    if (unit > 0.0) total /= unit / r.interval;  // samples per unit
  }
  s += "      Range: " + f.real(sc.k * r.mi + sc.offset) + " to " + f.real(sc.k * r.ma + sc.offset) +
       "     integrated total = " + f.real(total) + CR;
  if (r.topic == kTopicPairDifferences) s += TimeStatsText(r);
  return s;
}

std::string RegressionStatsText(const ResultRecord& r) {
  const Fmt f{r.digits};
  const char* model;
  switch (r.useLogY) {
    case 1: model = "log(Y) = a + b*X"; break;
    case 2: model = "Y = a + b*log(X) "; break;
    case 3: model = "log(Y) = a + b*log(X) "; break;
    default: model = "Y = a + b*X"; break;
  }
  // NaN: the test was refused or its fit is not finite.
  auto probText = [&](float p) {
    if (std::isnan(p)) return std::string("not computed");
    return (p <= kSlopeProbabilityFloor ? " <" : "") + f.real(p);
  };
  std::string s = "    from" + clockOfCase(r, static_cast<float>(r.beginBlock)) + " to " +
                  clockOfCase(r, static_cast<float>(r.endBlock)) + "       " + "Model: " + model + CR;
  s += "  value of a: " + f.real(r.valueOfA) + "    slope (value of b): " + f.real(r.valueOfB) + CR;
  s += " n = " + IntText(r.nPoints) + "       r^2 = " + f.real(r.rsquared) + CR;
  s += "     P(slope= 0) is " + probText(r.slopeZeroProb);
  s += "         P(slope= " + f.real(r.pslope) + ") is " + probText(r.slopeTestProb) + CR;
  return s;
}

std::string LimitsBlockText(const ResultRecord& r) {
  const Fmt f{r.digits};
  // The time or integral scaled as the window and the tabular row show it;
  // the limits and the share stay as they are.
  const double shown =
      ScaledValue(ResultScaleFor(r.rscale, {r.scaleOp, r.scaleFactor, r.scaleOffset}), r.meanValue);
  std::string s = "       upper limit: " + f.real(r.ma) + CR + "       lower limit: " + f.real(r.mi) + CR;
  if (r.topic == kTopicTimeIntegration) {
    s += "    time within limits:" + f.real(shown) + " " + IntegrationUnitWord(r.integrationUnit) + CR;
    s += "    fraction of total time:" + RealText(r.sd, 3) + "%" + CR;
  } else if (r.topic == kTopicEventCounter) {
    const auto& e = r.eventFields;
    s += "     'positive ' events (above upper limit): " + e[2] + CR;
    s += "        'positive ' mean: " + e[10] + "  SD: " + e[11] + CR;
    s += "               minimum: " + e[12] + "     maximum: " + e[13] + CR;
    s += "     'negative ' events (below lower limit): " + e[4] + CR;
    s += "        'negative ' mean: " + e[20] + "  SD: " + e[21] + CR;
    s += "               minimum: " + e[22] + "     maximum: " + e[23] + CR;
  } else if (r.topic == kTopicSelectiveIntegration) {
    s += "    \xB7 (data between limits): " + f.real(shown) + CR;
    s += "    fraction of total:" + RealText(r.sd, 3) + "%" + CR;
  }
  return s;
}

std::string RuleLineText() { return std::string(50, '_') + CR; }

std::string TopicLinesText(const ResultRecord& r) {
  const Fmt f{r.digits};
  const std::string b4 = bullets(4);
  switch (r.topic) {
    case kTopicBasicStats: {
      std::string s = b4 + "   BASIC STATS  " + b4 + "    ";
      if (partOfBlock(r)) s += beginEndLine(r);
      return s;
    }
    case kTopicMeanMinimum:
    case kTopicMeanMaximum:
    case kTopicMostLevel:
    case kTopicMostVariableSlope:
    case kTopicMostVariablePoint:
      return b4 + "   " + scanHeading(r.topic) + " at cases" + IntText(int64_t{r.mmlBegin}) + " to" +
             IntText(int64_t{r.mmlBegin} + r.mmlPoints - 1) + " (" +
             f.real(static_cast<double>(r.mmlPoints - 1) * r.interval) + " sec )  " + b4 + "    " + CR +
             "    Scan is based on channel" + IntText(r.inCh) + ":  ";
    case kTopicRunningAverage:
      return b4 + "   RUNNING AVERAGE  " + b4 + "    ";
    case kTopicPairDifferences:
      return b4 + "   AVERAGE PAIR DIFFERENCES  " + b4 + "    " + CR;
    case kTopicSlopeVsTime:
      return b4 + "   SLOPE VERSUS TIME in " + timeUnitWord(r.timeUnits) + "  " + b4 + " " + CR;
    case kTopicRegression:
      return " " + b4 + "   REGRESSION of channel" + IntText(r.chan1) + " against channel" + IntText(r.chan2) +
             "; " + r.chan2Label + CR;
    case kTopicWaveform: {
      std::string s = "     " + bullets(5) + "  WAVEFORM ANALYSIS  " + bullets(5) + CR;
      s += " PERIOD [" + IntText(r.wavePeriods) + " cycles ]: " + f.real(r.P) + " \xB1" + f.real(r.sd) + " sec" + CR;
      s += "       = " + f.real(1.0f / r.P) + " Hz or" + f.real(60.0f / r.P) + " per min" + CR;
      s += " AMPLITUDE [" + f.real(r.dn) + " amplitudes computed peak to " +
           (r.floatA == 1.0f ? "prior" : "following") + " valley ]:" + CR;
      if (r.dn > 1.0f && r.vn > 1.0f) s += "        = " + f.real(r.dw / r.dn);
      if (r.dn > 1.0f) {
        const float v = std::max(0.0f, (r.ds - r.dw * r.dw / r.dn) / (r.dn - 1.0f));
        s += "+/- " + f.real(std::sqrt(v));
      }
      return s + CR;
    }
    case kTopicEffectiveVolume:
      return b4 + "   EFFECTIVE VOLUME  " + b4 + "    Flow Rate = " + f.real(r.flow) + " ml/min" + CR;
    case kTopicIntegration: {
      std::string s = b4 + "   INTEGRATION;  timebase is " + IntegrationUnitWord(r.integrationUnit) + "  " + b4 + " " + CR;
      s += "Baseline is ";
      switch (r.integrationMode) {
        case kBaseBlockStart: s += "block start: " + f.real(r.valueAtBGA); break;
        case kBaseBlockEnd: s += "block end: " + f.real(r.valueAtEDA); break;
        case kBaseLinear: s += "linear between" + f.real(r.valueAtBGA) + " and" + f.real(r.valueAtEDA); break;
        case kBaseUserSet: s += "user-set at " + r.userBaselineText; break;
        default: s += "zero"; break;
      }
      s += CR;
      if (partOfBlock(r)) s += beginEndLine(r);
      const Scale sc = scaleOf(r);
      s += "integrated total is: " + f.real(static_cast<float>(sc.k * r.meanValue + sc.offset)) + CR;
      return s;
    }
    case kTopicTimeIntegration:
      return b4 + "   TIME INTEGRATION (within limits)  " + b4 + " " + CR;
    case kTopicEventCounter:
      return b4 + "   EVENT COUNTER (within limits)  " + b4 + " " + CR;
    case kTopicSelectiveIntegration:
      return b4 + "   SELECTIVE INTEGRATION (within limits)  " + b4 + " " + CR;
    case kTopicAsymptote: {
      std::string s = "    ASYMPTOTE (1st order approximation) = " + f.real(r.sumy2) + CR;
      s += "    C.D. (" + IntText(r.nrPoints) + " iterations ) = " + f.real(r.meanValue) + "%" + CR;
      const char* unit = AsymptoteUnitWord(r.timeUnits);
      // The numbers the window shows: |k| for a rising block, |time|.
      const AsymRates rates = AsymptoteRates(r.valueOfB, r.interval, r.timeUnits, r.slope);
      s += "    Slope of ln-transformed data: " + f.real(AsymptoteShownK(rates, r.rising)) + CR;
      std::string k = f.real(rates.change);
      if (k == " 1") k = ">.999999";
      s += std::string("    Rate constant (fractional change per ") + unit + "): " + k + CR;
      s += std::string("    Time for ") + AsymptotePercentText(r.slopeID) + "% change: " +
           (rates.timeDefined ? f.real(std::abs(rates.time)) : std::string(" --")) + " " + unit + "s" + CR;
      return s;
    }
    case kTopicPolynomial: {
      const int degree = std::clamp<int>(r.polyDegree, 0, 14);
      std::string s = " " + b4 + "  POLYNOMIAL REGRESSION " + b4 + " " + CR;
      s += "    'X ' Channel: " + r.chan1Label + CR;
      s += "    'Y ' Channel: " + r.chan2Label + CR;
      s += "   r-squared = " + f.real(r.cc[15]) + CR;
      s += " Model:  Y = " + f.real(r.cc[static_cast<size_t>(degree) + 1]) + CR;
      for (int i = 1; i <= degree; ++i) {
        const std::string n = IntText(i);
        s += "   " + std::string("          + X^") + n.back() + " * " +
             f.real(r.cc[static_cast<size_t>(degree - i + 1)]) + CR;
      }
      return s;
    }
    default:
      return "";
  }
}

std::string ResultText(const ResultRecord& r) {
  if (r.topic < kTopicFirst || r.topic > kTopicLast) return "";
  std::string s = ResultHeaderText(r) + TopicLinesText(r);
  switch (r.topic) {
    case kTopicBasicStats:
    case kTopicMeanMinimum:
    case kTopicMeanMaximum:
    case kTopicRunningAverage:
    case kTopicPairDifferences:
    case kTopicMostLevel:
    case kTopicMostVariableSlope:
    case kTopicMostVariablePoint:
      s += BlockStatsText(r);
      break;
    case kTopicSlopeVsTime:
    case kTopicRegression:
      s += RegressionStatsText(r);
      break;
    case kTopicTimeIntegration:
    case kTopicEventCounter:
    case kTopicSelectiveIntegration:
      s += LimitsBlockText(r);
      break;
    default:
      break;
  }
  return s + RuleLineText();
}

DraftPrintPlan PlanDraftPrint(int16_t topic, int16_t port) {
  DraftPrintPlan p;
  if (topic < kTopicFirst || topic > kTopicLast) {
    p.nothing = true;
    return p;
  }
  switch (port) {
    case kPortTextFile:
    case kPortSpool:
      p.writeText = true;
      break;
    case kPortTabular:
      p.writeTabular = true;
      break;
    default:
      p.showAlert = true;
      return p;
  }
  if (topic != kTopicPolynomial) {
    p.diskIcon = port != kPortSpool;
    p.pageIcon = port == kPortSpool;
  }
  return p;
}

bool ResultIsCounted(int16_t screenWidth, bool multipleResults, int16_t nResultsPrinted,
                     int16_t nMultipleResults) {
  if (screenWidth <= 1099) return false;
  return !multipleResults || nResultsPrinted == nMultipleResults;
}

std::string ResultsNoticeText(uint16_t nresults, int16_t ch, int32_t beginBlock, int32_t endBlock) {
  return IntText(nresults) + " saved; last=ch." + IntText(ch) + "," + IntText(int64_t{beginBlock}) + " -" +
         IntText(int64_t{endBlock});
}

// ---- Destination headers -----------------------------------------------------------------

FileHeaderInfo CaptureFileHeader(int16_t slot) {
  FileHeaderInfo h;
  h.digits = SignificantFigures;
  if (!ValidFileSlot(slot)) return h;
  h.fileName = FileName[slot];
  h.startDate = StartDate[slot];
  h.startTime = StartTime[slot];
  for (int16_t c = 1; c <= nChannels[slot]; ++c) h.labels.push_back(RetrieveLabelOf(slot, c));
  h.interval = FileInfoFLOATS[slot][kInfoInterval];
  h.flow = FileInfoFLOATS[slot][kInfoFlow];
  h.mass = FileInfoFLOATS[slot][kInfoMass];
  h.pressure = FileInfoFLOATS[slot][kInfoPressure];
  h.temperature = FileInfoFLOATS[slot][kInfoTemperature];
  h.effectiveVolume = FileInfoFLOATS[slot][kInfoEffectiveVolume];
  h.comments = CommentContainer[slot];
  return h;
}

FileHeaderInfo CaptureFileHeader() { return CaptureFileHeader(static_cast<int16_t>(TheFileInUse)); }

std::string TextFileHeader(const FileHeaderInfo& h) {
  const Fmt f{h.digits};
  std::string s = bullets(3) + "  FILE `" + h.fileName + " '; saved " + h.startDate + " at " + h.startTime + "  " +
                  bullets(3) + CR;
  for (size_t c = 0; c < h.labels.size(); ++c)
    s += "      CHANNEL" + IntText(static_cast<int64_t>(c) + 1) + ":  " + h.labels[c] + CR;
  s += CR;
  s += "Interval" + f.real(h.interval) + " sec" + "     Flow rate" + f.real(h.flow) + " ml/min       Mass " +
       f.real(h.mass) + " g      B.P." + f.real(h.pressure) + " torr           Ta" + f.real(h.temperature) +
       " C         Effective volume " + f.real(h.effectiveVolume) + " ml" + CR;
  s += CR;
  s += "COMMENTS:  " + h.comments + CR;
  s += std::string(70, '=') + CR;
  return s;
}

std::vector<PrintLine> SpoolPrintHeader(const FileHeaderInfo& h) {
  const Fmt f{h.digits};
  const std::string dashes(55, '\xD1');
  std::vector<PrintLine> lines;
  auto plain = [&](std::string text) { lines.push_back({1, {{std::move(text), false}}}); };
  lines.push_back({1, {{"    " + bullets(3) + "  FILE `" + h.fileName + " '; saved " + h.startDate + " at " +
                            h.startTime + "  " + bullets(3),
                        true}}});
  plain(dashes);
  // The comments keep their own line breaks.
  size_t from = 0;
  while (true) {
    const size_t cr = h.comments.find('\r', from);
    plain(h.comments.substr(from, cr == std::string::npos ? std::string::npos : cr - from));
    if (cr == std::string::npos) break;
    from = cr + 1;
  }
  plain(dashes);
  for (size_t i = 0; i < h.labels.size(); ++i) {
    const int c = static_cast<int>(i) + 1;
    lines.push_back({c % 2 == 0 ? 43 : 1,
                     {{"     CHANNEL" + IntText(c) + ":  ", false}, {h.labels[i], true}}});
    if (c % 2 == 0) lines.push_back({});
  }
  if (h.labels.size() % 2 == 1) lines.push_back({});
  lines.push_back({});
  plain("     interval" + f.real(h.interval) + " sec" + "     Flow rate" + f.real(h.flow) + " ml/min  " +
        "     Mass" + f.real(h.mass) + " g");
  plain("      B.P." + f.real(h.pressure) + " torr           Ta" + f.real(h.temperature) + " \xA1" + "C" +
        "      Effective volume" + f.real(h.effectiveVolume) + " ml");
  plain("   " + dashes);
  return lines;
}

std::vector<std::string> SpoolBodyLines(std::string_view spool) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from < spool.size()) {
    const size_t cr = spool.find('\r', from);
    const size_t end = cr == std::string_view::npos ? spool.size() : cr;
    out.push_back("    " + std::string(spool.substr(from, end - from)));
    from = end + 1;
  }
  return out;
}

std::string SpoolPrintText(const FileHeaderInfo& h, std::string_view spool) {
  std::string s;
  for (const PrintLine& line : SpoolPrintHeader(h)) {
    if (!line.spans.empty()) s += std::string(static_cast<size_t>(line.indentColumn - 1), ' ');
    for (const PrintSpan& span : line.spans) s += span.text;
    s += CR;
  }
  for (const std::string& line : SpoolBodyLines(spool)) s += line + CR;
  return s;
}
