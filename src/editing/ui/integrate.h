// Edit "Integrate…" and "Derivative…" (toolbar 554, 555; script operations
// 4 and 5): a running integral or sample-to-sample derivative of a channel,
// in place or into a new channel.
#pragma once
#include <cstdint>

inline constexpr int16_t kIntegrateNewChannelBox = 126;
inline constexpr int16_t kIntegrateLabelField = 101;
inline constexpr int16_t kIntegrateOK = 123;

// derive (dispatch.h) chooses: 0 integral, 1 derivative. step: 0 from the
// menu, the step number on replay. Returns 0.
int16_t INTEGRATE(int16_t step);
