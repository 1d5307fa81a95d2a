// The formula language of the expression evaluator: a recursive-descent
// parser compiling a formula in two names (x and y) into postfix code over a
// table of constants, and the stack machine that runs it. Pure: the window
// (src/editing/ui/expressions.h) shows the message and places the caret.
//
// Precedence, loosest first: + -; * /; ^ (left to right: 2^3^2 = 64); the
// unary sign (-2^2 = 4); numbers, names, parentheses and function calls.
// Text is Mac Roman; 0xB9 is pi. Names are matched case-insensitively as
// prefixes, longest name first. Back-quotes enclose comments.
#pragma once
#include <cstdint>
#include <string_view>

inline constexpr int kMaxExpressionText = 255;
inline constexpr int kMaxCodeWords = 100;
inline constexpr int kMaxConstants = 20;
// A full code of 100 words holds at most 50 values at once.
inline constexpr int kMaxStackDepth = 51;

// Opcodes of the code: 1..5 + - * / ^, 6 push x, 7 push y, 8 negate,
// 9..19 the functions (EXP LN LOG10 SQR SQRT SIN COS TAN ATN ABS INT), 20 pi,
// 21 push the constant whose 1-based index is the next word.
enum ExpressionOp : uint16_t {
  kOpAdd = 1, kOpSub, kOpMul, kOpDiv, kOpPow, kOpX, kOpY, kOpNeg, kOpExp, kOpLn, kOpLog10, kOpSqr, kOpSqrt, kOpSin,
  kOpCos, kOpTan, kOpAtan, kOpAbs, kOpInt, kOpPi, kOpConst
};

enum class ParseStatus : int8_t {
  Ok,
  MissingExpression,
  SyntaxError,
  EndExpected,
  NotRecognisable,
  ExpectingLeft,
  ExpectingRight,
  BadNumber,
  UnterminatedComment,
  TooManyConstants,
  TooLong,
};

// "Missing expression", "Syntax error", ...; "" for Ok.
const char* ParseStatusText(ParseStatus s);

struct ExpressionCode {
  uint16_t words[kMaxCodeWords] = {};
  int16_t count = 0;                     // 0: nothing to run (evaluates to NaN)
  double constants[kMaxConstants] = {};  // equal values stored once
  int16_t nConstants = 0;
  int16_t depth = 0;                     // deepest stack the code needs
};

struct ParseOutcome {
  ParseStatus status = ParseStatus::Ok;
  int caret = 0;  // 0-based offset of the character the parser stood at
};

// Compiles `text` (its first 255 bytes) with the value names xName and
// yName (up to 15 characters each; an empty name is not a name). On failure
// `code` holds what was planted before the first error, and its count is
// set to 0 so nothing half-made can run.
ParseOutcome ParseExpression(std::string_view text, std::string_view xName, std::string_view yName,
                             ExpressionCode* code);

// Runs the code on one pair: IEEE double arithmetic, no checks (1/0 is an
// infinity). NaN for an empty code.
double EvaluateExpression(const ExpressionCode& code, double x, double y);

// out[k] := the code at (x[k], y[k]) in single precision, k < n; y may be
// null (read as 0). For whole channels.
void EvaluateExpressionSpan(const ExpressionCode& code, const float* x, const float* y, float* out, int64_t n);
