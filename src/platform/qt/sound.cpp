// Playing the named sounds. A single playback thread owns the connection to
// the sound server, so a slow or missing server never holds up the program.
// A sound that cannot be heard (no server answers) flashes the front
// window's frame instead, so a refusal given as a sound is still seen.
#include <QApplication>
#include <QMetaObject>

#include <chrono>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#ifdef CORVIMET_HAVE_PULSE
#include <pulse/simple.h>
#endif

#include "platform/qt/internal.h"
#include "platform/sound.h"

namespace plat {
namespace {

// Set once a sound found no server; cleared when one plays again.
std::atomic<bool> gServerAbsent{false};

#ifdef CORVIMET_HAVE_PULSE
// From the playback thread: the flash runs on the GUI thread.
void postVisualBell() {
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [] { detail::flashFrontWindow(); }, Qt::QueuedConnection);
}

constexpr uint32_t kRate = 22050;

// One channel: a new sound cuts off the one playing, so a burst of ticks
// never piles up behind itself.
class Player {
 public:
  ~Player() {
    {
      std::lock_guard lk(m_);
      quit_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void play(std::shared_ptr<const std::vector<int16_t>> pcm) {
    {
      std::lock_guard lk(m_);
      pending_ = std::move(pcm);
      ++generation_;
      if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    cv_.notify_all();
  }

  void stop() {
    {
      std::lock_guard lk(m_);
      pending_.reset();
      ++generation_;
    }
    cv_.notify_all();
  }

 private:
  bool interrupted(uint64_t gen) {
    std::lock_guard lk(m_);
    return quit_ || gen != generation_;
  }

  pa_simple* connect() {
    pa_sample_spec spec{PA_SAMPLE_S16NE, kRate, 1};
    // A small target buffer keeps stopping prompt.
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = kRate * 2 * 40 / 1000;
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    int err = 0;
    return pa_simple_new(nullptr, "Corvimet", PA_STREAM_PLAYBACK, nullptr, "sound cue", &spec, nullptr, &attr, &err);
  }

  void run() {
    pa_simple* conn = nullptr;
    // No failure yet: the first sound tries at once (time_point::min() would
    // overflow the difference below).
    bool failedBefore = false;
    auto lastFailure = std::chrono::steady_clock::now();
    for (;;) {
      std::shared_ptr<const std::vector<int16_t>> pcm;
      uint64_t gen;
      {
        std::unique_lock lk(m_);
        cv_.wait(lk, [&] { return quit_ || pending_; });
        if (quit_) break;
        pcm = std::move(pending_);
        gen = generation_;
      }
      if (!conn) {
        // Retry a missing server now and then, not at every tick.
        const bool retry = !failedBefore || std::chrono::steady_clock::now() - lastFailure >= std::chrono::seconds(10);
        if (retry) conn = connect();
        if (!conn) {
          if (retry) {
            failedBefore = true;
            lastFailure = std::chrono::steady_clock::now();
          }
          gServerAbsent = true;
          postVisualBell();
          continue;
        }
        gServerAbsent = false;
      }
      const size_t chunk = kRate / 100;   // 10 ms between checks for a stop
      bool failed = false;
      for (size_t at = 0; at < pcm->size(); at += chunk) {
        if (interrupted(gen)) {
          pa_simple_flush(conn, nullptr);
          break;
        }
        size_t n = std::min(chunk, pcm->size() - at);
        if (pa_simple_write(conn, pcm->data() + at, n * sizeof(int16_t), nullptr) < 0) {
          failed = true;
          break;
        }
      }
      if (failed) {
        pa_simple_free(conn);
        conn = nullptr;
        failedBefore = true;
        lastFailure = std::chrono::steady_clock::now();
        gServerAbsent = true;
        postVisualBell();
      }
    }
    if (conn) pa_simple_free(conn);
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::shared_ptr<const std::vector<int16_t>> pending_;
  uint64_t generation_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

Player& player() {
  static Player p;
  return p;
}
#endif

std::shared_ptr<const std::vector<int16_t>> cached(std::string_view name) {
  static std::map<std::string, std::shared_ptr<const std::vector<int16_t>>, std::less<>> cache;
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  auto pcm = std::make_shared<const std::vector<int16_t>>(synthesiseSound(name));
  if (!pcm->empty()) cache.emplace(std::string(name), pcm);   // unknown names are not kept
  return pcm;
}

}  // namespace

void playSound(std::string_view name) {
  auto pcm = cached(name);
  if (pcm->empty()) return;
  if (detail::testMode()) {
    detail::recordSound(std::string(name));
    if (!detail::soundServerAvailable()) detail::flashFrontWindow();
    return;
  }
#ifdef CORVIMET_HAVE_PULSE
  player().play(std::move(pcm));
#else
  detail::flashFrontWindow();
#endif
}

void stopSounds() {
  if (detail::testMode()) return;
#ifdef CORVIMET_HAVE_PULSE
  player().stop();
#endif
}

void systemBeep() {
  if (detail::testMode()) {
    detail::recordSound("beep");
    if (!detail::soundServerAvailable()) detail::flashFrontWindow();
    return;
  }
  QApplication::beep();
  // The desktop's own bell is silent where no sound is heard either.
  if (gServerAbsent) detail::flashFrontWindow();
}

}  // namespace plat
