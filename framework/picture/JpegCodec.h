#pragma once
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace fw {

// What decoding JPEG data gave.
enum class JpegDecodeResult {
  Decoded,      // the pixels are all there
  NotJpeg,      // no JPEG start marker
  Truncated,    // the data ends before the picture does (the decoder says so)
  Corrupt,      // the decoder gave up, or the size is 0
  TooLarge,     // over the pixel limit, judged from the header
  Unsupported,  // a colour model the RGB output cannot take (CMYK)
};
void PrintTo(JpegDecodeResult r, std::ostream* os);

// JPEG decoding and encoding in process, with 24-bit RGB pixels (three bytes
// a pixel, red first) in a buffer the caller provides. Each thread gets its
// own decoder and encoder state, so these may run without the runtime lock.
class JpegCodec {
 public:
  // True when data starts with the JPEG start marker; never fails.
  static bool LooksLikeJpeg(const unsigned char* data, size_t size);

  // Width, height and the EXIF orientation (1..8; 1 when there is none) from
  // the headers; Corrupt when they cannot be read, TooLarge when width x
  // height x 4 bytes exceeds maxBytes, Unsupported for CMYK data.
  static JpegDecodeResult ReadHeader(const unsigned char* data, size_t size, size_t maxBytes,
                                     int* width, int* height, int* orientation);

  // Decodes into rgb (height rows of pitch bytes, pitch >= width x 3). A
  // picture is Truncated when the decoder reports that its entropy-coded data
  // ran out, or that the file ended while a marker segment was still
  // expected; a picture whose data is whole but lacks only its end marker is
  // Decoded. Other decoder warnings (stray bytes between segments) do not
  // refuse a picture. Corrupt when the decoder gives up.
  static JpegDecodeResult Decode(const unsigned char* data, size_t size, unsigned char* rgb,
                                 int width, int height, int pitch);

  // rgb (24-bit, red first) or, with bgrx, 32-bit pixels in memory order
  // blue, green, red, unused, encoded as a baseline JPEG of quality 0..100
  // (clamped), chroma halved both ways; "" when encoding fails.
  static std::string Encode(const unsigned char* pixels, int width, int height, int pitch,
                            bool bgrx, int quality);
};

}  // namespace fw
