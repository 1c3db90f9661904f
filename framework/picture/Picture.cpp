#include "framework/picture/Picture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "framework/files/FolderItem.h"
#include "framework/picture/ByteOrder.h"
#include "framework/picture/Graphics.h"
#include "framework/picture/JpegCodec.h"
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
    if (m == 0xD9) return true;                                        // end of picture
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

// BMP numbers are stored little end first.
uint32_t Le32(const unsigned char* p) { return Read32(p, true); }
uint16_t Le16(const unsigned char* p) { return Read16(p, true); }

// Steps over a chain of GIF data sub-blocks from *i; false when the data ends
// before the chain's terminating empty block.
bool SkipGifSubBlocks(const unsigned char* d, size_t n, size_t* i) {
  for (;;) {
    if (*i >= n) return false;
    const size_t len = d[(*i)++];
    if (len == 0) return true;
    *i += len;
  }
}

// True when a GIF holds the whole of its first picture, the one the reader
// gives: the reader fills a cut-off picture up with its background instead of
// failing. The trailer after it is not needed.
bool GifIsWhole(const unsigned char* d, size_t n) {
  if (n < 13 || std::memcmp(d, "GIF", 3) != 0) return false;
  size_t i = 13;
  if (d[10] & 0x80) i += size_t{3} << ((d[10] & 7) + 1);
  for (;;) {
    if (i >= n) return false;
    if (d[i] == 0x21) {  // an extension: its label, then its sub-blocks
      i += 2;
      if (!SkipGifSubBlocks(d, n, &i)) return false;
    } else if (d[i] == 0x2C) {  // a picture: its descriptor, colour table, code size and data
      if (i + 10 > n) return false;
      const unsigned char flags = d[i + 9];
      i += 10;
      if (flags & 0x80) i += size_t{3} << ((flags & 7) + 1);
      i += 1;
      return SkipGifSubBlocks(d, n, &i);
    } else {
      return false;  // the trailer before any picture, or not a block at all
    }
  }
}

// True when a BMP holds all the pixel rows its header promises: the reader
// leaves missing rows as they are instead of failing.
bool BmpIsWhole(const unsigned char* d, size_t n) {
  if (n < 26 || d[0] != 'B' || d[1] != 'M') return false;
  const uint64_t offBits = Le32(d + 10);
  const uint32_t headerSize = Le32(d + 14);
  int64_t w, h;
  uint32_t bpp, compression = 0, sizeImage = 0;
  if (headerSize == 12) {
    w = Le16(d + 18);
    h = Le16(d + 20);
    bpp = Le16(d + 24);
  } else {
    if (n < 38) return false;
    w = static_cast<int32_t>(Le32(d + 18));
    h = static_cast<int32_t>(Le32(d + 22));
    bpp = Le16(d + 28);
    compression = Le32(d + 30);
    sizeImage = Le32(d + 34);
  }
  if (h < 0) h = -h;
  if (compression == 0 || compression == 3 || compression == 6) {  // rows as they are
    const uint64_t rowBytes = (uint64_t(w < 0 ? 0 : w) * bpp + 31) / 32 * 4;
    return offBits + rowBytes * uint64_t(h) <= n;
  }
  if (compression == 1 || compression == 2)  // run-length coded: its stated size
    return sizeImage == 0 || offBits + sizeImage <= n;
  return true;
}

// image turned upright as its EXIF orientation (2..8) says, as the image
// readers do: mirrored or flipped first, then turned.
QImage Oriented(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.mirrored(true, true);
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

// Pixel buffers of all but small pictures come from mappings of their own,
// with huge pages where the system offers them, and the last one given back
// is kept for the next picture: a fresh buffer costs a page fault and the
// zeroing of a page for every 4 KB, which for a small picture is a good part
// of decoding it.
constexpr size_t kOwnMappingFrom = size_t{64} << 10;
constexpr size_t kHugePagesFrom = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kPage = size_t{4} << 10;
// The spare buffer is kept up to this size; larger ones go back to the system.
constexpr size_t kKeptSpareBytes = size_t{64} << 20;

struct Mapping {
  void* start = nullptr;
  size_t length = 0;
};

Mapping MapBuffer(size_t bytes) {
  if (bytes < kHugePagesFrom) {
    const size_t length = (bytes + kPage - 1) / kPage * kPage;
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? Mapping{} : Mapping{p, length};
  }
  const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* raw =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return {};
  // Keep a huge-page-aligned stretch and give the rest back.
  const uintptr_t base = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = (base + kHugePage - 1) / kHugePage * kHugePage;
  if (start > base) munmap(raw, start - base);
  if (base + kHugePage > start)
    munmap(reinterpret_cast<void*>(start + length), base + kHugePage - start);
  void* data = reinterpret_cast<void*>(start);
  madvise(data, length, MADV_HUGEPAGE);  // a hint; fine when refused
  return {data, length};
}

// The one spare pixel buffer, shared by all threads.
class SpareBuffer {
 public:
  static SpareBuffer& Instance() {
    static SpareBuffer* spare = new SpareBuffer;  // outlives every picture
    return *spare;
  }
  // A buffer of at least bytes, its content unset; {} when none can be had.
  Mapping Take(size_t bytes) {
    {
      std::lock_guard g(m_);
      if (spare_.start && spare_.length >= bytes) {
        const Mapping m = spare_;
        spare_ = {};
        return m;
      }
    }
    return MapBuffer(bytes);
  }
  // Takes m back: kept when it is the larger one and not too large.
  void Give(Mapping m) {
    Mapping drop = m;
    if (m.length <= kKeptSpareBytes) {
      std::lock_guard g(m_);
      if (!spare_.start || spare_.length < m.length) std::swap(drop, spare_);
    }
    if (drop.start) munmap(drop.start, drop.length);
  }

 private:
  std::mutex m_;
  Mapping spare_;  // guarded by m_
};

void GiveBack(void* info) {
  auto* m = static_cast<Mapping*>(info);
  SpareBuffer::Instance().Give(*m);
  delete m;
}

// A new image of w x h pixels in format (32-bit or 24-bit RGB, or 32-bit
// ARGB); its content is unset.
QImage NewImage(int w, int h, QImage::Format format = QImage::Format_RGB32) {
  const int depth = format == QImage::Format_RGB888 ? 3 : 4;
  const qsizetype bytesPerLine = (qsizetype{w} * depth + 3) / 4 * 4;
  const size_t bytes = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(h > 0 ? h : 0);
  if (w <= 0 || h <= 0 || bytes < kOwnMappingFrom) return QImage(w, h, format);
  const Mapping m = SpareBuffer::Instance().Take(bytes);
  if (!m.start) return QImage(w, h, format);
  return QImage(static_cast<uchar*>(m.start), w, h, bytesPerLine, format, GiveBack, new Mapping(m));
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
  TakeOver(image);  // 32-bit or 24-bit RGB: the same pixels
}

// Takes image's pixels as the picture's: 32-bit or 24-bit RGB as it is; one
// with transparency (in whatever format: ARGB, a palette with clear entries,
// 16 bits a channel) turned into 32-bit RGB, its transparency kept as a mask,
// in the same memory where it is 32-bit ARGB already. Other formats are
// converted to 32-bit RGB.
void Picture::TakeOver(QImage image) {
  if (image.hasAlphaChannel() && image.format() != QImage::Format_ARGB32)
    image.convertTo(QImage::Format_ARGB32);
  if (image.format() != QImage::Format_ARGB32) {
    image_ = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_RGB888
                 ? std::move(image)
                 : image.convertToFormat(QImage::Format_RGB32);
    return;
  }
  const int w = image.width(), h = image.height();
  bool allOpaque = true;
  for (int y = 0; y < h && allOpaque; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if (qAlpha(row[x]) != 255) {
        allOpaque = false;
        break;
      }
    }
  }
  if (!allOpaque) {
    // One more buffer of the picture's size, for the mask. The colours stay
    // as they are, so an edge shows its own colour on whatever the picture is
    // drawn on; a pixel that shows nothing is white.
    mask_ = std::make_shared<Picture>(NewImage(w, h));
    mask_->isMask_ = true;
    ownTransparency_ = true;
    QImage& mask = mask_->image_;
    for (int y = 0; y < h; ++y) {
      QRgb* px = reinterpret_cast<QRgb*>(image.scanLine(y));
      QRgb* m = reinterpret_cast<QRgb*>(mask.scanLine(y));
      for (int x = 0; x < w; ++x) {
        const int a = qAlpha(px[x]);
        px[x] = a == 0 ? qRgb(255, 255, 255) : (px[x] | 0xFF000000u);
        m[x] = qRgb(255 - a, 255 - a, 255 - a);
      }
    }
  }
  // Every alpha byte is 255 now, which is what 32-bit RGB holds there.
  image.reinterpretAsFormat(QImage::Format_RGB32);
  image_ = std::move(image);
}

Picture::~Picture() {
  if (graphics_) graphics_->Detach();
}

Ref<Picture> Picture::FromData(const MemoryBlock& data) {
  if (data.Size() == 0 || data.Size() > static_cast<size_t>(INT32_MAX)) return nullptr;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.Data());
  if (JpegCodec::LooksLikeJpeg(bytes, data.Size())) {
    Ref<Picture> pic;
    if (DecodeJpeg(bytes, data.Size(), &pic)) return pic;
  }
  return DecodeOther(data);
}

// A JPEG decoded straight into 24-bit RGB, the encoder's own input; false
// when the data needs the general path (CMYK), else true with *out Nil when
// the data is cut off, damaged or too large.
bool Picture::DecodeJpeg(const unsigned char* bytes, size_t size, Ref<Picture>* out) {
  int w = 0, h = 0, orientation = 1;
  const JpegDecodeResult header = JpegCodec::ReadHeader(
      bytes, size, static_cast<size_t>(kDecodeLimitMB) << 20, &w, &h, &orientation);
  if (header == JpegDecodeResult::Unsupported) return false;
  if (header != JpegDecodeResult::Decoded) return true;
  QImage image = NewImage(w, h, QImage::Format_RGB888);
  if (image.isNull()) return true;
  if (JpegCodec::Decode(bytes, size, image.bits(), w, h, static_cast<int>(image.bytesPerLine())) !=
      JpegDecodeResult::Decoded)
    return true;
  if (orientation != 1) image = Oriented(image, orientation);
  *out = std::make_shared<Picture>(image);
  return true;
}

// Every other format, and JPEG that the direct path does not take, through
// the image readers; Nil when the reader fails or the data is cut off.
Ref<Picture> Picture::DecodeOther(const MemoryBlock& data) {
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
  const auto* d = reinterpret_cast<const unsigned char*>(data.Data());
  // Readers that fill a cut-off picture up rather than failing: the data
  // must hold everything the decoder takes from it.
  if (format == "jpeg" && !JpegIsWhole(d, data.Size())) return nullptr;
  if (format == "gif" && !GifIsWhole(d, data.Size())) return nullptr;
  if (format == "bmp" && !BmpIsWhole(d, data.Size())) return nullptr;
  // The reader fills a buffer of the right size and format in place.
  QImage image;
  if (size.isValid() && (reader.imageFormat() == QImage::Format_RGB32 ||
                         reader.imageFormat() == QImage::Format_ARGB32))
    image = NewImage(size.width(), size.height(), reader.imageFormat());
  if (!reader.read(&image) || image.isNull()) return nullptr;
  auto pic = std::shared_ptr<Picture>(new Picture());
  pic->TakeOver(std::move(image));
  return pic;
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
  const int q = std::clamp<int32_t>(quality, 0, 100);
  const int w = image_.width(), h = image_.height();
  if (image_.format() == QImage::Format_RGB888)
    return JpegCodec::Encode(image_.constBits(), w, h, static_cast<int>(image_.bytesPerLine()),
                             false, q);
  if (image_.format() == QImage::Format_RGB32 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
    return JpegCodec::Encode(image_.constBits(), w, h, static_cast<int>(image_.bytesPerLine()),
                             true, q);
  const QImage rgb = image_.convertToFormat(QImage::Format_RGB888);
  return JpegCodec::Encode(rgb.constBits(), w, h, static_cast<int>(rgb.bytesPerLine()), false, q);
}

bool Picture::Save(const Ref<FolderItem>& target, int32_t format, int32_t quality) {
  CheckNil(target, "The folder item passed cannot be nil");
  if (target->Exists()) return false;  // never replaced; saves encoding it for nothing
  const std::string bytes = Encode(format, quality);
  if (bytes.empty()) return false;
  return target->WriteNewFile(bytes);
}

}  // namespace fw
