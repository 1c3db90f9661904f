#include "about_window/BundlePictures.h"

#include <string>

#include "framework/files/FolderItem.h"
#include "framework/files/SpecialFolder.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/OpenAsPicture.h"

namespace app {

namespace {

// One picture's cache. Never destroyed: the pictures stay to the very end.
struct PictureCache {
  bool setUp = false;
  fw::Ref<fw::Picture>* pic = nullptr;

  // Step 1 of every call: on the first, sets the cache up empty.
  fw::Ref<fw::Picture>& Slot() {
    if (!setUp) {
      setUp = true;
      pic = new fw::Ref<fw::Picture>();
    }
    return *pic;
  }
};

PictureCache gTumblr;
PictureCache gDorvexLogo2;

// The bundle's Resources folder (existing or not), or Nil; raises
// NilObjectException when the program file or a parent is missing.
fw::Ref<fw::FolderItem> ResourcesFolder() {
  fw::Ref<fw::FolderItem> exe = fw::SpecialFolder::ExecutableFile();
  fw::Ref<fw::FolderItem> bin = fw::NonNil(exe, "program file").Parent();
  fw::Ref<fw::FolderItem> bundle = fw::NonNil(bin, "program folder").Parent();
  return fw::NonNil(bundle, "bundle folder").Child("Resources");
}

// Loads the file into slot when the Resources folder is there.
void Load(fw::Ref<fw::Picture>& slot, const std::string& fileName) {
  fw::Ref<fw::FolderItem> resources = ResourcesFolder();
  if (!resources) return;
  fw::Ref<fw::FolderItem> file = resources->Child(fileName);
  slot = fw::OpenAsPicture(fw::NonNil(file, "picture file"));
}

}  // namespace

fw::Ref<fw::Picture> tumblr() {
  fw::Ref<fw::Picture>& slot = gTumblr.Slot();
  if (!slot) {
    Load(slot, "tumblr.png");
    if (slot) {
      fw::Ref<fw::Picture> mask = slot->Mask(true);
      fw::Ref<fw::Graphics> g = fw::NonNil(mask, "mask").Graphics();
      fw::CheckNil(g, "mask drawing context");
      // The cache holds the picture now, so this gives it back at once.
      fw::Ref<fw::Picture> self = tumblr();
      g->DrawPicture(self, 0, 0, fw::Graphics::kNotGiven, fw::Graphics::kNotGiven, 0, 0,
                     fw::Graphics::kNotGiven, fw::Graphics::kNotGiven);
    }
  }
  return slot;
}

fw::Ref<fw::Picture> dorvex_logo2() {
  fw::Ref<fw::Picture>& slot = gDorvexLogo2.Slot();
  if (!slot) Load(slot, "dorvex_logo2.png");
  return slot;
}

}  // namespace app
