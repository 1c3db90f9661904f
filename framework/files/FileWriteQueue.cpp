#include "framework/files/FileWriteQueue.h"

#include <utility>

#include "framework/files/FolderItem.h"

namespace fw {

void FileWriteQueue::Submit(Ref<FolderItem> target, std::string bytes) {
  jobs_.Submit([target = std::move(target), bytes = std::move(bytes)] {
    if (target) target->WriteNewFile(bytes);
  });
}

}  // namespace fw
