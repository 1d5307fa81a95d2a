// The one module that puts result bytes on disk. Every write is flushed at
// once, and every failure comes back as an error number for the file-error
// alert: results are never lost silently. Callers hand over the program's
// text (Mac Roman, CR line ends); the files are UTF-8 with LF, as the
// spreadsheets and tools of this system read text.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

struct OutputStatus {
  int errnoValue = 0;                 // 0: success
  std::filesystem::path path;         // the file concerned
  // append only: part of the failed bytes could not be cut off again and
  // still ends the file.
  bool partLeft = false;
  bool ok() const { return errnoValue == 0; }
};

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();                      // closes (flushing) an open file

  // Closes (flushing) any file already open, then creates or replaces
  // `path` holding `heading`. The heading goes to a temporary file in the
  // same folder that replaces the old file only once it is written, so a
  // failed creation leaves an existing file as it was.
  OutputStatus create(const std::filesystem::path& path, std::string_view heading = {});
  // Appends the bytes whole, straight to the file. A write that fails part
  // way (disk full, file-size limit) is cut off again, so the file holds
  // what it held before; partLeft tells when even that failed. Not open:
  // EBADF.
  OutputStatus append(std::string_view bytes);
  // Flushes, syncs and closes; nothing to do when not open.
  OutputStatus close();

  bool isOpen() const { return file_ != nullptr; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
};

// The results destination: PortForResultsOutput names the kind, this holds
// the open file (the spool "printfile", the text results file or the
// tabular file).
extern OutputFile gResultsOutput;

// The whole of a (closed) file as the program's text (any line ends, UTF-8
// or Mac Roman), for printing the spool.
OutputStatus ReadWholeFile(const std::filesystem::path& path, std::string* text);
