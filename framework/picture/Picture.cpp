#include "framework/picture/Picture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cstring>

#include "framework/files/FolderItem.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/MemoryBlock.h"

namespace fw {

namespace {

// Decoding refuses pictures whose pixels would take more than this. 256 MB
// admits 64 megapixels at 4 bytes each and keeps a forged header from asking
// for gigabytes.
constexpr int kDecodeLimitMB = 256;
// Files larger than this are not read as pictures.
constexpr off_t kMaxPictureFileBytes = off_t{512} * 1024 * 1024;

// True when the JPEG data runs from its start marker through its end marker;
// the decoder fills a cut-off picture up with grey rather than failing, so a
// download that stopped early is caught here. Bytes after the end marker are
// allowed.
bool JpegIsWhole(const unsigned char* d, size_t n) {
  if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
  size_t i = 2;
  for (;;) {
    // Next marker; stray bytes between segments are skipped as the decoder does.
    const void* ff = i < n ? std::memchr(d + i, 0xFF, n - i) : nullptr;
    if (!ff) return false;
    i = static_cast<const unsigned char*>(ff) - d;
    while (i < n && d[i] == 0xFF) ++i;
    if (i >= n) return false;
    const unsigned char m = d[i++];
    if (m == 0xD9) return true;                        // end of picture
    if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // no length
    if (i + 2 > n) return false;
    const size_t len = (size_t{d[i]} << 8) | d[i + 1];
    if (len < 2 || i + len > n) return false;
    i += len;
    if (m != 0xDA) continue;
    // Entropy-coded data after a scan header: runs to the next marker that is
    // neither a stuffed zero nor a restart marker.
    for (;;) {
      const void* p = i < n ? std::memchr(d + i, 0xFF, n - i) : nullptr;
      if (!p) return false;
      i = static_cast<const unsigned char*>(p) - d;
      if (i + 1 >= n) return false;
      const unsigned char next = d[i + 1];
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
        i += 2;
      } else if (next == 0xFF) {
        i += 1;
      } else {
        break;  // a marker: back to the segment loop
      }
    }
  }
}

// A write-only device that appends to a std::string, so encoding needs no
// second copy of the result.
class StringDevice : public QIODevice {
 public:
  explicit StringDevice(std::string& out) : out_(out) {}

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 len) override {
    out_.append(data, static_cast<size_t>(len));
    return len;
  }

 private:
  std::string& out_;
};

// Pixel buffers of large pictures get a mapping of their own, with huge pages
// where the system offers them: a fresh 12-megapixel buffer otherwise costs
// some twelve thousand page faults, more than the decoding itself.
constexpr size_t kOwnMappingFrom = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;

struct Mapping {
  void* start;
  size_t length;
};

void Unmap(void* info) {
  auto* m = static_cast<Mapping*>(info);
  munmap(m->start, m->length);
  delete m;
}

// A new 32-bit RGB image of w x h pixels; its content is unset.
QImage NewImage(int w, int h) {
  const qsizetype bytesPerLine = qsizetype{w} * 4;
  const size_t bytes = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(h);
  if (w <= 0 || h <= 0 || bytes < kOwnMappingFrom) return QImage(w, h, QImage::Format_RGB32);
  const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return QImage(w, h, QImage::Format_RGB32);
  // Keep a huge-page-aligned stretch and give the rest back.
  const uintptr_t base = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = (base + kHugePage - 1) / kHugePage * kHugePage;
  if (start > base) munmap(raw, start - base);
  if (base + kHugePage > start) munmap(reinterpret_cast<void*>(start + length), base + kHugePage - start);
  void* data = reinterpret_cast<void*>(start);
  madvise(data, length, MADV_HUGEPAGE);  // a hint; fine when refused
  return QImage(static_cast<uchar*>(data), w, h, bytesPerLine, QImage::Format_RGB32, Unmap,
                new Mapping{data, length});
}

// The darkness of a mask pixel, which is the opacity it stands for.
inline int Darkness(QRgb p) { return 255 - qGray(p); }

}  // namespace

Picture::Picture(int32_t width, int32_t height)
    : image_(NewImage(width < 1 ? 1 : width, height < 1 ? 1 : height)) {
  image_.fill(Qt::white);
}

Picture::Picture(const QImage& image) {
  if (image.isNull()) {
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(Qt::white);
    return;
  }
  if (!image.hasAlphaChannel()) {
    image_ = image.convertToFormat(QImage::Format_RGB32);
    return;
  }
  // Transparency becomes a mask. The colours stay as they are, so an edge
  // shows its own colour on whatever the picture is drawn on; a pixel that
  // shows nothing is white.
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  bool allOpaque = true;
  for (int y = 0; y < argb.height() && allOpaque; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      if (qAlpha(row[x]) != 255) {
        allOpaque = false;
        break;
      }
    }
  }
  if (allOpaque) {
    image_ = argb.convertToFormat(QImage::Format_RGB32);
    return;
  }
  image_ = NewImage(argb.width(), argb.height());
  mask_ = std::make_shared<Picture>(argb.width(), argb.height());
  mask_->isMask_ = true;
  ownTransparency_ = true;
  QImage& mask = mask_->image_;
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    QRgb* dst = reinterpret_cast<QRgb*>(image_.scanLine(y));
    QRgb* m = reinterpret_cast<QRgb*>(mask.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      const int a = qAlpha(src[x]);
      dst[x] = a == 0 ? qRgb(255, 255, 255) : (src[x] | 0xFF000000u);
      m[x] = qRgb(255 - a, 255 - a, 255 - a);
    }
  }
}

Picture::~Picture() {
  if (graphics_) graphics_->Detach();
}

Ref<Picture> Picture::FromData(const MemoryBlock& data) {
  if (data.Size() == 0 || data.Size() > static_cast<size_t>(INT32_MAX)) return nullptr;
  QByteArray bytes = QByteArray::fromRawData(data.Data(), static_cast<qsizetype>(data.Size()));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return nullptr;
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAllocationLimit(kDecodeLimitMB);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format();
  if (format.isEmpty()) return nullptr;
  // Refuse an oversized picture from its header, before any pixel is decoded.
  const QSize size = reader.size();
  if (size.isValid() &&
      qint64{size.width()} * size.height() * 4 > qint64{kDecodeLimitMB} * 1024 * 1024)
    return nullptr;
  if (format == "jpeg" &&
      !JpegIsWhole(reinterpret_cast<const unsigned char*>(data.Data()), data.Size()))
    return nullptr;
  // The reader fills a buffer of the right size and format in place.
  QImage image;
  if (size.isValid() && reader.imageFormat() == QImage::Format_RGB32)
    image = NewImage(size.width(), size.height());
  if (!reader.read(&image) || image.isNull()) return nullptr;
  return std::make_shared<Picture>(image);
}

Ref<Picture> Picture::FromFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st;
  std::string bytes;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
            st.st_size <= kMaxPictureFileBytes;
  if (ok) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  close(fd);
  if (!ok) return nullptr;
  return FromData(MemoryBlock(std::move(bytes)));
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
    mask_->isMask_ = true;
  }
  return mask_;
}

const QImage& Picture::Image() const { return image_; }
QImage& Picture::MutableImage() { return image_; }

QImage Picture::ImageWithMask() const {
  if (!mask_) return image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out = image_.convertToFormat(QImage::Format_ARGB32);
  const QImage& mask = mask_->image_;
  const int w = std::min(out.width(), mask.width());
  const int h = std::min(out.height(), mask.height());
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    const QRgb* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    for (int x = 0; x < w; ++x) row[x] = (row[x] & 0x00FFFFFFu) | (QRgb(Darkness(m[x])) << 24);
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

std::string Picture::Encode(int32_t format, int32_t quality) const {
  if (format != kFormatJPEG) return {};
  std::string out;
  out.reserve(static_cast<size_t>(image_.width()) * image_.height());
  StringDevice device(out);
  device.open(QIODevice::WriteOnly);
  QImageWriter writer(&device, "jpeg");
  writer.setQuality(std::clamp<int32_t>(quality, 0, 100));
  if (!writer.write(image_)) return {};
  return out;
}

bool Picture::Save(const Ref<FolderItem>& target, int32_t format, int32_t quality) {
  CheckNil(target, "The folder item passed cannot be nil");
  if (target->Exists()) return false;  // never replaced; saves encoding it for nothing
  const std::string bytes = Encode(format, quality);
  if (bytes.empty()) return false;
  return target->WriteNewFile(bytes);
}

}  // namespace fw
