#include "net/NMPOP3.h"

#include "net/BusyFlag.h"
#include "net/Exceptions.h"
#include "net/NthWord.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unordered_map>

namespace net {

namespace {
constexpr int kPop3Port = 110;
constexpr std::string_view kMessageIdField = "Message-ID:";
constexpr std::size_t kMessageIdLength = 256;
// RFC 1939 7 allows 70 characters; the number and the line end come on top.
constexpr std::size_t kLongestUniqueId = 70;
constexpr std::size_t kLongestUidlLine = 128;
// Far beyond any real header (mail servers commonly cut headers at 100 KB); a server that sends more is
// not ending its reply, and the lines would be kept until memory runs out.
constexpr std::size_t kLongestHeader = 1048576;
// A capability list is a few hundred bytes; one that goes on is not ending its reply.
constexpr std::size_t kLongestCapabilities = 65536;

// RFC 1939 3: the status indicator is "+OK" or "-ERR". Anything else, "+OKAY", "-ERR" run together with
// a tab, an empty line or another server's "* busy", is no success, since a deletion or a report may rest
// on it.
bool IsPositiveReply(std::string_view reply)
{
    return reply.substr(0, reply.find_first_of(" \t\r\n")) == "+OK";
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

// RFC 5322 2.2.3: a line that starts with a blank continues the field above it.
bool ContinuesField(const std::string& line)
{
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

// RFC 1939 7: one to seventy characters from 0x21 to 0x7E.
bool IsUniqueId(std::string_view text)
{
    return !text.empty() && text.size() <= kLongestUniqueId &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// A message whose entry came twice, or whose unique-id another message has too, cannot be told apart by it.
void ForgetAmbiguous(std::vector<std::string>& ids, const std::vector<int>& entriesPerMessage)
{
    std::unordered_map<std::string, int> holders;
    for (const std::string& id : ids) {
        if (!id.empty()) {
            ++holders[id];
        }
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (entriesPerMessage[i] > 1 || (!ids[i].empty() && holders[ids[i]] > 1)) {
            ids[i].clear();
        }
    }
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

    capabilities_.reset();
    capabilitiesAsked_ = false;
    uniqueIds_.reset();
    sizes_.clear();
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
    ReadSummary(messageNumber, false, SizeFrom::ListEach);
}

void TNMPOP3::GetSummaries(int first, int last)
{
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n) {
        numbers.push_back(n);
    }
    Fetch(numbers, SizeFrom::ListEach);
}

void TNMPOP3::GetHeaders(const std::vector<int>& messageNumbers)
{
    Fetch(messageNumbers, SizeFrom::WholeList);
}

void TNMPOP3::Fetch(const std::vector<int>& numbers, SizeFrom sizes)
{
    if (busy_) {
        return;
    }
    BusyFlag busy(busy_);
    CheckConnection();
    if (numbers.size() > 1 && Pipelines()) {
        FetchPipelined(numbers, sizes);
        return;
    }
    for (const int n : numbers) {
        ReadSummary(n, false, sizes);
    }
}

void TNMPOP3::FetchPipelined(const std::vector<int>& numbers, SizeFrom sizes)
{
    const auto commandsOf = [sizes](int n) {
        const std::string number = std::to_string(n);
        return "TOP " + number + " 0\r\n" + (sizes == SizeFrom::ListEach ? "LIST " + number + "\r\n" : "");
    };
    std::size_t next = 0;
    try {
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            // Refilled half a window at a time, so a send carries many commands.
            if (next < numbers.size() && next - i <= kPipelineWindow / 2) {
                std::string commands;
                for (; next < numbers.size() && next - i < kPipelineWindow; ++next) {
                    commands += commandsOf(numbers[next]);
                }
                Write(commands);
            }
            ReadSummary(numbers[i], true, sizes);
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
    if (!OptionalCommands) {
        return false;
    }
    if (!capabilitiesAsked_) {
        capabilitiesAsked_ = true;
        const std::string reply = Transaction("CAPA");
        if (reply.empty()) {
            throw EOptionalCommandRefused("Connection closed by server on CAPA");
        }
        // A server without CAPA refuses it, and is spoken to one command at a time.
        if (IsPositiveReply(reply)) {
            capabilities_ = Capabilities{};
            ReadCapabilities();
        }
    }
    return capabilities_ && capabilities_->pipelining;
}

void TNMPOP3::ReadCapabilities()
{
    ReadMultiLine(kLongestCapabilities, "CAPA reply longer than 65,536 bytes", [this](std::string_view line) {
        // The tag is the line's first word; UIDL and PIPELINING take no arguments (RFC 2449 6).
        const std::string_view tag = TrimControls(line);
        capabilities_->pipelining = capabilities_->pipelining || SameWordIgnoringCase(tag, "PIPELINING");
        capabilities_->uidl = capabilities_->uidl || SameWordIgnoringCase(tag, "UIDL");
    });
}

void TNMPOP3::ReadMultiLine(std::size_t longestReply, const char* tooLong,
                            const std::function<void(std::string_view line)>& take)
{
    for (std::size_t received = 0;;) {
        const std::string line = ReadLn();
        if (line.empty()) {
            RaiseReply(line);
        }
        received += line.size();
        if (received > longestReply) {
            // The rest of the reply would be taken for the next replies.
            TPowersock::Disconnect();
            throw Exception(tooLong);
        }
        const std::string_view text = WithoutLineEnd(line);
        if (text == ".") {
            return;
        }
        take(text);
    }
}

void TNMPOP3::GetUniqueIds(bool withSizes)
{
    if (busy_) {
        return;
    }
    BusyFlag busy(busy_);
    CheckConnection();
    if (uniqueIds_) {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(std::max(mailCount_, 0));
    uniqueIds_.emplace(count);
    sizes_.clear();
    // A CAPA reply that leaves UIDL out says the server has none.
    if (!OptionalCommands || (capabilities_ && !capabilities_->uidl) || count == 0) {
        return;
    }
    // Where the server pipelines, LIST goes right behind UIDL.
    const bool listAhead = withSizes && capabilities_ && capabilities_->pipelining;
    Write(listAhead ? "UIDL\r\nLIST\r\n" : "UIDL\r\n");
    const std::string reply = ReadReply();
    if (reply.empty()) {
        throw EOptionalCommandRefused("Connection closed by server on UIDL");
    }
    const bool listed = IsPositiveReply(reply);
    if (listed) {
        ReadUniqueIds();
    }
    if (listAhead || (withSizes && listed)) {
        ReadSizes(listAhead ? ReadReply() : Transaction("LIST"));
    }
}

void TNMPOP3::ReadEntries(const std::function<void(int number, std::string_view value)>& take)
{
    const std::size_t count = static_cast<std::size_t>(std::max(mailCount_, 0));
    // One line per message and the closing one; a reply beyond that is not ending.
    const std::size_t longestReply = (count + 1) * kLongestUidlLine + kLongestCapabilities;
    ReadMultiLine(longestReply, "Listing longer than the mailbox", [&](std::string_view entry) {
        // "n value"; an entry that says less or more, or names no message of the session, is left out.
        const std::size_t blank = entry.find(' ');
        std::int32_t number = 0;
        if (blank != std::string_view::npos && ToInt(entry.substr(0, blank), number) && number >= 1 &&
            static_cast<std::size_t>(number) <= count) {
            take(number, entry.substr(blank + 1));
        }
    });
}

void TNMPOP3::ReadUniqueIds()
{
    std::vector<std::string>& ids = *uniqueIds_;
    std::vector<int> entriesPerMessage(ids.size(), 0);
    try {
        ReadEntries([&](int number, std::string_view id) {
            if (IsUniqueId(id)) {
                ids[number - 1] = id;
                ++entriesPerMessage[number - 1];
            }
        });
    } catch (...) {
        uniqueIds_.reset();
        throw;
    }
    ForgetAmbiguous(ids, entriesPerMessage);
}

void TNMPOP3::ReadSizes(const std::string& reply)
{
    if (reply.empty()) {
        RaiseReply(reply);
    }
    if (!IsPositiveReply(reply)) {
        return;
    }
    std::vector<std::int32_t> sizes(uniqueIds_->size(), -1);
    ReadEntries([&](int number, std::string_view text) {
        std::int32_t size = 0;
        // A message listed twice has no size to trust.
        sizes[number - 1] = ToInt(text, size) && size >= 0 && sizes[number - 1] == -1 ? size : -2;
    });
    if (std::none_of(sizes.begin(), sizes.end(), [](std::int32_t size) { return size < 0; })) {
        sizes_ = std::move(sizes);
    }
}

std::int32_t TNMPOP3::ListedSize(int messageNumber) const
{
    if (messageNumber < 1 || static_cast<std::size_t>(messageNumber) > sizes_.size()) {
        return -1;
    }
    return sizes_[messageNumber - 1];
}

const std::string& TNMPOP3::UniqueId(int messageNumber) const
{
    static const std::string none;
    if (!uniqueIds_ || messageNumber < 1 || messageNumber > static_cast<int>(uniqueIds_->size())) {
        return none;
    }
    return (*uniqueIds_)[messageNumber - 1];
}

int TNMPOP3::NumberOfUniqueId(const std::string& uniqueId) const
{
    if (!uniqueIds_ || uniqueId.empty()) {
        return 0;
    }
    const auto found = std::find(uniqueIds_->begin(), uniqueIds_->end(), uniqueId);
    return found == uniqueIds_->end() ? 0 : static_cast<int>(found - uniqueIds_->begin()) + 1;
}

void TNMPOP3::ReadSummary(int messageNumber, bool commandsSent, SizeFrom sizes)
{
    summaryNumber_ = messageNumber;
    Fire(OnRetrieveStart);
    const std::string number = std::to_string(messageNumber);
    ExpectPositive(commandsSent ? ReadReply() : Transaction("TOP " + number + " 0"));
    FillHeader();
    std::int32_t bytes = 0;
    if (sizes == SizeFrom::WholeList) {
        bytes = ListedSize(messageNumber);
        if (bytes < 0) {
            throw Exception("No size listed for message " + number);
        }
    } else {
        const std::string reply = commandsSent ? ReadReply() : Transaction("LIST " + number);
        if (!ToInt(TrimControls(NthWord(reply, ' ', 3)), bytes)) {
            throw Exception("LIST reply without a message size: " + reply);
        }
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
    std::string messageId;
    bool inMessageId = false;
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
        line.resize(line.size() - TerminatorLength(line));
        // Names match exactly as spelled; the last of two equal fields wins.
        if (StartsWith(line, "Subject:")) {
            summary_.Subject = line.substr(8);
        }
        if (StartsWith(line, "From:")) {
            summary_.From = line.substr(5);
        }
        inMessageId = inMessageId && ContinuesField(line);
        if (inMessageId && messageId.size() <= kLongestHeader / 1024) {
            messageId += line;
        }
        if (StartsWith(line, kMessageIdField)) {
            messageId = line.substr(kMessageIdField.size());
            inMessageId = true;
        }
        const bool end = line == ".";
        summary_.Header.Add(std::move(line));
        if (end) {
            summary_.MessageId = TrimControls(messageId).substr(0, kMessageIdLength);
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
        if (!IsPositiveReply(reply)) {
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
