#pragma once
// A real SMTP receiver for end-to-end tests: Debian's aiosmtpd on 127.0.0.1 and a free port, writing
// every message it accepts into a private folder. Needs python3-aiosmtpd for /usr/bin/python3
// (scripts/install-deps.sh test installs it).

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ServerProcess.h"

namespace testsupport {

class SmtpReceiver {
public:
    struct Message {
        std::string mailFrom;                // the MAIL FROM address, without angle brackets
        std::vector<std::string> rcptTos;    // the accepted RCPT TO addresses, in order
        std::string data;                    // the message as received, dot-stuffing undone, CR LF kept
    };

    SmtpReceiver();   // makes the private folder
    ~SmtpReceiver();  // stops aiosmtpd by PID, removes the folder
    SmtpReceiver(const SmtpReceiver&) = delete;
    SmtpReceiver& operator=(const SmtpReceiver&) = delete;

    // Starts aiosmtpd on a free port and waits until it greets; throws std::runtime_error with its
    // output when it does not come up within ten seconds.
    void Start();
    void Stop();  // SIGTERM, then SIGKILL if it lingers; the destructor calls it too

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>", usable as a host:port server field

    // Every message accepted so far, in the order of arrival. A message is there as soon as the client
    // has had the reply to its final ".".
    std::vector<Message> ReceivedMessages() const;

private:
    bool Greets() const;
    std::string Output() const;

    std::filesystem::path folder_;
    std::uint16_t port_ = 0;
    ServerProcess process_{"SmtpReceiver"};
};

}  // namespace testsupport
