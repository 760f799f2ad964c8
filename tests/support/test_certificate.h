// A self-signed certificate made at test time, for HTTPS test servers.
#pragma once

#include <string>
#include <vector>

namespace qf::test {

struct TestCertificate {
  std::string certFile;  // PEM; also usable as a trusted-CA file
  std::string keyFile;   // PEM private key
  std::string certPem;
  std::string keyPem;
  bool ok = false;
};

// Names every host in `hostNames` and 127.0.0.1 and ::1 as subject alternative
// names. Writes cert.pem and key.pem (prefixed with `prefix`) into `dir`.
TestCertificate MakeTestCertificate(const std::vector<std::string>& hostNames, const std::string& dir,
                                    const std::string& prefix = "");

}  // namespace qf::test
