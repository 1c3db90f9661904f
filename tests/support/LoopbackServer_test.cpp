// The loopback server's own promises that the benches lean on: the bytes of a
// reply as sent (shared bodies, repeated bytes), a lingering end, and the
// arrival times of requests.
#include "tests/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "tests/support/Waiting.h"

namespace {

using testsupport::LoopbackServer;
using testsupport::WaitUntil;
using Step = LoopbackServer::Step;

// A raw client: one connection, the request sent, the answer read up to the
// server's end of stream; the connection stays open until destroyed.
class RawClient {
 public:
  explicit RawClient(uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~RawClient() { close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  // Sends the request for path; false when it could not.
  bool Ask(const std::string& path) {
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    return connected_ &&
           send(fd_, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
  }

  // Asks for path and reads the answer up to the server's end of stream.
  std::string Get(const std::string& path) {
    if (!Ask(path)) return "(not sent)";
    std::string answer;
    char buf[65536];
    for (ssize_t n; (n = recv(fd_, buf, sizeof buf, 0)) > 0;) answer.append(buf, size_t(n));
    return answer;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

TEST(LoopbackServerTest, RepliesGoOutByteForByte) {
  LoopbackServer server;
  auto piece = std::make_shared<const std::string>("0123456789");
  server.SetReply("/repeated", {Step::Send("head|"), Step::SendRepeated(piece, 25), Step::Close()});
  server.SetReply("/shared", LoopbackServer::Response(200, piece));
  server.SetReply("/empty", {Step::SendRepeated(std::make_shared<const std::string>(), 100)});
  server.ServeFile("/file", "hello");

  EXPECT_EQ(RawClient(server.Port()).Get("/repeated"), "head|0123456789012345678901234");
  EXPECT_EQ(RawClient(server.Port()).Get("/shared"),
            "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
  EXPECT_EQ(RawClient(server.Port()).Get("/empty"), "");
  EXPECT_EQ(RawClient(server.Port()).Get("/file"),
            "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
  EXPECT_EQ(RawClient(server.Port()).Get("/other"),
            "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(server.RequestCount("/file"), 1u);
}

// A lingering reply ends the server's sending side (the client reads to the
// end) but keeps the connection until the client closes it; a closing one
// does not wait for the client.
TEST(LoopbackServerTest, LingerKeepsTheConnectionUntilTheClientCloses) {
  LoopbackServer server;
  using Ending = LoopbackServer::Ending;
  server.SetReply("/linger", LoopbackServer::Response(200, "body", true, Ending::Linger));
  server.SetReply("/close", LoopbackServer::Response(200, "body", true, Ending::Close));
  {
    RawClient client(server.Port());
    EXPECT_EQ(client.Get("/linger"), "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody");
    EXPECT_EQ(server.OpenConnections(), 1);
  }
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
  {
    RawClient client(server.Port());
    EXPECT_EQ(client.Get("/close"), "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody");
    EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
  }
}

TEST(LoopbackServerTest, WaitForRequestGivesTheArrivalOfTheCountedRequest) {
  LoopbackServer server;
  server.Hold("/held");
  const auto before = std::chrono::steady_clock::now();
  {
    RawClient client(server.Port());
    ASSERT_TRUE(client.Ask("/held"));
    const auto arrived = server.WaitForRequest("/held", 1);
    ASSERT_TRUE(arrived.has_value());
    EXPECT_GE(*arrived, before);
    EXPECT_LE(*arrived, std::chrono::steady_clock::now());
    EXPECT_FALSE(server.WaitForRequest("/held", 2, /*timeoutMs=*/20).has_value());
    EXPECT_FALSE(server.WaitForRequest("/other", 1, /*timeoutMs=*/20).has_value());
    EXPECT_EQ(server.RequestCount("/held"), 1u);
    EXPECT_EQ(server.OpenConnections(), 1);  // held: no answer, not closed
  }
  // The client's close ends the held connection.
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
}

}  // namespace
