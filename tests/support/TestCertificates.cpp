#include "tests/support/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace testsupport {

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
  void operator()(X509* x) const { X509_free(x); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "test certificates: %s failed\n", what);
    std::abort();
  }
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  Check(ext != nullptr, "extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

Cert MakeCert(EVP_PKEY* key, const char* commonName, long serial, X509* issuer,
              EVP_PKEY* issuerKey) {
  Cert cert(X509_new());
  Check(cert != nullptr, "X509_new");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
  if (!issuer) {
    AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    std::string names;
    for (const std::string& n : TestCertificates::ServerNames()) names += "DNS:" + n + ",";
    names += "IP:127.0.0.1";
    AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid");
    AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature");
    AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    AddExtension(cert.get(), signer, NID_subject_alt_name, names);
  }
  Check(X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0, "X509_sign");
  return cert;
}

std::string Pem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(n));
  BIO_free(bio);
  return pem;
}

std::string Pem(EVP_PKEY* key) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(n));
  BIO_free(bio);
  return pem;
}

// Removes the temporary file when the test program ends.
struct TempFile {
  std::string path;
  ~TempFile() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

}  // namespace

const std::vector<std::string>& TestCertificates::ServerNames() {
  static const std::vector<std::string> names{"localhost", "secure.example"};
  return names;
}

const TestCertificates& TestCertificates::Shared() {
  static TempFile file;
  static const TestCertificates certs = [] {
    Key caKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    Check(caKey && serverKey, "EVP_EC_gen");
    Cert ca = MakeCert(caKey.get(), "Loopback Test Authority", 1, nullptr, nullptr);
    Cert server = MakeCert(serverKey.get(), "localhost", 2, ca.get(), caKey.get());
    TestCertificates c;
    c.caCertPem = Pem(ca.get());
    c.serverCertPem = Pem(server.get());
    c.serverKeyPem = Pem(serverKey.get());
    char path[] = "/tmp/loopback-ca-XXXXXX";
    const int fd = ::mkstemp(path);
    Check(fd >= 0, "mkstemp");
    Check(::write(fd, c.caCertPem.data(), c.caCertPem.size()) ==
              static_cast<ssize_t>(c.caCertPem.size()),
          "write");
    ::close(fd);
    c.caCertFile = path;
    file.path = path;
    return c;
  }();
  return certs;
}

}  // namespace testsupport
