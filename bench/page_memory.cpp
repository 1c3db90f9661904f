// Peak memory of the whole program on one huge blog page: the program runs as
// main.cpp runs it, the form is filled and "Go" pressed through its controls,
// and page 1 is a page of the given size sent without Content-Length (the
// body cap keeps 512 MiB of it). The server is a child process that sends the
// page as one piece of markup over and over, so its bytes never count against
// ours. Prints the peak resident size before "Go" (the idle program) and at
// the end, and how long the page cycle took until page 2 was asked for.
//
// Usage: bench_page_memory [megabytes, default 600]
// (or run it under /usr/bin/time -v for the system's own figure)
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Startup.h"
#include "framework/files/SpecialFolder.h"
#include "framework/net/NameResolver.h"
#include "framework/ui/Runtime.h"
#include "framework/ui/Window.h"
#include "main_window/Window1.h"
#include "tests/support/LoopbackServer.h"

namespace {

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The server, in the child: "/page/1" is `bytes` of blog markup and then the
// close; any other request is held open. The port goes to `tell` first, and
// a "2" once "/page/2" has been asked for.
[[noreturn]] void Serve(size_t bytes, int tell) {
  using testsupport::LoopbackServer;
  auto chunk = std::make_shared<std::string>();
  for (int i = 0; chunk->size() < (1u << 20); ++i) {
    *chunk += "<div class=\"post\"><p>Words of post " + std::to_string(i) +
              ", and some more of them.</p>";
    if (i % 50 == 0) *chunk += "<img class=\"photo\" src=\"/pics/" + std::to_string(i) + ".png\">";
    *chunk += "</div>\n";
  }
  using Step = LoopbackServer::Step;
  LoopbackServer server;
  server.SetReply("/page/1", {Step::Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"),
                              Step::SendRepeated(std::move(chunk), bytes), Step::Close()});
  // Other connections stay open: the client ends them.
  server.SetDefaultReply({Step::Hang()});
  const uint16_t port = server.Port();
  (void)!write(tell, &port, sizeof port);
  server.WaitForRequest("/page/2", 1, /*timeoutMs=*/-1);
  (void)!write(tell, "2", 1);
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // no display needed
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 600;
  const size_t bytes = megabytes << 20;

  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  const pid_t server = fork();
  if (server == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // the server never outlives the bench
    signal(SIGPIPE, SIG_IGN);
    Serve(bytes, pipeFds[1]);
  }
  uint16_t port = 0;
  if (read(pipeFds[0], &port, sizeof port) != sizeof port) {
    std::fprintf(stderr, "the server did not start\n");
    return 1;
  }

  const std::filesystem::path desktop =
      std::filesystem::temp_directory_path() / ("page_memory-" + std::to_string(getpid()));
  std::filesystem::create_directories(desktop);
  fw::SpecialFolder::SetDesktopForTests(desktop.string());
  fw::NameResolver::SetFunction(
      [](const std::string&) { return std::vector<std::string>{"127.0.0.1"}; });
  const std::string blog = "http://mem.tumblr.example:" + std::to_string(port);

  long idleKiB = 0;
  double cycleMs = 0;
  bool reached = false;
  app::SetStartupObserver([&](const std::string& step) {
    if (step != "_RuntimeRun") return;
    QTimer::singleShot(200, [&] {
      auto w = std::dynamic_pointer_cast<app::Window1>(fw::GetImplicitWindow("Window1.Window1"));
      if (!w) {
        std::fprintf(stderr, "no main window\n");
        fw::Quit(2);
        return;
      }
      idleKiB = PeakKiB();
      const auto start = std::chrono::steady_clock::now();
      w->TextField1()->SetText(blog);
      w->TextField2()->SetText("backup");
      w->TextField3()->SetText("pic");
      w->TextField5()->SetText("0");
      w->PushButton1()->Push();
      w.reset();
      // Until the server reports the request for page 2 (or 10 minutes pass).
      QEventLoop wait;
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, [&] {
        pollfd p{pipeFds[0], POLLIN, 0};
        const bool asked = ::poll(&p, 1, 0) == 1;
        if (asked || std::chrono::steady_clock::now() - start > std::chrono::minutes(10)) {
          reached = asked;
          cycleMs =
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count();
          wait.quit();
        }
      });
      poll.start(10);
      wait.exec();
      fw::Quit(0);
    });
  });
  char name[] = "snapharbor";
  char* programArgv[] = {name, nullptr};
  const int status = app::RunProgram(1, programArgv);

  kill(server, SIGKILL);
  waitpid(server, nullptr, 0);
  std::filesystem::remove_all(desktop);
  std::printf("page: %zu MB without Content-Length; page 2 asked for: %s after %.0f ms\n",
              megabytes, reached ? "yes" : "NO", cycleMs);
  std::printf("peak RSS: idle program %.0f MB, whole run %.0f MB (exit status %d)\n",
              idleKiB / 1024.0, PeakKiB() / 1024.0, status);
  return reached && status == 0 ? 0 : 1;
}
