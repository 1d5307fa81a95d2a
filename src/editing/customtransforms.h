// Saved custom transforms: the 114-byte big-endian records of
// "CMCustomTransforms" (name, channels, code, constants, polynomial), their
// checks, and the rewrites of the file. The codec is pure over bytes; the
// file functions read a whole file and write through SafeFileWriter.
#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "editing/transforms.h"

inline constexpr size_t kCustomRecordBytes = 114;
inline constexpr int kMaxCustomTransforms = 40;
inline constexpr size_t kCustomNameLength = 48;
inline constexpr char kCustomTransformsFile[] = "CMCustomTransforms";
inline constexpr char kTransformsBackupFile[] = "TransformsBackup";

struct CustomTransform {
  std::string name;  // Mac Roman, kept as 48 blank-padded characters
  int16_t chan1 = 0, chan2 = 0, code = 0, makeNewChan = 0;
  float a = 0, b = 0, exponent = 0;
  int16_t aux = 0, item1 = 0, polyDegree = 0;
  float constant = 0;
  float coefficients[9] = {};  // x^1..x^9
};

// The name cut to 48 characters or padded with blanks to 48.
std::string CustomName(std::string_view typed);

void EncodeCustomTransform(const CustomTransform& t, uint8_t (&out)[kCustomRecordBytes]);
CustomTransform DecodeCustomTransform(const uint8_t* record);

// A record that can be applied: code 1..69, degree 1..9 with code 2, every
// number finite, breakpoint types that a whole type can be read from.
bool UsableCustomTransform(const CustomTransform& t);

// The engine's settings of a saved transform (recorded as `index`).
TransformSettings CustomTransformSettings(const CustomTransform& t, int16_t index);
// The record saved from the dialog's settings under `name`.
CustomTransform CustomTransformFromSettings(const TransformSettings& s, std::string_view name);

struct CustomTransformList {
  std::vector<CustomTransform> entries;  // usable records among the first 40, file order
  std::vector<int16_t> index;            // entries[i] is record index[i] (1-based) of the file
  int damaged = 0;                       // records among the first 40 not listed
  bool shortTail = false;                // the file ends inside a record (not listed)
  int records = 0;                       // whole records in the file
};
CustomTransformList ListCustomTransforms(std::span<const uint8_t> file);

// What of the file cannot be listed, said once when it is read: damaged
// records, a partial record at the end, records past the 40th; "" when none.
std::string CustomTransformDamageText(const CustomTransformList& list);

// File rewrites, as bytes: records are whole, a short tail is dropped.
// Replace record k (1-based): only its bytes change. Delete: the records
// whose indices are in `gone` go, every other record stays (beyond the 40th
// too). Append: refused (false) at 40 records.
bool ReplaceCustomRecord(std::vector<uint8_t>& file, int k, const CustomTransform& t);
void DeleteCustomRecords(std::vector<uint8_t>& file, std::span<const int16_t> gone);
bool AppendCustomRecord(std::vector<uint8_t>& file, const CustomTransform& t);

// The whole file; a missing file is empty. False on a read error.
bool ReadCustomTransformsFile(const std::filesystem::path& path, std::vector<uint8_t>* bytes);
// Written to a temporary name, then renamed over `path`.
bool WriteCustomTransformsFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
