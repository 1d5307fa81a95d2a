// Result scaling: each channel's results may be reported as offset + k * v,
// k being the factor or its reciprocal. The arithmetic and the field rules
// of the "Scaling Factors for Results" dialog, without the dialog.
//
// The per-channel records live in `scalefact` (shell/worktables.h):
// element 1 the operation (0 divide, anything else multiply), 2 the factor,
// 3 the offset; `Rscale` (output/results.h) switches scaling on.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kScaleOpElement = 1;
inline constexpr int kScaleFactorElement = 2;
inline constexpr int kScaleOffsetElement = 3;

// Elements 1..3 of one channel's record.
struct ScalingEntry {
  float op = 1.0f;       // 0 divide, else multiply
  float factor = 1.0f;
  float offset = 0.0f;
  friend bool operator==(const ScalingEntry&, const ScalingEntry&) = default;
};
// "Clear All": divide by 1, offset 0 (the results come out unchanged).
inline constexpr ScalingEntry kClearedScaling{0.0f, 1.0f, 0.0f};

// What is applied to a result: a value v shows as offset + k * v; a
// standard deviation or error as k * v.
struct ResultScale {
  double k = 1.0;
  double offset = 0.0;
  friend bool operator==(const ResultScale&, const ResultScale&) = default;
};

// The scaling pair of an entry. A factor of 0 (or one that is not finite)
// counts as no scaling: k = 1 for either operation, so an empty or mistyped
// factor field can never turn every result into 0, infinity or NaN. The
// offset still applies.
ResultScale ScaleOfEntry(const ScalingEntry& e);
// The pair in force for a channel: (k 1, offset 0) while scaling is off or
// for a channel outside 1..32, else ScaleOfEntry of its `scalefact` record.
ResultScale ResultScaleFor(bool rscale, const ScalingEntry& e);
ResultScale ResultScaleOf(int16_t channel, bool rscale);
// The same from the globals `Rscale` and `scalefact`.
ResultScale CurrentResultScale(int16_t channel);

inline double ScaledValue(const ResultScale& s, double v) { return s.offset + s.k * v; }
inline double ScaledSpread(const ResultScale& s, double v) { return s.k * v; }

// ---- `scalefact` records ---------------------------------------------------------
// Channel 1..32; a default entry for any other channel.
ScalingEntry ScalingEntryOf(int16_t channel);
// Ignored for a channel outside 1..32. Elements 4..7 are left alone.
void StoreScalingEntry(int16_t channel, const ScalingEntry& e);
// Start-up values (multiply, 1, 0) for channels 1..32.
void ResetAllScaling();

// ---- The dialog's rules ------------------------------------------------------------
// Ids of the dialog (window 6).
inline constexpr int16_t kScaleDivideButtonBase = 0;     // + channel: divide
inline constexpr int16_t kScaleMultiplyButtonBase = 32;  // + channel: multiply
inline constexpr int16_t kScaleLabelFieldBase = 200;     // + channel
inline constexpr int16_t kScaleFactorFieldBase = 100;    // + channel
inline constexpr int16_t kScaleOffsetFieldBase = 132;    // + channel
inline constexpr int16_t kScaleClearAllButton = 234;
inline constexpr int16_t kScaleDoneButton = 233;

// Which operation button shows marked: none for a factor of exactly 1.0
// (whatever the operation), else the multiply or the divide button.
enum class ScalingMark : int8_t { None, Multiply, Divide };
ScalingMark ScalingMarkOf(const ScalingEntry& e);

// A click on button id 1..64 of the dialog: the channel it belongs to and
// the operation it selects. channel 0 for any other id.
struct OperationClick {
  int16_t channel = 0;
  bool multiply = false;
};
OperationClick OperationOfButton(int16_t id);
// The operation element after the click: 1.0 multiply, 0.0 divide.
inline float OperationElement(bool multiply) { return multiply ? 1.0f : 0.0f; }
// The text an offered value puts into the factor field: the value rounded to
// f32, as edit fields show numbers (no leading blank, every digit the float
// needs, so that reading it back at Done gives the same factor). Empty when
// offered is 0: the field keeps what it shows.
std::string OfferedFactorText(double offered);
// A number as the factor and offset fields show it.
std::string ScalingFieldText(float v);

// Reading the fields when the dialog ends. A text that is not a number keeps
// the previous value, and a factor of 0 is refused (keeping the previous
// factor) since it cannot scale anything; `refused` tells the caller to
// sound "bzot". The operation is taken from `current` as the clicks left it.
struct ScalingFieldsRead {
  ScalingEntry entry;
  bool factorRefused = false;
  bool offsetRefused = false;
  bool refused() const { return factorRefused || offsetRefused; }
};
ScalingFieldsRead ReadScalingFields(const ScalingEntry& current, std::string_view factorText,
                                    std::string_view offsetText);

// A whole finite number with optional blanks around it and an optional sign;
// false for anything else ("", "abc", "1.2.3", "inf").
bool ParseFieldNumber(std::string_view text, double* value);

// Extra window height for more than 12 channels: 22 * n - 264, else 0.
int16_t ScalingWindowExtraHeight(int16_t nChannels);
