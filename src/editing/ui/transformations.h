// "Transformations and Conversions": a calibration transform or a unit
// conversion run over a channel or the block into a pending result, kept in
// place or in a new channel, chained, or cancelled; script operation 11.
#pragma once
#include <cstdint>

inline constexpr int16_t kTransformHelp = 179;
// Pop-up menus of the dialog: transforms, conversions, custom transforms.
inline constexpr int16_t kTransformMenu = 44;
inline constexpr int16_t kConversionMenu = 46;
inline constexpr int16_t kCustomMenu = 141;

inline constexpr int16_t kTrLabelField = 204;
inline constexpr int16_t kTrField1 = 201, kTrField2 = 202, kTrField3 = 203;
inline constexpr int16_t kTrBlockValue = 205;
inline constexpr int16_t kTrAll = 156, kTrBlock = 134;
inline constexpr int16_t kTrTransformPopup = 144, kTrConversionPopup = 146, kTrCustomPopup = 140;
// 135 and 558 would be taken for the script's Continue button and a toolbar
// button by the dialog kit, so these two carry ids of their own.
inline constexpr int16_t kTrModeTransform = 1135, kTrModeConvert = 136;
inline constexpr int16_t kTrMultiply = 138, kTrDivide = 139;
inline constexpr int16_t kTrInfo = 199, kTrDone = 159, kTrHelp = 299;
inline constexpr int16_t kTrCopy = 157, kTrNewChannel = 155, kTrSetBlock = 158, kTrLastResult = 1558;
inline constexpr int16_t kTrCancel = 162, kTrView = 133, kTrSaveContinue = 160;

// step 0 from the menu or toolbar; a replayed step runs with no window.
int16_t TRANSFORMATIONS(int16_t step);
// The copy (of channel `source`), new-channel and block-set controls of window 4.
int16_t COPYBUTTON(int16_t source);
