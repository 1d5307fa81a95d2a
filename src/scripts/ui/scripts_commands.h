// The Script menu: recording, the script file, the viewer, arming a run in
// one of its three modes, interrupting and clearing; and the runner's place
// in the main loop.
#pragma once

// Registers the Script menu's commands and the replays this subsystem
// answers (channel change, Save As, Save), and installs the main loop's
// start-of-run duty and the continue button.
void RegisterScriptCommands();
