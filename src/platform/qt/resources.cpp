// Help pages, web addresses and the bundled resources (texts, window
// templates). The content lives under the resource folder and is all our own.
#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/qt/controls_internal.h"
#include "platform/windows.h"
#include "platform/qt/internal.h"
#include "platform/qt/services.h"
#include "platform/resources.h"

namespace plat {
namespace {

const std::set<std::string, std::less<>>& defaultTemplates() {
  static const std::set<std::string, std::less<>> names = {
      "blockwindow", "commentsBox",      "commentsWindow",   "equationsWindow",
      "VXWindow",    "waterWindow",      "periodicityWindow"};
  return names;
}

std::set<std::string, std::less<>>& availableTemplates() {
  static std::set<std::string, std::less<>> names = defaultTemplates();
  return names;
}

// Only web and mail addresses leave the program: a file: or script address
// handed to the desktop could open or run anything.
bool allowedUrl(std::string_view url) {
  std::string lower(url.substr(0, std::min<size_t>(url.size(), 8)));
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  auto starts = [&](std::string_view p) { return lower.compare(0, p.size(), p) == 0; };
  bool scheme = (starts("https://") && url.size() > 8) || (starts("http://") && url.size() > 7) ||
                (starts("mailto:") && url.size() > 7);
  if (!scheme) return false;
  // Control characters and spaces do not belong in an address.
  return std::none_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; });
}

}  // namespace

std::filesystem::path helpPage(int subject) {
  const auto dir = resourceDir() / "help";
  std::error_code ec;
  if (subject > 0) {
    auto page = dir / ("subject-" + std::to_string(subject) + ".html");
    if (std::filesystem::is_regular_file(page, ec)) return page;
  }
  return dir / "index.html";
}

namespace {

// At the desk's right, as tall as the desk lets it. A floating window (the
// toolbar across the desk above or below the plot) would lie over the page:
// then the tallest band above or below the floating windows, where one
// leaves room to read.
Rect helpWindowPlace() {
  const Size desk = displaySize();
  const int titleBar = titleBarHeight(WindowClass::Document);
  const int deskTop = config().menuBarHeight + titleBar + 4;
  const int width = std::min(620, desk.w - 8);
  const int left = desk.w - width - 4;
  const auto band = [&](int top, int bottom) { return Rect{left, top, left + width, std::min(bottom, top + 760)}; };
  const Rect home = band(deskTop, std::max(deskTop + 120, desk.h - 8));
  std::vector<Rect> floating;
  for (int id : windowIds()) {
    const detail::WindowRec* w = detail::findWindow(id);
    if (w && w->spec.cls == WindowClass::Floating && windowVisible(id)) floating.push_back(frameRect(id));
  }
  const auto clear = [&](const Rect& c) {
    return std::all_of(floating.begin(), floating.end(), [&](const Rect& o) {
      return c.right <= o.left || o.right <= c.left || c.bottom <= o.top || o.bottom <= c.top - titleBar;
    });
  };
  if (clear(home)) return home;
  Rect best = home;
  int bestHeight = 199;   // lower than this, the page is better read under the toolbar
  for (const Rect& o : floating) {
    for (const Rect& c : {band(o.bottom + 4 + titleBar, desk.h - 8), band(deskTop, o.top - 4)})
      if (c.height() > bestHeight && clear(c)) {
        best = c;
        bestHeight = c.height();
      }
  }
  return best;
}

// Where no browser starts, the page opens in a window of our own beside the
// work, so that "?" always answers. It takes neither the current port nor
// the program's attention from the window the user works in.
bool showHelpWindow(const std::filesystem::path& page) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) return false;
  const int keepPort = currentPortWindow();
  const Rect place = helpWindowPlace();
  WindowSpec spec;
  spec.id = kHelpWindow;
  spec.title = "Help";
  spec.content = place;
  spec.background = {0xFFFF, 0xFFFF, 0xFFFF};
  createWindow(spec);
  detail::addHelpBrowser(kHelpWindow, kHelpView, {0, 0, place.width(), place.height()}, page);
  if (keepPort != 0 && windowExists(keepPort)) setCurrentPort(keepPort);
  return true;
}

}  // namespace

void placeHelpWindow() {
  if (!windowExists(kHelpWindow)) return;
  const Rect place = helpWindowPlace();
  setContentRect(kHelpWindow, place);
  detail::WindowRec* w = detail::findWindow(kHelpWindow);
  const auto view = w ? w->controls.find(kHelpView) : decltype(w->controls)::iterator{};
  if (w && view != w->controls.end() && view->second) view->second->resize(place.width(), place.height());
}

bool openHelp(int subject) {
  const std::filesystem::path page = helpPage(subject);
  if (detail::testMode()) {
    detail::recordHelp(subject);
    if (detail::browserAvailable()) return true;
  } else if (QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())))) {
    return true;
  }
  return showHelpWindow(page);
}

void openUrl(std::string_view url) {
  if (!allowedUrl(url)) return;
  if (detail::testMode()) {
    detail::recordUrl(std::string(url));
    return;
  }
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.data(), qsizetype(url.size())), QUrl::StrictMode));
}

// Numbered pictures are added by the subsystems that use them; pop-up titles
// of the menus the program's own dialogs pop up are listed here.
const Picture* pictureResource(int) { return nullptr; }
std::vector<MenuItemSpec> menuResource(int menuId) {
  std::vector<MenuItemSpec> items;
  const auto add = [&](const char* title) {
    MenuItemSpec m;
    m.title = title;
    items.push_back(m);
  };
  switch (menuId) {
    case 59:   // spike direction: either, below, above
      for (const char* t : {"Either Direction", "Below Neighbors", "Above Neighbors"}) add(t);
      break;
    case 128:  // passes of the variation-conserving line
      for (const char* t : {"1 pass", "2 passes", "3 passes", "4 passes", "5 passes"}) add(t);
      break;
    default: break;
  }
  return items;
}

bool bundleImageExists(std::string_view fileName) {
  auto p = detail::bundleImagePath(fileName);
  std::error_code ec;
  return !p.empty() && std::filesystem::is_regular_file(p, ec);
}

bool nibTemplateAvailable(std::string_view name) { return availableTemplates().count(name) > 0; }

void setNibTemplateAvailable(std::string_view name, bool available) {
  if (available) {
    if (defaultTemplates().count(name)) availableTemplates().emplace(name);
  } else {
    auto it = availableTemplates().find(name);
    if (it != availableTemplates().end()) availableTemplates().erase(it);
  }
}

namespace detail {

void resetNibTemplates() { availableTemplates() = defaultTemplates(); }

std::filesystem::path bundleImagePath(std::string_view fileName) {
  if (fileName.empty() || fileName == "." || fileName == ".." ||
      fileName.find('/') != std::string_view::npos || fileName.find('\0') != std::string_view::npos)
    return {};
  return resourceDir() / "images" / std::string(fileName);
}

}  // namespace detail
}  // namespace plat
