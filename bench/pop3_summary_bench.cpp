// Fetches the summaries of 1,000 messages (TOP n 0 and LIST n each) from a loopback POP3 server with
// TNMPOP3, then does the same exchange with Python's poplib against the same server, and compares.
// A plain ping-pong with blocking sockets against the same server (one line out, one line back) gives
// the loopback round-trip time the exchange is bound by.

#include "net/NMPOP3.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kMessages = 1000;
constexpr int kRounds = 3;
using Clock = std::chrono::steady_clock;

// False when the peer is gone.
bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string HeaderOf(int n)
{
    const std::string id = std::to_string(n);
    return "Return-Path: <sender" + id + "@example.jp>\r\n"
           "Received: from mx.example.jp by mail.example.jp; Mon, 7 Dec 2026 10:00:00 +0900\r\n"
           "From: =?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <sender" + id + "@example.jp>\r\n"
           "To: user@example.jp\r\n"
           "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cBsoQg==?= " + id + "\r\n"
           "Message-ID: <" + id + ".bench@example.jp>\r\n"
           "Date: Mon, 7 Dec 2026 10:00:00 +0900\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n";
}

// Serves one mailbox of kMessages messages to one client after another; every reply goes out in one
// write with Nagle off, so the client alone decides the pace.
class BenchServer {
public:
    BenchServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 8) != 0) {
            throw std::runtime_error("bench server: cannot listen on 127.0.0.1");
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        for (int n = 1; n <= kMessages; ++n) {
            headers_.push_back(HeaderOf(n));
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~BenchServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }

private:
    void Serve()
    {
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0) {
                continue;
            }
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client >= 0) {
                Converse(client);
                ::close(client);
            }
        }
    }

    void Converse(int client)
    {
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        SendAll(client, "+OK bench ready\r\n");
        std::string pending;
        char buffer[4096];
        for (;;) {
            const std::size_t end = pending.find("\r\n");
            if (end == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    return;
                }
                pending.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 2);
            if (command == "QUIT") {
                SendAll(client, "+OK bye\r\n");
                return;
            }
            SendAll(client, Reply(command));
        }
    }

    std::string Reply(const std::string& command) const
    {
        if (command == "STAT") {
            return "+OK " + std::to_string(kMessages) + " " + std::to_string(kMessages * 2000) + "\r\n";
        }
        const std::size_t space = command.find(' ');
        const int n = space == std::string::npos ? 0 : std::atoi(command.c_str() + space + 1);
        const bool known = n >= 1 && n <= kMessages;
        if (command.rfind("TOP ", 0) == 0 && known) {
            return "+OK top of message follows\r\n" + headers_[static_cast<std::size_t>(n - 1)] + "\r\n.\r\n";
        }
        if (command.rfind("LIST ", 0) == 0 && known) {
            return "+OK " + std::to_string(n) + " " + std::to_string(1500 + n) + "\r\n";
        }
        if (command.rfind("USER ", 0) == 0 || command.rfind("PASS ", 0) == 0 || command == "NOOP") {
            return "+OK\r\n";
        }
        return "-ERR unknown command\r\n";
    }

    int listener_ = -1;
    int port_ = 0;
    std::vector<std::string> headers_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

void LogIn(net::TNMPOP3& pop, int port)
{
    pop.Host = "127.0.0.1:" + std::to_string(port);
    pop.UserID = "bench";
    pop.Password = "bench";
    pop.TimeOut = 60000;
    pop.Connect();
    if (pop.MailCount() != kMessages) {
        throw std::runtime_error("bench server reported " + std::to_string(pop.MailCount()) + " messages");
    }
}

double ClientSeconds(int port)
{
    net::TNMPOP3 pop;
    LogIn(pop, port);
    std::int64_t bytes = 0;
    const auto start = Clock::now();
    for (int n = 1; n <= kMessages; ++n) {
        pop.GetSummary(n);
        bytes += pop.Summary().Bytes;
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    pop.Disconnect();
    if (bytes != static_cast<std::int64_t>(kMessages) * 1500 + kMessages * (kMessages + 1) / 2) {
        throw std::runtime_error("summaries came back wrong");
    }
    return elapsed.count();
}

// A blocking client socket, closed on every way out.
class PlainConnection {
public:
    explicit PlainConnection(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot connect to the bench server");
        }
    }
    ~PlainConnection() { ::close(fd_); }
    PlainConnection(const PlainConnection&) = delete;
    PlainConnection& operator=(const PlainConnection&) = delete;

    // The server answers each line with one reply line sent in one write, and nothing unasked.
    std::string Exchange(const std::string& line)
    {
        if (!SendAll(fd_, line + "\r\n")) {
            throw std::runtime_error("the bench server closed the connection");
        }
        return ReadReply();
    }
    std::string ReadReply()
    {
        std::string reply;
        char buffer[512];
        while (reply.empty() || reply.back() != '\n') {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                throw std::runtime_error("the bench server closed the connection");
            }
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        return reply;
    }

private:
    int fd_;
};

// One command line out and one reply line back per round trip, over a plain blocking socket, so that the
// baseline holds nothing of the component.
double RoundTripSeconds(int port)
{
    PlainConnection connection(port);
    connection.ReadReply();
    const auto start = Clock::now();
    for (int i = 0; i < kMessages; ++i) {
        if (connection.Exchange("NOOP") != "+OK\r\n") {
            throw std::runtime_error("the ping-pong got a wrong reply");
        }
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    connection.Exchange("QUIT");
    return elapsed.count() / kMessages;
}

double PoplibSeconds(int port)
{
    const std::string script =
        "import poplib, sys, time\n"
        "p = poplib.POP3('127.0.0.1', " + std::to_string(port) + ")\n"
        "p.user('bench'); p.pass_('bench')\n"
        "count = p.stat()[0]\n"
        "start = time.perf_counter()\n"
        "for n in range(1, count + 1):\n"
        "    p.top(n, 0); p.list(n)\n"
        "elapsed = time.perf_counter() - start\n"
        "p.quit()\n"
        "print(count, elapsed)\n";
    const std::string command = "python3 -c \"" + script + "\"";
    FILE* python = ::popen(command.c_str(), "r");
    if (python == nullptr) {
        throw std::runtime_error("cannot start python3");
    }
    int count = 0;
    double seconds = 0;
    const int fields = std::fscanf(python, "%d %lf", &count, &seconds);
    if (::pclose(python) != 0 || fields != 2 || count != kMessages) {
        throw std::runtime_error("the poplib run failed");
    }
    return seconds;
}

// A client and a server woken on different cores pay a cross-core wake-up per round trip, which on
// virtual machines can cost more than the round trip and made the figures jump between runs. The server
// thread and the poplib child inherit the one CPU. Returns it, or -1 when the process stays unpinned.
int PinToOneCpu()
{
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
        return -1;
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            return ::sched_setaffinity(0, sizeof one, &one) == 0 ? cpu : -1;
        }
    }
    return -1;
}

}  // namespace

int main()
{
    const int cpu = PinToOneCpu();
    try {
        BenchServer server;
        double client = 1e9;
        double poplib = 1e9;
        double roundTrip = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            client = std::min(client, ClientSeconds(server.Port()));
            poplib = std::min(poplib, PoplibSeconds(server.Port()));
            roundTrip = std::min(roundTrip, RoundTripSeconds(server.Port()));
        }
        const double clientRate = kMessages / client;
        const double poplibRate = kMessages / poplib;
        const double perMessageUs = client / kMessages * 1e6;
        std::printf("%d summaries (TOP n 0 + LIST n), best of %d runs\n", kMessages, kRounds);
        if (cpu >= 0) {
            std::printf("pinned to CPU %d: client, server thread and poplib share it\n", cpu);
        } else {
            std::printf("not pinned to one CPU: figures may jump between runs\n");
        }
        std::printf("TNMPOP3:       %9.0f msgs/s  (%.1f us per message)\n", clientRate, perMessageUs);
        std::printf("Python poplib: %9.0f msgs/s  (%.1f us per message)\n", poplibRate, poplib / kMessages * 1e6);
        std::printf("ratio TNMPOP3 / poplib: %.2fx\n", clientRate / poplibRate);
        std::printf("loopback round trip: %.1f us; per message = %.2f round trips\n", roundTrip * 1e6,
                    client / kMessages / roundTrip);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pop3_summary_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
