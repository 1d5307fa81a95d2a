// The demo recording shipped in resources/demo/: a synthetic open-flow
// respirometry session, made by our own generator so that it is free to ship
// and byte-for-byte reproducible.
#pragma once
#include <filesystem>

#include "datafiles/datafile.h"

inline constexpr const char* kDemoFileName = "demo-respirometry.orl";

// Two hours at 1 Hz of excurrent O2 and CO2 (%), flow (ml/min) and chamber
// temperature, for a 35 g animal at 500 ml/min: four reference-air baselines
// opened and closed by markers 1 and 2, three bouts of activity with notes,
// gas readings lagging the valve by 15 s and following the chamber's washout.
DataFileImage MakeDemoRecording();
FileStatus WriteDemoRecording(const std::filesystem::path& path);
