// Reading a file the user named, which may be anything: a named pipe or a
// device would block an ordinary open, or never end. Only a regular file is
// opened for reading, and never more of it than the caller can use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

enum class ReadFileStatus { Ok, CannotOpen, TooLarge };

// What tells one state of a file from another: which file it is, its size
// and its modification and change times, to the nanosecond.
struct FileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t modifiedSec = 0, modifiedNsec = 0, changedSec = 0, changedNsec = 0;
  bool operator==(const FileStamp&) const = default;
};

// A regular file opened read-only, without waiting on whatever else may
// stand at the path: its descriptor, with its size in *size and, when
// asked, its stamp; -1 for a missing or unreadable file and for anything
// that is not a regular file.
int OpenRegularFile(const std::filesystem::path& path, uint64_t* size, FileStamp* stamp = nullptr);

// CannotOpen for a missing or unreadable file, for anything that is not a
// regular file (looked at before it is opened, and again once open), and
// for a file that changed while it was read (see FileChangedSince).
// Otherwise the first min(size, limit) bytes into *bytes; TooLarge when the
// file holds more than limit bytes.
ReadFileStatus ReadRegularFile(const std::filesystem::path& path, size_t limit, std::string* bytes);

// A regular file's bytes mapped read-only, for a reader that goes over them
// more than once: no copy into fresh pages, whose first touch costs the
// kernel more than the copy. A file cut short while mapped would stop the
// program at its first lost page; instead every lost page reads as zeros
// and cutShort() tells, so that the caller can refuse what it read. A cut
// inside the last page loses no page, and a file written over in place
// loses none either: cutShort() also compares the file's stamp with the
// one it had when it was opened.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();
  // False, with nothing mapped, for what ReadRegularFile cannot open, an
  // empty file, or a file the system will not map: the caller reads it.
  bool open(const std::filesystem::path& path);
  std::string_view bytes() const { return {data_, size_}; }
  // Asked after the read: true when a page was lost or the file is no
  // longer the one that was mapped.
  bool cutShort() const;

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
  int watch_ = -1;   // this mapping's place among the watched ones
  int fd_ = -1;      // kept open to look at the file again after the read
  FileStamp opened_;
};

// For a reader that reads an open file through its descriptor: true when
// the file is no longer as it was when it was opened (cut, grown, or
// written over in place with its size kept), so that what was read (or
// failed to be read) may be a mix of two states of the file.
bool FileChangedSince(int fd, const FileStamp& atOpen);

// Called, when set, once a reader has the file open (mapped, for a mapped
// read) and before any of it is read: a test cuts the file there, as
// another program might while it is read.
extern void (*gFileOpenedHook)(const std::filesystem::path& path);
