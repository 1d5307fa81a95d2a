// The expression window: "Expression Evaluator" (a formula in x and y on two
// typed numbers, also with no file open) and "Expression Transforms" (the
// formula over every case of channel X, with an optional channel Y).
#pragma once
#include <cstdint>

inline constexpr int16_t kExpressionWindow = 6;
inline constexpr int16_t kExprField = 104;
inline constexpr int16_t kExprMessage = 333;
inline constexpr int16_t kExprCheck = 141;
inline constexpr int16_t kExprHelpButton = 150;
inline constexpr int16_t kExprRun = 142;
inline constexpr int16_t kExprXField = 101;
inline constexpr int16_t kExprYField = 102;
inline constexpr int16_t kExprResult = 103;  // the result, or the label in transform mode
inline constexpr int16_t kExprDone = 50;
inline constexpr int16_t kExprUndo = 51;
inline constexpr int16_t kExprBlockOnly = 144;
inline constexpr int16_t kExprNewChannel = 145;
inline constexpr int16_t kEvaluatorHelp = 238;
inline constexpr int16_t kExpressionTransformHelp = 267;

// transform 1: "Expression Transforms" on TheFileInUse; 0: the evaluator.
int16_t ExpressionEvaluator(int16_t transform);
