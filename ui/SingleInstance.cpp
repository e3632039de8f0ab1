#include "ui/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLocalSocket>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace ui {
namespace {

constexpr int kAnswerMilliseconds = 2000;
// A later start sends its request right after connecting; a client that has sent none by then only holds a
// descriptor.
constexpr int kRequestMilliseconds = 1500;
constexpr int kMostClientsAtOnce = 4;
constexpr int kListenAgainMilliseconds = 2000;
constexpr char kShowRequest[] = "show\n";

// Qt puts a relative socket name under the temporary folder, where another user may own the folder it
// names.
std::filesystem::path AbsoluteFolder(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute;
}

}  // namespace

SingleInstance::SingleInstance(const app::DataFolder& folder)
    : folder_(AbsoluteFolder(folder.Path())), socketPath_(folder_ / "quillonv.socket") {
    // flock belongs to the open file, so the kernel lifts it when its holder ends in any way: a lock file
    // left by a crash is no lock, and the next start takes it over. A link in its place is never followed.
    const std::filesystem::path lockPath = folder_ / "quillonv.lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        lockFailure_ = lockPath.string() + ": " + std::strerror(errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) lockFailure_ = lockPath.string() + ": " + std::strerror(errno);
        close(fd);
        return;
    }
    lockFd_ = fd;
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lockFd_ >= 0) close(lockFd_);
}

void SingleInstance::ServeShowRequests(std::function<void()> show) {
    if (lockFd_ < 0) return;
    show_ = std::move(show);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { TakeRequests(); });
    Listen();
    // When an accept fails (no descriptor left), QLocalServer closes for good and removes the socket file.
    listenAgain_.setInterval(kListenAgainMilliseconds);
    QObject::connect(&listenAgain_, &QTimer::timeout, &server_, [this] {
        if (!server_.isListening()) Listen();
    });
    listenAgain_.start();
}

void SingleInstance::Listen() {
    // Only the lock holder listens, so a socket file still there is a crashed program's and may go.
    QLocalServer::removeServer(QString::fromStdString(socketPath_.string()));
    server_.listen(QString::fromStdString(socketPath_.string()));
}

void SingleInstance::TakeRequests() {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
        if (clients_ >= kMostClientsAtOnce) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++clients_;
        QObject::connect(client, &QObject::destroyed, &server_, [this] { --clients_; });
        QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        QTimer::singleShot(kRequestMilliseconds, client, [client] {
            client->abort();
            client->deleteLater();
        });
        QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
            if (!client->readAll().contains('\n')) return;
            client->abort();
            client->deleteLater();
            show_();
        });
    }
}

bool SingleInstance::AskFirstToShow() {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketPath_.string()));
    if (!socket.waitForConnected(kAnswerMilliseconds)) return false;
    socket.write(kShowRequest);
    const bool sent = socket.waitForBytesWritten(kAnswerMilliseconds);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace ui
