#include "calculators/calcstate.h"

#include <cmath>

#include "shell/globals.h"
#include "shell/store.h"

float LastCalculatorResult = 0.0f;

int16_t LastMetabolismMENU = 0;
int16_t LastMetabolismSUBMENU = 0;
int16_t LastMetabolismUNIT = 0;
int16_t LastBMRHelpText = 0;
float LastBaseTb = 0.0f, LastRealTb = 0.0f, LastExponent = 0.0f, LastQ10 = 0.0f, LastBodyMass = 0.0f;
float LastBmrCoefficient = 0.0f;
float BMRunitfact = 1.0f;

float BodyTemperature = 0.0f, vTa = 0.0f, vBP = 0.0f, deltaP = 0.0f, vRH = 0.0f, calVol = 0.0f,
      calGain = 0.0f, calDef = 0.0f, sampGain = 0.0f, sampDef = 0.0f;

int16_t CalculatorSlot() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (TheFileInUse == kNoFile || !ValidFileSlot(slot) || !SlotHoldsFile(slot)) return -1;
  return slot;
}

float CalculatorFileInfo(int word) {
  const int16_t slot = CalculatorSlot();
  return slot < 0 ? 0.0f : FileInfoFLOATS[slot][word];
}

float FillCalculatorFileInfo(int word, float value) {
  const int16_t slot = CalculatorSlot();
  if (slot < 0) return value;
  float& v = FileInfoFLOATS[slot][word];
  const bool missing = word == kInfoTemperature ? v == 0.0f : !(v > 0.0f);
  if (missing) {
    v = value;
    FileSHORTS[slot][kShortChanged] = 1;
  }
  return v;
}

bool AcceptableFlowOrPressure(double v) { return std::isfinite(v) && v > 0.0 && v <= 3.4e38; }
bool AcceptablePercent(double v) { return std::isfinite(v) && v >= 0.0 && v <= 100.0; }
bool AcceptableSolutes(double v) { return std::isfinite(v) && v >= 0.0 && v <= 3.4e38; }

bool StoreCalculatorFileInfo(int word, float value) {
  const int16_t slot = CalculatorSlot();
  if (slot < 0) return false;
  FileInfoFLOATS[slot][word] = value;
  FileSHORTS[slot][kShortChanged] = 1;
  return true;
}
