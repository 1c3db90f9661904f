// Peak memory of the whole program on one huge blog page: the program runs as
// main.cpp runs it, the form is filled and "Go" pressed through its controls,
// and page 1 is a page of the given size sent without Content-Length (the
// body cap keeps 512 MiB of it). The server is a child process that makes the
// page as it sends it, so its bytes never count against ours. Prints the
// peak resident size before "Go" (the idle program) and at the end, and how
// long the page cycle took until page 2 was asked for.
//
// Usage: bench_page_memory [megabytes, default 600]
// (or run it under /usr/bin/time -v for the system's own figure)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Startup.h"
#include "framework/net/NameResolver.h"
#include "framework/ui/Runtime.h"
#include "framework/files/SpecialFolder.h"
#include "framework/ui/Window.h"
#include "main_window/Window1.h"

namespace {

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The server, in the child: "/page/1" is `bytes` of blog markup and then the
// close; any other request is held open, and "/page/2" is reported on `tell`.
[[noreturn]] void Serve(int listenFd, size_t bytes, int tell) {
  std::string chunk;
  for (int i = 0; chunk.size() < (1u << 20); ++i) {
    chunk += "<div class=\"post\"><p>Words of post " + std::to_string(i) +
             ", and some more of them.</p>";
    if (i % 50 == 0) chunk += "<img class=\"photo\" src=\"/pics/" + std::to_string(i) + ".png\">";
    chunk += "</div>\n";
  }
  for (;;) {
    const int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0) continue;
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) break;
      head.append(buf, static_cast<size_t>(n));
    }
    if (head.rfind("GET /page/1 ", 0) == 0) {
      const std::string status = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
      (void)!write(fd, status.data(), status.size());
      for (size_t sent = 0; sent < bytes;) {
        const ssize_t n = write(fd, chunk.data(), std::min(chunk.size(), bytes - sent));
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      close(fd);
    } else if (head.rfind("GET /page/2 ", 0) == 0) {
      (void)!write(tell, "2", 1);
    }
    // Other connections stay open: the client ends them.
  }
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 600;
  const size_t bytes = megabytes << 20;

  const int listenFd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd, 16) != 0 ||
      getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    std::perror("listen");
    return 1;
  }
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  const pid_t server = fork();
  if (server == 0) {
    signal(SIGPIPE, SIG_IGN);
    Serve(listenFd, bytes, pipeFds[1]);
  }
  close(listenFd);

  const std::filesystem::path desktop =
      std::filesystem::temp_directory_path() / ("page_memory-" + std::to_string(getpid()));
  std::filesystem::create_directories(desktop);
  fw::SpecialFolder::SetDesktopForTests(desktop.string());
  fw::NameResolver::SetFunction([](const std::string&) { return std::vector<std::string>{"127.0.0.1"}; });
  const std::string blog = "http://mem.tumblr.example:" + std::to_string(ntohs(addr.sin_port));

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
          cycleMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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
  std::printf("page: %zu MB without Content-Length; page 2 asked for: %s after %.0f ms\n", megabytes,
              reached ? "yes" : "NO", cycleMs);
  std::printf("peak RSS: idle program %.0f MB, whole run %.0f MB (exit status %d)\n",
              idleKiB / 1024.0, PeakKiB() / 1024.0, status);
  return reached && status == 0 ? 0 : 1;
}
