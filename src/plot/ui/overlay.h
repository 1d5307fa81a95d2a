// Other channels of the file drawn over the active one in the single view,
// each in its own colour and scaled to the plot height on its own.
#pragma once
#include <cstdint>
#include <functional>

// prefsArray word: overlay lines dashed.
inline constexpr int kPrefDashedOverlay = 15;
extern uint16_t showcolorlegend;   // the colour legend follows the choice

inline constexpr int16_t kOverlayOptionsWindow = 14;
inline constexpr int16_t kOverlayThisPlot = 1, kOverlayAllPlots = 2, kOverlayDashed = 3, kOverlayLegend = 4,
                         kOverlayOK = 5;

// View ▸ "Overlay…": the channels chosen into set 1, the options when they
// were ticked by hand, the legend (shown by showColourLegend) and the
// overlay. The active channel's limits are those of its own plot afterwards.
// closeColourLegend is kept: removing the overlay closes its legend too.
void OVERLAY(const std::function<void()>& showColourLegend, const std::function<void()>& closeColourLegend = {});
// The overlay into the plot window of TheFileInUse; the scale globals and
// ActiveChannel are left as they were.
void DrawOVERLAY();
// View ▸ "Remove Overlay": overlay no longer persistent, its legend closed,
// screen redrawn.
void RemoveOverlay();
// The "Clear Overlay" button: as RemoveOverlay, and the overlay channels
// unflagged, so the button goes too.
void ClearOverlayButton();
// The option-digit keys: the channel alone drawn as an overlay; the
// overlay flags are left as they were.
void FlashOverlay(int16_t channel);
