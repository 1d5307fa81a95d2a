#include "shell/ui/sounds.h"

#include "platform/sound.h"
#include "shell/globals.h"
#include "shell/ui/kitglobals.h"

namespace {
constexpr int16_t kNormalLevel = 25;

int16_t level() { return prefsArray[kPrefSoundLevel]; }

void playIfAllowed(std::string_view name) {
  if (SoundsAllowed()) plat::playSound(name);
}

// The block beeps test the sound level as well as their own switch: the
// user who turned sounds off expects silence.
bool blockSoundsAllowed() { return SoundsAllowed() && prefsArray[kPrefBlockSounds] != 0; }
}  // namespace

bool QuietScriptRun() { return prefsArray[kPrefQuietScripts] == 1 && RunScript == 1; }
bool SoundsAllowed() { return level() != 0 && !QuietScriptRun(); }

void Zap() { playIfAllowed("bzot"); }
void Tick() { playIfAllowed("tick"); }
void Rip() { playIfAllowed("Rip"); }
void upvip() { playIfAllowed("upvip"); }
void downvip() { playIfAllowed("downvip"); }
void wsst() { playIfAllowed("wsst"); }
void wssst() { playIfAllowed("wssst!"); }

void bup() {
  if (level() > kNormalLevel) playIfAllowed("bup");
}

void skid() {
  playIfAllowed(level() > kNormalLevel ? "skid" : "piiing");
}

void lobeep() {
  if (blockSoundsAllowed()) plat::playSound("lobeep");
}

void hibeep() {
  if (blockSoundsAllowed()) plat::playSound("hibeep");
}

void EndBeep() {
  if (!blockSoundsAllowed()) return;
  plat::stopSounds();
  plat::playSound("endbeep");
}

void PlayNamedSound(std::string_view name) { playIfAllowed(name); }
void PlaySoundAlways(std::string_view name) { plat::playSound(name); }
