#include "datafiles/save.h"

#include <algorithm>
#include <new>
#include <string>

#include "datafiles/native_binary.h"
#include "shell/safewrite.h"
#include "datafiles/timescale.h"
#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

int16_t TimeUnits = 0;

namespace {

// saveFPBinary writes TheFileInUse; a save of another slot borrows it.
class CurrentFile {
 public:
  explicit CurrentFile(int16_t slot) : saved_(TheFileInUse) { TheFileInUse = static_cast<uint16_t>(slot); }
  ~CurrentFile() { TheFileInUse = saved_; }
  CurrentFile(const CurrentFile&) = delete;
  CurrentFile& operator=(const CurrentFile&) = delete;

 private:
  uint16_t saved_;
};

FileStatus writeNative(int16_t slot, const std::filesystem::path& path, int32_t first, int32_t last, int* errnoOut) {
  CurrentFile current(slot);
  return saveFPBinary(path, first, last, last - first, nChannels[slot], StartDate[slot], StartTime[slot], errnoOut);
}

double unitSeconds(int16_t timeUnits) {
  return timeUnits == 1 ? 60.0 : timeUnits == 2 ? 3600.0 : 1.0;
}

const char* unitHeading(int16_t timeUnits) {
  return timeUnits == 1 ? "(min) " : timeUnits == 2 ? "(hours) " : "(sec) ";
}

}  // namespace

const char* SaveFormatExtension(SaveFormat f) {
  switch (f) {
    case SaveFormat::CommaText: return "csv";
    case SaveFormat::TabText: return "xls";
    default: return kNativeExtension;
  }
}

bool SlotIsNativeFile(int16_t slot) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || FilePath[slot].empty()) return false;
  return DetectDataFileKind(FilePath[slot]) == DetectedKind::Native;
}

std::string NameWithExtension(std::string_view name, std::string_view ext) {
  std::string base(name);
  const size_t dot = base.rfind('.');
  // A leading dot names a hidden file, not an extension.
  if (dot != std::string::npos && dot > 0 && base.find('/', dot) == std::string::npos) base.resize(dot);
  if (base.empty()) base = "Untitled";
  return base + "." + std::string(ext);
}

void SaveRange(int16_t slot, bool blockOnly, int32_t* first, int32_t* last) {
  *first = 0;
  *last = SlotHoldsFile(slot) ? nCases[slot] : 0;
  if (blockOnly && SlotHoldsFile(slot) && FileSHORTS[slot][kShortBlockState] == 2) {
    const int32_t b = std::clamp(std::min(BeginBlock[slot], EndBlock[slot]), 1, nCases[slot]);
    const int32_t e = std::clamp(std::max(BeginBlock[slot], EndBlock[slot]), 1, nCases[slot]);
    *first = b - 1;
    *last = e;
  }
}

bool SaveIsWholeFile(int16_t slot, const SaveChoice& choice) {
  if (choice.format != SaveFormat::NativeBinary || !SlotHoldsFile(slot)) return false;
  int32_t first = 0, last = 0;
  SaveRange(slot, choice.blockOnly, &first, &last);
  if (first != 0 || last != nCases[slot]) return false;
  for (int16_t c = 1; c <= nChannels[slot]; ++c)
    if (OverlayArray[slot][2][c] == 0) return false;
  return true;
}

FileStatus SaveSlotAs(int16_t slot, const std::filesystem::path& path, const SaveChoice& choice,
                      const SaveProgress& progress, int* errnoOut) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return FileStatus::BadRange;
  int32_t first = 0, last = 0;
  SaveRange(slot, choice.blockOnly, &first, &last);
  const int32_t total = last - first;
  if (progress) progress(0, total);
  FileStatus st;
  if (choice.format == SaveFormat::NativeBinary) {
    const bool whole = SaveIsWholeFile(slot, choice);
    // The slot's new name is made before the file is written: once it is,
    // nothing may fail, or the file would be saved under a name the slot
    // does not know.
    std::string name, where;
    if (whole) {
      try {
        name = plat::utf8ToMacRoman(path.filename().string());
        where = path.string();
      } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
      }
    }
    st = writeNative(slot, path, first, last, errnoOut);
    if (st == FileStatus::Ok && whole) {
      FileName[slot].swap(name);
      FilePath[slot].swap(where);
      FileSHORTS[slot][kShortChanged] = 0;
    }
  } else {
    TextExportOptions opt = choice.text;
    opt.format = choice.format == SaveFormat::TabText ? TextExportFormat::Tab : TextExportFormat::Comma;
    opt.first = first;
    opt.last = last;
    st = WriteTextExport(path, TextSourceOfSlot(slot), opt,
                         [&](int32_t done) {
                           if (progress) progress(done, total);
                         },
                         errnoOut);
  }
  if (progress && st == FileStatus::Ok) progress(total, total);
  return st;
}

FileStatus SaveSlotInPlace(int16_t slot, int* errnoOut) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return FileStatus::BadRange;
  if (FilePath[slot].empty()) return FileStatus::CannotOpen;
  // Every channel is written; the user's choice for other saves comes back
  // however the write ends.
  struct Chosen {
    uint16_t* flags;
    uint16_t saved[kOverlayFlags];
    explicit Chosen(uint16_t* f) : flags(f) { std::copy(f, f + kOverlayFlags, saved); }
    ~Chosen() { std::copy(saved, saved + kOverlayFlags, flags); }
  } chosen(OverlayArray[slot][2]);
  for (int16_t c = 1; c <= nChannels[slot]; ++c) OverlayArray[slot][2][c] = 1;
  const FileStatus st = writeNative(slot, FilePath[slot], 0, nCases[slot], errnoOut);
  if (st == FileStatus::Ok) FileSHORTS[slot][kShortChanged] = 0;
  return st;
}

// ---- The compacted series ------------------------------------------------------

int32_t CompactedGroupCount(int32_t cases, int32_t groupSize) {
  if (groupSize < 1 || cases < 1) return 0;
  const int32_t whole = cases / groupSize;
  const int32_t left = cases - whole * groupSize;
  // A single case left over gets no group of its own, so no row either.
  const int32_t groups = whole + (left >= 2 ? 1 : 0);
  return std::min(groups, ParseArray.cols());
}

std::string EncodeCompactedSeries(int16_t slot, int32_t n, int16_t timeUnits) {
  if (!SlotHoldsFile(slot) || n < 1) return {};
  std::vector<int16_t> chosen;
  for (int16_t c = 1; c <= std::min<int16_t>(nChannels[slot], kMaxChannels); ++c)
    if (OverlayArray[slot][2][c] != 0) chosen.push_back(c);

  std::string s = "Time ";
  s += unitHeading(timeUnits);
  for (int16_t c : chosen) {
    s += '\t';
    s += plat::macRomanToUtf8(TrimTrailingBlanks(RetrieveLabelOf(slot, c)));
    s += "\tS.D.";
  }
  s += '\n';

  const int32_t cases = nCases[slot];
  const int32_t groups = std::min(CompactedGroupCount(cases, n), parse[1]);
  const int32_t whole = cases / n;
  const double interval = DecimalValue(FileInfoFLOATS[slot][kInfoInterval]);
  const double unit = unitSeconds(timeUnits);
  for (int32_t g = 0; g < groups; ++g) {
    // The partial group's middle lies within its own few cases.
    const double middle = g < whole ? (g + 0.5) * n : whole * static_cast<double>(n) + (cases - whole * n) / 2.0;
    s += FieldNumText(middle * interval / unit);
    for (int16_t c : chosen) {
      s += '\t';
      s += FieldNumText(ParseArray.get(c, g));
      s += '\t';
      s += FieldNumText(ParseArray.get(c + kMaxChannels, g));
    }
    s += '\n';
  }
  return s;
}

bool saveParse(SafeFileWriter& out) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const std::string table = EncodeCompactedSeries(slot, parse[0], TimeUnits);
  return !table.empty() && out.write(table.data(), table.size());
}
