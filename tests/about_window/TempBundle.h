#pragma once
// A program bundle in a fresh temporary folder, for the about window's tests:
// <root>/bin/snapharbor (where the ExecutableFile seam points while the bundle
// is in use) and <root>/Resources, into which the program's real pictures can
// be copied. Removed, and the seam put back, when it goes.
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/files/SpecialFolder.h"
#include "tests/support/TempFolder.h"

namespace abouttest {

class TempBundle {
 public:
  TempBundle() {
    std::filesystem::create_directories(root_ / "bin");
    std::filesystem::create_directories(root_ / "Resources");
    std::ofstream(root_ / "bin" / "snapharbor") << "program";
  }
  ~TempBundle() { fw::SpecialFolder::SetExecutableFileForTests(""); }
  TempBundle(const TempBundle&) = delete;
  TempBundle& operator=(const TempBundle&) = delete;

  std::filesystem::path Resources() const { return root_ / "Resources"; }

  // Makes the running program's file the bundle's.
  void Use() const {
    fw::SpecialFolder::SetExecutableFileForTests((root_ / "bin" / "snapharbor").string());
  }

  // Copies the program's picture of that name into Resources.
  void AddPicture(const std::string& name) const {
    std::filesystem::copy_file(std::filesystem::path(TEST_SOURCE_DIR) / "resources" / name,
                               Resources() / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void AddBothPictures() const {
    AddPicture("tumblr.png");
    AddPicture("dorvex_logo2.png");
  }
  void WriteResource(const std::string& name, const std::string& bytes) const {
    std::ofstream(Resources() / name, std::ios::binary) << bytes;
  }
  void RemoveResource(const std::string& name) const {
    std::filesystem::remove(Resources() / name);
  }

  // Moves the whole bundle to a new place in its temporary folder (and points
  // the seam at it there).
  void MoveTo(const std::string& newName) {
    std::filesystem::path to = base_ / newName;
    std::filesystem::rename(root_, to);
    root_ = to;
    Use();
  }

 private:
  testsupport::TempFolder temp_{"about_bundle"};
  const std::filesystem::path base_ = temp_.Path();
  std::filesystem::path root_ = base_ / "SnapHarbor";
};

}  // namespace abouttest
