// Every setting with its start-up value, and the start-up values of the
// preference words.
//
// The settings below belong to the subsystems named in each group; they are
// declared here, below the preferences file that carries the saved ones and
// SetDEFAULTS that restores them, until each owner has a header of its own to
// hold them. FiO2, FiCO2, RQ and salinity are in shell/globals.h; GasType,
// DoSMOOTH and AutoSS are defined with the menu dispatcher's selectors
// (shell/dispatch.cpp) and only declared again here.
#pragma once
#include <cstdint>
#include <string>

// ---- Fonts (window kit) ------------------------------------------------------------
extern int16_t OrrelinFont;           // font number of titles and, with UseSYSFONT, fields
extern int16_t UseSYSFONT;            // edit fields in OrrelinFont (else font 3)

// ---- Results output: tabular file columns -----------------------------------------
extern uint16_t tabTime, deltatime, tabmass, tabStart, tabChan, tabMode;
extern uint16_t Note_1, Note_2, UseExcelFormat, UseMultipleResults;
extern std::string note1, note2;      // note texts offered again (not saved)
extern int16_t SignificantFigures;    // digits of printed reals

// ---- Plot and analyses ---------------------------------------------------------------
extern int16_t TimeGridLimit;         // 1: no day grid lines closer than 10 px
extern uint16_t LastInsertedMarker;   // marker code offered by the marker panel
extern int16_t MultiHist;             // one histogram window per channel
extern uint16_t DumpHist;             // leaving an analysis closes windows 151..174
extern int16_t IntegrationUnit;       // 65 s, 66 min, 67 h, 228 days
extern int16_t PolyDegree;            // polynomial degree, 1..9
extern float SteppedSampleInterval;   // s
extern float SteppedSampleSkip;       // s
extern int16_t FindPeaksNormally;     // 1 normal method, 0 highest/lowest 5
extern uint16_t FrequencyUnit;        // item of the period unit pop-up (6 = seconds)

// ---- Editing: spike removal, linearising, smoothing -------------------------------
extern float threshold, UpTrimLimit, UpTrimValue, LowTrimLimit, LowTrimValue;
extern int16_t DsLx;                  // 0: the tool always opens in spike mode
extern int16_t DoSMOOTH;              // smooth before gas exchange
extern int16_t AutoSS;                // re-run the analysis after smoothing/spikes

// ---- Baseline and reference removal ----------------------------------------------
extern int16_t LastBaselineMarker;    // character code of the marker label
extern int16_t LastBaselineShift;     // cases
extern int16_t FirstRefRemovalVal, SecondRefRemovalVal;

// ---- Respirometry -------------------------------------------------------------------
extern int16_t GasType;               // 1 VO2, 2 VCO2, 3 EWL
extern int16_t FlowMode;              // 1..5 chamber, 6..10 mask
extern int16_t UseVCO2, VCO2channel;
extern int16_t abCO2, DryAir;
extern int16_t WaterChannel;          // 1..32 channel, 123 constant compRH, 32 none
extern float compRH;                  // %
extern int16_t RHunit, tRHchan;
extern float RHtemp;                  // degrees C
extern float realBP;                  // torr
extern float latent;                  // J/g
extern int16_t FlowCH, MakeNewChan, LastFlowChannelUsed;
extern float flowconO, flowconC;      // J per ml O2 / CO2
extern float startRH;                 // %
extern int16_t SEP;                   // show the conversion equation
extern int16_t ffch;                  // flow from a channel

// ---- Calculators: allometry and location ----------------------------------------
extern float CustomAllometry[3];      // [1] a, [2] b
extern float latitude;                // degrees, north positive
extern float longitude;               // degrees, west positive
extern uint16_t northLatitude, westLongitude;

// ---- Thermoregulation ---------------------------------------------------------------
extern uint16_t variableTb, CalculationsCanUseTorpor, ActiveTimeCostsOnly;
extern uint16_t ZeroEqualsMissingTemperatures, replacementTb, BMRinWatts, dayActive;
extern uint16_t SunUseAllowed, variableConductance, ComputeDawnAndDusk, UseTorpor;
extern float TbChange, MinimumTorporTb, TorporEntryTime, TorporQ10;
extern float DaytimeStart, DaytimeEnd, TorporStartLag, TorporEndLag, DefaultTb;
extern float ActivePhaseConductanceIncrease;

// ---- Preference words -------------------------------------------------------------
// Start-up value of prefsArray word n (0 for words without one or outside
// 1..100).
int16_t DefaultPrefWord(int n);
