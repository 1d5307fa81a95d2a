#include "datafiles/ui/save_dialog.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "shell/safewrite.h"
#include "datafiles/save.h"
#include "datafiles/ui/open.h"
#include "datafiles/filehelpers.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/ui/recorder.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"
#include "shell/ui/help.h"

namespace fs = std::filesystem;

SaveAsMemory gSaveAsMemory;

namespace {

const plat::FileKind kNativeKind{{'O', 'R', 'L', 'N'}, {'c', 'v', 'm', 't'}, "Orrelin data file", {"orl"}};
const plat::FileKind kCommaKind{{'T', 'E', 'X', 'T'}, {'X', 'C', 'E', 'L'}, "Comma-separated text", {"csv"}};
const plat::FileKind kTabKind{{'X', 'L', 'S', '8'}, {'X', 'C', 'E', 'L'}, "Tab-separated text", {"xls"}};
const plat::FileKind kTableKind{{'T', 'E', 'X', 'T'}, {'X', 'C', 'E', 'L'}, "Tab-separated text", {"txt"}};

const plat::FileKind& kindOf(SaveFormat f) {
  return f == SaveFormat::CommaText ? kCommaKind : f == SaveFormat::TabText ? kTabKind : kNativeKind;
}

void alertWrite(FileStatus st, int err) {
  std::string text = FileStatusText(st);
  if (st == FileStatus::WriteFailed && err != 0) text += std::string(" (") + std::strerror(err) + ")";
  ShowAlert(text, FileStatusSound(st));
}

fs::path folderOf(int16_t slot) {
  const fs::path p = FilePath[slot];
  return p.has_parent_path() ? p.parent_path() : fs::path{};
}

// The "may take a while" notice with its progress bar; nothing for short
// files, which are written before anyone could read it.
class LongSaveNotice {
 public:
  LongSaveNotice(int32_t cases, const MacText& what) {
    if (cases <= kLongSaveCases) return;
    shown_ = true;
    previous_ = plat::currentPortWindow();
    const plat::Size desk = plat::displaySize();
    const int16_t left = static_cast<int16_t>(std::max(4, (desk.w - 380) / 2));
    const int16_t top = static_cast<int16_t>(std::max(60, desk.h / 3));
    BuildWINDOW(0, kSaveNoticeWindow, "Saving", left, top, left + 380, top + 110, kKindNoCloseBox, 1);
    WARNINGSTRIPES(0, 3, 14, 8, 8, 372, 102);
    putCICON(129, 20, 52);
    BUILDEF(0, 1, what + " " + MakeCaseNumber(cases) + " cases.", 62, 18, 364, 36, 7, 0);
    BUILDEF(0, 2, "This may take a while" "\xC9", 62, 40, 364, 58, 7, 0);
    MinimumProgressBarValue = 0;
    buildProgressBAR(62, 72, 350, 84, cases, kSaveNoticeWindow);
    plat::flushWindow(kSaveNoticeWindow);
  }
  ~LongSaveNotice() {
    if (!shown_) return;
    plat::disposeWindow(kSaveNoticeWindow);
    if (previous_ && plat::windowExists(previous_)) plat::setCurrentPort(previous_);
  }
  LongSaveNotice(const LongSaveNotice&) = delete;
  LongSaveNotice& operator=(const LongSaveNotice&) = delete;

  SaveProgress progress() const {
    if (!shown_) return {};
    return [](int32_t done, int32_t) {
      UpdateProgressBar(done);
      KillSpinningCursor();
    };
  }

 private:
  bool shown_ = false;
  int previous_ = 0;
};

// ---- Save -------------------------------------------------------------------------

int16_t saveInPlace(int16_t slot) {
  int err = 0;
  FileStatus st;
  {
    LongSaveNotice notice(nCases[slot], "Saving");
    st = SaveSlotInPlace(slot, &err);
  }
  if (st != FileStatus::Ok) {
    alertWrite(st, err);
    return 1;
  }
  if (gOpenHooks.retitlePlotWindow) gOpenHooks.retitlePlotWindow(slot);
  return 0;
}

// ---- Save As ----------------------------------------------------------------------

struct FormatDialog {
  int16_t slot;
  SaveFormat format;
  bool selected = false, block = false;
  bool blockPossible;
  SaveAsMemory mem;

  bool text() const { return format != SaveFormat::NativeBinary; }

  void setMark(int16_t id, bool on, bool active = true) {
    plat::setButtonState(kSaveAsWindow, id, active ? (on ? 2 : 1) : 0);
  }

  void refresh() {
    for (int16_t id : {kSaveAsNative, kSaveAsComma, kSaveAsTab}) setMark(id, static_cast<int16_t>(format) == id);
    setMark(kSaveAsSelected, selected);
    setMark(kSaveAsBlock, block, blockPossible);
    // The time columns show their ticks whatever the format: greyed under the
    // binary format they looked clear, so a user who then chose a text format
    // and ticked "Elapsed time in" cleared the column that was on.
    setMark(kSaveAsCase, mem.caseColumn);
    setMark(kSaveAsElapsed, mem.elapsedColumn);
    for (int16_t u = 0; u < 4; ++u) setMark(static_cast<int16_t>(kSaveAsUnitFirst + u), mem.unit == u, mem.elapsedColumn);
    setMark(kSaveAsClock, mem.clockColumn);
    setMark(kSaveAsDate, mem.dateColumn);
  }

  void build() {
    const plat::Size desk = plat::displaySize();
    const int16_t left = static_cast<int16_t>(std::max(4, (desk.w - 380) / 2));
    const int16_t top = static_cast<int16_t>(std::max(60, desk.h / 5));
    BuildWINDOW(1, kSaveAsWindow, "Save File As", left, top, left + 380, top + 372, kKindDocument, 0);
    EmbossPrint(1, "Save \xD2" + TrimTrailingBlanks(FileName[slot]) + "\xD3 as:", 16, 18, 28);
    DoubleLINE(10, 370, 38);
    BUILDBUTTON(kSaveAsNative, 1, "Orrelin binary", 24, 48, 3);
    BUILDBUTTON(kSaveAsComma, 1, "Comma-separated text", 24, 70, 3);
    BUILDBUTTON(kSaveAsTab, 1, "Tab-separated text (Excel)", 24, 92, 3);
    DoubleLINE(10, 370, 120);
    BUILDBUTTON(kSaveAsSelected, 1, "Selected channels only" "\xC9", 24, 130, 1);
    BUILDBUTTON(kSaveAsBlock, 1, "Block only", 24, 152, 1);
    DoubleLINE(10, 370, 180);
    EmbossPrint(0, "Time columns of the text formats:", 12, 18, 200);
    BUILDBUTTON(kSaveAsCase, 1, "Case number", 24, 210, 1);
    BUILDBUTTON(kSaveAsElapsed, 1, "Elapsed time in", 24, 232, 1);
    const char* units[] = {"sec", "min", "hours", "days"};
    for (int16_t u = 0; u < 4; ++u)
      BUILDBUTTON(static_cast<int16_t>(kSaveAsUnitFirst + u), 1, units[u], static_cast<int16_t>(44 + u * 78), 254, 3);
    BUILDBUTTON(kSaveAsClock, 1, "Clock time", 24, 276, 1);
    BUILDBUTTON(kSaveAsDate, 1, "Date", 24, 298, 1);
    plat::addButton(kSaveAsWindow, {.id = kSaveAsHelp, .title = "?", .r = {16, 334, 46, 358}});
    plat::addButton(kSaveAsWindow, {.id = kSaveAsCancel, .title = "Cancel", .r = {170, 334, 260, 358}});
    plat::addButton(kSaveAsWindow,
                    {.id = kSaveAsSave, .kind = plat::ButtonKind::DefaultPush, .title = "Save" "\xC9", .r = {272, 334, 364, 358}});
    refresh();
    plat::flushWindow(kSaveAsWindow);
  }

  SaveChoice choice() const {
    SaveChoice c;
    c.format = format;
    c.blockOnly = block && blockPossible;
    c.text.caseColumn = mem.caseColumn;
    c.text.elapsedColumn = mem.elapsedColumn;
    c.text.elapsedUnit = static_cast<ElapsedUnit>(mem.unit);
    c.text.clockColumn = mem.clockColumn;
    c.text.dateColumn = mem.dateColumn;
    return c;
  }
};

// Writes the choice to a file the user names; 0 written, 1 not (cancelled
// file dialog or a failure, already reported), -1 the file dialog was
// cancelled.
int16_t writeChoice(FormatDialog& d) {
  const SaveChoice c = d.choice();
  const plat::FileKind& kind = kindOf(c.format);
  const std::optional<fs::path> path =
      plat::askSaveFile("Save the data file as:",
                        NameWithExtension(SaveAsName[d.slot].empty() ? FileName[d.slot] : SaveAsName[d.slot],
                                          SaveFormatExtension(c.format)),
                        kind, folderOf(d.slot));
  if (!path) return -1;
  int32_t first = 0, last = 0;
  SaveRange(d.slot, c.blockOnly, &first, &last);
  int err = 0;
  FileStatus st;
  {
    LongSaveNotice notice(last - first, "Saving");
    st = SaveSlotAs(d.slot, *path, c, notice.progress(), &err);
  }
  if (st != FileStatus::Ok) {
    alertWrite(st, err);
    return 1;
  }
  plat::tagFile(*path, kind);
  SaveAsName[d.slot].clear();
  if (gOpenHooks.retitlePlotWindow) gOpenHooks.retitlePlotWindow(d.slot);
  return 0;
}

int16_t saveAsDialog(int16_t slot, bool preferNative) {
  FormatDialog d{.slot = slot,
                 .format = preferNative ? SaveFormat::NativeBinary : static_cast<SaveFormat>(gSaveAsMemory.format),
                 .blockPossible = FileSHORTS[slot][kShortBlockState] == 2,
                 .mem = gSaveAsMemory};
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpSaveAs;
  HandlerScope keep;
  InstallDialogHandlers();
  // Too tall to stand clear of a toolbar across the plot on a short desk:
  // the toolbar steps aside while the dialog is up.
  const bool toolbarShown = ToolbarIsHidden == 0;
  HideTheToolBar();
  d.build();
  ClearMailbox();
  int16_t result = 1;
  for (bool done = false; !done;) {
    const auto [a, id] = TakeEvent();
    int16_t hit = 0;
    if (a == kActionClick) hit = id;
    else if (a == kActionKey && (id == 13 || id == 3)) hit = kSaveAsSave;
    else if (a == kActionKey && id == 27) hit = kSaveAsCancel;
    else if (a == kActionClose && id == kSaveAsWindow) hit = kSaveAsCancel;
    switch (hit) {
      case kSaveAsNative: case kSaveAsComma: case kSaveAsTab:
        d.format = static_cast<SaveFormat>(hit);
        break;
      case kSaveAsSelected:
        if (d.selected) {
          d.selected = false;
        } else {
          d.selected = SELECTCHANNELS("Channels to Save", 0, 0, 0, 5) != kSelectCancelled;
          plat::selectWindow(kSaveAsWindow);
          plat::setCurrentPort(kSaveAsWindow);
        }
        break;
      case kSaveAsBlock: d.block = d.blockPossible && !d.block; break;
      case kSaveAsCase: d.mem.caseColumn = !d.mem.caseColumn; break;
      case kSaveAsElapsed: d.mem.elapsedColumn = !d.mem.elapsedColumn; break;
      case kSaveAsClock: d.mem.clockColumn = !d.mem.clockColumn; break;
      case kSaveAsDate: d.mem.dateColumn = !d.mem.dateColumn; break;
      case kSaveAsHelp: OpenHelpPage(kHelpSaveAs); break;
      case kSaveAsCancel: done = true; break;
      case kSaveAsSave: {
        if (!d.selected)
          for (int16_t c = 1; c <= nChannels[slot]; ++c) OverlayArray[slot][2][c] = 1;
        gSaveAsMemory = d.mem;
        gSaveAsMemory.format = static_cast<int16_t>(d.format);
        const int16_t r = writeChoice(d);
        if (r == 0) {
          result = 0;
          done = true;
        }
        if (plat::windowExists(kSaveAsWindow)) plat::setCurrentPort(kSaveAsWindow);
        break;
      }
      default:
        if (hit >= kSaveAsUnitFirst && hit < kSaveAsUnitFirst + 4) d.mem.unit = static_cast<int16_t>(hit - kSaveAsUnitFirst);
        break;
    }
    if (!done && hit != 0) d.refresh();
  }
  plat::disposeWindow(kSaveAsWindow);
  if (toolbarShown) RestoreTheToolBar();
  HelpSubject = savedHelp;
  return result;
}

// ---- The compacted series -------------------------------------------------------------

int16_t saveCompacted(int16_t slot) {
  if (parse[0] < 2) {
    ShowAlert("There is no compacted series to save: compact the file first.", "bzot");
    return 1;
  }
  if (SELECTCHANNELS("Channels to Save", 0, 0, 0, 5) == kSelectCancelled) return 1;
  const std::optional<fs::path> path = plat::askSaveFile(
      "Save the compacted data as:", NameWithExtension(TrimTrailingBlanks(FileName[slot]) + " compacted", "txt"),
      kTableKind, folderOf(slot));
  if (!path) return 1;
  SafeFileWriter w;
  const bool ok = w.open(*path) && saveParse(w) && w.commit();
  if (!ok) {
    alertWrite(FileStatus::WriteFailed, w.error());
    return 1;
  }
  plat::tagFile(*path, kTableKind);
  return 0;
}

}  // namespace

int16_t SAVEDATAFILE(uint16_t saveAs, uint16_t save, uint16_t compacted) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return 1;
  if (compacted != 0) return saveCompacted(slot);
  const bool plainSave = saveAs == 0 && save != 0;
  int16_t result;
  // Only a native file is overwritten by Save; anything else would lose
  // the source data it was imported from.
  if (plainSave) result = SlotIsNativeFile(slot) ? saveInPlace(slot) : saveAsDialog(slot, true);
  else result = saveAsDialog(slot, false);
  if (result == 0) RecordScriptOperation(plainSave ? kOpSaveFile : kOpSaveAs);
  return result;
}
