#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

// A block of bytes, held exactly as given.
class MemoryBlock {
 public:
  MemoryBlock() = default;
  // Holds a copy of bytes (every byte, NULs included); never fails.
  explicit MemoryBlock(std::string bytes) : bytes_(std::move(bytes)) {}

  // The number of bytes held; 0 for an empty block.
  size_t Size() const { return bytes_.size(); }
  // The bytes, Size() of them; valid while the block lives and is not changed.
  const char* Data() const { return bytes_.data(); }
  char* Data() { return bytes_.data(); }
  // The bytes as a string; empty for an empty block.
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace fw
