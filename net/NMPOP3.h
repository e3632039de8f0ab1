#pragma once
// TNMPOP3: the POP3 client (RFC 1939 subset: USER, PASS, STAT, TOP, LIST, DELE, QUIT). It logs in, learns
// the message count, fetches header summaries and deletes messages; it never downloads a body. Replies are
// judged by their first word.

#include "net/Powersock.h"
#include "net/Summary.h"

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
    // DELE n; the server removes the message at QUIT. Does nothing while another operation runs.
    void DeleteMailMessage(int messageNumber);
    // QUIT and close; nothing at all when not connected.
    void Disconnect() override;
    // Cancels the running wait and drops the connection without QUIT.
    void Abort() override;

    bool Busy() const { return busy_; }
    int MailCount() const { return mailCount_; }
    const TSummary& Summary() const { return summary_; }
    const std::string& AttachFilePath() const { return attachFilePath_; }
    // Keeps the path with a closing backslash.
    void SetAttachFilePath(std::string path);

private:
    void LogIn();
    // True for a positive reply; one handled rejection gives false (try again), anything else raises.
    bool CheckLoginReply(const std::string& reply, bool& retried);
    void FillHeader();

    bool busy_ = false;
    int mailCount_ = 0;
    TSummary summary_;
    std::string attachFilePath_;
};

}  // namespace net
