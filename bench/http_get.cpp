// Times one HTTPSocket::Get of a 100 MiB body from a loopback server in this
// program, against curl (`curl --http1.0 -s -o /dev/null`) fetching the same
// address in the same run. curl throws the body away where ours keeps it in
// memory, so a second peer keeps it too: libcurl in this process, the body
// appended to a string as it comes, as a plain program would. curl's own start-up is measured in
// each run by fetching an empty body from the same server, and its median taken off, so neither
// side counts a process start. The body comes with a Content-Length, and once more without one
// (ended by the server's close). Ours and curl go in turns, the first side changing from run to
// run; the paired ratios are printed.
//
// Usage: bench_http_get [runs]
#include <curl/curl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/PairedRatios.h"
#include "framework/net/HTTPSocket.h"
#include "framework/runtime/RuntimeLock.h"
#include "tests/support/LoopbackServer.h"

extern char** environ;

namespace {

constexpr size_t kBodyBytes = size_t{100} << 20;

// The server's replies: the body to every request, with a Content-Length
// unless the path is /close; /empty gives no body and a length of 0. The
// server then ends its sending side and keeps the connection until the
// client closes it.
void ServeBody(testsupport::LoopbackServer& server, std::shared_ptr<const std::string> body) {
  using Step = testsupport::LoopbackServer::Step;
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
  const std::string length = "Content-Length: " + std::to_string(body->size()) + "\r\n";
  server.SetDefaultReply({Step::Send(head + length + "\r\n"), Step::Send(body), Step::Linger()});
  server.SetReply("/close", {Step::Send(head + "\r\n"), Step::Send(body), Step::Linger()});
  server.SetReply("/empty", {Step::Send(head + "Content-Length: 0\r\n\r\n"), Step::Linger()});
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double TimeGet(const std::string& url) {
  fw::HTTPSocket http;
  const auto start = std::chrono::steady_clock::now();
  const std::string body = http.Get(url, 30);
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (body.size() != kBodyBytes || http.ErrorCode() != 0) {
    std::fprintf(stderr, "Get gave %zu bytes, error %d\n", body.size(), http.ErrorCode());
    std::exit(1);
  }
  return s;
}

double TimeCurl(const std::string& url) {
  const char* argv[] = {"curl", "--http1.0", "-s", "-o", "/dev/null", url.c_str(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::fprintf(stderr, "cannot start curl\n");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "curl failed\n");
    std::exit(1);
  }
  return s;
}

size_t Append(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

double TimeLibcurl(CURL* curl, const std::string& url) {
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  const auto start = std::chrono::steady_clock::now();
  const CURLcode rc = curl_easy_perform(curl);
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (rc != CURLE_OK || body.size() != kBodyBytes) {
    std::fprintf(stderr, "libcurl gave %zu bytes (%d)\n", body.size(), int(rc));
    std::exit(1);
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
  // Run as the program's main thread does: holding the runtime lock.
  fw::RuntimeLock::Instance().Acquire();

  std::string body(kBodyBytes, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 131);
  testsupport::LoopbackServer server;
  ServeBody(server, std::make_shared<const std::string>(std::move(body)));
  const std::string base = server.Url("");
  curl_global_init(CURL_GLOBAL_DEFAULT);
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);

  for (const char* path : {"/big.jpg", "/close"}) {
    const std::string url = base + path;
    TimeGet(url);  // warm every side up once
    TimeCurl(url);
    TimeLibcurl(curl, url);
    // curl's start-up varies by a few milliseconds from one start to the next,
    // as much as a whole GET of ours differs: taking each run's own start-up
    // off its GET would make the ratios noise. The median of the start-ups,
    // measured in turns with the rest, is taken off every GET instead.
    std::vector<double> gets, curls, startups, libcurls;
    for (int i = 0; i < runs; ++i) {
      for (int side = 0; side < 4; ++side) {
        switch ((side + i) % 4) {
          case 0:
            gets.push_back(TimeGet(url));
            break;
          case 1:
            curls.push_back(TimeCurl(url));
            break;
          case 2:
            libcurls.push_back(TimeLibcurl(curl, url));
            break;
          default:
            startups.push_back(TimeCurl(base + "/empty"));
            break;
        }
      }
    }
    const double startup = PairedRatios::Median(startups);
    PairedRatios pr;
    for (int i = 0; i < runs; ++i) pr.Add(gets[i] * 1000, (curls[i] - startup) * 1000);
    std::printf("100 MiB %s (curl start-up, median %.1f ms, taken off)\n",
                path[1] == 'c' ? "ended by the server's close" : "with Content-Length",
                startup * 1000);
    pr.Print("  HTTPSocket::Get vs curl", "ms", 1.2);
    PairedRatios kept;
    for (int i = 0; i < runs; ++i) kept.Add(gets[i] * 1000, libcurls[i] * 1000);
    kept.Print("  vs libcurl keeping the body", "ms", 1.2);
  }
  curl_easy_cleanup(curl);
  curl_global_cleanup();
  return 0;
}
