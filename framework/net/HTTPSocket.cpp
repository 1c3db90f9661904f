#include "framework/net/HTTPSocket.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "framework/runtime/Clock.h"
#include "framework/runtime/Int32.h"
#include "framework/runtime/Thread.h"
#include "framework/text/Text.h"

namespace fw {

namespace {

// Bytes asked of the socket at a time, and taken in one pass of the wait
// loop before the thread gives way again.
constexpr size_t kChunk = 256 * 1024;
constexpr size_t kPassLimit = 4 * kChunk;

// Asks for large pages under a big body buffer: filling 100 MiB through
// 4 KiB page faults costs more than receiving it.
void AdviseLargePages(std::string& buffer) {
  constexpr size_t kLarge = size_t{4} << 20;
  if (buffer.capacity() < kLarge) return;
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(buffer.data()) + page - 1) & ~(page - 1);
  const uintptr_t end =
      (reinterpret_cast<uintptr_t>(buffer.data()) + buffer.capacity()) & ~(page - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

int64_t& BodyCapSlot() {
  static int64_t cap = HTTPSocket::kDefaultBodyCap;
  return cap;
}

struct SplitAddress {
  bool tls = false;
  std::string serverPart;
  std::string host;
  std::string path;
  std::string portText;  // after the first ":" of the server part; "" when none
};

SplitAddress Split(const std::string& address) {
  SplitAddress a;
  std::string_view rest = address;
  const size_t scheme = rest.find("://");
  if (scheme != std::string_view::npos) {
    a.tls = StrEq(rest.substr(0, scheme), "https");
    rest.remove_prefix(scheme + 3);
  }
  const size_t slash = rest.find('/');
  a.serverPart = std::string(rest.substr(0, slash));
  a.path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
  const size_t colon = a.serverPart.find(':');
  a.host = a.serverPart.substr(0, colon);
  if (colon != std::string::npos) a.portText = a.serverPart.substr(colon + 1);
  return a;
}

// The number at the start of text (digits only); -1 when it starts with none.
int64_t LeadingNumber(std::string_view text) {
  int64_t n = -1;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    n = (n < 0 ? 0 : n) * 10 + (c - '0');
    if (n > (int64_t{1} << 53)) break;  // far past anything meaningful here
  }
  return n;
}

// True when text holds a control byte: one that would end or split a line of
// the request on the wire (CR, LF, NUL, ...).
bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

// Content-Length as a byte count; -1 when it is not a plain number.
int64_t ContentLength(std::string_view value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return -1;
  }
  return LeadingNumber(value);
}

}  // namespace

HTTPSocket::HTTPSocket() {
  requestHeaders_.SetHeader("Accept", "*/*");
  requestHeaders_.SetHeader("Accept-Language", "en");
  requestHeaders_.SetHeader("Content-length", "0");
}

void HTTPSocket::SetRequestHeader(std::string_view name, std::string_view value) {
  if (value.empty()) {
    requestHeaders_.Delete(name);
  } else {
    requestHeaders_.SetHeader(name, value);
  }
}

void HTTPSocket::SetBodyCap(int64_t bytes) { BodyCapSlot() = bytes > 0 ? bytes : kDefaultBodyCap; }

int64_t HTTPSocket::BodyCap() { return BodyCapSlot(); }

std::string HTTPSocket::Get(const std::string& address, int32_t timeoutSeconds) {
  // Nothing of an earlier request may leak into this one.
  body_ = std::string();
  bodyLength_ = 0;
  pending_.clear();
  responseHeaders_.Clear();
  statusCode_ = 0;
  errorCode_ = 0;
  complete_ = false;
  headerDone_ = false;
  contentLength_ = -1;
  closeDelimited_ = true;
  cap_ = BodyCap();
  scanned_ = 0;
  hasCrLf_ = hasLf_ = hasCr_ = false;
  crLfCrLf_ = lfLf_ = crCr_ = std::string::npos;

  const SplitAddress a = Split(address);
  if (HasControlByte(a.serverPart) || HasControlByte(a.path)) {
    // Sent as written they would put lines of the page's choosing on the wire.
    socket_.Close();
    errorCode_ = static_cast<int32_t>(HTTPError::ControlByteInAddress);
    return {};
  }
  int32_t port = DoubleToInt32(Val(a.portText));
  if (port == 0) port = a.tls ? kDefaultTlsPort : DefaultPort;

  // Close the connection however the wait ends, a kill included.
  struct Closer {
    TCPSocket& s;
    ~Closer() { s.Close(); }
  } closer{socket_};

  socket_.Connect(a.host, port, a.tls);

  Clock& clock = TheClock();
  const int64_t span = timeoutSeconds > 0 ? int64_t{timeoutSeconds} * 60 : 0;
  int64_t deadline = clock.Ticks() + span;
  bool lastConnected = false;
  size_t lastSize = 0;
  bool requestSent = false;

  auto sendOnceReady = [&] {
    if (!requestSent && socket_.IsReady()) {
      requestSent = true;
      SendRequest(a.serverPart, a.path);
    }
  };
  while (!complete_ && errorCode_ == 0) {
    sendOnceReady();
    int64_t waitMs = -1;
    if (span > 0) {
      // The first millisecond at which the tick count is past the deadline.
      const int64_t pastMs = ((deadline + 1) * 1000 + 59) / 60;
      waitMs = std::max<int64_t>(0, pastMs - clock.NowMs());
    }
    socket_.Poll(clock.RealWaitMs(waitMs));
    sendOnceReady();
    for (size_t taken = 0; !complete_ && socket_.IsReady() && taken < kPassLimit;) {
      const size_t n = ReadSome();
      if (n == 0) break;
      taken += n;
    }
    if (!complete_ && socket_.PeerClosed()) {
      // An announced body that the close cut short is no whole body.
      const bool cutShort =
          headerDone_ && !closeDelimited_ && static_cast<int64_t>(bodyLength_) < contentLength_;
      Finish(cutShort ? HTTPError::ShortBody : HTTPError::None);
    }
    if (!complete_ && socket_.LastErrorCode() != 0) {
      Finish(static_cast<HTTPError>(socket_.LastErrorCode()));
    }
    if (complete_) break;

    const bool connected = socket_.IsConnected();
    if (connected != lastConnected || bodyLength_ != lastSize) {
      lastConnected = connected;
      lastSize = bodyLength_;
      deadline = clock.Ticks() + span;
    }
    if (span > 0 && clock.Ticks() > deadline) {
      Finish(HTTPError::Timeout);
      break;
    }
    RuntimeBackgroundTask();
  }

  socket_.Close();
  body_.resize(bodyLength_);
  std::string result = std::move(body_);
  body_ = std::string();
  bodyLength_ = 0;
  return result;
}

void HTTPSocket::SendRequest(const std::string& serverPart, const std::string& path) {
  requestHeaders_.Delete("Content-length");
  requestHeaders_.SetHeader("Host", serverPart);
  std::string request = "GET " + path + " HTTP/1.0\r\n";
  for (int32_t i = 0; i < requestHeaders_.Count(); ++i) {
    request += requestHeaders_.Name(i);
    request += ": ";
    request += requestHeaders_.Value(i);
    request += "\r\n";
    RuntimeBackgroundTask();
  }
  request += "\r\n";
  socket_.Write(request);
}

size_t HTTPSocket::ReadSome() {
  const size_t cap = static_cast<size_t>(cap_);
  if (!headerDone_) {
    // The header block has a limit of its own, well below the body's.
    const size_t limit = std::min(kHeaderCap, cap);
    scratch_.resize(kChunk);
    const size_t n = socket_.Read(scratch_.data(), std::min(kChunk, limit - pending_.size()));
    if (n > 0) {
      pending_.append(scratch_.data(), n);
      ScanForHeaderEnd();
    }
    if (!headerDone_ && pending_.size() >= limit) {
      Finish(limit < kHeaderCap ? HTTPError::BodyTooLarge : HTTPError::HeaderTooLarge);
      return 0;
    }
    return n;
  }
  size_t want = std::min(kChunk, cap - bodyLength_);
  if (!closeDelimited_) {
    want = std::min<size_t>(want, static_cast<size_t>(contentLength_) - bodyLength_);
  }
  const size_t n = socket_.Read(BodyRoom(want), want);
  bodyLength_ += n;
  if (n > 0) CheckBodyEnd();
  return n;
}

// Room for `bytes` more body bytes, straight behind the body. The buffer
// grows fourfold (or to the announced length at once) and is cleared
// a chunk at a time, just ahead of the bytes that fill it. A growth that
// would pass half the cap goes to the cap at once: the old buffer and its
// copy then never hold more than the cap together, so a body at the cap
// costs the cap and no more (not the cap plus a last copy of nearly as much).
char* HTTPSocket::BodyRoom(size_t bytes) {
  const size_t need = bodyLength_ + bytes;
  if (body_.size() < need) {
    if (body_.capacity() < need) {
      const size_t cap = static_cast<size_t>(cap_);
      size_t room = std::max(need, std::min(body_.capacity() * 4, cap));
      if (room > cap / 2) room = std::max(need, cap);
      // A new buffer gets its page advice before the body is copied into it.
      std::string bigger;
      bigger.reserve(room);
      AdviseLargePages(bigger);
      bigger.assign(body_.data(), bodyLength_);
      body_.swap(bigger);
    }
    body_.resize(std::min(body_.capacity(), std::max(need, body_.size() + kChunk)));
  }
  return body_.data() + bodyLength_;
}

void HTTPSocket::ScanForHeaderEnd() {
  const std::string_view p = pending_;
  auto findFrom = [&](std::string_view what, size_t& pos) {
    if (pos != std::string::npos) return;
    const size_t start = scanned_ >= what.size() - 1 ? scanned_ - (what.size() - 1) : 0;
    pos = p.find(what, start);
  };
  if (!hasCrLf_) hasCrLf_ = p.find("\r\n", scanned_ > 0 ? scanned_ - 1 : 0) != std::string::npos;
  if (!hasLf_) hasLf_ = p.find('\n', scanned_) != std::string::npos;
  if (!hasCr_) hasCr_ = p.find('\r', scanned_) != std::string::npos;
  findFrom("\r\n\r\n", crLfCrLf_);
  findFrom("\n\n", lfLf_);
  findFrom("\r\r", crCr_);
  scanned_ = p.size();

  // The line end the bytes use, then the fallbacks in their order.
  struct Candidate {
    size_t pos;
    size_t length;
  };
  const Candidate crlf{crLfCrLf_, 4}, lf{lfLf_, 2}, cr{crCr_, 2};
  const Candidate own = hasCrLf_ ? crlf : hasLf_ ? lf : hasCr_ ? cr : crlf;
  const Candidate* found = nullptr;
  for (const Candidate* c : {&own, &lf, &crlf, &cr}) {
    if (c->pos != std::string::npos) {
      found = c;
      break;
    }
  }
  if (!found) return;

  headerDone_ = true;
  ParseHeaderBlock(p.substr(0, found->pos));
  std::string rest = pending_.substr(found->pos + found->length);
  pending_ = std::string();
  scratch_ = std::string();
  if (!closeDelimited_) {
    body_.reserve(static_cast<size_t>(std::min(contentLength_, cap_)));
    AdviseLargePages(body_);
  }
  TakeBody(rest);
}

void HTTPSocket::ParseHeaderBlock(std::string_view block) {
  // Split into lines at CR LF, LF or CR; a line end followed by blanks
  // continues the line (folding), the whole fold becoming one space.
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < block.size();) {
    const char c = block[i];
    if (c != '\r' && c != '\n') {
      lines.back() += c;
      ++i;
      continue;
    }
    i += (c == '\r' && i + 1 < block.size() && block[i + 1] == '\n') ? 2 : 1;
    if (i < block.size() && (block[i] == ' ' || block[i] == '\t')) {
      while (i < block.size() && (block[i] == ' ' || block[i] == '\t')) ++i;
      lines.back() += ' ';
    } else {
      lines.emplace_back();
    }
  }

  const StringArray fields = fw::Split(lines[0], " ");
  if (fields.size() > 1) {
    const int64_t code = LeadingNumber(fields[1]);
    statusCode_ = code < 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(code, INT32_MAX));
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      const size_t value = line.find_first_not_of(" \t", colon + 1);
      responseHeaders_.AppendHeader(line.substr(0, colon),
                                    value == std::string::npos ? "" : line.substr(value));
    }
    RuntimeBackgroundTask();
  }

  contentLength_ = responseHeaders_.Has("Content-Length")
                       ? ContentLength(responseHeaders_.Value("Content-Length"))
                       : -1;
  // Without a length, and always for the authentication answers, the body
  // ends when the server closes.
  closeDelimited_ = contentLength_ <= 0 || statusCode_ == 401 || statusCode_ == 407;
}

void HTTPSocket::TakeBody(std::string_view bytes) {
  size_t take = std::min(bytes.size(), static_cast<size_t>(cap_) - bodyLength_);
  if (!closeDelimited_) {
    take = std::min<size_t>(take, static_cast<size_t>(contentLength_) - bodyLength_);
  }
  if (take == 0) return;
  std::memcpy(BodyRoom(take), bytes.data(), take);
  bodyLength_ += take;
  CheckBodyEnd();
}

void HTTPSocket::CheckBodyEnd() {
  if (!closeDelimited_ && static_cast<int64_t>(bodyLength_) >= contentLength_) {
    Finish(HTTPError::None);
  } else if (static_cast<int64_t>(bodyLength_) >= cap_) {
    Finish(HTTPError::BodyTooLarge);
  }
}

void HTTPSocket::Finish(HTTPError error) {
  complete_ = true;
  errorCode_ = static_cast<int32_t>(error);
  socket_.Close();
}

}  // namespace fw
