#include "analyses/fft.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <numbers>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/cpu.h"
#include "platform/macroman.h"
#include "platform/pages.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

// The vector helpers are always inlined: how a 32-byte vector would be passed
// to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

using cd = std::complex<double>;

// Twiddles W^t = exp(-2 pi i t / n) of one transform length n, worked out
// once per length and kept: exact cosines and sines of the first eighth of
// the circle, the rest by its symmetries (exact sign changes and swaps).
// Per radix-4 stage from h = 4 on (quarter length h), W^(j k n / 4h) for
// j = 1, 2, 3 and k < h, in groups of four k: the four real parts of W1,
// their imaginary parts, then W2's and W3's alike, 24 values a group. The
// butterflies read them as one stream in order; six streams, each h apart
// like the four quarters of the block, would share the same few cache sets
// with them once h is a multiple of 512. The first stage's twiddles are all 1.
// W^(2k), k < m/2, for a last radix-2 stage where log2(m) is odd. And W^k,
// k <= n/8, for the real unpacking, which finds the other W^k, k < n/2, by
// the same symmetries (unpackTwiddle).
struct FftTables {
  size_t n = 0;
  std::vector<double> stages;                 // the radix-4 stages', stage after stage
  std::vector<double> lastRe, lastIm;         // the last radix-2 stage's
  std::vector<double> unpackRe, unpackIm;     // W^k, k <= n/8
};

// cos and -sin of 2 pi t / n, t < n.
std::pair<double, double> twiddle(size_t t, size_t n, const std::vector<double>& c, const std::vector<double>& s) {
  const size_t eighth = n / 8;
  // Reduce t into [0, n/8] with the circle's symmetries.
  const size_t q = t / (n / 4), r = t % (n / 4);   // quadrant and the angle in it
  double x, y;                                     // cos and sin of the angle r
  if (r <= eighth) {
    x = c[r];
    y = s[r];
  } else {
    x = s[n / 4 - r];
    y = c[n / 4 - r];
  }
  double co, si;
  switch (q) {
    case 0: co = x, si = y; break;
    case 1: co = -y, si = x; break;
    case 2: co = -x, si = -y; break;
    default: co = y, si = -x; break;
  }
  return {co, -si};
}

std::shared_ptr<const FftTables> buildTables(size_t n) {
  auto t = std::make_shared<FftTables>();
  t->n = n;
  const size_t eighth = n / 8;
  std::vector<double> c(eighth + 1), s(eighth + 1);
  for (size_t k = 0; k <= eighth; ++k) {
    const double a = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
    c[k] = std::cos(a);
    s[k] = std::sin(a);
  }
  const size_t m = n / 2;
  for (size_t h = 4; 4 * h <= m; h *= 4)
    for (size_t k = 0; k < h; k += 4)
      for (size_t j = 1; j <= 3; ++j) {
        double re[4], im[4];
        for (size_t l = 0; l < 4; ++l) std::tie(re[l], im[l]) = twiddle(j * (k + l) * (n / (4 * h)), n, c, s);
        t->stages.insert(t->stages.end(), re, re + 4);
        t->stages.insert(t->stages.end(), im, im + 4);
      }
  if (std::countr_zero(m) % 2)
    for (size_t k = 0; k < m / 2; ++k) {
      const auto [re, im] = twiddle(2 * k, n, c, s);
      t->lastRe.push_back(re);
      t->lastIm.push_back(im);
    }
  t->unpackRe.resize(eighth + 1);
  t->unpackIm.resize(eighth + 1);
  for (size_t k = 0; k <= eighth; ++k) std::tie(t->unpackRe[k], t->unpackIm[k]) = twiddle(k, n, c, s);
  return t;
}

// The tables of length n = 2^b, built on first use; lengths up to 2^30.
std::shared_ptr<const FftTables> tablesFor(size_t n) {
  static std::mutex lock;
  static std::shared_ptr<const FftTables> made[31];
  const int b = std::countr_zero(n);
  if (b > 30) return buildTables(n);
  std::lock_guard<std::mutex> hold(lock);
  if (!made[b]) made[b] = buildTables(n);
  return made[b];
}

using D4 = double __attribute__((vector_size(32)));

template <class V>
[[gnu::always_inline]] inline V loadAt(const double* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V>
[[gnu::always_inline]] inline void storeAt(double* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

// The radix-4 butterflies at k..k+3 of one block, with their group of
// twiddles at w. Bit-reversed order: the second quarter's transform sits at
// 2h, so x1 takes W^2k and x2 W^k.
[[gnu::always_inline]] inline void butterflies(size_t k, const double* w, double* r0, double* i0, double* r1,
                                               double* i1, double* r2, double* i2, double* r3, double* i3) {
  using V = D4;
  const V x1r = loadAt<V>(r1 + k), x1i = loadAt<V>(i1 + k), x2r = loadAt<V>(r2 + k), x2i = loadAt<V>(i2 + k);
  const V x3r = loadAt<V>(r3 + k), x3i = loadAt<V>(i3 + k), x0r = loadAt<V>(r0 + k), x0i = loadAt<V>(i0 + k);
  const V a1r = loadAt<V>(w), a1i = loadAt<V>(w + 4), a2r = loadAt<V>(w + 8), a2i = loadAt<V>(w + 12);
  const V a3r = loadAt<V>(w + 16), a3i = loadAt<V>(w + 20);
  const V br = a2r * x1r - a2i * x1i, bi = a2r * x1i + a2i * x1r;
  const V cr = a1r * x2r - a1i * x2i, ci = a1r * x2i + a1i * x2r;
  const V dr = a3r * x3r - a3i * x3i, di = a3r * x3i + a3i * x3r;
  const V sr = x0r + br, si = x0i + bi, tr = x0r - br, ti = x0i - bi;
  const V ur = cr + dr, ui = ci + di, vr = cr - dr, vi = ci - di;
  storeAt(r0 + k, sr + ur);
  storeAt(i0 + k, si + ui);
  storeAt(r2 + k, sr - ur);
  storeAt(i2 + k, si - ui);
  // x0 - b - i (c - d) and x0 - b + i (c - d)
  storeAt(r1 + k, tr + vi);
  storeAt(i1 + k, ti - vr);
  storeAt(r3 + k, tr - vi);
  storeAt(i3 + k, ti + vr);
}

// The half-length complex transform of x (even samples real, odd ones
// imaginary), in place in split arrays: the samples gathered in bit-reversed
// order, a radix-2 stage when log2(m) is odd, then radix-4 stages, every
// step in double. Radix 4 reads and writes the arrays half as often as
// radix 2, and takes 3 twiddle products per 4 points instead of 4.
// The bit reversal of v in `bits` bits.
inline size_t reverseBits(size_t v, int bits) {
  size_t r = 0;
  for (int b = 0; b < bits; ++b, v >>= 1) r = (r << 1) | (v & 1);
  return r;
}

// One radix-4 stage (quarter length h, a multiple of 4) over the blocks of
// 4h in [from, to), with the stage's twiddles at w.
[[gnu::always_inline]] inline void radix4Stage(size_t h, size_t from, size_t to, const double* w, double* re,
                                               double* im) {
  for (size_t i = from; i < to; i += 4 * h) {
    double *r0 = re + i, *i0 = im + i, *r1 = re + i + h, *i1 = im + i + h;
    double *r2 = re + i + 2 * h, *i2 = im + i + 2 * h, *r3 = re + i + 3 * h, *i3 = im + i + 3 * h;
    for (size_t k = 0; k < h; k += 4) butterflies(k, w + 6 * k, r0, i0, r1, i1, r2, i2, r3, i3);
  }
}

// Stages whose blocks fit in this many points run block by block while the
// block is in the cache; only the wider ones pass over the whole array.
constexpr size_t kCachedPoints = 4096;

// im begins this far past the end of re. With im right after re, re[k] and
// im[k] are a multiple of 4 KiB apart from m = 512 on and share a cache set;
// a wide stage's four quarters of re and four of im then all fall in one.
constexpr size_t kImGap = 256;

// The work of a transform of m complex points: re, the gap and im, and from
// m = 8 kCachedPoints on the copy of the lines of x that eight blocks read.
inline size_t workDoubles(size_t m) { return 2 * m + kImGap + (m / 8 >= kCachedPoints ? 8 * kCachedPoints : 0); }

// With lastR given, a last radix-2 stage is left undone and its twiddles
// handed back for the caller to work the stage out as it reads. im is
// m + kImGap after re, in workDoubles(m).
[[gnu::always_inline]] inline void halfTransformBody(const float* x, size_t m, const FftTables& t, double* re,
                                                     double* im, const double** lastR = nullptr,
                                                     const double** lastI = nullptr) {
  if (m < 4) {   // m = 2: one radix-2 butterfly
    re[0] = static_cast<double>(x[0]) + x[2];
    im[0] = static_cast<double>(x[1]) + x[3];
    re[1] = static_cast<double>(x[0]) - x[2];
    im[1] = static_cast<double>(x[1]) - x[3];
    return;
  }
  // The gather and the first radix-4 stage in one pass: for i a multiple of
  // 4, the bit reversals of i..i+3 are j, j + m/2, j + m/4 and j + 3m/4,
  // with j that of i / 4 in two bits fewer.
  const int bits = std::countr_zero(m);
  const size_t q = m / 4;
  const size_t block = std::min(m, kCachedPoints);
  // The first stage's butterfly on the points j, j + 2q, j + q and j + 3q
  // of `from` (its twiddles are all 1), into r[0..3] and i[0..3].
  const auto quad = [](const float* from, size_t j, size_t q, double* r, double* i) __attribute__((always_inline)) {
    const double ar = from[2 * j], ai = from[2 * j + 1];
    const double br = from[2 * (j + 2 * q)], bi = from[2 * (j + 2 * q) + 1];
    const double cr = from[2 * (j + q)], ci = from[2 * (j + q) + 1];
    const double dr = from[2 * (j + 3 * q)], di = from[2 * (j + 3 * q) + 1];
    const double sr = ar + br, si = ai + bi, tr = ar - br, ti = ai - bi;
    const double ur = cr + dr, ui = ci + di, vr = cr - dr, vi = ci - di;
    r[0] = sr + ur;
    i[0] = si + ui;
    r[2] = sr - ur;
    i[2] = si - ui;
    r[1] = tr + vi;
    i[1] = ti - vr;
    r[3] = tr - vi;
    i[3] = ti + vr;
  };
  const auto stages = [&](size_t at) __attribute__((always_inline)) {
    const double* w = t.stages.data();
    for (size_t h = 4; 4 * h <= block; h *= 4) {
      radix4Stage(h, at, at + block, w, re, im);
      w += 6 * h;
    }
  };
  // j runs through the bit reversals of i / 4.
  const auto next = [q](size_t j) __attribute__((always_inline)) {
    size_t bit = q >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    return j ^ bit;
  };
  if (m / 8 < block) {
    for (size_t b = 0; b < m; b += block) {
      for (size_t i = b, j = reverseBits(b / 4, bits - 2); i < b + block; i += 4, j = next(j))
        quad(x, j, q, re + i, im + i);
      stages(b);
    }
  } else {
    // Eight blocks m/8 apart at a time: their points fill the same `block`
    // lines of x of 8 points (every m/8/block-th line), as their indices i
    // differ in the top three bits of i / 4, which are j's lowest three.
    // The lines are copied first, in order, next to each other, where the
    // bit-reversed reads find them in a few pages; and the eight blocks are
    // gathered a few points of each in turn, so that every line is read
    // whole while it is still cached. Point p of x is point
    // ((p >> (bits - log2 block)) << 3) | (p & 7) of the copy, and p + q
    // 2 block points past it.
    constexpr size_t chunk = 256;
    const size_t apart = m / 8, stride = m / 8 / block, lineQ = 2 * block;
    const int shift = bits - std::countr_zero(block);
    float* const scratch = reinterpret_cast<float*>(im + m);
    for (size_t b = 0; b < apart; b += block) {
      const size_t first = reverseBits(b / block, std::countr_zero(stride));
      for (size_t v = 0; v < block; ++v)
        std::memcpy(scratch + 16 * v, x + 16 * (v * stride + first), 16 * sizeof(float));
      // The next eight blocks' lines are asked for meanwhile, one every
      // second quad, so that their copy finds them in the cache.
      const float* ahead =
          b + block < apart ? x + 16 * reverseBits(b / block + 1, std::countr_zero(stride)) : nullptr;
      for (size_t o = b; o < b + block; o += chunk)
        for (size_t from = o; from < m; from += apart)
          for (size_t i = from, j = reverseBits(from / 4, bits - 2); i < from + chunk; i += 4, j = next(j)) {
            if (ahead && (i & 4)) {
              __builtin_prefetch(ahead, 0, 2);
              ahead += 16 * stride;
            }
            quad(scratch, ((j >> shift) << 3) | (j & 7), lineQ, re + i, im + i);
          }
      for (size_t at = b; at < m; at += apart) stages(at);
    }
  }
  const double* w = t.stages.data();
  size_t h = 4;
  for (; 4 * h <= block; h *= 4) w += 6 * h;
  for (; 4 * h <= m; h *= 4) {
    radix4Stage(h, 0, m, w, re, im);
    w += 6 * h;
  }
  const double *wr = t.lastRe.data(), *wi = t.lastIm.data();
  if (bits % 2 && lastR) {
    *lastR = wr;
    *lastI = wi;
  } else if (bits % 2) {   // the last radix-2 stage: Z_k, Z_(k + m/2) from the two halves
    const size_t half = m / 2;
    size_t k = 0;
    auto butterfly = [&]<class V>(size_t at) {
      const V wR = loadAt<V>(wr + at), wI = loadAt<V>(wi + at);
      const V ar = loadAt<V>(re + at), ai = loadAt<V>(im + at);
      const V xr = loadAt<V>(re + half + at), xi = loadAt<V>(im + half + at);
      const V br = wR * xr - wI * xi, bi = wR * xi + wI * xr;
      storeAt(re + at, ar + br);
      storeAt(im + at, ai + bi);
      storeAt(re + half + at, ar - br);
      storeAt(im + half + at, ai - bi);
    };
    for (; k + 4 <= half; k += 4) butterfly.template operator()<D4>(k);
    for (; k < half; ++k) butterfly.template operator()<double>(k);
  }
}

// W^k, k < n/2, with the bits twiddle() gives it: from W^t = (R, I), t <= n/8,
// W^(n/4 - t) = (-I, -R), W^(n/4 + t) = (I, -R) and W^(n/2 - t) = (-R, I).
inline std::pair<double, double> unpackTwiddle(const FftTables& t, size_t k) {
  const size_t n = t.n;
  const double* R = t.unpackRe.data();
  const double* I = t.unpackIm.data();
  if (8 * k <= n) return {R[k], I[k]};
  if (4 * k < n) return {-I[n / 4 - k], -R[n / 4 - k]};
  if (8 * k <= 3 * n) return {I[k - n / 4], -R[k - n / 4]};
  return {-R[n / 2 - k], I[n / 2 - k]};
}

// Bin k of the real transform from the half-length one Z:
// X_k = (Z_k + conj Z_(m-k)) / 2 - i W^k (Z_k - conj Z_(m-k)) / 2.
template <class Out>
[[gnu::always_inline]] inline void unpack(const double* re, const double* im, size_t m, const FftTables& t,
                                          Out&& out) {
  for (size_t k = 0; k < m; ++k) {
    const size_t c = k == 0 ? 0 : m - k;
    const double er = 0.5 * (re[k] + re[c]), ei = 0.5 * (im[k] - im[c]);
    // -i/2 (Z_k - conj Z_c) = ((im_k + im_c) / 2, -(re_k - re_c) / 2)
    const double orr = 0.5 * (im[k] + im[c]), oi = -0.5 * (re[k] - re[c]);
    const auto [wr, wi] = unpackTwiddle(t, k);
    out(k, er + (wr * orr - wi * oi), ei + (wr * oi + wi * orr));
  }
}

template <class V>
[[gnu::always_inline]] inline V squareRoot(V v) {
  if constexpr (std::is_same_v<V, double>) {
    return std::sqrt(v);
  } else {
#if defined(__SSE2__)
    // Correctly rounded, as std::sqrt is, two lanes at a time.
    using D2 = double __attribute__((vector_size(16)));
    const D2 lo = _mm_sqrt_pd(__builtin_shufflevector(v, v, 0, 1)), hi = _mm_sqrt_pd(__builtin_shufflevector(v, v, 2, 3));
    return __builtin_shufflevector(lo, hi, 0, 1, 2, 3);
#else
    for (int l = 0; l < 4; ++l) v[l] = std::sqrt(v[l]);
    return v;
#endif
  }
}

// The magnitudes |X_k| 2 / n, k = 1 .. m - 1, from their parts: the values
// of a float channel are far from where their squares would leave the range
// of a double. Bins k, m/2 - k, m/2 + k and m - k at once, four of each at a
// time: they need Z at k, m/2 +- k and m - k only, and W^k alone of the
// table; a last radix-2 stage, which gives Z_p and Z_(p + m/2) from one
// read, is worked out here, which spares a pass writing the whole transform
// and reading it back.
[[gnu::always_inline]] inline void spectrumBody(const float* x, size_t m, const FftTables& t, double* re, double* im,
                                                std::vector<float>& out) {
  const double *lastR = nullptr, *lastI = nullptr;
  halfTransformBody(x, m, t, re, im, &lastR, &lastI);
  // Made only now, so that its lines are still in the cache when written.
  out.resize(m);
  float* const mag = out.data();
  const double scale = 1.0 / static_cast<double>(m);   // 2 / n
  const size_t half = m / 2, quarter = m / 4;
  // Z_p .. Z_(p + lanes - 1) and Z_(p + half) .., (wR, wI) the radix-2
  // stage's twiddles at p.
  const auto z = [&]<class V>(size_t p, V wR, V wI, V* tr, V* ti, V* br, V* bi) __attribute__((always_inline)) {
    const V ar = loadAt<V>(re + p), ai = loadAt<V>(im + p);
    const V xr = loadAt<V>(re + half + p), xi = loadAt<V>(im + half + p);
    if (!lastR) {
      *tr = ar, *ti = ai, *br = xr, *bi = xi;
      return;
    }
    const V pr = wR * xr - wI * xi, pi = wR * xi + wI * xr;
    *tr = ar + pr, *ti = ai + pi, *br = ar - pr, *bi = ai - pi;
  };
  // Every helper inlined: a real call without AVX would take the 32-byte
  // arguments another way than the caller passes them.
  const auto magnitude = [scale]<class V>(V wr, V wi, V rk, V ik, V rc, V ic) __attribute__((always_inline)) {
    const V er = 0.5 * (rk + rc), ei = 0.5 * (ik - ic);
    const V orr = 0.5 * (ik + ic), oi = -0.5 * (rk - rc);
    const V r = er + (wr * orr - wi * oi), i = ei + (wr * oi + wi * orr);
    return squareRoot(r * r + i * i) * scale;
  };
  // Lanes in the other order: bins m/2 - k and m - k run down as k runs up.
  const auto flip = []<class V>(V v) __attribute__((always_inline)) {
    if constexpr (std::is_same_v<V, double>)
      return v;
    else
      return __builtin_shufflevector(v, v, 3, 2, 1, 0);
  };
  const auto put = [&]<class V>(size_t at, V v) __attribute__((always_inline)) {
    if constexpr (std::is_same_v<V, double>) {
      mag[at] = static_cast<float>(v);
    } else {
      using F4 = float __attribute__((vector_size(16)));
      const F4 out = __builtin_convertvector(v, F4);
      std::memcpy(mag + at, &out, sizeof out);
    }
  };
  // The bins k .. k + lanes - 1 of each of the four.
  const auto four = [&]<class V>(size_t k) __attribute__((always_inline)) {
    constexpr size_t lanes = sizeof(V) / sizeof(double);
    const size_t down = half - k - (lanes - 1);
    // The radix-2 stage's twiddles at p = half - k are those at k, W^2k,
    // mirrored: W^(n/2 - 2k) = (-R, I), but for 2k = n/8 (k = quarter / 2),
    // where W^(3n/8) has sin and cos of pi/4 the other way round.
    V wRk{}, wIk{}, wRd{}, wId{};
    if (lastR) {
      wRk = loadAt<V>(lastR + k), wIk = loadAt<V>(lastI + k);
      if (k <= quarter / 2 && quarter / 2 < k + lanes)
        wRd = loadAt<V>(lastR + down), wId = loadAt<V>(lastI + down);
      else
        wRd = flip(-wRk), wId = flip(wIk);
    }
    V rk, ik, rhk, ihk, rd, id, rmd, imd;
    z(k, wRk, wIk, &rk, &ik, &rhk, &ihk);          // Z_k, Z_(half + k)
    z(down, wRd, wId, &rd, &id, &rmd, &imd);       // Z_(half - k), Z_(m - k), lanes flipped
    rd = flip(rd), id = flip(id), rmd = flip(rmd), imd = flip(imd);
    const V wr = loadAt<V>(t.unpackRe.data() + k), wi = loadAt<V>(t.unpackIm.data() + k);
    put(k, magnitude(wr, wi, rk, ik, rmd, imd));
    put(m - k - (lanes - 1), flip(magnitude(-wr, wi, rmd, imd, rk, ik)));
    put(down, flip(magnitude(-wi, -wr, rd, id, rhk, ihk)));
    put(half + k, magnitude(wi, -wr, rhk, ihk, rd, id));
  };
  size_t k = 1;
  for (; k + 4 <= quarter; k += 4) four.template operator()<D4>(k);
  for (; k < quarter; ++k) four.template operator()<double>(k);
  // Bins m/4, 3m/4 (Z_(m/4) and its partner) and m/2 (paired with itself).
  double r0, i0, rh, ih, rq, iq, r3q, i3q;
  z(size_t{0}, lastR ? lastR[0] : 0.0, lastR ? lastI[0] : 0.0, &r0, &i0, &rh, &ih);
  z(quarter, lastR ? lastR[quarter] : 0.0, lastR ? lastI[quarter] : 0.0, &rq, &iq, &r3q, &i3q);
  const double wrq = t.unpackRe[quarter], wiq = t.unpackIm[quarter];
  put(quarter, magnitude(wrq, wiq, rq, iq, r3q, i3q));
  put(3 * quarter, magnitude(wiq, -wrq, r3q, i3q, rq, iq));
  put(half, magnitude(t.unpackIm[0], -t.unpackRe[0], rh, ih, rh, ih));
  mag[0] = 0.0f;
}

void halfTransformBase(const float* x, size_t m, const FftTables& t, double* re, double* im) {
  halfTransformBody(x, m, t, re, im);
}

void spectrumBase(const float* x, size_t m, const FftTables& t, double* re, double* im, std::vector<float>& mag) {
  spectrumBody(x, m, t, re, im, mag);
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void halfTransformAvx2(const float* x, size_t m, const FftTables& t, double* re, double* im) {
  halfTransformBody(x, m, t, re, im);
}

[[gnu::target("avx2")]] void spectrumAvx2(const float* x, size_t m, const FftTables& t, double* re, double* im,
                                          std::vector<float>& mag) {
  spectrumBody(x, m, t, re, im, mag);
}
#endif

void halfTransform(const float* x, size_t m, const FftTables& t, double* re, double* im) {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return halfTransformAvx2(x, m, t, re, im);
#endif
  halfTransformBase(x, m, t, re, im);
}

void spectrum(const float* x, size_t m, const FftTables& t, double* re, double* im, std::vector<float>& mag) {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return spectrumAvx2(x, m, t, re, im, mag);
#endif
  spectrumBase(x, m, t, re, im, mag);
}

}  // namespace

// The transform's work space, kept for the next transform: the user moves
// the band and transforms again, and fresh pages for the work cost a fifth
// of a transform.
struct FftWork;

int16_t LastFftButton(int64_t nCases) {
  int16_t last = kFftFirstButton - 1;
  for (int16_t id = kFftFirstButton; id <= kFftLastButton; ++id)
    if ((int64_t{1} << id) <= nCases) last = id;
  return last;
}

std::vector<cd> RealFft(std::span<const float> x) {
  const size_t n = x.size();
  if (n < 2 || (n & (n - 1)) != 0) return {};
  const size_t m = n / 2;
  std::vector<cd> out(m);
  if (n == 2) {
    out[0] = cd(static_cast<double>(x[0]) + x[1], 0.0);
    return out;
  }
  const auto t = tablesFor(n);
  // Every element is written before it is read.
  const KeptArray<double, FftWork> work(workDoubles(m));
  double *re = work.get(), *im = re + m + kImGap;
  halfTransform(x.data(), m, *t, re, im);
  unpack(re, im, m, *t, [&](size_t k, double r, double i) { out[k] = cd(r, i); });
  return out;
}

std::vector<float> MagnitudeSpectrum(std::span<const float> x) {
  const size_t n = x.size();
  if (n < 8 || (n & (n - 1)) != 0) {
    const std::vector<cd> bins = RealFft(x);
    std::vector<float> mag(bins.size());
    const double scale = 2.0 / static_cast<double>(n);
    for (size_t j = 1; j < bins.size(); ++j) mag[j] = static_cast<float>(std::abs(bins[j]) * scale);
    return mag;
  }
  const size_t m = n / 2;
  const auto t = tablesFor(n);
  const KeptArray<double, FftWork> work(workDoubles(m));
  std::vector<float> mag;
  spectrum(x.data(), m, *t, work.get(), work.get() + m + kImGap, mag);
  return mag;
}

std::vector<float> SmoothSpectrum(std::span<const float> m) {
  std::vector<float> out(m.begin(), m.end());
  for (size_t k = 1; k + 1 < m.size(); ++k)
    out[k] = static_cast<float>((static_cast<double>(m[k - 1]) + m[k] + m[k + 1]) * 0.333333);
  return out;
}

double FftUnitValue(double hz, int16_t unit) {
  auto period = [hz](double scale) {
    return hz == 0.0 ? std::numeric_limits<double>::infinity() : scale / hz;
  };
  switch (unit) {
    case 2: return hz * 1000.0;
    case 3: return hz / 1000.0;
    case 5: return period(1000.0);
    case 6: return period(1.0);
    case 7: return period(SecondsToMinutes(1.0));
    case 8: return period(SecondsToHours(1.0));
    default: return hz;
  }
}

const char* FftUnitColumnTitle(int16_t unit) {
  switch (unit) {
    case 2: return "frequency (mHz) ";
    case 3: return "frequency (KHz) ";
    case 5: return "period (msec) ";
    case 6: return "period (sec) ";
    case 7: return "period (min) ";
    case 8: return "period (hours) ";
    default: return "frequency (Hz) ";
  }
}

const char* FftUnitShortName(int16_t unit) {
  switch (unit) {
    case 2: return "mHz";
    case 3: return "KHz";
    case 5: return "msec";
    case 6: return "sec";
    case 7: return "min";
    case 8: return "hours";
    default: return "Hz";
  }
}

int64_t FftElementAtColumn(int x, int width, int64_t shown) {
  if (shown <= 0 || width <= 0) return 1;
  int64_t k;
  if (shown <= width)
    k = x / std::max<int64_t>(1, width / shown);
  else
    k = static_cast<int64_t>(static_cast<double>(x) * static_cast<double>(shown) / width);
  return std::clamp<int64_t>(k, 1, shown);
}

std::string FftResultsText(std::span<const float> magnitudes, int64_t n, double dt, int16_t unit) {
  std::string s = std::string(FftUnitColumnTitle(unit)) + "\tmagnitude\n";
  s.reserve(s.size() + magnitudes.size() * 24);
  for (size_t j = 0; j < magnitudes.size(); ++j) {
    s += NumText(FftUnitValue(FftBinHz(static_cast<int64_t>(j), n, dt), unit));
    s += '\t';
    s += NumText(magnitudes[j]);
    s += '\n';
  }
  return plat::toDiskText(s);
}
