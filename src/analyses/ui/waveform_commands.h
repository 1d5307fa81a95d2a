// Registers the spectrum and stepped-sampling commands.
#pragma once

void RegisterWaveformCommands();
