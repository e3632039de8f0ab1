#include "tests/support/SmtpReceiver.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <stdexcept>

#include "tests/support/FreePort.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/ServerProcess.h"

extern char** environ;

namespace testsupport {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Debian's interpreter, which the package installs the module for; another python3 earlier in PATH
// would not find it.
constexpr const char* pythonBinary = "/usr/bin/python3";
constexpr int portAttempts = 5;

// The handler module lives next to this file; no byte-code is written into the source tree.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (text.rfind("PYTHONPATH=", 0) != 0 && text.rfind("PYTHONDONTWRITEBYTECODE=", 0) != 0) {
            variables.push_back(text);
        }
    }
    variables.push_back(std::string("PYTHONPATH=") + QUILLONV_TEST_SUPPORT_DIR);
    variables.push_back("PYTHONDONTWRITEBYTECODE=1");
    return variables;
}

void CheckField(const std::string& value, const char* what) {
    if (value.empty() || value.find_first_of("\r\n") != std::string::npos) {
        throw std::invalid_argument(std::string("SmtpReceiver: unusable ") + what + " \"" + value + "\"");
    }
}

SmtpReceiver::Message ParseMessage(const std::string& file) {
    SmtpReceiver::Message message;
    std::size_t at = 0;
    for (std::size_t end; (end = file.find("\r\n", at)) != std::string::npos && end != at; at = end + 2) {
        const std::string line = file.substr(at, end - at);
        const std::size_t open = line.find('<');
        const std::string address = open == std::string::npos ? "" : line.substr(open + 1, line.size() - open - 2);
        if (line.rfind("MAIL FROM:", 0) == 0) {
            message.mailFrom = address;
        } else {
            message.rcptTos.push_back(address);
        }
    }
    message.data = file.substr(std::min(file.size(), at + 2));
    return message;
}

}  // namespace

SmtpReceiver::SmtpReceiver() {
    std::string pattern = (fs::temp_directory_path() / "quillonv-smtp-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp " + pattern);
    folder_ = pattern;
    fs::create_directories(folder_ / "messages");
}

SmtpReceiver::~SmtpReceiver() {
    Stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string SmtpReceiver::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void SmtpReceiver::SetTls(Tls mode, fs::path certificate, fs::path key) {
    if (process_.Running()) throw std::logic_error("SmtpReceiver: TLS must be set up before Start");
    if (tls_ != Tls::None) throw std::logic_error("SmtpReceiver: one TLS mode at a time");
    tls_ = mode;
    certificate_ = fs::absolute(certificate);
    key_ = fs::absolute(key);
}

void SmtpReceiver::RequireStartTls(fs::path certificate, fs::path key) {
    SetTls(Tls::StartTls, std::move(certificate), std::move(key));
}

void SmtpReceiver::UseImplicitTls(fs::path certificate, fs::path key) {
    SetTls(Tls::Implicit, std::move(certificate), std::move(key));
}

void SmtpReceiver::RequireAuthentication(std::string user, std::string password) {
    if (process_.Running()) throw std::logic_error("SmtpReceiver: RequireAuthentication must come before Start");
    CheckField(user, "user name");
    CheckField(password, "password");
    authUser_ = std::move(user);
    authPassword_ = std::move(password);
}

// Plain receivers run aiosmtpd's own command line; the others need the launcher next to this file.
std::vector<std::string> SmtpReceiver::Arguments() const {
    const std::string messages = (folder_ / "messages").string();
    if (Plain()) {
        return {pythonBinary, "-m", "aiosmtpd", "-n", "-l", Address(), "-c", "smtp_receiver_handler.FolderHandler",
                messages};
    }
    const std::string launcher = std::string(QUILLONV_TEST_SUPPORT_DIR) + "/smtp_tls_receiver.py";
    std::vector<std::string> arguments = {pythonBinary, launcher, "127.0.0.1", std::to_string(port_), messages};
    if (tls_ != Tls::None) {
        arguments.insert(arguments.end(),
                         {tls_ == Tls::StartTls ? "--starttls" : "--smtps", certificate_.string(), key_.string()});
    }
    if (!authUser_.empty()) {
        arguments.insert(arguments.end(), {"--auth", authUser_, authPassword_, (folder_ / "auth-attempts").string()});
    }
    return arguments;
}

void SmtpReceiver::Start() {
    if (process_.Running()) throw std::logic_error("SmtpReceiver: Start called twice");
    for (int attempt = 0; attempt < portAttempts; ++attempt) {
        port_ = PickFreePort();
        const ServerProcess::Program program{pythonBinary, Arguments(), ChildEnvironment(), folder_ / "aiosmtpd.out"};
        const ServerProcess::Readiness readiness{
            [this] { return Plain() ? Greets() : SaysItListens(); },
            [this] { return Output().find("address already in use") != std::string::npos; },
            [this] { return Output() + "(is python3-aiosmtpd installed? scripts/install-deps.sh test)\n"; },
        };
        if (process_.Start(program, readiness)) return;
    }
    throw std::runtime_error("SmtpReceiver: every free port was taken before aiosmtpd could listen; output:\n" +
                             Output());
}

bool SmtpReceiver::Greets() const {
    try {
        LoopbackClient client(port_);
        return client.ReadLine(2s).rfind("220 ", 0) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

// A TLS greeting cannot be read in plain text, so the launcher says when it listens.
bool SmtpReceiver::SaysItListens() const {
    return Output().find("quillonv-smtp listening on " + Address() + "\n") != std::string::npos;
}

void SmtpReceiver::Stop() { process_.Stop(); }

std::string SmtpReceiver::Output() const {
    return ReadFile(folder_ / "aiosmtpd.out");
}

std::vector<SmtpReceiver::Message> SmtpReceiver::ReceivedMessages() const {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_ / "messages")) {
        if (entry.path().extension() == ".msg") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<Message> messages;
    for (const fs::path& file : files) messages.push_back(ParseMessage(ReadFile(file)));
    return messages;
}

std::vector<SmtpReceiver::AuthAttempt> SmtpReceiver::AuthAttempts() const {
    std::vector<AuthAttempt> attempts;
    std::istringstream lines(ReadFile(folder_ / "auth-attempts"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        attempts.push_back({line.substr(space + 1), line.substr(0, space) == "accepted"});
    }
    return attempts;
}

}  // namespace testsupport
