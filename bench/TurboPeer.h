#pragma once
// The peers' picture work, written plainly on libjpeg-turbo's TurboJPEG API:
// decode to 24-bit RGB into a buffer kept from picture to picture, encode at a
// quality with chroma halved both ways (the program's settings), bytes out in
// a std::string. Shared by the benches.
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

class TurboPeer {
 public:
  TurboPeer() : dec_(tjInitDecompress()), enc_(tjInitCompress()) {}
  ~TurboPeer() {
    tjDestroy(dec_);
    tjDestroy(enc_);
    if (out_) tjFree(out_);
  }
  TurboPeer(const TurboPeer&) = delete;
  TurboPeer& operator=(const TurboPeer&) = delete;

  // The JPEG in decoded and encoded again at quality; "" when it does not decode.
  std::string Reencode(const std::string& in, int quality) {
    const auto* data = reinterpret_cast<const unsigned char*>(in.data());
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(dec_, data, in.size(), &w, &h, &subsamp, &colorspace) != 0) return {};
    const int pitch = w * 3;
    if (pixels_.size() < size_t(pitch) * h) pixels_.resize(size_t(pitch) * h);
    if (tjDecompress2(dec_, data, in.size(), pixels_.data(), w, pitch, h, TJPF_RGB, 0) != 0)
      return {};
    const unsigned long need = tjBufSize(w, h, TJSAMP_420);
    if (outCapacity_ < need) {
      if (out_) tjFree(out_);
      out_ = tjAlloc(int(need));
      outCapacity_ = need;
    }
    unsigned long size = outCapacity_;
    if (tjCompress2(enc_, pixels_.data(), w, pitch, h, TJPF_RGB, &out_, &size, TJSAMP_420, quality,
                    TJFLAG_NOREALLOC) != 0)
      return {};
    return std::string(reinterpret_cast<const char*>(out_), size);
  }

 private:
  tjhandle dec_, enc_;
  std::vector<unsigned char> pixels_;
  unsigned char* out_ = nullptr;
  unsigned long outCapacity_ = 0;
};
