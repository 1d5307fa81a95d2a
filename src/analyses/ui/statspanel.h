// The statistics panel of results window 4 (mean, S.D., C.V., S.E., n and
// duration, range, clock line, rate unit and integrated total) and the
// time-statistics panel, drawn from the result globals. Texts come from
// analyses/statspanel.h; this only places them.
#pragma once
#include <cstdint>

// mode 0 compact (click tools), 99 full without the integrated total, any
// other value full. Draws into the current window, which the caller made
// window 4.
int16_t BasicSTATS(uint16_t mode);
// n and duration row; sets `minutes`.
void ELTime();
// Integrated total (field 666) and the marked unit button; n is MMLpoints
// when useScanWindow, else nrPoints, and is left in nPoints.
void DoINTEGRATION(uint16_t useScanWindow);
// Time statistics of the pair differences, into the current window.
void TIMESTATS();
