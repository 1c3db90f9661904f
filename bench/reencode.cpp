// Decoding a downloaded JPEG and saving it again at quality 100, against the
// peer pipeline `djpeg | cjpeg -quality 100` on the same files, best of N runs.
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "framework/files/FolderItem.h"
#include "framework/picture/MemoryBlock.h"
#include "bench/PhotoLike.h"
#include "framework/picture/Picture.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

QImage PhotoLike(int w, int h) { return PhotoLikeImage(w, h, 42); }

std::string ReadFile(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Result {
  double ours = 1e18, peer = 1e18;
  size_t oursBytes = 0, peerBytes = 0;
};

Result Measure(const stdfs::path& dir, const std::string& name, int runs) {
  const stdfs::path in = dir / (name + ".jpg");
  Result r;
  auto folder = std::make_shared<fw::FolderItem>(dir.string());
  for (int i = 0; i < runs; ++i) {
    const std::string outName = name + "-ours-" + std::to_string(i) + ".jpg";
    const auto t0 = Clock::now();
    fw::MemoryBlock block(ReadFile(in));
    auto pic = fw::Picture::FromData(block);
    const bool saved = pic && pic->Save(folder->Child(outName), fw::Picture::kFormatJPEG, 100);
    const auto t1 = Clock::now();
    if (!saved) {
      std::fprintf(stderr, "our re-encoding of %s failed\n", in.c_str());
      std::exit(1);
    }
    r.ours = std::min(r.ours, Ms(t1 - t0));
    r.oursBytes = stdfs::file_size(dir / outName);
    stdfs::remove(dir / outName);

    const stdfs::path peerOut = dir / (name + "-peer.jpg");
    const std::string cmd = "djpeg '" + in.string() + "' | cjpeg -quality 100 > '" + peerOut.string() + "'";
    const auto p0 = Clock::now();
    const int rc = std::system(cmd.c_str());
    const auto p1 = Clock::now();
    if (rc != 0) {
      std::fprintf(stderr, "the peer failed (is libjpeg-turbo-progs installed?)\n");
      std::exit(1);
    }
    r.peer = std::min(r.peer, Ms(p1 - p0));
    r.peerBytes = stdfs::file_size(peerOut);
    stdfs::remove(peerOut);
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  char tmpl[] = "/tmp/bench_reencode-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const stdfs::path dir = tmpl;

  struct Size {
    const char* name;
    int w, h;
  };
  const Size sizes[] = {{"12mp", 4000, 3000}, {"1280x1920", 1280, 1920}};
  std::printf("decode + save at quality 100, best of %d runs\n", runs);
  std::printf("%-10s %10s %10s %10s %8s %12s %12s\n", "picture", "in bytes", "ours ms", "peer ms",
              "ratio", "ours bytes", "peer bytes");
  for (const Size& s : sizes) {
    const stdfs::path in = dir / (std::string(s.name) + ".jpg");
    if (!PhotoLike(s.w, s.h).save(QString::fromStdString(in.string()), "jpeg", 90)) return 1;
    const Result r = Measure(dir, s.name, runs);
    std::printf("%-10s %10zu %10.1f %10.1f %8.2f %12zu %12zu\n", s.name,
                size_t(stdfs::file_size(in)), r.ours, r.peer, r.ours / r.peer, r.oursBytes,
                r.peerBytes);
  }
  stdfs::remove_all(dir);
  return 0;
}
