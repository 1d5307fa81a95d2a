// The simple calculator's arithmetic: the button pad and the operators typed
// in reverse Polish order. Pure: the window reads and writes the fields.
#pragma once
#include <cstdint>

// Button ids of the pad (the window's control ids).
enum RpnButton : int16_t {
  kRpnAdd = 1, kRpnSubtract = 2, kRpnMultiply = 3, kRpnDivide = 4, kRpnReciprocal = 5, kRpnPi = 6,
  kRpnLn = 7, kRpnExp = 8, kRpnLog = 9, kRpnTenPower = 10, kRpnRoot = 11, kRpnPower = 12,
  kRpnDiv10 = 13, kRpnMul10 = 14, kRpnDiv60 = 15, kRpnMul60 = 16, kRpnDiv24 = 17, kRpnMul24 = 18,
  kRpnDiv760 = 19, kRpnDiv101 = 20, kRpnDiv273 = 21, kRpnSquare = 22, kRpnAdd273 = 23,
  kRpnXFromY = 24, kRpnYFromX = 25, kRpnLastMean = 29, kRpnStoreX = 30, kRpnCircumference = 31,
  kRpnCircleArea = 32, kRpnCylinder = 33, kRpnSphereSurface = 34, kRpnSphereVolume = 35,
  kRpnDone = 41, kRpnHelp = 141,
};

// Typed operators (MathOperation): 1 "+", 2 "_", 3 "*", 4 "/", 5 "^".
enum RpnOperator : int16_t { kOpNone = 0, kOpAdd = 1, kOpSubtract = 2, kOpMultiply = 3, kOpDivide = 4, kOpPower = 5 };

enum class RpnStatus { Ok, MathError, NotAnOperation };

// Fields after an operation. Results are kept as floats, as the fields
// hold them. piText: the Y field gets the text "3.1415926" rather than a
// number text.
struct RpnOutcome {
  RpnStatus status = RpnStatus::Ok;
  float x = 0.0f;
  float y = 0.0f;
  bool yChanged = false;
  bool piText = false;
};

inline constexpr double kRpnPiValue = 3.1415926;

// A pad button with X and Y as the fields read; mean is the last analysis
// mean. A MathError leaves both fields as they were: log or root of a
// negative X, a negative X to a fractional power, "X ÷ Y" with Y 0.
RpnOutcome RpnApplyButton(int16_t id, double x, double y, double mean);
// A typed operator: X := X op Y. Only the power refuses (negative X,
// fractional Y); "/" by 0 gives an infinity.
RpnOutcome RpnApplyOperator(int16_t op, double x, double y);

// Shown in the X field while a MATH ERROR flashes.
inline constexpr const char* kRpnMathErrorText = "***  MATH ERROR !!  ***";
