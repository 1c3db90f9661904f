// Loads the about window's two pictures the way the program does, from the
// bundle that holds this program file, and says what it found: one line per
// picture ("tumblr 36x35", or "tumblr missing"). Exit status 0 when both
// loaded. The install test places it beside the installed program and starts
// it through a link.
#include <cstdio>

#include "about_window/BundlePictures.h"
#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/picture/Picture.h"

namespace {

bool Report(const char* name, const fw::Ref<fw::Picture>& pic) {
  if (!pic) {
    std::printf("%s missing\n", name);
    return false;
  }
  std::printf("%s %dx%d\n", name, pic->Width(), pic->Height());
  return true;
}

}  // namespace

int main() {
  std::printf("program %s\n", fw::SpecialFolder::ExecutableFile()->NativePath().c_str());
  const bool icon = Report("tumblr", app::tumblr());
  const bool logo = Report("dorvex_logo2", app::dorvex_logo2());
  return icon && logo ? 0 : 1;
}
