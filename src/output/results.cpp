#include "output/results.h"

#include <algorithm>
#include <cmath>

#include "datafiles/save.h"
#include "output/stats.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

double meanValue = 0.0;
float StandardDeviation = 0.0f;
int32_t nrPoints = 0;
float mi = 0.0f, ma = 0.0f;
float x1float = 0.0f, x2 = 0.0f;
int32_t BGA = 0, EDA = 0;
int32_t MMLBegin = 0, MMLpoints = 0;
int16_t InCH = 0;
int16_t ch = 1;
int16_t Rscale = 0;
int16_t IntegrationMode = kBaseZero;
float ValueOfA = 0.0f, ValueOfB = 0.0f, rsquared = 0.0f;
int32_t nPoints = 0;
int16_t UseLogY = 0;
float Pslope = 0.0f, SlopeZeroProb = 1.0f, SlopeTestProb = 1.0f;
double sumxy = 0.0, sumx2 = 0.0, sumy2 = 0.0;
float slope = 0.0f, prob = 1.0f;
int16_t Chan1 = 1, chan2 = 1;
double cc[16] = {};
uint16_t SlopeID = 0;
int16_t upslope = 0;
float P = 0.0f, dn = 0.0f, dw = 0.0f, ds = 0.0f, vn = 0.0f;
float FloatA = 0.0f;
float dxx = 0.0f;
int32_t WavePeriodCount = 0;
float tmFloat = 0.0f, ts = 0.0f, tmi = 0.0f, tma = 0.0f;
int16_t REnd = 0;
uint16_t Nresults = 0;
int16_t NResultsPrinted = 0;
int16_t NMultipleResults = 2;

ResultRecord CaptureResult() {
  ResultRecord r;
  r.topic = topic;
  r.digits = SignificantFigures;
  const int16_t slot = ResultFileSlot();
  if (ValidFileSlot(slot)) {
    r.fileName = FileName[slot];
    r.startDate = StartDate[slot];
    r.startTime = StartTime[slot];
    r.interval = FileInfoFLOATS[slot][kInfoInterval];
    r.startMinutes = FileInfoFLOATS[slot][kInfoStartMinutes];
    r.flow = FileInfoFLOATS[slot][kInfoFlow];
    r.mass = FileInfoFLOATS[slot][kInfoMass];
    r.beginBlock = BeginBlock[slot];
    r.endBlock = EndBlock[slot];
    // Read only inside the file: the stored span may be stale.
    auto sample = [slot](int32_t c) {
      return c >= 0 && c <= nCases[slot] ? GetDatum(slot, ch, c) : 0.0f;
    };
    r.valueAtBGA = sample(BGA);
    r.valueAtEDA = sample(EDA);
  }
  r.ch = ch;
  const auto label = [slot](int16_t c) { return ValidFileSlot(slot) ? RetrieveLabelOf(slot, c) : RetrieveLabel(c); };
  r.label = label(ch);
  r.meanValue = meanValue;
  r.sd = StandardDeviation;
  r.nrPoints = nrPoints;
  r.mi = mi;
  r.ma = ma;
  r.x1 = x1float;
  r.x2 = x2;
  r.bga = BGA;
  r.eda = EDA;
  r.mmlBegin = MMLBegin;
  r.mmlPoints = MMLpoints;
  r.inCh = InCH;
  r.rscale = Rscale != 0;
  if (ch >= 1 && ch <= kMaxChannels) {
    r.scaleOp = scalefact[ch][1];
    r.scaleFactor = scalefact[ch][2];
    r.scaleOffset = scalefact[ch][3];
  }
  r.integrationUnit = IntegrationUnit;
  r.integrationMode = IntegrationMode;
  r.valueOfA = ValueOfA;
  r.valueOfB = ValueOfB;
  r.rsquared = rsquared;
  r.nPoints = nPoints;
  r.useLogY = UseLogY;
  r.pslope = Pslope;
  r.slopeZeroProb = SlopeZeroProb;
  r.slopeTestProb = SlopeTestProb;
  r.chan1 = Chan1;
  r.chan2 = chan2;
  r.chan1Label = label(Chan1);
  r.chan2Label = label(chan2);
  r.timeUnits = TimeUnits;
  std::copy(std::begin(cc), std::end(cc), r.cc.begin());
  r.polyDegree = PolyDegree;
  r.sumy2 = sumy2;
  r.slope = slope;
  r.slopeID = SlopeID;
  r.rising = upslope != 0;
  r.P = P;
  r.dn = dn;
  r.dw = dw;
  r.ds = ds;
  r.vn = vn;
  r.floatA = FloatA;
  r.dxx = dxx;
  r.wavePeriods = WavePeriodCount;
  r.tmFloat = tmFloat;
  r.ts = ts;
  r.tmi = tmi;
  r.tma = tma;
  r.rEnd = REnd;
  return r;
}

AsymRates AsymptoteRates(float slopePerCase, float interval, int16_t timeUnits, float lnFraction) {
  float seconds;
  switch (timeUnits) {
    case 1: seconds = 60.0f; break;
    case 2: seconds = 3600.0f; break;
    case 3: seconds = 86400.0f; break;
    default: seconds = 1.0f; break;
  }
  AsymRates r;
  r.k = seconds / interval * slopePerCase;
  r.change = 1.0f - std::exp(r.k);
  r.timeDefined = r.k != 0.0f;
  r.time = r.timeDefined ? lnFraction / r.k : 0.0f;
  return r;
}

float AsymptoteShownK(const AsymRates& r, bool rising) { return rising ? std::abs(r.k) : r.k; }

const char* AsymptoteUnitWord(int16_t timeUnits) {
  switch (timeUnits) {
    case 1: return "minute";
    case 2: return "hour";
    case 3: return "day";
    default: return "second";
  }
}

const char* AsymptotePercentText(uint16_t slopeID) {
  static const char* const kPercent[] = {"99", "1", "5", "10", "25", "33", "50", "67", "75", "90", "95"};
  return slopeID >= 1 && slopeID <= 10 ? kPercent[slopeID] : kPercent[0];
}

void TestSlope() { prob = TestSlopeProbability(nPoints, sumxy, sumx2, sumy2, ValueOfB, slope); }

void ApplyWriterSideEffects(int16_t t) {
  if (t == kTopicSlopeVsTime || t == kTopicRegression) {
    slope = 0.0f;
    TestSlope();
    slope = Pslope;
    TestSlope();
  } else if (t == kTopicWaveform && dn > 1.0f) {
    VarXX = std::max(0.0f, (ds - dw * dw / dn) / (dn - 1.0f));
  }
}
