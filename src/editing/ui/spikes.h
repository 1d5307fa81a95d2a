// Edit "Remove Spikes…" (toolbar 557, script operation 7): the
// "Automatic Spike Removal" panel with spike sweeps, trimming and absolute
// values over the channel or the block.
#pragma once
#include <cstdint>

inline constexpr int16_t kSpikeInteractive = 41;
inline constexpr int16_t kSpikeSweep = 42;
inline constexpr int16_t kSpikeTrim = 43;
inline constexpr int16_t kSpikeInBlock = 44;
inline constexpr int16_t kSpikeDone = 45;
inline constexpr int16_t kSpikeUndo = 46;
inline constexpr int16_t kSpikeSingleScan = 47;
inline constexpr int16_t kSpikeHelpButton = 48;
inline constexpr int16_t kSpikeAbsolute = 49;
inline constexpr int16_t kSpikeUseAsDefaults = 50;
inline constexpr int16_t kSpikeDirectionPopup = 59;
inline constexpr int16_t kSpikeDirectionMenu = 59;
inline constexpr int16_t kSpikeUpLimitField = 101;
inline constexpr int16_t kSpikeUpValueField = 102;
inline constexpr int16_t kSpikeLowLimitField = 103;
inline constexpr int16_t kSpikeLowValueField = 104;
inline constexpr int16_t kSpikeThresholdField = 105;
inline constexpr int16_t kSpikeCountField = 106;
// prefsArray word 51: the threshold and trim values are saved as defaults.
inline constexpr int kPrefSpikeDefaults = 51;

// step: 0 from the menu, the step number on replay. The undo copy is taken
// at opening (and again when an action first hits another channel). Closes
// window 4 when it ends. Returns 0.
int16_t REMOVESPIKE(int16_t step);

// The interactive tool the panel hands over to; absent until it is built.
extern int16_t (*gInteractiveSpikeTool)(int16_t wasMultichannel);
