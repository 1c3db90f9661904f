#pragma once
// A small HTTP/1.0 client: one blocking GET at a time, over TCPSocket, in
// the clear or over TLS for "https://" addresses. While a request waits the
// calling cooperative thread gives way (and can be killed); the time-out is
// on silence, counted in ticks of the runtime clock.
//
//   fw::HTTPSocket http;
//   std::string page = http.Get("http://blog.example/page/1", 30);
//   // page is the body, whatever the status; http.ErrorCode() says why it may be short
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/net/InternetHeaders.h"
#include "framework/net/TCPSocket.h"

namespace fw {

class HTTPSocket {
 public:
  static constexpr int32_t kErrorTimeout = -1;
  // The body grew past BodyCap(); the result holds its first BodyCap() bytes.
  static constexpr int32_t kErrorBodyTooLarge = 1101;
  static constexpr int64_t kDefaultBodyCap = int64_t{512} << 20;
  static constexpr int32_t kDefaultTlsPort = 443;

  // Request headers "Accept: */*", "Accept-Language: en", "Content-length: 0".
  HTTPSocket();

  // The port of "http://" (and scheme-less) addresses that give none.
  int32_t DefaultPort = 80;

  // Sets a request header for the next requests; an empty value removes it.
  void SetRequestHeader(std::string_view name, std::string_view value);
  const InternetHeaders& RequestHeaders() const { return requestHeaders_; }

  // Fetches address and returns the body bytes as they came, whatever the
  // status code; "" when no body byte arrived (no connection, refused, ...).
  // Gives up after timeoutSeconds of silence (<= 0: never), returning what
  // arrived until then with ErrorCode -1. Follows no redirect. A yield
  // point; raises ThreadKilled when the calling thread is killed meanwhile.
  std::string Get(const std::string& address, int32_t timeoutSeconds);

  // The status code of the last response; 0 when no status line was read.
  int32_t HTTPStatusCode() const { return statusCode_; }
  // 0 when the last request ended well, -1 after a time-out, else a
  // TCPSocket error code (system errno value or TCPSocket::kError...) or
  // kErrorBodyTooLarge.
  int32_t ErrorCode() const { return errorCode_; }
  // The header lines of the last response, in their order; empty when none.
  const InternetHeaders& ResponseHeaders() const { return responseHeaders_; }

  // The largest body a request takes in; <= 0 puts kDefaultBodyCap back.
  static void SetBodyCap(int64_t bytes);
  static int64_t BodyCap();

 private:
  void SendRequest(const std::string& serverPart, const std::string& path);
  size_t ReadSome();
  char* BodyRoom(size_t bytes);
  void ScanForHeaderEnd();
  void ParseHeaderBlock(std::string_view block);
  void TakeBody(std::string_view bytes);
  void CheckBodyEnd();
  void Finish(int32_t errorCode);

  InternetHeaders requestHeaders_;
  InternetHeaders responseHeaders_;
  TCPSocket socket_;
  int32_t statusCode_ = 0;
  int32_t errorCode_ = 0;
  bool complete_ = false;

  // The body is body_'s first bodyLength_ bytes; the rest is room for what comes next.
  std::string body_;
  size_t bodyLength_ = 0;
  std::string pending_;  // response bytes while the header block is not complete
  std::string scratch_;  // where the bytes of the header block are read into
  bool headerDone_ = false;
  int64_t contentLength_ = -1;  // -1: not given
  bool closeDelimited_ = true;
  int64_t cap_ = kDefaultBodyCap;

  // What has been seen of pending_ so far, for finding the end of the header block.
  size_t scanned_ = 0;
  bool hasCrLf_ = false, hasLf_ = false, hasCr_ = false;
  size_t crLfCrLf_ = std::string::npos, lfLf_ = std::string::npos, crCr_ = std::string::npos;
};

}  // namespace fw
