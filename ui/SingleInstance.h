#pragma once
// One program per data folder: two would check the same accounts, and fight over the same files and log.
// The first start holds a lock in the folder and listens beside it; a later start asks it to come to the
// front and ends.

#include <QLocalServer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

#include "app/data/DataFolder.h"

namespace ui {

class SingleInstance {
public:
    // Takes the folder's lock when no other program holds it.
    explicit SingleInstance(const app::DataFolder& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another program holds the lock. A folder where no lock can be taken does not stop the
    // program: it runs unguarded rather than not at all, and LockFailure says why.
    bool First() const { return lockFd_ >= 0 || !lockFailure_.empty(); }
    // Empty, or why the lock could not be taken although nobody holds it (the lock file and the system's
    // reason).
    const std::string& LockFailure() const { return lockFailure_; }
    const std::filesystem::path& Folder() const { return folder_; }

    // For the first program: `show` runs for every later start. Needs the application object.
    void ServeShowRequests(std::function<void()> show);
    // For a later start: true once the first program has the request.
    bool AskFirstToShow();

private:
    void Listen();
    void TakeRequests();

    std::filesystem::path folder_;
    std::filesystem::path socketPath_;
    int lockFd_ = -1;
    std::string lockFailure_;
    std::function<void()> show_;
    int clients_ = 0;
    QTimer listenAgain_;
    QLocalServer server_;
};

}  // namespace ui
