#pragma once
// Certificates made at run time for TLS tests on the loopback address: a
// certificate authority and a server certificate it signed, for the names in
// kServerNames and the address 127.0.0.1. Nothing is read from disk; the
// authority's certificate is also written to a temporary file so that a
// client can be told to trust it.
#include <string>
#include <vector>

namespace testsupport {

class TestCertificates {
 public:
  // The host names the server certificate is made out to.
  static const std::vector<std::string>& ServerNames();

  // The one set of the process, made on first use (EC P-256, a few ms).
  // Aborts the test program when OpenSSL cannot make it.
  static const TestCertificates& Shared();

  std::string caCertPem;
  std::string serverCertPem;  // leaf certificate, signed by the authority
  std::string serverKeyPem;
  std::string caCertFile;  // temporary file holding caCertPem
};

}  // namespace testsupport
