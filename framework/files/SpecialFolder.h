#pragma once
#include <string>

#include "framework/files/FolderItem.h"
#include "framework/runtime/Nil.h"

namespace fw {

// Well-known places of the user's system.
class SpecialFolder {
 public:
  // The user's desktop folder: XDG_DESKTOP_DIR from the user-dirs.dirs file in
  // $XDG_CONFIG_HOME (else ~/.config), else $HOME/Desktop; made (with missing
  // parents) when it is not there. Nil when it cannot be had.
  static Ref<FolderItem> Desktop();
  // For tests: Desktop gives (and makes) path instead; "" restores the real one.
  static void SetDesktopForTests(const std::string& path);

  // The running program's file; Nil when it cannot be found.
  static Ref<FolderItem> ExecutableFile();
  // For tests: ExecutableFile gives path instead; "" restores the real one.
  static void SetExecutableFileForTests(const std::string& path);
};

}  // namespace fw
