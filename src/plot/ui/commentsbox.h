// Window 3, the comments box under the plot window, and the single-view
// title of the plot window.
#pragma once
#include <cstdint>
#include <functional>

#include "shell/ui/kit.h"

inline constexpr int16_t kCommentsWindow = 3;
inline constexpr int16_t kCommentsText = 1;   // the box's text view

// The comments editor belongs to the editing commands; their registrar
// installs it. Unset, activating the box only brings the plot back.
struct CommentsBoxHooks {
  std::function<void()> editComments;   // FixCOMMENTS(0)
};
extern CommentsBoxHooks gCommentsBoxHooks;

// Rebuilds the box for TheFileInUse unless prefs word 2 hides it.
void DRAWCOMMENTS();
// The box's text view; window 0 when the box cannot be built.
TextViewRef BuildScrollingCOMMENTSWindow();
// Moves window 3 back under the plot window, keeping its size.
void FixTheCommentsWindow();
// How far the front plot's comments box and block window stand above their
// places: as far as the block window needs to stay usable on the desk.
int PlotFurnitureLift();
// Where the comments box or the block window stands over a plot window moved
// low, it stays in front of it (order only): behind, it was out of sight.
void KeepFurnitureSeen(int win);
// "Plot Window n:  'name' ( c Channels, k Samples ) " on window 1000 + slot.
void RestoreWindowName();
// The user activated window 3: opens the comments editor, then rebuilds
// the box from the saved text and brings the plot window back.
void CommentsBoxActivated();
