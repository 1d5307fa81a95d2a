// Markers and notes on the plot of the front file: drawing them, the
// "Insert Marker[s]" panel and the sort that keeps the list in case order.
#pragma once
#include <cstdint>

extern int16_t ThisMarkerCharacter;    // code the next click places
// LastInsertedMarker, the code offered when the panel opens, is a default (shell/defaults.h).
extern int16_t OldHorizontalPosition;  // pointer x of the last data-bar refresh

inline constexpr int16_t kMarkerOK = 1;
inline constexpr int16_t kMarkersDone = 2;
inline constexpr int16_t kMarkerSpanStart = 10;   // code 200
inline constexpr int16_t kMarkerSpanEnd = 11;     // code 199
inline constexpr int16_t kMarkerField = 101;
inline constexpr int16_t kFirstNoteButton = 5001;
inline constexpr int16_t kLastNoteButton = 5150;
inline constexpr int kPrefNotesAtTop = 34;

// Lines across the plot (every strip when stacked) with their labels, in
// one batched call.
void DRAWMARKERS();
// Note buttons 5000 + n, at the top or bottom edge of the plot.
void NOTEMARKERS();
// One marker of a stacked drawing of a file not in stacked mode.
void ALLCHANMARKS(int16_t bottom, int16_t x, uint8_t code);
int16_t InsertMarker();
// A click at plot column x while the panel is open: places
// ThisMarkerCharacter there and draws it. A 32,501st marker is refused with
// the alert and nothing changes.
int16_t MarkerMOUSE(int x);
// The list of TheFileInUse in case order; two on one case collapse to the
// later one; code 0 and case 0 are dropped. Channel 0 then holds each
// marker's code at its case and 0 elsewhere.
int16_t SortMARKERS();
// Note buttons; false for any other control.
bool HandleNoteButtonClick(int16_t controlId);
void RegisterMarkerCommands();
