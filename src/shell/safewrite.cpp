#include "shell/safewrite.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

SafeFileWriter::~SafeFileWriter() { abandon(); }

bool SafeFileWriter::open(const std::filesystem::path& target) {
  abandon();
  failed_ = false;
  errno_ = 0;
  target_ = target;
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    errno_ = errno;
    failed_ = true;
    return false;
  }
  // Named before anything else can fail: abandon() removes it.
  temp_.swap(name);
  // mkstemp makes the file private; a saved data file gets the usual mode,
  // or the mode of the file it replaces.
  struct stat st {};
  mode_t mode = 0;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    errno_ = errno;
    ::close(fd);
    abandon();
    failed_ = true;
    return false;
  }
  return true;
}

bool SafeFileWriter::write(const void* data, size_t n) {
  if (!file_ || failed_) return false;
  if (n != 0 && std::fwrite(data, 1, n, file_) != n) {
    errno_ = errno;
    failed_ = true;
  }
  return !failed_;
}

bool SafeFileWriter::commit() {
  if (!file_) return false;
  bool ok = !failed_;
  if (ok && std::fflush(file_) != 0) ok = false;
  if (ok && ::fsync(::fileno(file_)) != 0) ok = false;
  if (!ok && errno_ == 0) errno_ = errno;
  if (std::fclose(file_) != 0 && ok) {
    errno_ = errno;
    ok = false;
  }
  file_ = nullptr;
  if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    errno_ = errno;
    ok = false;
  }
  if (!ok) ::unlink(temp_.c_str());
  temp_.clear();
  failed_ = !ok;
  return ok;
}

void SafeFileWriter::abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}
