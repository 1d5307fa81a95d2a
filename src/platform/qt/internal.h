// Internal to the platform layer: the window registry, the event queue and
// the hooks that the test driver answers.
#pragma once
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"

class QImage;
class QMainWindow;

namespace plat::detail {

class WindowFrame;
class ContentWidget;

struct WindowRec {
  WindowSpec spec;
  uint32_t generation = 0;
  QPointer<WindowFrame> frame;
  QPointer<ContentWidget> content;
  std::unique_ptr<Port> port;
  std::map<int, QPointer<QWidget>> controls;
};

WindowRec* findWindow(int id);
WindowRec& windowOrThrow(int id);
QWidget* deskArea();
// Global rectangles of a window's close box and of its title's letters
// (capital height to baseline); empty when it shows none.
Rect titleBarCloseBox(int id);
Rect titleBarText(int id);
QMainWindow* deskWindow();
// Global Mac coordinates <-> desk-area widget coordinates.
Point globalToDesk(Point g);
Point deskToGlobal(Point d);

// Queue an event stamped with its window's generation.
void post(Event e);
bool testMode();
bool notesDrawnTexts();

// Ports
QImage& portImage(Port&);                       // the painter is ended first
void resizePort(Port&, Size, Rgb16 background); // keeps old pixels top left
std::unique_ptr<Port> makePainterPort(void* qpainter, Rect pageRect);  // print jobs

// Fonts: one map from Mac family names to installed faces.
class FontMapper;

// Keys: Qt key event -> Mac Roman code, 0 when the key has none.
int macCharCode(int qtKey, unsigned modifiers, const QString& text);

// The visual bell: the front window's frame flashes for a moment (GUI
// thread only).
void flashFrontWindow();

// Test hooks, answered by the script in test mode.
enum class AnswerKind { Open, Save, PageSetup, Print };
struct Answer {
  bool accept = false;
  std::filesystem::path path;
  std::vector<std::filesystem::path> paths;   // several files chosen at once
};
Answer takeAnswer(AnswerKind kind, const std::string& what);   // throws test::Failure out of turn
void recordSound(const std::string& name);
bool soundServerAvailable();           // test mode: whether sounds can be heard
void recordVisualBell(int windowId);   // 0: no window to flash
void recordHelp(int subject);
bool browserAvailable();   // test mode: whether help pages "open"
void recordUrl(const std::string& url);
void recordPrintedPage(const std::filesystem::path& pdf, std::vector<std::string> lines);
std::filesystem::path testOutputDir();   // temporary folder for PDFs and the like

// One test step may run at each poll; returns true if one ran.
bool runTestStep();
uint64_t virtualMilliseconds();
void virtualDelay(int ms);

// Desk plumbing
void installInputFilter();
// Writes the desk map for outside drivers when CORVIMET_DESK_MAP names a file.
void startDeskMap();
void closeAllWindows();
int titleBarHeightFor(WindowClass cls);
// What a user's press in a window does: activates an inactive document
// window, and the press goes on to its target all the same. False only for
// an absent window.
bool userPress(int win);
// Whether a press in the window would make it the active one.
bool pressActivates(int win);
void userActivate(int win);
void setPointer(Point global, bool down);
int activeWindowId();
void resetEvents();
Point pointerState(bool* down);
void setPressWindow(int win);
int pressWindow();

}  // namespace plat::detail
