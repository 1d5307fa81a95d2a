// The named sounds, made from oscillators, noise and envelopes. Each is short
// and recognisably different from the others; none is a recording.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/sound.h"

namespace plat {
namespace {

constexpr double kRate = 22050.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kPeak = 0.7;   // of full scale, so summed partials never clip

using Buf = std::vector<double>;

size_t samples(double ms) { return static_cast<size_t>(ms * kRate / 1000.0); }

// Deterministic noise: the same name always gives the same buffer.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed) {}
  double next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / double(1u << 23) - 1.0;
  }
};

// A tone whose frequency glides from f0 to f1 (exponentially), with a shape.
enum class Wave { Sine, Square, Saw };
Buf tone(double ms, double f0, double f1, Wave w = Wave::Sine) {
  Buf b(samples(ms));
  double phase = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    double t = b.size() > 1 ? double(i) / double(b.size() - 1) : 0.0;
    double f = f0 * std::pow(f1 / f0, t);
    phase += f / kRate;
    phase -= std::floor(phase);
    switch (w) {
      case Wave::Sine: b[i] = std::sin(2 * kPi * phase); break;
      case Wave::Square: b[i] = phase < 0.5 ? 1.0 : -1.0; break;
      case Wave::Saw: b[i] = 2.0 * phase - 1.0; break;
    }
  }
  return b;
}

// Noise through a one-pole low-pass (smooth < 1: darker).
Buf noise(double ms, uint32_t seed, double smooth) {
  Buf b(samples(ms));
  Noise n(seed);
  double y = 0;
  for (double& s : b) {
    y += smooth * (n.next() - y);
    s = y;
  }
  return b;
}

// Attack and release in ms, linear; avoids clicks at the ends.
void fade(Buf& b, double attackMs, double releaseMs) {
  size_t a = std::min(b.size(), samples(attackMs)), r = std::min(b.size(), samples(releaseMs));
  for (size_t i = 0; i < a; ++i) b[i] *= double(i) / double(a);
  for (size_t i = 0; i < r; ++i) b[b.size() - 1 - i] *= double(i) / double(r);
}

void decay(Buf& b, double perSecond) {
  for (size_t i = 0; i < b.size(); ++i) b[i] *= std::exp(-perSecond * double(i) / kRate);
}

void shape(Buf& b, const std::function<double(double)>& env) {
  for (size_t i = 0; i < b.size(); ++i) b[i] *= env(b.size() > 1 ? double(i) / double(b.size() - 1) : 0.0);
}

void mix(Buf& into, const Buf& b, double gain, size_t at = 0) {
  if (into.size() < at + b.size()) into.resize(at + b.size(), 0.0);
  for (size_t i = 0; i < b.size(); ++i) into[at + i] += gain * b[i];
}

void append(Buf& into, const Buf& b, double gapMs = 0) {
  into.resize(into.size() + samples(gapMs), 0.0);
  into.insert(into.end(), b.begin(), b.end());
}

// Emphasises highs of a noise buffer (difference of neighbours).
Buf hiss(double ms, uint32_t seed) {
  Buf b = noise(ms, seed, 1.0), out(b.size());
  for (size_t i = 1; i < b.size(); ++i) out[i] = 0.5 * (b[i] - b[i - 1]);
  return out;
}

Buf bzot() {
  Buf b = tone(150, 120, 110, Wave::Square);
  fade(b, 3, 15);
  return b;
}
Buf tickSound() {
  Buf b = hiss(6, 7);
  mix(b, tone(6, 3000, 2500), 0.5);
  decay(b, 700);
  fade(b, 0.3, 1);
  return b;
}
Buf clickSound() {
  Buf b = noise(9, 11, 0.5);
  mix(b, tone(9, 1200, 900), 0.6);
  decay(b, 450);
  fade(b, 0.3, 2);
  return b;
}
Buf longclick() {
  Buf b = noise(45, 13, 0.4);
  mix(b, tone(45, 180, 90), 0.8);
  decay(b, 80);
  fade(b, 0.5, 10);
  return b;
}
Buf rip() {
  // A tear: noise chopped by a quickening sawtooth, brightening as it goes.
  Buf b = noise(220, 17, 0.6);
  double phase = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    double t = double(i) / double(b.size());
    phase += (30 + 90 * t) / kRate;
    phase -= std::floor(phase);
    b[i] *= 1.0 - phase;
  }
  fade(b, 5, 40);
  return b;
}
Buf upvip() {
  Buf b = tone(120, 600, 1800);
  fade(b, 5, 20);
  return b;
}
Buf downvip() {
  Buf b = tone(120, 1800, 600);
  fade(b, 5, 20);
  return b;
}
Buf wsst() {
  Buf b = hiss(150, 23);
  shape(b, [](double t) { return std::sin(kPi * t); });
  return b;
}
Buf wssst() {
  Buf b = hiss(300, 29);
  mix(b, noise(300, 31, 0.3), 0.4);
  shape(b, [](double t) { return t < 0.8 ? t / 0.8 : (1.0 - t) / 0.2; });
  return b;
}
Buf bup() {
  Buf b = tone(70, 260, 160);
  decay(b, 25);
  fade(b, 2, 15);
  return b;
}
Buf skid() {
  Buf b = tone(260, 950, 520, Wave::Saw);
  Buf n = noise(260, 37, 0.7);
  for (size_t i = 0; i < b.size(); ++i) b[i] = 0.5 * b[i] * (0.6 + 0.4 * n[i]) + 0.35 * n[i];
  fade(b, 5, 60);
  return b;
}
Buf piiing() {
  Buf b = tone(550, 2200, 2190);
  mix(b, tone(550, 5500, 5480), 0.25);   // an inharmonic partial makes it ring
  decay(b, 7);
  fade(b, 1, 40);
  return b;
}
Buf lobeep() {
  Buf b = tone(80, 440, 440);
  fade(b, 4, 10);
  return b;
}
Buf hibeep() {
  Buf b = tone(80, 880, 880);
  fade(b, 4, 10);
  return b;
}
Buf endbeep() {
  Buf a = tone(110, 988, 988), c = tone(160, 659, 659);
  fade(a, 4, 10);
  fade(c, 4, 30);
  append(a, c, 30);
  return a;
}
Buf brrrp() {
  Buf b = tone(320, 90, 80, Wave::Saw);
  for (size_t i = 0; i < b.size(); ++i) b[i] *= 0.55 + 0.45 * std::sin(2 * kPi * 25 * double(i) / kRate);
  fade(b, 10, 50);
  return b;
}
Buf scream() {
  Buf b(samples(650));
  double phase = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    double t = double(i) / double(b.size());
    double f = 700 + 900 * std::sin(kPi * t) + 40 * std::sin(2 * kPi * 7 * t * 0.65);
    phase += f / kRate;
    phase -= std::floor(phase);
    b[i] = 0.7 * std::sin(2 * kPi * phase) + 0.3 * (2 * phase - 1);
  }
  fade(b, 20, 80);
  return b;
}
Buf bub3() {
  Buf out;
  const double pitch[3] = {420, 520, 470};
  for (int k = 0; k < 3; ++k) {
    Buf b = tone(55, pitch[k], pitch[k] * 2.2);
    decay(b, 40);
    fade(b, 2, 10);
    append(out, b, k == 0 ? 0 : 45);
  }
  return out;
}
Buf droplet() {
  Buf b = tone(130, 1400, 300);
  decay(b, 22);
  fade(b, 1, 20);
  return b;
}
Buf setup() {
  Buf out;
  const double notes[3] = {523.25, 659.25, 783.99};
  for (int k = 0; k < 3; ++k) {
    Buf b = tone(75, notes[k], notes[k]);
    fade(b, 4, 15);
    append(out, b, k == 0 ? 0 : 10);
  }
  return out;
}
Buf ahem() {
  // Two voiced syllables: a low "a" then a higher, shorter "hem".
  Buf a = tone(150, 140, 125, Wave::Saw), h = tone(190, 175, 160, Wave::Saw);
  for (Buf* b : {&a, &h}) {
    double y = 0;
    for (double& s : *b) {   // soften the buzz into something vowel-like
      y += 0.15 * (s - y);
      s = 3.0 * y;
    }
  }
  fade(a, 15, 40);
  fade(h, 10, 60);
  Buf breath = noise(30, 41, 0.5);
  fade(breath, 5, 10);
  append(a, breath, 40);
  append(a, h);
  return a;
}

struct Named {
  std::string_view name;
  Buf (*make)();
};
const Named kSounds[] = {
    {"bzot", bzot},       {"tick", tickSound}, {"Rip", rip},       {"upvip", upvip},
    {"downvip", downvip}, {"wsst", wsst},      {"wssst!", wssst},  {"bup", bup},
    {"skid", skid},       {"piiing", piiing},  {"lobeep", lobeep}, {"hibeep", hibeep},
    {"endbeep", endbeep}, {"brrrp", brrrp},    {"scream", scream}, {"click", clickSound},
    {"bub3", bub3},       {"droplet", droplet}, {"setup", setup},  {"longclick", longclick},
    {"ahem", ahem},
};

}  // namespace

std::vector<int16_t> synthesiseSound(std::string_view name) {
  for (const Named& s : kSounds) {
    if (s.name != name) continue;
    Buf b = s.make();
    double peak = 0;
    for (double v : b) peak = std::max(peak, std::abs(v));
    double gain = peak > 0 ? kPeak * 32767.0 / peak : 0.0;
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i) out[i] = static_cast<int16_t>(std::lround(b[i] * gain));
    return out;
  }
  return {};
}

const std::vector<std::string_view>& soundNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const Named& s : kSounds) v.push_back(s.name);
    return v;
  }();
  return names;
}

}  // namespace plat
