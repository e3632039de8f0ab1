// A check of 1,000 messages over pop3s:// against the plain check of the same mailbox on one private Dovecot,
// side by side in one run: the TLS check is to take at most 1.3 times as long. Python's poplib doing the same
// summaries (POP3_SSL, and POP3 for the plain row) is measured in the same rounds, as the outside yardstick.
// Dovecot starts first and may use every CPU; this process and the Python clients then keep to one.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CheckRig.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/TestCertificates.h"

namespace {

constexpr int kMessages = 1000;
constexpr int kRounds = 5;

using namespace benchrig;

// Seconds of one poplib run, as the script measures it around its own exchange.
double PoplibMilliseconds(const std::string& port, const std::string& tlsArguments) {
    const std::string command = std::string("/usr/bin/python3 ") + QUILLONV_POPLIB_SCRIPT + " 127.0.0.1 " + port +
                                " taro secret " + tlsArguments;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    double seconds = 0;
    int messages = 0;
    if (!pipe || std::fscanf(pipe.get(), "%lf %d", &seconds, &messages) != 2 || messages != kMessages) {
        throw std::runtime_error("poplib did not fetch every summary: " + command);
    }
    return seconds * 1000.0;
}

std::string PortOf(const std::string& address) {
    return address.substr(address.rfind(':') + 1);
}

// cpuMs: this process's own share, where it is the one measured.
void PrintRow(const char* name, double milliseconds, double plainCheck, double cpuMs = -1) {
    std::printf("%-26s %7.1f ms  %6.1f us/message  %5.2fx the plain check", name, milliseconds,
                milliseconds * 1000.0 / kMessages, milliseconds / plainCheck);
    if (cpuMs >= 0) std::printf("  (own CPU %.1f ms)", cpuMs);
    std::printf("\n");
}

double Least(const std::vector<double>& values) {
    double least = values.front();
    for (const double value : values) least = std::min(least, value);
    return least;
}

}  // namespace

int main() {
    try {
        const testsupport::TestCertificates& certificates = testsupport::TestCertificates::Shared();
        setenv("SSL_CERT_FILE", certificates.Authority().c_str(), 1);
        testsupport::DovecotServer dovecot;
        dovecot.AddUser("taro", "secret");
        for (int n = 1; n <= kMessages; ++n) dovecot.AddMessage("taro", HeaderOf(n) + "\r\nbody\r\n");
        dovecot.RequireTls(certificates.Loopback().certificate, certificates.Loopback().key);
        dovecot.Start();
        KeepToOneCpu("tls_check_bench");
        char folderPattern[] = "/tmp/tls-check-bench-XXXXXX";
        if (mkdtemp(folderPattern) == nullptr) return 1;
        const std::filesystem::path logFolder = folderPattern;

        const std::string tlsField = "pop3s://" + dovecot.TlsAddress();
        // The first session moves every message from new/ to cur/ and builds Dovecot's indexes.
        CheckRig(BenchAccount(dovecot.Address(), false), logFolder).Check();
        std::vector<Timing> plain, tls;
        std::vector<double> poplibPlain, poplibTls;
        for (int round = 0; round < kRounds; ++round) {
            CheckRig plainRig(BenchAccount(dovecot.Address(), false), logFolder);
            plain.push_back(plainRig.Check());
            CheckRig tlsRig(BenchAccount(tlsField, false), logFolder);
            tls.push_back(tlsRig.Check());
            if (plainRig.Cycle().LastTally().messagesFound != kMessages ||
                tlsRig.Cycle().LastTally().messagesFound != kMessages) {
                std::fprintf(stderr, "tls_check_bench: a check did not list every message (see %s)\n", folderPattern);
                return 1;
            }
            poplibPlain.push_back(PoplibMilliseconds(PortOf(dovecot.Address()), ""));
            poplibTls.push_back(
                PoplibMilliseconds(PortOf(dovecot.TlsAddress()), "--cafile " + certificates.Authority().string()));
        }
        std::filesystem::remove_all(logFolder);

        const Timing plainCheck = Best(plain);
        const Timing tlsCheck = Best(tls);
        std::printf("%d messages from Dovecot on loopback, least of %d rounds\n", kMessages, kRounds);
        PrintRow("check, plain (baseline)", plainCheck.wallMs, plainCheck.wallMs, plainCheck.cpuMs);
        PrintRow("check over pop3s://", tlsCheck.wallMs, plainCheck.wallMs, tlsCheck.cpuMs);
        PrintRow("poplib POP3", Least(poplibPlain), plainCheck.wallMs);
        PrintRow("poplib POP3_SSL", Least(poplibTls), plainCheck.wallMs);
        std::printf("check over pop3s:// against poplib POP3_SSL: %.2fx its time (target: the TLS check at most "
                    "1.30x the plain check)\n",
                    tlsCheck.wallMs / Least(poplibTls));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tls_check_bench: %s\n", error.what());
        return 1;
    }
}
