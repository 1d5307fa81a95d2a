// Opening data files: the file-type dialog, the open command, the load of
// one file into a free slot with its repair notices, and documents handed
// to the program (the command line, the desk).
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "datafiles/repairs.h"
#include "shell/ui/mainloop.h"   // the queue of documents

// The file-type dialog.
inline constexpr int16_t kFileTypeWindow = 1400;
// Its buttons: the kinds carry the TypeOfFile they choose.
inline constexpr int16_t kFileTypeNative = 5;
inline constexpr int16_t kFileTypeClassic = 7;
inline constexpr int16_t kFileTypeText = 3;
inline constexpr int16_t kFileTypeRiduz = 4;
inline constexpr int16_t kFileTypeCalculator = 10;
inline constexpr int16_t kFileTypeFlowSTP = 11;
inline constexpr int16_t kFileTypeLoadScript = 12;
inline constexpr int16_t kFileTypeQuitOrCancel = 13;   // "Quit" at start-up, else "Cancel"
inline constexpr int16_t kFileTypeHelp = 14;
// The interval warning.
inline constexpr int16_t kIntervalWarningWindow = 25;
inline constexpr int16_t kIntervalWarningField = 2;
inline constexpr int16_t kIntervalOK = 1;

// Help pages of the open and close commands.
inline constexpr int32_t kHelpOpening = 2;
inline constexpr int32_t kHelpClosing = 4;

enum class FileTypeAnswer {
  Kind,        // TypeOfFile holds the chosen kind
  Cancelled,   // the File-menu form's Cancel or close box
  Quit,        // the start-up form's Quit, or the desk asked to quit
  Documents,   // documents arrived while the dialog was up
  RanCommand,  // a calculator or "Load Script…" ran from the start-up form
};
// The dialog itself at (x, y). With merge only the kinds a merge reads are
// offered; with startup also the calculators and "Load Script…" (when they
// exist) and "Quit".
FileTypeAnswer FileTypeDialog(bool startup, int16_t x, int16_t y, bool merge);
// The program's form: leaves the chosen kind in TypeOfFile (0 when none).
// skip is accepted and ignored.
int16_t FileTYPE(uint16_t startup, int16_t x, int16_t y, uint16_t skip, uint16_t merge);

// Start-up and after the last file closed: loads waiting documents, else
// shows the start-up form until a file with at least two cases is open.
// False when the user chose to quit.
bool FileTypeLoop();

// The open command (File 1, submenu 74): the file dialog for the kind in
// TypeOfFile, then LOADFILE. Sets Cancel_Open when nothing was loaded.
void FILELOADING();
// Reads a file of that kind (1, 5, 7 native; 3 text; by content for
// documents: kDetectKind) into a free slot, repairs it, tells the user what
// was repaired, opens its plot window and makes it the current file.
// Returns the slot, -1 when nothing was loaded (the alert was shown).
inline constexpr int16_t kDetectKind = 0;
int16_t LOADFILE(const std::filesystem::path& path, int16_t kind);

// Whether this build reads files of a TypeOfFile value.
bool FileKindReadable(int16_t typeOfFile);

// The merge of a second file into the current one belongs to the merge
// command; it installs itself here. Without it the merge items stay off.
// The merge command and the plot window that shows a loaded or renamed
// file; the merge and plot registrars fill them.
struct OpenHooks {
  std::function<void()> merge;   // runs FILELOADING's work when MergeThisFile = 1
  std::function<void(int16_t slot)> openPlotWindow;
  std::function<void(int16_t slot)> drawPlotSummary;
  std::function<void(int16_t slot)> retitlePlotWindow;
  std::function<void()> restoreWindowName;   // the plot window of TheFileInUse
};
extern OpenHooks gOpenHooks;
bool MergeAvailable();

// Loads every document waiting in the shell's queue (QueueDocuments);
// returns how many were loaded.
int LoadPendingDocuments();

// What loading repaired, one line each ("" when nothing was).
std::string RepairNoticeText(const RepairReport& report);

