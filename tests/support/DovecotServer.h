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
    // Starts dovecot -F on a free port and waits until it greets; throws std::runtime_error with the
    // tail of Dovecot's log when it does not come up within ten seconds.
    void Start();
    void Stop();  // SIGTERM, then SIGKILL if it lingers; the destructor calls it too

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>"
    const std::filesystem::path& Folder() const { return folder_; }

    // Into that user's Maildir/new (before or after Start); returns the file's path there. Dovecot moves
    // it to cur/ once a session has seen it.
    std::filesystem::path AddMessage(const std::string& user, std::string_view rawMessage);
    std::vector<std::filesystem::path> MessageFiles(const std::string& user) const;  // new/ and cur/, by name

private:
    std::filesystem::path MaildirOf(const std::string& user) const;
    void WriteConfiguration() const;
    void WritePasswdFile() const;
    bool Greets() const;
    std::string LogTail() const;

    std::filesystem::path folder_;
    std::map<std::string, std::string> passwords_;
    uid_t mailUid_;
    gid_t mailGid_;
    std::uint16_t port_ = 0;
    ServerProcess process_{"DovecotServer"};
};

}  // namespace testsupport
