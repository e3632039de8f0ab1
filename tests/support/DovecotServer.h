#pragma once
// A real POP3 server for end-to-end tests: a private Dovecot instance on 127.0.0.1 and a free port,
// with its configuration, passwd-file, Maildirs, sockets and log in a temporary folder of its own.
// Needs /usr/sbin/dovecot (scripts/install-deps.sh test installs it); any system instance is left alone.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/ServerProcess.h"

namespace testsupport {

class DovecotServer {
public:
    DovecotServer();  // makes the private folder (mode 0755 under a traversable parent)
    ~DovecotServer();  // stops Dovecot by PID, removes the folder
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Before Start. Names and passwords must not hold ':', '/' (names) or line breaks.
    void AddUser(std::string name, std::string password);
    // Before Start: serves POP3 over TLS from the first byte on a second port with this certificate and
    // key (PEM files) and sets ssl = required. Dovecot counts a loopback client as secure all the same,
    // so the plain port, kept for the readiness check, still takes logins from 127.0.0.1: connect to
    // TlsAddress() to test TLS.
    void RequireTls(std::filesystem::path certificate, std::filesystem::path key);
    // Starts dovecot -F on a free port and waits until it greets; throws std::runtime_error with the
    // tail of Dovecot's log when it does not come up within ten seconds.
    void Start();
    void Stop();  // SIGTERM, then SIGKILL if it lingers; the destructor calls it too

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>"
    std::string TlsAddress() const;  // "127.0.0.1:<TLS port>", after RequireTls and Start
    const std::filesystem::path& Folder() const { return folder_; }

    // Into that user's Maildir/new (before or after Start); returns the file's path there. Dovecot moves
    // it to cur/ once a session has seen it.
    std::filesystem::path AddMessage(const std::string& user, std::string_view rawMessage);
    std::vector<std::filesystem::path> MessageFiles(const std::string& user) const;  // new/ and cur/, by name

    // Dovecot's own log (logins, refusals, disconnections), once it holds `text` or after five seconds:
    // a session's closing line is written a moment after the client has gone.
    std::string LogOnceItHolds(std::string_view text) const;

private:
    std::filesystem::path MaildirOf(const std::string& user) const;
    void WriteConfiguration() const;
    std::string TlsSettings() const;
    std::string Pop3sListener() const;
    void WritePasswdFile() const;
    bool Greets() const;
    std::string LogTail() const;

    std::filesystem::path folder_;
    std::map<std::string, std::string> passwords_;
    uid_t mailUid_;
    gid_t mailGid_;
    std::uint16_t port_ = 0;
    std::uint16_t tlsPort_ = 0;
    std::filesystem::path certificate_;  // empty: no TLS
    std::filesystem::path key_;
    ServerProcess process_{"DovecotServer"};
};

}  // namespace testsupport
