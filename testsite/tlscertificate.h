// A throw-away self-signed certificate for the https variant of the sample site.
#pragma once

#include <memory>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace xiuyun::testing {

// A fresh key and a certificate for "localhost" signed by that key, valid from an hour ago for a
// day. No client trusts it, which is what the tests want.
class TlsCertificate {
public:
    TlsCertificate();
    ~TlsCertificate();
    TlsCertificate(const TlsCertificate&) = delete;
    TlsCertificate& operator=(const TlsCertificate&) = delete;

    bool valid() const { return m_certificate && m_key; }
    X509* certificate() const { return m_certificate; }
    EVP_PKEY* key() const { return m_key; }

private:
    X509* m_certificate = nullptr;
    EVP_PKEY* m_key = nullptr;
};

} // namespace xiuyun::testing
