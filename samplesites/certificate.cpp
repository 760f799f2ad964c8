#include "samplesites/certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>

namespace qf::samplesites {
namespace {

struct Deleters {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(X509* p) const { X509_free(p); }
  void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
  void operator()(FILE* p) const { std::fclose(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Deleters>;

bool AddExtension(X509* cert, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  Owned<X509_EXTENSION> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
  return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

}  // namespace

bool MakeSelfSignedCertificate(const std::vector<std::string>& hostNames, const std::string& directory,
                               CertificateFiles& out) {
  Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
  Owned<X509> cert(X509_new());
  if (!key || !cert) return false;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Quillfen sample sites"),
                             -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);

  std::string alternativeNames = "IP:127.0.0.1";
  for (const std::string& host : hostNames) alternativeNames += ",DNS:" + host;
  // The certificate is its own authority, so a client can trust it as a CA file.
  if (!AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE") ||
      !AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign") ||
      !AddExtension(cert.get(), NID_subject_key_identifier, "hash") ||
      !AddExtension(cert.get(), NID_subject_alt_name, alternativeNames))
    return false;
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) return false;

  const std::string certPath = directory + "/cert.pem";
  const std::string keyPath = directory + "/key.pem";
  {
    Owned<FILE> file(std::fopen(certPath.c_str(), "wb"));
    if (!file || PEM_write_X509(file.get(), cert.get()) != 1) return false;
  }
  {
    Owned<FILE> file(std::fopen(keyPath.c_str(), "wb"));
    if (!file || PEM_write_PrivateKey(file.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) return false;
  }
  out = {certPath, keyPath};
  return true;
}

}  // namespace qf::samplesites
