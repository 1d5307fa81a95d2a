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

int16_t BlockStepAnalysisCode(int code) {
  switch (code) {
    case kOpBasicStats: return 1;
    case kOpMinimum: return 2;
    case kOpMaximum: return 3;
    case kOpWaveform: return 4;
    case kOpSlopeVsTime: return 5;
    case kOpRegress: return 6;
    case kOpMostLevel: return 8;
    case kOpTimeSeries: return 10;
    case kOpIntegrateBlock: return 9;
    case kOpMostVariable: return 11;
    case kOpTimeIntegration: return 12;
    case kOpEventCounting: return 13;
    case kOpAsymptote: return 14;
    case kOpPolynomial: return 15;
    case kOpSelectiveIntegrate: return 16;
    case kOpScaleToBlock: return 0;
    default: return -1;
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

int16_t StepChannelIn(const float* step, int field, int16_t channels) {
  const float v = step[field];
  return v >= 1.0f && v < static_cast<float>(channels) + 1.0f ? static_cast<int16_t>(v) : int16_t{0};
}

int16_t StepChoice(const float* step, int field, std::initializer_list<int16_t> choices) {
  for (int16_t c : choices)
    if (step[field] == static_cast<float>(c)) return c;
  return 0;
}

int32_t StepBlockLimit(const float* step, int field, int32_t last) {
  const float v = step[field];
  // Not a number, or none: no limit. A limit beyond a shorter block ends it.
  if (!(v >= 1.0f)) return -1;
  return static_cast<int32_t>(std::min(v - 1.0f, static_cast<float>(std::max(last, 0))));
}

namespace {

constexpr int kFirstLabelSlot = 42;
constexpr int kLabelFields = kStepLabelChars / 3;

// Fields 2..11 and 12..21: field 1 of every slot holds an operation code,
// which a script file must keep whole.
int labelOffset(int number) { return 2 + ((number - 1) % 2) * kLabelFields; }

float* labelCells(float (&store)[kStepSlots][kStepFields], int number) {
  return &store[kFirstLabelSlot + (number - 1) / 2][labelOffset(number)];
}

int labelNumber(const float* step, int labelField) {
  const float v = step[labelField];
  return v >= 1.0f && v <= static_cast<float>(kStepLabelCount) ? static_cast<int>(v) : 0;
}

bool labelInUse(const float (&store)[kStepSlots][kStepFields], int number, int16_t except) {
  for (int s = 1; s <= kLastScriptStep; ++s) {
    if (s == except) continue;
    const float code = store[s][kStepOperation];
    const int field = code == kOpIntegrate || code == kOpDerivative ? integral_step::kLabel
                      : code == kOpTransformations                ? transform_step::kLabel
                                                                  : -1;
    if (field >= 0 && labelNumber(store[s], field) == number) return true;
  }
  return false;
}

}  // namespace

int16_t KeepStepLabel(float (&store)[kStepSlots][kStepFields], int16_t owner, int labelField, const std::string& label) {
  if (owner < 1 || owner > kLastScriptStep) return 0;
  float* step = store[owner];
  step[labelField] = 0.0f;
  for (int number = 1; number <= kStepLabelCount; ++number) {
    if (labelInUse(store, number, owner)) continue;
    float* cells = labelCells(store, number);
    // Three characters to a field: 24 bits, which a float holds exactly.
    for (int k = 0; k < kLabelFields; ++k) {
      uint32_t v = 0;
      for (int c = 0; c < 3; ++c) {
        const size_t at = static_cast<size_t>(k * 3 + c);
        v = v << 8 | (at < label.size() ? static_cast<uint8_t>(label[at]) : 0u);
      }
      cells[k] = static_cast<float>(v);
    }
    step[labelField] = static_cast<float>(number);
    return static_cast<int16_t>(number);
  }
  return 0;
}

bool StepLabelText(const float (&store)[kStepSlots][kStepFields], const float* step, int labelField,
                   std::string* label) {
  const int number = labelNumber(step, labelField);
  if (number == 0) return false;
  const float* cells = &store[kFirstLabelSlot + (number - 1) / 2][labelOffset(number)];
  std::string out;
  for (int k = 0; k < kLabelFields; ++k) {
    const float f = cells[k];
    // A damaged file may hold anything: only whole 24-bit values read.
    const uint32_t v = f >= 0.0f && f < 16777216.0f ? static_cast<uint32_t>(f) : 0u;
    for (int c = 2; c >= 0; --c) {
      const char ch = static_cast<char>((v >> (8 * c)) & 0xFF);
      if (ch == '\0') {
        *label = out;
        return true;
      }
      out.push_back(ch);
    }
  }
  *label = out;
  return true;
}
