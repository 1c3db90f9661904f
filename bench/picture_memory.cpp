// Peak memory of the download worker saving one big picture: a
// 64-megapixel (8192x8192) RGBA PNG of a few hundred kilobytes, half of it
// see-through, served under a ".jpg" name from a loopback server, fetched,
// decoded and saved by the worker. The process's peak resident size (VmHWM)
// is read after the save; the target is under 600 MB (twice the decoded
// size, 512 MB, plus the compressed bytes and the idle program). The picture
// is made by a child process, so its making does not count.
//
// Usage: bench_picture_memory
#include <stdlib.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/files/SpecialFolder.h"
#include "framework/runtime/Clock.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "main_window/DownloadWorker.h"
#include "main_window/MainWindowProperties.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempFolder.h"

namespace {

namespace stdfs = std::filesystem;
constexpr int kSide = 8192;

double PeakMb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

int MakePicture(const char* path) {
  QImage img(kSide, kSide, QImage::Format_ARGB32);
  img.fill(qRgba(30, 90, 160, 255));
  QPainter p(&img);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(0, 0, kSide / 2, kSide, QColor(200, 60, 20, 0));
  p.fillRect(kSide / 4, kSide / 4, kSide / 2, kSide / 2, QColor(20, 160, 60, 128));
  p.end();
  return img.save(path, "png") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "make") return MakePicture(argv[2]);
  QCoreApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();
  const testsupport::TempFolder temp(
      "bench_picture_memory");  // removed with all it holds at the end
  const stdfs::path& dir = temp.Path();
  const std::string png = (dir / "big.png").string();
  if (std::system(("'" + std::string(argv[0]) + "' make '" + png + "'").c_str()) != 0) return 1;
  std::ifstream in(png, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  const std::string bytes = s.str();

  fw::SpecialFolder::SetDesktopForTests((dir / "Desktop").string());
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/true));
  testsupport::LoopbackServer server;
  server.ServeFile("/pics/big.jpg", bytes);
  server.ServeFile("/page/2", "<html><img src=\"" + server.Url("/pics/big.jpg") + "\"></html>");
  server.ServeFile("/page/1", "<html><p>nothing yet</p></html>");
  server.Hold("/page/3");  // page 1 has no picture, page 2 the big one

  app::MainWindowProperties props;
  props.url = server.Url("");
  props.folder = "out";
  props.picturename = "pic";
  auto thread = std::make_shared<fw::Thread>();
  thread->SetRunHandler([&props](fw::Thread& t) { app::RunDownloadWorker(props, t); });
  thread->Run();
  {
    fw::RuntimeLock::Unlocked unlocked;
    server.WaitForRequest("/page/3", 1,
                          /*timeoutMs=*/-1);  // page 3 asked for: the picture is on disk
  }
  thread->Suspend();
  thread->Kill();
  const size_t saved = stdfs::exists(dir / "Desktop" / "out" / "pic-1.jpg")
                           ? stdfs::file_size(dir / "Desktop" / "out" / "pic-1.jpg")
                           : 0;
  const double peak = PeakMb();
  const double decoded = double(kSide) * kSide * 4 / (1 << 20);
  std::printf("%dx%d RGBA PNG of %zu bytes (decoded %.0f MB): %s (%zu bytes)\n", kSide, kSide,
              bytes.size(), decoded, saved ? "saved" : "NOT saved", saved);
  std::printf("peak resident size of the process: %.0f MB; target under 600 MB %s\n", peak,
              peak < 600 && saved ? "met" : "MISSED");
  fw::SetClock(nullptr);
  fw::SpecialFolder::SetDesktopForTests("");
  return 0;
}
