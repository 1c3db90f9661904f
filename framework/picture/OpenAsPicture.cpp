#include "framework/picture/OpenAsPicture.h"

#include "framework/picture/Picture.h"

namespace fw {

Ref<Picture> OpenAsPicture(const FolderItem& file) { return Picture::FromFile(file.NativePath()); }

}  // namespace fw
