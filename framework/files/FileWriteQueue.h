#pragma once
#include <cstddef>
#include <string>

#include "framework/runtime/JobQueue.h"
#include "framework/runtime/Nil.h"

namespace fw {

class FolderItem;

// Writes new files (FolderItem::WriteNewFile: written whole, flushed, then
// named) one after another on a helper thread (a JobQueue), so that the
// caller can go on with its next piece of work while the disk catches up.
// Holds at most `depth` files that are not written yet. The waiting calls
// below block without touching the runtime lock (give it up around them
// where it is held).
class FileWriteQueue {
 public:
  // depth below 1 is taken as 1. Cannot fail.
  explicit FileWriteQueue(size_t depth = 1) : jobs_(depth) {}
  // Waits until every file handed over has been written.
  ~FileWriteQueue() { jobs_.WaitAll(); }
  FileWriteQueue(const FileWriteQueue&) = delete;
  FileWriteQueue& operator=(const FileWriteQueue&) = delete;

  // True when Submit would not wait; never fails.
  bool HasRoom() const { return jobs_.HasRoom(); }
  // Blocks until HasRoom; never fails.
  void WaitForRoom() { jobs_.WaitForRoom(); }
  // Hands bytes over to be written as a new file at target, waiting for room
  // first. A write that fails leaves nothing, as WriteNewFile does, and is
  // not reported; a Nil target writes nothing. Raises std::system_error when
  // the system gives no thread.
  void Submit(Ref<FolderItem> target, std::string bytes);
  // Blocks until every file handed over has been written; never fails.
  void WaitAll() { jobs_.WaitAll(); }

 private:
  JobQueue jobs_;
};

}  // namespace fw
