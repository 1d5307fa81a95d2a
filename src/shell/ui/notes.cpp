#include "shell/ui/notes.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "shell/safewrite.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/notes_text.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/help.h"

NotesHooks gNotesHooks;

namespace {

constexpr int kWidth = 600, kHeight = 360, kBand = 56;
constexpr int kPopupTitleBytes = 60;
const plat::FileKind kNotesKind{{'T', 'E', 'X', 'T'}, {'?', '?', '?', '?'}, "Notes text file", {"txt"}};

bool helpKey(int code) { return code == '?' || code == '/'; }

std::filesystem::path folderOf(int16_t slot) {
  const std::filesystem::path p = FilePath[slot];
  return p.has_parent_path() ? p.parent_path() : std::filesystem::path{};
}

void defineNotesMenu(const std::vector<NoteRecord>& notes) {
  std::vector<plat::MenuItemSpec> items;
  items.reserve(notes.size());
  for (size_t i = 0; i < notes.size(); ++i) {
    std::string t = NotesListLine(static_cast<int>(i) + 1, notes[i]);
    if (t.size() > kPopupTitleBytes) t = t.substr(0, kPopupTitleBytes - 1) + "\xC9";
    // A leading "-" would make the item a separator.
    if (!t.empty() && t[0] == '-') t.insert(t.begin(), ' ');
    items.push_back({.title = t});
  }
  plat::defineMenu(kNotesPopupMenu, "Notes", items);
}

class NotesWindow {
 public:
  NotesWindow(int16_t slot, int16_t note) : slot_(slot) {
    text_ = NotesListText(NotesArray[slot], &lineStarts_);
    selected_ = (note >= 1 && note <= count()) ? note : 0;
  }

  void build() {
    const plat::Size desk = plat::displaySize();
    const int left = std::max(4, (desk.w - kWidth) / 2);
    const int top = std::max(60, (desk.h - kHeight) / 3);
    const std::string title = ("Notes for '" + TrimTrailingBlanks(FileName[slot_]) + "'").substr(0, 255);
    BuildWINDOW(1, kNotesWindow, title, static_cast<int16_t>(left), static_cast<int16_t>(top),
                static_cast<int16_t>(left + kWidth), static_cast<int16_t>(top + kHeight), kKindDocument, 1);

    plat::addTextView(kNotesWindow, kNotesView, {0, 0, kWidth, kHeight - kBand}, false);
    plat::setViewMargins(kNotesWindow, kNotesView, 8, 4, 0, 0);
    plat::setViewText(kNotesWindow, kNotesView, count() ? text_ : MacText("This file has no notes.\r"));

    plat::Port& p = plat::port(kNotesWindow);
    p.resetPen();
    p.setForeColor(ExtremelyLightGray);
    p.fillRect({0, kHeight - kBand, kWidth, kHeight});
    DoubleLINE(0, kWidth, static_cast<int16_t>(kHeight - kBand + 1));
    if (count()) {
      defineNotesMenu(NotesArray[slot_]);
      plat::FontSpec f;
      f.pixelSize = 12;
      p.setFont(f);
      p.setForeColor(kBlack);
      p.moveTo(12, kHeight - 24);
      p.drawText("Show in the plot:");
      plat::addPopup(kNotesWindow, kNotesPopup, kNotesPopupMenu, selected_ ? selected_ : 1,
                     {118, kHeight - 40, 372, kHeight - 18});
    }
    auto push = [](int16_t id, plat::ButtonKind kind, const char* t, int l, int r, int state) {
      plat::addButton(kNotesWindow, {.id = id, .kind = kind, .title = t,
                                     .r = {l, kHeight - 38, r, kHeight - 16}, .state = state});
    };
    push(kNotesSave, plat::ButtonKind::Push, "Save Notes\xC9", kWidth - 214, kWidth - 104, count() ? 1 : 0);
    push(kNotesDone, plat::ButtonKind::DefaultPush, "Done", kWidth - 92, kWidth - 16, 1);
    highlight();
    plat::flushWindow(kNotesWindow);
  }

  // The window the user went on to, 0 when the notes window was closed.
  int run() {
    int leftFor = 0;
    for (bool done = false; !done;) {
      plat::pump();
      if (action == kActionClick && eventID == kNotesDone) {
        done = true;
      } else if (action == kActionClick && eventID == kNotesSave) {
        ClearMailbox();
        SaveNotesOf(slot_);
        regainFocus();
      } else if (action == kActionClick && eventID == kNotesPopup) {
        ClearMailbox();
        choose(static_cast<int16_t>(plat::popupValue(kNotesWindow, kNotesPopup)));
      } else if (action == kActionKey) {
        if (eventID == 13 || eventID == 3 || eventID == 27) done = true;
        else if (helpKey(eventID)) OpenHelpPage(HelpSubject);
      } else if (action == kActionClose && eventID == kNotesWindow) {
        done = true;
      } else if (action == kActionActivate && eventID != kNotesWindow) {
        leftFor = eventID;
        done = true;
      }
      ClearMailbox();
    }
    return leftFor;
  }

 private:
  int count() const { return static_cast<int>(NotesArray[slot_].size()); }

  void highlight() {
    if (!selected_) return;
    plat::setViewSelection(kNotesWindow, kNotesView, lineStarts_[selected_ - 1], lineStarts_[selected_] - 1);
  }

  void choose(int16_t note) {
    if (note < 1 || note > count()) return;
    selected_ = note;
    highlight();
    if (gNotesHooks.showCase) {
      gNotesHooks.showCase(slot_, NoteCaseNumber(NotesArray[slot_][note - 1], nCases[slot_]));
      regainFocus();
    }
  }

  // Whatever ran in between may have drawn elsewhere or raised its window.
  static void regainFocus() {
    if (!plat::windowExists(kNotesWindow)) return;
    plat::selectWindow(kNotesWindow);
    plat::setCurrentPort(kNotesWindow);
    plat::flushInput();
  }

  int16_t slot_;
  std::string text_;
  std::vector<int> lineStarts_;
  int16_t selected_ = 0;
};

}  // namespace

bool WriteNotesFile(const std::filesystem::path& path, const std::vector<NoteRecord>& notes, int* err) {
  const std::string bytes = NotesFileBytes(notes);
  SafeFileWriter w;
  const bool ok = w.open(path) && w.write(bytes.data(), bytes.size()) && w.commit();
  if (err) *err = ok ? 0 : w.error();
  return ok;
}

bool SaveNotesOf(int16_t slot) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return false;
  const std::optional<std::filesystem::path> path = plat::askSaveFile(
      "Save the notes as:", TrimTrailingBlanks(FileName[slot]) + " notes.txt", kNotesKind, folderOf(slot));
  if (!path) return false;
  int err = 0;
  if (!WriteNotesFile(*path, NotesArray[slot], &err)) {
    std::string text = "The notes could not be saved.";
    if (err != 0) text += std::string(" (") + std::strerror(err) + ")";
    ShowAlert(text, "bzot");
    return false;
  }
  plat::tagFile(*path, kNotesKind);
  return true;
}

void ShowNotesWindow(int16_t slot, int16_t note) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  const int previous = plat::currentPortWindow();
  const int front = plat::frontWindow();
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpNotes;
  int leftFor = 0;
  {
    HandlerScope keep;
    InstallDialogHandlers();
    NotesWindow w(slot, note);
    w.build();
    ClearMailbox();
    leftFor = w.run();
    MenuIDENTIFIER = MenuItem = 0;   // picks made while the window was up are dropped
  }
  plat::disposeWindow(kNotesWindow);
  HelpSubject = savedHelp;
  if (leftFor && plat::windowExists(leftFor)) plat::selectWindow(leftFor);
  else if (front && front != kNotesWindow && plat::windowExists(front)) plat::selectWindow(front);
  if (previous && previous != kNotesWindow && plat::windowExists(previous)) plat::setCurrentPort(previous);
}
