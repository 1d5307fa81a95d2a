#include "shell/defaults.h"

#include <iterator>

#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/prefs.h"

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

SavedSettings StartupSavedSettings() {
  SavedSettings s;
  for (int n = 1; n <= kSavedPrefWords; ++n) s.words[n] = DefaultPrefWord(n);

  for (int i = 0; i < kSchemeColours; ++i) s.colours[i] = DefaultSchemeColour(i);

  s.FiO2 = 20.95f;
  s.FiCO2 = 0.038f;
  s.flowconO = 20.1f;
  s.flowconC = 25.0f;
  s.DoSMOOTH = s.AutoSS = s.SEP = s.ffch = s.DsLx = s.MultiHist = 0;
  s.TimeGridLimit = 1;
  s.DumpHist = 1;
  s.tabTime = s.deltatime = s.tabmass = s.tabStart = s.tabChan = 0;
  s.tabMode = 1;
  s.Note_1 = s.Note_2 = s.UseExcelFormat = s.UseMultipleResults = 0;
  s.LastBaselineMarker = 'S';
  s.LastBaselineShift = 0;
  s.SteppedSampleInterval = 60.0f;
  s.SteppedSampleSkip = 180.0f;

  s.threshold = 1.0f;
  s.UpTrimLimit = s.UpTrimValue = 1000.0f;
  s.LowTrimLimit = s.LowTrimValue = 0.0f;

  s.allometryA = 0.1f;
  s.allometryB = 0.75f;

  ThermoSettings& t = s.thermo;
  t.variableTb = 1;
  t.TbChange = 0.0f;
  t.CalculationsCanUseTorpor = 1;
  t.MinimumTorporTb = 12.0f;
  t.TorporEntryTime = 2.0f;
  t.TorporQ10 = 2.2f;
  t.ActiveTimeCostsOnly = 0;
  t.DaytimeStart = 6.0f;
  t.DaytimeEnd = 18.0f;
  t.TorporStartLag = t.TorporEndLag = 0.0f;
  t.DefaultTb = 0.0f;
  t.ZeroEqualsMissingTemperatures = 1;
  t.replacementTb = 1;
  t.BMRinWatts = 0;
  t.dayActive = 1;

  s.latitude = s.longitude = 0.0f;
  return s;
}

void SetDEFAULTS() {
  // A quiet run cannot outlive a restart of the settings.
  if (QuietSoundRunActive()) EndQuietSoundRun();

  OrrelinFont = 0;
  UseSYSFONT = 1;

  SetFixedColours();
  SetSchemeDefaults();
  for (int n = 1; n < kPrefsWords; ++n) prefsArray[n] = DefaultPrefWord(n);
  ApplySavedSettings(StartupSavedSettings());
  ForgetFileSpikeSettings();

  // Settings that are never saved.
  note1 = " ";
  note2 = " ";
  SignificantFigures = 5;
  LastInsertedMarker = 'S';
  IntegrationUnit = 66;
  PolyDegree = 2;
  FindPeaksNormally = 1;
  FrequencyUnit = 6;
  FirstRefRemovalVal = 10;
  SecondRefRemovalVal = 10;

  RQ = 0.85f;
  salinity = 2.0f;
  GasType = 0;
  FlowMode = 1;
  UseVCO2 = 0;
  VCO2channel = 0;
  abCO2 = 1;
  DryAir = 1;
  WaterChannel = 0;
  compRH = 20.0f;
  RHunit = 0;
  tRHchan = 0;
  RHtemp = 37.5f;
  realBP = 760.0f;
  latent = 0.0f;
  FlowCH = 0;
  MakeNewChan = 0;
  LastFlowChannelUsed = 0;
  startRH = 0.0f;

  CustomAllometry[0] = 0.0f;
  SunUseAllowed = 1;
  variableConductance = 1;
  ComputeDawnAndDusk = 0;
  UseTorpor = 1;
  ActivePhaseConductanceIncrease = 0.0f;
}
