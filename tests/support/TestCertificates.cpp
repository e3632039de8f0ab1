#include "tests/support/TestCertificates.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/ServerProcess.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

// A configuration of its own, so the system's openssl.cnf adds no extensions of its own choosing.
constexpr const char* kConfiguration = R"([req]
distinguished_name = subject
prompt = no
[subject]
[authority]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[loopback]
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
[other_name]
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
subjectAltName = DNS:other.example
[common_name_only]
basicConstraints = CA:FALSE
[partial_wildcard]
subjectAltName = DNS:f*.example.test
[wildcard]
subjectAltName = DNS:*.example.test
)";

std::string Quoted(const std::string& argument) {
    std::string quoted = "'";
    for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void RunOpenssl(const std::vector<std::string>& arguments) {
    std::string commandLine = "openssl";
    for (const std::string& argument : arguments) commandLine += " " + Quoted(argument);
    FILE* pipe = ::popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) ThrowErrno("popen openssl");
    std::string output;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("TestCertificates: " + commandLine + " failed (is openssl installed? "
                                 "scripts/install-deps.sh test):\n" + output);
    }
}

// ECDSA P-256 keys take milliseconds, where RSA keys would take far longer.
// Signed by `signer` (certificate, key) with the extensions of `section`, or self-signed without one.
TestCertificates::Pair MakeCertificate(const fs::path& folder, const std::string& name,
                                       const std::string& commonName, const std::string& section,
                                       const TestCertificates::Pair* signer) {
    const TestCertificates::Pair made{folder / (name + ".pem"), folder / (name + ".key")};
    std::vector<std::string> arguments = {
        "req", "-x509", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-noenc",
        "-keyout", made.key.string(), "-out", made.certificate.string(), "-days", "30",
        "-subj", "/CN=" + commonName, "-config", (folder / "openssl.cnf").string(), "-extensions", section};
    if (signer != nullptr) {
        arguments.insert(arguments.end(), {"-CA", signer->certificate.string(), "-CAkey", signer->key.string()});
    }
    RunOpenssl(arguments);
    return made;
}

}  // namespace

const TestCertificates& TestCertificates::Shared() {
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates() {
    std::string pattern = (fs::temp_directory_path() / "quillonv-certificates-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp " + pattern);
    folder_ = pattern;
    try {
        std::ofstream(folder_ / "openssl.cnf") << kConfiguration;
        const Pair authority = MakeCertificate(folder_, "ca", "QuillonV test CA", "authority", nullptr);
        const Pair stranger = MakeCertificate(folder_, "untrusted-ca", "QuillonV untrusted CA", "authority", nullptr);
        authority_ = authority.certificate;
        loopback_ = MakeCertificate(folder_, "loopback", "127.0.0.1", "loopback", &authority);
        otherName_ = MakeCertificate(folder_, "other-name", "other.example", "other_name", &authority);
        commonNameOnly_ = MakeCertificate(folder_, "cn-only", "foo.example.test", "common_name_only", &authority);
        partialWildcard_ = MakeCertificate(folder_, "partial-wildcard", "foo.example.test", "partial_wildcard",
                                           &authority);
        wildcard_ = MakeCertificate(folder_, "wildcard", "foo.example.test", "wildcard", &authority);
        untrusted_ = MakeCertificate(folder_, "untrusted", "127.0.0.1", "loopback", &stranger);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        throw;
    }
}

TestCertificates::~TestCertificates() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

}  // namespace testsupport
