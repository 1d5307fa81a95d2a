#include "editing/references.h"

#include <algorithm>
#include <cmath>

#include "shell/recording.h"
#include "shell/textutil.h"

void ToScriptStep(const ReferenceSettings& s, float (&step)[28]) {
  step[4] = s.down ? 1.0f : 0.0f;
  step[5] = s.interpolate ? 1.0f : 0.0f;
  step[6] = s.cutoff;
  step[7] = static_cast<float>(s.endMargin);
  step[8] = s.fixedValue;
  step[9] = static_cast<float>(s.leftExtra);
  step[10] = static_cast<float>(s.rightExtra);
  step[11] = s.markers ? 1.0f : 0.0f;
  step[references_step::kLeftToMarker] = s.leftToMarker ? 1.0f : 0.0f;
  step[references_step::kRightToMarker] = s.rightToMarker ? 1.0f : 0.0f;
}

namespace {

int32_t wholeCases(float v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(v), -2.0e9f, 2.0e9f));
}

}  // namespace

ReferenceSettings ReferenceSettingsFromStep(const float (&step)[28]) {
  ReferenceSettings s;
  s.down = step[4] != 0.0f;
  s.interpolate = step[5] != 0.0f;
  s.cutoff = step[6];
  s.endMargin = std::max(0, wholeCases(step[7]));
  s.fixedValue = step[8];
  s.leftExtra = wholeCases(step[9]);
  s.rightExtra = wholeCases(step[10]);
  s.markers = step[11] != 0.0f;
  s.leftToMarker = StepFlag(step, references_step::kLeftToMarker);
  s.rightToMarker = StepFlag(step, references_step::kRightToMarker);
  return s;
}

size_t FindReferenceSegments(const float* x, int32_t first, int32_t last, int32_t nCases, const ReferenceSettings& s,
                             const std::vector<MarkerRecord>& markers, std::vector<ReferenceSegment>* list) {
  first = std::max(first, 0);
  last = std::min(last, nCases);
  const float c = s.cutoff;
  size_t added = 0;
  int32_t i = first;
  // The next case at or beyond `from` that starts (or ends) a run; last + 1
  // when there is none. NaN does neither.
  const auto nextStart = [&](int32_t from) {
    if (s.down) {
      while (from <= last && !(x[from] <= c)) ++from;
    } else {
      while (from <= last && !(x[from] >= c)) ++from;
    }
    return from;
  };
  const auto nextEnd = [&](int32_t from) {
    if (s.down) {
      while (from <= last && !(x[from] > c)) ++from;
    } else {
      while (from <= last && !(x[from] < c)) ++from;
    }
    return from;
  };
  while (i <= last) {
    const int32_t start = nextStart(i);
    if (start >= last) break;
    const int32_t end = std::min(nextEnd(start + 1), last);
    if (list->size() < kMaxReferenceSegments) {
      int64_t a = static_cast<int64_t>(start) - s.leftExtra;
      int64_t b = static_cast<int64_t>(end) + s.rightExtra;
      if (s.leftToMarker) {
        a = start;
        const auto it = std::upper_bound(markers.begin(), markers.end(), start,
                                         [](int32_t v2, const MarkerRecord& m) { return v2 < m.caseNumber; });
        if (it != markers.begin()) a = std::prev(it)->caseNumber;
      }
      if (s.rightToMarker) {
        b = end;
        const auto it = std::upper_bound(markers.begin(), markers.end(), end,
                                         [](int32_t v2, const MarkerRecord& m) { return v2 < m.caseNumber; });
        if (it != markers.end()) b = it->caseNumber;
      }
      ReferenceSegment seg;
      seg.first = static_cast<int32_t>(std::clamp<int64_t>(a, 1, nCases));
      seg.last = static_cast<int32_t>(std::clamp<int64_t>(b, 1, nCases));
      if (seg.first > seg.last) std::swap(seg.first, seg.last);
      list->push_back(seg);
      ++added;
    }
    i = end + 1;
  }
  return added;
}

void ApplyReferenceSegment(float* x, const ReferenceSegment& seg, const ReferenceSettings& s) {
  const int32_t a = seg.first, b = seg.last;
  if (!s.interpolate) {
    std::fill(x + a, x + b + 1, s.fixedValue);
    return;
  }
  if (b <= a) return;
  // Each case from the first in double: a running float sum wandered off the
  // line and overwrote the reading at the segment's end.
  const float ya = x[a], yb = x[b];
  const double slope = (static_cast<double>(yb) - ya) / static_cast<double>(b - a);
  for (int32_t k = a + 1; k < b; ++k) x[k] = static_cast<float>(ya + static_cast<double>(k - a) * slope);
}

ReferenceFixResult FixReferences(int16_t slot, int16_t channel, int32_t first, int32_t last,
                                 const ReferenceSettings& s, std::vector<ReferenceSegment>* segments) {
  ReferenceFixResult result;
  segments->clear();
  float* x = ChannelData(slot, channel);
  if (!x) return result;
  FindReferenceSegments(x, first, last, nCases[slot], s, MarkersArray[slot], segments);
  if (s.markers && !segments->empty()) {
    // All pairs in one pass over the list (one at a time, each pair rebuilt
    // the whole list). Beside the marker a segment widened to, never in its
    // place.
    std::vector<InterpolationSpan> spans;
    spans.reserve(segments->size());
    for (const ReferenceSegment& seg : *segments) spans.push_back({seg.first, seg.last});
    std::vector<StoreStatus> told;
    AddInterpolationPairs(slot, spans, &told);
    for (size_t k = 0; k < told.size(); ++k) {
      if (told[k] == StoreStatus::Ok) {
        (*segments)[k].marked = true;
        result.markersAdded = true;
      } else if (told[k] == StoreStatus::TooManyMarkers) {
        result.markerLimit = true;
      }
    }
  }
  for (const ReferenceSegment& seg : *segments) {
    ApplyReferenceSegment(x, seg, s);
    ++result.replaced;
  }
  if (result.markersAdded) MakeInterpolationRecordFor(slot);
  return result;
}

std::string ReferenceLogText(const ReferenceSettings& s) {
  std::string t = "reference removal; ";
  t += s.down ? "downgoing; " : "upgoing; ";
  t += s.interpolate ? std::string("interpolate, ") : "replace with " + NumText(s.fixedValue) + "; ";
  return t + "cutoff = " + NumText(s.cutoff);
}
