#include "framework/net/TlsContext.h"

#include <openssl/ssl.h>

#include <memory>

namespace fw {

namespace {
struct CtxFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};

struct State {
  std::unique_ptr<SSL_CTX, CtxFree> ctx;
  bool tried = false;
  std::string extraCaFile;
};

State& TheState() {
  static State s;
  return s;
}

SSL_CTX* Make(const std::string& extraCaFile) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  // A server that ends a close-delimited body by closing without the TLS
  // goodbye is common; treat it as the end of the stream.
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_mode(ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  bool ok = SSL_CTX_set_default_verify_paths(ctx) == 1;
  if (ok && !extraCaFile.empty()) {
    ok = SSL_CTX_load_verify_locations(ctx, extraCaFile.c_str(), nullptr) == 1;
  }
  if (!ok) {
    SSL_CTX_free(ctx);
    return nullptr;
  }
  return ctx;
}
}  // namespace

ssl_ctx_st* TlsContext::Client() {
  State& s = TheState();
  if (!s.ctx && !s.tried) {
    s.tried = true;
    s.ctx.reset(Make(s.extraCaFile));
  }
  return s.ctx.get();
}

void TlsContext::SetExtraTrustedCaFile(const std::string& path) {
  State& s = TheState();
  // Connections under way hold their own reference to the old context.
  s.ctx.reset();
  s.tried = false;
  s.extraCaFile = path;
}

}  // namespace fw
