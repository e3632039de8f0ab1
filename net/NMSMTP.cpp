#include "net/NMSMTP.h"

#include "net/BufferStream.h"
#include "net/BusyFlag.h"
#include "net/Exceptions.h"
#include "net/FileStream.h"
#include "net/HoldsLineBreak.h"
#include "net/ReplyCode.h"
#include "net/SmtpExtensions.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace net {

namespace {
constexpr int kSmtpPort = 25;
constexpr int kGreetingRefusedFrom = 400;
constexpr int kHeloRefusedFrom = 300;
constexpr int kCommandRefusedFrom = 400;
constexpr int kRecipientRefusedAbove = 300;
constexpr int kQuitRefusedFrom = 340;
constexpr int kReadyForTls = 220;
constexpr int kAuthenticated = 235;
constexpr int kGoOn = 334;
// Far beyond any real reply (an EHLO lists a few hundred bytes); a server that goes on is not ending it.
constexpr std::size_t kLongestReply = 65536;
constexpr std::size_t kLargestWrite = 65535;
constexpr char kClosedByServer[] = "Connection closed by server";
// RFC 5321 4.1.4 asks for a name; this one tells whoever watches the line nothing of the account or the
// machine, and a submission server knows its client by AUTH.
constexpr char kNameBeforeTls[] = "localhost";

std::string Joined(const std::vector<std::string>& entries)
{
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += i == 0 ? "" : ",";
        text += entries[i];
    }
    return text;
}

std::string_view ContentTypeOf(TSubType subType)
{
    switch (subType) {
    case TSubType::mtEnriched: return "Content-Type: text/enriched; charset=";
    case TSubType::mtSgml: return "Content-Type: text/sgml; charset=";
    case TSubType::mtTabSeperated: return "Content-Type: text/tab-separated-values; charset=";
    case TSubType::mtHtml: return "Content-Type: text/html; charset=";
    case TSubType::mtPlain: break;
    }
    return "Content-Type: text/plain; charset=";
}

// Every line of the text leaves as one CR LF line, and a line that starts with "." gets a second one
// (RFC 5321 4.5.2): a lone "." would end the message early, and what followed it would be read as
// commands. Bare CR and LF become CR LF, as SMTP allows no others (2.3.8). This holds for every line
// inside a body entry too, not only for the entry's first.
std::string StuffedLines(std::string_view text)
{
    std::string lines;
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        if (byte == '\r' || byte == '\n') {
            if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && byte == '.') {
            lines += '.';
        }
        lines += byte;
        lineStart = false;
    }
    return lines;
}

// Server replies reach error texts and logs, so a refusal never echoes the offending value.
[[noreturn]] void RefuseLineBreak(const std::string& where)
{
    throw Exception("Line break or zero byte in " + where);
}

[[noreturn]] void RefuseUnsafeAddress(const std::string& where)
{
    throw Exception("Blank, angle bracket or control byte in " + where);
}
}  // namespace

TNMSMTP::TNMSMTP(PumpFunction pump, HostResolver resolver)
    : TPowersock(std::move(pump), std::move(resolver)), random_(std::random_device{}())
{
    Port = kSmtpPort;
}

void TNMSMTP::Fire(const FileEvent& event, const std::string& filename)
{
    if (event) {
        event(filename);
    }
}

void TNMSMTP::Connect()
{
    // OnConnect is part of the Connect: a send started from it returns at once.
    BusyFlag busy(busy_);
    TPowersock::Connect();
    try {
        Greet();
    } catch (...) {
        try {
            // A server that has hung up was closed and reported already.
            if (Connected()) {
                Disconnect();
            }
        } catch (...) {
            // The refusal that ended the greeting is the one to report.
        }
        throw;
    }
    Fire(OnConnect);
}

void TNMSMTP::Greet()
{
    std::string greeting = ReadLn();
    SkipContinuationLines(greeting);
    if (greeting.empty()) {
        throw Exception(kClosedByServer);
    }
    if (ReplyCode(greeting) >= kGreetingRefusedFrom) {
        throw Exception(greeting);
    }
    std::vector<std::string> extensions = Introduce();
    if (RequestedTransport() == Transport::Plain) {
        return;
    }
    if (!Secure()) {
        SwitchToTls(extensions);
        // What the server offered in clear may have been tampered with; only its answer inside TLS counts.
        extensions = Introduce();
    }
    Authenticate(extensions);
}

std::vector<std::string> TNMSMTP::Introduce()
{
    std::vector<std::string> extensions;
    for (bool retried = false; !SayHelo(extensions); retried = true) {
        // The handler may correct UserID.
        if (retried || !HandlerAsksForRetry(OnAuthenticationFailed)) {
            throw Exception("Authentication failed");
        }
    }
    return extensions;
}

bool TNMSMTP::SayHelo(std::vector<std::string>& extensions)
{
    if (RequestedTransport() == Transport::Plain) {
        if (Exchange("HELO " + UserID).empty()) {
            throw Exception(kClosedByServer);
        }
    } else {
        // Before STARTTLS everything travels in clear, and the user ID is the login name: the server hears
        // it inside TLS.
        extensions = ExchangeAllLines("EHLO " + (Secure() ? UserID : std::string(kNameBeforeTls)));
        if (extensions.empty()) {
            throw Exception(kClosedByServer);
        }
    }
    return ReplyNumber() < kHeloRefusedFrom;
}

void TNMSMTP::SwitchToTls(const std::vector<std::string>& extensions)
{
    if (!OffersExtension(extensions, "STARTTLS")) {
        FailTls("The server does not offer STARTTLS");
    }
    const std::string reply = Exchange("STARTTLS");
    if (reply.empty() || ReplyNumber() != kReadyForTls) {
        FailTls("The server refused STARTTLS");
    }
    StartTls();
}

void TNMSMTP::Authenticate(const std::vector<std::string>& extensions)
{
    if (!OffersExtension(extensions, "AUTH")) {
        return;
    }
    for (bool retried = false; !SendCredentials(extensions); retried = true) {
        // The handler may correct UserID and Password.
        if (retried || !HandlerAsksForRetry(OnAuthenticationFailed)) {
            throw Exception("Authentication failed");
        }
    }
}

bool TNMSMTP::SendCredentials(const std::vector<std::string>& extensions)
{
    // Never in clear, whatever a server offers.
    if (!Secure()) {
        throw Exception("Credentials are sent inside TLS only");
    }
    const auto answered = [this](const std::string& step, int expected) {
        if (Exchange(step).empty()) {
            throw Exception(kClosedByServer);
        }
        return ReplyNumber() == expected;
    };
    if (OffersMechanism(extensions, "PLAIN")) {
        return answered("AUTH PLAIN " + Base64Line(std::string(1, '\0') + UserID + '\0' + Password), kAuthenticated);
    }
    if (!OffersMechanism(extensions, "LOGIN")) {
        throw Exception("The server offers no authentication this client speaks");
    }
    return answered("AUTH LOGIN", kGoOn) && answered(Base64Line(UserID), kGoOn) &&
           answered(Base64Line(Password), kAuthenticated);
}

std::string TNMSMTP::Exchange(std::string_view command)
{
    const std::string reply = Transaction(command);
    // Left in the socket, the rest of a multi-line reply would be taken for the replies to the next
    // commands (RFC 5321 4.2.1).
    std::string current = reply;
    SkipContinuationLines(current);
    return reply;
}

void TNMSMTP::Command(std::string_view command, int refusedFrom)
{
    const std::string reply = Exchange(command);
    if (reply.empty()) {
        throw Exception(kClosedByServer);
    }
    if (ReplyNumber() >= refusedFrom) {
        throw Exception(reply);
    }
}

std::vector<std::string> TNMSMTP::ExchangeAllLines(std::string_view command)
{
    std::vector<std::string> lines{Transaction(command)};
    std::string current = lines.front();
    ReadContinuationLines(current, &lines);
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

void TNMSMTP::SkipContinuationLines(std::string& line)
{
    ReadContinuationLines(line, nullptr);
}

void TNMSMTP::ReadContinuationLines(std::string& line, std::vector<std::string>* kept)
{
    std::size_t received = line.size();
    while (!line.empty() && (line[0] == ' ' || (line.size() >= 4 && line[3] == '-'))) {
        line = ReadLn();
        received += line.size();
        if (received > kLongestReply) {
            // Its rest would be taken for the replies to the commands that follow.
            TPowersock::Disconnect();
            throw Exception("Reply longer than 65,536 bytes");
        }
        if (kept != nullptr) {
            kept->push_back(line);
        }
    }
}

void TNMSMTP::SendMail()
{
    if (busy_) {
        return;
    }
    {
        BusyFlag busy(busy_);
        ComposeMessage();
        CheckConnection();
        CheckHeader();
        const Envelope envelope = TakeEnvelope();
        RefuseUnsafeText(envelope);
        Fire(OnSendStart);
        Command("RSET", kCommandRefusedFrom);
        Command("MAIL FROM:<" + envelope.sender + ">", kCommandRefusedFrom);
        SendRecipients(envelope.recipients);
        Command("DATA", kCommandRefusedFrom);
        WriteHeaderBlock();
        SendStream(messageText_);
        EndData();
        if (ClearParams) {
            PostMessage.ToAddress.clear();
            PostMessage.ToCarbonCopy.clear();
            PostMessage.ToBlindCarbonCopy.clear();
            PostMessage.Attachments.clear();
        }
    }
    Fire(OnSuccess);
}

bool TNMSMTP::HeaderComplete() const
{
    return !PostMessage.FromAddress.empty() &&
           (!PostMessage.ToAddress.empty() || !PostMessage.ToCarbonCopy.empty() ||
            !PostMessage.ToBlindCarbonCopy.empty());
}

void TNMSMTP::CheckHeader()
{
    if (HeaderComplete()) {
        return;
    }
    if (!OnHeaderIncomplete) {
        throw Exception("Incomplete Header");
    }
    // The header lines are composed already: what the handler supplies reaches the envelope only.
    bool handled = false;
    OnHeaderIncomplete(handled, PostMessage.FromAddress.empty() ? 1 : 2);
    if (!handled || !HeaderComplete()) {
        throw Exception("Incomplete Header");
    }
}

TNMSMTP::Envelope TNMSMTP::TakeEnvelope() const
{
    Envelope envelope{PostMessage.FromAddress, {}};
    for (const auto* list : {&PostMessage.ToAddress, &PostMessage.ToCarbonCopy, &PostMessage.ToBlindCarbonCopy}) {
        envelope.recipients.insert(envelope.recipients.end(), list->begin(), list->end());
    }
    return envelope;
}

void TNMSMTP::RefuseUnsafeText(const Envelope& envelope) const
{
    if (HoldsLineBreak(envelope.sender)) {
        RefuseLineBreak("the sender address");
    }
    if (std::any_of(envelope.recipients.begin(), envelope.recipients.end(), HoldsLineBreak)) {
        RefuseLineBreak("a recipient address");
    }
    for (const std::string& line : finalHeader_.Lines()) {
        if (HoldsLineBreak(line)) {
            RefuseLineBreak("the " + line.substr(0, line.find(':')) + " line");
        }
    }
    if (!SafeEnvelopeAddress(envelope.sender)) {
        RefuseUnsafeAddress("the sender address");
    }
    if (!std::all_of(envelope.recipients.begin(), envelope.recipients.end(),
                     [](const std::string& entry) { return SafeEnvelopeAddress(ExtractAddress(entry)); })) {
        RefuseUnsafeAddress("a recipient address");
    }
}

void TNMSMTP::SendRecipients(const std::vector<std::string>& recipients)
{
    for (const std::string& entry : recipients) {
        const std::string address = ExtractAddress(entry);
        if (address.empty()) {
            continue;
        }
        if (Exchange("RCPT TO:<" + address + ">").empty()) {
            throw Exception(kClosedByServer);
        }
        if (ReplyNumber() > kRecipientRefusedAbove && OnRecipientNotFound) {
            OnRecipientNotFound(entry);
        }
    }
}

void TNMSMTP::WriteHeaderBlock()
{
    std::string block;
    for (const std::string& line : finalHeader_.Lines()) {
        block += line + "\r\n";
    }
    block += "\r\n\r\n";
    // In pieces, so that a header of many recipients is not bound by the largest single write.
    for (std::size_t start = 0; start < block.size(); start += kLargestWrite) {
        const std::size_t length = std::min(kLargestWrite, block.size() - start);
        SendBuffer(block.data() + start, static_cast<std::uint16_t>(length));
    }
}

void TNMSMTP::EndData()
{
    const std::string reply = Exchange(".");
    if (reply.empty() || ReplyNumber() >= kCommandRefusedFrom) {
        Fire(OnFailure);
        throw Exception(reply.empty() ? kClosedByServer : reply);
    }
}

void TNMSMTP::ComposeMessage()
{
    const bool withAttachments = !PostMessage.Attachments.empty();
    if (withAttachments) {
        MakeBoundary();
    }
    ComposeHeader(withAttachments);
    messageText_ = MemoryStream();
    if (!withAttachments) {
        AppendBody();
        return;
    }
    AppendText("--" + boundary_ + "\r\nContent-Type: text/plain; charset=" + Charset + "\r\n\r\n");
    AppendBody();
    // A copy: an event handler may change the list while a file is coded.
    const std::vector<std::string> attachments = PostMessage.Attachments;
    for (const std::string& path : attachments) {
        AppendAttachment(path);
    }
    AppendText("--" + boundary_ + "--\r\n");
}

void TNMSMTP::ComposeHeader(bool withAttachments)
{
    finalHeader_.Clear();
    finalHeader_.Add("From: " + PostMessage.FromName + "<" + PostMessage.FromAddress + ">");
    if (!PostMessage.ToAddress.empty()) {
        finalHeader_.Add("To: " + Joined(PostMessage.ToAddress));
    }
    if (!PostMessage.ToCarbonCopy.empty()) {
        finalHeader_.Add("CC: " + Joined(PostMessage.ToCarbonCopy));
    }
    finalHeader_.SetHeader("Subject", PostMessage.Subject);
    finalHeader_.SetHeader("X-Mailer", PostMessage.LocalProgram);
    finalHeader_.SetHeader("Reply-To", PostMessage.ReplyTo);
    finalHeader_.SetHeader("Date", PostMessage.Date);
    finalHeader_.Add("Mime-Version: 1.0");
    if (withAttachments) {
        finalHeader_.Add("Content-Type: multipart/mixed; boundary=\"" + boundary_ + "\"");
    } else {
        finalHeader_.Add(std::string(ContentTypeOf(SubType)) + Charset);
    }
}

void TNMSMTP::MakeBoundary()
{
    std::uniform_int_distribution<int> letter(0, 24);
    boundary_ = "====================54535";
    for (int i = 0; i < 6; ++i) {
        boundary_ += static_cast<char>('a' + letter(random_));
    }
    boundary_ += "====";
}

void TNMSMTP::AppendText(std::string_view bytes)
{
    messageText_.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TNMSMTP::AppendBody()
{
    std::string text;
    for (const std::string& entry : PostMessage.Body) {
        text += StuffedLines(entry) + "\r\n";
    }
    AppendText(text);
}

void TNMSMTP::AppendAttachment(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    if (HoldsLineBreak(name)) {
        RefuseLineBreak("an attachment file name");
    }
    // Mail readers would decode uuencoded lines labelled base64 into garbage.
    const std::string_view transferEncoding = EncodeType == UUMethods::uuCode ? "x-uuencode" : "base64";
    AppendText("--" + boundary_ + "\r\nContent-Type: application/octet-stream; name=\"" + name +
               "\"\r\nContent-Transfer-Encoding: " + std::string(transferEncoding) +
               "\r\nContent-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n");
    std::unique_ptr<FileStream> file;
    try {
        file = std::make_unique<FileStream>(path, FileStream::Mode::OpenRead);
    } catch (const EStreamError&) {
        Fire(OnAttachmentNotFound, path);
        throw;
    }
    MemoryStream coded;
    {
        TS_BufferStream output(coded);
        TNMUUProcessor coder;
        coder.Method = EncodeType;
        coder.InputStream = file.get();
        coder.OutputStream = &output;
        Fire(OnEncodeStart, path);
        coder.Encode();
        Fire(OnEncodeEnd, path);
    }
    // A uuencoded line of 14 bytes starts with its length character ".".
    AppendText(StuffedLines(coded.Bytes()));
}

void TNMSMTP::Disconnect()
{
    if (!Connected()) {
        TPowersock::Disconnect();
        return;
    }
    // An earlier Abort must not stop the QUIT.
    ClearCanceled();
    const std::string reply = CloseAfter([this] { return Exchange("QUIT"); });
    if (ReplyNumber() >= kQuitRefusedFrom) {
        throw Exception(reply);
    }
}

}  // namespace net
