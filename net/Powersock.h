#pragma once
// TPowersock: one IPv4 TCP connection with a blocking, time-limited, line-oriented programming model on
// a non-blocking socket. Every wait (lookup, connect, reply line) polls the socket for at most 2 ms per
// pass, so it wakes as soon as the socket is ready, and calls the pump function on each pass, so the
// program's single thread keeps serving its timers and commands in the middle of an operation.
//
// What the platform once delivered as socket notifications (connect done, peer closed) is found by
// readiness checks on each pass, and the time-out timer ticks there too; events fire in the same order.

#include "net/HostLookup.h"
#include "net/ServerField.h"
#include "net/ThreadTimer.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace net {

class Stream;
class TlsChannel;

// Serves the program's pending work (timers, user commands) in the middle of a wait; may re-enter the
// component, for example to Abort it.
using PumpFunction = std::function<void()>;

class TPowersock {
public:
    using NotifyEvent = std::function<void(TPowersock& sender)>;
    using HandlerEvent = std::function<void(bool& handled)>;
    using StatusEvent = std::function<void(TPowersock& sender, const std::string& status)>;

    // An empty resolver means the system's.
    explicit TPowersock(PumpFunction pump = {}, HostResolver resolver = {});
    virtual ~TPowersock();
    TPowersock(const TPowersock&) = delete;
    TPowersock& operator=(const TPowersock&) = delete;

    // A dotted IPv4 address or a host name, optionally with ":port", which then wins over Port, and with a
    // scheme that asks for TLS (ServerField.h).
    std::string Host;
    int Port = 0;
    // Milliseconds for each lookup, connect and line; 0 waits without limit; a negative value is refused.
    int TimeOut = 0;
    // Status texts of levels 1, 4 and 8 up to this one are reported.
    int ReportLevel = 0;

    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    NotifyEvent OnHostResolved;
    NotifyEvent OnConnectionFailed;
    NotifyEvent OnPacketSent;
    // TLS could not be set up (TlsFailure() says why); the connection is closed right after.
    NotifyEvent OnTlsFailed;
    HandlerEvent OnInvalidHost;
    HandlerEvent OnConnectionRequired;
    StatusEvent OnStatus;

    // A field that asks for TLS from the first byte gets its handshake here, as part of the connection.
    virtual void Connect();
    // Closes and always leaves a fresh idle socket, connected or not.
    virtual void Disconnect();
    // Sends one command line and reads one reply line (terminator included) into LastReply; a leading
    // decimal code becomes ReplyNumber.
    virtual std::string Transaction(std::string_view command);
    // The reply line to a command sent earlier, into LastReply and ReplyNumber as Transaction reads it.
    std::string ReadReply();
    virtual void Abort();
    // Makes the running wait, or the next send or ReadLn when idle, stop with EAbortError.
    void Cancel();
    // Switches the open connection to TLS; whatever the peer sent before is thrown away. A failure fires
    // OnTlsFailed, closes the connection and throws ETlsError.
    void StartTls();

    void CheckConnection();
    // Sends exactly length bytes; 0 means up to the first zero byte.
    void SendBuffer(const char* data, std::uint16_t length);
    // Sends text up to its first zero byte; it must be shorter than 65,536 bytes.
    void Write(const std::string& text);
    // One line: text holding CR, LF or a zero byte is refused before anything is sent.
    void Writeln(const std::string& text);
    // Sends the whole stream from its start; a peer that takes nothing for TimeOut ends it.
    void SendStream(Stream& stream);
    // One line with its terminator (CR LF or a bare LF); what came after it stays in the read window for
    // the next line. The empty text when the peer has closed. A line may hold 65,536 bytes; a longer one fails and drops the connection.
    std::string ReadLn();
    bool DataAvailable();
    void ClearInput();

    // Sets Status and fires OnStatus when level is within ReportLevel; a throwing handler is ignored.
    void ReportStatus(int level, std::string_view text);
    // Raises ESockError for the last socket error (errno) unless it is the ignored one or no real error.
    void CheckSocketError(int ignored);

    bool Connected() const { return connected_; }
    // How the server field asks to connect, known once Connect has read it.
    Transport RequestedTransport() const { return transport_; }
    bool Secure() const { return tls_ != nullptr; }
    // Why TLS could not be set up the last time it failed.
    const std::string& TlsFailure() const { return tlsFailure_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    bool AsyncOk() const { return asyncOk_; }
    bool AsyncDone() const { return asyncDone_; }
    const std::string& LastReply() const { return lastReply_; }
    std::int16_t ReplyNumber() const { return replyNumber_; }
    int LastErrorNo() const { return lastErrorNo_; }
    const std::string& Status() const { return status_; }
    std::int32_t BytesSent() const { return bytesSent_; }
    std::int32_t BytesTotal() const { return bytesTotal_; }
    std::uint32_t RemoteAddress() const { return remoteAddress_; }
    int SocketHandle() const { return socket_; }

protected:
    // A client's destructor calls this before its own Abort, so nothing is reported while it goes.
    void MarkDestroying() { destroying_ = true; }
    // For a client's closing command, which an earlier Cancel must not stop.
    void ClearCanceled() { canceled_ = false; }
    void Fire(const NotifyEvent& event)
    {
        if (event) {
            event(*this);
        }
    }
    // Raises an event that may declare a failure handled; true when its handler did, which earns the
    // failed step its one retry.
    static bool HandlerAsksForRetry(const HandlerEvent& event)
    {
        bool handled = false;
        if (event) {
            event(handled);
        }
        return handled;
    }
    // Whether the protocol switches a plain connection to TLS itself (STARTTLS) once it has greeted.
    virtual bool SwitchesToTls() const { return false; }
    // Records why TLS cannot be had, fires OnTlsFailed, closes the connection and throws ETlsError.
    [[noreturn]] void FailTls(const std::string& reason);
    // Runs the closing exchange (QUIT) and closes the socket whatever comes of it; returns the reply.
    template <typename Exchange>
    std::string CloseAfter(Exchange exchange)
    {
        std::string reply;
        try {
            reply = exchange();
        } catch (...) {
            TPowersock::Disconnect();
            throw;
        }
        TPowersock::Disconnect();
        return reply;
    }

private:
    class TimerArming;
    class StallTimer;

    void OpenSocket();
    void ReplaceSocket();
    void RequestCloseSocket();
    void ResolveRemoteHost();
    // The handshake a TLS field asks for at once, or the refusal of a STARTTLS field the protocol cannot serve.
    void SecureAsAsked();
    // A cancelled operation ends with EAbortError, which takes the cancel with it.
    void ThrowIfCanceled(const char* abortedText);
    void TimerOn();
    void TimerOff();
    void TimerFired();
    // One pass of a wait: sleep until fd is ready or 2 ms have passed, then deliver socket
    // notifications, timer ticks and the program's pending work.
    void WaitPass(int fd, short events);
    // The same without sleeping.
    void PumpOnce();
    void DeliverTimerAndPump();
    // What the poll found on the socket stands in for the platform's connect and close notifications.
    void DeliverSocketNotifications(short revents, short polledFor);
    void PeerClosed();
    // Moves count bytes of the read window into line.
    void TakeFromWindow(std::size_t count, std::string& line);
    void ForgetWindow();
    void WaitUntilWritable();
    // One send of up to size bytes, in TLS when the connection has it; -1 with errno set when nothing went.
    ssize_t SendSome(const char* data, std::size_t size);
    // Fills the empty read window with what the socket (or the TLS session) has. False when the peer has
    // closed.
    bool FillWindow(std::size_t room);

    PumpFunction pump_;
    std::unique_ptr<TlsChannel> tls_;
    Transport transport_ = Transport::Plain;
    // The server's name as typed, which its certificate must carry.
    std::string remoteHost_;
    std::string tlsFailure_;
    // What a send that took nothing waits for: TLS may need to read before it can write.
    short sendWaitsFor_ = 0;
    // What a read that found nothing waits for: TLS may need to write before it can read.
    short readWaitsFor_ = 0;
    HostResolver resolver_;
    TThreadTimer timer_;
    std::unique_ptr<char[]> scratch_;
    // scratch_[windowBegin_, windowEnd_) holds what was received and not yet read: a reply of many lines,
    // or the replies of many pipelined commands, costs one receive, not one per line. In TLS these are the
    // decrypted bytes.
    std::size_t windowBegin_ = 0;
    std::size_t windowEnd_ = 0;

    int socket_ = -1;
    bool connected_ = false;
    bool connecting_ = false;
    bool canceled_ = false;
    bool timedOut_ = false;
    bool asyncOk_ = true;
    bool asyncDone_ = false;
    bool reopenDisabled_ = false;
    bool destroying_ = false;
    int lastErrorNo_ = 0;
    int remotePort_ = 0;
    std::uint32_t remoteAddress_ = 0;
    std::string status_;
    std::string lastReply_;
    std::int16_t replyNumber_ = 0;
    std::int32_t bytesSent_ = 0;
    std::int32_t bytesTotal_ = 0;
};

}  // namespace net
