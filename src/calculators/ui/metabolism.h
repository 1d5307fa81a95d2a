// "Resting Metabolism Estimates" by allometry and the Q10 adjustment.
#pragma once
#include <cstdint>

inline constexpr int16_t kBmrAField = 111, kBmrMassField = 112, kBmrExponentField = 113;
inline constexpr int16_t kBmrBaseTField = 114, kBmrRealTField = 115, kBmrQ10Field = 116, kBmrResult = 117;
inline constexpr int16_t kBmrCompute = 2, kBmrDone = 3, kBmrHelp = 4, kBmrStore = 21, kBmrSave = 22;
inline constexpr int16_t kBmrGrams = 30, kBmrKilograms = 31;
// The taxon pop-up shows group menu 51 or one of the taxon menus 52..57.
inline constexpr int16_t kBmrTaxonPopup = 60;
inline constexpr int16_t kBmrUnitPopup = 58;

inline constexpr int16_t kQ10Field = 111, kQ10BaseTField = 112, kQ10AdjustedTField = 113;
inline constexpr int16_t kQ10BaseValueField = 114, kQ10AdjustedValueField = 115;
inline constexpr int16_t kQ10ComputeAdjusted = 1, kQ10ComputeQ10 = 2, kQ10Done = 3, kQ10Help = 4;

void METABOLISM();
void Q10adjust();
