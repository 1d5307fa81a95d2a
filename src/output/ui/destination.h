// Where results go: the printer spool "printfile", a text results file or a
// tabular file, chosen from File > "Send Results To:". Every byte a result
// sends passes through WriteToDestination, which reports a failed write
// with the file-error alert.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/types.h"

// Plot-window fields the output writes into.
inline constexpr int16_t kResultsNoticeField = 18;
inline constexpr int16_t kDataBarCaseField = 54;

// Work of other subsystems around a stored result; absent hooks are skipped.
// The analysis-window kit draws the output icons; the plot window's info
// line shows that a destination was opened.
struct OutputUiHooks {
  std::function<void(const plat::MacText& key)> drawDisk;   // DRAWDISK
  std::function<void()> drawPage;                            // DRAWPAGE
  std::function<void()> tabFileDataBar;                      // TabFileDATABAR
};
extern OutputUiHooks gOutputUiHooks;

// "printfile" in the application folder.
std::filesystem::path SpoolPath();

// Opens the destination PortForResultsOutput names (the menu pick sets it
// first). Returns 1 when a text or tabular file was created and headed,
// else 0. Cancelling leaves the destination that was open before, if any,
// as it was; otherwise no destination. A destination that is replaced is
// closed and flushed first.
int16_t OPEN_OUTPUT_PORT();

// The port whose file is open now (4, 5, 6), 0 when none.
int16_t OpenDestinationPort();
// Appends to the open destination; a failure (or no open file) is reported
// with the file-error alert and gives false.
bool WriteToDestination(std::string_view bytes);
// Flushes and closes the open destination (reported on failure); the port
// becomes 0.
void CloseDestination();
