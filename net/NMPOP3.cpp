#include "net/NMPOP3.h"

#include "net/BusyFlag.h"
#include "net/Exceptions.h"
#include "net/NthWord.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace net {

namespace {
constexpr int kPop3Port = 110;
constexpr std::size_t kMessageIdStart = 12;
constexpr std::size_t kMessageIdLength = 256;
// Far beyond any real header (mail servers commonly cut headers at 100 KB); a server that sends more is
// not ending its reply, and the lines would be kept until memory runs out.
constexpr std::size_t kLongestHeader = 1048576;
// A capability list is a few hundred bytes; one that goes on is not ending its reply.
constexpr std::size_t kLongestCapabilities = 65536;

// A reply is positive when its first word contains "+OK".
bool IsPositiveReply(const std::string& reply)
{
    return NthWord(reply, ' ', 1).find("+OK") != std::string::npos;
}

// The reply line is the message; a closed connection leaves no line, so it gets a text of its own.
[[noreturn]] void RaiseReply(const std::string& reply)
{
    throw Exception(reply.empty() ? "Connection closed by server" : reply);
}

void ExpectPositive(const std::string& reply)
{
    if (!IsPositiveReply(reply)) {
        RaiseReply(reply);
    }
}

std::size_t TerminatorLength(const std::string& line)
{
    if (line.size() >= 2 && line[line.size() - 2] == '\r') {
        return 2;
    }
    return line.empty() ? 0 : 1;
}

std::string_view WithoutLineEnd(std::string_view word)
{
    while (!word.empty() && (word.back() == '\n' || word.back() == '\r')) {
        word.remove_suffix(1);
    }
    return word;
}

// The field's text between its name and the line terminator.
std::string FieldValue(const std::string& line, std::size_t nameLength)
{
    const std::size_t end = line.size() - TerminatorLength(line);
    return end > nameLength ? line.substr(nameLength, end - nameLength) : std::string();
}

bool StartsWith(const std::string& line, std::string_view prefix)
{
    return line.compare(0, prefix.size(), prefix) == 0;
}

// Blanks and control characters around the text go, as the reply's terminator does.
std::string_view TrimControls(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool SameWordIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool ToInt(std::string_view text, std::int32_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}
}  // namespace

TNMPOP3::TNMPOP3(PumpFunction pump, HostResolver resolver) : TPowersock(std::move(pump), std::move(resolver))
{
    Port = kPop3Port;
}

TNMPOP3::~TNMPOP3()
{
    MarkDestroying();
    try {
        TNMPOP3::Abort();
    } catch (...) {
        // The connection is dropped either way.
    }
}

void TNMPOP3::SetAttachFilePath(std::string path)
{
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    attachFilePath_ = std::move(path);
}

void TNMPOP3::Connect()
{
    for (bool retried = false; UserID.empty() || Password.empty(); retried = true) {
        if (!OnAuthenticationNeeded) {
            throw Exception("Authentication failed");
        }
        if (retried) {
            break;
        }
        if (!HandlerAsksForRetry(OnAuthenticationNeeded)) {
            throw Exception("Authentication failed");
        }
    }

    pipelines_.reset();
    bool loggedIn = false;
    try {
        BusyFlag busy(busy_);
        TPowersock::Connect();
        try {
            ExpectPositive(ReadLn());
            LogIn();
            loggedIn = true;
            const std::string reply = Transaction("STAT");
            ExpectPositive(reply);
            // RFC 1939 puts the size after the count; without it the count keeps the CR LF and reads as 0.
            std::int32_t count = 0;
            mailCount_ = ToInt(NthWord(reply, ' ', 2), count) ? count : 0;
        } catch (...) {
            Disconnect();
            throw;
        }
    } catch (...) {
        // OnConnect comes last, also when STAT failed after the login.
        if (loggedIn) {
            Fire(OnConnect);
        }
        throw;
    }
    Fire(OnConnect);
}

void TNMPOP3::LogIn()
{
    bool retried = false;
    for (bool done = false; !done;) {
        if (CheckLoginReply(Transaction("USER " + UserID), retried)) {
            done = CheckLoginReply(Transaction("PASS " + Password), retried);
        }
    }
}

bool TNMPOP3::CheckLoginReply(const std::string& reply, bool& retried)
{
    if (IsPositiveReply(reply)) {
        return true;
    }
    if (retried || !HandlerAsksForRetry(OnAuthenticationFailed)) {
        throw Exception("Authentication failed");
    }
    retried = true;
    return false;
}

void TNMPOP3::GetSummary(int messageNumber)
{
    if (busy_) {
        return;
    }
    BusyFlag busy(busy_);
    CheckConnection();
    ReadSummary(messageNumber, false);
}

void TNMPOP3::GetSummaries(int first, int last)
{
    if (busy_) {
        return;
    }
    BusyFlag busy(busy_);
    CheckConnection();
    if (last > first && Pipelines()) {
        GetSummariesPipelined(first, last);
        return;
    }
    for (int n = first; n <= last; ++n) {
        ReadSummary(n, false);
    }
}

void TNMPOP3::GetSummariesPipelined(int first, int last)
{
    const auto commandsOf = [](int n) {
        const std::string number = std::to_string(n);
        return "TOP " + number + " 0\r\nLIST " + number + "\r\n";
    };
    int next = first;
    try {
        for (int n = first; n <= last; ++n) {
            // Refilled half a window at a time, so a send carries many commands.
            if (next <= last && next - n <= kPipelineWindow / 2) {
                std::string commands;
                for (; next <= last && next - n < kPipelineWindow; ++next) {
                    commands += commandsOf(next);
                }
                Write(commands);
            }
            ReadSummary(n, true);
        }
    } catch (...) {
        if (Connected()) {
            TPowersock::Disconnect();
        }
        throw;
    }
}

bool TNMPOP3::Pipelines()
{
    if (pipelines_) {
        return *pipelines_;
    }
    pipelines_ = false;
    const std::string reply = Transaction("CAPA");
    if (reply.empty()) {
        RaiseReply(reply);
    }
    // A server without CAPA refuses it, and is spoken to one command at a time.
    if (!IsPositiveReply(reply)) {
        return false;
    }
    for (std::size_t received = 0;;) {
        const std::string line = ReadLn();
        if (line.empty()) {
            RaiseReply(line);
        }
        received += line.size();
        if (received > kLongestCapabilities) {
            TPowersock::Disconnect();
            throw Exception("CAPA reply longer than 65,536 bytes");
        }
        if (WithoutLineEnd(line) == ".") {
            return *pipelines_;
        }
        if (SameWordIgnoringCase(TrimControls(line), "PIPELINING")) {
            pipelines_ = true;
        }
    }
}

void TNMPOP3::ReadSummary(int messageNumber, bool commandsSent)
{
    summaryNumber_ = messageNumber;
    Fire(OnRetrieveStart);
    const std::string number = std::to_string(messageNumber);
    ExpectPositive(commandsSent ? ReadReply() : Transaction("TOP " + number + " 0"));
    FillHeader();
    const std::string reply = commandsSent ? ReadReply() : Transaction("LIST " + number);
    std::int32_t bytes = 0;
    if (!ToInt(TrimControls(NthWord(reply, ' ', 3)), bytes)) {
        throw Exception("LIST reply without a message size: " + reply);
    }
    summary_.Bytes = bytes;
    ReportStatus(1, "Summary Retrieved");
    Fire(OnRetrieveEnd);
}

void TNMPOP3::FillHeader()
{
    summary_.Header.Clear();
    summary_.Subject.clear();
    summary_.From.clear();
    summary_.MessageId.clear();
    std::size_t received = 0;
    for (;;) {
        std::string line = ReadLn();
        if (line.empty()) {
            throw Exception("Connection closed while reading the header");
        }
        received += line.size();
        if (received > kLongestHeader) {
            // The rest of the reply is still queued and would be taken for the next replies; only a fresh
            // connection gets the conversation back in step.
            TPowersock::Disconnect();
            throw Exception("Header longer than 1,048,576 bytes");
        }
        // Names match exactly as spelled; the last of two equal fields wins.
        if (StartsWith(line, "Subject:")) {
            summary_.Subject = FieldValue(line, 8);
        }
        if (StartsWith(line, "From:")) {
            summary_.From = FieldValue(line, 5);
        }
        if (StartsWith(line, "Message-ID:")) {
            summary_.MessageId = line.substr(std::min(kMessageIdStart, line.size()), kMessageIdLength);
        }
        line.resize(line.size() - TerminatorLength(line));
        const bool end = line == ".";
        summary_.Header.Add(std::move(line));
        if (end) {
            return;
        }
    }
}

void TNMPOP3::DeleteMailMessage(int messageNumber)
{
    if (busy_) {
        return;
    }
    {
        BusyFlag busy(busy_);
        CheckConnection();
        const std::string reply = Transaction("DELE " + std::to_string(messageNumber));
        // A bare "-ERR" line still carries its terminator in the first word, and no reply at all is no
        // success either.
        if (reply.empty() || WithoutLineEnd(NthWord(reply, ' ', 1)) == "-ERR") {
            Fire(OnFailure);
            RaiseReply(reply);
        }
    }
    Fire(OnSuccess);
}

void TNMPOP3::Disconnect()
{
    if (!Connected()) {
        return;
    }
    const std::string reply = CloseAfter([this] { return Transaction("QUIT"); });
    ExpectPositive(reply);
}

void TNMPOP3::Abort()
{
    Cancel();
    if (Connected()) {
        TPowersock::Disconnect();
        ClearInput();
    }
}

}  // namespace net
