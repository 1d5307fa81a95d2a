// SetDEFAULTS: every setting and preference word back at its start-up value.
#pragma once
#include "shell/settings.h"

// Fonts, every setting of shell/settings.h, every preference word and the
// colour scheme at their start-up values. Sounds and the documents handler
// are the GUI's part of start-up.
void SetDEFAULTS();
