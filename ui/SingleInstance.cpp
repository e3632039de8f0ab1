#include "ui/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLocalSocket>
#include <cerrno>

namespace ui {
namespace {

constexpr int kAnswerMilliseconds = 2000;
constexpr char kShowRequest[] = "show\n";

}  // namespace

SingleInstance::SingleInstance(const app::DataFolder& folder)
    : socketPath_(folder.Path() / "quillonv.socket") {
    // flock belongs to the open file, so the kernel lifts it when its holder ends in any way: a lock file
    // left by a crash is no lock, and the next start takes it over.
    const std::filesystem::path lockPath = folder.Path() / "quillonv.lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        lockable_ = false;
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lockable_ = errno == EWOULDBLOCK;
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
    // Only the lock holder listens, so a socket file still there is a crashed program's and may go.
    QLocalServer::removeServer(QString::fromStdString(socketPath_.string()));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(QString::fromStdString(socketPath_.string()))) return;
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this, show = std::move(show)] {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, show] {
                if (client->readAll().contains('\n')) show();
            });
        }
    });
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
