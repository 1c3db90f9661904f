// One picture's work in the download worker: the downloaded JPEG bytes
// decoded, stamped (the stamp text is empty, as in the program) and encoded
// at quality 100, the bytes left in memory. The peer does the same in this
// process with libjpeg-turbo's TurboJPEG API (bench/TurboPeer.h): decode to
// 24-bit RGB into a kept buffer, encode at quality 100. Same bytes in, and
// the bytes out are compared. Neither side writes a file. Ours and the peer
// run in turns, the first side changing from run to run.
//
// Usage: bench_reencode [runs]
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/PairedRatios.h"
#include "bench/PhotoLike.h"
#include "bench/TurboPeer.h"
#include "main_window/DownloadWorker.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// What the worker does with one download: its own conversion, handed the
// bytes as the worker hands them over, with the program's empty stamp text.
std::string Ours(std::string bytes) {
  static const app::PictureConversion convert = app::RealPictureConversion();
  return convert(std::move(bytes), "");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 15;

  struct Size {
    const char* name;
    int w, h;
    double target;
  };
  const Size sizes[] = {
      {"4000x3000", 4000, 3000, 0}, {"1280x1920", 1280, 1920, 1.0}, {"640x480", 640, 480, 0}};
  std::printf(
      "decode + stamp + encode at quality 100 in memory, against TurboJPEG decode + encode\n");
  for (const Size& s : sizes) {
    const std::string in = PhotoLikeJpeg(s.w, s.h, 42);
    TurboPeer peer;
    const std::string oursOut = Ours(in), peerOut = peer.Reencode(in, 100);
    if (oursOut.empty() || oursOut != peerOut) {
      std::fprintf(stderr, "%s: ours and the peer give different bytes (%zu, %zu)\n", s.name,
                   oursOut.size(), peerOut.size());
      return 1;
    }
    PairedRatios pr;
    for (int r = 0; r < runs; ++r) {
      double ours = 0, theirs = 0;
      for (int side = 0; side < 2; ++side) {
        if ((side + r) % 2 == 0) {
          std::string handed = in;  // the download, made before the clock starts
          const auto t0 = Clock::now();
          if (Ours(std::move(handed)).size() != oursOut.size()) return 1;
          ours = Ms(Clock::now() - t0);
        } else {
          const auto t0 = Clock::now();
          if (peer.Reencode(in, 100).size() != peerOut.size()) return 1;
          theirs = Ms(Clock::now() - t0);
        }
      }
      pr.Add(ours, theirs);
    }
    char label[64];
    std::snprintf(label, sizeof label, "%s (%zu -> %zu bytes)", s.name, in.size(), oursOut.size());
    pr.Print(label, "ms", s.target);
  }
  return 0;
}
