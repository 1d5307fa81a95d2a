// What closing a file and quitting decide, without the dialogs: which files
// must be asked about, which windows go with a file, which file comes to the
// front next.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Slots 0..15 that hold a file, in slot order.
std::vector<int16_t> OpenFileSlots();
// Open files changed since they were loaded or saved (FileSHORTS word 10),
// in slot order: the ones quitting asks about.
std::vector<int16_t> ChangedFileSlots();
bool FileChanged(int16_t slot);

// Windows that close with a file: its plot window always; when it was the
// front file, also the block window 2, comments 3, results 4 and 6, the
// histogram windows 151..174 and the channel selector 1200.
std::vector<int16_t> WindowsClosedWith(int16_t slot, bool wasFrontFile);

// The file to bring forward after `closed` closed: the lowest remaining
// slot, -1 when none remains.
int16_t FileToActivateAfterClose(int16_t closed);

// The question CHECKDUMP asks; quitting says so.
enum class CloseReason { Close, Quit };
std::string SaveChangesQuestion(const std::string& fileName, CloseReason why);
