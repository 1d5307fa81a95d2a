#include "datafiles/ui/open.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "datafiles/datafile.h"
#include "datafiles/filehelpers.h"
#include "datafiles/native_binary.h"
#include "datafiles/text_import.h"
#include "datafiles/ui/loadnotice.h"
#include "datafiles/ui/textimport_dialog.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/windows.h"
#include "shell/ui/recorder.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/readfile.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"

OpenHooks gOpenHooks;

namespace {

namespace fs = std::filesystem;

const plat::FileKind kNativeKind{{'O', 'R', 'L', 'N'}, {'c', 'v', 'm', 't'}, "Orrelin data file", {"orl"}};
// Classic files carry no extension: no filter.
const plat::FileKind kAnyKind{{'O', 'R', 'L', 'N'}, {'c', 'v', 'm', 't'}, "Orrelin data file (any name)", {}};
const plat::FileKind kTextKind{{'T', 'E', 'X', 'T'}, {'?', '?', '?', '?'}, "Text data file",
                               {"csv", "txt", "tsv", "xls", "dat"}};

constexpr MenuPick kPickQuit{kMenuFile, 21};
constexpr MenuPick kPickAbout{kMenuHelp, 1};
constexpr MenuPick kPickCalculator{kMenuSpecial, 1};
constexpr MenuPick kPickFlowSTP{kMenuSpecial, 4};
constexpr MenuPick kPickLoadScript{kMenuScript, 4};

void alertFor(FileStatus st) { ShowAlert(FileStatusText(st), FileStatusSound(st)); }

// The case count a native file declares, read from its first bytes; -1 when
// the bytes are not a native header.
int32_t PeekNativeCases(const fs::path& path) {
  std::string head;
  if (ReadRegularFile(path, 12, &head) == ReadFileStatus::CannotOpen) return -1;
  const char* const b = head.data();
  const size_t got = head.size();
  size_t cr = 0;
  while (cr < got && b[cr] != '\r') ++cr;
  if (cr == got) return -1;
  const std::string flag(b, cr);
  const auto* u = reinterpret_cast<const unsigned char*>(b + cr + 1);
  if (flag == "-999" && got >= cr + 3) return static_cast<int16_t>((u[0] << 8) | u[1]);
  if (flag != "-999" && got >= cr + 5)
    return static_cast<int32_t>((uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3]);
  return -1;
}

// "Sample Interval Warning": the interval was unusable and is 9.999 s now;
// the user may type the right one.
void SampleIntervalWarning(int16_t slot) {
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - 420) / 2), top = std::max(60, desk.h / 3);
  BuildWINDOW(1, kIntervalWarningWindow, "Sample Interval Warning", left, top, left + 420, top + 150,
              kKindNoCloseBox, 0);
  BUILDEF(0, 3,
          "The sample interval of '" + FileName[slot] +
              "' is 0 or not a number. It has been set to 9.999 s. Type the right interval in seconds:",
          16, 12, 404, 64, 7, 0);
  BUILDEF(1, kIntervalWarningField, FieldNumText(FileInfoFLOATS[slot][kInfoInterval]), 16, 74, 140, 96, 3, 0);
  plat::addButton(kIntervalWarningWindow, {.id = kIntervalOK,
                                           .kind = plat::ButtonKind::DefaultPush,
                                           .title = "OK",
                                           .r = {324, 112, 404, 136}});
  plat::focusField(kIntervalWarningWindow, kIntervalWarningField, true);
  plat::flushWindow(kIntervalWarningWindow);
  {
    DialogScope dialog;
    for (;;) {
      plat::pump();
      const bool answer = (action == kActionClick && eventID == kIntervalOK) ||
                          (action == kActionKey && (eventID == 13 || eventID == 3));
      ClearMailbox();
      if (!answer) continue;
      const double v = TextToNum(plat::fieldText(kIntervalWarningWindow, kIntervalWarningField));
      if (v > 0 && std::isfinite(v) && v < 1e9) {
        FileInfoFLOATS[slot][kInfoInterval] = static_cast<float>(v);
        break;
      }
      Zap();
      plat::focusField(kIntervalWarningWindow, kIntervalWarningField, true);
    }
    MenuIDENTIFIER = MenuItem = 0;
  }
  plat::disposeWindow(kIntervalWarningWindow);
}

// The label warning: a file whose channels carry no names.
void LABELwarn() {
  PlaySoundAlways("ahem");
  ShowAlert("The channels of this file have no labels. Please give each channel a name.", "", 128);
  if (CommandRegistered(Cmd::EditFileData)) RunCommand(Cmd::EditFileData, 1);
}

// The file is in its slot: its window, the notices, the menus.
void FinishLoad(int16_t slot, const RepairReport& report, const std::string& extraNotice, bool textImport) {
  if (gOpenHooks.openPlotWindow) gOpenHooks.openPlotWindow(slot);
  ActivateFileSlot(slot);
  if (gOpenHooks.restoreWindowName) gOpenHooks.restoreWindowName();
  if (report.intervalRepaired) SampleIntervalWarning(slot);
  std::string notice = RepairNoticeText(report);
  if (!extraNotice.empty()) notice += (notice.empty() ? "" : "\r") + extraNotice;
  if (!notice.empty()) {
    std::string log = "\r         Repairs on loading:";
    for (size_t from = 0; from <= notice.size();) {
      const size_t cr = std::min(notice.find('\r', from), notice.size());
      log += "\r         " + notice.substr(from, cr - from);
      from = cr + 1;
    }
    AppendEditLog(slot, log);
    ShowAlert(notice, "", 128);
  }
  if (textImport) {
    // The user names the channels the columns became.
    if (CommandRegistered(Cmd::EditFileData)) RunCommand(Cmd::EditFileData, 0);
  } else if (report.labelsBlank) {
    LABELwarn();
  }
  if (SlotHoldsFile(slot)) {
    if (gOpenHooks.drawPlotSummary) gOpenHooks.drawPlotSummary(slot);
    if (plat::windowExists(PlotWindowId(slot))) plat::selectWindow(PlotWindowId(slot));
  }
  SETMENU(1);
  FixMenuSEVEN();
}

plat::Rect FileTypeRect(int16_t x, int16_t y, int height) {
  return {x, y, x + 360, y + height};
}

}  // namespace

bool FileKindReadable(int16_t typeOfFile) {
  return typeOfFile == kFileKindNative || typeOfFile == kFileKindNativeAlt || typeOfFile == kFileKindClassic ||
         typeOfFile == kFileKindText;
}

bool MergeAvailable() { return static_cast<bool>(gOpenHooks.merge); }

std::string RepairNoticeText(const RepairReport& r) {
  std::vector<std::string> lines;
  if (r.aberrantSamples > 0) lines.push_back(AberrantNotice(r) + ".");
  if (r.markersDropped > 0)
    lines.push_back(std::to_string(r.markersDropped) +
                    (r.markersDropped == 1 ? " marker outside the file, without a code or doubled was removed."
                                           : " markers outside the file, without a code or doubled were removed."));
  if (r.notesDropped > 0) lines.push_back(std::to_string(r.notesDropped) + " notes beyond 300 were dropped.");
  if (r.startTimeReset) lines.push_back("The start time could not be read and was set to 00:00:00.");
  if (!r.skippedColumns.empty()) lines.push_back(SkippedColumnsNotice(r.skippedColumns));
  lines.insert(lines.end(), r.importNotices.begin(), r.importNotices.end());
  if (r.fileValuesReset > 0)
    lines.push_back(std::to_string(r.fileValuesReset) +
                    (r.fileValuesReset == 1 ? " file value that was not a number was set to 0."
                                            : " file values that were not numbers were set to 0."));
  std::string out;
  for (const std::string& l : lines) out += (out.empty() ? "" : "\r") + l;
  return out;
}

// ---- The file-type dialog -------------------------------------------------------

FileTypeAnswer FileTypeDialog(bool startup, int16_t x, int16_t y, bool merge) {
  struct Choice {
    int16_t id;
    const char* title;
    bool enabled;
  };
  std::vector<Choice> kinds{{kFileTypeNative, "Orrelin File" "\xC9", true}};
  if (!merge) {
    kinds.push_back({kFileTypeClassic, "Orrelin Binary from 'Classic' OS9" "\xC9", true});
    kinds.push_back({kFileTypeText, "Text [ .csv, ASCII ] File" "\xC9", true});
  }
  kinds.push_back({kFileTypeRiduz, "Riduz File" "\xC9  (not available)", FileKindReadable(kFileKindExpeData)});
  std::vector<Choice> extras;
  if (startup) {
    if (CommandAvailable(kPickCalculator)) extras.push_back({kFileTypeCalculator, "Calculator (RPN)" "\xC9", true});
    if (CommandAvailable(kPickFlowSTP)) extras.push_back({kFileTypeFlowSTP, "Flow System STP Converter" "\xC9", true});
    if (CommandAvailable(kPickLoadScript)) extras.push_back({kFileTypeLoadScript, "Load Script" "\xC9", true});
  }
  const int height = 70 + static_cast<int>(kinds.size()) * 30 + (extras.empty() ? 0 : 20 + static_cast<int>(extras.size()) * 30) + 56;
  const plat::Rect r = FileTypeRect(x, y, height);
  BuildWINDOW(1, kFileTypeWindow, startup ? "Welcome to Corvimet" : "Open a Data File", static_cast<int16_t>(r.left),
              static_cast<int16_t>(r.top), static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom),
              startup ? kKindNoCloseBox : kKindDocument, 0);
  EmbossPrint(1, merge ? "Kind of file to add:" : "Kind of file to open:", 18, 20, 34);
  int top = 56;
  for (const Choice& c : kinds) {
    plat::addButton(kFileTypeWindow, {.id = c.id,
                                      .kind = c.id == kFileTypeNative ? plat::ButtonKind::DefaultPush
                                                                      : plat::ButtonKind::Push,
                                      .title = c.title,
                                      .r = {30, top, 330, top + 24},
                                      .state = c.enabled ? 1 : 0});
    top += 30;
  }
  if (!extras.empty()) {
    DoubleLINE(20, 340, static_cast<int16_t>(top + 6));
    top += 20;
    for (const Choice& c : extras) {
      plat::addButton(kFileTypeWindow, {.id = c.id, .title = c.title, .r = {30, top, 330, top + 24}});
      top += 30;
    }
  }
  const int bottom = height - 40;
  plat::addButton(kFileTypeWindow, {.id = kFileTypeHelp, .title = "?", .r = {20, bottom, 50, bottom + 24}});
  plat::addButton(kFileTypeWindow, {.id = kFileTypeQuitOrCancel,
                                    .title = startup ? "Quit" : "Cancel",
                                    .r = {250, bottom, 340, bottom + 24}});
  plat::flushWindow(kFileTypeWindow);

  FileTypeAnswer answer = FileTypeAnswer::Cancelled;
  MenuPick runAfter{};
  {
    HandlerScope keep;
    InstallDialogHandlers();
    // This dialog answers the Open and Help picks itself and hands others on.
    plat::handlers().menu = HANDLEMENU;
    ClearMailbox();
    MenuIDENTIFIER = MenuItem = 0;
    for (bool done = false; !done;) {
      plat::pump();
      const int16_t a = action, id = eventID;
      const MenuPick pick{MenuIDENTIFIER, MenuItem};
      ClearMailbox();
      int16_t chosen = 0;
      if (a == kActionClick) {
        chosen = id;
      } else if (a == kActionKey) {
        if (id == 13 || id == 3) chosen = kFileTypeNative;
        else if (id == '?' || id == '/') chosen = kFileTypeHelp;
        else if (id == 27 && !startup) chosen = kFileTypeQuitOrCancel;
      } else if (a == kActionClose && id == kFileTypeWindow) {
        chosen = kFileTypeQuitOrCancel;
      }
      if (pick.menu != 0) {
        MenuIDENTIFIER = MenuItem = 0;
        if (pick == kPickOpenNative) chosen = kFileTypeNative;
        else if (pick == MenuPick{kMenuOpenOther, 1} && !merge) chosen = kFileTypeClassic;
        else if (pick == MenuPick{kMenuOpenOther, 2} && !merge) chosen = kFileTypeText;
        else if (pick == kPickHelp) chosen = kFileTypeHelp;
        else if (startup && pick == kPickQuit) chosen = kFileTypeQuitOrCancel;
        else if (startup && (pick == kPickAbout || pick.menu == kMenuSpecial || pick == kPickLoadScript)) {
          runAfter = pick;
          answer = FileTypeAnswer::RanCommand;
          done = true;
          continue;
        } else if (!startup) {
          // The main loop behind the dialog runs the pick.
          MenuIDENTIFIER = pick.menu;
          MenuItem = pick.item;
          answer = FileTypeAnswer::Cancelled;
          done = true;
          continue;
        }
      }
      switch (chosen) {
        case kFileTypeNative: case kFileTypeClassic: case kFileTypeText: case kFileTypeRiduz:
          if (plat::buttonState(kFileTypeWindow, chosen) == 0) break;
          TypeOfFile = chosen;
          answer = FileTypeAnswer::Kind;
          done = true;
          break;
        case kFileTypeCalculator: runAfter = kPickCalculator; answer = FileTypeAnswer::RanCommand; done = true; break;
        case kFileTypeFlowSTP: runAfter = kPickFlowSTP; answer = FileTypeAnswer::RanCommand; done = true; break;
        case kFileTypeLoadScript: runAfter = kPickLoadScript; answer = FileTypeAnswer::RanCommand; done = true; break;
        case kFileTypeQuitOrCancel:
          answer = startup ? FileTypeAnswer::Quit : FileTypeAnswer::Cancelled;
          done = true;
          break;
        case kFileTypeHelp:
          HelpSubject = kHelpOpening;
          OpenHelpBook();
          break;
        default: break;
      }
      if (done) break;
      if (startup && DeskQuitPending()) {
        answer = FileTypeAnswer::Quit;
        done = true;
      } else if (DocumentsPending()) {
        answer = FileTypeAnswer::Documents;
        done = true;
      }
    }
  }
  plat::disposeWindow(kFileTypeWindow);
  if (answer == FileTypeAnswer::RanCommand) DoMENU(runAfter.menu, runAfter.item);
  return answer;
}

int16_t FileTYPE(uint16_t startup, int16_t x, int16_t y, uint16_t /*skip*/, uint16_t merge) {
  TypeOfFile = 0;
  const FileTypeAnswer a = FileTypeDialog(startup != 0, x, y, merge != 0);
  if (a != FileTypeAnswer::Kind) TypeOfFile = 0;
  return 0;
}

bool FileTypeLoop() {
  const plat::Size desk = plat::displaySize();
  const auto x = static_cast<int16_t>(std::max(4, (desk.w - 360) / 2));
  const auto y = static_cast<int16_t>(std::max(60, desk.h / 4));
  const auto fileOpen = [] {
    const auto s = static_cast<int16_t>(TheFileInUse);
    return ValidFileSlot(s) && SlotHoldsFile(s) && nCases[s] >= 2;
  };
  for (;;) {
    if (DeskQuitPending()) return false;
    if (DocumentsPending() && LoadPendingDocuments() > 0 && fileOpen()) return true;
    switch (FileTypeDialog(true, x, y, false)) {
      case FileTypeAnswer::Kind:
        MergeThisFile = 0;
        FILELOADING();
        if (Cancel_Open == 0 && fileOpen()) return true;
        break;
      case FileTypeAnswer::Quit: return false;
      default: break;
    }
  }
}

// ---- Loading ------------------------------------------------------------------

void FILELOADING() {
  Cancel_Open = 1;
  if (MergeThisFile == 1) {
    if (gOpenHooks.merge) gOpenHooks.merge();
    else MergeThisFile = 0;
    return;
  }
  const int16_t kind = TypeOfFile;
  if (kind == kFileKindExpeData && !FileKindReadable(kind)) {
    ShowAlert("Riduz ExpeData files cannot be read by this version of Corvimet.", "bzot");
    return;
  }
  if (!FileKindReadable(kind)) return;   // any other value is a cancelled choice
  if (FindFreeSlot() < 0) {
    alertFor(FileStatus::TooManyFiles);
    return;
  }
  std::vector<fs::path> paths;
  if (kind == kFileKindText) paths = plat::askOpenFiles("Open a comma- or tab-separated text file:", {kTextKind});
  else if (kind == kFileKindClassic) paths = plat::askOpenFiles("Open an Orrelin data file:", {kAnyKind});
  else paths = plat::askOpenFiles("Open an Orrelin data file:", {kNativeKind, kTextKind});
  // Each file chosen opens as if chosen alone; once every slot is taken,
  // LOADFILE's alert says so and the rest stay closed.
  for (const fs::path& path : paths) {
    if (LOADFILE(path, kind) < 0) {
      if (FindFreeSlot() < 0) return;
      continue;
    }
    Cancel_Open = 0;
    float step[kStepFields] = {};
    step[kStepOperation] = kOpOpenFile;
    step[kStepMain] = static_cast<float>(kind);
    RecordScriptStep(step);
  }
}

int16_t LOADFILE(const fs::path& path, int16_t kind) {
  if (FindFreeSlot() < 0) {
    alertFor(FileStatus::TooManyFiles);
    return -1;
  }
  const DetectedKind found = DetectDataFileKind(path);
  if (found == DetectedKind::Unreadable) {
    alertFor(FileStatus::CannotOpen);
    return -1;
  }
  bool text = false;
  if (kind == kFileKindText) {
    text = true;
  } else if (kind == kFileKindClassic) {
    if (found != DetectedKind::Native) {
      alertFor(FileStatus::BadFormat);
      return -1;
    }
  } else {
    switch (found) {
      case DetectedKind::Native: break;
      case DetectedKind::Text: text = true; break;
      case DetectedKind::ExpeData:
        ShowAlert("Riduz ExpeData files cannot be read by this version of Corvimet.", "bzot");
        return -1;
      default:
        alertFor(FileStatus::BadFormat);
        return -1;
    }
  }

  int16_t slot = -1;
  RepairReport report;
  if (text) {
    slot = LoadASCIItextFile(path, &report, nullptr);
    if (slot < 0) return -1;
    FinishLoad(slot, report, "", true);
    return slot;
  }
  FileStatus st;
  {
    const LoadNotice notice(PeekNativeCases(path) > kLongLoadCases,
                            "This file holds more than 80,000 cases: loading it may take a while.");
    st = LoadNativeFile(path, &slot, &report);
  }
  if (st != FileStatus::Ok) {
    alertFor(st);
    return -1;
  }
  FinishLoad(slot, report, "", false);
  return slot;
}

// ---- Documents -------------------------------------------------------------------

int LoadPendingDocuments() {
  int loaded = 0;
  // A document the desk hands over while one loads waits for the next round.
  while (DocumentsPending())
    for (const fs::path& p : TakePendingDocuments())
      if (LOADFILE(p, kDetectKind) >= 0) ++loaded;
  return loaded;
}
