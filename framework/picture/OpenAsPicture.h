#pragma once
#include "framework/files/FolderItem.h"
#include "framework/runtime/Nil.h"

namespace fw {

class Picture;

// The picture in the file (a FolderItem's OpenAsPicture); Nil when it is
// missing, not a plain file, too large or does not decode.
Ref<Picture> OpenAsPicture(const FolderItem& file);

}  // namespace fw
