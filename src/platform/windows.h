// Numbered windows on the desk. Coordinates are global Mac coordinates
// (menu bar at the top of the display); drawing is local to the content.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

class Port;

enum class WindowClass { Document, Floating, Sheet, Overlay, Plain };

struct WindowSpec {
  int id = 0;
  MacText title;
  Rect content;                     // global coordinates of the content area
  WindowClass cls = WindowClass::Document;
  bool closeBox = true;
  bool resizable = false;
  bool visible = true;
  bool acceptsFirstClick = false;   // no longer read: every window's controls act on the activating click
  Size minSize{}, maxSize{};        // 0: no limit
  Rgb16 background{0xE8E8, 0xE8E8, 0xE8E8};
  int parent = 0;                   // Sheet / Overlay: the window they belong to
};

// Replaces an open window of that id. The new window goes to the front, is
// active (silently: no Activate event) and becomes the current port.
void createWindow(const WindowSpec&);
void disposeWindow(int id);         // an absent id is harmless
bool windowExists(int id);
std::vector<int> windowIds();       // front to back

void showWindow(int id, bool show);
bool windowVisible(int id);
void selectWindow(int id);          // bring to front and make active; reports nothing
void bringToFront(int id);          // order only
// `id` stays in front of `other` whatever brings `other` forward (a click on
// it, selectWindow), until keepInFront(id, 0) or either window closes: a
// window standing over the plot the user picks in. Order only; one level.
void keepInFront(int id, int other);
int  frontWindow();                 // the active document window, 0 when none
int  frontWindow(WindowClass cls);

// Height of the title bar a window of this class gets (0 for plain ones).
int titleBarHeight(WindowClass cls);
Rect contentRect(int id);           // global
Rect frameRect(int id);             // global, title bar included
Size contentSize(int id);
void setContentRect(int id, Rect r);
void moveWindow(int id, Point contentTopLeft);
void setTitle(int id, const MacText& title);
MacText title(int id);
void setMinMaxSize(int id, Size min, Size max);
void setBackground(int id, Rgb16 c);
Rgb16 background(int id);

Port& port(int id);                 // the window's drawing port; throws for an absent id
void setCurrentPort(int id);
int currentPortWindow();            // 0 when none
Port& currentPort();                // a scratch port when no window is current

void flushWindow(int id);           // repaint now
void flushAllWindows();

}  // namespace plat
