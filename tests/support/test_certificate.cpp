#include "tests/support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <fstream>
#include <memory>

namespace qf::test {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};

bool AddExtension(X509* cert, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (!ext) return false;
  bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

std::string ToPem(int (*write)(BIO*, void*), void* object) {
  BIO* bio = BIO_new(BIO_s_mem());
  std::string out;
  if (bio && write(bio, object) == 1) {
    char* data = nullptr;
    long size = BIO_get_mem_data(bio, &data);
    out.assign(data, static_cast<size_t>(size));
  }
  BIO_free(bio);
  return out;
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

TestCertificate MakeTestCertificate(const std::vector<std::string>& hostNames, const std::string& dir,
                                    const std::string& prefix) {
  TestCertificate result;
  EVP_PKEY* rawKey = EVP_EC_gen("P-256");
  if (!rawKey) return result;
  std::unique_ptr<EVP_PKEY, KeyFree> key(rawKey);
  std::unique_ptr<X509, CertFree> cert(X509_new());
  if (!cert) return result;
  X509_set_version(cert.get(), 2);
  static long serial = 1;
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++ + static_cast<long>(time(nullptr)));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  std::string common = hostNames.empty() ? "127.0.0.1" : hostNames[0];
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common.c_str()), -1, -1,
                             0);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Quillfen tests"), -1, -1,
                             0);
  X509_set_issuer_name(cert.get(), name);
  std::string san;
  for (const std::string& host : hostNames) san += "DNS:" + host + ",";
  san += "IP:127.0.0.1,IP:::1";
  bool ok = AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE") &&
            AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign") &&
            AddExtension(cert.get(), NID_ext_key_usage, "serverAuth") &&
            AddExtension(cert.get(), NID_subject_key_identifier, "hash") &&
            AddExtension(cert.get(), NID_subject_alt_name, san);
  if (!ok || X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) return result;

  result.certPem = ToPem([](BIO* b, void* o) { return PEM_write_bio_X509(b, static_cast<X509*>(o)); }, cert.get());
  result.keyPem = ToPem(
      [](BIO* b, void* o) {
        return PEM_write_bio_PrivateKey(b, static_cast<EVP_PKEY*>(o), nullptr, nullptr, 0, nullptr, nullptr);
      },
      key.get());
  result.certFile = dir + "/" + prefix + "cert.pem";
  result.keyFile = dir + "/" + prefix + "key.pem";
  result.ok = !result.certPem.empty() && !result.keyPem.empty() && WriteFile(result.certFile, result.certPem) &&
              WriteFile(result.keyFile, result.keyPem);
  return result;
}

}  // namespace qf::test
