#include "editing/fileinfo.h"

#include <algorithm>
#include <cmath>

#include "datafiles/filehelpers.h"
#include "shell/globals.h"
#include "shell/textutil.h"

namespace {

std::string withoutLeadingBlank(std::string s) {
  if (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

int truncatedKind(float field5) {
  if (!std::isfinite(field5) || std::fabs(field5) > 1e6f) return -1;
  return static_cast<int>(field5);
}

}  // namespace

// ---- Acquisition summary texts ------------------------------------------------------

std::string CaseCountText(int32_t cases) {
  const double shown = static_cast<double>(cases) + 1.0;
  if (cases > 1'000'000) return FormatPicture(shown, "#,###,###");
  if (cases > 100'000) return FormatPicture(shown, "###,###");
  if (cases > 10'000) return FormatPicture(shown, "##,###");
  return NumText(shown);
}

std::string DurationText(float interval, int32_t cases) {
  // In 32-bit floats, as the interval is stored: 0.1 s x 1200 is then 120 s.
  const float seconds = interval * static_cast<float>(cases);
  if (seconds < 120.0f) return NumText(seconds) + " sec";
  if (seconds < 3600.0f) return NumText(seconds / 60.0f) + " min";
  return NumText(seconds / 3600.0f) + " hr";
}

std::string DeviceName(float code) {
  struct Device { float code; const char* name; };
  static constexpr Device kDevices[] = {
      {1, "Lab-NB"},         {2, "PCI-1200"},          {3, "DAQCard-1200"},
      {4, "ADC-1"},          {5, "DT50 or DT500"},     {6, "demo mode"},
      {7, "NI 16XE-50 series"}, {8, "Riduz UI2"},      {80, "DataTaker DT80"},
      {85, "DataTaker DT85"}, {800, "DataTaker DT800"}, {4119, "ADAM-4119"},
  };
  for (const Device& d : kDevices)
    if (code == d.code) return d.name;
  return "unknown";
}

std::string FlowRateText(float flow, bool litres) {
  return NumText(flow) + (litres ? " L/min" : " ml/min");
}

std::string ADNumberText(float field1) {
  const int n = truncatedKind(field1);
  if (n == 0) return "     ?";
  if (n <= 99) return NumText(static_cast<int32_t>(n));
  const int copyOf = n % 100;
  if (copyOf == 0) return "  ?  copy ";
  return NumText(static_cast<int32_t>(copyOf)) + "  copy";
}

std::string NColumnText(float field6) {
  const double r = std::isfinite(field6) ? std::round(static_cast<double>(field6)) : 0.0;
  if (r == 0.0) return "?";
  return NumText(r);
}

std::string TransformText(int kind) {
  switch (kind) {
    case 0: return "   unknown  (assumed linear) ";
    case 1: return "linear (A + B * volts) ";
    case 2: return "poly (A + B*volts + C*volts^2) ";
    case 3: return "power  (A + volts^B) ";
    case 4: return "exponential (A + volts^B) ";
    case 8: return "   not transformed";
    case 9: return "log (A + B*log[volts]) ";
    case 10: return "reciprocal (A + B/volts) ";
    case 11: return "poly (A + B*volts + C*volts^2) ";
    default: return "";
  }
}

CubicTerms CubicTermsOf(int16_t slot) {
  CubicTerms t{};
  if (slot < 0 || slot >= kSlotCount) return t;
  for (int i = 0; i < 5; ++i) t[static_cast<size_t>(i)] = nVar[slot][2 + i][24];
  return t;
}

CalibrationRow CalibrationRowOf(const ChannelInfoRecord& rec, const CubicTerms& cubic) {
  CalibrationRow row;
  const int kind = truncatedKind(rec[5]);
  const float a = rec[2], b = rec[3], c = rec[4];
  switch (kind) {
    case 7:
      row.wide = "keyboard event recorder";
      break;
    case 6:
      row.n = NColumnText(rec[6]);
      if (cubic[1] != 0.0f || cubic[2] != 0.0f || cubic[3] != 0.0f) {
        row.wide = "[" + NumText(cubic[0]) + " +" + NumText(cubic[1]) + "*V +" + NumText(cubic[2]) +
                   "*V2 +" + NumText(cubic[3]) + "*V3 ] *" + NumText(cubic[4]);
      } else {
        row.wide = "3-order polynomial conversion";
        row.transform = "nonlinear";
      }
      break;
    case 5:
      row.wide = "complex breakpoint equation";
      break;
    case 0: case 1: case 2: case 3: case 4: case 8: case 9: case 10: case 11:
      row.adNumber = ADNumberText(rec[1]);
      // An unknown conversion is shown as the identity, whatever is stored.
      row.a = kind == 0 ? NumText(0.0f) : NumText(a);
      row.b = kind == 0 ? NumText(1.0f) : NumText(b);
      row.c = kind == 0 ? NumText(1.0f) : NumText(c);
      row.n = NColumnText(rec[6]);
      row.transform = TransformText(kind);
      break;
    default:
      if (a == 0.0f && b == 0.0f && c == 0.0f) row.wide = "data transformed after acquisition";
      break;
  }
  return row;
}

// ---- The file-data dialog ----------------------------------------------------------

FileDataForm FileDataFormOf(int16_t slot) {
  FileDataForm f;
  f.fio2 = withoutLeadingBlank(StringFormatter(FiO2));
  f.fico2 = withoutLeadingBlank(StringFormatter(FiCO2));
  f.rq = FieldNumText(RQ);
  if (slot < 0 || slot >= kSlotCount) return f;
  const int n = std::min<int>(nChannels[slot], kMaxChannels);
  for (int c = 1; c <= n; ++c)
    f.labels[static_cast<size_t>(c)] = TrimTrailingBlanks(RetrieveLabelOf(slot, static_cast<int16_t>(c)));
  const float* info = FileInfoFLOATS[slot];
  f.interval = withoutLeadingBlank(StringFormatter(info[kInfoInterval]));
  f.flow = FieldNumText(info[kInfoFlow]);
  f.temperature = FieldNumText(info[kInfoTemperature]);
  f.pressure = FieldNumText(info[kInfoPressure]);
  f.effectiveVolume = FieldNumText(info[kInfoEffectiveVolume]);
  f.mass = FieldNumText(info[kInfoMass]);
  f.startDate = StartDate[slot];
  f.startTime = StartTime[slot];
  return f;
}

bool AcceptableInterval(double seconds) { return std::isfinite(seconds) && seconds > 0.0; }

bool AcceptableRQ(double rq) { return std::isfinite(rq) && rq > 0.0; }

bool AcceptableStartTime(std::string_view text) {
  const std::string t = TrimTrailingBlanks(text);
  return t.size() == 8 && ClockTextSeconds(t) >= 0;
}

FileDataCommit CommitFileData(int16_t slot, const FileDataForm& shown, const FileDataForm& typed) {
  FileDataCommit r;
  if (slot < 0 || slot >= kMaxOpenFiles || !SlotHoldsFile(slot)) return r;
  bool changed = false;

  const int n = std::min<int>(nChannels[slot], kMaxChannels);
  for (int c = 1; c <= n; ++c) {
    const auto i = static_cast<size_t>(c);
    if (typed.labels[i] == shown.labels[i]) continue;
    const std::string label = FitLabel(typed.labels[i]);
    if (label == RetrieveLabelOf(slot, static_cast<int16_t>(c))) continue;
    SetChannelLabel(slot, static_cast<int16_t>(c), label);
    changed = true;
  }

  float* info = FileInfoFLOATS[slot];
  auto number = [&](const std::string& now, const std::string& before, int word) {
    if (now == before) return;
    const auto v = static_cast<float>(TextToNum(now));
    // A number beyond float range would be stored as infinite and printed in
    // every result; the old value stays.
    if (!std::isfinite(v)) return;
    if (v != info[word]) {
      info[word] = v;
      changed = true;
    }
  };
  number(typed.pressure, shown.pressure, kInfoPressure);
  number(typed.mass, shown.mass, kInfoMass);
  number(typed.temperature, shown.temperature, kInfoTemperature);
  number(typed.effectiveVolume, shown.effectiveVolume, kInfoEffectiveVolume);
  number(typed.flow, shown.flow, kInfoFlow);
  if (typed.interval != shown.interval) {
    const auto v = static_cast<float>(TextToNum(typed.interval));
    if (!AcceptableInterval(v)) {
      r.refused |= kRefusedInterval;
    } else if (v != info[kInfoInterval]) {
      info[kInfoInterval] = v;
      changed = true;
    }
  }

  if (typed.startTime != shown.startTime) {
    const std::string t = TrimTrailingBlanks(typed.startTime);
    if (!AcceptableStartTime(t)) {
      r.refused |= kRefusedStartTime;
    } else if (t != StartTime[slot]) {
      StartTime[slot] = t;
      changed = true;
    }
  }
  // An unreadable stored time would read as midnight; keep the minutes then.
  if (ClockTextSeconds(StartTime[slot]) >= 0)
    info[kInfoStartMinutes] = StartMinutesOf(StartTime[slot]);

  if (typed.startDate != shown.startDate) {
    // The data file holds ten characters of date.
    const std::string d = TrimTrailingBlanks(std::string_view(typed.startDate).substr(0, 10));
    if (d != StartDate[slot]) {
      StartDate[slot] = d;
      changed = true;
    }
  }

  auto gas = [](const std::string& now, const std::string& before, float* to) {
    if (now == before) return;
    const auto v = static_cast<float>(TextToNum(now));
    if (std::isfinite(v)) *to = v;
  };
  gas(typed.fio2, shown.fio2, &FiO2);
  gas(typed.fico2, shown.fico2, &FiCO2);
  if (typed.rq != shown.rq) {
    const auto v = static_cast<float>(TextToNum(typed.rq));
    if (AcceptableRQ(v)) RQ = v;
    else r.refused |= kRefusedRQ;
  }

  if (changed) FileSHORTS[slot][kShortChanged] = 1;
  r.fileChanged = changed;
  return r;
}

std::string RefusalText(uint16_t refused) {
  std::string list;
  auto add = [&](const char* what) {
    if (!list.empty()) list += "; ";
    list += what;
  };
  if (refused & kRefusedInterval) add("the sample interval (it must be more than 0 seconds)");
  if (refused & kRefusedStartTime) add("the start time (type it as hh:mm:ss on a 24-hour clock, as in 09:05:30)");
  if (refused & kRefusedRQ) add("the RQ (it must be more than 0)");
  if (list.empty()) return "";
  return "Not accepted, so the old value is kept: " + list + ".";
}
