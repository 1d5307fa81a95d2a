// Writing a file so that a failure never destroys the old one: the bytes go
// to a temporary file in the same folder, which replaces the target only
// after everything was written and flushed to the disk.
#pragma once
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

class SafeFileWriter {
 public:
  SafeFileWriter() = default;
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;
  ~SafeFileWriter();  // an uncommitted temporary file is removed

  bool open(const std::filesystem::path& target);
  bool write(const void* data, size_t n);
  // Flushes, syncs and renames over the target. False (and the target
  // untouched) when any step, or any earlier write, failed.
  bool commit();
  void abandon();
  int error() const { return errno_; }

 private:
  std::filesystem::path target_;
  // A plain string: once the temporary exists, recording its name must ask
  // for no memory, or a refusal would leave it behind unnamed.
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  int errno_ = 0;
};
