// Times one page cycle of the download worker, without its pause: a 2 MB blog
// page with ten 1280x1920 JPEG pictures, served from a loopback server,
// fetched, its picture addresses extracted, each picture fetched, decoded,
// stamped and saved at quality 100. The peer does the same work in the same
// run with standard tools: curl for the page, grep for the addresses, and for
// each picture curl | djpeg | cjpeg -quality 100 in a shell loop. Best of N
// runs each; the main thread's longest wait for the runtime lock during one
// more cycle of ours is shown beside.
//
// Usage: bench_page_cycle [runs]
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/PathServer.h"
#include "bench/PhotoLike.h"
#include "framework/runtime/Clock.h"
#include "framework/files/FolderItem.h"
#include "framework/picture/MemoryBlock.h"
#include "framework/picture/Picture.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/files/SpecialFolder.h"
#include "framework/runtime/Thread.h"
#include "main_window/DownloadWorker.h"
#include "main_window/MainWindowProperties.h"

extern char** environ;

namespace {

namespace stdfs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPictures = 10;
constexpr int kWidth = 1280, kHeight = 1920;
constexpr size_t kPageBytes = 2 * 1024 * 1024;

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A photograph-like JPEG; each seed moves the shape and the waves.
std::string PhotoLikeJpeg(int w, int h, unsigned seed) {
  const QImage img = PhotoLikeImage(w, h, seed, 0.2 + 0.06 * (seed % 10), 0.7 - 0.04 * (seed % 10), seed);
  fw::Picture pic(img);
  return pic.Encode(fw::Picture::kFormatJPEG, 90);
}

// A blog page of about kPageBytes: posts of text and links, with the ten
// picture tags spread through it.
std::string BlogPage(const std::vector<std::string>& pictureUrls) {
  const std::string post =
      "<div class=\"post text\"><h2><a href=\"https://blog.example/post/1234567890/a-title\">"
      "A title for a post</a></h2>\n<p>Morning light on the harbour, film grain and quiet "
      "streets; a few words on the walk and the camera, tagged and reblogged.</p>\n"
      "<ul class=\"tags\"><li><a href=\"/tagged/film\">#film</a></li><li><a "
      "href=\"/tagged/harbour\">#harbour</a></li></ul></div>\n";
  const size_t step = kPageBytes / pictureUrls.size();
  std::string page = "<!DOCTYPE html>\n<html><head><title>bench blog</title></head><body>\n";
  for (const std::string& url : pictureUrls) {
    const size_t until = page.size() + step;
    while (page.size() < until) page += post;
    page += "<div class=\"post photo\"><a href=\"/post/1\"><img class=\"photo\" src=\"" + url +
            "\" alt=\"\" width=\"500\"></a></div>\n";
  }
  page += "</body></html>\n";
  return page;
}

// One cycle of ours into a new folder; the time from the start of the worker
// to its request for the next page.
double RunOurs(PathServer& server, const std::string& folder, double* longestLockWaitMs) {
  app::MainWindowProperties props;
  props.url = server.Url();
  props.folder = folder;
  props.picturename = "pic";
  auto thread = std::make_shared<fw::Thread>();
  thread->SetRunHandler([&props](fw::Thread& t) { app::RunDownloadWorker(props, t); });
  const size_t heldBefore = server.HeldCount();
  const auto t0 = SteadyClock::now();
  thread->Run();
  SteadyClock::time_point t1;
  if (!longestLockWaitMs) {
    fw::RuntimeLock::Unlocked unlocked;
    t1 = server.WaitForHeld(heldBefore + 1);
  } else {
    // Come back to the lock every millisecond, as an event loop with work would.
    double longest = 0;
    while (server.HeldCount() <= heldBefore) {
      const auto w0 = SteadyClock::now();
      {
        fw::RuntimeLock::Unlocked unlocked;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      longest = std::max(longest, Ms(SteadyClock::now() - w0) - 1.0);
    }
    *longestLockWaitMs = longest;
    fw::RuntimeLock::Unlocked unlocked;
    t1 = server.WaitForHeld(heldBefore + 1);
  }
  thread->Suspend();
  thread->Kill();
  if (props.count != kPictures) {
    std::fprintf(stderr, "the worker took up %d pictures, not %d\n", props.count, kPictures);
    std::exit(1);
  }
  return Ms(t1 - t0);
}

int RunShell(const std::string& script) {
  const char* argv[] = {"bash", "-c", script.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "bash", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double RunPeer(PathServer& server, const stdfs::path& dir) {
  stdfs::create_directories(dir);
  const std::string d = "'" + dir.string() + "'";
  const std::string script =
      "set -e -o pipefail\n"
      "curl --http1.0 -s -f -o " + d + "/page.html '" + server.Url("/page/1") + "'\n"
      "n=0\n"
      "for u in $(grep -oE 'src=\"[^\"]+jpg\"' " + d + "/page.html | cut -d'\"' -f2); do\n"
      "  n=$((n+1))\n"
      "  curl --http1.0 -s -f \"$u\" | djpeg | cjpeg -quality 100 > " + d + "/pic-$n.jpg\n"
      "done\n"
      "rm " + d + "/page.html\n"
      "test $n -eq " + std::to_string(kPictures) + "\n";
  const auto t0 = SteadyClock::now();
  const int rc = RunShell(script);
  const double ms = Ms(SteadyClock::now() - t0);
  if (rc != 0) {
    std::fprintf(stderr, "the peer failed (curl and libjpeg-turbo-progs installed?)\n");
    std::exit(1);
  }
  return ms;
}

uintmax_t FolderBytes(const stdfs::path& dir) {
  uintmax_t total = 0;
  for (const auto& e : stdfs::directory_iterator(dir)) total += e.file_size();
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  char tmpl[] = "/tmp/bench_page_cycle-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const stdfs::path dir = tmpl;
  fw::SpecialFolder::SetDesktopForTests((dir / "Desktop").string());
  // The pause after the page costs nothing: only the cycle is timed.
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/true));

  PathServer server;
  std::vector<std::string> urls;
  size_t pictureBytes = 0;
  for (int i = 1; i <= kPictures; ++i) {
    const std::string path = "/pics/" + std::to_string(i) + ".jpg";
    std::string jpeg = PhotoLikeJpeg(kWidth, kHeight, static_cast<unsigned>(i));
    pictureBytes += jpeg.size();
    server.Serve(path, std::move(jpeg));
    urls.push_back(server.Url(path));
  }
  const std::string page = BlogPage(urls);
  server.Serve("/page/1", page);
  server.Hold("/page/2");

  double ours = 1e18, peer = 1e18;
  uintmax_t oursBytes = 0, peerBytes = 0;
  for (int r = 0; r < runs; ++r) {
    const std::string folder = "ours-" + std::to_string(r);
    ours = std::min(ours, RunOurs(server, folder, nullptr));
    oursBytes = FolderBytes(dir / "Desktop" / folder);
    stdfs::remove_all(dir / "Desktop" / folder);

    const stdfs::path peerDir = dir / ("peer-" + std::to_string(r));
    peer = std::min(peer, RunPeer(server, peerDir));
    peerBytes = FolderBytes(peerDir);
    stdfs::remove_all(peerDir);
  }
  double longestWait = 0;
  RunOurs(server, "latency", &longestWait);

  std::printf("one page cycle: %zu-byte page, %d pictures of %dx%d (%zu bytes), best of %d runs\n",
              page.size(), kPictures, kWidth, kHeight, pictureBytes, runs);
  std::printf("%-34s %10s %12s\n", "", "ms", "bytes saved");
  std::printf("%-34s %10.1f %12ju\n", "ours (worker, pause left out)", ours, oursBytes);
  std::printf("%-34s %10.1f %12ju\n", "peer (curl, grep, djpeg | cjpeg)", peer, peerBytes);
  std::printf("ratio ours/peer: %.2f\n", ours / peer);
  std::printf("main thread's longest wait for the runtime lock in a cycle: %.1f ms\n", longestWait);

  fw::SetClock(nullptr);
  fw::SpecialFolder::SetDesktopForTests("");
  stdfs::remove_all(dir);
  return 0;
}
