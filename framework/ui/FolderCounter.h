#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {

// Keeps the number of entries of a folder at hand for a caller on the main
// thread that asks for it often (a progress line), without the main thread
// reading a big folder again and again.
//
// A figure is kept with what the folder looked like when it was counted
// (device, inode, modification and change times); while the folder still
// looks the same the figure is given back after one stat. A changed folder is
// counted again: a small one at once, a big one (or one not counted before
// whose reading does not end quickly) on a thread of this object, with plain
// system calls and no runtime lock; the main thread is told when that count
// has landed. A change made in the same clock tick as a count cannot show in
// the times, so a figure counts as settled only once its count began clearly
// after the folder's last change; until then every call counts again.
class FolderCounter {
 public:
  // landed runs on the main thread, from the event loop (under the runtime
  // lock), each time a count made off the main thread has finished, unless
  // this object is gone by then; it may be empty.
  explicit FolderCounter(std::function<void()> landed = {});
  // Stops a count under way and waits for its thread; no landed call follows.
  ~FolderCounter();
  FolderCounter(const FolderCounter&) = delete;
  FolderCounter& operator=(const FolderCounter&) = delete;

  // Main thread. The number of entries in the folder at path, hidden ones
  // included, "." and ".." excluded, as FolderItem::Count gives it: exact as
  // of the latest count, which reflects every change up to the last stat of
  // the folder. 0 for a missing path or one that is not a folder. -1 while
  // the first count of this folder runs off the main thread (landed follows).
  int32_t Count(const std::string& path);

  // For tests: folders whose last figure exceeds this many entries are
  // counted off the main thread (and a first count that reads this many
  // entries without ending goes there). Cannot fail.
  void SetInlineLimitForTests(int32_t entries);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace fw
