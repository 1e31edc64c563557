#include "testsite/tlscertificate.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace xiuyun::testing {

TlsCertificate::TlsCertificate() {
    // What EVP_EC_gen stands for, without the cast of its macro that drops the name's const.
    char curve[] = "P-256";
    m_key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", curve);
    X509* certificate = X509_new();
    if (!m_key || !certificate) {
        X509_free(certificate);
        return;
    }
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, m_key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    if (X509_sign(certificate, m_key, EVP_sha256()) == 0) {
        X509_free(certificate);
        return;
    }
    m_certificate = certificate;
}

TlsCertificate::~TlsCertificate() {
    X509_free(m_certificate);
    EVP_PKEY_free(m_key);
}

} // namespace xiuyun::testing
