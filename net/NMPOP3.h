#pragma once
// TNMPOP3: the POP3 client (RFC 1939 subset: USER, PASS, STAT, TOP, LIST, UIDL, DELE, QUIT, and CAPA for
// pipelining, RFC 2449). It logs in, learns the message count, fetches header summaries and unique-ids and
// deletes messages; it never downloads a body. A reply succeeds only when its status word is "+OK".

#include "net/Powersock.h"
#include "net/Summary.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

class TNMPOP3 : public TPowersock {
public:
    explicit TNMPOP3(PumpFunction pump = {}, HostResolver resolver = {});
    ~TNMPOP3() override;

    std::string UserID;
    std::string Password;
    // Off for a server that hangs up on commands RFC 1939 does not require: then neither CAPA nor UIDL is
    // sent, and summaries are fetched one command at a time.
    bool OptionalCommands = true;

    // Handlers that set handled get exactly one retry of the failed step.
    HandlerEvent OnAuthenticationNeeded;
    HandlerEvent OnAuthenticationFailed;
    NotifyEvent OnRetrieveStart;
    NotifyEvent OnRetrieveEnd;
    NotifyEvent OnSuccess;
    NotifyEvent OnFailure;
    // Fires at the end of every Connect whose login succeeded; hides the socket-level event of that name,
    // which stays unassigned in a client.
    NotifyEvent OnConnect;

    // Greeting, USER/PASS, STAT. A failure after the TCP connection exists logs out (QUIT) before the
    // exception reaches the caller.
    void Connect() override;
    // TOP n 0, then LIST n, into Summary. Does nothing while another operation runs. A header beyond
    // 1 MiB fails and drops the connection.
    void GetSummary(int messageNumber);
    // The summaries of the messages first to last, each handed over as GetSummary hands one over
    // (OnRetrieveStart, then OnRetrieveEnd with Summary and SummaryNumber filled). A server that lists
    // PIPELINING in its CAPA reply (asked once a session, when there are two or more to fetch) gets the
    // commands of up to kPipelineWindow messages before their replies are read; any other gets one command
    // at a time. A failure ends the batch as GetSummary fails: the summaries before it were handed over,
    // none after it, and a connection with replies still under way is dropped without QUIT, as they would
    // be taken for the replies to later commands.
    void GetSummaries(int first, int last);
    // As GetSummaries for these messages, with TOP alone: their sizes come from the whole LIST that
    // GetUniqueIds(true) read, and a message without one fails.
    void GetHeaders(const std::vector<int>& messageNumbers);
    static constexpr std::size_t kPipelineWindow = 128;
    // Asks CAPA once a session (unless OptionalCommands is off); true when the server lists PIPELINING. A
    // server that hangs up on it raises EOptionalCommandRefused.
    bool Pipelines();
    // Reads the unique-id of every message (UIDL, RFC 1939 7) once a session. A server that refuses UIDL,
    // or whose CAPA reply leaves it out, has none, and so has a message whose entry is missing, malformed
    // or shared with another message. A server that hangs up on it raises EOptionalCommandRefused. Does
    // nothing while another operation runs. With `withSizes`, where the server gives unique-ids, the whole
    // LIST is read as well (right behind UIDL where the server pipelines). The first call of a session
    // decides; later ones do nothing.
    void GetUniqueIds(bool withSizes = false);
    // The unique-id of message n as GetUniqueIds read it; empty where there is none.
    const std::string& UniqueId(int messageNumber) const;
    // The number of the message with this unique-id in this session; 0 when none has it.
    int NumberOfUniqueId(const std::string& uniqueId) const;
    // Message n's size from the whole LIST; -1 unless every message of the session had one there.
    std::int32_t ListedSize(int messageNumber) const;
    // DELE n; the server removes the message at QUIT. Does nothing while another operation runs.
    void DeleteMailMessage(int messageNumber);
    // QUIT and close; nothing at all when not connected.
    void Disconnect() override;
    // Cancels the running wait and drops the connection without QUIT.
    void Abort() override;

    bool Busy() const { return busy_; }
    int MailCount() const { return mailCount_; }
    const TSummary& Summary() const { return summary_; }
    // The message whose summary Summary holds, or is being fetched.
    int SummaryNumber() const { return summaryNumber_; }
    const std::string& AttachFilePath() const { return attachFilePath_; }
    // Keeps the path with a closing backslash.
    void SetAttachFilePath(std::string path);

private:
    void LogIn();
    // True for a positive reply; one handled rejection gives false (try again), anything else raises.
    bool CheckLoginReply(const std::string& reply, bool& retried);
    void FillHeader();
    enum class SizeFrom { ListEach, WholeList };
    // TOP of one message, and LIST of it where the size is not taken from the whole LIST; sent here unless
    // they were sent ahead.
    void ReadSummary(int messageNumber, bool commandsSent, SizeFrom sizes);
    void Fetch(const std::vector<int>& numbers, SizeFrom sizes);
    void FetchPipelined(const std::vector<int>& numbers, SizeFrom sizes);
    // Every line of a multi-line reply up to its ".", line end removed; a reply longer than `longestReply`
    // drops the connection and fails with `tooLong`.
    void ReadMultiLine(std::size_t longestReply, const char* tooLong,
                       const std::function<void(std::string_view line)>& take);
    // The "n value" lines of a multi-line UIDL or LIST reply, up to its ".", for messages of the session.
    void ReadEntries(const std::function<void(int number, std::string_view value)>& take);
    void ReadSizes(const std::string& reply);
    void ReadCapabilities();
    void ReadUniqueIds();

    bool busy_ = false;
    int mailCount_ = 0;
    int summaryNumber_ = 0;
    // What the session's CAPA reply listed; nothing until CAPA has been asked and answered.
    struct Capabilities {
        bool pipelining = false;
        bool uidl = false;
    };
    std::optional<Capabilities> capabilities_;
    bool capabilitiesAsked_ = false;
    // Entry n - 1 belongs to message n; nothing until UIDL has been asked in this session.
    std::optional<std::vector<std::string>> uniqueIds_;
    // Entry n - 1 belongs to message n; empty unless the whole LIST gave every message a size.
    std::vector<std::int32_t> sizes_;
    TSummary summary_;
    std::string attachFilePath_;
};

}  // namespace net
