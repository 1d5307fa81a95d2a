#include "editing/expression.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "platform/cpu.h"
#if CORVIMET_X86_DISPATCH
#include <immintrin.h>
#endif

namespace {

// Lexeme types.
enum Lex : int8_t { kEnd, kAdditive, kMultiplicative, kPower, kLeft, kRight, kValueName, kFunction, kNumber };

struct Symbol {
  std::string name;  // capitals
  Lex type;
  uint16_t code;
};

constexpr uint8_t kPiChar = 0xB9;
constexpr int kMaxSymbols = 100;
constexpr int kMaxNameLength = 15;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperName(std::string_view s) {
  std::string u(s.substr(0, kMaxNameLength));
  for (char& c : u) c = upper(c);
  return u;
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view xName, std::string_view yName, ExpressionCode* code)
      : text_(text.substr(0, kMaxExpressionText)), code_(code) {
    *code_ = ExpressionCode{};
    const struct {
      const char* name;
      Lex type;
      uint16_t code;
    } fixed[] = {
        {"+", kAdditive, kOpAdd},    {"-", kAdditive, kOpSub},   {"*", kMultiplicative, kOpMul},
        {"/", kMultiplicative, kOpDiv}, {"^", kPower, kOpPow},   {"EXP", kFunction, kOpExp},
        {"LOG", kFunction, kOpLn},   {"LN", kFunction, kOpLn},   {"LOG10", kFunction, kOpLog10},
        {"SIN", kFunction, kOpSin},  {"COS", kFunction, kOpCos}, {"TAN", kFunction, kOpTan},
        {"ATN", kFunction, kOpAtan}, {"ATAN", kFunction, kOpAtan}, {"SQR", kFunction, kOpSqr},
        {"SQRT", kFunction, kOpSqrt}, {"ABS", kFunction, kOpAbs}, {"INT", kFunction, kOpInt},
        {"\xB9", kValueName, kOpPi}, {"PI", kValueName, kOpPi}, {"(", kLeft, 0},
        {")", kRight, 0},
    };
    for (const auto& s : fixed) addSymbol(s.name, s.type, s.code);
    if (!xName.empty()) addSymbol(upperName(xName), kValueName, kOpX);
    if (!yName.empty()) addSymbol(upperName(yName), kValueName, kOpY);
  }

  ParseOutcome run() {
    Lex lex = next();
    if (lex == kEnd && status_ == ParseStatus::Ok) {
      fail(ParseStatus::MissingExpression);
    } else {
      lex = expression(lex);
      skip();
      if (status_ == ParseStatus::Ok) {
        if (lex != kEnd)
          fail(ParseStatus::SyntaxError);
        else if (pos_ != text_.size())
          fail(ParseStatus::EndExpected);
      }
    }
    if (status_ != ParseStatus::Ok) code_->count = 0;
    return {status_, caret_};
  }

 private:
  // Equal lengths keep their order of entry: the longest name wins a match.
  void addSymbol(std::string name, Lex type, uint16_t code) {
    // Only the program enters names, so these cannot come from the user.
    assert(!name.empty() && symbols_.size() < kMaxSymbols);
    for ([[maybe_unused]] const Symbol& s : symbols_) assert(s.name != name);
    auto at = std::find_if(symbols_.begin(), symbols_.end(),
                           [&](const Symbol& s) { return s.name.size() < name.size(); });
    symbols_.insert(at, Symbol{std::move(name), type, code});
  }

  void fail(ParseStatus s) {
    if (status_ != ParseStatus::Ok) return;
    status_ = s;
    caret_ = static_cast<int>(pos_);
  }
  bool failed() const { return status_ != ParseStatus::Ok; }

  void skip() {
    while (pos_ < text_.size()) {
      const auto c = static_cast<uint8_t>(text_[pos_]);
      if (c <= 32) {
        ++pos_;
      } else if (c == '`') {
        const size_t close = text_.find('`', pos_ + 1);
        if (close == std::string_view::npos) {
          pos_ = text_.size();
          fail(ParseStatus::UnterminatedComment);
          return;
        }
        pos_ = close + 1;
      } else {
        return;
      }
    }
  }

  bool standsAt(std::string_view s) const {
    if (s.size() > text_.size() - pos_) return false;
    for (size_t i = 0; i < s.size(); ++i)
      if (upper(text_[pos_ + i]) != s[i]) return false;
    return true;
  }

  Lex next() {
    if (failed()) return kEnd;
    skip();
    if (failed()) return kEnd;
    for (const Symbol& s : symbols_) {
      if (standsAt(s.name)) {
        pos_ += s.name.size();
        lexCode_ = s.code;
        return s.type;
      }
    }
    if (pos_ < text_.size() && ((text_[pos_] >= '0' && text_[pos_] <= '9') || text_[pos_] == '.')) return number();
    // A last character that starts nothing ends the text where it stands.
    if (pos_ + 1 >= text_.size()) return kEnd;
    fail(ParseStatus::NotRecognisable);
    return kEnd;
  }

  static bool wellFormed(std::string_view b) {
    size_t i = 0, digits = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') ++i, ++digits;
    if (i < b.size() && b[i] == '.') ++i;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') ++i, ++digits;
    if (digits == 0) return false;
    if (i < b.size() && b[i] == 'E') {
      ++i;
      if (i < b.size() && (b[i] == '+' || b[i] == '-')) ++i;
      size_t expDigits = 0;
      while (i < b.size() && b[i] >= '0' && b[i] <= '9') ++i, ++expDigits;
      if (expDigits == 0) return false;
    }
    return i == b.size();
  }

  Lex number() {
    static constexpr std::string_view kContent[] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                                    "8", "9", ".", "E-", "E+", "E"};
    std::string buffer;
    for (;;) {
      const std::string_view* hit = nullptr;
      for (const auto& s : kContent)
        if (standsAt(s)) {
          hit = &s;
          break;
        }
      if (!hit) break;
      buffer += *hit;
      pos_ += hit->size();
    }
    double v = 0.0;
    if (buffer.size() > 31 || !wellFormed(buffer) ||
        std::from_chars(buffer.data(), buffer.data() + buffer.size(), v).ec != std::errc{}) {
      fail(ParseStatus::BadNumber);
      return kEnd;
    }
    lexCode_ = storeConstant(v);
    return failed() ? kEnd : kNumber;
  }

  uint16_t storeConstant(double v) {
    for (int16_t i = 0; i < code_->nConstants; ++i)
      if (code_->constants[i] == v) return static_cast<uint16_t>(i + 1);
    if (code_->nConstants == kMaxConstants) {
      fail(ParseStatus::TooManyConstants);
      return 1;
    }
    code_->constants[code_->nConstants++] = v;
    return static_cast<uint16_t>(code_->nConstants);
  }

  void plant(uint16_t word, int depthChange) {
    if (failed()) return;
    if (code_->count == kMaxCodeWords) {
      fail(ParseStatus::TooLong);
      return;
    }
    code_->words[code_->count++] = word;
    depth_ += depthChange;
    code_->depth = static_cast<int16_t>(std::max<int>(code_->depth, depth_));
  }

  Lex expression(Lex lex) {
    lex = term(lex);
    while (!failed() && lex == kAdditive) {
      const uint16_t op = lexCode_;
      lex = term(next());
      plant(op, -1);
    }
    return lex;
  }

  Lex term(Lex lex) {
    lex = powerTerm(lex);
    while (!failed() && lex == kMultiplicative) {
      const uint16_t op = lexCode_;
      lex = powerTerm(next());
      plant(op, -1);
    }
    return lex;
  }

  Lex powerTerm(Lex lex) {
    lex = factor(lex);
    while (!failed() && lex == kPower) {
      lex = factor(next());
      plant(kOpPow, -1);
    }
    return lex;
  }

  Lex factor(Lex lex) {
    if (failed()) return kEnd;
    switch (lex) {
      case kNumber:
        plant(kOpConst, 1);
        plant(lexCode_, 0);
        return next();
      case kValueName:
        plant(lexCode_, 1);
        return next();
      case kLeft:
        lex = expression(next());
        if (failed()) return kEnd;
        if (lex != kRight) {
          fail(ParseStatus::ExpectingRight);
          return kEnd;
        }
        return next();
      case kFunction: {
        const uint16_t fn = lexCode_;
        if (next() != kLeft) {
          fail(ParseStatus::ExpectingLeft);
          return kEnd;
        }
        lex = expression(next());
        if (failed()) return kEnd;
        if (lex != kRight) {
          fail(ParseStatus::ExpectingRight);
          return kEnd;
        }
        lex = next();
        plant(fn, 0);
        return lex;
      }
      case kAdditive: {
        const uint16_t op = lexCode_;
        lex = factor(next());
        if (op == kOpSub) plant(kOpNeg, 0);
        return lex;
      }
      default:
        fail(ParseStatus::SyntaxError);
        return kEnd;
    }
  }

  std::string_view text_;
  ExpressionCode* code_;
  std::vector<Symbol> symbols_;
  size_t pos_ = 0;
  uint16_t lexCode_ = 0;
  int depth_ = 0;
  ParseStatus status_ = ParseStatus::Ok;
  int caret_ = 0;
};

// Applies one word to `lanes` stacks held as rows st[place][lane].
// Always all lanes: a fixed count lets the compiler pack the loops.
template <int kLanes>
[[gnu::always_inline]] inline void step(uint16_t op, double (*st)[kLanes], int& sp, const double* cst, uint16_t arg,
                                        const double* x, const double* y) {
  constexpr int lanes = kLanes;
  double* t = st[sp - 1];
  switch (op) {
    case kOpAdd: for (int j = 0; j < lanes; ++j) st[sp - 2][j] += t[j]; --sp; break;
    case kOpSub: for (int j = 0; j < lanes; ++j) st[sp - 2][j] -= t[j]; --sp; break;
    case kOpMul: for (int j = 0; j < lanes; ++j) st[sp - 2][j] *= t[j]; --sp; break;
    case kOpDiv: for (int j = 0; j < lanes; ++j) st[sp - 2][j] /= t[j]; --sp; break;
    case kOpPow: for (int j = 0; j < lanes; ++j) st[sp - 2][j] = std::pow(st[sp - 2][j], t[j]); --sp; break;
    case kOpX: std::copy(x, x + lanes, st[sp++]); break;
    case kOpY: std::copy(y, y + lanes, st[sp++]); break;
    case kOpNeg: for (int j = 0; j < lanes; ++j) t[j] = -t[j]; break;
    case kOpExp: for (int j = 0; j < lanes; ++j) t[j] = std::exp(t[j]); break;
    case kOpLn: for (int j = 0; j < lanes; ++j) t[j] = std::log(t[j]); break;
    case kOpLog10: for (int j = 0; j < lanes; ++j) t[j] = std::log10(t[j]); break;
    case kOpSqr: for (int j = 0; j < lanes; ++j) t[j] *= t[j]; break;
    case kOpSqrt: for (int j = 0; j < lanes; ++j) t[j] = std::sqrt(t[j]); break;
    case kOpSin: for (int j = 0; j < lanes; ++j) t[j] = std::sin(t[j]); break;
    case kOpCos: for (int j = 0; j < lanes; ++j) t[j] = std::cos(t[j]); break;
    case kOpTan: for (int j = 0; j < lanes; ++j) t[j] = std::tan(t[j]); break;
    case kOpAtan: for (int j = 0; j < lanes; ++j) t[j] = std::atan(t[j]); break;
    case kOpAbs: for (int j = 0; j < lanes; ++j) t[j] = std::fabs(t[j]); break;
    case kOpInt: for (int j = 0; j < lanes; ++j) t[j] = std::trunc(t[j]); break;
    case kOpPi: std::fill(st[sp], st[sp] + lanes, std::numbers::pi); ++sp; break;
    case kOpConst: std::fill(st[sp], st[sp] + lanes, cst[arg - 1]); ++sp; break;
    default: break;
  }
}

template <int kLanes>
void evaluateLanes(const ExpressionCode& code, const double* x, const double* y, double* out) {
  double st[kMaxStackDepth][kLanes];
  int sp = 0;
  for (int16_t i = 0; i < code.count; ++i) {
    const uint16_t op = code.words[i];
    const uint16_t arg = op == kOpConst ? code.words[++i] : 0;
    step<kLanes>(op, st, sp, code.constants, arg, x, y);
  }
  std::copy(st[0], st[0] + kLanes, out);
}

}  // namespace

const char* ParseStatusText(ParseStatus s) {
  switch (s) {
    case ParseStatus::Ok: return "";
    case ParseStatus::MissingExpression: return "Missing expression";
    case ParseStatus::SyntaxError: return "Syntax error";
    case ParseStatus::EndExpected: return "End of expression expected";
    case ParseStatus::NotRecognisable: return "Name or symbol not recognisable";
    case ParseStatus::ExpectingLeft: return "Expecting left parenthesis";
    case ParseStatus::ExpectingRight: return "Expecting right parenthesis";
    case ParseStatus::BadNumber: return "Bad number format";
    case ParseStatus::UnterminatedComment: return "Unterminated comment";
    case ParseStatus::TooManyConstants: return "Too many constants";
    case ParseStatus::TooLong: return "Expression too long";
  }
  return "";
}

ParseOutcome ParseExpression(std::string_view text, std::string_view xName, std::string_view yName,
                             ExpressionCode* code) {
  return Parser(text, xName, yName, code).run();
}

double EvaluateExpression(const ExpressionCode& code, double x, double y) {
  if (code.count == 0) return std::numeric_limits<double>::quiet_NaN();
  double out = 0.0;
  evaluateLanes<1>(code, &x, &y, &out);
  return out;
}

namespace {

// The span evaluator's form of a code: a constant (or pi) pushed straight
// before a binary operation becomes that operation's right operand, so the
// lanes skip filling a row with it. The arithmetic is the same.
struct SpanStep {
  uint16_t op;
  bool constant;   // right operand c instead of the row below the top
  double c;
};

struct SpanPlan {
  SpanStep steps[kMaxCodeWords];
  int count = 0;
};

bool binary(uint16_t op) { return op >= kOpAdd && op <= kOpPow; }

SpanPlan planOf(const ExpressionCode& code) {
  SpanPlan p;
  for (int16_t i = 0; i < code.count; ++i) {
    const uint16_t op = code.words[i];
    const bool isConst = op == kOpConst || op == kOpPi;
    const int16_t next = static_cast<int16_t>(i + (op == kOpConst ? 2 : 1));
    const double c = op == kOpPi ? std::numbers::pi : op == kOpConst ? code.constants[code.words[i + 1] - 1] : 0.0;
    if (isConst && next < code.count && binary(code.words[next])) {
      p.steps[p.count++] = {code.words[next], true, c};
      i = next;
    } else {
      p.steps[p.count++] = {op, isConst, c};
      if (op == kOpConst) ++i;
    }
  }
  return p;
}

constexpr int kSpanLanes = 64;

// One step over all lanes of the rows st[place][lane].
[[gnu::always_inline]] inline void spanStep(const SpanStep& s, double (*st)[kSpanLanes], int& sp, const float* x,
                                            const float* y) {
  constexpr int n = kSpanLanes;
  double* t = st[sp - 1];
  if (s.constant && binary(s.op)) {
    const double c = s.c;
    switch (s.op) {
      case kOpAdd: for (int j = 0; j < n; ++j) t[j] += c; break;
      case kOpSub: for (int j = 0; j < n; ++j) t[j] -= c; break;
      case kOpMul: for (int j = 0; j < n; ++j) t[j] *= c; break;
      case kOpDiv: for (int j = 0; j < n; ++j) t[j] /= c; break;
      default: for (int j = 0; j < n; ++j) t[j] = std::pow(t[j], c); break;
    }
    return;
  }
  if (s.constant) {   // a constant or pi pushed for a later operation
    for (int j = 0; j < n; ++j) st[sp][j] = s.c;
    ++sp;
    return;
  }
  if (s.op == kOpX || s.op == kOpY) {
    const float* v = s.op == kOpX ? x : y;
    for (int j = 0; j < n; ++j) st[sp][j] = v[j];
    ++sp;
    return;
  }
  // Every push is done above; what is left takes its operands from the rows.
  step<kSpanLanes>(s.op, st, sp, nullptr, 0, nullptr, nullptr);
}

[[gnu::always_inline]] inline void spanLoop(const SpanPlan& plan, const float* x, const float* y, float* out,
                                            int64_t n) {
  constexpr int kLanes = kSpanLanes;
  alignas(64) double st[kMaxStackDepth][kLanes];
  // The last chunk's unused lanes hold 0 and their results are dropped.
  alignas(64) float xs[kLanes] = {}, ys[kLanes] = {};
  static const float zeros[kLanes] = {};
  // A whole channel goes past the caches: its results are streamed to memory,
  // which spares reading every line of the output before writing it.
  [[maybe_unused]] const bool stream = n >= (1 << 20) && (reinterpret_cast<uintptr_t>(out) & 15) == 0;
  for (int64_t k = 0; k < n; k += kLanes) {
    const int lanes = static_cast<int>(std::min<int64_t>(kLanes, n - k));
    const float* xk = x + k;
    const float* yk = y ? y + k : zeros;
    if (lanes < kLanes) {
      std::copy(xk, xk + lanes, xs);
      if (y) std::copy(yk, yk + lanes, ys);
      xk = xs;
      yk = ys;
    }
    int sp = 0;
    for (int i = 0; i < plan.count; ++i) spanStep(plan.steps[i], st, sp, xk, yk);
#if CORVIMET_X86_DISPATCH
    if (lanes == kLanes && stream) {
      for (int j = 0; j < kLanes; j += 4) {
        const __m128 v = _mm_setr_ps(static_cast<float>(st[0][j]), static_cast<float>(st[0][j + 1]),
                                     static_cast<float>(st[0][j + 2]), static_cast<float>(st[0][j + 3]));
        _mm_stream_ps(out + k + j, v);
      }
      continue;
    }
#endif
    if (lanes == kLanes)
      for (int j = 0; j < kLanes; ++j) out[k + j] = static_cast<float>(st[0][j]);
    else
      for (int j = 0; j < lanes; ++j) out[k + j] = static_cast<float>(st[0][j]);
  }
#if CORVIMET_X86_DISPATCH
  if (stream) _mm_sfence();
#endif
}

using SpanKernel = void (*)(const SpanPlan&, const float*, const float*, float*, int64_t);

void spanBase(const SpanPlan& p, const float* x, const float* y, float* out, int64_t n) { spanLoop(p, x, y, out, n); }

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void spanAvx2(const SpanPlan& p, const float* x, const float* y, float* out, int64_t n) {
  spanLoop(p, x, y, out, n);
}
#endif

SpanKernel spanKernel() {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return spanAvx2;
#endif
  return spanBase;
}

}  // namespace

void EvaluateExpressionSpan(const ExpressionCode& code, const float* x, const float* y, float* out, int64_t n) {
  if (code.count == 0) {
    std::fill(out, out + n, std::numeric_limits<float>::quiet_NaN());
    return;
  }
  const SpanPlan plan = planOf(code);
  const SpanKernel kernel = spanKernel();
  // Up to three cases first, so that the rest of the output starts on 16
  // bytes and can be streamed; every case is worked out alone either way.
  const auto head = std::min<int64_t>(n, (16 - reinterpret_cast<uintptr_t>(out) % 16) % 16 / sizeof(float));
  if (head > 0) kernel(plan, x, y, out, head);
  kernel(plan, x + head, y ? y + head : nullptr, out + head, n - head);
}
