#pragma once
#include <filesystem>
#include <string>

namespace testsupport {

// A fresh, empty folder /tmp/<prefix>-XXXXXX for one test, removed with all it
// holds when this goes (a failure to remove is ignored). Raises
// std::runtime_error when the folder cannot be made.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
