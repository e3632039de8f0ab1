#include "tests/support/Pop3Mailbox.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "tests/support/LoopbackSockets.h"

namespace testsupport {
namespace {

// The message a command's number names, or none.
const StoredMessage* Numbered(const MailboxState& state, const std::string& argument) {
    try {
        const std::size_t number = std::stoul(argument);
        return number >= 1 && number <= state.size() ? &state[number - 1] : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

Pop3Mailbox::Pop3Mailbox(std::vector<MailboxState> states, Pop3MailboxBehaviour behaviour)
    : behaviour_(std::move(behaviour)), states_(std::move(states)), wake_("Pop3Mailbox") {
    LoopbackListener listener = ListenOnLoopback("Pop3Mailbox");
    listener_ = std::move(listener.socket);
    port_ = listener.port;
    thread_ = std::thread([this] { Serve(); });
}

Pop3Mailbox::~Pop3Mailbox() {
    wake_.Wake();
    thread_.join();
}

std::string Pop3Mailbox::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> Pop3Mailbox::Commands() const {
    const std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<std::string> Pop3Mailbox::Deleted() const {
    const std::lock_guard lock(mutex_);
    return deleted_;
}

void Pop3Mailbox::Serve() {
    for (std::size_t session = 0;; ++session) {
        pollfd ready[] = {{listener_.Get(), POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0 && errno != EINTR) return;
        if (ready[1].revents != 0) return;
        if ((ready[0].revents & POLLIN) == 0) continue;
        const UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client) Session(client.Get(), states_[std::min(session, states_.size() - 1)]);
    }
}

void Pop3Mailbox::Session(int client, const MailboxState& state) {
    std::vector<std::string> marked;
    std::string pending;
    char buffer[4096];
    if (!SendAll(client, "+OK ready\r\n")) return;
    for (;;) {
        for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 2);
            {
                const std::lock_guard lock(mutex_);
                commands_.push_back(command);
            }
            if (!SendAll(client, Answer(command, state, marked))) return;
            if (command == "QUIT") {
                const std::lock_guard lock(mutex_);
                deleted_.insert(deleted_.end(), marked.begin(), marked.end());
                return;
            }
        }
        pollfd ready[] = {{client, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0 && errno != EINTR) return;
        if (ready[1].revents != 0) return;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string Pop3Mailbox::Answer(const std::string& command, const MailboxState& state,
                                std::vector<std::string>& marked) const {
    const std::size_t blank = command.find(' ');
    const std::string verb = command.substr(0, blank);
    const std::string argument = blank == std::string::npos ? std::string() : command.substr(blank + 1);
    if (verb == "USER" || verb == "PASS" || verb == "QUIT") return "+OK\r\n";
    if (verb == "STAT") return "+OK " + std::to_string(state.size()) + " 0\r\n";
    if (verb == "CAPA") {
        return std::string("+OK\r\nTOP\r\n") + (behaviour_.uidl ? "UIDL\r\n" : "") +
               (behaviour_.pipelining ? "PIPELINING\r\n" : "") + ".\r\n";
    }
    if ((verb == "UIDL" || verb == "LIST") && argument.empty()) {
        if (verb == "UIDL" && !behaviour_.uidl) return "-ERR unknown command\r\n";
        std::string reply = "+OK\r\n";
        for (std::size_t n = 1; n <= state.size(); ++n) {
            const StoredMessage& message = state[n - 1];
            reply += std::to_string(n) + " " + (verb == "UIDL" ? message.uniqueId : std::to_string(message.size)) + "\r\n";
        }
        return reply + ".\r\n";
    }
    const StoredMessage* message = Numbered(state, argument.substr(0, argument.find(' ')));
    if (message == nullptr) return "-ERR no such message\r\n";
    if (verb == "TOP") return "+OK\r\n" + message->header + "\r\n.\r\n";
    if (verb == "LIST") return "+OK " + argument + " " + std::to_string(message->size) + "\r\n";
    if (verb == "UIDL" && behaviour_.uidl) return "+OK " + argument + " " + message->uniqueId + "\r\n";
    if (verb == "DELE") {
        if (behaviour_.deleReply.substr(0, behaviour_.deleReply.find(' ')) == "+OK") marked.push_back(message->uniqueId);
        return behaviour_.deleReply + "\r\n";
    }
    return "-ERR unknown command\r\n";
}

}  // namespace testsupport
