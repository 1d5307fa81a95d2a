// Edit "Interactive Spike Removal" (toolbar 558, and from the automatic
// panel): clicks in the plot remove single spikes; two clicks or a drag
// straighten a span. DELETE, or Edit > Undo while the tool runs, rejects the
// last change.
#pragma once
#include <cstdint>

inline constexpr int16_t kToolSpikeMode = 41;
inline constexpr int16_t kToolLinearMode = 42;
inline constexpr int16_t kToolDone = 43;
inline constexpr int16_t kToolMarkers = 44;
inline constexpr int16_t kToolConserve = 45;
inline constexpr int16_t kToolHelpButton = 48;
inline constexpr int16_t kToolCountField = 101;
inline constexpr int16_t kToolPassesPopup = 140;
inline constexpr int16_t kToolPassesMenu = 128;
// prefsArray word 43: conserve variation.
inline constexpr int kPrefConserveVariation = 43;

// The tool's modes and options, kept from one opening to the next (DsLx,
// with the settings in shell/defaults.h, keeps the mode across openings).
extern int16_t DoSlant;             // 0 spike mode, 1 linearising
extern int16_t spikeInterpMarkers;  // a 200/199 pair around each span
extern int16_t CVX2;                // conserve-variation passes 1..5

// wasMultichannel is accepted for the callers; the stacked view is not
// switched here. The undo copy is taken at opening, so Edit > Undo after the
// tool gives the channel as the tool found it. Returns 0.
int16_t IntREMOVESPIKE(int16_t wasMultichannel);
