#pragma once
#include <QImage>
#include <cstdint>
#include <string>

#include "framework/runtime/Nil.h"

namespace fw {

class Graphics;
class FolderItem;
class MemoryBlock;

// A picture held in memory: its pixels, its one drawing context and, when
// asked for, a mask of the same size. A mask pixel's darkness is its opacity:
// black = opaque, white = transparent (grey values in between).
class Picture {
 public:
  // Format codes for Save and Encode.
  static constexpr int32_t kFormatJPEG = 151;

  // A new picture of width x height pixels, all white; sizes below 1 are
  // taken as 1.
  Picture(int32_t width, int32_t height);
  // A picture holding image: 32-bit and 24-bit RGB share image's pixels,
  // other formats are converted to 32-bit RGB; a null image gives a 1x1 white
  // picture. Transparency in image becomes a mask and the picture has
  // transparency of its own: translucent pixels keep their colour, fully
  // transparent ones are white.
  explicit Picture(const QImage& image);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // The decoded picture; Nil when the bytes do not decode (empty, damaged, not
  // a picture), when the decoder finds data missing (a JPEG whose scan data
  // ends early; a PNG, GIF or BMP cut short) or the picture is too large to
  // decode safely (over 256 MB of pixels, judged from its header before
  // decoding). A JPEG that is whole but for its end marker decodes. JPEGs
  // decode to 24-bit RGB in a pixel buffer reused from picture to picture;
  // other formats to 32-bit RGB. Touches no shared runtime state, so it may
  // run without the runtime lock.
  static Ref<Picture> FromData(const MemoryBlock& data);
  // Same as FromData on the bytes of the file at path; Nil when it cannot be
  // read or does not decode.
  static Ref<Picture> FromFile(const std::string& path);

  // Size in pixels; never fails.
  int32_t Width() const;
  int32_t Height() const;

  // The picture's one drawing context: the same object on every call, so its
  // settings persist. Never Nil.
  Ref<fw::Graphics> Graphics();

  // The mask, made on demand (all black = fully opaque) when create is true,
  // then kept with the picture; Nil when there is none and create is false.
  Ref<Picture> Mask(bool create = true);

  // True for a picture decoded with transparency (its mask came with it);
  // never fails.
  bool HasOwnTransparency() const { return ownTransparency_; }
  // True for a picture that is another picture's mask; never fails.
  bool IsMask() const { return isMask_; }

  // The pixels as they are (32-bit or 24-bit RGB, no alpha); never fails.
  const QImage& Image() const;
  // The same pixels for drawing into them; never fails.
  QImage& MutableImage();
  // The pixels with the mask's darkness as alpha (ARGB32 premultiplied);
  // fully opaque when there is no mask. Never fails.
  QImage ImageWithMask() const;

  // The picture encoded in format (kFormatJPEG) at quality 0..100 (clamped);
  // empty when the format is unknown or encoding fails. Touches no shared
  // state, so it may run without the runtime lock.
  std::string Encode(int32_t format, int32_t quality) const;

  // Writes the picture to target as a new file: Encode, then
  // FolderItem::WriteNewFile. False when encoding or writing fails or a file
  // of that name exists already (which is left untouched); raises
  // NilObjectException "The folder item passed cannot be nil" for a Nil target.
  bool Save(const Ref<FolderItem>& target, int32_t format, int32_t quality);

 private:
  Picture() = default;
  void TakeOver(QImage image);
  static bool DecodeJpeg(const unsigned char* bytes, size_t size, Ref<Picture>* out);
  static Ref<Picture> DecodeOther(const MemoryBlock& data);

  QImage image_;
  Ref<fw::Graphics> graphics_;
  Ref<Picture> mask_;
  bool ownTransparency_ = false;
  bool isMask_ = false;
};

}  // namespace fw
