#include "shell/readfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStamp stampOf(const struct stat& st) {
  FileStamp s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.modifiedSec = st.st_mtim.tv_sec;
  s.modifiedNsec = st.st_mtim.tv_nsec;
  s.changedSec = st.st_ctim.tv_sec;
  s.changedNsec = st.st_ctim.tv_nsec;
  return s;
}

}  // namespace

int OpenRegularFile(const std::filesystem::path& path, uint64_t* size, FileStamp* stamp) {
  // Non-blocking: a named pipe would hold an ordinary open until a writer
  // came.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  *size = static_cast<uint64_t>(st.st_size);
  if (stamp) *stamp = stampOf(st);
  return fd;
}

ReadFileStatus ReadRegularFile(const std::filesystem::path& path, size_t limit, std::string* bytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadFileStatus::CannotOpen;
  // Whatever was put in the file's place since the look must not hold the
  // open either.
  uint64_t fileSize = 0;
  FileStamp stamp;
  const int fd = OpenRegularFile(path, &fileSize, &stamp);
  if (fd < 0) return ReadFileStatus::CannotOpen;
  if (gFileOpenedHook) gFileOpenedHook(path);
  // Up to one byte past the limit, which tells a file too large even when
  // it grew after its size was taken.
  const size_t most = limit == static_cast<size_t>(-1) ? limit : limit + 1;
  std::string out;
  size_t got = 0;
  ReadFileStatus status = ReadFileStatus::Ok;
  try {
    out.resize(std::min(static_cast<size_t>(fileSize) + 1, most));
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
  // Cut, grown or written over in place while it was read: the bytes may be
  // a mix of two states of the file, which no caller can tell from a good
  // read. Refused as a failed read, which every caller already reports.
  if (FileChangedSince(fd, stamp)) status = ReadFileStatus::CannotOpen;
  ::close(fd);
  if (status != ReadFileStatus::Ok) return status;
  if (got > limit) status = ReadFileStatus::TooLarge;
  out.resize(std::min(got, limit));
  *bytes = std::move(out);
  return status;
}

namespace {

// The mappings a lost page may belong to, for the signal handler: it can
// take no lock, so each place is claimed with an atomic and its bounds are
// written under a sequence count, odd while they change, which the handler
// reads before and after them: a place being reused is passed over, never
// read as the old begin with the new end.
struct Watch {
  std::atomic<bool> claimed{false};
  std::atomic<uint32_t> sequence{0};
  std::atomic<uintptr_t> begin{0}, end{0};   // begin 0: nothing mapped here
  std::atomic<bool> lost{false};

  void set(uintptr_t b, uintptr_t e) {
    const uint32_t s = sequence.load(std::memory_order_relaxed);
    sequence.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    begin.store(b, std::memory_order_relaxed);
    end.store(e, std::memory_order_relaxed);
    sequence.store(s + 2, std::memory_order_release);
  }
  // False while the bounds change.
  bool read(uintptr_t* b, uintptr_t* e) const {
    const uint32_t s = sequence.load(std::memory_order_acquire);
    if (s & 1) return false;
    *b = begin.load(std::memory_order_relaxed);
    *e = end.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return sequence.load(std::memory_order_relaxed) == s;
  }
};
constexpr int kWatches = 16;
// Every page mapped in the one call, where the system offers it.
#if defined(MAP_POPULATE)
constexpr int kPopulate = MAP_POPULATE;
#else
constexpr int kPopulate = 0;
#endif
Watch gWatches[kWatches];
uintptr_t gPage = 4096;
struct sigaction gBefore {};

// A page past the end of a file cut short faults with SIGBUS: in one of
// ours, a page of zeros takes its place and the read goes on; any other
// fault, and a SIGBUS another process or a thread sent, goes where it went
// before.
void onBusError(int sig, siginfo_t* info, void* context) {
  // Only the kernel's report of a page with no file behind it is a lost
  // page; a sent signal (si_code SI_USER, SI_QUEUE, SI_TKILL: 0 or below)
  // names no address of ours even when its si_addr happens to.
  const bool fault = info && info->si_code > 0 && info->si_code != SI_KERNEL;
  if (fault && info->si_code == BUS_ADRERR) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Watch& w : gWatches) {
      uintptr_t b = 0, e = 0;
      if (!w.read(&b, &e) || b == 0 || at < b || at >= e) continue;
      void* page = reinterpret_cast<void*>(at & ~(gPage - 1));
      const int interrupted = errno;
      const bool replaced =
          ::mmap(page, gPage, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
      errno = interrupted;
      if (replaced) {
        w.lost.store(true, std::memory_order_relaxed);
        return;
      }
      break;
    }
  }
  if (gBefore.sa_flags & SA_SIGINFO) {
    gBefore.sa_sigaction(sig, info, context);
  } else if (gBefore.sa_handler != SIG_DFL && gBefore.sa_handler != SIG_IGN) {
    gBefore.sa_handler(sig);
  } else if (gBefore.sa_handler == SIG_IGN && !fault) {
    // A sent signal the program ignored before stays ignored.
  } else {
    // The default action: a fault comes again on return and takes it; a
    // sent signal is sent again, and arrives once the handler returns.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(SIGBUS, &dfl, nullptr);
    if (!fault) ::raise(sig);
  }
}

bool watchLostPages() {
  static const bool installed = [] {
    if (const long page = ::sysconf(_SC_PAGESIZE); page > 0) gPage = static_cast<uintptr_t>(page);
    struct sigaction sa {};
    sa.sa_sigaction = onBusError;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    return ::sigaction(SIGBUS, &sa, &gBefore) == 0;
  }();
  return installed;
}

}  // namespace

void (*gFileOpenedHook)(const std::filesystem::path& path) = nullptr;

bool FileChangedSince(int fd, const FileStamp& atOpen) {
  // A write in place that keeps the size moves the times; the change time
  // is one no program can set back.
  struct stat st {};
  return ::fstat(fd, &st) != 0 || !(stampOf(st) == atOpen);
}

bool MappedFile::open(const std::filesystem::path& path) {
  if (data_ || !watchLostPages()) return false;
  int watch = 0;
  for (bool no = false; watch < kWatches && !gWatches[watch].claimed.compare_exchange_strong(no, true); no = false)
    ++watch;
  if (watch == kWatches) return false;
  Watch& w = gWatches[watch];
  uint64_t size = 0;
  void* p = MAP_FAILED;
  FileStamp stamp;
  const int fd = OpenRegularFile(path, &size, &stamp);
  if (fd >= 0 && size > 0 && size < (uint64_t{1} << 46))
    p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE | kPopulate, fd, 0);
  if (p == MAP_FAILED) {
    if (fd >= 0) ::close(fd);
    w.claimed.store(false);
    return false;
  }
  fd_ = fd;
  opened_ = stamp;
  data_ = static_cast<const char*>(p);
  size_ = static_cast<size_t>(size);
  watch_ = watch;
  const auto at = reinterpret_cast<uintptr_t>(p);
  w.lost.store(false, std::memory_order_relaxed);
  w.set(at, at + ((size_ + gPage - 1) & ~(gPage - 1)));
  if (gFileOpenedHook) gFileOpenedHook(path);
  return true;
}

bool MappedFile::cutShort() const {
  if (watch_ < 0) return false;
  if (gWatches[watch_].lost.load(std::memory_order_relaxed)) return true;
  return FileChangedSince(fd_, opened_);
}

MappedFile::~MappedFile() {
  if (!data_) return;
  Watch& w = gWatches[watch_];
  w.set(0, 0);
  ::munmap(const_cast<char*>(data_), size_);
  ::close(fd_);
  w.claimed.store(false, std::memory_order_release);
}
