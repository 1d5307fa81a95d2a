#include "datafiles/ui/merge_dialog.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "datafiles/datafile.h"
#include "datafiles/merge.h"
#include "datafiles/native_binary.h"
#include "datafiles/repairs.h"
#include "datafiles/timescale.h"
#include "datafiles/filehelpers.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace fs = std::filesystem;

namespace {

const plat::FileKind kNativeKind{{'O', 'R', 'L', 'N'}, {'c', 'v', 'm', 't'}, "Orrelin data file", {"orl"}};
const plat::FileKind kAnyKind{{'O', 'R', 'L', 'N'}, {'c', 'v', 'm', 't'}, "Orrelin data file (any name)", {}};

struct Button {
  int16_t id;
  const char* title;
  bool isDefault = false;
};

// A small modal question: lines of text and push buttons along the bottom.
// Returns the id clicked; cancelId for the close box, Escape, or the
// activation of another window.
int16_t askQuestion(int16_t win, const MacText& title, const std::vector<MacText>& lines,
                    const std::vector<Button>& buttons, int16_t cancelId) {
  const int width = 420;
  const int height = 40 + static_cast<int>(lines.size()) * 20 + 56;
  const plat::Size desk = plat::displaySize();
  const auto left = static_cast<int16_t>(std::max(4, (desk.w - width) / 2));
  const auto top = static_cast<int16_t>(std::max(60, desk.h / 4));
  BuildWINDOW(1, win, title, left, top, static_cast<int16_t>(left + width), static_cast<int16_t>(top + height),
              kKindDocument, 0);
  for (size_t i = 0; i < lines.size(); ++i)
    BUILDEF(0, static_cast<int16_t>(200 + i), lines[i], 20, static_cast<int16_t>(16 + i * 20), width - 20,
            static_cast<int16_t>(34 + i * 20), 7, 0);
  int x = width - 16;
  int16_t defaultId = 0;
  for (auto b = buttons.rbegin(); b != buttons.rend(); ++b) {
    const int w = std::max(80, 10 + static_cast<int>(std::string_view(b->title).size()) * 8);
    plat::addButton(win, {.id = b->id,
                          .kind = b->isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push,
                          .title = b->title,
                          .r = {x - w, height - 40, x, height - 16}});
    if (b->isDefault) defaultId = b->id;
    x -= w + 10;
  }
  plat::flushWindow(win);

  DialogScope dialog;
  int16_t answer = 0;
  while (answer == 0) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick) {
      for (const Button& b : buttons)
        if (b.id == id) answer = id;
    } else if (a == kActionKey && (id == 13 || id == 3) && defaultId != 0) {
      answer = defaultId;
    } else if ((a == kActionKey && id == 27) || (a == kActionClose && id == win) ||
               (a == kActionActivate && id != win)) {
      answer = cancelId;
    }
  }
  plat::disposeWindow(win);
  return answer;
}

std::string intervalText(float s) { return FieldNumText(s) + " s"; }

// ChannelPicker: the user ticks the incoming channels to use. Append needs
// exactly as many as the file has; stacking at most the room left.
bool pickChannels(const DataFileImage& in, MergeMode mode, int16_t slot, std::vector<int>* picked) {
  const int n = in.channels();
  const int need = nChannels[slot];
  const int room = kMaxChannels - nChannels[slot];
  std::fill(std::begin(ChannelPicker), std::end(ChannelPicker), 0);
  const int preset = mode == MergeMode::Append ? std::min(n, need) : std::min(n, room);
  for (int k = 1; k <= preset; ++k) ChannelPicker[k] = 1;

  const int columns = n > 16 ? 2 : 1;
  const int rows = (n + columns - 1) / columns;
  // Wide enough for All, None, Cancel and Merge side by side.
  const int width = std::max(columns * 270 + 20, 10 + 60 + 8 + 60 + 12 + 70 + 10 + 80 + 10);
  const int height = 44 + rows * 20 + 50;
  const plat::Size desk = plat::displaySize();
  const auto left = static_cast<int16_t>(std::max(4, (desk.w - width) / 2));
  const auto top = static_cast<int16_t>(std::max(40, std::min(desk.h / 5, desk.h - height - 20)));
  BuildWINDOW(1, kChannelPickerWindow, mode == MergeMode::Append ? "Channels to Append" : "Channels to Add", left, top,
              static_cast<int16_t>(left + width), static_cast<int16_t>(top + height), kKindDocument, 0);
  const std::string help = mode == MergeMode::Append
                               ? "Tick " + FieldNumText(static_cast<double>(need)) +
                                     ": the k-th ticked goes after channel k."
                               : "Tick up to " + FieldNumText(static_cast<double>(room)) + " channels to add.";
  BUILDEF(0, 200, help, 10, 8, static_cast<int16_t>(width - 10), 26, 7, 0);
  for (int k = 1; k <= n; ++k) {
    const int col = (k - 1) / rows, row = (k - 1) % rows;
    plat::addButton(kChannelPickerWindow,
                    {.id = k,
                     .kind = plat::ButtonKind::CheckBox,
                     .title = FieldNumText(static_cast<double>(k)) + ": " +
                              TrimTrailingBlanks(in.labels[static_cast<size_t>(k - 1)]),
                     .r = {10 + col * 270, 34 + row * 20, 10 + col * 270 + 262, 34 + row * 20 + 18},
                     .state = ChannelPicker[k] ? 2 : 1});
  }
  const int by = height - 32;
  plat::addButton(kChannelPickerWindow, {.id = kPickerAll, .title = "All", .r = {10, by, 70, by + 20}});
  plat::addButton(kChannelPickerWindow, {.id = kPickerNone, .title = "None", .r = {78, by, 138, by + 20}});
  plat::addButton(kChannelPickerWindow, {.id = kPickerCancel, .title = "Cancel", .r = {width - 170, by, width - 100, by + 20}});
  plat::addButton(kChannelPickerWindow, {.id = kPickerMerge,
                                         .kind = plat::ButtonKind::DefaultPush,
                                         .title = "Merge",
                                         .r = {width - 90, by, width - 10, by + 20}});
  auto count = [&] { return static_cast<int>(std::count(ChannelPicker + 1, ChannelPicker + n + 1, 1)); };
  auto acceptable = [&] { return mode == MergeMode::Append ? count() == need : count() >= 1 && count() <= room; };
  auto refresh = [&] {
    for (int k = 1; k <= n; ++k) plat::setButtonState(kChannelPickerWindow, k, ChannelPicker[k] ? 2 : 1);
    plat::setButtonState(kChannelPickerWindow, kPickerMerge, acceptable() ? 1 : 0);
  };
  refresh();
  plat::flushWindow(kChannelPickerWindow);

  DialogScope dialog;
  bool done = false, cancelled = false;
  while (!done && !cancelled) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick) {
      if (id >= 1 && id <= n) ChannelPicker[id] = ChannelPicker[id] ? 0 : 1;
      else if (id == kPickerAll || id == kPickerNone)
        for (int k = 1; k <= n; ++k) ChannelPicker[k] = id == kPickerAll ? 1 : 0;
      else if (id == kPickerMerge) done = acceptable();
      else if (id == kPickerCancel) cancelled = true;
      refresh();
    } else if (a == kActionKey && (id == 13 || id == 3)) {
      done = acceptable();
    } else if ((a == kActionKey && id == 27) || (a == kActionClose && id == kChannelPickerWindow)) {
      cancelled = true;
    }
  }
  plat::disposeWindow(kChannelPickerWindow);
  if (cancelled) return false;
  picked->clear();
  for (int k = 1; k <= n; ++k)
    if (ChannelPicker[k]) picked->push_back(k - 1);
  return true;
}

void alertFor(FileStatus st, MergeMode mode) {
  if (st == FileStatus::BadRange && mode == MergeMode::Append) {
    ShowAlert("To append, pick as many channels as the file has.", "bzot");
    return;
  }
  ShowAlert(FileStatusText(st), FileStatusSound(st));
}

void redrawAfterMerge(int16_t slot) {
  if (gDispatchHooks.rebuildChannelPopup) gDispatchHooks.rebuildChannelPopup();
  if (CommandRegistered(Cmd::Redraw)) RunCommand(Cmd::Redraw);
  else if (plat::windowExists(kPlotWindowBase + slot)) plat::flushWindow(kPlotWindowBase + slot);
}

void clearMergeFlags() { MergeThisFile = appendONLY = stackONLY = 0; }

}  // namespace

void TimeScaleWarning(int16_t flag) {
  if (flag == 1)
    ShowAlert("Too Many Cases: the new sample interval would make more than 7,000,000 cases. "
              "Pick a lower sample rate.",
              "bzot");
  else
    ShowAlert("Too Many Cases: at this file's sample interval the file to merge would have more than "
              "7,000,000 cases.",
              "bzot");
}

int16_t MergeDataFile(const fs::path& path) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return 1;
  const std::string name = plat::utf8ToMacRoman(path.filename().string());

  DataFileImage in;
  const DetectedKind kind = DetectDataFileKind(path);
  FileStatus st = kind == DetectedKind::Native       ? ReadNativeBinary(path, &in)
                  : kind == DetectedKind::Unreadable ? FileStatus::CannotOpen
                                                     : FileStatus::BadFormat;
  if (st != FileStatus::Ok) {
    ShowAlert(FileStatusText(st), FileStatusSound(st));
    return 1;
  }
  const std::string repaired = AberrantNotice(RepairImage(in));

  MergeMode mode;
  if (stackONLY == 1) {
    mode = MergeMode::Stack;
  } else if (appendONLY == 1) {
    mode = MergeMode::Append;
  } else {
    const int16_t a = askQuestion(kMergeModeWindow, "Append or Stack",
                                  {"Add the cases of \xD2" + name + "\xD3 after the last case,",
                                   "or add its channels beside those of this file?"},
                                  {{kMergeModeCancel, "Cancel"}, {kMergeStack, "Add Channels"},
                                   {kMergeAppend, "Append Cases", true}},
                                  kMergeModeCancel);
    if (a == kMergeModeCancel) return 1;
    mode = a == kMergeStack ? MergeMode::Stack : MergeMode::Append;
  }
  if (mode == MergeMode::Stack && nChannels[slot] >= kMaxChannels) {
    alertFor(FileStatus::TooManyChannels, mode);
    return 1;
  }
  // Appended cases need a channel for every channel of this file: without
  // enough, the picker could never be accepted.
  if (mode == MergeMode::Append && in.channels() < nChannels[slot]) {
    ShowAlert("\xD2" + name + "\xD3 has " + FieldNumText(static_cast<double>(in.channels())) +
              (in.channels() == 1 ? " channel" : " channels") + ", and appending its cases needs one for each of the " +
              FieldNumText(static_cast<double>(nChannels[slot])) + " channels of this file. Nothing was merged.");
    return 1;
  }

  const float interval = FileInfoFLOATS[slot][kInfoInterval];
  if (std::fabs(in.interval - interval) > 1e-6f * std::max(std::fabs(interval), 1e-6f)) {
    const int64_t newCases = ResampledCaseCount(in.cases, in.interval, interval);
    const int16_t a = askQuestion(
        kResampleWindow, "Sample Intervals Differ",
        {"\xD2" + name + "\xD3 was sampled every " + intervalText(in.interval) + ",",
         "this file every " + intervalText(interval) + ".",
         "Re-sample it to " + intervalText(interval) + " (" + MakeCaseNumber(static_cast<int32_t>(
             std::clamp<int64_t>(newCases, 0, INT32_MAX))) + " cases) before merging?"},
        {{kResampleCancel, "Cancel"}, {kResampleOK, "Re-sample", true}}, kResampleCancel);
    if (a != kResampleOK) return 1;
    st = ResampleImage(in, interval);
    if (st == FileStatus::TooManyCases) {
      TimeScaleWarning(0);
      return 1;
    }
    if (st != FileStatus::Ok) {
      ShowAlert(FileStatusText(st), FileStatusSound(st));
      return 1;
    }
  }
  if (mode == MergeMode::Append && static_cast<int64_t>(nCases[slot]) + in.cases > kMaxCases) {
    alertFor(FileStatus::TooManyCases, mode);
    return 1;
  }

  std::vector<int> picked;
  if (!pickChannels(in, mode, slot, &picked)) return 1;
  MergeReport report;
  st = MergeImage(slot, in, picked, mode, name, &report);
  if (st != FileStatus::Ok) {
    alertFor(st, mode);
    return 1;
  }
  std::string notice = MergeNotice(report);
  if (!repaired.empty()) notice = repaired + (notice.empty() ? "" : " ") + notice;
  if (!notice.empty()) ShowAlert(notice, "wsst!");
  redrawAfterMerge(slot);
  return 0;
}

void MERGEFILE() {
  Cancel_Open = 1;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) {
    clearMergeFlags();
    return;
  }
  if (TypeOfFile == kFileKindExpeData) {
    ShowAlert("Riduz ExpeData files cannot be read by this version of Corvimet.", "bzot");
    clearMergeFlags();
    return;
  }
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpMerge;
  const std::optional<fs::path> path =
      plat::askOpenFile("Add which Orrelin data file to \xD2" + TrimTrailingBlanks(FileName[slot]) + "\xD3?",
                        {kNativeKind, kAnyKind}, fs::path(FilePath[slot]).parent_path());
  if (path && MergeDataFile(*path) == 0) Cancel_Open = 0;
  HelpSubject = savedHelp;
  clearMergeFlags();
}
