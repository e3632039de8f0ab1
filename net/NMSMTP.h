#pragma once
// TNMSMTP: the SMTP client (RFC 821 subset: HELO, RSET, MAIL, RCPT, DATA, QUIT). A server field that asks
// for TLS gets EHLO instead, STARTTLS where it must switch (RFC 3207), and authentication inside TLS when the
// server offers it (RFC 4954: PLAIN, else LOGIN); a plain connection never sends credentials. It composes one message at a time from PostMessage, attachments coded into a
// multipart/mixed message, and sends it over the open connection. It converts no character set: callers
// hand it texts already in the form they are to travel in.

#include "net/EnvelopeAddress.h"
#include "net/ExStringList.h"
#include "net/MemoryStream.h"
#include "net/NMUUProcessor.h"
#include "net/PostMessage.h"
#include "net/Powersock.h"

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace net {

enum class TSubType { mtPlain, mtEnriched, mtSgml, mtTabSeperated, mtHtml };

class TNMSMTP : public TPowersock {
public:
    using FileEvent = std::function<void(const std::string& filename)>;
    using RecipientEvent = std::function<void(const std::string& recipient)>;
    // hiType 1: no sender address; 2: no recipient at all.
    using HeaderIncompleteEvent = std::function<void(bool& handled, int hiType)>;

    explicit TNMSMTP(PumpFunction pump = {}, HostResolver resolver = {});

    // The HELO argument (EHLO inside TLS), and the user name when the server asks for authentication.
    std::string UserID;
    std::string Password;
    TPostMessage PostMessage;
    UUMethods EncodeType = UUMethods::uuMime;
    // After a successful send, empty the three recipient lists and Attachments.
    bool ClearParams = true;
    TSubType SubType = TSubType::mtPlain;  // of a message without attachments
    std::string Charset = "us-ascii";

    // Fires once greeting and HELO have succeeded; hides the socket-level event of that name.
    NotifyEvent OnConnect;
    RecipientEvent OnRecipientNotFound;  // the list entry as it stands
    HeaderIncompleteEvent OnHeaderIncomplete;
    NotifyEvent OnSendStart;
    NotifyEvent OnSuccess;
    NotifyEvent OnFailure;  // the server refused the message after its final "."
    FileEvent OnEncodeStart;
    FileEvent OnEncodeEnd;
    FileEvent OnAttachmentNotFound;
    // HELO refused, or the credentials inside TLS; a handler that sets handled gets exactly one more try.
    HandlerEvent OnAuthenticationFailed;

    // Connection, greeting and HELO (or EHLO, STARTTLS and authentication as the field asks). A failure after the TCP connection exists sends QUIT and closes
    // before the exception reaches the caller.
    void Connect() override;
    // Composes PostMessage and sends it: RSET, MAIL FROM, RCPT TO per recipient, DATA, the message, ".".
    // A refused recipient does not stop the send. An address or header line holding CR, LF or a zero
    // byte, and an envelope address that is no single path (SafeEnvelopeAddress), fail the send before
    // any command. Does nothing while a Connect or send runs. A failed send leaves the connection open
    // and nothing cleared.
    void SendMail();
    // QUIT (only when connected), then always closes.
    void Disconnect() override;

    bool Busy() const { return busy_; }
    // The header lines and the text after the header block of the message last composed.
    const TExStringList& FinalHeader() const { return finalHeader_; }
    const std::string& MessageText() const { return messageText_.Bytes(); }
    // The multipart boundary of the message last composed with attachments.
    const std::string& Boundary() const { return boundary_; }

protected:
    bool SwitchesToTls() const override { return true; }

private:
    void Greet();
    // Sends HELO, or on a connection that asks for TLS EHLO, whose reply lines go to extensions; true when
    // the server accepts it.
    bool SayHelo(std::vector<std::string>& extensions);
    // HELO or EHLO until accepted, with the handler's one retry.
    std::vector<std::string> Introduce();
    // STARTTLS and the handshake, before anything else is said in clear.
    void SwitchToTls(const std::vector<std::string>& extensions);
    void Authenticate(const std::vector<std::string>& extensions);
    // True when the server accepted the credentials.
    bool SendCredentials(const std::vector<std::string>& extensions);
    // Transaction, with the continuation lines of a multi-line reply read and dropped.
    std::string Exchange(std::string_view command);
    // Exchange that fails with the reply line when its code is refusedFrom or more.
    void Command(std::string_view command, int refusedFrom);
    void SkipContinuationLines(std::string& line);
    // Reads the rest of the multi-line reply that `line` begins, into `kept` when given; `line` ends as
    // its last line. A reply beyond 64 KB fails and drops the connection.
    void ReadContinuationLines(std::string& line, std::vector<std::string>* kept);
    // Transaction, with every line of the reply kept.
    std::vector<std::string> ExchangeAllLines(std::string_view command);

    void ComposeMessage();
    void ComposeHeader(bool withAttachments);
    void MakeBoundary();
    void AppendText(std::string_view bytes);
    void AppendBody();
    void AppendAttachment(const std::string& path);

    // Sender and recipient entries (To, CC, BCC in order) as they stand once the header check passed;
    // handlers run during the send cannot change them under it.
    struct Envelope {
        std::string sender;
        std::vector<std::string> recipients;
    };

    bool HeaderComplete() const;
    void CheckHeader();
    Envelope TakeEnvelope() const;
    void RefuseUnsafeText(const Envelope& envelope) const;
    void SendRecipients(const std::vector<std::string>& recipients);
    void WriteHeaderBlock();
    void EndData();
    using TPowersock::Fire;
    void Fire(const FileEvent& event, const std::string& filename);

    bool busy_ = false;
    TExStringList finalHeader_;
    MemoryStream messageText_;
    std::string boundary_;
    std::minstd_rand random_;
};

}  // namespace net
