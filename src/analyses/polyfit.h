// Least-squares polynomials of one channel in another over a block, by
// orthogonal polynomials on X centred and scaled to -1..1, and the new
// channel a fit makes. Pure functions over plain arrays, plus an adapter to
// the result globals.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "shell/store.h"

inline constexpr int kMaxPolyDegree = 9;
inline constexpr int16_t kPolyAnalysisCode = 15;
inline constexpr int32_t kPolyHelpSubject = 195;

struct PolyFit {
  int degree = 0;
  int32_t n = 0;
  // power[p]: coefficient of X to the power p, p = 0..degree.
  std::array<double, kMaxPolyDegree + 1> power{};
  float meanX = 0.0f, sdX = 0.0f;   // single-precision mean, population SD
  float meanY = 0.0f, sdY = 0.0f;
  double residualVariance = 0.0;    // SSres / (N - d - 1); 0 when N <= d + 1
  double r2 = 0.0;                  // 1 - SSres / Syy, never below 0; NaN for a constant Y
};

enum class PolyStatus : int8_t {
  Ok = 0,
  BadSpan,        // block outside the channels
  BadDegree,      // not 1..9
  Degenerate,     // fewer cases than coefficients, or an orthogonal polynomial vanishes on the data
  XNotANumber,    // the X block holds a NaN, which no polynomial can take
  XInfinite,      // the X block holds an infinity
  YNotANumber,    // the Y block holds a NaN: every coefficient would be NaN
  YInfinite,      // the Y block holds an infinity
};
const char* PolyStatusText(PolyStatus s);

// Fits y = sum power[p] x^p over first..last (both included). One pass
// gathers sums over t (X centred and scaled on the block's end cases) and
// their cross sums with y, and the orthogonal polynomials are built from
// them: sums of powers of t for degrees 1 and 2, of Chebyshev polynomials
// T_k(t) beyond (a near-exact fit adds a pass for the residuals, in double).
// Where X strays beyond its end values (a pass over X alone, stopped where
// it strays, tells before the Chebyshev sums), a pass for the extremes comes
// first; where the sums would keep too few digits: one pass for the means
// and extremes, one per degree, one for the residuals. A fit that finds no
// finite coefficients, or too few distinct X values, is refused by the first
// value of the block that is not finite (X before Y), when there is one. A
// refused fit leaves *out untouched. `wide` false keeps to the baseline instructions (the tests
// hold both to one result).
PolyStatus FitPolynomial(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                         int degree, PolyFit* out, bool wide = true);
// Whether x[0..n-1], NaNs aside, lies within `reach` on the scale
// (x - centre) inv, as the Chebyshev sums need; `wide` false keeps to the
// baseline instructions (the tests hold both to a plain scan).
bool PolyXWithinReach(const float* x, int32_t n, double centre, double inv, double reach, bool wide = true);
// The pass-per-degree fit alone, which the one above falls back on.
PolyStatus FitPolynomialByPasses(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                                 int degree, PolyFit* out);

// "Show All r^2": r2[d] for d = 1..9 as displayed (single precision), up to
// the first degree whose r^2 falls below the best so far (kept, shown as its
// bar) or that cannot be fitted or has no r^2 (left 0); later rows 0. shownDegree is the
// degree left on show: 9, or the one before the fall or the refusal.
struct PolySeries {
  std::array<float, kMaxPolyDegree + 1> r2{};   // [0] unused
  int shownDegree = 0;                          // 0: not even degree 1 could be fitted
  bool fell = false;                            // stopped on a fall of r^2
  bool refused = false;                         // stopped on a degree that cannot be fitted
};
PolySeries PolynomialSeries(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last);

// Tenths of the r^2 histogram's axis: lo = trunc(10 r2(1)), hi =
// trunc(10 (max + 0.1)) at most 10, and at least lo + 1.
struct PolyAxis {
  int lo = 0, hi = 1;
};
PolyAxis PolyHistogramAxis(const PolySeries& s);

// The new channel: for every case v = constant, then v += coef[i] x^i (the
// power in double, v rounded to single precision after each term), with the
// coefficients as displayed (coef[0] the constant). False, with out
// untouched, when a coefficient is not finite or the sizes differ.
bool PolynomialChannel(std::span<const float> x, std::span<const float> coef, std::span<float> out);
// "ch.<y> as polynomial of ch.<x>", padded with blanks and cut to 30 characters.
std::string PolynomialChannelLabel(int16_t yChannel, int16_t xChannel);
// "Make New Channel": appends channel nChannels + 1 to the slot holding the
// polynomial of channel x with `coef`, x's parameter fields 0..13 and the
// label above. The channel is whole or not added: TooManyChannels at 32
// channels, BadRange for a coefficient that is not finite, OutOfMemory; the
// file stays as it was.
StoreStatus MakePolynomialChannel(int16_t slot, int16_t xChannel, int16_t yChannel, std::span<const float> coef,
                                  int16_t* newChannel);

// ---- Adapters ----------------------------------------------------------------
// r squared of the last polynomial or asymptote fit.
extern double r2;
// cc[1..d+1] highest power first, cc[15] = r^2, r2 (the global).
void StorePolyFit(const PolyFit& fit);
