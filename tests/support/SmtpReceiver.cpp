#include "tests/support/SmtpReceiver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "tests/support/FreePort.h"
#include "tests/support/LoopbackClient.h"

extern char** environ;

namespace testsupport {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Debian's interpreter, which the package installs the module for; another python3 earlier in PATH
// would not find it.
constexpr const char* pythonBinary = "/usr/bin/python3";
constexpr auto startTimeout = 10s;
constexpr auto stopTimeout = 5s;
constexpr int portAttempts = 5;

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ExitedWithin(pid_t pid, std::chrono::steady_clock::duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int status = 0;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

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

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
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

void SmtpReceiver::Start() {
    if (pid_ > 0) throw std::logic_error("SmtpReceiver: Start called twice");
    if (::access(pythonBinary, X_OK) != 0) {
        throw std::runtime_error(std::string("SmtpReceiver: ") + pythonBinary + " is missing");
    }
    for (int attempt = 0; attempt < portAttempts; ++attempt) {
        port_ = PickFreePort();
        if (TryStart()) return;
    }
    throw std::runtime_error("SmtpReceiver: every free port was taken before aiosmtpd could listen; output:\n" +
                             Output());
}

bool SmtpReceiver::TryStart() {
    const std::string output = (folder_ / "aiosmtpd.out").string();
    std::vector<std::string> arguments = {pythonBinary, "-m", "aiosmtpd", "-n", "-l", Address(),
                                          "-c", "smtp_receiver_handler.FolderHandler",
                                          (folder_ / "messages").string()};
    std::vector<std::string> environment = ChildEnvironment();
    const std::vector<char*> argv = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) ThrowErrno("fork");
    if (child == 0) {
        // A test that crashes must not leave its receiver running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(pythonBinary, argv.data(), envp.data());
        ::_exit(127);
    }
    pid_ = child;

    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            if (Output().find("address already in use") != std::string::npos) return false;
            throw std::runtime_error("SmtpReceiver: aiosmtpd ended before accepting on " + Address() +
                                     "; is python3-aiosmtpd installed (scripts/install-deps.sh test)? output:\n" +
                                     Output());
        }
        if (Greets()) return true;
        if (std::chrono::steady_clock::now() >= deadline) {
            Stop();
            throw std::runtime_error("SmtpReceiver: aiosmtpd did not greet on " + Address() + " within " +
                                     std::to_string(startTimeout.count()) + " s; output:\n" + Output());
        }
        std::this_thread::sleep_for(20ms);
    }
}

bool SmtpReceiver::Greets() const {
    try {
        LoopbackClient client(port_);
        return client.ReadLine(2s).rfind("220 ", 0) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

void SmtpReceiver::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (!ExitedWithin(pid_, stopTimeout)) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

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

}  // namespace testsupport
