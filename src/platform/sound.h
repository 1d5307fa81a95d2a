// Named sounds, synthesised by our own code. A machine without a sound
// server stays silent.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace plat {

void playSound(std::string_view name);    // unknown names play nothing
void stopSounds();
void systemBeep();
// 16-bit mono PCM at 22,050 Hz; empty for an unknown name.
std::vector<int16_t> synthesiseSound(std::string_view name);
const std::vector<std::string_view>& soundNames();

}  // namespace plat
