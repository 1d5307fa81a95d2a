// The desk: one top-level window holding the menu bar and the area in which
// every numbered window lives. Also the process-wide services of app.h.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QSysInfo>

#include <cstdlib>
#include <ctime>
#include <random>

#include "platform/app.h"
#include "platform/qt/internal.h"

namespace plat {
namespace {

class DeskWindow : public QMainWindow {
 public:
  using QMainWindow::QMainWindow;

 protected:
  // Closing the desk is the user's Quit: the program decides what happens.
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    requestQuit();
  }
};

struct AppState {
  Config cfg;
  bool ready = false;
  DeskWindow* desk = nullptr;
  QWidget* area = nullptr;
  std::mt19937 rng{12345u};
  std::chrono::system_clock::time_point start = std::chrono::system_clock::now();
};

AppState& S() {
  static AppState s;
  return s;
}

std::chrono::system_clock::time_point virtualEpoch() {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 15;
  t.tm_hour = 10;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

}  // namespace

void init(const Config& cfg) {
  AppState& s = S();
  if (s.ready) shutdown();
  s.cfg = cfg;
  if (s.cfg.desk.w <= 0 || s.cfg.desk.h <= 0) {
    QScreen* scr = QGuiApplication::primaryScreen();
    QRect avail = scr ? scr->availableGeometry() : QRect(0, 0, 1440, 900);
    s.cfg.desk = {std::max(800, avail.width()), std::max(600, avail.height() - 30)};
  }
  if (s.cfg.resourceDir.empty()) {
    if (const char* r = std::getenv("CORVIMET_RESOURCES")) s.cfg.resourceDir = r;
#ifdef CORVIMET_RESOURCE_DIR
    else s.cfg.resourceDir = CORVIMET_RESOURCE_DIR;
#endif
  }
  QApplication::setQuitOnLastWindowClosed(false);
  if (QStyle* st = QStyleFactory::create("Fusion")) QApplication::setStyle(st);
  QFont f("Liberation Sans");
  f.setPixelSize(12);
  QApplication::setFont(f);

  s.desk = new DeskWindow;
  s.desk->setWindowTitle("Corvimet");
  QMenuBar* mb = s.desk->menuBar();
  mb->setNativeMenuBar(false);
  mb->setFixedHeight(s.cfg.menuBarHeight);
  s.area = new QWidget;
  s.area->setObjectName("desk");
  s.area->setFixedSize(s.cfg.desk.w, s.cfg.desk.h - s.cfg.menuBarHeight);
  s.area->setAutoFillBackground(true);
  QPalette pal = s.area->palette();
  pal.setColor(QPalette::Window, QColor(0x6E, 0x7F, 0x8F));
  s.area->setPalette(pal);
  if (cfg.testMode) {
    s.desk->setCentralWidget(s.area);
  } else {
    auto* scroll = new QScrollArea;
    scroll->setWidget(s.area);
    scroll->setFrameShape(QFrame::NoFrame);
    // A click on a title bar or on no control would otherwise give the scroll
    // area the keyboard, away from the field the user left in that window.
    scroll->setFocusPolicy(Qt::NoFocus);
    s.desk->setCentralWidget(scroll);
  }
  s.desk->resize(s.cfg.desk.w, s.cfg.desk.h);
  s.ready = true;
  detail::installInputFilter();
  if (s.cfg.showDesk) s.desk->show();
  detail::startDeskMap();
  if (cfg.testMode) seedRandom(12345u);
}

void shutdown() {
  AppState& s = S();
  if (!s.ready) return;
  detail::closeAllWindows();
  delete s.desk;
  s.desk = nullptr;
  s.area = nullptr;
  s.ready = false;
}

bool initialized() { return S().ready; }
const Config& config() { return S().cfg; }
Size displaySize() { return S().cfg.desk; }

std::filesystem::path appFolder() {
  AppState& s = S();
  if (s.cfg.appFolder.empty()) {
    if (const char* p = std::getenv("CORVIMET_APP_FOLDER")) {
      s.cfg.appFolder = p;
    } else {
      QString loc = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
      s.cfg.appFolder = std::filesystem::path(loc.toStdString()) / "corvimet";
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(s.cfg.appFolder, ec);
  return s.cfg.appFolder;
}

std::filesystem::path resourceDir() { return S().cfg.resourceDir; }

std::string osVersionText() { return QSysInfo::prettyProductName().toStdString(); }

std::chrono::system_clock::time_point now() {
  if (S().cfg.testMode) return virtualEpoch() + std::chrono::milliseconds(detail::virtualMilliseconds());
  return std::chrono::system_clock::now();
}

uint32_t randomNext() { return S().rng(); }
void seedRandom(uint32_t seed) { S().rng.seed(seed); }

void requestQuit() { detail::post(Event{.kind = EventKind::QuitRequest}); }

namespace detail {
QWidget* deskArea() { return S().area; }
QMainWindow* deskWindow() { return S().desk; }
bool testMode() { return S().cfg.testMode; }
Point globalToDesk(Point g) { return {g.x, g.y - S().cfg.menuBarHeight}; }
Point deskToGlobal(Point d) { return {d.x, d.y + S().cfg.menuBarHeight}; }
}  // namespace detail

}  // namespace plat
