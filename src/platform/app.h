// Process-wide services of the platform layer: start-up, the display, the
// application folder, clock and random numbers.
#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/types.h"

namespace plat {

struct Config {
  Size desk{0, 0};          // the "main display", menu bar included; 0 x 0: the available screen
  int menuBarHeight = 22;   // global y of the first desk pixel below the menu bar
  int titleBarHeight = 22;
  std::filesystem::path resourceDir;   // help pages, texts, images; empty: the built-in default
  std::filesystem::path appFolder;     // prefs, printfile ...; empty: the per-user data folder
  bool testMode = false;               // virtual time, recorders, scripted dialogs
  bool showDesk = true;
};

// Needs a QApplication. Creates the desk (menu bar and window area).
void init(const Config&);
void shutdown();
bool initialized();
const Config& config();

Size displaySize();                     // the desk, menu bar included
std::filesystem::path appFolder();      // created on first use
std::filesystem::path resourceDir();
std::string osVersionText();

// Wall clock; virtual in test mode (starts at 2024-03-15 10:00:00 local time).
std::chrono::system_clock::time_point now();
// Random numbers: a fixed seed in test mode.
uint32_t randomNext();
void seedRandom(uint32_t seed);

// Asks the desk to quit: the next pump reports a QuitRequest to the documents handler.
void requestQuit();

}  // namespace plat
