#include "bench/CheckRig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"

namespace benchrig {
namespace {

double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void Send(int client, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

double Milliseconds(SteadyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

std::string HeaderOf(int n) {
    const std::string id = std::to_string(n);
    const std::string subject = n % 10 == 0 ? "=?ISO-2022-JP?B?GyRCIVpMJD41Qno5LTlwIVslOyE8JWsbKEI=?= " + id
                                            : "=?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?= " + id;
    return "Return-Path: <sender" + id + "@example.co.jp>\r\n"
           "Received: from mx.example.co.jp (mx.example.co.jp [192.0.2.1])\r\n"
           "\tby mail.example.jp with ESMTP id " + id + "; Mon, 7 Dec 2026 09:15:02 +0900\r\n"
           "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <sender" + id + "@example.co.jp>\r\n"
           "To: taro@example.jp\r\n"
           "Subject: " + subject + "\r\n"
           "Message-ID: <" + id + ".check-bench@example.co.jp>\r\n"
           "Date: Mon, 7 Dec 2026 09:15:02 +0900\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n";
}

std::string DeliveredHeaderOf(int n) {
    const std::string id = std::to_string(n);
    const std::string signature(344, 'S');  // a 2048-bit RSA signature in base64, folded below
    const auto folded = [&](const std::string& field) {
        std::string lines = field;
        for (std::size_t at = 0; at < signature.size(); at += 72) lines += "\r\n\t" + signature.substr(at, 72);
        return lines + "\r\n";
    };
    return "Delivered-To: taro@example.jp\r\n"
           "Received: by 2002:a05:7000:1234:b0:5f1:aaaa:bbbb with SMTP id " + id + "; Mon, 7 Dec 2026 09:15:04 +0900\r\n"
           "X-Received: by 2002:a17:90a:c4:b0:2c8:1111:2222 with SMTP id " + id + "-v6mr; Mon, 7 Dec 2026 09:15:04 +0900\r\n" +
           folded("ARC-Seal: i=1; a=rsa-sha256; t=1796688904; cv=none; d=example.jp; s=arc-20240605; b=") +
           folded("ARC-Message-Signature: i=1; a=rsa-sha256; c=relaxed/relaxed; d=example.jp; s=arc-20240605;\r\n"
                  "\th=message-id:date:subject:to:from:mime-version:dkim-signature; bh=" + std::string(44, 'B') +
                  "; b=") +
           "ARC-Authentication-Results: i=1; mx.example.jp; dkim=pass header.i=@example.co.jp;\r\n"
           "\tspf=pass (example.jp: domain of sender" + id + "@example.co.jp designates 192.0.2.1 as permitted sender)\r\n"
           "\tsmtp.mailfrom=sender" + id + "@example.co.jp; dmarc=pass (p=NONE sp=NONE dis=NONE) header.from=example.co.jp\r\n"
           "Received-SPF: pass (example.jp: domain of sender" + id + "@example.co.jp designates 192.0.2.1 as permitted sender)\r\n"
           "\tclient-ip=192.0.2.1;\r\n"
           "Authentication-Results: mx.example.jp; dkim=pass header.i=@example.co.jp; spf=pass\r\n"
           "\tsmtp.mailfrom=sender" + id + "@example.co.jp; dmarc=pass (p=NONE sp=NONE dis=NONE) header.from=example.co.jp\r\n" +
           folded("DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.co.jp; s=selector1;\r\n"
                  "\th=From:To:Subject:Date:Message-ID:MIME-Version:Content-Type; bh=" + std::string(44, 'H') + "; b=") +
           "List-Unsubscribe: <https://example.co.jp/unsubscribe?id=" + id + ">\r\n"
           "List-Unsubscribe-Post: List-Unsubscribe=One-Click\r\n"
           "X-Mailer: Example Mailer 5.2\r\n" + HeaderOf(n);
}

MailboxServer::MailboxServer(int messages) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0) {
        throw std::runtime_error("bench: cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    address_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    for (int n = 1; n <= messages; ++n) headers_.push_back(HeaderOf(n));
    thread_ = std::thread([this] { Serve(); });
}

MailboxServer::~MailboxServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void MailboxServer::Serve() {
    while (!stop_) {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Converse(client);
        ::close(client);
    }
}

void MailboxServer::Converse(int client) const {
    Send(client, "+OK ready\r\n");
    std::string pending;
    char buffer[4096];
    for (;;) {
        const std::size_t end = pending.find("\r\n");
        if (end == std::string::npos) {
            const ssize_t received = ::recv(client, buffer, sizeof buffer, 0);
            if (received <= 0) return;
            pending.append(buffer, static_cast<std::size_t>(received));
            continue;
        }
        const std::string command = pending.substr(0, end);
        pending.erase(0, end + 2);
        Send(client, Reply(command));
        if (command == "QUIT") return;
    }
}

std::string MailboxServer::Reply(const std::string& command) const {
    if (command == "STAT") return "+OK " + std::to_string(headers_.size()) + " 9000000\r\n";
    if (command == "QUIT") return "+OK bye\r\n";
    // Without CAPA the check speaks one command at a time, and without UIDL it fetches every summary: the
    // exchange these benchmarks measure.
    if (command == "CAPA" || command == "UIDL") return "-ERR no capabilities\r\n";
    const int n = std::atoi(command.c_str() + std::min(command.size(), command.find(' ') + 1));
    if (n >= 1 && n <= static_cast<int>(headers_.size()) && command.rfind("TOP ", 0) == 0) {
        return "+OK\r\n" + headers_[static_cast<std::size_t>(n - 1)] + "\r\n.\r\n";
    }
    if (n >= 1 && n <= static_cast<int>(headers_.size()) && command.rfind("LIST ", 0) == 0) {
        return "+OK " + std::to_string(n) + " " + std::to_string(1800 + n) + "\r\n";
    }
    return "+OK\r\n";
}

Timing Measure(const std::function<void()>& run) {
    const double cpuStart = ThreadCpuMilliseconds();
    const auto start = SteadyClock::now();
    run();
    return {Milliseconds(SteadyClock::now() - start), ThreadCpuMilliseconds() - cpuStart};
}

Timing Best(const std::vector<Timing>& timings) {
    Timing best = timings.front();
    for (const Timing& timing : timings) {
        best.wallMs = std::min(best.wallMs, timing.wallMs);
        best.cpuMs = std::min(best.cpuMs, timing.cpuMs);
    }
    return best;
}

app::AccountRecord BenchAccount(const std::string& address, bool rejecting) {
    const std::string on(app::kFlagOn);
    const std::string rejectFlag(app::FlagText(rejecting));
    return {"taro@example.jp", "taro", "secret", address, on, rejectFlag, "smtp.example.jp", rejectFlag};
}

CheckRig::CheckRig(const app::AccountRecord& account, const std::filesystem::path& logFolder)
    : log(app::DataFolder(logFolder), clock) {
    accounts.Append(account);
    settings.HeaderAdd = true;
}

app::CheckCycle& CheckRig::Cycle() {
    if (!cycle) {
        cycle = std::make_unique<app::CheckCycle>(
            app::CheckContext{accounts, settings, run, timer, quiet, quiet, quiet, quiet, log}, timer);
    }
    return *cycle;
}

Timing CheckRig::Check() {
    quiet.entries.clear();
    return Measure([&] { Cycle().RunCheck(); });
}

std::filesystem::path WriteDataFolder(const std::filesystem::path& folder, const app::AccountRecord& account,
                                      const app::Settings& settings) {
    std::filesystem::create_directory(folder);
    const std::vector<app::AccountRecord> rows{account};
    if (!app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder / "quillon.dat") ||
        !app::SaveSettings(settings, folder / "quillet.ini")) {
        throw std::runtime_error("cannot write the data folder " + folder.string());
    }
    return folder;
}

void KeepToOneCpu(const char* benchmark) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) std::fprintf(stderr, "%s: runs on every CPU\n", benchmark);
}

}  // namespace benchrig
