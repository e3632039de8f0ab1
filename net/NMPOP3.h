#pragma once
// TNMPOP3: the POP3 client (RFC 1939 subset: USER, PASS, STAT, TOP, LIST, DELE, QUIT, and CAPA for
// pipelining, RFC 2449). It logs in, learns the message count, fetches header summaries and deletes messages;
// it never downloads a body. Replies are judged by their first word.

#include "net/Powersock.h"
#include "net/Summary.h"

#include <optional>
#include <string>

namespace net {

class TNMPOP3 : public TPowersock {
public:
    explicit TNMPOP3(PumpFunction pump = {}, HostResolver resolver = {});
    ~TNMPOP3() override;

    std::string UserID;
    std::string Password;

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
    static constexpr int kPipelineWindow = 128;
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
    // TOP and LIST of one message, sent here unless they were sent ahead.
    void ReadSummary(int messageNumber, bool commandsSent);
    // Asks CAPA once a session; true when the server lists PIPELINING.
    bool Pipelines();
    void GetSummariesPipelined(int first, int last);

    bool busy_ = false;
    int mailCount_ = 0;
    int summaryNumber_ = 0;
    // Nothing until CAPA has been asked in this session.
    std::optional<bool> pipelines_;
    TSummary summary_;
    std::string attachFilePath_;
};

}  // namespace net
