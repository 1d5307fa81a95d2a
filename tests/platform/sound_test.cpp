#include "platform/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

namespace plat {
namespace {

constexpr int kRate = 22050;

TEST(SoundSynth, EveryNamedSoundIsShortAudibleAndUnclipped) {
  const std::set<std::string> expected = {
      "bzot", "tick", "Rip", "upvip", "downvip", "wsst", "wssst!", "bup", "skid", "piiing", "lobeep",
      "hibeep", "endbeep", "brrrp", "scream", "click", "bub3", "droplet", "setup", "longclick", "ahem"};
  std::set<std::string> listed(soundNames().begin(), soundNames().end());
  EXPECT_EQ(listed, expected);

  for (std::string_view name : soundNames()) {
    SCOPED_TRACE(std::string(name));
    auto pcm = synthesiseSound(name);
    ASSERT_FALSE(pcm.empty());
    // At least a few milliseconds, never more than a second: these are cues.
    EXPECT_GE(pcm.size(), size_t(kRate * 0.004));
    EXPECT_LE(pcm.size(), size_t(kRate * 1.0));
    int peak = 0;
    double energy = 0;
    for (int16_t s : pcm) {
      peak = std::max(peak, std::abs(int(s)));
      energy += double(s) * s;
    }
    EXPECT_LT(peak, 32000) << "clips";
    EXPECT_GT(peak, 8000) << "too quiet";
    EXPECT_GT(std::sqrt(energy / pcm.size()), 300.0);
    // Ends close to silence, so stopping or finishing does not click.
    EXPECT_LT(std::abs(int(pcm.back())), 2000);
  }
}

TEST(SoundSynth, SoundsAreDistinctAndDeterministic) {
  std::set<std::vector<int16_t>> seen;
  for (std::string_view name : soundNames()) {
    auto a = synthesiseSound(name);
    EXPECT_EQ(a, synthesiseSound(name)) << name;
    EXPECT_TRUE(seen.insert(a).second) << name << " duplicates another sound";
  }
}

TEST(SoundSynth, DurationsFollowTheirCharacter) {
  auto ms = [](std::string_view n) { return synthesiseSound(n).size() * 1000.0 / kRate; };
  EXPECT_LT(ms("tick"), 15);
  EXPECT_LT(ms("click"), 15);
  EXPECT_GT(ms("longclick"), ms("click"));
  EXPECT_GT(ms("wssst!"), ms("wsst"));
  EXPECT_NEAR(ms("bzot"), 150, 5);
  EXPECT_NEAR(ms("lobeep"), 80, 3);
}

TEST(SoundSynth, BeepsSitAtTheirPitch) {
  // Count upward zero crossings over the steady part of the tone.
  auto pitch = [](std::string_view n) {
    auto pcm = synthesiseSound(n);
    int crossings = 0;
    for (size_t i = 1; i < pcm.size(); ++i)
      if (pcm[i - 1] < 0 && pcm[i] >= 0) ++crossings;
    return crossings * double(kRate) / pcm.size();
  };
  EXPECT_NEAR(pitch("lobeep"), 440, 30);
  EXPECT_NEAR(pitch("hibeep"), 880, 30);
}

TEST(SoundSynth, UnknownNamesAreSilent) {
  EXPECT_TRUE(synthesiseSound("").empty());
  EXPECT_TRUE(synthesiseSound("nonesuch").empty());
  EXPECT_TRUE(synthesiseSound("BZOT").empty());
  EXPECT_TRUE(synthesiseSound(std::string_view("tick\0x", 6)).empty());
}

}  // namespace
}  // namespace plat
