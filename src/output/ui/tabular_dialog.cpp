#include "output/ui/tabular_dialog.h"

#include <algorithm>
#include <string>

#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/ui/help.h"

namespace {

constexpr int16_t kPictureTabular = 148;
// Where picture 148 sits; framed and left empty when the picture is missing.
constexpr plat::Rect kPictureArea{225, 36, 410, 66};

void drawLine(plat::Port& p, int x, int y, const MacText& text) {
  p.moveTo(x, y);
  p.drawText(text);
}

// Our faces run wider than the sizes were chosen for: a line that would
// leave its room is set a size or two smaller.
void drawFitted(plat::Port& p, int x, int y, const MacText& text, int right) {
  plat::FontSpec f = p.font();
  const int size = f.pixelSize;
  while (f.pixelSize > 9 && x + p.textWidth(text) > right) {
    --f.pixelSize;
    p.setFont(f);
  }
  drawLine(p, x, y, text);
  f.pixelSize = size;
  p.setFont(f);
}

void setBox(int16_t id, bool on) { plat::setButtonState(kOutputOptionsWindow, id, on ? 2 : 1); }

uint16_t flip(uint16_t v) { return ToggleValue(v); }

bool isHelpKey(int16_t code) { return code == '/' || code == '?'; }

void addCheck(int16_t id, const MacText& title, int top, int left, int bottom, int right, int state = 1) {
  plat::addButton(kOutputOptionsWindow, {.id = id,
                                         .kind = plat::ButtonKind::CheckBox,
                                         .title = title,
                                         .r = {left, top, right, bottom},
                                         .state = state});
}

void buildOptionsWindow() {
  BuildWINDOW(1, kOutputOptionsWindow, "Tabular File Output Options", 100, 70, 524, 371, kKindDocument, 0);
  BUILDBOX2(5, 235, 305, 282);
  plat::Port& p = plat::port(kOutputOptionsWindow);
  p.setFont(OrrelinFace(15));
  p.setForeColor({0, 0, 0});
  drawFitted(p, 10, 15, "In addition to mean, SD, N, min, max, and variable name,", 420);
  drawFitted(p, 20, 32, "include the following data:", 420);
  drawFitted(p, 18, 275, "(enter notes in the COMMENTS window) ", 302);
  if (const plat::Picture* pic = plat::pictureResource(kPictureTabular); pic && !pic->empty())
    p.drawPicture(*pic, kPictureArea);
  else
    p.strokeRect(kPictureArea);

  addCheck(kTabStartEndTime, "Start and End Time", 40, 10, 60, 200);
  addCheck(kTabDuration, "Block Duration (sec) ", 60, 10, 80, 200);
  addCheck(kTabMass, "Mass (grams) ", 80, 10, 100, 200);
  addCheck(kTabStartEndCases, "Start and End Cases", 100, 10, 120, 200);
  addCheck(kTabChannelFile, "Channel and File", 120, 10, 140, 200);
  addCheck(kTabAnalysisMode, "Analysis Mode", 140, 10, 160, 200);
  addCheck(kTabHour, "Hour (24h format, e.g.  17.345) ", 160, 10, 180, 400);
  addCheck(kTabDayOfYear, "Date (day of year) ", 180, 10, 200, 200);
  addCheck(kTabCalendarDate, "Date (mm/dd/yyyy) ", 180, 210, 200, 400);
  addCheck(kTabElapsed, "Elapsed Time from Start of File (min) ", 200, 10, 220, 400);
  addCheck(kTabNote1, "User Note 1", 240, 12, 260, 158);
  addCheck(kTabNote2, "User Note 2", 240, 164, 260, 304);
  addCheck(kTabExcel, "Excel Format", 70, 275, 90, 406);
  addCheck(kTabMultiple, "Multiple Results per Line", 110, 225, 130, 406, 0);
  plat::addButton(kOutputOptionsWindow,
                  {.id = kTabOK, .kind = plat::ButtonKind::DefaultPush, .title = "OK", .r = {325, 260, 410, 280}});
}

// A click on a box; true when it ends the window.
bool optionsClick(int16_t id) {
  switch (id) {
    case kTabStartEndTime: tabTime = flip(tabTime); break;
    case kTabDuration: deltatime = flip(deltatime); break;
    case kTabMass: tabmass = flip(tabmass); break;
    case kTabStartEndCases: tabStart = flip(tabStart); break;
    case kTabChannelFile: tabChan = flip(tabChan); break;
    case kTabAnalysisMode: tabMode = flip(tabMode); break;
    case kTabNote1:
      Note_1 = flip(Note_1);
      if (Note_1 == 0) Note_2 = 0;
      break;
    case kTabNote2: Note_2 = flip(Note_2); break;
    case kTabHour: TogglePrefs(kPrefHour); break;
    case kTabElapsed: TogglePrefs(kPrefElapsed); break;
    case kTabDayOfYear: prefsArray[kPrefDate] = prefsArray[kPrefDate] == 1 ? 0 : 1; break;
    case kTabCalendarDate: prefsArray[kPrefDate] = prefsArray[kPrefDate] == 2 ? 0 : 2; break;
    case kTabExcel: UseExcelFormat = flip(UseExcelFormat); break;
    case kTabMultiple:
      // A disabled box cannot be clicked by the user; keep the rule anyway.
      if (UseExcelFormat != 0) UseMultipleResults = flip(UseMultipleResults);
      break;
    case kTabOK: return true;
    default: break;
  }
  return false;
}

}  // namespace

int16_t SETTABOPTIONS() {
  if (!plat::windowExists(kOutputOptionsWindow) || !plat::controlExists(kOutputOptionsWindow, kTabOK)) return 0;
  // A note 2 without note 1 (a loaded setting) shows and writes both.
  if (Note_2 != 0) Note_1 = 1;
  setBox(kTabStartEndTime, tabTime != 0);
  setBox(kTabDuration, deltatime != 0);
  setBox(kTabMass, tabmass != 0);
  setBox(kTabStartEndCases, tabStart != 0);
  setBox(kTabChannelFile, tabChan != 0);
  setBox(kTabAnalysisMode, tabMode != 0);
  setBox(kTabNote1, Note_1 != 0);
  setBox(kTabNote2, Note_2 != 0);
  setBox(kTabExcel, UseExcelFormat != 0);
  if (UseExcelFormat == 0) plat::setButtonState(kOutputOptionsWindow, kTabMultiple, 0);
  else setBox(kTabMultiple, UseMultipleResults != 0);
  setBox(kTabHour, prefsArray[kPrefHour] != 0);
  setBox(kTabDayOfYear, prefsArray[kPrefDate] == 1);
  setBox(kTabCalendarDate, prefsArray[kPrefDate] == 2);
  setBox(kTabElapsed, prefsArray[kPrefElapsed] != 0);
  return 0;
}

bool TabularOptionsDialog() {
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpTabularOptions;
  HandlerScope keep;
  InstallDialogHandlers();
  buildOptionsWindow();
  SETTABOPTIONS();
  plat::flushWindow(kOutputOptionsWindow);
  ClearMailbox();
  bool accepted = false;
  for (bool done = false; !done;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick) {
      if (optionsClick(id)) {
        accepted = done = true;
      } else {
        SETTABOPTIONS();
      }
    } else if (a == kActionKey) {
      if (isHelpKey(id)) {
        OpenHelpPage(kHelpTabularOptions);
        plat::selectWindow(kOutputOptionsWindow);
      } else {
        accepted = done = true;
      }
    } else if (a == kActionActivate && id != kOutputOptionsWindow) {
      accepted = done = true;
    } else if (a == kActionClose && id == kOutputOptionsWindow) {
      done = true;
    }
  }
  plat::disposeWindow(kOutputOptionsWindow);
  HelpSubject = savedHelp;
  return accepted;
}

bool ResultsPerLineDialog() {
  HandlerScope keep;
  InstallDialogHandlers();
  BuildWINDOW(1, kOutputOptionsWindow, "Multiple Results Per Line Pptions", 100, 70, 524, 260, kKindDocument, 0);
  plat::Port& p = plat::port(kOutputOptionsWindow);
  p.setFont(OrrelinFace(14));
  p.setForeColor({0, 0, 0});
  drawFitted(p, 10, 15, "You need to specify how many variables will be stored in", 420);
  drawFitted(p, 20, 32, "each line of the Excel spreadsheet.   A  'variable ' is", 420);
  drawFitted(p, 20, 49, "the result of one analysis operation.", 420);
  struct At { int x, y; };
  const At at[] = {{30, 68},  {120, 68},  {30, 98},   {120, 98},  {30, 128},  {120, 128}, {30, 158},
                   {120, 158}, {210, 68}, {300, 68}, {210, 98}, {300, 98}, {210, 128}, {300, 128}};
  NMultipleResults = kPerRowFirst;
  for (int16_t id = kPerRowFirst; id <= kPerRowLast; ++id) {
    const At a = at[id - kPerRowFirst];
    plat::addButton(kOutputOptionsWindow, {.id = id,
                                           .kind = plat::ButtonKind::Radio,
                                           .title = std::to_string(id),
                                           .r = {a.x, a.y, a.x + 60, a.y + 20},
                                           .state = id == NMultipleResults ? 2 : 1});
  }
  plat::addButton(kOutputOptionsWindow, {.id = kPerRowDone,
                                         .kind = plat::ButtonKind::DefaultPush,
                                         .title = "Done",
                                         .r = {220, 158, 400, 180}});
  plat::flushWindow(kOutputOptionsWindow);
  ClearMailbox();
  bool accepted = false;
  for (bool done = false; !done;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick && id >= kPerRowFirst && id <= kPerRowLast) {
      plat::setButtonState(kOutputOptionsWindow, NMultipleResults, 1);
      NMultipleResults = id;
      plat::setButtonState(kOutputOptionsWindow, id, 2);
    } else if (a == kActionClick && id == kPerRowDone) {
      accepted = done = true;
    } else if (a == kActionKey) {
      if (isHelpKey(id)) OpenHelpPage(kHelpTabularOptions);
      else accepted = done = true;
    } else if (a == kActionClose && id == kOutputOptionsWindow) {
      done = true;
    }
  }
  plat::disposeWindow(kOutputOptionsWindow);
  return accepted;
}

std::string TabFileComments(const TabularOptions& o) {
  if (prefsArray[kPrefSoundLevel] > 25) PlayNamedSound("bub3");
  const bool two = o.note2;
  const int previous = plat::currentPortWindow();
  const int16_t left = 321;
  const int16_t top = static_cast<int16_t>(BottomOfPlotArea + 118);
  int16_t right = ScreenWidth < 1101 ? static_cast<int16_t>(ScreenWidth - 1) : int16_t{1100};
  // Without a plot window the width is unknown; keep the fields usable.
  right = std::max<int16_t>(right, left + 400);
  const int16_t bottom = static_cast<int16_t>(BottomOfPlotArea + 163 + (two ? 20 : 0));

  HandlerScope keep;
  const int32_t savedHelp = HelpSubject;
  HelpSubject = 0;
  BuildWINDOW(1, kTabularNotesWindow, "Notes for Tabular Data File", left, top, right, bottom, kKindDocument, 0);
  plat::Port& p = plat::port(kTabularNotesWindow);
  plat::FontSpec sys;
  sys.family = "0";
  sys.pixelSize = 13;
  p.setFont(sys);
  p.setForeColor({0, 0, 0});
  drawLine(p, 1, 16, "# 1:");
  if (two) drawLine(p, 1, 37, "# 2:");
  drawFitted(p, 30, two ? 58 : 38, "hit  'return ' or click close box when notes are correct", right - left - 4);
  const int fieldRight = right - left - 4;
  auto field = [&](int16_t id, const std::string& text, int t, int b) {
    plat::FieldSpec f;
    f.id = id;
    f.text = text;
    f.r = {30, t, fieldRight, b};
    f.font.pixelSize = 12;
    f.back = LightGray;
    f.maxLen = static_cast<int>(kNoteMaxLength);
    plat::addField(kTabularNotesWindow, f);
  };
  field(kNoteField1, note1, 3, 18);
  if (two) field(kNoteField2, note2, 25, 40);
  plat::focusField(kTabularNotesWindow, kNoteField1, true);
  plat::flushWindow(kTabularNotesWindow);

  auto& h = plat::handlers();
  h.menu = ShowSpecificHelpWindow;
  h.dialog = DoDIALOG;
  h.mouse = noMOUSE;
  h.editKey = CHECKRETURN;
  ClearMailbox();
  while (true) {
    const auto [a, id] = TakeEvent();
    if (a == kActionKey) break;
    if (a == kActionClose && id == kTabularNotesWindow) break;
    if (a == kActionTab && two) {
      const int next = plat::focusedField(kTabularNotesWindow) == kNoteField1 ? kNoteField2 : kNoteField1;
      plat::focusField(kTabularNotesWindow, next, true);
    }
  }
  note1 = plat::fieldText(kTabularNotesWindow, kNoteField1).substr(0, kNoteMaxLength);
  if (two) note2 = plat::fieldText(kTabularNotesWindow, kNoteField2).substr(0, kNoteMaxLength);
  plat::disposeWindow(kTabularNotesWindow);
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);
  HelpSubject = savedHelp;
  ClearMailbox();
  return TabularNoteFields(o, note1, note2);
}
