// Fetches the summaries of 1,000 messages (TOP n 0 and LIST n each) from a loopback POP3 server with
// TNMPOP3, then does the same exchange with Python's poplib against the same server, and compares.
// A plain ping-pong over the same loopback connection gives the round-trip time the exchange is bound by.

#include "net/NMPOP3.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kMessages = 1000;
constexpr int kRounds = 3;
using Clock = std::chrono::steady_clock;

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
        Send(client, "+OK bench ready\r\n");
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
                Send(client, "+OK bye\r\n");
                return;
            }
            Send(client, Reply(command));
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

    static void Send(int client, const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
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

// One command line and one reply line per round trip, through the same component.
double RoundTripSeconds(int port)
{
    net::TNMPOP3 pop;
    LogIn(pop, port);
    const auto start = Clock::now();
    for (int i = 0; i < kMessages; ++i) {
        pop.Transaction("NOOP");
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    pop.Disconnect();
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

}  // namespace

int main()
{
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
