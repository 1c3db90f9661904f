#pragma once
// A blog on the loopback address for tests: numbered pages "/page/N" whose img
// tags point at pictures on the same server, the pictures being real small
// JPEGs. While it lives its host name resolves to 127.0.0.1 (numeric
// addresses and "localhost" too; every other name does not resolve, so
// nothing leaves the machine), and in TLS mode the test certificate
// authority is trusted.
//
//   testsupport::FixtureBlog blog;
//   blog.AddPicture("/pics/a.jpg");
//   blog.SetPage(1, {blog.Address("/pics/a.jpg"), blog.Address("/pics/b.png")});
//   blog.HoldPage(2);                  // a worker asking for page 2 stands there
//   props.url = blog.BlogUrl();        // "http://fixtureblog.tumblr.example:<port>"
//   blog.WaitForRequest("/page/2");
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/LoopbackServer.h"

namespace testsupport {

class FixtureBlog {
 public:
  static constexpr char kHost[] = "fixtureblog.tumblr.example";

  // In TLS mode the host should be one the test certificate is made out to
  // (TestCertificates::ServerNames()).
  explicit FixtureBlog(LoopbackServer::Mode mode = LoopbackServer::Mode::Plain,
                       std::string host = kHost);
  // Puts the system name lookup (and the system's trusted certificates) back.
  ~FixtureBlog();
  FixtureBlog(const FixtureBlog&) = delete;
  FixtureBlog& operator=(const FixtureBlog&) = delete;

  // The blog address as "Go" leaves it: scheme, "//", host and port, no path.
  std::string BlogUrl() const;
  // The address of path on the blog's server: BlogUrl() + path.
  std::string Address(const std::string& path) const;

  // Page n: an HTML page with an img tag for each src value, in this order,
  // among other markup; served with a Content-Length.
  void SetPage(int32_t n, const std::vector<std::string>& srcs);
  // Page n's body exactly as given.
  void SetPageHtml(int32_t n, const std::string& html);
  // Page n never answers: a request for it waits until the client gives up.
  void HoldPage(int32_t n);
  // Serves a JPEG of width x height pixels in the colour 0xRRGGBB at path and
  // returns its bytes.
  std::string AddPicture(const std::string& path, int width = 24, int height = 16,
                         uint32_t rgb = 0x3366CC);
  // Any reply at path. Paths that were given nothing get a 404 with no body.
  void SetReply(const std::string& path, LoopbackServer::Reply reply);

  LoopbackServer& Server() { return server_; }
  // The request targets received, in order of arrival: "/page/1", "/pics/a.jpg" ...
  std::vector<std::string> RequestPaths() const;
  // Waits up to timeoutMs of real time (runtime lock given up) until a
  // request for path has arrived; false when none has.
  bool WaitForRequest(const std::string& path, int timeoutMs = 5000) const;

  // The HTML that SetPage serves for these src values.
  static std::string PageHtml(const std::vector<std::string>& srcs);
  // A baseline JPEG of width x height pixels in one colour (quality 90).
  static std::string Jpeg(int width, int height, uint32_t rgb);

 private:
  std::string host_;
  LoopbackServer server_;
  bool tls_;
};

}  // namespace testsupport
