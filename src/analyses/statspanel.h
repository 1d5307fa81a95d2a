// The texts of the statistics panel of results window 4 (mean, S.D., C.V.,
// S.E., n and duration, range, clock line, integrated total) and of the time
// statistics panel. Pure: the windows place the texts. The results header
// and the kit's furniture are output's (output/kittexts.h).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "output/kittexts.h"
#include "output/scaling.h"
#include "platform/types.h"

// ---- Globals the panel shares (minutes and row: output/kittexts.h) ------------------
// Constant-volume settings of the respirometry subsystem (FiO2, RQ, GasType
// and abCO2 are declared with the shell). Defined here until that
// subsystem's set-up dialog lands.
extern uint16_t DoConstantVolume;
extern float STPfactor;

// ---- Field ids and labels of the panel ------------------------------------------------
inline constexpr int16_t kPanelMeanField = 111;
inline constexpr int16_t kPanelSDField = 114;
inline constexpr int16_t kPanelCVField = 115;
inline constexpr int16_t kPanelSEField = 116;
inline constexpr int16_t kPanelNField = 117;
inline constexpr int16_t kPanelDurationField = 198;
inline constexpr int16_t kPanelRangeField = 199;
inline constexpr int16_t kPanelTotalField = 666;
inline constexpr int16_t kTimeStatsMeanField = 1111;
inline constexpr int16_t kTimeStatsSDField = 112;
inline constexpr int16_t kTimeStatsCVField = 113;
inline constexpr int16_t kTimeStatsSEField = 114;

inline constexpr const char* kMeanLabel = "  Mean = ";
inline constexpr const char* kSDLabel = "     S.D. = ";
inline constexpr const char* kCVLabel = "C.V. = ";
inline constexpr const char* kSELabel = "     S.E. = ";
inline constexpr const char* kNLabel = "        n = ";
inline constexpr const char* kDurationLabel = "duration";
inline constexpr const char* kRangeLabel = "range:";
inline constexpr const char* kRateUnitLabel = "  rate unit: ";
inline constexpr const char* kIntegratedTotalLabel = "integrated total = ";
// The built mark in scratch channel 0, case 0.
inline constexpr float kPanelBuiltMark = 9999.0f;

// Panel modes: 0 compact (click tools), 99 full without the integrated
// total, anything else full.
inline constexpr uint16_t kPanelCompact = 0;
inline constexpr uint16_t kPanelFull = 1;
inline constexpr uint16_t kPanelNoTotal = 99;

// ---- Constant-volume conversion of the mean --------------------------------------------
struct ConstantVolume {
  bool on = false;
  int16_t gasType = 0;     // 1: the variant with the carbon-dioxide choice
  bool abCO2 = false;      // carbon dioxide absorbed
  float fio2 = 20.95f;     // %
  float stpFactor = 1.0f;
  float rq = 0.85f;
};
ConstantVolume CurrentConstantVolume();
// The converted mean, ml/min STP, with m = mean * 0.01 the O2 fall (or CO2
// rise) as a fraction of the dried chamber gas and Fi = FiO2 / 100:
//   CO2                     STP m / (1 - m (1 - 1/RQ))
//   O2, CO2 absorbed        STP m / (1 - (Fi - m))
//   O2, CO2 not absorbed    STP m / (1 - (Fi - m) (1 - RQ))
// the inner difference rounded to f32; nullopt when the conversion has no
// finite value (a zero denominator or RQ). The mean itself when off.
std::optional<double> ConstantVolumeMean(double mean, const ConstantVolume& cv);

// ---- Time texts --------------------------------------------------------------------------
// Clock text " h:mm:ss  " of a case: start + case * interval / 60 minutes,
// in double, folded into one day (exactly 24:00 stays " 24:00:00  ").
std::string CaseClockText(float startMinutes, float interval, float caseNumber);
// "       from" + clock of x1 + "to" + clock of x2.
std::string ClockLineText(float startMinutes, float interval, float x1, float x2);
// The clock line is shown when trunc(x1) is not 0 or an analysis is running.
bool ClockLineShown(float x1, int16_t analysisCode);

// n and duration row: d = (n - 1) * interval s; minutes = d > 600. Unit 65
// " sec", 66 " min" (d / 60), 67 " hours", 228 " days", rounded to f32; with
// "None" (68, 225) or an unknown id the duration is still given, in seconds.
struct ElapsedTexts {
  std::string n;          // field 117
  std::string duration;   // field 198: StringFormatter(value) + unit
  uint16_t minutes = 0;
};
ElapsedTexts ElapsedTimeTexts(int32_t n, float interval, int16_t integrationUnit);

// ---- Integrated total ----------------------------------------------------------------------
// Samples per unit: unit seconds / interval (60, 3600, 86400 s or 1 s for
// 65 and unknown ids); 1 for "None" (68, 225), where the total is the plain
// sum of the scaled values.
double SamplesPerUnit(int16_t integrationUnit, float interval);
// (o + k * mean) * n / samples per unit, in double; 0 for a unit of time
// when the interval is not above 0.
double IntegratedTotal(double mean, int32_t n, const ResultScale& s, int16_t integrationUnit, float interval);
// The button shown marked among 65, 66, 67, 228, 68: the unit itself, 68
// for the integration window's "None" (225), 65 for an unknown id.
int16_t MarkedUnitButton(int16_t integrationUnit);
// On entry the descriptive statistics keep 65, 66, 67 or 228 and replace
// anything else ("None" included) by 66.
int16_t StatsEntryIntegrationUnit(int16_t integrationUnit);

// ---- Panel texts --------------------------------------------------------------------------
struct PanelInput {
  double meanValue = 0.0;
  float sd = 0.0f;
  int32_t n = 0;                 // nrPoints
  float mi = 0.0f, ma = 0.0f;
  float x1 = 0.0f, x2 = 0.0f;    // x1float, x2
  int16_t row = 5;
  int16_t analysisCode = 1;
  ResultScale scale;
  ConstantVolume constantVolume;
  int16_t integrationUnit = 66;
  float interval = 1.0f;
  float startMinutes = 0.0f;     // FileInfoFLOATS word 8
  int16_t rEnd = 0;
  int32_t mmlPoints = 0;
  int16_t digits = 5;            // SignificantFigures
};
// The globals as BasicSTATS reads them (TheFileInUse for interval and start).
PanelInput CurrentPanelInput();

struct IntegrationTexts {
  bool labelShown = false;       // "integrated total = "
  std::string total;             // field 666
  double value = 0.0;
  int32_t n = 0;                 // the count used; BasicSTATS leaves it in nPoints
  int16_t markedUnit = 65;
};
// DoINTEGRATION: n is mmlPoints when useScanWindow, else n.
IntegrationTexts IntegrationPanelTexts(const PanelInput& in, bool useScanWindow);

struct PanelTexts {
  bool clockShown = false;
  std::string clock;
  std::string mean;              // field 111
  bool meanUndefined = false;    // the constant-volume conversion failed
  bool spreadShown = false;      // n > 2
  std::string sd, cv, se;        // fields 114, 115, 116
  bool elapsedShown = false;
  ElapsedTexts elapsed;          // fields 117, 198
  std::string range;             // field 199
  bool rateUnitShown = false;
  bool totalShown = false;
  IntegrationTexts integration;
};
// Full panel (mode != 0) or compact panel (mode 0). The C.V. of the full
// panel is StringFormatter(|100 k sd / (o + k mean)|) + " %", of the compact
// one the number text + " %"; either is " undefined" when the scaled mean is
// 0. The C.V. always uses the unconverted mean.
PanelTexts StatsPanelTexts(const PanelInput& in, uint16_t mode);

// The time-statistics panel of the pair differences (values in seconds,
// never scaled).
struct TimeStatsTexts {
  std::string mean;              // field 1111
  bool spreadShown = false;
  std::string sd, cv, se;        // fields 112, 113, 114
  std::string rangeLine;         // "range: " tmi "  to" tma " sec" + blanks
  std::string integratedLine;    // "integrated time = " (5 digits) " sec" + blanks
};
TimeStatsTexts TimeStatsPanelTexts(float tmFloat, float ts, int32_t n, float tmi, float tma, int16_t digits = 5);
