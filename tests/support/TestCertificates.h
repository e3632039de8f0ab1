#pragma once
// Certificates for end-to-end tests of TLS: a test authority a test trusts by pointing SSL_CERT_FILE at
// Authority(), server certificates signed by it, and one signed by an authority nobody trusts. Made with
// the openssl command (scripts/install-deps.sh test installs it) in a private temporary folder.

#include <filesystem>

namespace testsupport {

class TestCertificates {
public:
    struct Pair {
        std::filesystem::path certificate;  // PEM
        std::filesystem::path key;          // PEM, unencrypted
    };

    // Made on first use and shared by the whole test binary; throws std::runtime_error with openssl's
    // output when a command fails.
    static const TestCertificates& Shared();

    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    const std::filesystem::path& Authority() const { return authority_; }  // the trusted CA (ca.pem)
    const Pair& Loopback() const { return loopback_; }       // IP:127.0.0.1 and DNS:localhost
    const Pair& OtherName() const { return otherName_; }     // DNS:other.example only
    const Pair& Untrusted() const { return untrusted_; }     // IP:127.0.0.1, from an untrusted CA
    // CN foo.example.test each; no subjectAltName, DNS:f*.example.test and DNS:*.example.test.
    const Pair& CommonNameOnly() const { return commonNameOnly_; }
    const Pair& PartialWildcard() const { return partialWildcard_; }
    const Pair& Wildcard() const { return wildcard_; }

private:
    TestCertificates();
    ~TestCertificates();  // removes the folder

    std::filesystem::path folder_;
    std::filesystem::path authority_;
    Pair loopback_;
    Pair otherName_;
    Pair untrusted_;
    Pair commonNameOnly_;
    Pair partialWildcard_;
    Pair wildcard_;
};

}  // namespace testsupport
