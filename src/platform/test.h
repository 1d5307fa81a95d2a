// Headless test driver: runs real program code from a script of user steps.
// Every poll of the layer (pump, button and pointer reads, delays) runs at
// most one step; time is virtual.
#pragma once
#include <QImage>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/types.h"

namespace plat::test {

struct Options {
  Size desk{1440, 900};
  std::filesystem::path artifacts;     // PNG snapshots; empty: none saved
  std::filesystem::path appFolder;     // empty: a fresh temporary folder
  int stallLimit = 20000;              // polls without a runnable step
  // The record of drawn texts the geometry checks read; benchmarks turn it
  // off to time a redraw as a user's costs.
  bool noteDrawnTexts = true;
};
// Call once per test binary, after the QApplication exists.
void init(const Options&);
// A folder of the test binary's own, removed with everything in it when the
// binary exits, and also when it is interrupted (SIGINT) or terminated
// (SIGTERM).
void removeWhenDone(const std::filesystem::path& folder);
// Between tests: closes every window, clears queues, handlers, menus,
// recorders, the clock and the random seed.
void reset();
// A desk of another size (windows and menus go: call reset() and build
// them again); the binary's own size comes back with setDesk(Options::desk).
void setDesk(Size desk);
Size optionsDesk();

// Thrown by a stop() step to leave a loop that never returns.
struct Stop {};
// Thrown when the script stalls or a dialog appears out of turn.
struct Failure : std::runtime_error { using std::runtime_error::runtime_error; };

class Script {
 public:
  Script& click(int win, int id);                 // a button
  Script& popup(int win, int id, int item);       // choose a pop-up item
  Script& menuButton(int win, int id, int item);  // button with a pop-up menu
  Script& slide(int win, int id, int value);
  Script& type(int win, int field, const std::string& macText);   // keys into the field
  Script& key(int win, int macCode);              // one key, to the focused field or the window
  Script& clickField(int win, int field);
  Script& closeBox(int win);
  Script& activate(int win);                      // a user click on the frame
  Script& menu(int menuId, int item);
  Script& press(int win, Point local);
  Script& moveTo(int win, Point local);
  Script& release();
  Script& releaseAt(int win, Point local);        // the last move and the release in one
  Script& clickAt(int win, Point local);          // press and release
  // Press and release at a global point, on whatever lies there in front: a
  // title bar, close box, content or control, as a user's pointer meets it.
  Script& clickOnDesk(Point global);
  Script& answerOpen(const std::filesystem::path& p);
  Script& answerOpenMany(std::vector<std::filesystem::path> paths);   // several files chosen at once
  Script& answerSave(const std::filesystem::path& p);
  Script& cancelFileDialog();
  Script& answerPageSetup(bool ok);
  Script& answerPrint(bool ok);
  Script& openDocuments(std::vector<std::filesystem::path> paths);
  Script& call(std::function<void()> f);
  Script& stop();

  struct Step;
  std::vector<std::shared_ptr<Step>> steps;
};

// Runs entry() with the script installed. Fails (throws Failure) when the
// program stalls or steps are left over; a Stop step ends it normally.
void run(const Script& script, const std::function<void()>& entry);
// Runs entry() with no script: every poll that would wait fails at once.
size_t stepsLeft();

// Recorders
const std::vector<std::string>& soundsPlayed();
const std::vector<int>& helpSubjects();
const std::vector<std::string>& urlsOpened();
struct PrintedPage { std::filesystem::path pdf; std::vector<std::string> lines; };
const std::vector<PrintedPage>& printedPages();
void clearRecorders();
// Whether help pages open in a browser (true after reset()).
void setBrowserAvailable(bool available);
// Whether a sound server answers (true after reset()); without one every
// sound is also a visual bell, recorded by the window flashed (0: none).
void setSoundServerAvailable(bool available);
const std::vector<int>& visualBells();

// Snapshots
QImage portImage(int win);          // the port only, exact pixels
QImage windowImage(int win);        // content with its controls
QImage deskImage();
// What the screen shows of the content now, as last painted: drawing into a
// port that was never flushed is missing here, unlike in windowImage.
QImage shownImage(int win);
// Saves into Options::artifacts (or $CORVIMET_ARTIFACTS); returns the path, empty when none.
std::filesystem::path saveArtifact(const QImage& img, const std::string& name);

// Controls of the window whose text does not fit: one line each, naming the
// control and how it is cut (wider than its room, too low for its
// descenders, or set smaller than its font to fit). Hidden controls are skipped.
std::vector<std::string> cutTexts(int win);
// Texts drawn into the window's port and showing still, whose ink runs past
// the window's edge or their clip, was partly painted over since, or lies
// under a control: one line each.
std::vector<std::string> drawnTextFaults(int win);
// The texts drawn into the window's port and showing still, in drawing order.
std::vector<std::string> drawnTexts(int win);

// Global rectangles of a window's close box and of its title's letters
// (capital height to baseline, descenders left out); empty when none shows.
Rect closeBoxRect(int win);
Rect titleTextRect(int win);

// The virtual clock
void advanceMs(int ms);
uint64_t virtualMs();

}  // namespace plat::test
