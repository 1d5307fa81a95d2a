#include "scripts/scriptfile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "shell/textutil.h"

namespace {

void putBigEndian32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

uint32_t getBigEndian32(const std::string& in, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<uint8_t>(in[at + k]);
  return v;
}

bool validCode(float code) {
  return std::isfinite(code) && code >= 0.0f && code <= static_cast<float>(kLastScriptCode) &&
         std::trunc(code) == code;
}

std::string number(float v) { return FieldNumText(v); }

}  // namespace

void ClearScriptStore(ScriptStore& store) {
  for (int s = 0; s <= kLastScriptStep + 1; ++s)
    for (int f = 0; f <= 3; ++f) store[s][f] = 0.0f;
}

std::string EncodeScriptFile(const ScriptStore& store, int16_t autoscriptFlag) {
  std::string out;
  out.reserve(kScriptFileBytes);
  for (const auto& step : store)
    for (float f : step) putBigEndian32(out, std::bit_cast<uint32_t>(f));
  const auto a = static_cast<uint16_t>(autoscriptFlag);
  out.push_back(static_cast<char>(a >> 8));
  out.push_back(static_cast<char>(a & 0xFF));
  return out;
}

const char* ScriptFileStatusText(ScriptFileStatus s) {
  switch (s) {
    case ScriptFileStatus::Ok: return "";
    case ScriptFileStatus::TooShort: return "This file is too short to hold a script.";
    case ScriptFileStatus::TooLong: return "This file is too long to be a script.";
    case ScriptFileStatus::BadCode: return "This file is damaged or is not a script: it holds an unknown operation.";
  }
  return "";
}

ScriptFileStatus DecodeScriptFile(const std::string& bytes, ScriptStore& store, int16_t* autoscriptFlag) {
  if (bytes.size() < static_cast<size_t>(kStepBytes)) return ScriptFileStatus::TooShort;
  if (bytes.size() > static_cast<size_t>(kScriptFileBytes)) return ScriptFileStatus::TooLong;
  ScriptStore read;
  std::memcpy(read, store, sizeof read);
  for (int s = 0; s <= kLastScriptStep; ++s)
    for (int f = 0; f <= 2; ++f) read[s][f] = 0.0f;
  const size_t whole = std::min<size_t>(bytes.size() / kStepBytes, kStepSlots);
  for (size_t s = 0; s < whole; ++s) {
    for (size_t f = 0; f < kStepFields; ++f)
      read[s][f] = std::bit_cast<float>(getBigEndian32(bytes, s * kStepBytes + f * 4));
    if (!validCode(read[s][kStepOperation])) return ScriptFileStatus::BadCode;
  }
  int16_t flag = 0;
  if (bytes.size() == static_cast<size_t>(kScriptFileBytes))
    flag = static_cast<int16_t>((static_cast<uint8_t>(bytes[kScriptFileBytes - 2]) << 8) |
                                static_cast<uint8_t>(bytes[kScriptFileBytes - 1]));
  std::memcpy(store, read, sizeof read);
  *autoscriptFlag = flag;
  return ScriptFileStatus::Ok;
}

std::string ShortScriptFileText(const ScriptStore& store, size_t fileBytes, const std::string& fileName) {
  if (fileBytes >= static_cast<size_t>(kScriptFileBytes)) return "";
  const int wholeSlots = static_cast<int>(fileBytes / kStepBytes);
  const int last = std::clamp(wholeSlots - 1, 0, kLastScriptStep);
  int held = 0;
  for (int s = 1; s <= last; ++s)
    if (StepCode(store[s]) != 0) ++held;
  const std::string holding = " (" + std::to_string(held) + (held == 1 ? " holds" : " hold") + " an operation)";
  const std::string file = "The script file " + fileName + " ends ";
  if (last == 0) return file + "before its first step: no step was read, and Automatic Run is off.";
  if (last == kLastScriptStep)
    return file + "early: all 40 steps were read" + holding +
           ", but its Automatic Run setting is missing, so Automatic Run is off.";
  return file + "early: only steps 1 to " + std::to_string(last) + " were read" + holding +
         "; the steps after them are empty, and Automatic Run is off.";
}

int16_t StepInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 32767.0f) return INT16_MAX;
  if (v <= -32768.0f) return INT16_MIN;
  return static_cast<int16_t>(v);
}

std::string TransformKindText(int kind) {
  switch (kind) {
    case 1: return "Z transform";
    case 2: return "polynomial";
    case 3: return "invert";
    case 4: return "change sign";
    case 5: return " a + b * X^c";
    case 6: return "a - X";
    case 7: return "X - a";
    case 8: return "a \xD6 X";
    case 9: return "X \xD6 a";
    case 10: return "square root X";
    case 11: return " X squared";
    case 12: return " ln (X) ";
    case 13: return "log10 (X) ";
    case 14: return "e ^ X";
    case 15: return "10 ^ X";
    case 16: return "a / (X ^ c) ";
    case 17: return "absolute value";
    case 18: return "fixed Q10";
    case 20: return "breakpoint";
    case 22: return "add channels";
    case 23: return "subtract channels";
    case 24: return "multiply channels";
    case 25: return "divide channels";
    case 26: return "Q10 correction";
    default: return "";
  }
}

std::string ScriptRowPrefix(int n) { return std::to_string(n) + (n <= 9 ? ":      " : ":    "); }

ScriptRowTexts ScriptRow(const float (&step)[kStepFields]) {
  ScriptRowTexts r;
  const int code = StepCode(step);
  r.label = code == kOpDeleted ? kDeletedStepLabel : ScriptLabel(code);
  r.shown = code != 0 && !r.label.empty();
  if (!r.shown) return r;
  const auto f = [&](int k) { return number(step[k]); };
  switch (code) {
    case kOpChangeChannel: case kOpLag: r.channel = f(kStepMain); break;
    case kOpMinimum: case kOpMaximum: case kOpMostLevel: case kOpMostVariable:
      r.channel = f(kStepMain);
      r.colours = RowColours::Analysis;
      break;
    case kOpBasicStats: case kOpWaveform: case kOpSlopeVsTime: case kOpRegress: case kOpIntegrateBlock:
    case kOpTimeIntegration: case kOpEventCounting: case kOpAsymptote: case kOpPolynomial:
    case kOpSelectiveIntegrate:
      r.colours = RowColours::Analysis;
      break;
    case kOpEndScript: r.colours = RowColours::End; break;
    case kOpDeleted: r.colours = RowColours::Deleted; break;
    case kOpSmoothing: case kOpSpikes: case kOpTransformations: case kOpRemoveReferences:
      r.channel = EditsBlockOnly(step) ? kBlockOnlyText : kWholeChannelText;
      break;
    default: break;
  }
  switch (code) {
    case kOpBaseline: {
      r.transform = "baseline method: ";
      switch (StepInt(step[baseline_step::kMethod])) {
        case 2: r.a = "automatic"; break;
        case 8: r.a = "periodic"; break;
        case 3: case 7: r.a = "cursor start, end"; break;
        case 4:
          r.a = "text start, end";
          r.b = f(baseline_step::kValueA);
          r.exponent = f(baseline_step::kValueB);
          break;
        case 5:
          r.a = "constant";
          r.b = f(baseline_step::kValueA);
          break;
        case 6: r.a = "multi-cursor"; break;
        default: break;
      }
      break;
    }
    case kOpSmoothing: {
      static const int widths[] = {3, 5, 7, 9, 11, 15, 19, 25, 35, 51};
      const int16_t choice = StepInt(step[smoothing_step::kWidthChoice]);
      const int cases = choice >= 1 && choice <= 10 ? widths[choice - 1] : choice == 41 ? 3 : 0;
      r.a = "cases: " + std::to_string(cases);
      r.b = "cycles: " + f(smoothing_step::kCycles);
      break;
    }
    case kOpSpikes:
      r.transform = "threshold: " + f(spikes_step::kThreshold);
      r.a = "max: " + f(spikes_step::kUpTrimLimit);
      r.b = "min:" + f(spikes_step::kUpTrimValue);
      break;
    case kOpO2Consumption: case kOpCO2Production: case kOpWaterLoss:
      r.transform = "mode " + f(gas_step::kFlowMode);
      r.a = "flow: " + f(gas_step::kFlowChannel);
      r.b = "RQ:" + f(gas_step::kRQ);
      if (step[gas_step::kInstantaneous] != 0.0f) r.exponent = "instantaneous";
      break;
    case kOpTransformations:
      r.colours = RowColours::Analysis;
      if (step[transform_step::kSetBlock] != 0.0f) {
        r.transform = "block set to";
        r.a = f(transform_step::kSetValue);
        break;
      }
      r.transform = TransformKindText(StepInt(step[transform_step::kKind]));
      if (r.transform != "absolute value") {
        r.a = f(transform_step::kA);
        r.b = f(transform_step::kB);
        r.exponent = f(transform_step::kExponent);
      }
      break;
    case kOpVO2InWater:
      r.transform = "mode: " + f(water_vo2_step::kWaterSystem);
      r.a = "units: " + f(water_vo2_step::kOutUnits);
      r.b = "mass unit: " + f(water_vo2_step::kMassUnit);
      r.exponent = "salinity: " + f(water_vo2_step::kSalinity);
      break;
    case kOpRemoveReferences:
      r.transform = "downgoing? " + f(references_step::kDowngoing);
      r.a = "cutoff: " + f(references_step::kCutoff);
      r.b = "sidepoints: " + f(references_step::kSidePoints);
      r.exponent = step[references_step::kInterpolate] != 0.0f ? "interpolate"
                                                                : "fixed: " + f(references_step::kFixedValue);
      break;
    case kOpScaleToBlock:
      r.transform = "0-100? " + f(scale_step::kMode);
      r.a = "max: " + f(scale_step::kMaximum);
      r.b = "min: " + f(scale_step::kMinimum);
      break;
    default: break;
  }
  return r;
}

bool EditsBlockOnly(const float (&step)[kStepFields]) {
  switch (StepCode(step)) {
    case kOpSmoothing: return StepFlag(step, smoothing_step::kBlockOnly);
    case kOpSpikes: return StepFlag(step, spikes_step::kBlockOnly);
    case kOpTransformations: return StepFlag(step, transform_step::kBlockOnly);
    case kOpRemoveReferences: return StepFlag(step, references_step::kBlockOnly);
    default: return false;
  }
}

namespace {

struct BlockEdit {
  std::string command, purpose;
};

// The command of a block step as the user chose it, and what its block is
// for; an empty purpose for analyses.
BlockEdit blockEditOf(const float (&step)[kStepFields]) {
  const int code = StepCode(step);
  if (code == kOpScaleToBlock) return {"Scale to Block", "select the block to scale to"};
  if (!EditsBlockOnly(step)) {
    std::string label = ScriptLabel(code);
    if (code == kOpMinimum || code == kOpMaximum || code == kOpMostLevel || code == kOpMostVariable)
      label += " " + number(step[kStepMain]);
    return {label, ""};
  }
  switch (code) {
    case kOpSmoothing: return {"Smoothing", "select the block to smooth"};
    case kOpSpikes: return {"Remove Spikes", "select the block to clear of spikes"};
    case kOpRemoveReferences: {
      std::string c = "Remove References";
      if (step[references_step::kInterpolate] == 0.0f)
        c += ", fixed value " + number(step[references_step::kFixedValue]);
      return {c, "select the block to clear of references"};
    }
    default: break;
  }
  const std::string value = number(step[transform_step::kSetValue]);
  switch (StepInt(step[transform_step::kSetBlock])) {
    case 0: break;
    case 2: return {"Change Blocks\xC9 to " + value, "select the block to set"};
    default: return {"\xC6 Block to: " + value, "select the block to set"};
  }
  std::string kind = TransformKindText(StepInt(step[transform_step::kKind]));
  while (!kind.empty() && kind.front() == ' ') kind.erase(kind.begin());
  while (!kind.empty() && kind.back() == ' ') kind.pop_back();
  return {kind.empty() ? "Standard Transformations" : "Standard Transformations: " + kind,
          "select the block to transform"};
}

}  // namespace

BlockRequestTexts BlockRequestText(const float (&step)[kStepFields], int16_t n, const std::string& fileName) {
  const BlockEdit e = blockEditOf(step);
  const bool edit = !e.purpose.empty();
  const std::string purpose = edit ? e.purpose : "select a block for analysis";
  BlockRequestTexts t;
  t.title = fileName + ", step " + std::to_string(n) + ": " + e.command + " \xD1 " + purpose;
  t.headline = edit ? "Step " + std::to_string(n) + ": " + e.command : "This is a block operation!";
  t.purpose = " and " + purpose + ".";
  return t;
}

bool OffersContinue(const float (&step)[kStepFields], int nextCode) {
  return step[kStepNoContinue] != 1.0f && nextCode != 0 && nextCode != kOpEndScript;
}

bool StepUsesActiveChannel(int code) {
  switch (code) {
    case 0: case kOpChangeChannel: case kOpSaveAs: case kOpEndScript: case kOpEditFileData: case kOpOpenFile:
    case kOpSaveFile: case kOpDeleted:
      return false;
    default: return !ScriptLabel(code).empty();
  }
}

std::vector<int16_t> StepsOnSkippedChannel(const ScriptStore& store, int16_t channelStep) {
  std::vector<int16_t> out;
  for (int k = std::max<int>(channelStep, 1); k < kLastScriptStep;) {
    // The runner ends after step k when the end mark follows it.
    if (StepCode(store[k + 1]) == kOpEndScript) break;
    ++k;
    const int code = StepCode(store[k]);
    if (code == kOpChangeChannel || code == kOpOpenFile) break;
    if (StepUsesActiveChannel(code)) out.push_back(static_cast<int16_t>(k));
  }
  return out;
}

std::string SkippedChannelText(const ScriptStore& store, int16_t channelStep, int16_t fileChannels,
                               const std::vector<int16_t>& alsoSkipped) {
  const int16_t channel = StepInt(store[channelStep][kStepMain]);
  std::string t = "Script step " + std::to_string(channelStep) + ", \"" + ScriptLabel(kOpChangeChannel) + "\" " +
                  std::to_string(channel) + ", was skipped: this file has " + std::to_string(fileChannels) +
                  (fileChannels == 1 ? " channel." : " channels.");
  if (alsoSkipped.empty()) return t;
  t += alsoSkipped.size() == 1 ? " Step " : " Steps ";
  for (size_t k = 0; k < alsoSkipped.size(); ++k) {
    if (k > 0) t += k + 1 == alsoSkipped.size() ? " and " : ", ";
    t += std::to_string(alsoSkipped[k]) + " (\"" + ScriptLabel(StepCode(store[alsoSkipped[k]])) + "\")";
  }
  t += alsoSkipped.size() == 1 ? " would have worked on another channel and was skipped with it."
                               : " would have worked on another channel and were skipped with it.";
  return t;
}
