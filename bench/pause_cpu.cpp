// The CPU time the download worker spends in its 10 s pause after a page,
// with the real clock: the worker thread's own CPU clock and the whole
// process's getrusage over the pause (started once the worker sleeps, read
// just before the pause ends), against the peer `sleep 10`, whose CPU time
// (getrusage of the children) is taken over the same 10 s in the same run.
// Target: under 10 ms for the pause.
//
// Usage: bench_pause_cpu
#include <pthread.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "bench/PathServer.h"
#include "framework/runtime/RuntimeLock.h"
#include "framework/files/SpecialFolder.h"
#include "framework/runtime/Thread.h"
#include "main_window/DownloadWorker.h"
#include "main_window/MainWindowProperties.h"

extern char** environ;

namespace {

namespace stdfs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr int kPauseMs = 10000;
// The pause is measured from the worker's falling asleep to this much before its end.
constexpr int kMeasuredMs = kPauseMs - 100;

double Ms(const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; }
double UsageMs(int who) {
  rusage u{};
  getrusage(who, &u);
  return Ms(u.ru_utime) + Ms(u.ru_stime);
}
double ThreadCpuMs(pthread_t thread) {
  clockid_t id;
  timespec ts{};
  if (pthread_getcpuclockid(thread, &id) != 0 || clock_gettime(id, &ts) != 0) return -1;
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  fw::RuntimeLock::Instance().Acquire();

  char tmpl[] = "/tmp/bench_pause_cpu-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const stdfs::path dir = tmpl;
  fw::SpecialFolder::SetDesktopForTests((dir / "Desktop").string());

  PathServer server;
  server.Serve("/page/1", "<html><body><p>no pictures on this page</p></body></html>");
  server.Hold("/page/2");

  app::MainWindowProperties props;
  props.url = server.Url();
  props.folder = "out";
  props.picturename = "pic";
  std::atomic<bool> haveId{false};
  pthread_t workerId{};
  auto thread = std::make_shared<fw::Thread>();
  thread->SetRunHandler([&](fw::Thread& t) {
    workerId = pthread_self();
    haveId = true;
    app::RunDownloadWorker(props, t);
  });
  thread->Run();

  double ourThreadMs = 0, ourProcessMs = 0, peerMs = 0, pauseMs = 0;
  {
    fw::RuntimeLock::Unlocked unlocked;
    while (!haveId || thread->GetState() != fw::Thread::State::Sleeping)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    const auto asleep = SteadyClock::now();
    const double thread0 = ThreadCpuMs(workerId);
    const double process0 = UsageMs(RUSAGE_SELF);

    const char* peerArgv[] = {"sleep", "10", nullptr};
    pid_t peer;
    if (posix_spawnp(&peer, "sleep", nullptr, nullptr, const_cast<char**>(peerArgv), environ) != 0) {
      std::fprintf(stderr, "cannot start the peer\n");
      return 1;
    }
    std::this_thread::sleep_until(asleep + std::chrono::milliseconds(kMeasuredMs));
    ourThreadMs = ThreadCpuMs(workerId) - thread0;
    ourProcessMs = UsageMs(RUSAGE_SELF) - process0;
    const auto woke = server.WaitForHeld(1);
    pauseMs = std::chrono::duration<double, std::milli>(woke - asleep).count();
    int status = 0;
    waitpid(peer, &status, 0);
    peerMs = UsageMs(RUSAGE_CHILDREN);
  }
  thread->Suspend();
  thread->Kill();

  std::printf("CPU time during the worker's 10 s pause (%.1f s of it measured; the next page came %.0f ms after it fell asleep)\n",
              kMeasuredMs / 1000.0, pauseMs);
  std::printf("%-40s %10.3f ms\n", "ours, worker thread", ourThreadMs);
  std::printf("%-40s %10.3f ms\n", "ours, whole process", ourProcessMs);
  std::printf("%-40s %10.3f ms\n", "peer (sleep 10)", peerMs);
  std::printf("ratio ours (worker thread)/peer: %.2f   target: under 10 ms\n",
              peerMs > 0 ? ourThreadMs / peerMs : 0.0);

  fw::SpecialFolder::SetDesktopForTests("");
  stdfs::remove_all(dir);
  return 0;
}
