#include "framework/Picture.h"

#include "framework/Graphics.h"
#include "framework/MemoryBlock.h"

namespace fw {

Picture::Picture(int32_t width, int32_t height)
    : image_(width < 1 ? 1 : width, height < 1 ? 1 : height, QImage::Format_RGB32) {
  image_.fill(Qt::white);
}

Picture::Picture(const QImage& image) {
  if (image.isNull()) {
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(Qt::white);
  } else {
    image_ = image.convertToFormat(QImage::Format_RGB32);
  }
}

Picture::~Picture() {
  if (graphics_) graphics_->Detach();
}

Ref<Picture> Picture::FromData(const MemoryBlock& data) {
  QImage img;
  if (!img.loadFromData(reinterpret_cast<const uchar*>(data.Data()), static_cast<int>(data.Size())))
    return nullptr;
  return std::make_shared<Picture>(img);
}

Ref<Picture> Picture::FromFile(const std::string& path) {
  QImage img(QString::fromStdString(path));
  if (img.isNull()) return nullptr;
  return std::make_shared<Picture>(img);
}

int32_t Picture::Width() const { return image_.width(); }
int32_t Picture::Height() const { return image_.height(); }

Ref<fw::Graphics> Picture::Graphics() {
  if (!graphics_) graphics_ = std::make_shared<fw::Graphics>(this);
  return graphics_;
}

Ref<Picture> Picture::Mask(bool create) {
  if (!mask_ && create) {
    mask_ = std::make_shared<Picture>(Width(), Height());
    mask_->image_.fill(Qt::black);
  }
  return mask_;
}

const QImage& Picture::Image() const { return image_; }
QImage& Picture::MutableImage() { return image_; }

QImage Picture::ImageWithMask() const {
  return image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

std::string Picture::Encode(int32_t, int32_t) const { return {}; }

bool Picture::Save(const Ref<FolderItem>& target, int32_t, int32_t) {
  CheckNil(target, "The folder item passed cannot be nil");
  return false;
}

}  // namespace fw
