// File ▸ "Print File Image…" and "File Image Preview…": a page of the current
// file with its title, file line, stacked channels, markers, time-of-day
// index, sampling data and comments, printed or previewed.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/types.h"

namespace plat {
class Port;
}

inline constexpr int16_t kPrintOptionsWindow = 5;
inline constexpr int16_t kPrintAlertWindow = 16;
inline constexpr int16_t kPrintPageWindow = 31;
// Option boxes of window 5.
inline constexpr int16_t kPrintTitle = 1, kPrintFileName = 2, kPrintSampling = 3, kPrintComments = 4,
                         kPrintDotted = 5, kPrintMarkers = 6, kPrintZeroLines = 7, kPrintCustomHeights = 8,
                         kPrintNext = 9;
// Buttons of the preview window.
inline constexpr int16_t kPreviewClose = 2, kPreviewSend = 10;

extern uint16_t PZL;   // zero lines on the printed strips

// What the page needs of the plot window, handed in by the registrar.
struct PrintImageServices {
  // The custom-height dialog for the printed strips.
  std::function<void()> customHeights;
  // Y limits of a channel over cases first..last by its own scale mode.
  std::function<void(int16_t channel, int32_t first, int32_t last, float* lo, float* hi)> scaleOf;
  // The plot window's page slider rebuilt at the end.
  std::function<void()> rebuildSlider;
  bool showDot = false;   // dots at compacted means
  uint16_t* customPlot = nullptr;   // the printed strips use the custom heights
};

struct PrintOptions {
  bool title = true, fileName = true, sampling = true, comments = true, dotted = true, markers = true;
  // The page's relative strip heights by channel (custom heights only), a
  // copy: printing never changes the strips the screen draws with.
  std::vector<float> stripHeights;
};

// print 1 prints, 0 previews.
void SCREENIMAGE(uint16_t print, const PrintImageServices& services);
// The whole page of TheFileInUse into p (page coordinates, 900 wide).
void DrawFileImagePage(plat::Port& p, const PrintOptions& o, const PrintImageServices& services, int pageRight);
// The channel strips, file line, first sampling line, range times and markers.
void PRINTCHANNELS(plat::Port& p, const PrintOptions& o, const PrintImageServices& services, int pageRight);
// Time-of-day ticks at baseline y; labelled adds the numbers, caption and rule.
void DrawSITimeIndex(plat::Port& p, uint16_t y, uint16_t labelled, int pageRight);
void TITLE(plat::Port& p, int16_t x, int16_t y);
