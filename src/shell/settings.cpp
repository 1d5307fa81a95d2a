#include "shell/settings.h"

#include <iterator>

int16_t OrrelinFont = 0;
int16_t UseSYSFONT = 1;

uint16_t tabTime = 0, deltatime = 0, tabmass = 0, tabStart = 0, tabChan = 0, tabMode = 1;
uint16_t Note_1 = 0, Note_2 = 0, UseExcelFormat = 0, UseMultipleResults = 0;
std::string note1 = " ", note2 = " ";
int16_t SignificantFigures = 5;

int16_t TimeGridLimit = 1;
uint16_t LastInsertedMarker = 'S';
int16_t MultiHist = 0;
uint16_t DumpHist = 1;
int16_t IntegrationUnit = 66;
int16_t PolyDegree = 2;
float SteppedSampleInterval = 60.0f;
float SteppedSampleSkip = 180.0f;
int16_t FindPeaksNormally = 1;
uint16_t FrequencyUnit = 6;

float threshold = 1.0f, UpTrimLimit = 1000.0f, UpTrimValue = 1000.0f;
float LowTrimLimit = 0.0f, LowTrimValue = 0.0f;
int16_t DsLx = 0;
// DoSMOOTH, AutoSS and GasType are defined in shell/dispatch.cpp.

int16_t LastBaselineMarker = 'S';
int16_t LastBaselineShift = 0;
int16_t FirstRefRemovalVal = 10, SecondRefRemovalVal = 10;

int16_t FlowMode = 1;
int16_t UseVCO2 = 0, VCO2channel = 0;
int16_t abCO2 = 1, DryAir = 1;
int16_t WaterChannel = 0;
float compRH = 20.0f;
int16_t RHunit = 0, tRHchan = 0;
float RHtemp = 37.5f;
float realBP = 760.0f;
float latent = 0.0f;
int16_t FlowCH = 0, MakeNewChan = 0, LastFlowChannelUsed = 0;
float flowconO = 20.1f, flowconC = 25.0f;
float startRH = 0.0f;
int16_t SEP = 0;
int16_t ffch = 0;

float CustomAllometry[3] = {0.0f, 0.1f, 0.75f};
float latitude = 0.0f;
float longitude = 0.0f;
uint16_t northLatitude = 0, westLongitude = 0;

uint16_t variableTb = 1, CalculationsCanUseTorpor = 1, ActiveTimeCostsOnly = 0;
uint16_t ZeroEqualsMissingTemperatures = 1, replacementTb = 1, BMRinWatts = 0, dayActive = 1;
uint16_t SunUseAllowed = 1, variableConductance = 1, ComputeDawnAndDusk = 0, UseTorpor = 1;
float TbChange = 0.0f, MinimumTorporTb = 12.0f, TorporEntryTime = 2.0f, TorporQ10 = 2.2f;
float DaytimeStart = 6.0f, DaytimeEnd = 18.0f, TorporStartLag = 0.0f, TorporEndLag = 0.0f;
float DefaultTb = 0.0f;
float ActivePhaseConductanceIncrease = 0.0f;

namespace {

// Words 1..63; the rest start at 0.
constexpr int16_t kWordDefaults[64] = {
    0,
    1, 0, 0, 0, 0, 1, 25, 12, 0, 1,      //  1..10
    0, 1, 1, 0, 1, 0, 0, 0, 0, 1,        // 11..20
    1, 1, 1, 0, 0, 0, 0, 0, 1, 1,        // 21..30
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0,        // 31..40
    0, 0, 0, 0, 12, 0, 0, 0, 0, 0,       // 41..50
    0, 0, 0, 1, 0, 0, 0, 0, 1, 1,        // 51..60
    1, 1, 0,                             // 61..63
};

}  // namespace

int16_t DefaultPrefWord(int n) {
  if (n < 1 || n >= static_cast<int>(std::size(kWordDefaults))) return 0;
  return kWordDefaults[n];
}
