#include "framework/ui/FolderCounter.h"

#include <sys/eventfd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "framework/files/FolderItem.h"

namespace fw {

namespace {

// Folders up to this many entries are read on the calling thread: about a
// millisecond at most.
constexpr int32_t kInlineLimit = 4096;
// How long after a folder's last change a count must begin for its figure to
// be trusted while the times stay the same: file times come from a clock that
// ticks every few milliseconds, so a change within the same tick as the count
// would not show. File systems that keep whole seconds only get two seconds.
constexpr int64_t kSettleNs = 50'000'000;
constexpr int64_t kCoarseSettleNs = 2'000'000'000;

int64_t Ns(const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return Ns(t);
}

// What a folder looked like at one moment.
struct Look {
  bool isFolder = false;
  dev_t dev = 0;
  ino_t ino = 0;
  int64_t mtime = 0, ctime = 0;
  bool wholeSeconds = false;

  bool operator==(const Look& o) const {
    return isFolder == o.isFolder && dev == o.dev && ino == o.ino && mtime == o.mtime &&
           ctime == o.ctime;
  }
  // True when a count that began at startNs cannot have missed a change that
  // leaves these times as they are.
  bool SettledFor(int64_t startNs) const {
    const int64_t last = mtime > ctime ? mtime : ctime;
    return startNs - last >= (wholeSeconds ? kCoarseSettleNs : kSettleNs);
  }
};

Look LookAt(const std::string& path) {
  Look l;
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return l;
  l.isFolder = true;
  l.dev = st.st_dev;
  l.ino = st.st_ino;
  l.mtime = Ns(st.st_mtim);
  l.ctime = Ns(st.st_ctim);
  l.wholeSeconds = st.st_mtim.tv_nsec == 0 && st.st_ctim.tv_nsec == 0;
  return l;
}

int32_t Clamp(int64_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

}  // namespace

struct FolderCounter::Shared {
  std::function<void()> landed;  // main thread only
  // Readable once a count off the main thread has landed: the counting thread
  // writes it, the main thread's event loop watches it. Nothing of Qt's
  // crosses threads, so the hand-over is the mutex below alone.
  int landedFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  QSocketNotifier* notifier = nullptr;  // main thread; owned by the application object
  ~Shared() {
    if (landedFd >= 0) close(landedFd);
  }

  std::mutex m;
  std::condition_variable wake;
  std::thread thread;       // started with the first count off the main thread
  bool quit = false;        // guarded by m
  std::string job;          // guarded by m: the folder to count next
  bool jobPending = false;  // guarded by m
  bool running = false;     // guarded by m
  std::atomic<bool> cancel{false};
  int32_t inlineLimit = kInlineLimit;  // guarded by m

  // The latest figure, guarded by m.
  bool have = false;
  std::string path;
  Look look;
  int64_t count = 0;
  bool settled = false;

  void Store(const std::string& p, const Look& l, int64_t n, int64_t startNs) {
    have = true;
    path = p;
    look = l;
    count = n;
    settled = l.SettledFor(startNs);
  }

  // The counting thread: one count at a time, each reported through landedFd.
  void Run() {
    std::unique_lock g(m);
    for (;;) {
      wake.wait(g, [&] { return quit || jobPending; });
      if (quit) return;
      const std::string p = job;
      jobPending = false;
      running = true;
      g.unlock();
      const int64_t start = NowNs();
      const Look l = LookAt(p);
      const int64_t n = l.isFolder ? FolderItem::CountEntries(p, -1, &cancel) : 0;
      g.lock();
      running = false;
      if (quit) return;
      if (n >= 0) Store(p, l, n, start);
      if (landedFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = write(landedFd, &one, sizeof one);
      }
    }
  }

  // Hands path to the counting thread (m held).
  void StartCount(const std::string& p) {
    job = p;
    jobPending = true;
    if (!thread.joinable()) {
      thread = std::thread([this] { Run(); });
    }
    wake.notify_one();
  }
};

FolderCounter::FolderCounter(std::function<void()> landed) : shared_(std::make_shared<Shared>()) {
  shared_->landed = std::move(landed);
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || shared_->landedFd < 0) return;
  shared_->notifier = new QSocketNotifier(shared_->landedFd, QSocketNotifier::Read, app);
  std::weak_ptr<Shared> weak = shared_;
  QObject::connect(shared_->notifier, &QSocketNotifier::activated, shared_->notifier, [weak] {
    const std::shared_ptr<Shared> s = weak.lock();
    if (!s) return;
    uint64_t landings = 0;
    [[maybe_unused]] const ssize_t r = read(s->landedFd, &landings, sizeof landings);
    if (s->landed) {
      const std::function<void()> f = s->landed;  // it may end this object
      f();
    }
  });
}

FolderCounter::~FolderCounter() {
  shared_->landed = nullptr;
  if (shared_->notifier) {
    // It may be this very notifier's signal that ends the counter.
    shared_->notifier->setEnabled(false);
    shared_->notifier->deleteLater();
  }
  {
    std::lock_guard g(shared_->m);
    shared_->quit = true;
    shared_->cancel = true;
  }
  shared_->wake.notify_all();
  if (shared_->thread.joinable()) shared_->thread.join();
}

void FolderCounter::SetInlineLimitForTests(int32_t entries) {
  std::lock_guard g(shared_->m);
  shared_->inlineLimit = entries;
}

int32_t FolderCounter::Count(const std::string& path) {
  Shared& s = *shared_;
  const int64_t start = NowNs();  // before the look, so a later change shows in it
  const Look now = LookAt(path);
  if (!now.isFolder) return 0;
  int64_t limit;
  {
    std::lock_guard g(s.m);
    const bool known = s.have && s.path == path;
    if (known && s.look == now && s.settled) return Clamp(s.count);
    // A count under way lands soon and calls for another look.
    if (s.running || s.jobPending) return known ? Clamp(s.count) : -1;
    if (known && s.count > s.inlineLimit) {
      s.StartCount(path);
      return Clamp(s.count);
    }
    limit = s.inlineLimit;
  }
  const int64_t n = FolderItem::CountEntries(path, limit, nullptr);
  std::lock_guard g(s.m);
  if (n >= 0) {
    s.Store(path, now, n, start);
    return Clamp(n);
  }
  // Bigger than it looked: the rest goes off the main thread.
  const bool known = s.have && s.path == path;
  s.StartCount(path);
  return known ? Clamp(s.count) : -1;
}

}  // namespace fw
