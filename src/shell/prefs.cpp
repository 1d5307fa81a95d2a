#include "shell/prefs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>

#include "shell/globals.h"
#include "shell/settings.h"

namespace {

constexpr char kSignature[4] = {'C', 'M', 'p', 'r'};
// No layout is anywhere near this; a bigger file is not ours.
constexpr std::uintmax_t kMaxPrefsBytes = 1u << 20;
constexpr int kPickModeWord = 22;
constexpr int kSpikeFlagWord = 51;

constexpr std::size_t kGroupABytes = 5 * 4;
constexpr std::size_t kGroupBBytes = 2 * 4;
constexpr std::size_t kGroupCBytes = 7 * 2 + 9 * 4;
constexpr std::size_t kGroupDBytes = 2 * 4;
// Everything after the words up to the end of the core.
constexpr std::size_t kCoreTailBytes = kSchemeColours * 6 + 4 * 4 + 8 * 2 + 10 * 2 + 2 * 2 + 2 * 4;

// ---- Quiet-run and spike memory -------------------------------------------------
bool gQuietRun = false;
int16_t gQuietRunLevel = 0;

struct SpikeValues {
  float threshold, UpTrimLimit, UpTrimValue, LowTrimLimit, LowTrimValue;
};
bool gFileSpikeKnown = false;
SpikeValues gFileSpike{};

SpikeValues SpikeOf(const SavedSettings& s) {
  return {s.threshold, s.UpTrimLimit, s.UpTrimValue, s.LowTrimLimit, s.LowTrimValue};
}

void PutSpike(SavedSettings& s, const SpikeValues& v) {
  s.threshold = v.threshold;
  s.UpTrimLimit = v.UpTrimLimit;
  s.UpTrimValue = v.UpTrimValue;
  s.LowTrimLimit = v.LowTrimLimit;
  s.LowTrimValue = v.LowTrimValue;
}

// ---- Big-endian coding ----------------------------------------------------------
class Writer {
 public:
  void u16(uint16_t v) {
    out_.push_back(static_cast<char>(v >> 8));
    out_.push_back(static_cast<char>(v & 0xFF));
  }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void f32(float v) {
    const uint32_t b = std::bit_cast<uint32_t>(v);
    u16(static_cast<uint16_t>(b >> 16));
    u16(static_cast<uint16_t>(b & 0xFFFF));
  }
  void rgb(plat::Rgb16 c) {
    u16(c.r);
    u16(c.g);
    u16(c.b);
  }
  void raw(const char* p, std::size_t n) { out_.append(p, n); }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(const std::string& in) : in_(in) {}
  std::size_t left() const { return in_.size() - pos_; }
  void skip(std::size_t n) { pos_ += n; }
  uint16_t u16() {
    const auto hi = static_cast<unsigned char>(in_[pos_]);
    const auto lo = static_cast<unsigned char>(in_[pos_ + 1]);
    pos_ += 2;
    return static_cast<uint16_t>(hi << 8 | lo);
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  float f32() {
    const uint32_t hi = u16();
    const uint32_t lo = u16();
    return std::bit_cast<float>(hi << 16 | lo);
  }
  plat::Rgb16 rgb() {
    plat::Rgb16 c;
    c.r = u16();
    c.g = u16();
    c.b = u16();
    return c;
  }

 private:
  const std::string& in_;
  std::size_t pos_ = 0;
};

// ---- Range repair ---------------------------------------------------------------
enum class WordRule { Any, Flag, Sound, BaselineEnd, PickMode, Range02, LabelSize, UnitCode };

WordRule RuleOf(int word) {
  switch (word) {
    // Meanings not described: kept as found.
    case 16: case 26: case 27: case 28: case 31: case 32: case 42: case 46:
      return WordRule::Any;
    case 7: return WordRule::Sound;
    case 8: return WordRule::BaselineEnd;
    case 22: return WordRule::PickMode;
    case 33: case 50: return WordRule::Range02;
    case 45: return WordRule::LabelSize;
    case 54: return WordRule::UnitCode;
    default: return WordRule::Flag;
  }
}

bool WordValid(int word, int16_t v) {
  switch (RuleOf(word)) {
    case WordRule::Any: return true;
    case WordRule::Flag: return v == 0 || v == 1;
    case WordRule::Sound: return v == 0 || v == 25 || v == 50;
    case WordRule::BaselineEnd: return v >= 12 && v <= 14;
    case WordRule::PickMode: return v == 0 || v == 1 || v == 10;
    case WordRule::Range02: return v >= 0 && v <= 2;
    case WordRule::LabelSize: return v == 12 || v == 14;
    case WordRule::UnitCode: return v >= 1 && v <= 20;
  }
  return true;
}

class Repairer {
 public:
  int count = 0;
  template <class T>
  void flag(T& v, T def) {
    if (v != 0 && v != 1) fix(v, def);
  }
  void finite(float& v, float def) {
    if (!std::isfinite(v)) fix(v, def);
  }
  void within(float& v, float lo, float hi, float def) {
    if (!(v >= lo && v <= hi)) fix(v, def);  // also catches NaN
  }
  void above(float& v, float lo, float def) {
    if (!(v > lo) || !std::isfinite(v)) fix(v, def);
  }
  void atLeast(float& v, float lo, float def) {
    if (!(v >= lo) || !std::isfinite(v)) fix(v, def);
  }

 private:
  template <class T>
  void fix(T& v, T def) {
    v = def;
    ++count;
  }
};

// ---- Files ------------------------------------------------------------------------
PrefsStatus ReadWhole(const std::filesystem::path& file, std::string* out) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return ec ? PrefsStatus::ReadFailed : PrefsStatus::Missing;
  if (!std::filesystem::is_regular_file(file, ec)) return PrefsStatus::Foreign;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return PrefsStatus::ReadFailed;
  if (size > kMaxPrefsBytes) return PrefsStatus::Foreign;
  std::ifstream in(file, std::ios::binary);
  if (!in) return PrefsStatus::ReadFailed;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return PrefsStatus::ReadFailed;
  return PrefsStatus::Ok;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes to a fresh temporary beside the target and renames it over the
// target only once it is complete and on disk.
bool ReplaceFile(const std::filesystem::path& file, const std::string& bytes) {
  const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
  std::string tmpl = (dir / ("." + file.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmpl.c_str(), file.c_str()) == 0;
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

}  // namespace

const char* PrefsStatusText(PrefsStatus s) {
  switch (s) {
    case PrefsStatus::Ok: return "";
    case PrefsStatus::Missing: return "The preferences file was not found.";
    case PrefsStatus::Foreign: return "The preferences file is not one this program can read.";
    case PrefsStatus::Damaged: return "The preferences file is damaged.";
    case PrefsStatus::ReadFailed: return "The preferences file could not be read.";
    case PrefsStatus::WriteFailed: return "The preferences could not be saved.";
  }
  return "";
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

SavedSettings CaptureSavedSettings() {
  SavedSettings s;
  for (int n = 1; n <= kSavedPrefWords; ++n) s.words[n] = prefsArray[n];
  s.words[kPrefSoundLevel] = UserSoundLevel();
  for (int i = 0; i < kSchemeColours; ++i) s.colours[i] = *SchemeColour(i);
  s.FiO2 = FiO2;
  s.FiCO2 = FiCO2;
  s.flowconO = flowconO;
  s.flowconC = flowconC;
  s.DoSMOOTH = DoSMOOTH;
  s.AutoSS = AutoSS;
  s.SEP = SEP;
  s.ffch = ffch;
  s.DsLx = DsLx;
  s.MultiHist = MultiHist;
  s.TimeGridLimit = TimeGridLimit;
  s.DumpHist = static_cast<int16_t>(DumpHist);
  s.tabTime = tabTime;
  s.deltatime = deltatime;
  s.tabmass = tabmass;
  s.tabStart = tabStart;
  s.tabChan = tabChan;
  s.tabMode = tabMode;
  s.Note_1 = Note_1;
  s.Note_2 = Note_2;
  s.UseExcelFormat = UseExcelFormat;
  s.UseMultipleResults = UseMultipleResults;
  s.LastBaselineMarker = LastBaselineMarker;
  s.LastBaselineShift = LastBaselineShift;
  s.SteppedSampleInterval = SteppedSampleInterval;
  s.SteppedSampleSkip = SteppedSampleSkip;
  s.threshold = threshold;
  s.UpTrimLimit = UpTrimLimit;
  s.UpTrimValue = UpTrimValue;
  s.LowTrimLimit = LowTrimLimit;
  s.LowTrimValue = LowTrimValue;
  s.allometryA = CustomAllometry[1];
  s.allometryB = CustomAllometry[2];
  ThermoSettings& t = s.thermo;
  t.variableTb = variableTb;
  t.TbChange = TbChange;
  t.CalculationsCanUseTorpor = CalculationsCanUseTorpor;
  t.MinimumTorporTb = MinimumTorporTb;
  t.TorporEntryTime = TorporEntryTime;
  t.TorporQ10 = TorporQ10;
  t.ActiveTimeCostsOnly = ActiveTimeCostsOnly;
  t.DaytimeStart = DaytimeStart;
  t.DaytimeEnd = DaytimeEnd;
  t.TorporStartLag = TorporStartLag;
  t.TorporEndLag = TorporEndLag;
  t.DefaultTb = DefaultTb;
  t.ZeroEqualsMissingTemperatures = ZeroEqualsMissingTemperatures;
  t.replacementTb = replacementTb;
  t.BMRinWatts = BMRinWatts;
  t.dayActive = dayActive;
  s.latitude = latitude;
  s.longitude = longitude;
  return s;
}

void ApplySavedSettings(const SavedSettings& s) {
  for (int n = 1; n <= kSavedPrefWords; ++n) prefsArray[n] = s.words[n];
  prefsArray[kPickModeWord] = DefaultPrefWord(kPickModeWord);
  if (gQuietRun) {
    gQuietRunLevel = s.words[kPrefSoundLevel];
    prefsArray[kPrefSoundLevel] = 0;
  }
  for (int i = 0; i < kSchemeColours; ++i) *SchemeColour(i) = s.colours[i];
  FiO2 = s.FiO2;
  FiCO2 = s.FiCO2;
  flowconO = s.flowconO;
  flowconC = s.flowconC;
  DoSMOOTH = s.DoSMOOTH;
  AutoSS = s.AutoSS;
  SEP = s.SEP;
  ffch = s.ffch;
  DsLx = s.DsLx;
  MultiHist = s.MultiHist;
  TimeGridLimit = s.TimeGridLimit;
  DumpHist = static_cast<uint16_t>(s.DumpHist);
  tabTime = s.tabTime;
  deltatime = s.deltatime;
  tabmass = s.tabmass;
  tabStart = s.tabStart;
  tabChan = s.tabChan;
  tabMode = s.tabMode;
  Note_1 = s.Note_1;
  Note_2 = s.Note_2;
  UseExcelFormat = s.UseExcelFormat;
  UseMultipleResults = s.UseMultipleResults;
  LastBaselineMarker = s.LastBaselineMarker;
  LastBaselineShift = s.LastBaselineShift;
  SteppedSampleInterval = s.SteppedSampleInterval;
  SteppedSampleSkip = s.SteppedSampleSkip;
  threshold = s.threshold;
  UpTrimLimit = s.UpTrimLimit;
  UpTrimValue = s.UpTrimValue;
  LowTrimLimit = s.LowTrimLimit;
  LowTrimValue = s.LowTrimValue;
  CustomAllometry[1] = s.allometryA;
  CustomAllometry[2] = s.allometryB;
  const ThermoSettings& t = s.thermo;
  variableTb = t.variableTb;
  TbChange = t.TbChange;
  CalculationsCanUseTorpor = t.CalculationsCanUseTorpor;
  MinimumTorporTb = t.MinimumTorporTb;
  TorporEntryTime = t.TorporEntryTime;
  TorporQ10 = t.TorporQ10;
  ActiveTimeCostsOnly = t.ActiveTimeCostsOnly;
  DaytimeStart = t.DaytimeStart;
  DaytimeEnd = t.DaytimeEnd;
  TorporStartLag = t.TorporStartLag;
  TorporEndLag = t.TorporEndLag;
  DefaultTb = t.DefaultTb;
  ZeroEqualsMissingTemperatures = t.ZeroEqualsMissingTemperatures;
  replacementTb = t.replacementTb;
  BMRinWatts = t.BMRinWatts;
  dayActive = t.dayActive;
  latitude = s.latitude;
  longitude = s.longitude;
  northLatitude = latitude > 0.0f ? 1 : 0;
  westLongitude = longitude > 0.0f ? 1 : 0;
}

int RepairSavedSettings(SavedSettings& s) {
  const SavedSettings d = StartupSavedSettings();
  Repairer r;
  for (int n = 1; n <= kSavedPrefWords; ++n) {
    if (!WordValid(n, s.words[n])) {
      s.words[n] = d.words[n];
      ++r.count;
    }
  }
  // Percentages; a heat equivalent of 0 or less would zero or flip every result.
  r.within(s.FiO2, 0.0f, 100.0f, d.FiO2);
  r.within(s.FiCO2, 0.0f, 100.0f, d.FiCO2);
  r.above(s.flowconO, 0.0f, d.flowconO);
  r.above(s.flowconC, 0.0f, d.flowconC);
  r.flag(s.DoSMOOTH, d.DoSMOOTH);
  r.flag(s.AutoSS, d.AutoSS);
  r.flag(s.SEP, d.SEP);
  r.flag(s.ffch, d.ffch);
  r.flag(s.DsLx, d.DsLx);
  r.flag(s.MultiHist, d.MultiHist);
  r.flag(s.TimeGridLimit, d.TimeGridLimit);
  r.flag(s.DumpHist, d.DumpHist);
  r.flag(s.tabTime, d.tabTime);
  r.flag(s.deltatime, d.deltatime);
  r.flag(s.tabmass, d.tabmass);
  r.flag(s.tabStart, d.tabStart);
  r.flag(s.tabChan, d.tabChan);
  r.flag(s.tabMode, d.tabMode);
  r.flag(s.Note_1, d.Note_1);
  r.flag(s.Note_2, d.Note_2);
  r.flag(s.UseExcelFormat, d.UseExcelFormat);
  r.flag(s.UseMultipleResults, d.UseMultipleResults);
  if (s.LastBaselineMarker < 0 || s.LastBaselineMarker > 255) {
    s.LastBaselineMarker = d.LastBaselineMarker;
    ++r.count;
  }
  // A zero step would never advance through the file.
  r.above(s.SteppedSampleInterval, 0.0f, d.SteppedSampleInterval);
  r.atLeast(s.SteppedSampleSkip, 0.0f, d.SteppedSampleSkip);

  r.finite(s.threshold, d.threshold);
  r.finite(s.UpTrimLimit, d.UpTrimLimit);
  r.finite(s.UpTrimValue, d.UpTrimValue);
  r.finite(s.LowTrimLimit, d.LowTrimLimit);
  r.finite(s.LowTrimValue, d.LowTrimValue);
  r.finite(s.allometryA, d.allometryA);
  r.finite(s.allometryB, d.allometryB);

  ThermoSettings& t = s.thermo;
  const ThermoSettings& dt = d.thermo;
  r.flag(t.variableTb, dt.variableTb);
  r.flag(t.CalculationsCanUseTorpor, dt.CalculationsCanUseTorpor);
  r.flag(t.ActiveTimeCostsOnly, dt.ActiveTimeCostsOnly);
  r.flag(t.ZeroEqualsMissingTemperatures, dt.ZeroEqualsMissingTemperatures);
  r.flag(t.replacementTb, dt.replacementTb);
  r.flag(t.BMRinWatts, dt.BMRinWatts);
  r.flag(t.dayActive, dt.dayActive);
  r.finite(t.TbChange, dt.TbChange);
  r.finite(t.MinimumTorporTb, dt.MinimumTorporTb);
  r.atLeast(t.TorporEntryTime, 0.0f, dt.TorporEntryTime);
  r.within(t.TorporQ10, 1.0f, 5.0f, dt.TorporQ10);
  r.within(t.DaytimeStart, 0.0f, 24.0f, dt.DaytimeStart);
  r.within(t.DaytimeEnd, 0.0f, 24.0f, dt.DaytimeEnd);
  r.finite(t.TorporStartLag, dt.TorporStartLag);
  r.finite(t.TorporEndLag, dt.TorporEndLag);
  r.finite(t.DefaultTb, dt.DefaultTb);

  r.within(s.latitude, -90.0f, 90.0f, d.latitude);
  r.within(s.longitude, -180.0f, 180.0f, d.longitude);
  return r.count;
}

std::string EncodeSettings(const SavedSettings& s) {
  Writer w;
  w.raw(kSignature, sizeof kSignature);
  w.u16(kPrefsLayoutVersion);
  w.u16(kSavedPrefWords);
  for (int n = 1; n <= kSavedPrefWords; ++n) w.i16(s.words[n]);
  for (const plat::Rgb16& c : s.colours) w.rgb(c);
  for (float f : {s.FiO2, s.FiCO2, s.flowconO, s.flowconC}) w.f32(f);
  for (int16_t v : {s.DoSMOOTH, s.AutoSS, s.SEP, s.ffch, s.DsLx, s.MultiHist, s.TimeGridLimit,
                    s.DumpHist})
    w.i16(v);
  for (uint16_t v : {s.tabTime, s.deltatime, s.tabmass, s.tabStart, s.tabChan, s.tabMode,
                     s.Note_1, s.Note_2, s.UseExcelFormat, s.UseMultipleResults})
    w.u16(v);
  w.i16(s.LastBaselineMarker);
  w.i16(s.LastBaselineShift);
  w.f32(s.SteppedSampleInterval);
  w.f32(s.SteppedSampleSkip);

  for (float f : {s.threshold, s.UpTrimLimit, s.UpTrimValue, s.LowTrimLimit, s.LowTrimValue})
    w.f32(f);
  w.f32(s.allometryA);
  w.f32(s.allometryB);

  const ThermoSettings& t = s.thermo;
  w.u16(t.variableTb);
  w.f32(t.TbChange);
  w.u16(t.CalculationsCanUseTorpor);
  w.f32(t.MinimumTorporTb);
  w.f32(t.TorporEntryTime);
  w.f32(t.TorporQ10);
  w.u16(t.ActiveTimeCostsOnly);
  for (float f : {t.DaytimeStart, t.DaytimeEnd, t.TorporStartLag, t.TorporEndLag, t.DefaultTb})
    w.f32(f);
  for (uint16_t v : {t.ZeroEqualsMissingTemperatures, t.replacementTb, t.BMRinWatts, t.dayActive})
    w.u16(v);

  w.f32(s.latitude);
  w.f32(s.longitude);
  return w.take();
}

PrefsStatus DecodeSettings(const std::string& bytes, SavedSettings* out) {
  if (bytes.size() < 8 || bytes.compare(0, 4, kSignature, 4) != 0) return PrefsStatus::Foreign;
  Reader r(bytes);
  r.skip(4);
  if (r.u16() < 1) return PrefsStatus::Foreign;
  const int storedWords = r.u16();
  if (r.left() < static_cast<std::size_t>(storedWords) * 2 + kCoreTailBytes)
    return PrefsStatus::Damaged;

  const SavedSettings d = StartupSavedSettings();
  SavedSettings s = d;
  for (int n = 1; n <= storedWords; ++n) {
    const int16_t v = r.i16();
    if (n <= kSavedPrefWords) s.words[n] = v;
  }
  for (plat::Rgb16& c : s.colours) c = r.rgb();
  for (float* f : {&s.FiO2, &s.FiCO2, &s.flowconO, &s.flowconC}) *f = r.f32();
  for (int16_t* v : {&s.DoSMOOTH, &s.AutoSS, &s.SEP, &s.ffch, &s.DsLx, &s.MultiHist,
                     &s.TimeGridLimit, &s.DumpHist})
    *v = r.i16();
  for (uint16_t* v : {&s.tabTime, &s.deltatime, &s.tabmass, &s.tabStart, &s.tabChan, &s.tabMode,
                      &s.Note_1, &s.Note_2, &s.UseExcelFormat, &s.UseMultipleResults})
    *v = r.u16();
  s.LastBaselineMarker = r.i16();
  s.LastBaselineShift = r.i16();
  s.SteppedSampleInterval = r.f32();
  s.SteppedSampleSkip = r.f32();

  // Trailing groups: the first one cut short ends the reading.
  if (r.left() >= kGroupABytes) {
    for (float* f : {&s.threshold, &s.UpTrimLimit, &s.UpTrimValue, &s.LowTrimLimit, &s.LowTrimValue})
      *f = r.f32();
    if (r.left() >= kGroupBBytes) {
      s.allometryA = r.f32();
      s.allometryB = r.f32();
      if (r.left() >= kGroupCBytes) {
        ThermoSettings& t = s.thermo;
        t.variableTb = r.u16();
        t.TbChange = r.f32();
        t.CalculationsCanUseTorpor = r.u16();
        t.MinimumTorporTb = r.f32();
        t.TorporEntryTime = r.f32();
        t.TorporQ10 = r.f32();
        t.ActiveTimeCostsOnly = r.u16();
        for (float* f : {&t.DaytimeStart, &t.DaytimeEnd, &t.TorporStartLag, &t.TorporEndLag,
                         &t.DefaultTb})
          *f = r.f32();
        for (uint16_t* v : {&t.ZeroEqualsMissingTemperatures, &t.replacementTb, &t.BMRinWatts,
                            &t.dayActive})
          *v = r.u16();
        if (r.left() >= kGroupDBytes) {
          s.latitude = r.f32();
          s.longitude = r.f32();
        }
      }
    }
  }
  *out = s;
  return PrefsStatus::Ok;
}

PrefsStatus GetSettings(const std::filesystem::path& file, int* repaired) {
  if (repaired) *repaired = 0;
  std::string bytes;
  PrefsStatus st = ReadWhole(file, &bytes);
  if (st != PrefsStatus::Ok) return st;
  SavedSettings s;
  st = DecodeSettings(bytes, &s);
  if (st != PrefsStatus::Ok) return st;
  const int fixes = RepairSavedSettings(s);
  if (repaired) *repaired = fixes;
  ApplySavedSettings(s);
  gFileSpike = SpikeOf(s);
  gFileSpikeKnown = true;
  return PrefsStatus::Ok;
}

PrefsStatus SaveSettings(const std::filesystem::path& file) {
  SavedSettings s = CaptureSavedSettings();
  const bool spikeAsTheyAre = prefsArray[kSpikeFlagWord] != 0;
  if (!spikeAsTheyAre) PutSpike(s, gFileSpikeKnown ? gFileSpike : SpikeOf(StartupSavedSettings()));
  if (!ReplaceFile(file, EncodeSettings(s))) return PrefsStatus::WriteFailed;
  gFileSpike = SpikeOf(s);
  gFileSpikeKnown = true;
  return PrefsStatus::Ok;
}

void ForgetFileSpikeSettings() { gFileSpikeKnown = false; }

void BeginQuietSoundRun() {
  if (gQuietRun) return;
  gQuietRun = true;
  gQuietRunLevel = prefsArray[kPrefSoundLevel];
  prefsArray[kPrefSoundLevel] = 0;
}

void EndQuietSoundRun() {
  if (!gQuietRun) return;
  gQuietRun = false;
  prefsArray[kPrefSoundLevel] = gQuietRunLevel;
}

bool QuietSoundRunActive() { return gQuietRun; }

int16_t UserSoundLevel() { return gQuietRun ? gQuietRunLevel : prefsArray[kPrefSoundLevel]; }
