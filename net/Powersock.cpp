#include "net/Powersock.h"

#include "net/Exceptions.h"
#include "net/HoldsLineBreak.h"
#include "net/ReplyCode.h"
#include "net/ServerField.h"
#include "net/SocketErrorTable.h"
#include "net/Stream.h"
#include "net/TlsChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {
constexpr std::size_t kMaxLine = 65536;
constexpr int kPassMilliseconds = 2;

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}
}  // namespace

// Arms the time-out timer for one wait and disarms it on every way out.
class TPowersock::TimerArming {
public:
    explicit TimerArming(TPowersock& socket) : socket_(socket) { socket_.TimerOn(); }
    ~TimerArming() { socket_.TimerOff(); }
    TimerArming(const TimerArming&) = delete;
    TimerArming& operator=(const TimerArming&) = delete;

private:
    TPowersock& socket_;
};

// Arms the time-out timer while the peer takes nothing and disarms it as soon as it moves again.
class TPowersock::StallTimer {
public:
    explicit StallTimer(TPowersock& socket) : socket_(socket) {}
    ~StallTimer() { Stop(); }
    StallTimer(const StallTimer&) = delete;
    StallTimer& operator=(const StallTimer&) = delete;

    void Start()
    {
        if (!armed_) {
            socket_.TimerOn();
            armed_ = true;
        }
    }
    void Stop()
    {
        if (armed_) {
            socket_.TimerOff();
            armed_ = false;
        }
    }

private:
    TPowersock& socket_;
    bool armed_ = false;
};

TPowersock::TPowersock(PumpFunction pump, HostResolver resolver)
    : pump_(std::move(pump)),
      resolver_(resolver ? std::move(resolver) : HostResolver(ResolveWithSystem)),
      scratch_(new char[kMaxLine + 1])
{
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this](TThreadTimer&) { TimerFired(); });
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket_ < 0) {
        throw ESockError("Initializaton of windows sockets failed");
    }
    // Linger on with no time: closing resets the connection at once instead of lingering over unsent data.
    const linger resetOnClose{1, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
}

TPowersock::~TPowersock()
{
    destroying_ = true;
    TPowersock::Abort();
    reopenDisabled_ = true;
    try {
        RequestCloseSocket();
    } catch (...) {
        // Nothing can be reported from a destructor; the descriptor is released either way.
    }
}

void TPowersock::ReportStatus(int level, std::string_view text)
{
    if (level > ReportLevel) {
        return;
    }
    status_ = text;
    if (!destroying_ && OnStatus) {
        try {
            OnStatus(*this, status_);
        } catch (...) {
            // A status watcher must not be able to break the operation it watches.
        }
    }
}

void TPowersock::CheckSocketError(int ignored)
{
    const int error = SocketErrorFromErrno(errno);
    lastErrorNo_ = error;
    if (error != ignored && error > 10000) {
        ReportStatus(8, "Looking Up Error Message");
        throw ESockError(LookupErrorMessage(error));
    }
}

void TPowersock::OpenSocket()
{
    ForgetWindow();
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        CheckSocketError(kWouldBlock);
    }
}

void TPowersock::ReplaceSocket()
{
    ::close(socket_);
    connected_ = false;
    connecting_ = false;
    OpenSocket();
}

void TPowersock::RequestCloseSocket()
{
    ReportStatus(4, "Request Close Socket");
    connected_ = false;
    connecting_ = false;
    if (tls_) {
        tls_->Close();
        tls_.reset();
    }
    if (socket_ < 0) {
        return;
    }
    // close() releases a socket descriptor even when it reports an error, so there is nothing to retry.
    ::close(socket_);
    socket_ = -1;
    if (!reopenDisabled_) {
        OpenSocket();
    }
    if (!destroying_ && OnDisconnect) {
        OnDisconnect(*this);
    }
}

void TPowersock::Disconnect()
{
    ReportStatus(8, "Disconnecting");
    RequestCloseSocket();
}

void TPowersock::Abort()
{
    ReportStatus(8, "Abort");
    Cancel();
}

void TPowersock::Cancel()
{
    ReportStatus(8, "Canceling");
    canceled_ = true;
}

void TPowersock::ThrowIfCanceled(const char* abortedText)
{
    if (canceled_) {
        canceled_ = false;
        throw EAbortError(abortedText);
    }
}

void TPowersock::TimerOn()
{
    ReportStatus(8, "Timer On");
    timedOut_ = false;
    if (TimeOut < 0) {
        // Not a socket error: Connect must not take it for a host that does not resolve.
        throw Exception("TimeOut must not be negative");
    }
    timer_.SetInterval(static_cast<std::uint32_t>(TimeOut));
    timer_.SetEnabled(true);
}

void TPowersock::TimerOff()
{
    ReportStatus(8, "Timer Off");
    timer_.SetEnabled(false);
}

void TPowersock::TimerFired()
{
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    timedOut_ = true;
    asyncDone_ = true;
    Abort();
}

void TPowersock::WaitPass(int fd, short events)
{
    // On the component's own socket the wait's poll also tells whether the peer has closed.
    const bool ownSocket = fd == socket_;
    pollfd ready{fd, static_cast<short>(ownSocket ? events | POLLRDHUP : events), 0};
    const int polled = ::poll(&ready, 1, kPassMilliseconds);
    if (ownSocket) {
        DeliverSocketNotifications(polled > 0 ? ready.revents : 0, events);
        DeliverTimerAndPump();
    } else {
        PumpOnce();
    }
}

void TPowersock::PumpOnce()
{
    if (socket_ >= 0 && (connecting_ || connected_)) {
        pollfd ready{socket_, POLLIN | POLLOUT | POLLRDHUP, 0};
        DeliverSocketNotifications(::poll(&ready, 1, 0) > 0 ? ready.revents : 0, POLLIN | POLLOUT);
    }
    DeliverTimerAndPump();
}

void TPowersock::DeliverTimerAndPump()
{
    timer_.DeliverDue();
    if (pump_) {
        pump_();
    }
}

void TPowersock::DeliverSocketNotifications(short revents, short polledFor)
{
    if (socket_ < 0 || revents == 0) {
        return;
    }
    try {
        if (connecting_) {
            if ((polledFor & POLLOUT) == 0 || (revents & (POLLOUT | POLLERR | POLLHUP)) == 0) {
                return;
            }
            connecting_ = false;
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
            asyncOk_ = error == 0;
            if (!asyncOk_) {
                lastErrorNo_ = SocketErrorFromErrno(error);
                return;
            }
            connected_ = true;
            Fire(OnConnect);
        } else if (connected_ && (revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
            asyncOk_ = (revents & POLLERR) == 0;
            PeerClosed();
        }
    } catch (...) {
        // Notifications arrive between the caller's steps; a handler's failure has no one to go to.
    }
}

void TPowersock::PeerClosed()
{
    // Data still waiting stays readable; the close is taken once it has been read.
    if (connected_ && !DataAvailable()) {
        RequestCloseSocket();
    }
}

void TPowersock::ResolveRemoteHost()
{
    ReportStatus(8, "Resolve Host");
    const ServerAddress server = SplitServerField(Host, Port);
    remotePort_ = server.port;
    remoteHost_ = server.host;
    transport_ = server.transport;
    remoteAddress_ = ::inet_addr(server.host.c_str());
    if (remoteAddress_ != INADDR_NONE) {
        return;
    }
    remoteAddress_ = 0;
    {
        TimerArming arming(*this);
        asyncDone_ = false;
        HostLookup lookup(resolver_, server.host);
        for (;;) {
            if (lookup.Done()) {
                asyncOk_ = lookup.Result().has_value();
                asyncDone_ = true;
            }
            if (asyncDone_ || timedOut_ || canceled_) {
                break;
            }
            WaitPass(lookup.ReadyFd(), POLLIN);
        }
        if (!timedOut_ && !canceled_ && asyncOk_) {
            remoteAddress_ = *lookup.Result();
        }
    }
    if (timedOut_) {
        throw ESockError("Host Lookup Timed Out");
    }
    if (canceled_) {
        throw ESockError("Host Lookup Canceled");
    }
    if (!asyncOk_) {
        throw ESockError("Host Lookup Failed");
    }
    Fire(OnHostResolved);
}

void TPowersock::Connect()
{
    ReportStatus(8, "Connecting");
    canceled_ = false;
    if (connected_) {
        throw ESockError("Already connected");
    }
    for (bool retried = false;; retried = true) {
        try {
            ResolveRemoteHost();
        } catch (const ESockError& error) {
            const std::string_view message = error.what();
            if (message == "Host Lookup Timed Out" || message == "Host Lookup Canceled") {
                throw;
            }
            remoteAddress_ = 0;
        }
        if (remoteAddress_ != 0) {
            break;
        }
        // The handler may correct Host; it gets one more lookup.
        if (retried || !HandlerAsksForRetry(OnInvalidHost)) {
            throw ESockError("Null Remote Address");
        }
    }

    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<std::uint16_t>(remotePort_));
    remote.sin_addr.s_addr = remoteAddress_;
    asyncDone_ = false;
    asyncOk_ = true;
    {
        // Armed before the attempt starts, so that a timer that cannot run leaves no attempt behind.
        TimerArming arming(*this);
        // Refused at once (an offline machine has no route): a failed connection like a refused port.
        if (::connect(socket_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
            errno != EINPROGRESS) {
            lastErrorNo_ = SocketErrorFromErrno(errno);
            asyncOk_ = false;
        }
        connecting_ = true;
        while (!connected_ && !timedOut_ && !canceled_ && asyncOk_) {
            WaitPass(socket_, POLLOUT);
        }
    }
    connecting_ = false;
    if (!timedOut_ && !canceled_ && asyncOk_) {
        try {
            SecureAsAsked();
            return;
        } catch (const ESockError&) {
            // A failed handshake is also a failed connection, like any other server that cannot be reached.
            Fire(OnConnectionFailed);
            throw;
        }
    }
    // An attempt given up may still be pending at the platform; a fresh socket keeps the next Connect free.
    ReplaceSocket();
    Fire(OnConnectionFailed);
    if (timedOut_) {
        throw ESockError("Connection Timed out");
    }
    throw ESockError(canceled_ ? "Connection Canceled" : "Connection Failed");
}

void TPowersock::SecureAsAsked()
{
    if (transport_ == Transport::Tls) {
        StartTls();
    } else if (transport_ == Transport::StartTls && !SwitchesToTls()) {
        FailTls("The server field asks for STARTTLS, which this protocol does not offer here");
    }
}

void TPowersock::StartTls()
{
    ReportStatus(8, "Starting TLS");
    // Plain bytes that came before the switch could be taken for the first answers inside TLS.
    ForgetWindow();
    ClearInput();
    try {
        tls_ = std::make_unique<TlsChannel>(socket_, remoteHost_);
        TimerArming arming(*this);
        TlsChannel::Need need = TlsChannel::Need::Nothing;
        while (tls_ && !tls_->Handshake(need) && !timedOut_ && !canceled_) {
            WaitPass(socket_, need == TlsChannel::Need::Writable ? POLLOUT : POLLIN);
        }
    } catch (const ETlsError& error) {
        FailTls(error.Message());
    }
    if (!tls_ && !canceled_ && !timedOut_) {
        FailTls("The server closed the connection during the TLS handshake");
    }
    if (timedOut_) {
        FailTls("The TLS handshake timed out");
    }
    if (canceled_) {
        tls_.reset();
        RequestCloseSocket();
    }
    ThrowIfCanceled("TLS handshake aborted");
}

void TPowersock::FailTls(const std::string& reason)
{
    tlsFailure_ = reason;
    tls_.reset();
    Fire(OnTlsFailed);
    RequestCloseSocket();
    throw ETlsError(reason);
}

void TPowersock::CheckConnection()
{
    ReportStatus(8, "Checking Connection");
    for (bool retried = false; !connected_; retried = true) {
        if (retried || !HandlerAsksForRetry(OnConnectionRequired)) {
            throw Exception("Not Connected");
        }
    }
}

void TPowersock::WaitUntilWritable()
{
    // Sending serves no pending work, but the time-out timer is delivered: a peer that has stopped reading
    // must not hold the send for ever. Its Abort may run a client's handlers before the send ends (a POP3
    // client drops the connection and fires OnDisconnect).
    pollfd ready{socket_, sendWaitsFor_, 0};
    ::poll(&ready, 1, kPassMilliseconds);
    timer_.DeliverDue();
}

ssize_t TPowersock::SendSome(const char* data, std::size_t size)
{
    sendWaitsFor_ = POLLOUT;
    if (!tls_) {
        return ::send(socket_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    TlsChannel::Need need = TlsChannel::Need::Nothing;
    const std::size_t sent = tls_->Write(data, size, need);
    if (sent > 0) {
        return static_cast<ssize_t>(sent);
    }
    sendWaitsFor_ = need == TlsChannel::Need::Readable ? POLLIN : POLLOUT;
    errno = EAGAIN;
    return -1;
}

void TPowersock::SendBuffer(const char* data, std::uint16_t length)
{
    ReportStatus(4, "Sending Buffer");
    TimerArming arming(*this);
    if (!canceled_) {
        const std::size_t total = length != 0 ? length : ::strnlen(data, kMaxLine);
        if (total >= kMaxLine) {
            throw ESockError("Text to send is 65,536 bytes or longer");
        }
        std::size_t remaining = total;
        while (remaining > 0 && !canceled_) {
            const ssize_t sent = SendSome(data + (total - remaining), remaining);
            if (sent == 0) {
                break;
            }
            if (sent < 0) {
                if (WouldBlock(errno)) {
                    WaitUntilWritable();
                } else {
                    CheckSocketError(kWouldBlock);
                }
                continue;
            }
            remaining -= static_cast<std::size_t>(sent);
        }
    }
    ThrowIfCanceled("Socket send aborted");
}

void TPowersock::Write(const std::string& text)
{
    ReportStatus(8, "Write");
    if (::strnlen(text.c_str(), text.size()) >= kMaxLine) {
        throw ESockError("Text to send is 65,536 bytes or longer");
    }
    SendBuffer(text.c_str(), 0);
}

void TPowersock::Writeln(const std::string& text)
{
    ReportStatus(8, "Writeln");
    // A line break would make the rest of the text a command of its own (a password or a user ID from a
    // damaged account file, say), and Write would stop at a zero byte, leaving the line without its end.
    if (HoldsLineBreak(text)) {
        throw ESockError("Line to send holds a line break or zero byte");
    }
    Write(text + "\r\n");
}

void TPowersock::SendStream(Stream& stream)
{
    ReportStatus(8, "SendStream");
    stream.SetPosition(0);
    if (!canceled_) {
        bytesSent_ = 0;
        const std::int64_t size = stream.Size();
        bytesTotal_ = static_cast<std::int32_t>(std::min<std::int64_t>(size, INT32_MAX));
        // Not the scratch buffer: a handler run between sends may read a line.
        std::unique_ptr<char[]> chunk(new char[kMaxLine]);
        // The time-out bounds each stall, not the whole stream: a peer that stops reading must not hold
        // the send for ever, while a long message that keeps moving may take as long as it needs.
        StallTimer stall(*this);
        while (!canceled_ && stream.Position() < size) {
            const std::int64_t read = stream.Read(chunk.get(), std::min<std::int64_t>(size - stream.Position(), kMaxLine));
            if (read <= 0) {
                break;
            }
            std::size_t remaining = static_cast<std::size_t>(read);
            while (remaining > 0 && !canceled_) {
                const ssize_t sent = SendSome(chunk.get() + (read - remaining), remaining);
                if (sent == 0) {
                    return;
                }
                if (sent < 0) {
                    if (WouldBlock(errno)) {
                        stall.Start();
                        WaitPass(socket_, sendWaitsFor_);
                        continue;
                    }
                    CheckSocketError(kWouldBlock);
                    continue;
                }
                stall.Stop();
                remaining -= static_cast<std::size_t>(sent);
                bytesSent_ += static_cast<std::int32_t>(sent);
                Fire(OnPacketSent);
                PumpOnce();
            }
        }
    }
    ThrowIfCanceled("Socket send aborted");
}

std::string TPowersock::ReadLn()
{
    ReportStatus(8, "ReadLn");
    TimerArming arming(*this);
    std::string line;
    std::size_t lineEnd = 0;
    for (;;) {
        if (line.size() >= kMaxLine) {
            // The rest of the line is still queued and would be taken for the next reply; only a fresh
            // connection gets the conversation back in step.
            RequestCloseSocket();
            throw ESockError("Line longer than 65,536 bytes");
        }
        if (windowBegin_ == windowEnd_ && !FillWindow(kMaxLine - line.size())) {
            return {};
        }
        const std::size_t available = std::min(windowEnd_ - windowBegin_, kMaxLine - line.size());
        if (available > 0) {
            const char* window = scratch_.get() + windowBegin_;
            const auto* lineFeed = static_cast<const char*>(std::memchr(window, '\n', available));
            if (lineFeed != nullptr) {
                lineEnd = static_cast<std::size_t>(lineFeed - window) + 1;
                break;
            }
            TakeFromWindow(available, line);
        }
        WaitPass(socket_, readWaitsFor_);
        if (canceled_) {
            break;
        }
    }
    ThrowIfCanceled("Socket readln aborted");
    TakeFromWindow(lineEnd, line);
    return line;
}

bool TPowersock::FillWindow(std::size_t room)
{
    readWaitsFor_ = POLLIN;
    if (tls_) {
        TlsChannel::Need need = TlsChannel::Need::Nothing;
        const std::size_t read = tls_->Read(scratch_.get(), room, need);
        if (read == 0 && need == TlsChannel::Need::Nothing) {
            PeerClosed();
            return false;
        }
        readWaitsFor_ = need == TlsChannel::Need::Writable ? POLLOUT : POLLIN;
        windowBegin_ = 0;
        windowEnd_ = read;
        return true;
    }
    const ssize_t received = ::recv(socket_, scratch_.get(), room, MSG_DONTWAIT);
    if (received == 0) {
        PeerClosed();
        return false;
    }
    if (received < 0) {
        lastErrorNo_ = SocketErrorFromErrno(errno);
        if (lastErrorNo_ == kNotConnected) {
            return false;
        }
        CheckSocketError(kWouldBlock);
        return true;
    }
    windowBegin_ = 0;
    windowEnd_ = static_cast<std::size_t>(received);
    return true;
}

void TPowersock::TakeFromWindow(std::size_t count, std::string& line)
{
    line.append(scratch_.get() + windowBegin_, count);
    windowBegin_ += count;
}

void TPowersock::ForgetWindow()
{
    windowBegin_ = windowEnd_ = 0;
}

std::string TPowersock::Transaction(std::string_view command)
{
    ReportStatus(8, "Transaction");
    replyNumber_ = 0;
    Writeln(std::string(command));
    return ReadReply();
}

std::string TPowersock::ReadReply()
{
    replyNumber_ = 0;
    lastReply_ = ReadLn();
    if (!lastReply_.empty()) {
        ReportStatus(1, lastReply_);
        replyNumber_ = ReplyCode(lastReply_);
    }
    return lastReply_;
}

bool TPowersock::DataAvailable()
{
    ReportStatus(8, "Data Available");
    if (windowBegin_ != windowEnd_ || (tls_ && tls_->Pending())) {
        return true;
    }
    char byte = 0;
    return ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) >= 1;
}

void TPowersock::ClearInput()
{
    ReportStatus(8, "Clearing Input");
    ForgetWindow();
    if (tls_) {
        TlsChannel::Need need = TlsChannel::Need::Nothing;
        tls_->Read(scratch_.get(), kMaxLine, need);
        ForgetWindow();
        return;
    }
    [[maybe_unused]] const ssize_t discarded = ::recv(socket_, scratch_.get(), kMaxLine, MSG_DONTWAIT);
}

}  // namespace net
