#include "output/ui/destination.h"

#include <optional>
#include <string>

#include "output/outputfile.h"
#include "output/results.h"
#include "output/tabular.h"
#include "output/ui/tabular_dialog.h"
#include "output/writer.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/windows.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace fs = std::filesystem;

OutputUiHooks gOutputUiHooks;

namespace {

// The port whose file gResultsOutput holds. The menu pick changes
// PortForResultsOutput before OPEN_OUTPUT_PORT runs, so the open file's
// kind is kept apart from it.
int16_t gOpenPort = kPortNone;

constexpr size_t kFileStringMax = 51;

plat::FileKind fileKindOf(const ResultsFileKind& k, const char* description) {
  plat::FileKind f;
  f.type = k.type;
  f.creator = k.creator;
  f.description = description;
  f.extensions = {k.extension};
  return f;
}

void report(const OutputStatus& st) {
  if (!st.ok()) HandleFileError(st.path, st.errnoValue);
}

bool slotHasCases(int16_t slot) { return ValidFileSlot(slot) && SlotHoldsFile(slot) && nCases[slot] > 0; }

int16_t openSpool() {
  // Picking the printer again must not wipe results that were not printed yet.
  if (gOpenPort == kPortSpool && gResultsOutput.isOpen()) {
    bup();
    return 0;
  }
  const OutputStatus st = gResultsOutput.create(SpoolPath());
  report(st);
  if (gResultsOutput.isOpen() && gResultsOutput.path() == SpoolPath()) {
    gOpenPort = kPortSpool;
    bup();
  } else {
    gOpenPort = kPortNone;
    PortForResultsOutput = kPortNone;
  }
  return 0;
}

// Text results file (4) or tabular file (5): the dialogs, the file and its
// heading. 1 when created.
int16_t openResultsFile(int16_t wanted, int16_t previous, int16_t slot) {
  const bool tabular = wanted == kPortTabular;
  const std::string fileName = ValidFileSlot(slot) ? FileName[slot] : std::string{};
  HideTheToolBar();
  bool go = true;
  if (tabular) {
    go = TabularOptionsDialog();
    // Asked whenever multiple results are on, also after a cancelled
    // options window (which still cancels the file).
    if (UseMultipleResults != 0) {
      const bool perRow = ResultsPerLineDialog();
      go = go && perRow;
    }
  }
  std::optional<fs::path> path;
  bool dialogCancelled = false;
  if (go) {
    const TabularOptions o = CurrentTabularOptions();
    const plat::FileKind kind = tabular ? fileKindOf(TabularFileKind(o), "Tabular results")
                                        : fileKindOf(TextResultsFileKind(), "Results text");
    path = plat::askSaveFile(tabular ? "Save Tabular File As..." : "Save Results File As...",
                             DefaultResultsFileName(fileName, tabular), kind);
    dialogCancelled = !path;
    if (path) {
      wsst();
      const std::string heading = tabular ? TabularHeaderRow(o) : TextFileHeader(CaptureFileHeader(slot));
      const OutputStatus st = gResultsOutput.create(*path, heading);
      report(st);
      if (gResultsOutput.isOpen() && gResultsOutput.path() == *path) {
        plat::tagFile(*path, kind);
        filestrings[2] = path->filename().string().substr(0, kFileStringMax);
        gOpenPort = wanted;
      } else {
        gOpenPort = kPortNone;
        PortForResultsOutput = kPortNone;
        path.reset();
      }
    }
  }
  RestoreTheToolBar();
  if (!path) {
    if (dialogCancelled) downvip();
    // Cancelled: the destination that was open stays the destination.
    PortForResultsOutput = gResultsOutput.isOpen() ? previous : kPortNone;
    if (!gResultsOutput.isOpen()) gOpenPort = kPortNone;
    return 0;
  }
  if (tabular) NResultsPrinted = 0;
  return 1;
}

}  // namespace

fs::path SpoolPath() { return plat::appFolder() / "printfile"; }

int16_t OpenDestinationPort() { return gResultsOutput.isOpen() ? gOpenPort : kPortNone; }

int16_t OPEN_OUTPUT_PORT() {
  HelpSubject = kHelpTabularOptions;
  topic = 0;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const int16_t wanted = PortForResultsOutput;
  const int16_t previous = OpenDestinationPort();
  int16_t created = 0;
  switch (wanted) {
    case kPortSpool: created = openSpool(); break;
    case kPortTextFile:
    case kPortTabular: created = openResultsFile(wanted, previous, slot); break;
    default: PortForResultsOutput = previous; break;
  }
  // The plot window's notice field shows every new destination; the results
  // stored into it are counted there.
  if (created && gOutputUiHooks.tabFileDataBar) gOutputUiHooks.tabFileDataBar();
  if (slotHasCases(slot) && FileSHORTS[slot][kShortView] != 2) {
    plat::disposeWindow(kResultsWindow);
    const int plot = kPlotWindowBase + slot;
    if (plat::windowExists(plot)) plat::setCurrentPort(plot);
  }
  return created;
}

bool WriteToDestination(std::string_view bytes) {
  const OutputStatus st = gResultsOutput.append(bytes);
  if (!st.ok())
    HandleFileError(st.path, st.errnoValue,
                    st.partLeft ? "The result was not stored, and part of it could not be removed: the file ends "
                                  "with an incomplete record."
                                : "The result was not stored; the file holds what it held before. Store it again "
                                  "once the disk has room.");
  return st.ok();
}

void CloseDestination() {
  report(gResultsOutput.close());
  gOpenPort = kPortNone;
  PortForResultsOutput = kPortNone;
}
