// The distribution windows: the small 21-slot chart left standing beside
// the plot (window 151, or 150 + channel with MultiHist), and the big
// modal chart with a chosen number of bins or bin width and an optional
// normal curve (window 151).
#pragma once
#include <cstdint>

// first..last the span, mean the result mean (a line on the chart); the
// range switches of the descriptive statistics (value range on; bounds from
// fields 222 / 221 of window 4); big chooses the form. Counts cases from
// mi to ma (the result's extremes). A span with no counted case sounds
// "bzot" and draws nothing.
void HISTOGRAM(int32_t first, int32_t last, double mean, uint16_t rangeMode, uint16_t minFromField,
               uint16_t maxFromField, uint16_t big);

// Installs HISTOGRAM as the descriptive statistics' distribution hook.
void InstallHistogramHook();

inline constexpr int16_t kHistogramWindow = 151;
inline constexpr int16_t kHistFullestField = 111;
inline constexpr int16_t kHistBinsField = 113;
inline constexpr int16_t kHistWidthField = 114;
inline constexpr int16_t kHistUseBins = 1;
inline constexpr int16_t kHistUseWidth = 2;
inline constexpr int16_t kHistNormalBox = 3;
inline constexpr int16_t kHistClose = 4;
