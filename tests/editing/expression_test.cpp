// The formula language: values and errors one line per case, the compiled
// code of a worked example, and any text of the grammar's characters giving
// code or exactly one message.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "editing/expression.h"

namespace {

double value(const std::string& text, double x = 0.0, double y = 0.0) {
  ExpressionCode code;
  const ParseOutcome p = ParseExpression(text, "x", "y", &code);
  EXPECT_EQ(p.status, ParseStatus::Ok) << text;
  return EvaluateExpression(code, x, y);
}

ParseOutcome outcome(const std::string& text) {
  ExpressionCode code;
  return ParseExpression(text, "x", "y", &code);
}

TEST(Expression, WorkedExampleCompilesToItsCodeAndConstants) {
  ExpressionCode code;
  ASSERT_EQ(ParseExpression("10*(x + y)/2.0 + sin( \xB9*0.5 )", "x", "y", &code).status, ParseStatus::Ok);
  const std::vector<uint16_t> want = {21, 1, 6, 7, 1, 3, 21, 2, 4, 20, 21, 3, 3, 14, 1};
  EXPECT_EQ(std::vector<uint16_t>(code.words, code.words + code.count), want);
  ASSERT_EQ(code.nConstants, 3);
  EXPECT_EQ(code.constants[0], 10.0);
  EXPECT_EQ(code.constants[1], 2.0);
  EXPECT_EQ(code.constants[2], 0.5);
  EXPECT_NEAR(EvaluateExpression(code, 1.0, 2.01), 16.05, 1e-12);
}

TEST(Expression, ValuesOneLinePerCase) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double x, want;
  } cases[] = {
      {"-2^2", 0, 4},         {"2^3^2", 0, 64},        {"2^-1", 0, 0.5},       {"-x^2", 3, 9},
      {"0-x^2", 3, -9},       {"2*-3", 0, -6},         {"--x", 5, 5},          {"x^2", 1.5, 2.25},
      {"SQR(x)", 1.5, 2.25},  {"sqrt(x)", 2.25, 1.5},  {"LOG(x)", 2, std::log(2.0)}, {"ln(x)", 2, std::log(2.0)},
      {"log10(100)", 0, 2},   {"PI", 0, M_PI},         {"\xB9", 0, M_PI},      {"1e3", 0, 1000},
      {".5", 0, 0.5},         {"5.", 0, 5},            {"1E-2", 0, 0.01},      {"`c` x + 1 `d`", 1, 2},
      {"1/0", 0, inf},        {"Int(-2.7)", 0, -2},    {"abs(-x)", 3, 3},      {"atan(1)*4", 0, M_PI},
      {"exp(0)+cos(0)", 0, 2}, {"X + Y", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(value(c.text, c.x, 0.0), c.want);
  }
}

TEST(Expression, ErrorsOneLinePerCaseWithTheCaretWhereTheParserStood) {
  const struct {
    const char* text;
    ParseStatus status;
    int caret;
  } cases[] = {
      {"pix", ParseStatus::SyntaxError, 3},
      {"1e", ParseStatus::BadNumber, 2},
      {"x+", ParseStatus::SyntaxError, 2},
      {"x$", ParseStatus::EndExpected, 1},
      {"x$y", ParseStatus::NotRecognisable, 1},
      {"SIN x", ParseStatus::ExpectingLeft, 5},
      {"x + 1 `open", ParseStatus::UnterminatedComment, 11},
      {"", ParseStatus::MissingExpression, 0},
      {"  `only` ", ParseStatus::MissingExpression, 9},
      {"(x + 1", ParseStatus::ExpectingRight, 6},
      {"x y", ParseStatus::SyntaxError, 3},
      {"2x", ParseStatus::SyntaxError, 2},
      {"x)", ParseStatus::SyntaxError, 2},
      {"1.2.3", ParseStatus::BadNumber, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParseOutcome p = outcome(c.text);
    EXPECT_EQ(p.status, c.status);
    EXPECT_EQ(p.caret, c.caret);
    EXPECT_STRNE(ParseStatusText(p.status), "");
  }
}

TEST(Expression, TwentyConstantsFitAndAHundredWordsAreTheLimit) {
  std::string sum = "1";
  for (int k = 2; k <= 20; ++k) sum += "+" + std::to_string(k);
  ExpressionCode code;
  EXPECT_EQ(ParseExpression(sum, "x", "y", &code).status, ParseStatus::Ok);
  EXPECT_EQ(EvaluateExpression(code, 0, 0), 210.0);
  EXPECT_EQ(outcome(sum + "+21").status, ParseStatus::TooManyConstants);
  ASSERT_EQ(ParseExpression("3 + 3", "x", "y", &code).status, ParseStatus::Ok);
  EXPECT_EQ(code.nConstants, 1);
  std::string words = "x";
  for (int k = 0; k < 49; ++k) words += "+x";  // 99 words
  EXPECT_EQ(outcome(words).status, ParseStatus::Ok);
  EXPECT_EQ(outcome(words + "+x").status, ParseStatus::TooLong);
}

TEST(Expression, DeepRightNestingFitsTheStackAndEmptyCodeIsNaN) {
  std::string nested, close;
  for (int k = 1; k <= 12; ++k) {
    nested += std::to_string(k) + "+(";
    close += ")";
  }
  nested += "13" + close;
  EXPECT_EQ(value(nested), 91.0);
  std::string deep = "x", tail;  // fifty values pending at once
  for (int k = 0; k < 49; ++k) {
    deep += "+(x";
    tail += ")";
  }
  ExpressionCode code;
  ASSERT_EQ(ParseExpression(deep + tail, "x", "y", &code).status, ParseStatus::Ok);
  EXPECT_EQ(code.depth, 50);
  EXPECT_EQ(EvaluateExpression(code, 1, 0), 50.0);
  EXPECT_TRUE(std::isnan(EvaluateExpression(ExpressionCode{}, 1, 2)));
  ParseExpression("x+", "x", "y", &code);
  EXPECT_EQ(code.count, 0);
}

TEST(Expression, AnyTextGivesCodeOrOneMessageAndTheSpanAgreesWithSingleCases) {
  const std::string alphabet = "xy0123456789.eE+-*/^()` $\xB9SINCOSLQRTPAB\t";
  std::mt19937 rng(18);
  std::vector<float> xs(100), ys(100), out(100);
  for (int k = 0; k < 100; ++k) {
    xs[k] = static_cast<float>(k) * 0.37f - 11.0f;
    ys[k] = static_cast<float>(k % 7) - 2.0f;
  }
  int ok = 0;
  for (int n = 0; n < 4000; ++n) {
    std::string text(rng() % 16, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    if (n % 500 == 0) text.assign(300, '(');
    ExpressionCode code;
    const ParseOutcome p = ParseExpression(text, "x", "y", &code);
    ASSERT_GE(p.caret, 0);
    ASSERT_LE(p.caret, std::min<int>(static_cast<int>(text.size()), kMaxExpressionText));
    if (p.status != ParseStatus::Ok) {
      ASSERT_EQ(code.count, 0);
      continue;
    }
    ++ok;
    ASSERT_LE(code.depth, kMaxStackDepth);
    EvaluateExpressionSpan(code, xs.data(), ys.data(), out.data(), 100);
    for (int k = 0; k < 100; k += 13) {
      const float one = static_cast<float>(EvaluateExpression(code, xs[k], ys[k]));
      if (std::isnan(one))
        ASSERT_TRUE(std::isnan(out[k])) << text;
      else
        ASSERT_EQ(out[k], one) << text;
    }
  }
  EXPECT_GT(ok, 100);
}

// A whole channel is streamed past the caches from the first 16-byte
// boundary of the output on, and may be written over its own input: the
// same values as one case at a time, constants folded into the operations
// or not.
TEST(Expression, LongSpansInPlaceAndUnalignedAgreeWithSingleCases) {
  const int n = (1 << 20) + 7;
  std::vector<float> xs(n + 1), ys(n + 1);
  std::mt19937 rng(37);
  std::uniform_real_distribution<float> u(-40.0f, 120.0f);
  for (int k = 0; k <= n; ++k) xs[k] = u(rng), ys[k] = u(rng);
  xs[5] = 32.0f;   // an exact zero before the division
  for (const char* text : {"(x - 32) * 5 / 9", "5 / x - pi", "2 ^ (x / 50) * y", "x"}) {
    SCOPED_TRACE(text);
    ExpressionCode code;
    ASSERT_EQ(ParseExpression(text, "x", "y", &code).status, ParseStatus::Ok);
    std::vector<float> out(n + 1), inPlace = xs;
    EvaluateExpressionSpan(code, xs.data() + 1, ys.data() + 1, out.data() + 1, n);   // output off 16 bytes
    EvaluateExpressionSpan(code, inPlace.data(), ys.data(), inPlace.data(), n + 1);
    for (int k = 1; k <= n; ++k) {
      const float one = static_cast<float>(EvaluateExpression(code, xs[k], ys[k]));
      ASSERT_EQ(out[k], one) << k;
      ASSERT_EQ(inPlace[k], one) << k;
    }
  }
}

}  // namespace
