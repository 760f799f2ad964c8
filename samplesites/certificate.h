// A self-signed certificate for local HTTPS servers.
#pragma once

#include <string>
#include <vector>

namespace qf::samplesites {

struct CertificateFiles {
  std::string certificatePath;  // PEM; also the CA file a client trusts
  std::string keyPath;          // PEM
};

// Writes cert.pem and key.pem into `directory` for a certificate naming every
// host (and 127.0.0.1) as a subject alternative name. False on any failure.
bool MakeSelfSignedCertificate(const std::vector<std::string>& hostNames, const std::string& directory,
                               CertificateFiles& out);

}  // namespace qf::samplesites
