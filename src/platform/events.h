// Events and the pump. Qt handlers never call program code: they queue layer
// events, and pump() hands at most one of them to the installed handler.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/types.h"

namespace plat {

enum class EventKind {
  MouseDown, MouseUp,      // in a window's content, not on a control
  ControlHit,              // button, pop-up, slider: control = id
  FieldClick,              // click into an edit field: control = id
  Key,                     // a key with no focused field: charCode
  Activate, Deactivate,    // user activation of a window
  CloseBox, Moved, Resized,
  MenuPick,                // menu, item (Mac numbering, separators count)
  AppActivated,
  OpenDocuments, QuitRequest
};

struct Event {
  EventKind kind = EventKind::Key;
  int window = 0;          // numbered window, 0 = none
  int control = 0;         // control or field id
  int menu = 0, item = 0;
  int charCode = 0;        // Mac Roman code (28..31 arrows, 13 Return, 3 Enter, 8 Delete ...)
  bool autoRepeat = false;
  bool activating = false; // MouseDown: the press also brought its window to the front
  Point local, global;     // mouse events
  uint32_t ticks = 0;
  uint32_t generation = 0; // of the window when queued; stale events are dropped
  std::vector<std::filesystem::path> paths;   // OpenDocuments
};

enum class KeyVerdict { Insert, Swallow };

struct Handlers {
  std::function<void(const Event&)> menu;            // MenuPick
  std::function<void(const Event&)> mouse;           // MouseDown / MouseUp
  std::function<void(const Event&)> dialog;          // everything else from windows and controls
  std::function<KeyVerdict(const Event&)> editKey;   // keys typed into a focused edit field
  std::function<void(const Event&)> documents;       // OpenDocuments, QuitRequest
};
Handlers& handlers();

// Process Qt events, then dispatch at most one layer event. Waits up to
// maxWaitMs for one when none is queued (never in test mode).
// Returns true when an event was dispatched.
bool pump(int maxWaitMs = 10);
// Lets Qt process pending events (repaints, input state) without dispatching.
void processPending();
// Drops queued input (mouse, key, control, field, menu); keeps window events.
void flushInput();
size_t queuedEvents();

// Pointer and button state kept by the layer; valid also outside windows.
// Presses and releases that came together are read in turn: each poll of the
// button moves on by one at most, and a press waits until the pump has handed
// out its MouseDown.
bool buttonDown();
Point pointerGlobal();
Point pointerLocal();          // relative to the current port's window content
Point pointerLocal(int window);
// One pass of a drag loop: whether the button is still down, and in *local
// where the pointer is; once the button is up, where it went up, since the
// last move may come with the release.
bool trackDrag(int window, Point* local);
void waitButtonUp();
void waitButtonDown();

// Pauses: windows are flushed first so that animations show. Virtual in tests.
void delayMs(int ms);
void delayTicks(int ticks);    // 1/60 s
uint32_t ticks();              // since start

enum class CursorKind { Arrow, Watch, Cross, IBeam };
void setCursor(CursorKind);
CursorKind currentCursor();

// Queue an event as if the user made it (used by the layer and by tests).
void postEvent(Event e);

}  // namespace plat
