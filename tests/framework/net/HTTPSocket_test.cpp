#include "framework/net/HTTPSocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include "framework/net/NameResolver.h"
#include "framework/net/TCPSocket.h"
#include "framework/net/TlsContext.h"
#include "framework/runtime/Clock.h"
#include "framework/runtime/Thread.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/Waiting.h"

namespace {

using testsupport::LoopbackServer;
using testsupport::WaitUntil;
using Step = LoopbackServer::Step;

// Lets other threads run for ms of real time.
void RealPause(int ms) {
  WaitUntil([] { return false; }, ms);
}

std::string WithPort(std::string text, int port) {
  const std::string mark = "{port}";
  for (size_t at; (at = text.find(mark)) != std::string::npos;) {
    text.replace(at, mark.size(), std::to_string(port));
  }
  return text;
}

std::string RequestBytes(const std::string& path, const std::string& host) {
  return "GET " + path + " HTTP/1.0\r\nAccept: */*\r\nAccept-Language: en\r\nHost: " + host +
         "\r\n\r\n";
}

// A port on 127.0.0.1 that is bound but not listening, so connecting to it is refused.
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~RefusingPort() { close(fd_); }
  int port = 0;

 private:
  int fd_;
};

// One Get on a cooperative worker, so that the test's main thread can move
// the clock while it waits.
struct BackgroundGet {
  BackgroundGet(fw::HTTPSocket& http, std::string address, int32_t timeoutSeconds)
      : thread(std::make_shared<fw::Thread>()) {
    thread->SetRunHandler([this, &http, address, timeoutSeconds](fw::Thread&) {
      body = http.Get(address, timeoutSeconds);
      error = http.Error();
      done = true;
    });
    thread->Run();
  }
  ~BackgroundGet() { thread->Kill(); }
  bool Done(int withinMs) {
    return WaitUntil([this] { return done.load(); }, withinMs);
  }

  std::shared_ptr<fw::Thread> thread;
  std::string body;
  fw::HTTPError error = fw::HTTPError::None;
  std::atomic<bool> done{false};
};

class HTTPSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every name but nowhere.example is this machine.
    fw::NameResolver::SetFunction([this](const std::string& host) -> std::vector<std::string> {
      lookedUp.push_back(host);
      if (host == "nowhere.example") return {};
      if (host.find_first_not_of("0123456789.") == std::string::npos) return {host};
      return {"127.0.0.1"};
    });
  }
  void TearDown() override {
    fw::Thread::KillAll();
    fw::NameResolver::SetFunction(nullptr);
    fw::SetClock(nullptr);
    fw::HTTPSocket::SetBodyCap(0);
    fw::TlsContext::SetExtraTrustedCaFile("");
  }
  std::shared_ptr<fw::ManualClock> UseManualClock() {
    auto clock = std::make_shared<fw::ManualClock>();
    fw::SetClock(clock);
    return clock;
  }

  std::vector<std::string> lookedUp;
  LoopbackServer server;
  fw::HTTPSocket http;
};

// --- The request on the wire ------------------------------------------------

struct AddressCase {
  const char* name;
  const char* address;  // {port} stands for the server's port
  const char* path;
  const char* hostLine;
  const char* host;  // what is looked up
};
void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketAddressTest : public HTTPSocketTest,
                              public ::testing::WithParamInterface<AddressCase> {};

TEST_P(HTTPSocketAddressTest, SendsExactlyTheRequestForTheSplitAddress) {
  const AddressCase& c = GetParam();
  // Addresses without a port go to DefaultPort, here the server's.
  http.DefaultPort = server.Port();
  server.SetDefaultReply(LoopbackServer::Response(200, "page"));
  EXPECT_EQ(http.Get(WithPort(c.address, server.Port()), 5), "page");
  EXPECT_EQ(http.Error(), fw::HTTPError::None);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], RequestBytes(c.path, WithPort(c.hostLine, server.Port())));
  EXPECT_EQ(lookedUp, std::vector<std::string>{c.host});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketAddressTest,
    ::testing::Values(
        AddressCase{"port in the address", "http://myblog.tumblr.com:{port}/page/1", "/page/1",
                    "myblog.tumblr.com:{port}", "myblog.tumblr.com"},
        AddressCase{"no port: default port and bare host", "http://myblog.tumblr.com/page/2",
                    "/page/2", "myblog.tumblr.com", "myblog.tumblr.com"},
        AddressCase{"port 0: default port, Host as written", "http://myblog.tumblr.com:0/p", "/p",
                    "myblog.tumblr.com:0", "myblog.tumblr.com"},
        AddressCase{"no scheme", "myblog.tumblr.com:{port}/page/3", "/page/3",
                    "myblog.tumblr.com:{port}", "myblog.tumblr.com"},
        AddressCase{"no path", "http://myblog.tumblr.com:{port}", "/", "myblog.tumblr.com:{port}",
                    "myblog.tumblr.com"},
        AddressCase{"query and fragment sent unchanged",
                    "http://myblog.tumblr.com:{port}/a b/c?q=%20&x#frag", "/a b/c?q=%20&x#frag",
                    "myblog.tumblr.com:{port}", "myblog.tumblr.com"},
        AddressCase{"only the first :// counts, other schemes go plain",
                    "ftp://myblog.tumblr.com:{port}/x://y", "/x://y", "myblog.tumblr.com:{port}",
                    "myblog.tumblr.com"},
        AddressCase{"scheme and host in upper case", "HTTP://MyBlog.Tumblr.com:{port}",
                    "/", "MyBlog.Tumblr.com:{port}", "MyBlog.Tumblr.com"}));
// clang-format on

TEST_F(HTTPSocketTest, RequestHeadersKeepTheirOrderAndHostIsReplacedOnTheNextRequest) {
  fw::HTTPSocket fresh;
  ASSERT_EQ(fresh.RequestHeaders().Count(), 3);
  EXPECT_EQ(fresh.RequestHeaders().Name(2), "Content-length");
  EXPECT_EQ(fresh.RequestHeaders().Value(2), "0");
  EXPECT_EQ(fresh.DefaultPort, 80);

  http.SetRequestHeader("X-Extra", "1");
  http.Get(server.Url("/one", "a.example"), 5);
  http.SetRequestHeader("Accept-Language", "");
  http.Get(server.Url("/two", "b.example"), 5);
  const std::string port = std::to_string(server.Port());
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{
                "GET /one HTTP/1.0\r\nAccept: */*\r\nAccept-Language: en\r\nX-Extra: 1\r\n"
                "Host: a.example:" +
                    port + "\r\n\r\n",
                "GET /two HTTP/1.0\r\nAccept: */*\r\nX-Extra: 1\r\nHost: b.example:" + port +
                    "\r\n\r\n"}));
}

// --- Reading the response ---------------------------------------------------

struct ResponseCase {
  const char* name;
  LoopbackServer::Reply reply;
  std::string body;
  int32_t status;
  const char* header = nullptr;  // a response header to look at, and its value
  const char* value = nullptr;
};
void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

// Bytes that a decoding client would change: a chunk frame, a NUL, a byte over 0x7F.
const std::string kRawBody("4\r\n\0\xff\r\n\r\n", 9);

class HTTPSocketResponseTest : public HTTPSocketTest,
                               public ::testing::WithParamInterface<ResponseCase> {};

// The server keeps the connection open after most replies, so a client that
// missed the end of the response would run into the time-out (error -1).
TEST_P(HTTPSocketResponseTest, ReturnsTheBodyAsItCame) {
  const ResponseCase& c = GetParam();
  server.SetReply("/r", c.reply);
  EXPECT_EQ(http.Get(server.Url("/r"), 3), c.body);
  EXPECT_EQ(http.Error(), fw::HTTPError::None);
  EXPECT_EQ(http.HTTPStatusCode(), c.status);
  if (c.header) {
    EXPECT_EQ(http.ResponseHeaders().Value(c.header), c.value);
  }
  // One connection, no redirect followed, and the client has closed it.
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(lookedUp.size(), 1u);
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketResponseTest,
    ::testing::Values(
        ResponseCase{"Content-Length ends it without the close",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhel"), Step::Pause(30),
                      Step::Send("lo"), Step::Hang()},
                     "hello", 200, "Content-Length", "5"},
        ResponseCase{"bytes past Content-Length are not body",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nhello"), Step::Hang()},
                     "hel", 200},
        ResponseCase{"header names in any case",
                     {Step::Send("HTTP/1.0 200 OK\r\ncontent-LENGTH:  2\r\n\r\nok"), Step::Hang()},
                     "ok", 200, "Content-Length", "2"},
        ResponseCase{"close ends a body without length",
                     {Step::Send("HTTP/1.0 200 OK\r\n\r\nhello"), Step::Pause(30),
                      Step::Send(" world"), Step::Close()},
                     "hello world", 200},
        ResponseCase{"Content-Length 0 waits for the close",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"), Step::Pause(30),
                      Step::Send("late"), Step::Close()},
                     "late", 200},
        ResponseCase{"no body", LoopbackServer::Response(200, "", false), "", 200},
        ResponseCase{"closed inside the header block",
                     {Step::Send("HTTP/1.0 200 OK\r\nX: y"), Step::Close()}, "", 0},
        ResponseCase{"401 reads to the close despite Content-Length",
                     {Step::Send("HTTP/1.0 401 Unauthorized\r\nContent-Length: 2\r\n\r\nno"),
                      Step::Pause(30), Step::Send(" entry"), Step::Close()},
                     "no entry", 401},
        ResponseCase{"407 likewise",
                     {Step::Send("HTTP/1.0 407 Proxy Authentication Required\r\nContent-Length: 1"
                                 "\r\n\r\nx"),
                      Step::Pause(30), Step::Send("yz"), Step::Close()},
                     "xyz", 407},
        ResponseCase{"404 body handed on", LoopbackServer::Response(404, "<p>gone</p>"),
                     "<p>gone</p>", 404},
        ResponseCase{"301 body handed on, not followed",
                     {Step::Send("HTTP/1.0 301 Moved Permanently\r\nLocation: "
                                 "http://elsewhere.example/\r\nContent-Length: 5\r\n\r\nmoved"),
                      Step::Hang()},
                     "moved", 301, "Location", "http://elsewhere.example/"},
        ResponseCase{"LF line ends",
                     {Step::Send("HTTP/1.0 200 OK\nContent-Length: 2\n\nok"), Step::Hang()}, "ok",
                     200},
        ResponseCase{"CR line ends",
                     {Step::Send("HTTP/1.0 200 OK\rContent-Length: 2\r\rok"), Step::Hang()}, "ok",
                     200},
        ResponseCase{"LF LF ends a block of CR LF lines",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 2\n\nok"), Step::Hang()},
                     "ok", 200},
        ResponseCase{"double line end split over two sends",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r"), Step::Pause(30),
                      Step::Send("\nbody"), Step::Hang()},
                     "body", 200},
        ResponseCase{"folded lines join with one space",
                     {Step::Send("HTTP/1.0 200 OK\r\nX-Long: a\r\n  b\r\n\tc\r\nContent-Length: 2"
                                 "\r\n\r\nok"),
                      Step::Hang()},
                     "ok", 200, "X-Long", "a b c"},
        ResponseCase{"body bytes are not decoded",
                     {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n"
                                 "Transfer-Encoding: chunked\r\n\r\n" + kRawBody),
                      Step::Hang()},
                     kRawBody, 200}));
// clang-format on

// --- Time-out -----------------------------------------------------------------

TEST_F(HTTPSocketTest, SilenceMidBodyEndsTheRequestOnceTheTickCountIsPast1800) {
  auto clock = UseManualClock();
  server.SetReply("/pic.jpg",
                  {Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart"), Step::Hang()});
  BackgroundGet get(http, server.Url("/pic.jpg"), 30);
  ASSERT_TRUE(server.WaitForRequests(1));
  RealPause(150);
  clock->Advance(30000);  // tick 1800: at the deadline, not past it
  EXPECT_FALSE(get.Done(150));
  clock->Advance(17);  // tick 1801
  ASSERT_TRUE(get.Done(5000));
  EXPECT_EQ(get.body, "part");
  EXPECT_EQ(get.error, fw::HTTPError::Timeout);
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
}

struct LateBytesCase {
  const char* name;
  std::string first, late;  // sent at clock 0 and at clock 20 s
  bool restarts;
  std::string body;
};
void PrintTo(const LateBytesCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketLateBytesTest : public HTTPSocketTest,
                                public ::testing::WithParamInterface<LateBytesCase> {};

TEST_P(HTTPSocketLateBytesTest, OnlyBodyBytesMoveTheDeadline) {
  const LateBytesCase& c = GetParam();
  auto clock = UseManualClock();
  server.SetReply("/p", {Step::Send(c.first), Step::Pause(300), Step::Send(c.late), Step::Hang()});
  BackgroundGet get(http, server.Url("/p"), 30);
  ASSERT_TRUE(server.WaitForRequests(1));
  RealPause(100);
  clock->Advance(20000);
  RealPause(700);         // the late bytes arrive at 20 s
  clock->Advance(10017);  // past the first deadline
  if (c.restarts) {
    EXPECT_FALSE(get.Done(200));
    clock->Advance(20000);  // past 20 s + 30 s
  }
  ASSERT_TRUE(get.Done(5000));
  EXPECT_EQ(get.body, c.body);
  EXPECT_EQ(get.error, fw::HTTPError::Timeout);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketLateBytesTest,
    ::testing::Values(LateBytesCase{"body bytes restart it", "HTTP/1.0 200 OK\r\n\r\na", "b", true,
                                    "ab"},
                      LateBytesCase{"header bytes do not", "HTTP/1.0 200 OK\r\n", "X-Late: 1\r\n",
                                    false, ""}));
// clang-format on

TEST_F(HTTPSocketTest, WithoutTimeOutAStalledRequestWaitsUntilItsThreadIsKilled) {
  auto clock = UseManualClock();
  server.SetReply("/p", {Step::Send("HTTP/1.0 200 OK\r\n\r\npart"), Step::Hang()});
  BackgroundGet get(http, server.Url("/p"), 0);
  ASSERT_TRUE(server.WaitForRequests(1));
  RealPause(100);
  clock->Advance(3600 * 1000);
  EXPECT_FALSE(get.Done(200));

  const auto start = std::chrono::steady_clock::now();
  get.thread->Kill();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(get.thread->IsRunning());
  EXPECT_FALSE(get.done);
  // Unwinding closed the connection.
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
}

// --- No connection ------------------------------------------------------------

struct NoConnectionCase {
  const char* name;
  const char* address;  // {port} stands for a refusing port
  fw::HTTPError error;
};
void PrintTo(const NoConnectionCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketNoConnectionTest : public HTTPSocketTest,
                                   public ::testing::WithParamInterface<NoConnectionCase> {};

TEST_P(HTTPSocketNoConnectionTest, GivesNothingAndNotTheEarlierBody) {
  const NoConnectionCase& c = GetParam();
  RefusingPort refusing;
  server.SetReply("/earlier.jpg", LoopbackServer::Response(200, "earlier picture"));
  ASSERT_EQ(http.Get(server.Url("/earlier.jpg"), 5), "earlier picture");

  EXPECT_EQ(http.Get(WithPort(c.address, refusing.port), 5), "");
  EXPECT_EQ(http.Error(), c.error);
  EXPECT_EQ(http.HTTPStatusCode(), 0);
  EXPECT_EQ(http.ResponseHeaders().Count(), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketNoConnectionTest,
    ::testing::Values(
        NoConnectionCase{"refused", "http://127.0.0.1:{port}/x.jpg",
                         fw::HTTPError{ECONNREFUSED}},
        NoConnectionCase{"name does not resolve", "http://nowhere.example/x.jpg",
                         fw::HTTPError::NameNotResolved},
        NoConnectionCase{"relative address: empty host", "/media/x.jpg",
                         fw::HTTPError::NameNotResolved},
        NoConnectionCase{"port out of range", "http://myblog.tumblr.com:70000/x.jpg",
                         fw::HTTPError::InvalidPort}));
// clang-format on

// --- TLS ----------------------------------------------------------------------

struct TlsCase {
  const char* name;
  const char* host;
  bool trustTestAuthority;
  bool served;
};
void PrintTo(const TlsCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketTlsTest : public HTTPSocketTest, public ::testing::WithParamInterface<TlsCase> {
 protected:
  LoopbackServer tlsServer{LoopbackServer::Mode::Tls};
};

TEST_P(HTTPSocketTlsTest, HttpsGoesOverVerifiedTls) {
  const TlsCase& c = GetParam();
  if (c.trustTestAuthority) {
    fw::TlsContext::SetExtraTrustedCaFile(testsupport::TestCertificates::Shared().caCertFile);
  }
  tlsServer.SetReply("/secret", LoopbackServer::Response(200, "over tls"));
  const std::string body = http.Get(tlsServer.Url("/secret", c.host), 5);
  const std::string hostLine = std::string(c.host) + ":" + std::to_string(tlsServer.Port());
  if (c.served) {
    EXPECT_EQ(body, "over tls");
    EXPECT_EQ(http.Error(), fw::HTTPError::None);
    EXPECT_EQ(http.HTTPStatusCode(), 200);
    EXPECT_EQ(tlsServer.Requests(), std::vector<std::string>{RequestBytes("/secret", hostLine)});
  } else {
    EXPECT_EQ(body, "");
    EXPECT_EQ(http.Error(), fw::HTTPError::Tls);
    EXPECT_TRUE(tlsServer.Requests().empty());
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Https, HTTPSocketTlsTest,
    ::testing::Values(TlsCase{"trusted authority, matching name", "secure.example", true, true},
                      TlsCase{"trusted authority, matching address", "127.0.0.1", true, true},
                      TlsCase{"unknown authority", "secure.example", false, false},
                      TlsCase{"name not on the certificate", "other.example", true, false}));
// clang-format on

TEST_F(HTTPSocketTest, HttpsWithoutPortNeverFallsBackToPlainDefaultPort) {
  // A clear-text server on DefaultPort must not see the request.
  http.DefaultPort = server.Port();
  server.SetDefaultReply(LoopbackServer::Response(200, "clear text"));
  EXPECT_EQ(http.Get("https://secure.example/x", 3), "");
  EXPECT_NE(http.ErrorCode(), 0);
  EXPECT_TRUE(server.Requests().empty());
}

// --- Body size and cap --------------------------------------------------------

struct BodySizeCase {
  const char* name;
  int64_t cap;  // 0: the default cap
  bool withLength;
  size_t size;      // of the body sent
  size_t expected;  // of the body returned
  fw::HTTPError error;
};
void PrintTo(const BodySizeCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketBodySizeTest : public HTTPSocketTest,
                               public ::testing::WithParamInterface<BodySizeCase> {};

TEST_P(HTTPSocketBodySizeTest, TakesTheWholeBodyUpToTheCap) {
  const BodySizeCase& c = GetParam();
  fw::HTTPSocket::SetBodyCap(c.cap);
  std::string body(c.size, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i % 251);
  std::string head = "HTTP/1.0 200 OK\r\n";
  if (c.withLength) head += "Content-Length: " + std::to_string(c.size) + "\r\n";
  // Only a body that is meant to arrive whole and has no length is ended by the close.
  const bool close = !c.withLength && c.expected == c.size;
  server.SetReply("/big", {Step::Send(head + "\r\n" + body), close ? Step::Close() : Step::Hang()});

  const std::string got = http.Get(server.Url("/big"), 3);
  EXPECT_EQ(got.size(), c.expected);
  EXPECT_TRUE(got == body.substr(0, c.expected));
  EXPECT_EQ(http.Error(), c.error);
}

constexpr size_t kSmallCap = 64 * 1024;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketBodySizeTest,
    ::testing::Values(
        BodySizeCase{"close-delimited body past the cap", kSmallCap, false, 1 << 20, kSmallCap,
                     fw::HTTPError::BodyTooLarge},
        BodySizeCase{"announced body past the cap", kSmallCap, true, 1 << 20, kSmallCap,
                     fw::HTTPError::BodyTooLarge},
        BodySizeCase{"announced body of exactly the cap", kSmallCap, true, kSmallCap, kSmallCap,
                     fw::HTTPError::None},
        BodySizeCase{"large close-delimited body, many buffer growths", 0, false, 5 << 20, 5 << 20,
                     fw::HTTPError::None},
        BodySizeCase{"large announced body", 0, true, 5 << 20, 5 << 20, fw::HTTPError::None}));
// clang-format on

}  // namespace

namespace {

// --- Addresses that would put lines of their own on the wire -----------------

struct ControlByteCase {
  const char* name;
  std::string address;  // {port} stands for the server's port
};
void PrintTo(const ControlByteCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketControlByteTest : public HTTPSocketTest,
                                  public ::testing::WithParamInterface<ControlByteCase> {};

TEST_P(HTTPSocketControlByteTest, SendsNothingAndLooksNothingUp) {
  const ControlByteCase& c = GetParam();
  server.SetDefaultReply(LoopbackServer::Response(200, "page"));
  // Nothing of an earlier request shows in the answer.
  ASSERT_EQ(http.Get(server.Url("/earlier"), 5), "page");
  lookedUp.clear();

  EXPECT_EQ(http.Get(WithPort(c.address, server.Port()), 5), "");
  EXPECT_EQ(http.Error(), fw::HTTPError::ControlByteInAddress);
  EXPECT_EQ(http.HTTPStatusCode(), 0);
  EXPECT_EQ(http.ResponseHeaders().Count(), 0);
  EXPECT_TRUE(lookedUp.empty());
  RealPause(20);
  EXPECT_EQ(server.Connections(), 1) << "a connection was made";
  EXPECT_EQ(server.Requests().size(), 1u);

  // The client is not spoilt for the next, clean address.
  EXPECT_EQ(http.Get(server.Url("/next"), 5), "page");
  EXPECT_EQ(http.Error(), fw::HTTPError::None);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketControlByteTest,
    ::testing::Values(
        ControlByteCase{"CR LF in the path",
                        "http://127.0.0.1:{port}/p/ok/small.jpg\r\nX-Injected:yes\r\nX-Pad:.jpg"},
        ControlByteCase{"CR LF in the host part", "http://127.0.0.1:{port}\r\nX-Host-Injected:1/a.jpg"},
        ControlByteCase{"LF alone in the path", "http://127.0.0.1:{port}/a\nb.jpg"},
        ControlByteCase{"NUL in the path", std::string("http://127.0.0.1:{port}/a\0b.jpg", 31)},
        ControlByteCase{"tab in the host", "http://127.0.0.1\t:{port}/a.jpg"},
        ControlByteCase{"DEL in the path", "http://127.0.0.1:{port}/a\x7f.jpg"},
        ControlByteCase{"CR in the port", "http://127.0.0.1:{port}\r/a.jpg"}));
// clang-format on

TEST_F(HTTPSocketTest, SpacesAndHighBytesAreStillSentAsWritten) {
  server.SetDefaultReply(LoopbackServer::Response(200, "ok"));
  const std::string path = "/a b/\x80\xff\xc3\xa9~.jpg";
  EXPECT_EQ(http.Get(server.Url(path), 5), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], RequestBytes(path, "127.0.0.1:" + std::to_string(server.Port())));
}

// --- Servers that misbehave ---------------------------------------------------

struct HostileCase {
  const char* name;
  std::function<LoopbackServer::Reply()> reply;  // made when the test runs
  size_t bodySize;                               // of the result
  fw::HTTPError error;
};
void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HTTPSocketHostileTest : public HTTPSocketTest,
                              public ::testing::WithParamInterface<HostileCase> {};

// Each request ends by itself (no time-out), with the client's connection closed.
TEST_P(HTTPSocketHostileTest, EndsWithItsOwnErrorAndClosesTheConnection) {
  const HostileCase& c = GetParam();
  server.SetReply("/r", c.reply());
  const std::string body = http.Get(server.Url("/r"), 3);
  EXPECT_EQ(body.size(), c.bodySize);
  EXPECT_EQ(http.Error(), c.error);
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }));
}

std::string HeaderOf(size_t bytes) {
  // Lines of 1000 bytes: "X-Fill: xxx...\r\n", up to about `bytes`.
  std::string block = "HTTP/1.0 200 OK\r\n";
  const std::string line = "X-Fill: " + std::string(990, 'x') + "\r\n";
  while (block.size() + line.size() <= bytes) block += line;
  return block;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Http, HTTPSocketHostileTest,
    ::testing::Values(
        HostileCase{"close before Content-Length",
                    [] {
                      return LoopbackServer::Reply{
                          Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort"),
                          Step::Close()};
                    },
                    5, fw::HTTPError::ShortBody},
        HostileCase{"reset inside a body without length",
                    [] {
                      return LoopbackServer::Reply{Step::Send("HTTP/1.0 200 OK\r\n\r\npart"),
                                                   Step::Pause(50), Step::Reset()};
                    },
                    4, fw::HTTPError{ECONNRESET}},
        HostileCase{"reset inside an announced body",
                    [] {
                      return LoopbackServer::Reply{
                          Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\npart"),
                          Step::Pause(50), Step::Reset()};
                    },
                    4, fw::HTTPError{ECONNRESET}},
        HostileCase{"header block past 1 MiB, still coming",
                    [] {
                      return LoopbackServer::Reply{Step::Send(HeaderOf(3 << 20)), Step::Hang()};
                    },
                    0, fw::HTTPError::HeaderTooLarge},
        HostileCase{"header block past 1 MiB, then a body",
                    [] {
                      return LoopbackServer::Reply{
                          Step::Send(HeaderOf((1 << 20) + 2000) + "\r\nbody"), Step::Close()};
                    },
                    0, fw::HTTPError::HeaderTooLarge},
        HostileCase{"header block just under 1 MiB is taken",
                    [] {
                      return LoopbackServer::Reply{
                          Step::Send(HeaderOf((1 << 20) - 1100) + "Content-Length: 4\r\n\r\nbody"),
                          Step::Hang()};
                    },
                    4, fw::HTTPError::None}),
    [](const auto& info) { return "case" + std::to_string(info.index); });
// clang-format on

}  // namespace
