// Times one page cycle of the download worker, without its pause: a 2 MB blog
// page served from a loopback server, fetched, its picture addresses
// extracted, each picture fetched, decoded, stamped and saved at quality 100
// (written whole, flushed, then named). Two pages: 200 pictures of 640x480,
// and 10 of 1280x1920.
//
// The peer does the same work plainly in this process, one step after
// another: libcurl for each GET (HTTP/1.0, a new connection each time), the
// same three patterns on PCRE2-JIT for the addresses, libjpeg-turbo for
// decode and encode at quality 100, and the same durable write (an unnamed
// file, written, flushed, linked under its name, the folder flushed). A
// third figure is decode + encode alone on the same bytes in memory. All run
// in turns, the first side changing from run to run, each after a sync() so
// that no side pays for the write-back of the one before; the saved bytes of
// ours and the peer are compared. The peer works one step after another, as
// asked of it; ours converts and writes a picture while it fetches the next.
//
// Usage: bench_page_cycle [runs]
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/PairedRatios.h"
#include "bench/PcrePeer.h"
#include "bench/PhotoLike.h"
#include "bench/TurboPeer.h"
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
using SteadyClock = std::chrono::steady_clock;

constexpr size_t kPageBytes = 2 * 1024 * 1024;

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A photograph-like JPEG; each seed moves the shape and the waves.
std::string PictureNumber(int w, int h, unsigned seed) {
  return PhotoLikeJpeg(w, h, seed, 0.2 + 0.06 * (seed % 10), 0.7 - 0.04 * (seed % 10), seed);
}

// A blog page of about kPageBytes: posts of text and links, with the
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
double RunOurs(testsupport::LoopbackServer& server, const std::string& pagePath,
               const std::string& heldPath, const std::string& folder, int pictures) {
  app::MainWindowProperties props;
  props.url = server.Url("");
  props.folder = folder;
  props.picturename = "pic";
  props.Page = std::stoi(pagePath.substr(pagePath.rfind('/') + 1)) - 1;
  auto thread = std::make_shared<fw::Thread>();
  thread->SetRunHandler([&props](fw::Thread& t) { app::RunDownloadWorker(props, t); });
  const size_t heldBefore = server.RequestCount(heldPath);
  const auto t0 = SteadyClock::now();
  thread->Run();
  SteadyClock::time_point t1;
  {
    fw::RuntimeLock::Unlocked unlocked;
    t1 = *server.WaitForRequest(heldPath, heldBefore + 1, /*timeoutMs=*/-1);
  }
  thread->Suspend();
  thread->Kill();
  if (props.count != pictures) {
    std::fprintf(stderr, "the worker took up %d pictures, not %d\n", props.count, pictures);
    std::exit(1);
  }
  return Ms(t1 - t0);
}

size_t Append(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

// The same durable write as the program's: an unnamed file in the folder,
// written whole and flushed, then linked under its name; the folder flushed.
bool DurableWrite(int dirFd, const std::string& name, const std::string& bytes) {
  const int fd = openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    ok = n > 0;
    if (ok) done += size_t(n);
  }
  ok = ok && fsync(fd) == 0;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  ok = ok && linkat(AT_FDCWD, self.c_str(), dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  close(fd);
  return ok && fsync(dirFd) == 0;
}

// The plain peer; the number of pictures saved is checked by the caller.
double RunPeer(CURL* curl, TurboPeer& codec, DirectPcre& pcre, const std::string& pageUrl,
               const stdfs::path& dir) {
  stdfs::create_directories(dir);
  const auto t0 = SteadyClock::now();
  std::string body;
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_URL, pageUrl.c_str());
  if (curl_easy_perform(curl) != CURLE_OK) std::exit(1);
  const std::vector<std::string> addresses = pcre.Extract(std::move(body));
  const int dirFd = open(dir.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
  int n = 0;
  for (const std::string& a : addresses) {
    if (a.size() < 3 || a.compare(a.size() - 3, 3, "jpg") != 0) continue;
    ++n;
    body.clear();
    curl_easy_setopt(curl, CURLOPT_URL, a.c_str());
    if (curl_easy_perform(curl) != CURLE_OK) continue;
    const std::string out = codec.Reencode(body, 100);
    if (!out.empty()) DurableWrite(dirFd, "pic-" + std::to_string(n) + ".jpg", out);
  }
  close(dirFd);
  return Ms(SteadyClock::now() - t0);
}

double CodecAlone(TurboPeer& codec, const std::vector<std::string>& jpegs) {
  const auto t0 = SteadyClock::now();
  for (const std::string& j : jpegs)
    if (codec.Reencode(j, 100).empty()) std::exit(1);
  return Ms(SteadyClock::now() - t0);
}

std::vector<std::string> FolderFiles(const stdfs::path& dir) {
  std::vector<std::string> files;
  for (const auto& e : stdfs::directory_iterator(dir)) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  return files;
}

bool SameFiles(const stdfs::path& a, const stdfs::path& b) {
  const std::vector<std::string> fa = FolderFiles(a), fb = FolderFiles(b);
  if (fa != fb) return false;
  for (const std::string& f : fa) {
    if (stdfs::file_size(a / f) != stdfs::file_size(b / f)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
  curl_global_init(CURL_GLOBAL_DEFAULT);

  const testsupport::TempFolder temp("bench_page_cycle");  // removed with all it holds at the end
  const stdfs::path& dir = temp.Path();
  fw::SpecialFolder::SetDesktopForTests((dir / "Desktop").string());
  // The pause after the page costs nothing: only the cycle is timed.
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/true));

  testsupport::LoopbackServer server;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  TurboPeer codec;
  DirectPcre pcre;

  struct Scenario {
    const char* name;
    int pictures, w, h;
    int page;  // served at /page/<page>; /page/<page + 1> is held
    double targetPlain, targetCodec;
  };
  const Scenario scenarios[] = {{"200 pictures of 640x480", 200, 640, 480, 1, 0.9, 1.5},
                                {"10 pictures of 1280x1920", 10, 1280, 1920, 3, 0, 0}};
  std::printf("one page cycle (pause left out), ours and the peers in turns\n");
  for (const Scenario& sc : scenarios) {
    std::vector<std::string> urls, jpegs;
    size_t pictureBytes = 0;
    for (int i = 1; i <= sc.pictures; ++i) {
      const std::string path =
          "/pics/" + std::to_string(sc.page) + "/" + std::to_string(i) + ".jpg";
      jpegs.push_back(PictureNumber(sc.w, sc.h, static_cast<unsigned>(i)));
      pictureBytes += jpegs.back().size();
      server.ServeFile(path, jpegs.back());
      urls.push_back(server.Url(path));
    }
    const std::string page = BlogPage(urls);
    const std::string pagePath = "/page/" + std::to_string(sc.page);
    server.ServeFile(pagePath, page);
    const std::string heldPath = "/page/" + std::to_string(sc.page + 1);
    server.Hold(heldPath);

    PairedRatios plain, alone;
    for (int r = 0; r < runs; ++r) {
      const std::string folder = "ours-" + std::to_string(sc.page) + "-" + std::to_string(r);
      const stdfs::path peerDir =
          dir / ("peer-" + std::to_string(sc.page) + "-" + std::to_string(r));
      double ours = 0, peer = 0, codecMs = 0;
      for (int side = 0; side < 3; ++side) {
        // Each side starts with the disk settled: no write-back of the
        // side before (or of the folders removed) runs into its time.
        ::sync();
        switch ((side + r) % 3) {
          case 0:
            ours = RunOurs(server, pagePath, heldPath, folder, sc.pictures);
            break;
          case 1:
            peer = RunPeer(curl, codec, pcre, server.Url(pagePath), peerDir);
            break;
          default:
            codecMs = CodecAlone(codec, jpegs);
            break;
        }
      }
      if (FolderFiles(peerDir).size() != size_t(sc.pictures) ||
          !SameFiles(dir / "Desktop" / folder, peerDir)) {
        std::fprintf(stderr, "%s: ours and the peer saved different files\n", sc.name);
        return 1;
      }
      stdfs::remove_all(dir / "Desktop" / folder);
      stdfs::remove_all(peerDir);
      plain.Add(ours, peer);
      alone.Add(ours, codecMs);
    }
    std::printf("%s: %zu-byte page, %zu bytes of pictures\n", sc.name, page.size(), pictureBytes);
    plain.Print("  vs plain libcurl+PCRE2+TurboJPEG", "ms", sc.targetPlain);
    alone.Print("  vs decode+encode alone", "ms", sc.targetCodec);
  }

  curl_easy_cleanup(curl);
  curl_global_cleanup();
  fw::SetClock(nullptr);
  fw::SpecialFolder::SetDesktopForTests("");
  return 0;
}
