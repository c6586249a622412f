// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Certificates for TLS tests, made once per test program with the openssl command line
// in a private folder: a private authority that the tests trust, and server certificates
// signed by it (or by an authority nobody trusts). All share one key.
struct TTestCertificates {
    std::string Authority; // the trusted authority's certificate (for SSL_CERT_FILE)
    std::string Key;       // the key of every server certificate below
    std::string Server;    // localhost and 127.0.0.1
    std::string WrongName; // mail.example.test only
    std::string Expired;   // localhost and 127.0.0.1, no longer valid
    std::string Untrusted; // localhost and 127.0.0.1, signed by another authority
};

// Empty paths (and a gtest failure) when openssl could not make them.
const TTestCertificates& TestCertificates();

// The process trusts the test authority (SSL_CERT_FILE) while this lives.
class TTrustTestAuthority {
public:
    TTrustTestAuthority();
    ~TTrustTestAuthority();
    TTrustTestAuthority(const TTrustTestAuthority&) = delete;
    TTrustTestAuthority& operator=(const TTrustTestAuthority&) = delete;

private:
    std::string FPrevious;
    bool FHadPrevious = false;
};
