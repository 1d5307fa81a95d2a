#include "shell/readfile.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadFileStatus ReadRegularFile(const std::filesystem::path& path, size_t limit, std::string* bytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadFileStatus::CannotOpen;
  // Non-blocking: whatever was put in the file's place since the look must
  // not hold the open either.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ReadFileStatus::CannotOpen;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadFileStatus::CannotOpen;
  }
  // Up to one byte past the limit, which tells a file too large even when
  // it grew after its size was taken.
  const size_t most = limit == static_cast<size_t>(-1) ? limit : limit + 1;
  std::string out;
  size_t got = 0;
  ReadFileStatus status = ReadFileStatus::Ok;
  try {
    out.resize(std::min(static_cast<size_t>(st.st_size) + 1, most));
    for (;;) {
      if (got == out.size()) {
        if (got >= most) break;
        out.resize(std::min(most, std::max<size_t>(4096, 2 * got)));
      }
      const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        status = ReadFileStatus::CannotOpen;
        break;
      }
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
  } catch (const std::bad_alloc&) {
    status = ReadFileStatus::TooLarge;
  }
  ::close(fd);
  if (status != ReadFileStatus::Ok) return status;
  if (got > limit) status = ReadFileStatus::TooLarge;
  out.resize(std::min(got, limit));
  *bytes = std::move(out);
  return status;
}
