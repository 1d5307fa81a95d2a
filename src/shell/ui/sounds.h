// The program's named sounds. Every named function stays silent while sounds
// are off (prefsArray word 7 = 0) or a script runs quietly (word 48 = 1 while
// RunScript = 1); the block-selection beeps also need word 29.
#pragma once
#include <string_view>

// True when sounds are on and no quiet script run is going on.
bool SoundsAllowed();
bool QuietScriptRun();

void Zap();       // "bzot": an error
void Tick();      // "tick"
void Rip();       // "Rip"
void upvip();     // "upvip"
void downvip();   // "downvip"
void wsst();      // "wsst"
void wssst();     // "wssst!"
void bup();       // "bup", strange style only (word 7 above 25)
void skid();      // "skid" in the strange style, "piiing" in the normal one
void lobeep();    // "lobeep", block-selection sounds
void hibeep();    // "hibeep", block-selection sounds
void EndBeep();   // stops what is playing, then "endbeep", block-selection sounds

// A sound by name, under the same conditions as the named functions.
void PlayNamedSound(std::string_view name);
// A sound the caller plays whatever the sound setting ("ahem" of the label
// warning, some "bzot"s).
void PlaySoundAlways(std::string_view name);
