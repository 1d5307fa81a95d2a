#include "output/outputfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/macroman.h"

OutputFile gResultsOutput;

namespace {

int lastErrno(int fallback = EIO) { return errno != 0 ? errno : fallback; }

}  // namespace

OutputFile::~OutputFile() { close(); }

OutputStatus OutputFile::create(const std::filesystem::path& path, std::string_view heading) {
  // A destination left open would lose its unflushed results and its handle.
  OutputStatus previous = close();
  OutputStatus st{0, path};
  std::filesystem::path temp = path;
  temp += ".tmp~";
  errno = 0;
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return {lastErrno(), path};
  const std::string disk = plat::toDiskText(heading);
  if ((!disk.empty() && std::fwrite(disk.data(), 1, disk.size(), f) != disk.size()) ||
      std::fflush(f) != 0 || ::fsync(::fileno(f)) != 0) {
    st.errnoValue = lastErrno();
    std::fclose(f);
    std::remove(temp.c_str());
    return st;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::fclose(f);
    std::remove(temp.c_str());
    return {ec.value() != 0 ? ec.value() : EIO, path};
  }
  file_ = f;
  path_ = path;
  // The old destination's failure is still worth an alert once the new one
  // is open.
  if (!previous.ok()) return previous;
  return st;
}

OutputStatus OutputFile::append(std::string_view bytes) {
  if (!file_) return {EBADF, path_};
  errno = 0;
  const std::string disk = plat::toDiskText(bytes);
  // The heading went through stdio; from here on the descriptor is written
  // directly, so no half-written buffer survives a failure to be flushed
  // after the next record.
  if (std::fflush(file_) != 0) {
    const int e = lastErrno();
    std::clearerr(file_);
    return {e, path_};
  }
  const int fd = ::fileno(file_);
  const off_t before = ::lseek(fd, 0, SEEK_END);
  if (before < 0) return {lastErrno(), path_};
  size_t done = 0;
  while (done < disk.size()) {
    errno = 0;
    const ssize_t n = ::write(fd, disk.data() + done, disk.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    OutputStatus st{n < 0 ? lastErrno() : EIO, path_};
    // A record is whole or absent: the next one must not follow a fragment.
    if (done > 0 && (::ftruncate(fd, before) != 0 || ::lseek(fd, before, SEEK_SET) < 0)) st.partLeft = true;
    return st;
  }
  return {0, path_};
}

OutputStatus OutputFile::close() {
  if (!file_) return {0, path_};
  OutputStatus st{0, path_};
  errno = 0;
  if (std::fflush(file_) != 0) st.errnoValue = lastErrno();
  if (st.ok() && ::fsync(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS) st.errnoValue = lastErrno();
  if (std::fclose(file_) != 0 && st.ok()) st.errnoValue = lastErrno();
  file_ = nullptr;
  return st;
}

OutputStatus ReadWholeFile(const std::filesystem::path& path, std::string* text) {
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return {lastErrno(ENOENT), path};
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return {EIO, path};
  *text = plat::fromDiskText(bytes);
  return {0, path};
}
