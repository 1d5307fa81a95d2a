#include "editing/customtransforms.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "shell/safewrite.h"

namespace {

void putI16(uint8_t* p, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  p[0] = static_cast<uint8_t>(u >> 8);
  p[1] = static_cast<uint8_t>(u);
}
void putF32(uint8_t* p, float v) {
  const auto u = std::bit_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (24 - 8 * i));
}
int16_t getI16(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] << 8 | p[1])); }
float getF32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u = u << 8 | p[i];
  return std::bit_cast<float>(u);
}

size_t wholeRecords(const std::vector<uint8_t>& file) { return file.size() / kCustomRecordBytes; }

}  // namespace

std::string CustomName(std::string_view typed) {
  std::string n(typed.substr(0, kCustomNameLength));
  n.resize(kCustomNameLength, ' ');
  return n;
}

void EncodeCustomTransform(const CustomTransform& t, uint8_t (&out)[kCustomRecordBytes]) {
  const std::string name = CustomName(t.name);
  std::memcpy(out, name.data(), kCustomNameLength);
  putI16(out + 48, t.chan1);
  putI16(out + 50, t.chan2);
  putI16(out + 52, t.code);
  putI16(out + 54, t.makeNewChan);
  putF32(out + 56, t.a);
  putF32(out + 60, t.b);
  putF32(out + 64, t.exponent);
  putI16(out + 68, t.aux);
  putI16(out + 70, t.item1);
  putI16(out + 72, t.polyDegree);
  putF32(out + 74, t.constant);
  for (int k = 0; k < 9; ++k) putF32(out + 78 + 4 * k, t.coefficients[k]);
}

CustomTransform DecodeCustomTransform(const uint8_t* r) {
  CustomTransform t;
  t.name.assign(reinterpret_cast<const char*>(r), kCustomNameLength);
  t.chan1 = getI16(r + 48);
  t.chan2 = getI16(r + 50);
  t.code = getI16(r + 52);
  t.makeNewChan = getI16(r + 54);
  t.a = getF32(r + 56);
  t.b = getF32(r + 60);
  t.exponent = getF32(r + 64);
  t.aux = getI16(r + 68);
  t.item1 = getI16(r + 70);
  t.polyDegree = getI16(r + 72);
  t.constant = getF32(r + 74);
  for (int k = 0; k < 9; ++k) t.coefficients[k] = getF32(r + 78 + 4 * k);
  return t;
}

bool UsableCustomTransform(const CustomTransform& t) {
  if (t.code < 1 || t.code > 69) return false;
  if (t.code == 2 && (t.polyDegree < 1 || t.polyDegree > 9)) return false;
  if (!std::isfinite(t.a) || !std::isfinite(t.b) || !std::isfinite(t.exponent) || !std::isfinite(t.constant))
    return false;
  if (t.code == 20 && !BreakpointTypesValid(CustomTransformSettings(t, 0).breakpoint)) return false;
  return std::all_of(std::begin(t.coefficients), std::end(t.coefficients), [](float c) { return std::isfinite(c); });
}

TransformSettings CustomTransformSettings(const CustomTransform& t, int16_t index) {
  TransformSettings s;
  s.code = t.code;
  s.chan1 = t.chan1;
  s.chan2 = t.chan2;
  s.makeNewChan = t.makeNewChan != 0;
  s.a = t.a;
  s.b = t.b;
  s.exponent = t.exponent;
  s.aux = t.aux;
  s.item1 = t.item1;
  s.customIndex = index;
  if (t.code == 20) {
    // The breakpoint's nine values travel in the polynomial slots.
    Breakpoint& b = s.breakpoint;
    float* v[9] = {&b.value, &b.lowerType, &b.lowerA, &b.lowerB, &b.lowerC, &b.upperType, &b.upperA, &b.upperB, &b.upperC};
    for (int k = 0; k < 9; ++k) *v[k] = t.coefficients[k];
    return s;
  }
  s.polyDegree = std::clamp<int16_t>(t.polyDegree, 0, 9);
  s.polyVal[10] = t.constant;
  for (int k = 1; k <= 9; ++k) s.polyVal[k] = t.coefficients[k - 1];
  return s;
}

CustomTransform CustomTransformFromSettings(const TransformSettings& s, std::string_view name) {
  CustomTransform t;
  t.name = CustomName(name);
  t.chan1 = s.chan1;
  t.chan2 = s.chan2;
  t.code = s.code;
  t.makeNewChan = s.makeNewChan ? 1 : 0;
  t.a = s.a;
  t.b = s.b;
  t.exponent = s.exponent;
  t.aux = s.aux;
  t.item1 = s.item1;
  if (s.code == 20) {
    const Breakpoint& b = s.breakpoint;
    const float v[9] = {b.value, b.lowerType, b.lowerA, b.lowerB, b.lowerC, b.upperType, b.upperA, b.upperB, b.upperC};
    std::copy(v, v + 9, t.coefficients);
    return t;
  }
  t.polyDegree = s.polyDegree;
  t.constant = s.polyVal[10];
  for (int k = 1; k <= 9; ++k) t.coefficients[k - 1] = s.polyVal[k];
  return t;
}

CustomTransformList ListCustomTransforms(std::span<const uint8_t> file) {
  CustomTransformList list;
  list.records = static_cast<int>(file.size() / kCustomRecordBytes);
  list.shortTail = file.size() % kCustomRecordBytes != 0;
  const int n = std::min(list.records, kMaxCustomTransforms);
  for (int k = 0; k < n; ++k) {
    CustomTransform t = DecodeCustomTransform(file.data() + k * kCustomRecordBytes);
    if (!UsableCustomTransform(t)) {
      ++list.damaged;
      continue;
    }
    list.entries.push_back(std::move(t));
    list.index.push_back(static_cast<int16_t>(k + 1));
  }
  return list;
}

std::string CustomTransformDamageText(const CustomTransformList& list) {
  std::string text;
  if (list.damaged > 0)
    text = "The custom transforms file is damaged: " + std::to_string(list.damaged) +
           (list.damaged == 1 ? " record was" : " records were") + " skipped and cannot be used.";
  if (list.shortTail) {
    if (!text.empty()) text += ' ';
    // Rewrites keep whole records only: the tail goes at the next save.
    text += "The file ends inside a record; that partial record cannot be used and will be dropped when the file "
            "is next saved.";
  }
  if (list.records > kMaxCustomTransforms) {
    if (!text.empty()) text += ' ';
    const int beyond = list.records - kMaxCustomTransforms;
    text += "Only the first 40 saved transforms can be listed: " + std::to_string(beyond) +
            (beyond == 1 ? " record after them is" : " records after them are") + " kept in the file but not shown.";
  }
  return text;
}

bool ReplaceCustomRecord(std::vector<uint8_t>& file, int k, const CustomTransform& t) {
  if (k < 1 || static_cast<size_t>(k) > wholeRecords(file)) return false;
  file.resize(wholeRecords(file) * kCustomRecordBytes);
  uint8_t rec[kCustomRecordBytes];
  EncodeCustomTransform(t, rec);
  std::copy(rec, rec + kCustomRecordBytes, file.begin() + (k - 1) * kCustomRecordBytes);
  return true;
}

void DeleteCustomRecords(std::vector<uint8_t>& file, std::span<const int16_t> gone) {
  std::vector<uint8_t> kept;
  const size_t n = wholeRecords(file);
  for (size_t k = 0; k < n; ++k) {
    if (std::find(gone.begin(), gone.end(), static_cast<int16_t>(k + 1)) != gone.end()) continue;
    kept.insert(kept.end(), file.begin() + k * kCustomRecordBytes, file.begin() + (k + 1) * kCustomRecordBytes);
  }
  file = std::move(kept);
}

bool AppendCustomRecord(std::vector<uint8_t>& file, const CustomTransform& t) {
  if (wholeRecords(file) >= static_cast<size_t>(kMaxCustomTransforms)) return false;
  file.resize(wholeRecords(file) * kCustomRecordBytes);
  uint8_t rec[kCustomRecordBytes];
  EncodeCustomTransform(t, rec);
  file.insert(file.end(), rec, rec + kCustomRecordBytes);
  return true;
}

bool ReadCustomTransformsFile(const std::filesystem::path& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return !ec;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteCustomTransformsFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  SafeFileWriter w;
  if (!w.open(path)) return false;
  if (!bytes.empty() && !w.write(bytes.data(), bytes.size())) return false;
  return w.commit();
}
