#include "shell/recording.h"

#include <algorithm>
#include <iterator>

int16_t RecordSCRIPT = 0;
uint16_t ScriptCOUNT = 0;
int16_t ScriptRunStep = 0;
int16_t ScriptViewerRows = 0;
int16_t ScriptRunOnce = 0;
int16_t autoscript = 0;
int16_t ScriptIsLoaded = 0;
std::string ScriptFileName;

std::string ScriptLabel(int code) {
  switch (code) {
    case 1: return "CHANGE CHANNEL to:";
    case 2: return "LAG in seconds:";
    case 3: return "BASELINE";
    case 4: return "INTEGRATE";
    case 5: return "take DERIVATIVE";
    case 6: return "SMOOTHING";
    case 7: return "remove SPIKES";
    case 8: return "O2 CONSUMPTION";
    case 9: return "CO2 PRODUCTION";
    case 10: return "WATER Loss";
    case 11: return "TRANSFORMATIONS";
    case 12: return "BASIC STATS";
    case 13: return "MINIMUM; total seconds:";
    case 14: return "MAXIMUM; total seconds:";
    case 15: return "WAVEFORM";
    case 16: return "SLOPE vs. TIME";
    case 17: return "REGRESS channels";
    case 18: return "COPY CHANNEL";
    case 19: return "most LEVEL; total seconds:";
    case 20: return "SAVE AS";
    case 25: return " * END SCRIPT *";
    case 28: return "INTEGRATE BLOCK";
    case 29: return "EDIT FILE DATA";
    case 30: return "most VARIABLE; total seconds:";
    case 32: return "VO2 in water";
    case 33: return "OPEN FILE";
    case 34: return "SAVE FILE";
    case 35: return "SENSOR RH FIX";
    case 36: return "TIME INTEGRATION";
    case 37: return "EVENT COUNTING";
    case 38: return "find ASYMPTOTE";
    case 39: return "fit POLYNOMIAL";
    case 40: return "remove REFERENCES";
    case 41: return "SCALE to BLOCK";
    case 45: return "selective INTEGRATE";
    default: return "";
  }
}

uint16_t RecordingPositionOf(const float (&store)[kStepSlots][kStepFields]) {
  for (int s = kLastScriptStep; s >= 1; --s)
    if (store[s][kStepOperation] != 0.0f) return static_cast<uint16_t>(s);
  return 0;
}

int16_t AppendStep(float (&store)[kStepSlots][kStepFields], bool recording, uint16_t* count, int16_t operation) {
  // Below 40 before the increment: a 41st step would land in the slot the
  // runner reads as the end marker.
  if (!recording || *count >= kLastScriptStep) return 0;
  ++*count;
  float* step = store[*count];
  // A slot reused after a clear must carry nothing stale into replay.
  std::fill(step, step + kStepFields, 0.0f);
  step[kStepOperation] = static_cast<float>(operation);
  return static_cast<int16_t>(*count);
}

float* SettingsStep(float (&store)[kStepSlots][kStepFields], int16_t recordedStep, int16_t handedStep) {
  const int16_t s = recordedStep > 0 ? recordedStep : handedStep;
  if (s < 1 || s > kLastScriptStep) return nullptr;
  return store[s];
}

bool ReplayWithoutAsking(int16_t handedStep, int16_t autoscriptFlag, int16_t runOnce) {
  return handedStep > 0 && autoscriptFlag == 1 && runOnce != 0;
}
