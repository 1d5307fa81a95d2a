#include "analyses/stepped.h"

#include <algorithm>
#include <cmath>

#include "platform/macroman.h"
#include "shell/textutil.h"

namespace {

// Whole cases in a duration; the small allowance keeps 60 s at 0.1 s from
// landing a hair below 600 cases.
double casesIn(double seconds, double dt) { return std::trunc(seconds / dt + 1e-9); }

}  // namespace

const char* SteppedStatusText(SteppedStatus s) {
  switch (s) {
    case SteppedStatus::Ok: return "";
    case SteppedStatus::BadEndPoints:
      return "The end points and the start point must lie in the file, in the order left, start, right.";
    case SteppedStatus::DurationTooLong: return "The block or skip duration is longer than the file.";
    case SteppedStatus::NoStep: return "The block and skip durations are shorter than one sample interval.";
    case SteppedStatus::PastTheFile: return "The blocks reach past the end of the file.";
  }
  return "";
}

SteppedStatus LayoutSteppedBlocks(const SteppedRequest& r, int64_t nCases, SteppedLayout* out) {
  if (!(r.left >= 1 && r.left <= r.start && r.start <= r.right && r.right <= nCases))
    return SteppedStatus::BadEndPoints;
  if (!(r.dt > 0.0) || !std::isfinite(r.blockSeconds) || !std::isfinite(r.skipSeconds) || r.blockSeconds < 0.0 ||
      r.skipSeconds < 0.0)
    return SteppedStatus::NoStep;
  const double extra = r.scatter ? 0.0 : 1.0;
  const double nb = casesIn(r.blockSeconds, r.dt) + extra;
  const double step = casesIn(r.skipSeconds, r.dt) + extra + nb;
  if (nb > static_cast<double>(nCases) || step > static_cast<double>(nCases) + 1.0)
    return SteppedStatus::DurationTooLong;
  if (step < 1.0) return SteppedStatus::NoStep;
  SteppedLayout l;
  l.nb = static_cast<int32_t>(nb);
  l.step = static_cast<int32_t>(step);
  l.nBefore = (r.start - r.left) / l.step;
  l.nAfter = (r.right - r.start) / l.step;
  l.first = r.start - l.step * l.nBefore;
  if (l.count() > 0) {
    const int64_t lastStart = int64_t{r.start} + int64_t{l.nAfter - 1} * l.step;
    const int64_t lastCase = lastStart + l.nb - (r.scatter ? 0 : 1);
    if (lastCase > nCases || l.first - (r.scatter ? 0 : 1) < 0) return SteppedStatus::PastTheFile;
  }
  *out = l;
  return SteppedStatus::Ok;
}

std::vector<SteppedRow> SteppedRows(const SteppedLayout& l, int32_t start, double dt) {
  std::vector<SteppedRow> rows(static_cast<size_t>(std::max(0, l.count())));
  for (size_t k = 0; k < rows.size(); ++k) {
    SteppedRow& row = rows[k];
    row.startCase = l.first + static_cast<int32_t>(k) * l.step;
    row.endCase = row.startCase + l.nb;
    row.position = row.startCase - start;
    row.dtSeconds = static_cast<double>(row.position) * dt;
  }
  return rows;
}

std::vector<SteppedStats> SteppedBlockStats(std::span<const float> channel, const SteppedLayout& l, bool scatter,
                                            std::span<const float> interp, std::vector<bool>* interpolatedOut) {
  const size_t n = static_cast<size_t>(std::max(0, l.count()));
  std::vector<SteppedStats> out(n);
  if (interpolatedOut) interpolatedOut->assign(n, false);
  const int64_t len = int64_t{l.nb} + 1;
  for (size_t k = 0; k < n; ++k) {
    const int64_t b = int64_t{l.first} + static_cast<int64_t>(k) * l.step;
    const int64_t from = scatter ? b : b - 1;
    if (from < 0 || from + len > static_cast<int64_t>(channel.size())) continue;
    const float* v = channel.data() + from;
    // One read per block: sums shifted by the block's first value keep the
    // spread of values far from zero (10,000,000.1 and its neighbours).
    const double shift = v[0];
    // Two independent lanes: a short block is otherwise one long chain of
    // dependent additions.
    double p1 = 0.0, p2 = 0.0, q1 = 0.0, q2 = 0.0;
    float lo = v[0], hi = v[0];
    int64_t i = 0;
    for (; i + 2 <= len; i += 2) {
      const float x = v[i], y = v[i + 1];
      const double d = static_cast<double>(x) - shift, e = static_cast<double>(y) - shift;
      p1 += d;
      p2 += d * d;
      q1 += e;
      q2 += e * e;
      lo = std::min(lo, std::min(x, y));
      hi = std::max(hi, std::max(x, y));
    }
    if (i < len) {
      const double d = static_cast<double>(v[i]) - shift;
      p1 += d;
      p2 += d * d;
      lo = std::min(lo, v[i]);
      hi = std::max(hi, v[i]);
    }
    const double s1 = p1 + q1, s2 = p2 + q2;
    const double count = static_cast<double>(len);
    const double m = s1 / count;
    const auto mean = static_cast<float>(shift + m);
    const double var = std::max(0.0, s2 / count - m * m);
    out[k] = {mean, lo, hi, static_cast<float>(std::sqrt(var))};
    if (interpolatedOut && from + len <= static_cast<int64_t>(interp.size())) {
      bool any = false;
      for (int64_t i = 0; i < len && !any; ++i) any = interp[static_cast<size_t>(from + i)] != 0.0f;
      (*interpolatedOut)[k] = any;
    }
  }
  return out;
}

void SteppedMeanRange(std::span<const SteppedStats> stats, float* lo, float* hi) {
  const size_t n = stats.size();
  // Rows 3 .. N - 2 counted from 1: the ends of a long series are left out.
  size_t a = 2, b = n >= 2 ? n - 2 : 0;
  if (n < 5) a = 0, b = n;
  float l = 0.0f, h = 0.0f;
  for (size_t k = a; k < b; ++k) {
    if (k == a || stats[k].mean < l) l = stats[k].mean;
    if (k == a || stats[k].mean > h) h = stats[k].mean;
  }
  if (!(h > l)) {
    const float pad = l == 0.0f ? 1.0f : std::fabs(l) * 0.5f;
    l -= pad;
    h += pad;
  }
  *lo = l;
  *hi = h;
}

std::vector<SteppedPoint> SteppedFoldedMeans(std::span<const SteppedRow> rows, std::span<const SteppedStats> stats) {
  std::vector<SteppedPoint> pts;
  size_t z = rows.size();
  for (size_t k = 0; k < rows.size(); ++k)
    if (rows[k].position == 0) {
      z = k;
      break;
    }
  if (z == rows.size()) return pts;
  pts.push_back({0.0, stats[z].mean});
  for (size_t j = 1; j <= z && z + j < rows.size(); ++j) {
    const double x = std::fabs(rows[z + j].dtSeconds);
    if (x <= pts.back().absDt) continue;
    pts.push_back({x, static_cast<float>((static_cast<double>(stats[z - j].mean) + stats[z + j].mean) / 2.0)});
  }
  return pts;
}

std::string SteppedResultsText(const SteppedFileInput& in) {
  std::string s = "Source file: '" + in.fileName + "'     " + NumText(static_cast<double>(in.nCases)) + " cases," +
                  NumText(static_cast<double>(in.nChannels)) + " channels; " + in.today + "\n";
  s += "     block duration: " + in.blockTyped + "   skip duration: " + in.skipTyped + "    sample interval" +
       NumText(in.dt) + " seconds\n";
  s += "     initial point = " + NumText(in.start) + "; = " + NumText(static_cast<double>(in.start) * in.dt) +
       " seconds\n";
  for (size_t j = 0; j < in.channels.size(); ++j)
    s += "channel" + NumText(in.channels[j]) + ":  " + (j < in.labels.size() ? in.labels[j] : std::string()) + "\n";
  s += ";last channel is interpolation status ('9999'=interpolated) \n";
  s += "start block\tend block\tposition\tDt (sec) \t";
  for (int16_t c : in.channels) s += "chan" + std::to_string(c) + " mean\tmin\tmax\tSD\t";
  s += "interpolate\n";
  for (size_t r = 0; r < in.rows.size(); ++r) {
    const SteppedRow& row = in.rows[r];
    s += NumText(row.startCase) + "\t" + NumText(row.endCase) + "\t" + NumText(row.position) + "\t" +
         NumText(row.dtSeconds) + "\t";
    for (size_t j = 0; j < in.channels.size(); ++j) {
      const SteppedStats st = j < in.stats.size() && r < in.stats[j].size() ? in.stats[j][r] : SteppedStats{};
      s += NumText(st.mean) + "\t" + NumText(st.min) + "\t" + NumText(st.max) + "\t" + NumText(st.sd) + "\t";
    }
    s += NumText(row.interpolated ? 9999.0 : 0.0) + "\n";
  }
  return plat::toDiskText(s);
}

std::vector<int16_t> SteppedSavedChannels(std::span<const uint16_t> picked, int16_t nChannels) {
  std::vector<int16_t> out;
  for (int16_t c = 1; c <= nChannels && static_cast<size_t>(c) < picked.size() && out.size() < 10; ++c)
    if (picked[static_cast<size_t>(c)] != 0) out.push_back(c);
  return out;
}
