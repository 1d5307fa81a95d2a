// Interactive spike removal and linearising: the edits a click or a drag in
// the plot makes, and taking them back. Pure functions over plain arrays.
#pragma once
#include <cstdint>

inline constexpr int32_t kSpikeToolHelp = 258;

// The case under pixel x of paged segment `segment` (from 1).
int32_t CaseAtPixel(int x, int32_t segment, int16_t screenWidth, int16_t xStep);

struct SpikeEdit {
  int32_t caseIndex = 0;
  float before = 0.0f;
};
// Case c (held to 1..nCases-1) becomes the mean of its neighbours.
SpikeEdit RemoveSpikeAt(float* x, int32_t nCases, int32_t c);

struct SpanEdit {
  int32_t first = 0, last = 0;   // first == last: nothing changed
};
// Cases a..b (the smaller first, held to 0..nCases) are copied into `saved`
// (channel 0) and replaced by the line from x[a] to x[b]: without conserve
// variation x[i] = ya + (i - a) * (yb - ya) / (b - a) in double, both ends
// keeping their values exactly. With `passes` (1..5)
// of conserve variation the span is held to 1..nCases-1 and, pass by pass,
// each case becomes the mean of the residuals r(i - 1), r(i) with
// r(i) = line(i) - mean3(i) + x[i] (r(a) at i = a), so the local variation
// rides on the line.
SpanEdit LineariseSpan(float* x, float* saved, int32_t nCases, int32_t a, int32_t b, int32_t passes);
// Puts a span's saved values back.
void RestoreSpan(float* x, const float* saved, const SpanEdit& span);
