// Reference removal: finding the stretches where the analyser read its
// reference gas (beyond a cutoff), widening them, and replacing them by a
// line or a fixed value. Pure functions over plain arrays, and the whole
// fix of a channel of an open file (its markers included).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shell/store.h"

inline constexpr int16_t kReferencesOp = 40;
inline constexpr int32_t kReferencesHelp = 181;
inline constexpr size_t kMaxReferenceSegments = 15'301;

struct ReferenceSettings {
  bool down = true;            // reference readings at or below the cutoff (else at or above)
  bool interpolate = true;     // a line between the segment's ends (else the fixed value)
  float cutoff = 0.0f;
  int32_t endMargin = 0;       // cases left out at the end of the scanned range
  float fixedValue = 0.0f;
  int32_t leftExtra = 10, rightExtra = 10;
  bool markers = false;        // a 200/199 marker pair around each segment
  bool leftToMarker = false;   // widen to the previous marker instead of leftExtra
  bool rightToMarker = false;  // widen to the next marker instead of rightExtra
};
// Fields 4 direction (1 down), 5 replacement (1 interpolated), 6 cutoff, 7
// end margin, 8 fixed value, 9 and 10 extra cases, 11 markers, 13 and 14
// widened to the previous / next marker (0: by the extra cases).
void ToScriptStep(const ReferenceSettings& s, float (&step)[28]);
ReferenceSettings ReferenceSettingsFromStep(const float (&step)[28]);

struct ReferenceSegment {
  int32_t first = 0, last = 0;
  bool marked = false;         // its marker pair is in
};

// Scans cases first..last: a case beyond the cutoff (<= down, >= up) starts
// a run that ends at the first later case back inside (> down, < up), or at
// `last`; the scan goes on after that case. NaN neither starts nor ends a
// run; a run starting at `last` is no segment. Each run is widened (by
// extra cases, or to the last marker at or before its start and the first
// marker after its end; without such a marker the run's own edge) and held
// to 1..nCases, and appended while fewer than kMaxReferenceSegments are
// listed. Returns the number added.
size_t FindReferenceSegments(const float* x, int32_t first, int32_t last, int32_t nCases, const ReferenceSettings& s,
                             const std::vector<MarkerRecord>& markers, std::vector<ReferenceSegment>* list);
// Interpolated: x[a + 1..b - 1] on the line from x[a] to x[b], each case
// x[a] + (k - a) * slope in double; both ends keep their values.
// Fixed: x[a..b] = the fixed value.
void ApplyReferenceSegment(float* x, const ReferenceSegment& seg, const ReferenceSettings& s);

// What a fix did.
struct ReferenceFixResult {
  size_t replaced = 0;         // segments replaced
  bool markersAdded = false;   // at least one pair went in
  bool markerLimit = false;    // a pair found the marker list full and went without
};
// One fix of a channel of a file over cases first..last: the segments found
// now (widened to the file's markers as they stand) go into *segments, each
// gets its interpolation pair when s.markers asks for one, and each is
// replaced; the flags are rebuilt when pairs went in. std::bad_alloc may
// come once samples were replaced: the caller's undo copy puts them back and
// its copy of the marker list puts the pairs back.
ReferenceFixResult FixReferences(int16_t slot, int16_t channel, int32_t first, int32_t last,
                                 const ReferenceSettings& s, std::vector<ReferenceSegment>* segments);

std::string ReferenceLogText(const ReferenceSettings& s);
