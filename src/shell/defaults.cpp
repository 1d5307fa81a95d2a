#include "shell/defaults.h"

#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/prefs.h"

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
