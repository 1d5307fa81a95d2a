#include "analyses/statspanel.h"

#include <cmath>

#include "output/numberformat.h"
#include "output/results.h"
#include "output/writer.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

uint16_t DoConstantVolume = 0;
float STPfactor = 1.0f;

namespace {

const std::string kUndefined = " undefined";

// |100 * spread / mean| through the given formatter, or " undefined".
template <typename Format>
std::string cvText(double spread, double mean, Format format) {
  if (mean == 0.0) return kUndefined;
  const double cv = std::fabs(100.0 * spread / mean);
  if (!std::isfinite(cv)) return kUndefined;
  return format(cv) + " %";
}

}  // namespace

// ---- Constant volume ------------------------------------------------------------------

ConstantVolume CurrentConstantVolume() {
  ConstantVolume c;
  c.on = DoConstantVolume != 0;
  c.gasType = GasType;
  c.abCO2 = abCO2 != 0;
  c.fio2 = FiO2;
  c.stpFactor = STPfactor;
  c.rq = RQ;
  return c;
}

std::optional<double> ConstantVolumeMean(double mean, const ConstantVolume& cv) {
  if (!cv.on) return mean;
  const double m = mean * 0.01;
  float inner;
  if (cv.gasType != 1)
    inner = static_cast<float>(1.0 - m * (1.0 - 1.0 / static_cast<double>(cv.rq)));
  else if (cv.abCO2)
    inner = static_cast<float>(1.0 - (static_cast<double>(cv.fio2) * 0.01 - m));
  else   // the final O2 fraction Fi - m dilutes by the CO2 left in the chamber
    inner = static_cast<float>(1.0 - (static_cast<double>(cv.fio2) * 0.01 - m) * (1.0 - static_cast<double>(cv.rq)));
  if (inner == 0.0f || !std::isfinite(inner)) return std::nullopt;
  const double converted = static_cast<double>(cv.stpFactor) * m / inner;
  if (!std::isfinite(converted)) return std::nullopt;
  return converted;
}

// ---- Time texts ---------------------------------------------------------------------------

std::string CaseClockText(float startMinutes, float interval, float caseNumber) {
  return ClockTextFromMinutes(CaseMinutes(startMinutes, interval, caseNumber));
}

std::string ClockLineText(float startMinutes, float interval, float x1, float x2) {
  return "       from" + CaseClockText(startMinutes, interval, x1) + "to" +
         CaseClockText(startMinutes, interval, x2);
}

bool ClockLineShown(float x1, int16_t analysisCode) { return std::trunc(x1) != 0.0f || analysisCode > 0; }

ElapsedTexts ElapsedTimeTexts(int32_t n, float interval, int16_t integrationUnit) {
  ElapsedTexts t;
  t.n = IntText(n);
  const double d = n > 1 ? static_cast<double>(n - 1) * interval : 0.0;
  t.minutes = d > 600.0 ? 1 : 0;
  double value = d;
  const char* unit = " sec";
  switch (integrationUnit) {
    case kUnitMinutes: value = SecondsToMinutes(d); unit = " min"; break;
    case kUnitHours: value = SecondsToHours(d); unit = " hours"; break;
    case kUnitDays: value = SecondsToDays(d); unit = " days"; break;
    default: break;  // seconds, also for "None": a duration of 0 would be wrong
  }
  t.duration = StringFormatter(static_cast<float>(value)) + unit;
  return t;
}


// ---- Integrated total ----------------------------------------------------------------------

double SamplesPerUnit(int16_t integrationUnit, float interval) {
  const double unitSeconds = IntegrationUnitSeconds(integrationUnit);
  if (unitSeconds == 0.0) return 1.0;
  if (!(interval > 0.0f)) return INFINITY;
  return unitSeconds / interval;
}

double IntegratedTotal(double mean, int32_t n, const ResultScale& s, int16_t integrationUnit, float interval) {
  const double u = SamplesPerUnit(integrationUnit, interval);
  if (std::isinf(u)) return 0.0;
  return ScaledValue(s, mean) * n / u;
}

int16_t MarkedUnitButton(int16_t unit) {
  switch (unit) {
    case kUnitSeconds:
    case kUnitMinutes:
    case kUnitHours:
    case kUnitDays:
    case kUnitNone: return unit;
    case kUnitNoneIntegration: return kUnitNone;
    default: return kUnitSeconds;
  }
}

int16_t StatsEntryIntegrationUnit(int16_t unit) {
  switch (unit) {
    case kUnitSeconds:
    case kUnitMinutes:
    case kUnitHours:
    case kUnitDays: return unit;
    default: return kUnitMinutes;
  }
}

// ---- Panel texts ---------------------------------------------------------------------------

PanelInput CurrentPanelInput() {
  PanelInput in;
  in.meanValue = meanValue;
  in.sd = StandardDeviation;
  in.n = nrPoints;
  in.mi = mi;
  in.ma = ma;
  in.x1 = x1float;
  in.x2 = x2;
  in.row = row;
  in.analysisCode = Analysis_Code;
  in.scale = CurrentResultScale(ch);
  in.constantVolume = CurrentConstantVolume();
  in.integrationUnit = IntegrationUnit;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(slot)) {
    in.interval = FileInfoFLOATS[slot][kInfoInterval];
    in.startMinutes = FileInfoFLOATS[slot][kInfoStartMinutes];
  }
  in.rEnd = REnd;
  in.mmlPoints = MMLpoints;
  in.digits = SignificantFigures;
  return in;
}

IntegrationTexts IntegrationPanelTexts(const PanelInput& in, bool useScanWindow) {
  IntegrationTexts t;
  t.labelShown = in.analysisCode >= 0 && in.row != 6;
  t.n = useScanWindow ? in.mmlPoints : in.n;
  t.markedUnit = MarkedUnitButton(in.integrationUnit);
  t.value = IntegratedTotal(in.meanValue, t.n, in.scale, in.integrationUnit, in.interval);
  t.total = RealText(t.value, in.digits);
  return t;
}

PanelTexts StatsPanelTexts(const PanelInput& in, uint16_t mode) {
  PanelTexts p;
  const int d = in.digits;
  const ResultScale& s = in.scale;
  auto real = [d](double v) { return RealText(v, d); };

  p.clockShown = ClockLineShown(in.x1, in.analysisCode);
  if (p.clockShown) p.clock = ClockLineText(in.startMinutes, in.interval, in.x1, in.x2);

  const bool full = mode != kPanelCompact;
  std::optional<double> shownMean = in.meanValue;
  if (full) shownMean = ConstantVolumeMean(in.meanValue, in.constantVolume);
  if (shownMean) {
    p.mean = real(ScaledValue(s, *shownMean));
  } else {
    p.mean = kUndefined;
    p.meanUndefined = true;
  }

  p.spreadShown = in.n > 2;
  if (p.spreadShown) {
    const double sd = ScaledSpread(s, in.sd);
    p.sd = real(sd);
    const double scaledMean = ScaledValue(s, in.meanValue);
    if (full)
      p.cv = cvText(sd, scaledMean, [](double v) { return StringFormatter(static_cast<float>(v)); });
    else
      p.cv = cvText(sd, scaledMean, real);
    p.se = real(sd / std::sqrt(static_cast<double>(in.n)));
  }

  p.elapsedShown = in.analysisCode >= 0 && in.row != 6;
  if (p.elapsedShown) p.elapsed = ElapsedTimeTexts(in.n, in.interval, in.integrationUnit);

  p.range = real(ScaledValue(s, in.mi)) + "  to " + real(ScaledValue(s, in.ma));
  p.rateUnitShown = in.analysisCode > 0 && in.row != 6;

  p.totalShown = full && mode < kPanelNoTotal && in.rEnd == 0;
  if (p.totalShown) p.integration = IntegrationPanelTexts(in, false);
  return p;
}

TimeStatsTexts TimeStatsPanelTexts(float tmFloat, float ts, int32_t n, float tmi, float tma, int16_t digits) {
  TimeStatsTexts t;
  auto real = [digits](double v) { return RealText(v, digits); };
  t.mean = real(tmFloat);
  t.spreadShown = n > 2;
  if (t.spreadShown) {
    t.sd = real(ts);
    t.cv = tmFloat == 0.0f ? kUndefined : real(static_cast<double>(ts) * 100.0 / tmFloat) + " %";
    t.se = real(ts / std::sqrt(static_cast<double>(n)));
  }
  t.rangeLine = "range: " + real(tmi) + "  to" + real(tma) + " sec                         ";
  t.integratedLine =
      "integrated time = " + RealText(static_cast<double>(tmFloat) * n, 5) + " sec                      ";
  return t;
}
