#include "tests/support/ScriptedServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "tests/support/LoopbackSockets.h"

namespace testsupport {
namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Quotes client or script bytes so that CR, LF and binary bytes stay visible in a mismatch text; long
// texts (a hostile 64 KiB line) are cut.
std::string Quoted(const std::string& bytes) {
    constexpr std::size_t shownBytes = 200;
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size() && i < shownBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    if (bytes.size() > shownBytes) out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

int TimeoutMs(std::chrono::milliseconds duration) {
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INT_MAX));
}

}  // namespace

ScriptedServer::ScriptedServer() : wake_("ScriptedServer") {
    LoopbackListener listener = ListenOnLoopback("ScriptedServer", SOCK_NONBLOCK);
    listener_ = std::move(listener.socket);
    port_ = listener.port;
}

ScriptedServer::~ScriptedServer() {
    if (!thread_.joinable()) return;
    wake_.Wake();
    thread_.join();
}

std::string ScriptedServer::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

ScriptedServer& ScriptedServer::AddStep(Step step) {
    if (started_) throw std::logic_error("ScriptedServer: steps must be added before Start");
    steps_.push_back(std::move(step));
    return *this;
}

ScriptedServer& ScriptedServer::Send(std::string bytes) {
    return AddStep({StepKind::Send, std::move(bytes)});
}

ScriptedServer& ScriptedServer::SendLine(std::string line) {
    return Send(std::move(line) + "\r\n");
}

ScriptedServer& ScriptedServer::Expect(std::string line) {
    return AddStep({StepKind::Expect, std::move(line)});
}

ScriptedServer& ScriptedServer::ExpectAlone(std::string line) {
    return AddStep({StepKind::ExpectAlone, std::move(line)});
}

ScriptedServer& ScriptedServer::ExpectAnyLine() {
    return AddStep({StepKind::ExpectAnyLine, {}});
}

ScriptedServer& ScriptedServer::Pause(std::chrono::milliseconds duration) {
    return AddStep({StepKind::Pause, {}, duration});
}

ScriptedServer& ScriptedServer::Close() {
    return AddStep({StepKind::Close, {}});
}

ScriptedServer& ScriptedServer::Stall() {
    return AddStep({StepKind::Stall, {}});
}

ScriptedServer& ScriptedServer::AcceptNext() {
    return AddStep({StepKind::AcceptNext, {}});
}

ScriptedServer& ScriptedServer::Pop3Greeting() {
    return SendLine("+OK ready");
}

ScriptedServer& ScriptedServer::Pop3Login(std::string user, std::string password) {
    return Expect("USER " + std::move(user)).SendLine("+OK").Expect("PASS " + std::move(password)).SendLine("+OK");
}

ScriptedServer& ScriptedServer::Pop3Quit() {
    return Expect("QUIT").SendLine("+OK bye").Close();
}

ScriptedServer& ScriptedServer::Pop3WithoutCapa() {
    return Expect("CAPA").SendLine("-ERR unknown command");
}

ScriptedServer& ScriptedServer::Pop3WithoutUidl() {
    return Expect("UIDL").SendLine("-ERR unknown command");
}

ScriptedServer& ScriptedServer::SmtpGreeting() {
    return SendLine("220 ready");
}

ScriptedServer& ScriptedServer::SmtpHelo(std::string name) {
    return Expect("HELO " + std::move(name)).SendLine("250 hello");
}

ScriptedServer& ScriptedServer::SmtpQuit() {
    return Expect("QUIT").SendLine("221 bye").Close();
}

void ScriptedServer::Start() {
    const auto stall = std::find_if(steps_.begin(), steps_.end(), [](const Step& s) { return s.kind == StepKind::Stall; });
    if (stall != steps_.end() && stall + 1 != steps_.end()) {
        throw std::logic_error("ScriptedServer: Stall must be the last step");
    }
    {
        std::lock_guard lock(mutex_);
        if (started_) throw std::logic_error("ScriptedServer: Start called twice");
        started_ = true;
    }
    thread_ = std::thread([this] { Play(); });
}

bool ScriptedServer::WaitUntilPlayed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!started_) return false;
    finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
    return finished_ && played_;
}

std::vector<std::string> ScriptedServer::Mismatches() const {
    std::lock_guard lock(mutex_);
    return mismatches_;
}

std::string ScriptedServer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void ScriptedServer::Play() {
    bool everyStepRan = true;
    Outcome outcome = AcceptConnection();
    for (const Step& step : steps_) {
        if (outcome == Outcome::Stopped) break;
        if (outcome == Outcome::Lost) everyStepRan = false;
        if (outcome == Outcome::Lost && step.kind != StepKind::AcceptNext) continue;
        if (step.kind == StepKind::Stall) Finish(everyStepRan);
        outcome = RunStep(step);
    }
    if (outcome == Outcome::Lost) everyStepRan = false;
    Finish(everyStepRan && outcome != Outcome::Stopped);
    if (outcome != Outcome::Stopped) RecordUntilStopped();
}

ScriptedServer::Outcome ScriptedServer::RunStep(const Step& step) {
    switch (step.kind) {
    case StepKind::Send:
        return SendBytes(step.text);
    case StepKind::Expect:
    case StepKind::ExpectAlone:
    case StepKind::ExpectAnyLine:
        return ExpectLine(step);
    case StepKind::Pause:
        return Wait(step.duration);
    case StepKind::Close:
        CloseConnection();
        return Outcome::Done;
    case StepKind::Stall:
        RecordUntilStopped();
        return Outcome::Stopped;
    case StepKind::AcceptNext:
        CloseConnection();
        return AcceptConnection();
    }
    return Outcome::Done;
}

ScriptedServer::Outcome ScriptedServer::AcceptConnection() {
    pending_.clear();
    for (;;) {
        if (WaitFor(listener_.Get(), POLLIN, -1) == Readiness::Stopped) return Outcome::Stopped;
        const int fd = ::accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            // Script steps send one piece at a time; without this, Nagle holds each piece back until the
            // client's delayed ACK, some 40 ms per step.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            connection_ = UniqueFd(fd);
            return Outcome::Done;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
            AddMismatch(std::string("accept failed: ") + std::strerror(errno));
            return Outcome::Lost;
        }
    }
}

ScriptedServer::Outcome ScriptedServer::SendBytes(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!connection_) {
            AddMismatch("could not send " + Quoted(bytes) + ": the connection is closed");
            return Outcome::Lost;
        }
        // Waiting for room keeps a client that never reads from blocking the destructor.
        if (WaitFor(connection_.Get(), POLLOUT, -1) == Readiness::Stopped) return Outcome::Stopped;
        const ssize_t n = ::send(connection_.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            AddMismatch("could not send " + Quoted(bytes) + ": " + std::strerror(errno));
            connection_.Reset();
            return Outcome::Lost;
        }
    }
    return Outcome::Done;
}

ScriptedServer::Outcome ScriptedServer::ExpectLine(const Step& step) {
    const bool exact = step.kind != StepKind::ExpectAnyLine;
    const std::string expected = exact ? Quoted(step.text) : "any line";
    ClientLine line;
    const Outcome outcome = ReadLine(line);
    if (outcome == Outcome::Lost) {
        std::string text = "expected " + expected + ", got the connection closed";
        if (!pending_.empty()) text += " after " + Quoted(pending_);
        AddMismatch(std::move(text));
    } else if (outcome == Outcome::Done) {
        if (line.bareLf) {
            AddMismatch("expected " + expected + ", got " + Quoted(line.text) + " ended by a bare LF");
        } else if (exact && line.text != step.text) {
            AddMismatch("expected " + expected + ", got " + Quoted(line.text));
        } else if (step.kind == StepKind::ExpectAlone && !pending_.empty()) {
            AddMismatch("expected " + expected + " alone, but " + Quoted(pending_) + " had come after it");
        }
    }
    return outcome;
}

ScriptedServer::Outcome ScriptedServer::ReadLine(ClientLine& line) {
    for (;;) {
        const std::size_t lf = pending_.find('\n');
        if (lf != std::string::npos) {
            line.bareLf = lf == 0 || pending_[lf - 1] != '\r';
            line.text = pending_.substr(0, line.bareLf ? lf : lf - 1);
            pending_.erase(0, lf + 1);
            return Outcome::Done;
        }
        if (const Outcome outcome = ReceiveMore(); outcome != Outcome::Done) return outcome;
    }
}

// Waits for at least one more client byte; the connection is dropped when the client closes it.
ScriptedServer::Outcome ScriptedServer::ReceiveMore() {
    while (connection_) {
        if (WaitFor(connection_.Get(), POLLIN, -1) == Readiness::Stopped) return Outcome::Stopped;
        char buffer[4096];
        const ssize_t n = ::recv(connection_.Get(), buffer, sizeof buffer, 0);
        if (n > 0) {
            pending_.append(buffer, static_cast<std::size_t>(n));
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<std::size_t>(n));
            return Outcome::Done;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        connection_.Reset();
    }
    return Outcome::Lost;
}

ScriptedServer::Outcome ScriptedServer::Wait(std::chrono::milliseconds duration) {
    return WaitFor(-1, 0, TimeoutMs(duration)) == Readiness::Stopped ? Outcome::Stopped : Outcome::Done;
}

// Keeps the connection open and records whatever the client still sends, until destruction.
void ScriptedServer::RecordUntilStopped() {
    while (ReceiveMore() == Outcome::Done) {
    }
    WaitFor(-1, 0, -1);
}

void ScriptedServer::CloseConnection() {
    if (!connection_) return;
    // Reading what already arrived first makes close() send FIN rather than RST, so the client sees an
    // orderly end of stream instead of "connection reset".
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(connection_.Get(), buffer, sizeof buffer, 0)) > 0) {
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<std::size_t>(n));
    }
    connection_.Reset();
    pending_.clear();
}

// Polls fd (none when negative) together with the stop pipe.
ScriptedServer::Readiness ScriptedServer::WaitFor(int fd, short events, int timeoutMs) const {
    pollfd fds[2] = {{wake_.ReadEnd(), POLLIN, 0}, {fd, events, 0}};
    for (;;) {
        const int n = ::poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Readiness::Stopped;  // a broken poll must not turn into a busy loop
        if (n == 0) return Readiness::TimedOut;
        if (fds[0].revents != 0) return Readiness::Stopped;
        return Readiness::Ready;
    }
}

void ScriptedServer::AddMismatch(std::string text) {
    std::lock_guard lock(mutex_);
    mismatches_.push_back(std::move(text));
}

void ScriptedServer::Finish(bool played) {
    {
        std::lock_guard lock(mutex_);
        if (finished_) return;
        finished_ = true;
        played_ = played;
    }
    finishedChanged_.notify_all();
}

}  // namespace testsupport
