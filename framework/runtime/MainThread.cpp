#include "framework/runtime/MainThread.h"

#include <mutex>
#include <thread>

namespace fw {

namespace {
// Taken while the process starts, on the thread that goes on to run main.
const std::thread::id gMainThread = std::this_thread::get_id();

// The poster is set on the main thread and read from any thread. Made on
// first use and never destroyed: a worker may post after main() has returned.
struct Poster {
  std::mutex m;
  std::function<bool(std::function<void()>)> post;  // guarded by m
};
Poster& ThePoster() {
  static Poster* const poster = new Poster;
  return *poster;
}
}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }

bool PostToMainThread(std::function<void()> f) {
  Poster& p = ThePoster();
  std::lock_guard g(p.m);
  return p.post && p.post(std::move(f));
}

void SetMainThreadPoster(std::function<bool(std::function<void()>)> poster) {
  Poster& p = ThePoster();
  std::lock_guard g(p.m);
  p.post = std::move(poster);
}

}  // namespace fw
