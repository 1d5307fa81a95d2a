// State the calculators share with each other and with the rest of the
// program, and the file information they read and store. Pure apart from the
// data store.
#pragma once
#include <cstdint>

// X of the simple calculator when it closed, or the main result another
// calculator left; the simple calculator starts from it.
extern float LastCalculatorResult;

// Resting-metabolism window, remembered for the life of the process.
extern int16_t LastMetabolismMENU;      // 0: never opened
extern int16_t LastMetabolismSUBMENU;
extern int16_t LastMetabolismUNIT;
extern int16_t LastBMRHelpText;
extern float LastBaseTb, LastRealTb, LastExponent, LastQ10, LastBodyMass;
// The coefficient 'a' in ml O2/min, the window's own: a regression's
// intercept must not reach it.
extern float LastBmrCoefficient;
// Factor from the base rate (ml O2/min) to the chosen output unit.
extern float BMRunitfact;

// Ventilation inputs, kept so the window reopens with the last ones.
extern float BodyTemperature, vTa, vBP, deltaP, vRH, calVol, calGain, calDef, sampGain, sampDef;

// ---- File information --------------------------------------------------------------
// The calculators work on the front file, or on none (TheFileInUse stays
// kNoFile); -1 when none.
int16_t CalculatorSlot();
// FileInfoFLOATS word of the front file; 0 without a file.
float CalculatorFileInfo(int word);
// A missing entry (not above 0; for the temperature exactly 0) takes value
// and the file is marked changed; returns what the calculator shows. Without
// a file nothing is written and value is shown.
float FillCalculatorFileInfo(int word, float value);

// Values calculators store outside their windows: false (and nothing
// changed) when not finite or out of range. Flow and pressure must be above
// 0, temperatures finite, fractions 0..100 %, solutes 0 or more.
bool AcceptableFlowOrPressure(double v);
bool AcceptablePercent(double v);
bool AcceptableSolutes(double v);
// Writes word of the front file and marks it changed; false without a file.
bool StoreCalculatorFileInfo(int word, float value);
