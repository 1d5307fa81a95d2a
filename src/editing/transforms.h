// Calibration transforms and unit conversions over a work copy of a channel,
// the label a conversion proposes, the texts of the log and of the pick
// lists, and the script step of a transform. Pure functions over plain
// arrays; the dialog keeps, cancels and labels the result.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int16_t kTransformOp = 11;
inline constexpr int kConversionItems = 31;
inline constexpr int16_t kFirstConversionCode = 40;

// The breakpoint calibration (code 20): inputs below `value` take the lower
// equation. Types: 1 a + b x; 2 a + b x + c x^2; 3 a + b x^c (x <= 0 an
// error); 4 a + b e^(c x); any other type leaves the case as it is.
struct Breakpoint {
  float value = 1.0f;
  float lowerType = 1, lowerA = 0, lowerB = 1, lowerC = 0;
  float upperType = 1, upperA = 0, upperB = 1, upperC = 0;
};
// Both types are numbers a whole type can be read from: a damaged script
// step or saved record may hold NaN or a value no integer holds.
bool BreakpointTypesValid(const Breakpoint& b);

// One transform: the dialog's state, the engine's input and the script step.
struct TransformSettings {
  int16_t code = 17;
  int16_t chan1 = 1;         // source channel
  int16_t chan2 = 0;         // second channel of codes 22..26
  bool makeNewChan = false;  // result into a new last channel
  // Constant A; codes 40..61 the factor; 18 dT and 26 Tref (degC); 66 the
  // temperature (degC); 67 the barometric pressure (torr); 68, 69 the mass (g).
  float a = 0.0f;
  float b = 0.0f;         // B of code 5; the Q10 of codes 18 and 26 (<= 0 reads as 1)
  float exponent = 0.0f;  // codes 5 and 16
  bool multiply = false, divide = false;  // codes 22..25
  int16_t aux = 0;        // 44 or 45 after a polynomial set-up
  int16_t item1 = 17;     // the transform list's shown item
  int16_t polyDegree = 0; // code 2: 1..9
  float polyVal[11] = {}; // [1..9] coefficients of x^1..x^9, [10] the constant
  Breakpoint breakpoint;
  int16_t customIndex = 0;
};

struct TransformOutcome {
  bool ran = false;    // false: nothing was transformed (code 8 with A = 0)
  bool error = false;  // some case lay outside the domain (written as 0), or the division was dropped
};

// Transforms work[first..last] in place (first <= last, inside the array);
// chan2 (codes 22..26) is read at the same cases. Any case whose result is
// not finite is written as 0 and counts as an error. Codes without a
// transform leave the cases alone.
TransformOutcome ApplyTransform(float* work, const float* chan2, int32_t first, int32_t last,
                                const TransformSettings& s);

// One conversion of the conversion list (items 1..31, code = item + 39).
struct Conversion {
  const char* oldUnit;     // "" when the label is not rewritten
  const char* newUnit;
  float factor;            // 0 for the items with their own field
  const char* description; // the pick list's and the log's text
};
const Conversion& ConversionItem(int item);

// "Z-transform", "polynomial", ...; "" for a code without a name.
const char* TransformTypeName(int16_t code);
// The log words after the channel heading: "transformation # 5: ..." or
// "conversion # 21: ...". aText, bText and eText are the number texts of
// A, B and the exponent; dT/Q10 texts for code 18 come in aText and bText.
std::string TransformLogText(const TransformSettings& s, const std::string& aText, const std::string& bText,
                             const std::string& eText);

// The label the dialog proposes after a run: codes 40..66 replace the first
// `oldUnit` in `label` by `newUnit`; 68 and 69 trim trailing blanks down to
// one and add "/g" or "/Kg" when the label stays below 28 characters.
std::string FixTransformLabel(int16_t code, std::string_view label, std::string_view oldUnit,
                              std::string_view newUnit);

// Script step (fields 1..27 of 28): 4 code, 5 chan2, 7 new channel, 8 A,
// 9 B, 10 exponent, 11 chan1, 14 aux, 15 item1, 16 degree, 17 constant,
// 18.. coefficients (code 20: the nine breakpoint values), 27 custom index.
void TransformToStep(const TransformSettings& s, float (&step)[28]);
TransformSettings TransformFromStep(const float (&step)[28]);
