#include "tests/support/DovecotServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/FreePort.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/UniqueFd.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* dovecotBinary = "/usr/sbin/dovecot";
constexpr int portAttempts = 5;

// Dovecot's auth and mail processes run as unprivileged users and must reach the folder, so every
// ancestor needs the search bit for others (a TMPDIR under a 0700 home would not do).
bool TraversableByOthers(const fs::path& folder) {
    fs::path prefix;
    for (const fs::path& part : fs::absolute(folder)) {
        prefix /= part;
        struct stat status {};
        if (::stat(prefix.c_str(), &status) != 0 || (status.st_mode & S_IXOTH) == 0) return false;
    }
    return true;
}

fs::path MakePrivateFolder() {
    fs::path parent = fs::temp_directory_path();
    if (!TraversableByOthers(parent)) parent = "/tmp";
    std::string pattern = (parent / "quillonv-dovecot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp " + pattern);
    fs::permissions(pattern, fs::perms(0755));
    return pattern;
}

std::string LastLines(const std::string& text, std::size_t count) {
    std::deque<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
        if (lines.size() > count) lines.pop_front();
    }
    std::string tail;
    for (const std::string& line : lines) tail += line + "\n";
    return tail;
}

void WriteFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) throw std::runtime_error("DovecotServer: cannot write " + path.string());
}

void CheckField(const std::string& value, std::string_view forbidden, const char* what) {
    if (value.empty() || value.find_first_of(forbidden) != std::string::npos) {
        throw std::invalid_argument(std::string("DovecotServer: unusable ") + what + " \"" + value + "\"");
    }
}

}  // namespace

DovecotServer::DovecotServer() : folder_(MakePrivateFolder()) {
    if (::geteuid() == 0) {
        // Dovecot refuses mail access as root, so the mail files belong to an unprivileged user.
        const passwd* nobody = ::getpwnam("nobody");
        mailUid_ = nobody != nullptr ? nobody->pw_uid : 65534;
        mailGid_ = nobody != nullptr ? nobody->pw_gid : 65534;
    } else {
        mailUid_ = ::getuid();
        mailGid_ = ::getgid();
    }
    for (const char* sub : {"home", "run", "state"}) {
        fs::create_directories(folder_ / sub);
        fs::permissions(folder_ / sub, fs::perms(0755));
    }
}

DovecotServer::~DovecotServer() {
    Stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string DovecotServer::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string DovecotServer::TlsAddress() const {
    return "127.0.0.1:" + std::to_string(tlsPort_);
}

void DovecotServer::RequireTls(fs::path certificate, fs::path key) {
    if (process_.Running()) throw std::logic_error("DovecotServer: RequireTls must come before Start");
    certificate_ = fs::absolute(certificate);
    key_ = fs::absolute(key);
}

fs::path DovecotServer::MaildirOf(const std::string& user) const {
    if (!passwords_.contains(user)) throw std::invalid_argument("DovecotServer: no user \"" + user + "\"");
    return folder_ / "home" / user / "Maildir";
}

void DovecotServer::AddUser(std::string name, std::string password) {
    if (process_.Running()) throw std::logic_error("DovecotServer: AddUser must come before Start");
    CheckField(name, ":/\r\n", "user name");
    CheckField(password, ":\r\n", "password");
    const fs::path home = folder_ / "home" / name;
    for (const char* sub : {"new", "cur", "tmp"}) fs::create_directories(home / "Maildir" / sub);
    for (const fs::path& path : {home, home / "Maildir", home / "Maildir/new", home / "Maildir/cur", home / "Maildir/tmp"}) {
        if (::chown(path.c_str(), mailUid_, mailGid_) != 0) ThrowErrno("chown " + path.string());
    }
    passwords_[std::move(name)] = std::move(password);
}

fs::path DovecotServer::AddMessage(const std::string& user, std::string_view rawMessage) {
    // Maildir names must be unique; zero-padded parts keep them in the order they were added, which is
    // the order Dovecot numbers new messages in.
    static std::atomic<unsigned> deliveries{0};
    const fs::path maildir = MaildirOf(user);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    char name[96];
    std::snprintf(name, sizeof name, "%lld.M%06ldP%dQ%06u.quillonv", static_cast<long long>(now.tv_sec),
                  now.tv_nsec / 1000, static_cast<int>(::getpid()), ++deliveries);
    // Written under tmp/ and renamed, so Dovecot never sees half a message.
    const fs::path draft = maildir / "tmp" / name;
    const fs::path delivered = maildir / "new" / name;
    WriteFile(draft, rawMessage);
    if (::chown(draft.c_str(), mailUid_, mailGid_) != 0) ThrowErrno("chown " + draft.string());
    fs::rename(draft, delivered);
    return delivered;
}

std::vector<fs::path> DovecotServer::MessageFiles(const std::string& user) const {
    const fs::path maildir = MaildirOf(user);
    std::vector<fs::path> files;
    for (const char* sub : {"new", "cur"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(maildir / sub)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return files;
}

void DovecotServer::Start() {
    if (process_.Running()) throw std::logic_error("DovecotServer: Start called twice");
    WritePasswdFile();
    for (int attempt = 0; attempt < portAttempts; ++attempt) {
        port_ = PickFreePort();
        if (!certificate_.empty()) {
            do tlsPort_ = PickFreePort();
            while (tlsPort_ == port_);
        }
        WriteConfiguration();
        std::error_code ignored;
        fs::remove(folder_ / "dovecot.log", ignored);
        const ServerProcess::Program program{
            dovecotBinary, {"dovecot", "-F", "-c", (folder_ / "dovecot.conf").string()}, {}, folder_ / "dovecot.out"};
        const ServerProcess::Readiness readiness{
            [this] { return Greets(); },
            [this] { return LogTail().find("Address already in use") != std::string::npos; },
            [this] { return LogTail(); },
        };
        if (process_.Start(program, readiness)) return;
    }
    throw std::runtime_error("DovecotServer: every free port was taken before Dovecot could listen; log:\n" + LogTail());
}

// The greeting names this instance's folder, so a stranger that grabbed the port is not taken for it.
bool DovecotServer::Greets() const {
    try {
        LoopbackClient client(port_);
        return client.ReadLine(2s) == "+OK quillonv-test " + folder_.filename().string() + " ready\r\n";
    } catch (const std::exception&) {
        return false;
    }
}

void DovecotServer::Stop() { process_.Stop(); }

std::string DovecotServer::LogOnceItHolds(std::string_view text) const {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    std::string log = ReadFile(folder_ / "dovecot.log");
    while (log.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        log = ReadFile(folder_ / "dovecot.log");
    }
    return log;
}

void DovecotServer::WritePasswdFile() const {
    // user:{PLAIN}password:uid:gid:gecos:home:shell:extra
    std::string lines;
    for (const auto& [name, password] : passwords_) {
        lines += name + ":{PLAIN}" + password + ":" + std::to_string(mailUid_) + ":" + std::to_string(mailGid_) +
                 "::" + (folder_ / "home" / name).string() + "::\n";
    }
    WriteFile(folder_ / "passwd", lines);
}

std::string DovecotServer::TlsSettings() const {
    if (certificate_.empty()) return "ssl = no\n";
    return "ssl = required\nssl_cert = <" + certificate_.string() + "\nssl_key = <" + key_.string() + "\n";
}

std::string DovecotServer::Pop3sListener() const {
    // Port 0 leaves no second, fixed port to clash on.
    if (certificate_.empty()) return "  inet_listener pop3s {\n    port = 0\n  }\n";
    return "  inet_listener pop3s {\n    port = " + std::to_string(tlsPort_) + "\n    ssl = yes\n  }\n";
}

void DovecotServer::WriteConfiguration() const {
    const std::string folder = folder_.string();
    std::ostringstream conf;
    conf << "base_dir = " << folder << "/run\n"
         << "state_dir = " << folder << "/state\n"
         << "instance_name = quillonv-test-" << folder_.filename().string() << "\n"
         << "log_path = " << folder << "/dovecot.log\n"
         << "protocols = pop3\n"
         << "listen = 127.0.0.1\n"
         << TlsSettings()
         << "disable_plaintext_auth = no\n"
         << "auth_mechanisms = plain\n"
         << "auth_failure_delay = 0\n"  // tests of a refused login need not wait two seconds
         << "login_greeting = quillonv-test " << folder_.filename().string() << " ready\n"
         << "mail_location = maildir:~/Maildir\n"
         << "first_valid_uid = 1\n"
         << "passdb {\n  driver = passwd-file\n  args = " << folder << "/passwd\n}\n"
         << "userdb {\n  driver = passwd-file\n  args = " << folder << "/passwd\n}\n"
         << "service pop3-login {\n"
         << "  inet_listener pop3 {\n    port = " << port_ << "\n  }\n"
         << Pop3sListener()
         << "}\n";
    if (::geteuid() != 0) {
        // Without root every Dovecot process runs as the current user, and nothing can chroot.
        const passwd* self = ::getpwuid(::getuid());
        const group* ownGroup = ::getgrgid(::getgid());
        if (self == nullptr || ownGroup == nullptr) {
            throw std::runtime_error("DovecotServer: the current user or group has no name");
        }
        conf << "default_login_user = " << self->pw_name << "\n"
             << "default_internal_user = " << self->pw_name << "\n"
             << "default_internal_group = " << ownGroup->gr_name << "\n"
             << "service pop3-login {\n  chroot =\n}\n"
             << "service anvil {\n  chroot =\n}\n";
    }
    WriteFile(folder_ / "dovecot.conf", conf.str());
}

std::string DovecotServer::LogTail() const {
    constexpr std::size_t lines = 20;
    return LastLines(ReadFile(folder_ / "dovecot.out"), lines) + LastLines(ReadFile(folder_ / "dovecot.log"), lines);
}

}  // namespace testsupport
