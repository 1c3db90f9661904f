// How long "Stop" takes to return with the form unlocked, and how long the
// program takes to end after a quit, in every state a backup run can be in:
// waiting for a page, waiting for a picture, in a TLS handshake, in a name
// lookup that never answers, decoding and encoding a 64-megapixel picture
// (baseline and progressive JPEG), extracting the addresses of a 20 MB page,
// and in the pause. Targets: Stop under 50 ms, the end of the program under
// 500 ms, in every state.
//
// Stop is measured in this process on the real main window: the main thread
// waits (runtime lock given up, as its event loop does) until the worker
// stands in the state, then takes the lock and presses "Stop" as a click does;
// the time runs from the wish for the lock to the handler's return. The quit
// is measured on the real program road, each time in a child process of its
// own (this program, started again): the child presses the close box once the
// worker stands in the state; the time runs from there to the child's exit
// as its parent sees it.
//
// The peer of each state is the state that was already fast before this work:
// waiting for a page, measured in the same round; the ratio state / peer is
// printed as median and min-max over the rounds.
//
// Usage: bench_stop_latency [rounds]   (default 7)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Startup.h"
#include "bench/PairedRatios.h"
#include "bench/PhotoLike.h"
#include "framework/files/SpecialFolder.h"
#include "framework/net/NameResolver.h"
#include "framework/runtime/Clock.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/runtime/Thread.h"
#include "framework/text/Text.h"
#include "framework/ui/MsgBox.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/UnhandledReport.h"
#include "framework/ui/Window.h"
#include "main_window/DownloadWorker.h"
#include "main_window/ExtractPicURLs.h"
#include "main_window/Window1.h"
#include "tests/support/LoopbackServer.h"

namespace {

namespace stdfs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr char kHost[] = "bench.tumblr.example";
constexpr char kSilentHost[] = "never.tumblr.example";  // its lookup never answers
constexpr int kBigSide = 8000;                          // 64 megapixels
constexpr double kStopTargetMs = 50, kQuitTargetMs = 500;

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
      .count();
}

std::string Jpeg(const QImage& img, bool progressive) {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  QImageWriter w(&buf, "jpeg");
  w.setQuality(90);
  w.setProgressiveScanWrite(progressive);
  if (!w.write(img)) {
    std::fprintf(stderr, "cannot write the JPEG\n");
    std::exit(1);
  }
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A 20 MB page of ordinary markup whose pictures are all ".png" (skipped).
std::string BigPage() {
  std::string page = "<html><body>\n";
  int i = 0;
  while (page.size() < 20u << 20) {
    const std::string n = std::to_string(i++);
    page += "<div class=\"post\"><p>Some words about picture " + n +
            "</p><img alt=\"x\" data-src=\"http://cdn.example/p/" + n + ".png\"></div>\n";
  }
  return page + "</body></html>\n";
}

// A listening socket that takes connections (the system does) but never says
// a word: a TLS client stands in its handshake.
struct SilentListener {
  SilentListener() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 128) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      std::perror("silent listener");
      std::exit(1);
    }
    port = ntohs(a.sin_port);
  }
  ~SilentListener() { close(fd); }
  int fd = -1, port = 0;
};

// Where the worker is to stand: the blog address, the page it starts on (the
// state's page is the next one), and how long to wait once it is seen there.
struct State {
  const char* name;
  std::string url;
  int32_t page;
  int afterMs;
};

// What the worker is doing, as the stand-ins see it.
std::atomic<int> gLookups{0};
std::atomic<int64_t> gConversionStartNs{0};
std::atomic<int> gConversionsBusy{0};

void InstallStandIns() {
  fw::NameResolver::SetFunction([](const std::string& host) -> std::vector<std::string> {
    if (host == kSilentHost) {
      ++gLookups;
      std::this_thread::sleep_for(std::chrono::seconds(60));  // never, as far as a run can tell
      return {};
    }
    return {"127.0.0.1"};
  });
  const app::PictureConversion real = app::RealPictureConversion();
  app::SetPictureConversion([real](std::string bytes, const std::string& watermark) {
    gConversionStartNs = NowNs();
    ++gConversionsBusy;
    std::string out = real(std::move(bytes), watermark);
    --gConversionsBusy;
    return out;
  });
}

// True once the worker of w is seen in the state (afterMs still to wait).
bool Reached(app::Window1& w, const State& s) {
  const std::string n = s.name;
  const bool onPage = w.Page == s.page + 1;
  const fw::Thread::State t = w.Thread1()->GetState();
  if (n == "name lookup") return gLookups > 0;
  if (n == "pause") return t == fw::Thread::State::Sleeping;
  if (n.rfind("64 MP", 0) == 0) return gConversionStartNs != 0;
  if (n == "20 MB extraction") return onPage;
  return onPage && t == fw::Thread::State::Waiting;  // a page, a picture, a handshake
}

void ResetWatch() {
  gLookups = 0;
  gConversionStartNs = 0;
}

// Fills the form and presses "Go" with the worker set to request the state's page.
void Go(app::Window1& w, const State& s, const std::string& folder) {
  w.TextField1()->SetText(s.url);
  w.TextField2()->SetText(folder);
  w.TextField3()->SetText("pic");
  w.TextField5()->SetText("0");
  w.Page = s.page;
  w.PushButton1()->Push();
}

// decodeMs: into the conversion where the decode surely runs; encodeMs: where
// the encode surely runs; extractMs: from the page request to the middle of
// its extraction.
std::vector<State> States(int port, int silentPort, int decodeMs, int encodeMs, int extractMs) {
  const std::string blog = "http://" + std::string(kHost) + ":" + std::to_string(port);
  return {
      {"page wait", blog, 0, 20},
      {"picture wait", blog, 1, 20},
      {"TLS handshake", "https://" + std::string(kHost) + ":" + std::to_string(silentPort), 0, 20},
      {"name lookup", "http://" + std::string(kSilentHost), 0, 20},
      {"64 MP decode (baseline)", blog, 3, decodeMs},
      {"64 MP decode (progressive)", blog, 4, decodeMs},
      {"64 MP encode (baseline)", blog, 3, encodeMs},
      {"20 MB extraction", blog, 5, extractMs},
      {"pause", blog, 6, 20},
  };
}

// --- the child: one quit, on the real program road ---

int QuitChild(const std::string& stateName, const std::vector<State>& states,
              const std::string& desktop) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  fw::SpecialFolder::SetDesktopForTests(desktop);
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/false));  // the pause lasts
  InstallStandIns();
  fw::SetMsgBoxHandler([](const std::string& text) {
    std::fprintf(stderr, "message box: %s\n", text.c_str());
    std::_Exit(3);
  });
  State state{};
  for (const State& s : states)
    if (stateName == s.name) state = s;
  app::SetStartupObserver([&](const std::string& step) {
    if (step != "_RuntimeRun") return;
    QTimer::singleShot(0, [&] {
      auto main = std::dynamic_pointer_cast<app::Window1>(fw::GetImplicitWindow("Window1.Window1"));
      if (!main) std::_Exit(4);
      Go(*main, state, "backup");
      auto* poll = new QTimer;
      auto seen = std::make_shared<int64_t>(0);
      std::weak_ptr<app::Window1> weak = main;
      QObject::connect(poll, &QTimer::timeout, [poll, weak, state, seen] {
        auto w = weak.lock();
        if (!w) return;
        if (*seen == 0 && Reached(*w, state)) *seen = NowNs();
        if (*seen == 0 || NowNs() - *seen < int64_t{state.afterMs} * 1000000) return;
        poll->stop();
        std::printf("%lld\n", static_cast<long long>(NowNs()));
        std::fflush(stdout);
        w->Widget()->close();
      });
      poll->start(1);
    });
  });
  char name[] = "snapharbor";
  char* argv[] = {name, nullptr};
  return app::RunProgram(1, argv);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 9 && std::strcmp(argv[1], "--quit-child") == 0)
    return QuitChild(argv[2],
                     States(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                            std::atoi(argv[6]), std::atoi(argv[7])),
                     argv[8]);
  const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  fw::RuntimeInit(argc, argv);

  char tmpl[] = "/tmp/bench_stop_latency-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const stdfs::path root = tmpl;
  fw::SpecialFolder::SetDesktopForTests((root / "Desktop").string());
  fw::SetClock(std::make_shared<fw::ManualClock>(/*autoAdvance=*/false));  // the pause lasts
  fw::SetMsgBoxHandler([](const std::string& text) {
    std::fprintf(stderr, "the form refused the run: %s\n", text.c_str());
    std::exit(1);
  });

  std::printf("making the 64-megapixel JPEGs and the 20 MB page...\n");
  std::fflush(stdout);
  std::string baseline, progressive;
  {
    const QImage big = PhotoLikeImage(kBigSide, kBigSide, 11);
    baseline = Jpeg(big, false);
    progressive = Jpeg(big, true);
  }
  const std::string bigPage = BigPage();

  testsupport::LoopbackServer server;
  SilentListener silent;
  const std::string blog = "http://" + std::string(kHost) + ":" + std::to_string(server.Port());
  server.Hold("/page/1");
  server.ServeFile("/page/2", "<img src=\"" + blog + "/hang.jpg\">");
  server.Hold("/hang.jpg");
  server.ServeFile("/page/4", "<img src=\"" + blog + "/big.jpg\">");
  server.ServeFile("/big.jpg", baseline);
  server.ServeFile("/page/5", "<img src=\"" + blog + "/bigp.jpg\">");
  server.ServeFile("/bigp.jpg", progressive);
  server.ServeFile("/page/6", bigPage);
  server.ServeFile("/page/7", "<p>nothing</p>");

  // Where to hit the conversion and the extraction, from their measured times.
  double convertMs = 1e18, extractMs = 1e18;
  for (int i = 0; i < 2; ++i) {
    auto t0 = SteadyClock::now();
    if (app::RealPictureConversion()(baseline, "").empty()) return 1;
    convertMs = std::min(convertMs, Ms(SteadyClock::now() - t0));
    t0 = SteadyClock::now();
    const fw::StringArray found = app::ExtractPicURLs(bigPage);
    extractMs = std::min(extractMs, Ms(SteadyClock::now() - t0));
    if (fw::Ubound(found) < 1000) return 1;
  }
  std::printf("64 MP JPEG: %zu bytes (progressive %zu); one decode+stamp+encode %.0f ms\n",
              baseline.size(), progressive.size(), convertMs);
  std::printf("20 MB page: extraction %.0f ms\n", extractMs);
  const int decodeAt = static_cast<int>(convertMs * 0.15),
            encodeAt = static_cast<int>(convertMs * 0.85);
  const int extractAt = 15 + static_cast<int>(extractMs / 2);  // the page comes in some 15 ms
  InstallStandIns();
  const std::vector<State> states =
      States(server.Port(), silent.port, decodeAt, encodeAt, extractAt);

  // --- Stop, in this process ---
  std::map<std::string, std::vector<double>> stopMs;
  fw::Ref<app::Window1> w = app::Window1::Instance();
  fw::RuntimeLock& lock = fw::RuntimeLock::Instance();
  for (int r = 0; r < rounds; ++r) {
    for (const State& s : states) {
      ResetWatch();
      // A folder of its own: a picture saved just before a Stop must not
      // make the next state's picture an existing file that is skipped.
      Go(*w, s, "stop-" + std::to_string(r) + "-" + std::to_string(&s - states.data()));
      const auto deadline = SteadyClock::now() + std::chrono::seconds(30);
      lock.Release();  // the main thread idles, as its event loop does
      bool there = false;
      while (!(there = Reached(*w, s)) && SteadyClock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      std::this_thread::sleep_for(std::chrono::milliseconds(s.afterMs));
      const auto t0 = SteadyClock::now();
      lock.Acquire();
      w->PushButton2()->Push();
      const double ms = Ms(SteadyClock::now() - t0);
      if (!there || !w->PushButton1()->Enabled() || !w->TextField1()->Enabled() ||
          w->Thread1()->IsRunning()) {
        std::fprintf(stderr, "%s: the worker did not get there or the form stayed locked\n",
                     s.name);
        return 1;
      }
      stopMs[s.name].push_back(ms);
      // The next state starts on a quiet machine: a conversion let go
      // finishes first (a lookup that never answers is left to run).
      lock.Release();
      while (gConversionsBusy > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      lock.Acquire();
    }
  }
  w.reset();
  fw::ReleaseImplicitWindowList();
  fw::ReleaseWindowLists();

  // --- quitting, in child processes ---
  std::map<std::string, std::vector<double>> quitMs;
  int badQuits = 0;
  for (int r = 0; r < rounds; ++r) {
    for (const State& s : states) {
      const stdfs::path desktop = root / ("quit-" + std::to_string(r)) / "Desktop";
      stdfs::create_directories(desktop);
      int out[2];
      if (pipe(out) != 0) return 1;
      const pid_t pid = fork();
      if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        const std::string args[] = {std::to_string(server.Port()), std::to_string(silent.port),
                                    std::to_string(decodeAt), std::to_string(encodeAt),
                                    std::to_string(extractAt)};
        execl("/proc/self/exe", argv[0], "--quit-child", s.name, args[0].c_str(), args[1].c_str(),
              args[2].c_str(), args[3].c_str(), args[4].c_str(), desktop.c_str(),
              static_cast<char*>(nullptr));
        std::_Exit(127);
      }
      close(out[1]);
      std::string text;
      char buf[64];
      ssize_t n;
      while ((n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
      close(out[0]);
      int status = 0;
      waitpid(pid, &status, 0);
      const int64_t end = NowNs();
      const long long closedAt = std::atoll(text.c_str());
      int left = 0;
      if (stdfs::exists(desktop / "backup"))
        for (const auto& e : stdfs::directory_iterator(desktop / "backup")) left += e.exists();
      if (closedAt == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || left != 0) {
        std::fprintf(stderr,
                     "%s: quit went wrong (wait status %d, closed at %lld, files left %d)\n",
                     s.name, status, closedAt, left);
        ++badQuits;
        continue;
      }
      quitMs[s.name].push_back((end - closedAt) / 1e6);
    }
  }

  auto report = [&](const char* title, std::map<std::string, std::vector<double>>& ms,
                    double target) {
    std::printf("\n%s (%d rounds; peer: \"page wait\" of the same round)\n", title, rounds);
    std::printf("%-28s %10s %10s   %s\n", "state", "median", "max",
                "ratio to peer: median (min-max)");
    bool met = true;
    const std::vector<double>& peer = ms["page wait"];
    for (const State& s : states) {
      const std::vector<double>& v = ms[s.name];
      if (v.empty() || peer.size() != v.size()) {
        std::printf("%-28s incomplete figures\n", s.name);
        met = false;
        continue;
      }
      PairedRatios pr;
      for (size_t i = 0; i < v.size(); ++i) pr.Add(v[i], peer[i]);
      const double mx = *std::max_element(v.begin(), v.end());
      met = met && mx < target;
      std::printf("%-28s %7.2f ms %7.2f ms   %s\n", s.name, PairedRatios::Median(v), mx,
                  pr.RatioText().c_str());
    }
    std::printf("target: max under %.0f ms in every state: %s\n", target, met ? "met" : "MISSED");
    return met;
  };
  const bool stopMet =
      report("Stop until it returns with the form unlocked", stopMs, kStopTargetMs);
  const bool quitMet = report("Close box until the process has exited (status 0, no file left)",
                              quitMs, kQuitTargetMs);
  std::fflush(stdout);

  stdfs::remove_all(root);
  // A lookup of this process still hangs: the runtime's end ends the process.
  const bool ok = stopMet && quitMet && badQuits == 0;
  fw::Quit(ok ? 0 : 1);
  return fw::RuntimeExit();
}
