#include "framework/picture/JpegCodec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/picture/ByteOrder.h"

namespace fw {

void PrintTo(JpegDecodeResult r, std::ostream* os) {
  switch (r) {
    case JpegDecodeResult::Decoded:
      *os << "Decoded";
      return;
    case JpegDecodeResult::NotJpeg:
      *os << "NotJpeg";
      return;
    case JpegDecodeResult::Truncated:
      *os << "Truncated";
      return;
    case JpegDecodeResult::Corrupt:
      *os << "Corrupt";
      return;
    case JpegDecodeResult::TooLarge:
      *os << "TooLarge";
      return;
    case JpegDecodeResult::Unsupported:
      *os << "Unsupported";
      return;
  }
  *os << "JpegDecodeResult(" << static_cast<int>(r) << ")";
}

namespace {

// Encoder output buffers up to this size are kept for the thread's next picture.
constexpr unsigned long kKeptOutputBytes = 64ul << 20;

// The decoder's warnings that mean data is missing: the entropy-coded data of
// a scan ended early, or the input ended where more was expected.
bool MeansDataMissing(const char* message) {
  return std::strstr(message, "premature end of data segment") != nullptr ||
         std::strstr(message, "Premature end of JPEG file") != nullptr;
}

// The decoder and encoder of one thread, made on first use.
struct ThreadCodec {
  tjhandle decoder = nullptr;
  tjhandle encoder = nullptr;
  unsigned char* out = nullptr;  // the encoder's output buffer
  unsigned long outCapacity = 0;
  std::vector<unsigned char> withEnd;  // input copied with an end marker added

  ~ThreadCodec() {
    if (decoder) tjDestroy(decoder);
    if (encoder) tjDestroy(encoder);
    if (out) tjFree(out);
  }
  tjhandle Decoder() {
    if (!decoder) decoder = tjInitDecompress();
    return decoder;
  }
  // After a call that failed the decoder is left mid-way and refuses the
  // next picture; a new one takes its place.
  void DropDecoder() {
    if (decoder) tjDestroy(decoder);
    decoder = nullptr;
  }
  tjhandle Encoder() {
    if (!encoder) encoder = tjInitCompress();
    return encoder;
  }
};

ThreadCodec& Codec() {
  static thread_local ThreadCodec codec;
  return codec;
}

// The orientation tag of an EXIF block (the APP1 body after "Exif\0\0"); 1
// when it has none or it cannot be read.
int ExifOrientation(const unsigned char* tiff, size_t n) {
  if (n < 8) return 1;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  const uint32_t ifd = Read32(tiff + 4, little);
  if (ifd > n - 2) return 1;
  const uint16_t entries = Read16(tiff + ifd, little);
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t at = size_t{ifd} + 2 + size_t{i} * 12;
    if (at + 12 > n) break;
    if (Read16(tiff + at, little) != 0x0112) continue;
    const uint16_t value = Read16(tiff + at + 8, little);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

// The EXIF orientation from the segments before the first scan; 1 when none.
int FindOrientation(const unsigned char* d, size_t n) {
  size_t i = 2;
  while (i + 4 <= n && d[i] == 0xFF) {
    const unsigned char m = d[i + 1];
    if (m == 0xDA || m == 0xD9) break;
    const size_t len = size_t{d[i + 2]} << 8 | d[i + 3];
    if (len < 2 || i + 2 + len > n) break;
    if (m == 0xE1 && len >= 8 && std::memcmp(d + i + 4, "Exif\0\0", 6) == 0)
      return ExifOrientation(d + i + 10, len - 8);
    i += 2 + len;
  }
  return 1;
}

}  // namespace

bool JpegCodec::LooksLikeJpeg(const unsigned char* data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

JpegDecodeResult JpegCodec::ReadHeader(const unsigned char* data, size_t size, size_t maxBytes,
                                       int* width, int* height, int* orientation) {
  if (!LooksLikeJpeg(data, size)) return JpegDecodeResult::NotJpeg;
  tjhandle h = Codec().Decoder();
  int w = 0, hh = 0, subsamp = 0, colorspace = 0;
  if (!h) return JpegDecodeResult::Corrupt;
  // A warning (stray bytes between segments) still gives the header.
  if (tjDecompressHeader3(h, data, size, &w, &hh, &subsamp, &colorspace) != 0) {
    const bool warning = tjGetErrorCode(h) == TJERR_WARNING;
    Codec().DropDecoder();
    if (!warning) return JpegDecodeResult::Corrupt;
  }
  if (w <= 0 || hh <= 0) return JpegDecodeResult::Corrupt;
  if (uint64_t{uint32_t(w)} * uint32_t(hh) * 4 > maxBytes) return JpegDecodeResult::TooLarge;
  if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) return JpegDecodeResult::Unsupported;
  *width = w;
  *height = hh;
  *orientation = FindOrientation(data, size);
  return JpegDecodeResult::Decoded;
}

JpegDecodeResult JpegCodec::Decode(const unsigned char* data, size_t size, unsigned char* rgb,
                                   int width, int height, int pitch) {
  if (!LooksLikeJpeg(data, size)) return JpegDecodeResult::NotJpeg;
  ThreadCodec& codec = Codec();
  tjhandle h = codec.Decoder();
  if (!h) return JpegDecodeResult::Corrupt;
  // Without its end marker the decoder reads past the data and reports the
  // file as ending early, whether or not anything is missing. With the marker
  // added it reports only data that a scan really lacks.
  const unsigned char* in = data;
  size_t inSize = size;
  if (!(data[size - 2] == 0xFF && data[size - 1] == 0xD9)) {
    codec.withEnd.assign(data, data + size);
    codec.withEnd.push_back(0xFF);
    codec.withEnd.push_back(0xD9);
    in = codec.withEnd.data();
    inSize = codec.withEnd.size();
  }
  const int rc = tjDecompress2(h, in, inSize, rgb, width, pitch, height, TJPF_RGB, 0);
  JpegDecodeResult result = JpegDecodeResult::Decoded;
  if (rc != 0) {
    if (tjGetErrorCode(h) != TJERR_WARNING)
      result = JpegDecodeResult::Corrupt;
    else if (MeansDataMissing(tjGetErrorStr2(h)))
      result = JpegDecodeResult::Truncated;
    codec.DropDecoder();
  }
  if (in != data) {
    codec.withEnd.clear();
    if (codec.withEnd.capacity() > (size_t{1} << 20)) codec.withEnd.shrink_to_fit();
  }
  return result;
}

std::string JpegCodec::Encode(const unsigned char* pixels, int width, int height, int pitch,
                              bool bgrx, int quality) {
  ThreadCodec& codec = Codec();
  tjhandle h = codec.Encoder();
  if (!h || width <= 0 || height <= 0) return {};
  const unsigned long need = tjBufSize(width, height, TJSAMP_420);
  if (need == static_cast<unsigned long>(-1) || need > INT32_MAX) return {};
  unsigned char* buffer = codec.out;
  if (codec.outCapacity < need) {
    if (codec.out) tjFree(codec.out);
    codec.out = nullptr;
    codec.outCapacity = 0;
    buffer = tjAlloc(static_cast<int>(need));
    if (!buffer) return {};
    if (need <= kKeptOutputBytes) {
      codec.out = buffer;
      codec.outCapacity = need;
    }
  }
  unsigned long size = need;
  const int rc = tjCompress2(h, pixels, width, pitch, height, bgrx ? TJPF_BGRX : TJPF_RGB, &buffer,
                             &size, TJSAMP_420, std::clamp(quality, 0, 100), TJFLAG_NOREALLOC);
  std::string out;
  if (rc == 0) out.assign(reinterpret_cast<const char*>(buffer), size);
  if (buffer != codec.out) tjFree(buffer);
  return out;
}

}  // namespace fw
