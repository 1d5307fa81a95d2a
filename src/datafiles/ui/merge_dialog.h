// Merging a second native file into the current one (File > Append or Stack
// > "Orrelin File…", and the toolbar's Append and Stack): the file dialog,
// the append-or-stack question, the re-sampling offer when the intervals
// differ, the channel picker, then the merge itself.
#pragma once
#include <cstdint>
#include <filesystem>

inline constexpr int16_t kMergeModeWindow = 11;
inline constexpr int16_t kMergeAppend = 1;
inline constexpr int16_t kMergeStack = 2;
inline constexpr int16_t kMergeModeCancel = 3;

inline constexpr int16_t kChannelPickerWindow = 12;   // check box k = incoming channel k
inline constexpr int16_t kPickerAll = 101;
inline constexpr int16_t kPickerNone = 102;
inline constexpr int16_t kPickerMerge = 103;
inline constexpr int16_t kPickerCancel = 104;

inline constexpr int16_t kResampleWindow = 13;
inline constexpr int16_t kResampleOK = 1;
inline constexpr int16_t kResampleCancel = 2;

inline constexpr int32_t kHelpMerge = 6;

// The "Too Many Cases" warning for a re-sampling that would pass 7,000,000
// cases: flag 1 from the time-scale command ("Pick a lower sample rate."),
// 0 from a merge.
void TimeScaleWarning(int16_t flag);

// The merge command; the open command hands it the picks that have
// MergeThisFile set. Clears MergeThisFile, appendONLY and stackONLY.
void MERGEFILE();
// The merge of a chosen file into TheFileInUse, with every question. 0 when
// the file was merged, 1 when not (cancelled, or refused with an alert; the
// current file is then exactly as it was).
int16_t MergeDataFile(const std::filesystem::path& path);
