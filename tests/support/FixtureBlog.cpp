#include "tests/support/FixtureBlog.h"

#include <arpa/inet.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "framework/net/NameResolver.h"
#include "framework/net/TlsContext.h"
#include "framework/text/Text.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/Waiting.h"

namespace testsupport {

namespace {

bool IsNumericAddress(const std::string& host) {
  unsigned char buf[16];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string PathOfPage(int32_t n) { return "/page/" + fw::Str(n); }

}  // namespace

FixtureBlog::FixtureBlog(LoopbackServer::Mode mode, std::string host)
    : host_(std::move(host)), server_(mode), tls_(mode == LoopbackServer::Mode::Tls) {
  fw::NameResolver::SetFunction([blogHost = host_](const std::string& name) {
    if (fw::StrEq(name, blogHost) || fw::StrEq(name, "localhost"))
      return std::vector<std::string>{"127.0.0.1"};
    if (IsNumericAddress(name)) return std::vector<std::string>{name};
    return std::vector<std::string>{};
  });
  if (tls_) fw::TlsContext::SetExtraTrustedCaFile(TestCertificates::Shared().caCertFile);
}

FixtureBlog::~FixtureBlog() {
  fw::NameResolver::SetFunction({});
  if (tls_) fw::TlsContext::SetExtraTrustedCaFile("");
}

std::string FixtureBlog::BlogUrl() const { return server_.Url("", host_); }

std::string FixtureBlog::Address(const std::string& path) const { return BlogUrl() + path; }

std::string FixtureBlog::PageHtml(const std::vector<std::string>& srcs) {
  std::string html =
      "<!DOCTYPE html>\n<html><head><title>fixture blog</title>\n"
      "<link rel=\"stylesheet\" href=\"/style.css\"></head>\n<body>\n"
      "<h1><a href=\"/\">fixture blog</a></h1>\n";
  int post = 0;
  for (const std::string& src : srcs) {
    ++post;
    html += "<div class=\"post\" id=\"post-" + std::to_string(post) + "\">\n";
    html += "  <a href=\"/post/" + std::to_string(post) + "\"><img class=\"photo\" src=\"" + src +
            "\" alt=\"photo " + std::to_string(post) + "\" width=\"500\"></a>\n";
    html += "  <p class=\"caption\">A caption &amp; some text.</p>\n</div>\n";
  }
  html += "<footer><a href=\"/page/2\">Next</a></footer>\n</body></html>\n";
  return html;
}

void FixtureBlog::SetPage(int32_t n, const std::vector<std::string>& srcs) {
  SetPageHtml(n, PageHtml(srcs));
}

void FixtureBlog::SetPageHtml(int32_t n, const std::string& html) {
  server_.SetReply(PathOfPage(n), LoopbackServer::Response(200, html));
}

void FixtureBlog::HoldPage(int32_t n) {
  server_.SetReply(PathOfPage(n), {LoopbackServer::Step::Hang()});
}

std::string FixtureBlog::Jpeg(int width, int height, uint32_t rgb) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(QRgb(0xFF000000u | rgb)));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "jpeg", 90)) {
    std::fprintf(stderr, "FixtureBlog: no JPEG encoder\n");
    std::abort();
  }
  return bytes.toStdString();
}

std::string FixtureBlog::AddPicture(const std::string& path, int width, int height, uint32_t rgb) {
  std::string jpeg = Jpeg(width, height, rgb);
  server_.SetReply(path, LoopbackServer::Response(200, jpeg));
  return jpeg;
}

void FixtureBlog::SetReply(const std::string& path, LoopbackServer::Reply reply) {
  server_.SetReply(path, std::move(reply));
}

std::vector<std::string> FixtureBlog::RequestPaths() const {
  std::vector<std::string> paths;
  for (const std::string& head : server_.Requests()) {
    const std::string line = head.substr(0, head.find_first_of("\r\n"));
    const fw::StringArray fields = fw::Split(line, " ");
    paths.push_back(fields.size() > 1 ? fields[1] : std::string());
  }
  return paths;
}

bool FixtureBlog::WaitForRequest(const std::string& path, int timeoutMs) const {
  return WaitUntil(
      [&] {
        for (const std::string& p : RequestPaths())
          if (p == path) return true;
        return false;
      },
      timeoutMs);
}

}  // namespace testsupport
