#include "analyses/linefit.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include "analyses/extremes.h"
#include "shell/safewrite.h"
#include "output/results.h"
#include "output/stats.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

float avalx = 0.0f;
float minx1 = 0.0f, maxx1 = 0.0f;

namespace {

// Small enough that the second look at a chunk comes from L1.
constexpr int32_t kChunk = 2048;

// Count, means and co-moments, merged chunk by chunk with the pairwise
// update, which loses nothing to a large common offset.
struct CoMoments {
  double n = 0.0, mx = 0.0, my = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
  void merge(double cn, double cmx, double cmy, double csxx, double csyy, double csxy) {
    const double total = n + cn;
    const double dx = cmx - mx, dy = cmy - my;
    const double w = n * cn / total;
    mx += dx * (cn / total);
    my += dy * (cn / total);
    sxx += csxx + dx * dx * w;
    syy += csyy + dy * dy * w;
    sxy += csxy + dx * dy * w;
    n = total;
  }
};

// One pass per chunk gathers the included (x, y) into L1 buffers, so the
// filter and any logarithm are applied once per case; the second pass sums
// the deviations from the chunk's means.
template <bool kTimeX, bool kLogX, bool kLogY, bool kFiltered>
void accumulate(const LineFitRequest& r, CoMoments* mo) {
  double xb[kChunk];
  float yb[kChunk];
  const float* xs = r.x.data();
  const float* ys = r.y.data();
  const float* interp = r.filter.interpolation.empty() ? nullptr : r.filter.interpolation.data();
  const float* sel = r.filter.selection.empty() ? nullptr : r.filter.selection.data();
  const double f = r.timeFactor;
  for (int32_t c = r.first; c <= r.last; c += kChunk) {
    const int32_t end = std::min(r.last, c + kChunk - 1);
    int32_t m = 0;
    double sx0 = 0, sx1 = 0, sy0 = 0, sy1 = 0;
    for (int32_t k = c; k <= end; ++k) {
      if constexpr (kFiltered) {
        if (interp && interp[k] != 0.0f) continue;
        if (sel && sel[k] == 0.0f) continue;
      }
      double xv;
      if constexpr (kTimeX) xv = static_cast<double>(k - r.first) * f;
      else if constexpr (kLogX) xv = FitLog10(xs[k]);
      else xv = xs[k];
      float yv;
      if constexpr (kLogY) yv = FitLog10(ys[k]);
      else yv = ys[k];
      xb[m] = xv;
      yb[m] = yv;
      // Two lanes so the adds overlap.
      if (m & 1) {
        sx1 += xv;
        sy1 += yv;
      } else {
        sx0 += xv;
        sy0 += yv;
      }
      ++m;
    }
    if (m == 0) continue;
    const double cmx = (sx0 + sx1) / m, cmy = (sy0 + sy1) / m;
    double xx0 = 0, xx1 = 0, yy0 = 0, yy1 = 0, xy0 = 0, xy1 = 0;
    int32_t i = 0;
    for (; i + 2 <= m; i += 2) {
      const double dx0 = xb[i] - cmx, dy0 = yb[i] - cmy;
      const double dx1 = xb[i + 1] - cmx, dy1 = yb[i + 1] - cmy;
      xx0 += dx0 * dx0;
      yy0 += dy0 * dy0;
      xy0 += dx0 * dy0;
      xx1 += dx1 * dx1;
      yy1 += dy1 * dy1;
      xy1 += dx1 * dy1;
    }
    if (i < m) {
      const double dx = xb[i] - cmx, dy = yb[i] - cmy;
      xx0 += dx * dx;
      yy0 += dy * dy;
      xy0 += dx * dy;
    }
    mo->merge(m, cmx, cmy, xx0 + xx1, yy0 + yy1, xy0 + xy1);
  }
}

// Every case on the time axis: x of a chunk is an evenly spaced run whose
// mean and Sxx are known, so only y is read (once from memory, once from L1).
void accumulatePlainTime(const LineFitRequest& r, CoMoments* mo) {
  const float* ys = r.y.data();
  const double f = r.timeFactor;
  for (int32_t c = r.first; c <= r.last; c += kChunk) {
    const int32_t m = std::min(r.last - c + 1, kChunk);
    const float* p = ys + c;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int32_t i = 0;
    for (; i + 4 <= m; i += 4) {
      s0 += p[i];
      s1 += p[i + 1];
      s2 += p[i + 2];
      s3 += p[i + 3];
    }
    for (; i < m; ++i) s0 += p[i];
    const double cmy = ((s0 + s1) + (s2 + s3)) / m;
    const double h = (m - 1) / 2.0;
    double yy0 = 0, yy1 = 0, xy0 = 0, xy1 = 0;
    i = 0;
    for (; i + 2 <= m; i += 2) {
      const double d0 = p[i] - cmy, d1 = p[i + 1] - cmy;
      yy0 += d0 * d0;
      yy1 += d1 * d1;
      xy0 += (i - h) * d0;
      xy1 += (i + 1 - h) * d1;
    }
    if (i < m) {
      const double d = p[i] - cmy;
      yy0 += d * d;
      xy0 += (i - h) * d;
    }
    const double md = m;
    const double cmx = (static_cast<double>(c - r.first) + h) * f;
    mo->merge(md, cmx, cmy, f * f * md * (md * md - 1.0) / 12.0, yy0 + yy1, f * (xy0 + xy1));
  }
}

// Every case of two channels, neither on a log scale: accumulate's sums in
// accumulate's order (the even cases of a chunk in one lane, the odd ones in
// the other), read straight from the channels in pairs of lanes.
void accumulatePlainXY(const LineFitRequest& r, CoMoments* mo) {
  using D2 = double __attribute__((vector_size(16)));
  const float* xs = r.x.data();
  const float* ys = r.y.data();
  for (int32_t c = r.first; c <= r.last; c += kChunk) {
    const int32_t m = std::min(r.last - c + 1, kChunk);
    const float* px = xs + c;
    const float* py = ys + c;
    D2 sx = {0, 0}, sy = {0, 0};
    int32_t i = 0;
    for (; i + 2 <= m; i += 2) {
      sx += D2{px[i], px[i + 1]};
      sy += D2{py[i], py[i + 1]};
    }
    if (i < m) {
      sx[0] += px[i];
      sy[0] += py[i];
    }
    const double cmx = (sx[0] + sx[1]) / m, cmy = (sy[0] + sy[1]) / m;
    D2 xx = {0, 0}, yy = {0, 0}, xy = {0, 0};
    for (i = 0; i + 2 <= m; i += 2) {
      const D2 dx = D2{px[i], px[i + 1]} - cmx, dy = D2{py[i], py[i + 1]} - cmy;
      xx += dx * dx;
      yy += dy * dy;
      xy += dx * dy;
    }
    if (i < m) {
      const double dx = px[i] - cmx, dy = py[i] - cmy;
      xx[0] += dx * dx;
      yy[0] += dy * dy;
      xy[0] += dx * dy;
    }
    mo->merge(m, cmx, cmy, xx[0] + xx[1], yy[0] + yy[1], xy[0] + xy[1]);
  }
}

template <bool kTimeX, bool kLogX>
void accumulateY(const LineFitRequest& r, CoMoments* mo) {
  const bool filtered = r.filter.active();
  if constexpr (kTimeX) {
    if (!filtered && !r.logY) return accumulatePlainTime(r, mo);
  } else if constexpr (!kLogX) {
    if (!filtered && !r.logY) return accumulatePlainXY(r, mo);
  }
  if (r.logY) {
    filtered ? accumulate<kTimeX, kLogX, true, true>(r, mo) : accumulate<kTimeX, kLogX, true, false>(r, mo);
  } else {
    filtered ? accumulate<kTimeX, kLogX, false, true>(r, mo) : accumulate<kTimeX, kLogX, false, false>(r, mo);
  }
}

bool spanCovers(std::span<const float> s, int32_t last) { return static_cast<int64_t>(s.size()) > last; }

}  // namespace

float FitLog10(float v) { return static_cast<float>(std::log(static_cast<double>(v)) * 0.434294); }

double LineFitRequest::xAt(int32_t k) const {
  if (x.empty()) return static_cast<double>(k - first) * timeFactor;
  const float v = x[static_cast<size_t>(k)];
  return logX && k >= first && k <= last ? FitLog10(v) : v;
}

float LineFitRequest::yAt(int32_t k) const {
  const float v = y[static_cast<size_t>(k)];
  return logY && k >= first && k <= last ? FitLog10(v) : v;
}

FitStatus FitLine(const LineFitRequest& req, LineFit* out) {
  if (req.first < 0 || req.first > req.last || !spanCovers(req.y, req.last)) return FitStatus::BadSpan;
  if (!req.x.empty() && !spanCovers(req.x, req.last)) return FitStatus::BadSpan;
  if (!req.filter.interpolation.empty() && !spanCovers(req.filter.interpolation, req.last))
    return FitStatus::BadSpan;
  if (!req.filter.selection.empty() && !spanCovers(req.filter.selection, req.last)) return FitStatus::BadSpan;

  CoMoments mo;
  if (req.x.empty()) accumulateY<true, false>(req, &mo);
  else if (req.logX) accumulateY<false, true>(req, &mo);
  else accumulateY<false, false>(req, &mo);

  LineFit f;
  f.n = static_cast<int32_t>(mo.n);
  f.xMean = mo.mx;
  f.yMean = mo.my;
  f.sxx = mo.sxx;
  f.syy = mo.syy;
  f.sxy = mo.sxy;
  f.b = static_cast<float>(mo.sxy / mo.sxx);
  f.r2 = static_cast<float>((mo.sxy * mo.sxy / mo.sxx) / mo.syy);
  f.a = static_cast<float>(mo.my - static_cast<double>(f.b) * mo.mx);
  *out = f;
  return FitStatus::Ok;
}

const char* SlopeTestRefusal(int32_t n, double sxx, double sxy, double syy) {
  if (n < 3) return "too few points";
  if (!std::isfinite(sxx) || !std::isfinite(sxy) || !std::isfinite(syy)) return "data not finite";
  if (!(sxx > 0.0)) return "no variation in X";
  return nullptr;
}

double TimeUnitFactor(int16_t timeUnits, float interval) {
  switch (timeUnits) {
    case 1: return SecondsToMinutes(interval);
    case 2: return SecondsToHours(interval);
    case 3: return SecondsToDays(interval);
    default: return interval;
  }
}

const char* TimeUnitText(int16_t timeUnits) {
  switch (timeUnits) {
    case 1: return "minutes";
    case 2: return "hours";
    case 3: return "days";
    default: return "seconds";
  }
}

TimeIntercepts TimeSlopeIntercepts(const LineFit& fit, int32_t beginBlock, double timeFactor) {
  TimeIntercepts t;
  t.atBlock = fit.a;
  t.atZero = static_cast<float>(static_cast<double>(fit.a) - static_cast<double>(fit.b) * beginBlock * timeFactor);
  return t;
}

FitExtremes RegressionExtremes(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                               const CaseFilter& filter) {
  FitExtremes e;
  if (first < 0 || first > last || !spanCovers(x, last) || !spanCovers(y, last)) return e;
  const float* interp = filter.interpolation.empty() ? nullptr : filter.interpolation.data();
  const float* sel = filter.selection.empty() ? nullptr : filter.selection.data();
  RunningExtremes<> ex, ey;
  for (int32_t k = first; k <= last; ++k) {
    if (interp && interp[k] != 0.0f) continue;
    if (sel && sel[k] == 0.0f) continue;
    ex.add(x[static_cast<size_t>(k)]);
    ey.add(y[static_cast<size_t>(k)]);
  }
  return {ex.loOr(e.xMin), ex.hiOr(e.xMax), ey.loOr(e.yMin), ey.hiOr(e.yMax)};
}

int16_t AllowedModel(int16_t model, const FitExtremes& e) {
  if (model < kModelLinear || model > kModelLogLog) return kModelLinear;
  if (e.yMin <= 0.0f || e.xMin <= 0.0f) return kModelLinear;
  return model;
}

int16_t CarriedModel(const LineFitRequest& req, int16_t model) {
  if (model < kModelLinear || model > kModelLogLog) return kModelLinear;
  const bool logX = ModelLogX(model), logY = ModelLogY(model);
  if (!logX && !logY) return model;
  if (logX && req.x.empty()) return kModelLinear;
  if (req.first < 0 || req.first > req.last || !spanCovers(req.y, req.last)) return kModelLinear;
  if (logX && !spanCovers(req.x, req.last)) return kModelLinear;
  const float* interp = req.filter.interpolation.empty() ? nullptr : req.filter.interpolation.data();
  const float* sel = req.filter.selection.empty() ? nullptr : req.filter.selection.data();
  for (int32_t k = req.first; k <= req.last; ++k) {
    if (interp && interp[k] != 0.0f) continue;
    if (sel && sel[k] == 0.0f) continue;
    if ((logY && req.y[static_cast<size_t>(k)] <= 0.0f) || (logX && req.x[static_cast<size_t>(k)] <= 0.0f))
      return kModelLinear;
  }
  return model;
}

ResidualRow ResidualAt(const LineFitRequest& req, int32_t k, float a, float b) {
  ResidualRow r;
  r.x = req.x.empty() ? static_cast<double>(static_cast<float>(req.timeFactor) * static_cast<float>(k - req.first))
                      : req.xAt(k);
  r.y = req.yAt(k);
  r.predicted = a + b * static_cast<float>(r.x);
  r.residual = r.y - r.predicted;
  return r;
}

ResidualRange ResidualsRange(const LineFitRequest& req, float a, float b) {
  RunningExtremes<> er;
  RunningExtremes<double> ex;
  for (int32_t k = req.first; k <= req.last; ++k) {
    const ResidualRow r = ResidualAt(req, k, a, b);
    // A log of a value the fit skipped may be non-finite; it has no place.
    if (!std::isfinite(r.residual) || !std::isfinite(r.x)) continue;
    er.add(r.residual);
    ex.add(r.x);
  }
  // No finite row keeps the marks for "none".
  return er.any() ? ResidualRange{er.lo, er.hi, ex.lo, ex.hi} : ResidualRange{};
}

ResidualPlotScale ResidualPlotScaleOf(const ResidualRange& rr, bool timeMode, int32_t first, int32_t last) {
  ResidualPlotScale s;
  const bool any = rr.rMin <= rr.rMax;
  if (any && rr.rMax > rr.rMin) {
    s.vscale = 296.0 / (static_cast<double>(rr.rMax) - rr.rMin);
    s.rTop = rr.rMax;
  } else if (any) {
    s.rTop = static_cast<double>(rr.rMax) + 0.5;
  }
  const double span = timeMode ? static_cast<double>(last) - first : (any ? rr.xMax - rr.xMin : 0.0);
  const double from = timeMode ? 0.0 : (any ? rr.xMin : 0.0);
  if (span > 0.0) {
    s.hscale = 465.0 / span;
    s.xFrom = from;
  } else {
    s.xFrom = from - 232.0;
  }
  return s;
}

int PixelOf(double v) {
  if (!std::isfinite(v)) return -30000;
  return static_cast<int>(std::lround(std::clamp(v, -30000.0, 30000.0)));
}

std::string ResidualsHeader(bool withChannelX) {
  return std::string(withChannelX ? "X  value" : "time") + "\tY value\tpredicted\tresidual\n";
}

int WriteResidualsFile(const std::filesystem::path& path, const LineFitRequest& req, float a, float b,
                       bool withChannelX) {
  if (req.first < 0 || req.first > req.last || !spanCovers(req.y, req.last)) return EINVAL;
  if (!req.x.empty() && !spanCovers(req.x, req.last)) return EINVAL;
  SafeFileWriter w;
  if (!w.open(path)) return w.error() ? w.error() : EIO;
  std::string buf = ResidualsHeader(withChannelX);
  constexpr size_t kFlushAt = 1 << 20;
  buf.reserve(kFlushAt + 256);
  bool ok = true;
  for (int32_t k = req.first; k <= req.last && ok; ++k) {
    const ResidualRow r = ResidualAt(req, k, a, b);
    buf += NumText(static_cast<float>(r.x));
    buf += '\t';
    buf += NumText(r.y);
    buf += '\t';
    buf += NumText(r.predicted);
    buf += '\t';
    buf += NumText(r.residual);
    buf += '\n';
    if (buf.size() >= kFlushAt) {
      ok = w.write(buf.data(), buf.size());
      buf.clear();
    }
  }
  if (ok && !buf.empty()) ok = w.write(buf.data(), buf.size());
  if (ok && w.commit()) return 0;
  return w.error() ? w.error() : EIO;
}

float PredictY(float x, float a, float b) { return x * b + a; }
float PredictX(float y, float a, float b) { return (y - a) / b; }

std::string SlopeZeroProbText(float p) {
  if (p > kSlopeProbabilityFloor || std::isnan(p)) return FormatPicture(p, "#.#######");
  return " < .00001                      ";
}

std::string SlopeTestProbText(float p) {
  if (p <= kSlopeProbabilityFloor && !std::isnan(p)) return "is < .00001";
  return "is" + NumText(p);
}

std::string TimeSlopeModelText(int16_t timeUnits, bool logY) {
  return std::string(" model:  ") + (logY ? "log " : "") + "\rY = a + b * (elapsed time in " +
         TimeUnitText(timeUnits) + ")           ";
}

const char* RegressionModelText(int16_t model) {
  switch (model) {
    case kModelLogY: return "log Y = a + b * X";
    case kModelLogX: return "Y value = a + b * log X";
    case kModelLogLog: return "log Y = a + b * log X";
    default: return "Y = a + b * X";
  }
}

const char* PredictionTypeText(int16_t model, bool timeAxis) {
  switch (model) {
    case kModelLogY: return timeAxis ? "linear time, log Y" : "linear X, log Y";
    case kModelLogX: return timeAxis ? "log time, linear Y" : "log X, linear Y";
    case kModelLogLog: return timeAxis ? "log time and log Y" : "log X and log Y";
    default: return timeAxis ? "linear time and Y" : "linear X and Y";
  }
}

// ---- Adapters ---------------------------------------------------------------------------

void StoreLineFit(const LineFit& fit) {
  sumx2 = fit.sxx;
  sumy2 = fit.syy;
  sumxy = fit.sxy;
  ValueOfB = fit.b;
  rsquared = fit.r2;
  ValueOfA = fit.a;
  nPoints = fit.n;
}

bool ChannelFitRequest(int16_t slot, int16_t xChannel, int16_t yChannel, int32_t first, int32_t last,
                       bool useSelection, LineFitRequest* out) {
  if (!ValidFileSlot(slot)) return false;
  auto channel = [slot](int16_t c) -> std::span<const float> {
    if (c < 1 || c > nChannels[slot]) return {};
    const float* p = ChannelData(slot, c);
    if (!p) return {};
    return {p, static_cast<size_t>(nCases[slot]) + 1};
  };
  LineFitRequest r;
  r.first = std::min(first, last);
  r.last = std::max(first, last);
  r.y = channel(yChannel);
  if (r.y.empty()) return false;
  if (xChannel != 0) {
    r.x = channel(xChannel);
    if (r.x.empty()) return false;
  }
  if (!CurrentCaseFilter(AvoidInterpolation != 0, useSelection && UseCrossChanIndex != 0, nCases[slot], &r.filter))
    return false;
  if (r.first < 0 || r.last > nCases[slot]) return false;
  *out = r;
  return true;
}
