// The headless test driver: scripted user steps, dialog answers, recorders,
// snapshots and the virtual clock.
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPushButton>
#include <QLineEdit>
#include <QLabel>
#include <QScreen>
#include <QMainWindow>
#include <QWidget>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/app.h"
#include "platform/macroman.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/qt/controls_internal.h"
#include "platform/qt/internal.h"
#include "platform/qt/portimpl.h"
#include "platform/qt/services.h"
#include "platform/qt/widgets.h"
#include "platform/test.h"
#include "platform/windows.h"

namespace plat::test {

struct Script::Step {
  enum class Kind {
    Click, Popup, MenuButton, Slide, Type, Key, ClickField, CloseBox, Activate, Menu, Press, MoveTo,
    Release, ReleaseAt, ClickAt, ClickOnDesk, AnswerOpen, AnswerSave, CancelFile, AnswerPageSetup, AnswerPrint, OpenDocs, Call, Stop
  };
  Kind kind;
  int win = 0, id = 0, value = 0;
  std::string text;
  Point pt;
  std::filesystem::path path;
  bool ok = true;
  std::vector<std::filesystem::path> paths;
  std::function<void()> fn;
};

namespace {

using Kind = Script::Step::Kind;

struct DriverState {
  Options opt;
  bool inited = false;
  const Script* script = nullptr;
  size_t next = 0;
  int idlePolls = 0;
  bool inStep = false;
  uint64_t virtualMs = 0;
  std::vector<std::string> sounds;
  bool soundServer = true;
  std::vector<int> visualBells;
  std::vector<int> help;
  bool browser = true;
  std::vector<std::string> urls;
  std::vector<PrintedPage> pages;
  std::filesystem::path outDir;
};

DriverState& D() {
  static DriverState d;
  return d;
}

std::string describe(const Script::Step& s) {
  std::ostringstream o;
  switch (s.kind) {
    case Kind::Click: o << "click(" << s.win << ", " << s.id << ")"; break;
    case Kind::Popup: o << "popup(" << s.win << ", " << s.id << ", " << s.value << ")"; break;
    case Kind::MenuButton: o << "menuButton(" << s.win << ", " << s.id << ", " << s.value << ")"; break;
    case Kind::Slide: o << "slide(" << s.win << ", " << s.id << ", " << s.value << ")"; break;
    case Kind::Type: o << "type(" << s.win << ", " << s.id << ", \"" << s.text << "\")"; break;
    case Kind::Key: o << "key(" << s.win << ", " << s.value << ")"; break;
    case Kind::ClickField: o << "clickField(" << s.win << ", " << s.id << ")"; break;
    case Kind::CloseBox: o << "closeBox(" << s.win << ")"; break;
    case Kind::Activate: o << "activate(" << s.win << ")"; break;
    case Kind::Menu: o << "menu(" << s.id << ", " << s.value << ")"; break;
    case Kind::Press: o << "press(" << s.win << ", {" << s.pt.x << ", " << s.pt.y << "})"; break;
    case Kind::MoveTo: o << "moveTo(" << s.win << ", {" << s.pt.x << ", " << s.pt.y << "})"; break;
    case Kind::Release: o << "release()"; break;
    case Kind::ReleaseAt: o << "releaseAt(" << s.win << ", {" << s.pt.x << ", " << s.pt.y << "})"; break;
    case Kind::ClickAt: o << "clickAt(" << s.win << ", {" << s.pt.x << ", " << s.pt.y << "})"; break;
    case Kind::ClickOnDesk: o << "clickOnDesk({" << s.pt.x << ", " << s.pt.y << "})"; break;
    case Kind::AnswerOpen: o << "answerOpen(" << s.path << ")"; break;
    case Kind::AnswerSave: o << "answerSave(" << s.path << ")"; break;
    case Kind::CancelFile: o << "cancelFileDialog()"; break;
    case Kind::AnswerPageSetup: o << "answerPageSetup(" << s.ok << ")"; break;
    case Kind::AnswerPrint: o << "answerPrint(" << s.ok << ")"; break;
    case Kind::OpenDocs: o << "openDocuments(...)"; break;
    case Kind::Call: o << "call(...)"; break;
    case Kind::Stop: o << "stop()"; break;
  }
  return o.str();
}

bool isAnswer(Kind k) {
  return k == Kind::AnswerOpen || k == Kind::AnswerSave || k == Kind::CancelFile || k == Kind::AnswerPageSetup ||
         k == Kind::AnswerPrint;
}

// Why a step cannot run yet; empty when it can.
std::string waitingFor(const Script::Step& s) {
  switch (s.kind) {
    case Kind::Click:
    case Kind::Popup:
    case Kind::MenuButton:
    case Kind::Slide:
    case Kind::ClickField:
      if (!windowExists(s.win)) return "window " + std::to_string(s.win);
      if (!controlExists(s.win, s.id)) return "control " + std::to_string(s.id) + " of window " + std::to_string(s.win);
      return {};
    case Kind::Type:
      if (!windowExists(s.win)) return "window " + std::to_string(s.win);
      if (!detail::fieldWidget(s.win, s.id)) return "field " + std::to_string(s.id) + " of window " + std::to_string(s.win);
      return {};
    case Kind::Key:
    case Kind::CloseBox:
    case Kind::Activate:
    case Kind::Press:
    case Kind::MoveTo:
    case Kind::ReleaseAt:
    case Kind::ClickAt:
      if (s.win != 0 && !windowExists(s.win)) return "window " + std::to_string(s.win);
      return {};
    case Kind::Menu:
      if (!menuDefined(s.id)) return "menu " + std::to_string(s.id);
      return {};
    default:
      if (isAnswer(s.kind)) return "the dialog that takes " + describe(s);
      return {};
  }
}

std::string diagnostic(const std::string& why) {
  std::ostringstream o;
  o << why << "; open windows:";
  for (int id : windowIds()) o << " " << id << (windowVisible(id) ? "" : "(hidden)") << " \"" << title(id) << "\"";
  const Handlers& h = handlers();
  o << "; handlers: menu=" << (h.menu ? "set" : "none") << " mouse=" << (h.mouse ? "set" : "none")
    << " dialog=" << (h.dialog ? "set" : "none") << " editKey=" << (h.editKey ? "set" : "none");
  const DriverState& d = D();
  if (d.script && d.next < d.script->steps.size()) {
    const auto& s = *d.script->steps[d.next];
    o << "; next step " << describe(s);
    std::string w = waitingFor(s);
    if (!w.empty()) o << " waits for " << w;
  } else {
    o << "; no steps left";
  }
  return o.str();
}

QKeyEvent makeKey(QEvent::Type t, int code) {
  int key = 0;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  QString text;
  switch (code) {
    case 28: key = Qt::Key_Left; break;
    case 29: key = Qt::Key_Right; break;
    case 30: key = Qt::Key_Up; break;
    case 31: key = Qt::Key_Down; break;
    case 13: key = Qt::Key_Return; text = "\r"; break;
    case 3: key = Qt::Key_Enter; mods = Qt::KeypadModifier; text = "\r"; break;
    case 9: key = Qt::Key_Tab; text = "\t"; break;
    case 8: key = Qt::Key_Backspace; text = "\b"; break;
    case 127: key = Qt::Key_Delete; break;
    case 27: key = Qt::Key_Escape; text = QString(QChar(27)); break;
    case 1: key = Qt::Key_Home; break;
    case 4: key = Qt::Key_End; break;
    case 11: key = Qt::Key_PageUp; break;
    case 12: key = Qt::Key_PageDown; break;
    case 5: key = Qt::Key_Help; break;
    case 128: key = Qt::Key_Left; mods = Qt::ShiftModifier; break;
    case 129: key = Qt::Key_Right; mods = Qt::ShiftModifier; break;
    default: {
      char32_t cp = macRomanToUnicode(static_cast<unsigned char>(code));
      text = QString::fromUcs4(&cp, 1);
      QChar c = text.isEmpty() ? QChar() : text.at(0).toUpper();
      key = (c.unicode() >= 0x20 && c.unicode() < 0x7F) ? int(c.unicode()) : int(Qt::Key_unknown);
      if (code >= 'A' && code <= 'Z') mods = Qt::ShiftModifier;
    }
  }
  return QKeyEvent(t, key, mods, text);
}

void sendKey(QWidget* w, int code) {
  QKeyEvent press = makeKey(QEvent::KeyPress, code);
  QKeyEvent release = makeKey(QEvent::KeyRelease, code);
  QCoreApplication::sendEvent(w, &press);
  QCoreApplication::sendEvent(w, &release);
}

Point globalOf(int win, Point local) {
  Rect c = contentRect(win);
  return {c.left + local.x, c.top + local.y};
}

void doPress(int win, Point local) {
  Point g = globalOf(win, local);
  detail::setPointer(g, true);
  const bool activating = detail::pressActivates(win);
  if (!detail::userPress(win)) return;
  detail::setPressWindow(win);
  detail::post(Event{.kind = EventKind::MouseDown, .window = win, .activating = activating, .local = local, .global = g});
}

// Real mouse events to the widget under the point, so that the frames decide
// what a click on their title bar or close box does.
void clickOnDeskAt(Point global) {
  const Point d = detail::globalToDesk(global);
  QWidget* desk = detail::deskArea();
  QWidget* target = desk ? desk->childAt(d.x, d.y) : nullptr;
  if (!target) throw Failure(diagnostic("nothing on the desk at " + std::to_string(global.x) + ", " +
                                        std::to_string(global.y)));
  const QPointF local = target->mapFrom(desk, QPointF(d.x, d.y));
  const QPointF screen = desk->mapToGlobal(QPointF(d.x, d.y));
  detail::setPointer(global, true);
  QMouseEvent press(QEvent::MouseButtonPress, local, screen, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  detail::setPointer(global, false);
  QMouseEvent release(QEvent::MouseButtonRelease, local, screen, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
}

void doRelease() {
  bool down = false;
  Point g = detail::pointerState(&down);
  detail::setPointer(g, false);
  if (int win = detail::pressWindow()) {
    detail::setPressWindow(0);
    Rect c = contentRect(win);
    detail::post(Event{.kind = EventKind::MouseUp, .window = win, .local = {g.x - c.left, g.y - c.top}, .global = g});
  }
}

// A control step acts like a user's click: an inactive document window is
// activated and the click acts too.
bool passesFirstClick(int win) { return detail::userPress(win); }

void execute(const Script::Step& s) {
  switch (s.kind) {
    case Kind::Click:
      if (passesFirstClick(s.win) && !detail::simulateClick(s.win, s.id))
        throw Failure(diagnostic("cannot click " + describe(s)));
      break;
    case Kind::Popup:
      if (passesFirstClick(s.win) && !detail::simulatePopup(s.win, s.id, s.value))
        throw Failure(diagnostic("cannot choose " + describe(s)));
      break;
    case Kind::MenuButton:
      if (passesFirstClick(s.win) && !detail::simulateMenuButton(s.win, s.id, s.value))
        throw Failure(diagnostic("cannot choose " + describe(s)));
      break;
    case Kind::Slide:
      if (passesFirstClick(s.win) && !detail::simulateSlide(s.win, s.id, s.value))
        throw Failure(diagnostic("cannot slide " + describe(s)));
      break;
    case Kind::Type: {
      QWidget* f = detail::fieldWidget(s.win, s.id);
      if (!passesFirstClick(s.win)) break;
      if (focusedField(s.win) != s.id) focusField(s.win, s.id, false);
      for (unsigned char c : s.text) sendKey(f, c);
      break;
    }
    case Kind::Key: {
      int win = s.win ? s.win : frontWindow();
      int fid = win ? focusedField(win) : 0;
      if (fid != 0) {
        if (QWidget* f = detail::fieldWidget(win, fid)) {
          sendKey(f, s.value);
          break;
        }
      }
      detail::post(Event{.kind = EventKind::Key, .window = win, .charCode = s.value});
      break;
    }
    case Kind::ClickField:
      if (passesFirstClick(s.win) && !detail::simulateFieldClick(s.win, s.id))
        throw Failure(diagnostic("cannot click " + describe(s)));
      break;
    case Kind::CloseBox:
      detail::userPress(s.win);
      detail::post(Event{.kind = EventKind::CloseBox, .window = s.win});
      break;
    case Kind::Activate: detail::userActivate(s.win); break;
    case Kind::Menu:
      if (!detail::simulateMenuPick(s.id, s.value)) throw Failure(diagnostic("menu item disabled: " + describe(s)));
      break;
    case Kind::Press: doPress(s.win, s.pt); break;
    case Kind::MoveTo: {
      bool down = false;
      detail::pointerState(&down);
      detail::setPointer(globalOf(s.win, s.pt), down);
      break;
    }
    case Kind::Release: doRelease(); break;
    case Kind::ReleaseAt:
      detail::setPointer(globalOf(s.win, s.pt), true);
      doRelease();
      break;
    case Kind::ClickAt:
      doPress(s.win, s.pt);
      doRelease();
      break;
    case Kind::ClickOnDesk: clickOnDeskAt(s.pt); break;
    case Kind::OpenDocs:
      detail::post(Event{.kind = EventKind::OpenDocuments, .paths = s.paths});
      break;
    case Kind::Call: s.fn(); break;
    case Kind::Stop: throw Stop{};
    default: break;
  }
}

Script& push(Script& sc, Script::Step st) {
  sc.steps.push_back(std::make_shared<Script::Step>(std::move(st)));
  return sc;
}

}  // namespace

// ---- Script builders --------------------------------------------------------

Script& Script::click(int win, int id) { return push(*this, {.kind = Kind::Click, .win = win, .id = id}); }
Script& Script::popup(int win, int id, int item) {
  return push(*this, {.kind = Kind::Popup, .win = win, .id = id, .value = item});
}
Script& Script::menuButton(int win, int id, int item) {
  return push(*this, {.kind = Kind::MenuButton, .win = win, .id = id, .value = item});
}
Script& Script::slide(int win, int id, int value) {
  return push(*this, {.kind = Kind::Slide, .win = win, .id = id, .value = value});
}
Script& Script::type(int win, int field, const std::string& t) {
  return push(*this, {.kind = Kind::Type, .win = win, .id = field, .text = t});
}
Script& Script::key(int win, int code) { return push(*this, {.kind = Kind::Key, .win = win, .value = code}); }
Script& Script::clickField(int win, int field) { return push(*this, {.kind = Kind::ClickField, .win = win, .id = field}); }
Script& Script::closeBox(int win) { return push(*this, {.kind = Kind::CloseBox, .win = win}); }
Script& Script::activate(int win) { return push(*this, {.kind = Kind::Activate, .win = win}); }
Script& Script::menu(int m, int item) { return push(*this, {.kind = Kind::Menu, .id = m, .value = item}); }
Script& Script::press(int win, Point p) { return push(*this, {.kind = Kind::Press, .win = win, .pt = p}); }
Script& Script::moveTo(int win, Point p) { return push(*this, {.kind = Kind::MoveTo, .win = win, .pt = p}); }
Script& Script::release() { return push(*this, {.kind = Kind::Release}); }
Script& Script::releaseAt(int win, Point p) { return push(*this, {.kind = Kind::ReleaseAt, .win = win, .pt = p}); }
Script& Script::clickAt(int win, Point p) { return push(*this, {.kind = Kind::ClickAt, .win = win, .pt = p}); }
Script& Script::clickOnDesk(Point p) { return push(*this, {.kind = Kind::ClickOnDesk, .pt = p}); }
Script& Script::answerOpen(const std::filesystem::path& p) { return push(*this, {.kind = Kind::AnswerOpen, .path = p}); }
Script& Script::answerOpenMany(std::vector<std::filesystem::path> p) {
  return push(*this, {.kind = Kind::AnswerOpen, .paths = std::move(p)});
}
Script& Script::answerSave(const std::filesystem::path& p) { return push(*this, {.kind = Kind::AnswerSave, .path = p}); }
Script& Script::cancelFileDialog() { return push(*this, {.kind = Kind::CancelFile}); }
Script& Script::answerPageSetup(bool ok) { return push(*this, {.kind = Kind::AnswerPageSetup, .ok = ok}); }
Script& Script::answerPrint(bool ok) { return push(*this, {.kind = Kind::AnswerPrint, .ok = ok}); }
Script& Script::openDocuments(std::vector<std::filesystem::path> p) {
  return push(*this, {.kind = Kind::OpenDocs, .paths = std::move(p)});
}
Script& Script::call(std::function<void()> f) { return push(*this, {.kind = Kind::Call, .fn = std::move(f)}); }
Script& Script::stop() { return push(*this, {.kind = Kind::Stop}); }

// ---- running ------------------------------------------------------------------

namespace {

// The folders removeWhenDone() was given, as the signal handler reads them:
// it may neither allocate nor take a lock. A child forked from the process
// that made them (a death test) leaves them to it.
constexpr int kDoneFolders = 8;
char gDoneFolders[kDoneFolders][PATH_MAX];
std::atomic<int> gDoneFolderCount{0};
pid_t gDoneFoldersOwner = 0;

// Removes `name` in the folder open at `parent`, and everything in it down
// to `depth` levels, with calls a signal handler may make. True when it is
// gone.
bool removeTreeAt(int parent, const char* name, int depth) {
  if (const int fd = depth > 0 ? ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
      fd >= 0) {
    // Entries removed while a folder is listed may hide others from the
    // listing: it is listed again until a pass removes nothing.
    alignas(struct dirent64) char listed[2048];
    for (bool removed = true; removed;) {
      removed = false;
      ::lseek(fd, 0, SEEK_SET);
      for (ssize_t n; (n = ::getdents64(fd, listed, sizeof listed)) > 0;)
        for (ssize_t at = 0; at < n;) {
          const auto* e = reinterpret_cast<const struct dirent64*>(listed + at);
          at += e->d_reclen;
          if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
          if ((e->d_type != DT_DIR && ::unlinkat(fd, e->d_name, 0) == 0) || removeTreeAt(fd, e->d_name, depth - 1))
            removed = true;
        }
    }
    ::close(fd);
  }
  return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

void removeDoneFolders() {
  if (::getpid() != gDoneFoldersOwner) return;
  for (int i = 0, n = gDoneFolderCount.load(); i < n; ++i) removeTreeAt(AT_FDCWD, gDoneFolders[i], 32);
}

// An interrupted run (Ctrl-C) or a terminated one leaves nothing behind
// either, and still ends as the signal ends it.
void onStopSignal(int sig) {
  const int interrupted = errno;
  removeDoneFolders();
  errno = interrupted;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void removeWhenDone(const std::filesystem::path& folder) {
  static const bool installed = [] {
    gDoneFoldersOwner = ::getpid();
    std::atexit(removeDoneFolders);
    for (const int sig : {SIGINT, SIGTERM}) {
      struct sigaction before {};
      // A signal the run was started to ignore stays ignored.
      if (::sigaction(sig, nullptr, &before) != 0 || before.sa_handler != SIG_DFL) continue;
      struct sigaction sa {};
      sa.sa_handler = onStopSignal;
      sigemptyset(&sa.sa_mask);
      ::sigaction(sig, &sa, nullptr);
    }
    return true;
  }();
  (void)installed;
  const std::string& name = folder.native();
  const int i = gDoneFolderCount.load();
  if (i == kDoneFolders || name.size() >= PATH_MAX) throw std::runtime_error("cannot see to removing " + name);
  std::memcpy(gDoneFolders[i], name.c_str(), name.size() + 1);
  gDoneFolderCount.store(i + 1);
}

// A folder named by the system, so that runs of several users or processes
// never share one; ctest runs every test in a process of its own, each of
// which leaves none behind.
std::filesystem::path makeOutDir() {
  std::string name = (std::filesystem::temp_directory_path() / "corvimet-test-XXXXXX").string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("no folder for test output in " + name);
  removeWhenDone(name);
  return name;
}

void init(const Options& opt) {
  DriverState& d = D();
  d.opt = opt;
  if (d.opt.artifacts.empty())
    if (const char* a = std::getenv("CORVIMET_ARTIFACTS")) d.opt.artifacts = a;
  d.outDir = makeOutDir();
  Config cfg;
  cfg.desk = opt.desk;
  cfg.testMode = true;
  cfg.appFolder = opt.appFolder.empty() ? d.outDir / "appfolder" : opt.appFolder;
  plat::init(cfg);
  d.inited = true;
}

void setDesk(Size desk) {
  if (plat::displaySize().w == desk.w && plat::displaySize().h == desk.h) return;
  Config cfg = plat::config();
  cfg.desk = desk;
  plat::init(cfg);
}

Size optionsDesk() { return D().opt.desk; }

Rect closeBoxRect(int win) { return detail::titleBarCloseBox(win); }
Rect titleTextRect(int win) { return detail::titleBarText(win); }

void reset() {
  DriverState& d = D();
  detail::closeAllWindows();
  detail::resetEvents();
  detail::resetMenus();
  clearRecorders();
  detail::fileErrorsShown().clear();
  detail::resetNibTemplates();
  detail::setScalePercent(100);
  d.script = nullptr;
  d.next = 0;
  d.idlePolls = 0;
  d.virtualMs = 0;
  seedRandom(12345u);
  d.browser = true;
  d.soundServer = true;
  QCoreApplication::processEvents();
}

void run(const Script& script, const std::function<void()>& entry) {
  DriverState& d = D();
  const Script* outer = d.script;
  size_t outerNext = d.next;
  d.script = &script;
  d.next = 0;
  d.idlePolls = 0;
  struct Restore {
    DriverState& d;
    const Script* s;
    size_t n;
    ~Restore() { d.script = s; d.next = n; }
  } restore{d, outer, outerNext};
  try {
    entry();
  } catch (const Stop&) {
    return;
  }
  if (d.next < script.steps.size())
    throw Failure(diagnostic("the program returned with " + std::to_string(script.steps.size() - d.next) +
                             " step(s) left"));
}

size_t stepsLeft() {
  const DriverState& d = D();
  return d.script ? d.script->steps.size() - d.next : 0;
}

const std::vector<std::string>& soundsPlayed() { return D().sounds; }
const std::vector<int>& helpSubjects() { return D().help; }
void setBrowserAvailable(bool available) { D().browser = available; }
void setSoundServerAvailable(bool available) { D().soundServer = available; }
const std::vector<int>& visualBells() { return D().visualBells; }
const std::vector<std::string>& urlsOpened() { return D().urls; }
const std::vector<PrintedPage>& printedPages() { return D().pages; }
void clearRecorders() {
  DriverState& d = D();
  d.sounds.clear();
  d.visualBells.clear();
  d.help.clear();
  d.urls.clear();
  d.pages.clear();
}

QImage portImage(int win) {
  if (!windowExists(win)) return {};
  return detail::portImage(port(win)).copy();
}

QImage windowImage(int win) {
  detail::WindowRec* w = detail::findWindow(win);
  if (!w || !w->content) return {};
  return w->content->grab().toImage();
}

QImage shownImage(int win) {
  detail::WindowRec* w = detail::findWindow(win);
  if (!w || !w->content) return {};
  QScreen* screen = w->content->screen();
  if (!screen) return {};
  const QPoint at = w->content->mapToGlobal(QPoint(0, 0));
  return screen->grabWindow(0, at.x(), at.y(), w->content->width(), w->content->height()).toImage();
}

namespace {
// The label drawn again on a taller copy of itself: ink under its
// own height is what the field cuts off, whatever the font's metrics say.
bool inkBelow(const QLabel* l) {
  QLabel probe;
  probe.setAttribute(Qt::WA_DontShowOnScreen);
  probe.setStyleSheet(l->styleSheet());
  probe.setFont(l->font());
  probe.setTextFormat(Qt::PlainText);
  probe.setAlignment(l->alignment());
  probe.setWordWrap(l->wordWrap());
  probe.setMargin(l->margin());
  probe.setIndent(l->indent());
  probe.setText(l->text());
  const int h = l->height();
  probe.resize(l->width(), h + 2 * QFontMetrics(l->font()).height());
  QImage img(probe.size(), QImage::Format_RGB32);
  img.fill(Qt::white);
  probe.render(&img);
  const QRgb back = l->property("cmBack").value<QColor>().rgb();
  // A framed field's border is its own: ink on the field's bottom border
  // is cut as well, the copy's border is no ink.
  const int b = l->property("cmFramed").toBool() ? 1 : 0;
  const auto far = [back](QRgb p) {
    return std::max({std::abs(qRed(p) - qRed(back)), std::abs(qGreen(p) - qGreen(back)),
                     std::abs(qBlue(p) - qBlue(back))}) > 64;
  };
  for (int y = h - b; y < img.height() - b; ++y)
    for (int x = b; x < img.width() - b; ++x)
      if (far(img.pixel(x, y))) return true;
  return false;
}
}  // namespace

std::vector<std::string> cutTexts(int win) {
  std::vector<std::string> out;
  detail::WindowRec* w = detail::findWindow(win);
  if (!w) return out;
  for (const auto& [id, c] : w->controls) {
    if (!c || !c->isVisible()) continue;
    const auto cut = [&, id = id](const QString& text, const char* how) {
      out.push_back("control " + std::to_string(id) + " \"" + text.toStdString() + "\" " + how);
    };
    if (auto* l = qobject_cast<QLabel*>(c.data())) {
      if (l->text().isEmpty()) continue;
      // A one-line field set smaller to fit reads unlike its neighbours.
      const QVariant base = l->property("baseFont");
      if (!l->wordWrap() && base.isValid() && QFontInfo(l->font()).pixelSize() < QFontInfo(base.value<QFont>()).pixelSize())
        cut(l->text(), "is set smaller than its field's font to fit");
      const QFontMetrics fm(l->font());
      const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
      if (l->wordWrap()) {
        const QRect need = fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, l->text());
        if (need.height() > room.height() || inkBelow(l)) cut(l->text(), "runs past the bottom of its field");
        // A word longer than the line does not wrap: the field cuts it at its side.
        if (need.width() > room.width()) cut(l->text(), "is wider than its field");
      } else {
        if (fm.horizontalAdvance(l->text()) > room.width()) cut(l->text(), "is wider than its field");
        if (fm.ascent() + fm.descent() > room.height() || inkBelow(l)) cut(l->text(), "loses its descenders");
      }
    } else if (auto* e = qobject_cast<QLineEdit*>(c.data())) {
      if (e->text().isEmpty()) continue;
      const QFontMetrics fm(e->font());
      // QLineEdit keeps two pixels each side inside the field look's
      // one-pixel padding and its border.
      const int inset = 3 + (e->property("cmFramed").toBool() ? 1 : 0);
      const QRect room = e->contentsRect().marginsRemoved(e->textMargins()).adjusted(inset, 0, -inset, 0);
      if (fm.horizontalAdvance(e->text()) > room.width()) cut(e->text(), "is wider than its field");
      if (fm.ascent() + fm.descent() > room.height()) cut(e->text(), "loses its descenders");
    } else if (auto* b = qobject_cast<QPushButton*>(c.data())) {
      const QFontMetrics fm(b->font());
      if (fm.horizontalAdvance(b->text()) + 4 > b->width()) cut(b->text(), "is wider than its button");
    }
  }
  return out;
}

std::vector<std::string> drawnTexts(int win) {
  std::vector<std::string> out;
  detail::WindowRec* w = detail::findWindow(win);
  if (!w || !w->port) return out;
  for (const Port::Impl::DrawnText& t : w->port->impl()->drawnTexts) out.push_back(t.bytes);
  return out;
}

std::vector<std::string> drawnTextFaults(int win) {
  std::vector<std::string> out;
  detail::WindowRec* w = detail::findWindow(win);
  if (!w || !w->port) return out;
  const Size size = contentSize(win);
  const auto meets = [](const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  const auto within = [](const Rect& a, const Rect& b) {
    return b.left <= a.left && a.right <= b.right && b.top <= a.top && a.bottom <= b.bottom;
  };
  const std::vector<Port::Impl::DrawnText>& texts = w->port->impl()->drawnTexts;
  for (size_t i = 0; i < texts.size(); ++i) {
    const Port::Impl::DrawnText& t = texts[i];
    const std::string text = "drawn text \"" + t.bytes + "\" at " + std::to_string(t.box.left) + "," +
                             std::to_string(t.box.top);
    // Ink on ink: an earlier text still showing under this one's characters.
    // The same text again within two pixels of its place (an embossed title,
    // a line drawn anew) reads as before; characters that only touch are apart.
    for (size_t j = 0; j < i; ++j) {
      const Port::Impl::DrawnText& e = texts[j];
      if (!meets(t.box, e.box)) continue;
      if (e.bytes == t.bytes && std::abs(e.box.left - t.box.left) <= 2 && std::abs(e.box.top - t.box.top) <= 2) continue;
      const bool inked = std::any_of(t.glyphs.begin(), t.glyphs.end(), [&](const Rect& a) {
        return std::any_of(e.glyphs.begin(), e.glyphs.end(), [&](const Rect& b) {
          return std::min(a.right, b.right) - std::max(a.left, b.left) >= 2 &&
                 std::min(a.bottom, b.bottom) - std::max(a.top, b.top) >= 2;
        });
      });
      if (inked) out.push_back(text + " is drawn over the earlier text \"" + e.bytes + "\"");
    }
    if (!within(t.box, {0, 0, size.w, size.h})) {
      out.push_back(text + " runs past the window's edge");
      continue;
    }
    if (t.clip && !within(t.box, *t.clip)) out.push_back(text + " is cut by its clip");
    if (t.partlyCovered) out.push_back(text + " is partly painted over");
    for (const Rect& o : w->port->impl()->outlines) {
      const bool crosses = meets(t.box, o) && !within(t.box, {o.left + 1, o.top + 1, o.right - 1, o.bottom - 1});
      if (crosses) out.push_back(text + " lies on the frame " + std::to_string(o.left) + "," + std::to_string(o.top) + " to " +
                                 std::to_string(o.right) + "," + std::to_string(o.bottom));
    }
    for (const auto& [id, c] : w->controls) {
      if (!c || !c->isVisible()) continue;
      const QRect g = c->geometry();
      if (meets(t.box, {g.left(), g.top(), g.right() + 1, g.bottom() + 1}))
        out.push_back(text + " lies under control " + std::to_string(id));
    }
  }
  return out;
}

QImage deskImage() {
  QMainWindow* m = detail::deskWindow();
  return m ? m->grab().toImage() : QImage{};
}

std::filesystem::path saveArtifact(const QImage& img, const std::string& name) {
  const DriverState& d = D();
  if (d.opt.artifacts.empty() || img.isNull()) return {};
  std::error_code ec;
  std::filesystem::create_directories(d.opt.artifacts, ec);
  auto p = d.opt.artifacts / name;
  return img.save(QString::fromStdString(p.string())) ? p : std::filesystem::path{};
}

void advanceMs(int ms) { D().virtualMs += static_cast<uint64_t>(std::max(0, ms)); }
uint64_t virtualMs() { return D().virtualMs; }

}  // namespace plat::test

namespace plat::detail {

using plat::test::D;
using plat::test::Failure;

bool notesDrawnTexts() { return testMode() && test::D().opt.noteDrawnTexts; }

bool runTestStep() {
  auto& d = test::D();
  if (!d.script || d.inStep) return false;
  if (d.next < d.script->steps.size()) {
    const auto& st = *d.script->steps[d.next];
    if (!test::isAnswer(st.kind) && test::waitingFor(st).empty()) {
      ++d.next;
      d.idlePolls = 0;
      d.inStep = true;
      struct Clear {
        bool& b;
        ~Clear() { b = false; }
      } clear{d.inStep};
      test::execute(st);
      return true;
    }
  }
  if (++d.idlePolls > d.opt.stallLimit) {
    d.idlePolls = 0;
    throw Failure(test::diagnostic("stalled in a loop"));
  }
  return false;
}

uint64_t virtualMilliseconds() { return test::D().virtualMs; }
void virtualDelay(int ms) { test::advanceMs(ms); }

Answer takeAnswer(AnswerKind kind, const std::string& what) {
  auto& d = test::D();
  using K = test::Kind;
  if (!d.script || d.next >= d.script->steps.size())
    throw Failure(test::diagnostic("dialog \"" + what + "\" appeared with no answer scripted"));
  const auto& st = *d.script->steps[d.next];
  bool match = false;
  switch (kind) {
    case AnswerKind::Open: match = st.kind == K::AnswerOpen || st.kind == K::CancelFile; break;
    case AnswerKind::Save: match = st.kind == K::AnswerSave || st.kind == K::CancelFile; break;
    case AnswerKind::PageSetup: match = st.kind == K::AnswerPageSetup; break;
    case AnswerKind::Print: match = st.kind == K::AnswerPrint; break;
  }
  if (!match) throw Failure(test::diagnostic("dialog \"" + what + "\" appeared out of turn"));
  ++d.next;
  d.idlePolls = 0;
  Answer a;
  a.accept = st.kind != K::CancelFile && st.ok;
  a.path = st.path;
  a.paths = st.paths;
  if ((st.kind == K::AnswerOpen || st.kind == K::AnswerSave) && st.path.empty() && st.paths.empty()) a.accept = false;
  return a;
}

void recordSound(const std::string& name) { test::D().sounds.push_back(name); }
bool soundServerAvailable() { return test::D().soundServer; }
void recordVisualBell(int windowId) { test::D().visualBells.push_back(windowId); }
void recordHelp(int subject) { test::D().help.push_back(subject); }
bool browserAvailable() { return test::D().browser; }
void recordUrl(const std::string& url) { test::D().urls.push_back(url); }
void recordPrintedPage(const std::filesystem::path& pdf, std::vector<std::string> lines) {
  test::D().pages.push_back({pdf, std::move(lines)});
}
std::filesystem::path testOutputDir() {
  auto& d = test::D();
  if (d.outDir.empty()) d.outDir = test::makeOutDir();
  return d.outDir;
}

}  // namespace plat::detail
