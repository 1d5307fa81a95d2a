// Content that lies outside the program: help pages, explanation texts,
// pictures, icons, pop-up menu titles. All of it is our own.
#pragma once
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/menus.h"
#include "platform/port.h"

namespace plat {

// The one opener of our help pages: the page for a subject number
// (help/subject-<n>.html, the index page when missing) in the desktop's
// browser, or, where none starts, in the program's own help window. False
// only when the page cannot be shown at all. Recorded in test mode.
bool openHelp(int subject);
// The help window: the layer owns it, and its close box and Escape close it
// without the program's loops seeing either.
inline constexpr int kHelpWindow = 1502;
inline constexpr int kHelpView = 1;
// The open help window placed again as when it opened, clear of the floating
// windows as they stand now; nothing when it is closed.
void placeHelpWindow();
std::filesystem::path helpPage(int subject);
void openUrl(std::string_view url);     // https: or mailto:

const Picture* pictureResource(int id);           // nullptr when missing
std::vector<MenuItemSpec> menuResource(int menuId);   // pop-up titles; empty when unknown
bool bundleImageExists(std::string_view fileName);
// Interface-builder stand-ins: false lets the caller take its fallback path.
bool nibTemplateAvailable(std::string_view name);
void setNibTemplateAvailable(std::string_view name, bool available);   // tests

}  // namespace plat
