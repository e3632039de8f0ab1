#pragma once
// One program per data folder: two would check the same accounts, and fight over the same files and log.
// The first start holds a lock in the folder and listens beside it; a later start asks it to come to the
// front and ends.

#include <QLocalServer>
#include <filesystem>
#include <functional>

#include "app/data/DataFolder.h"

namespace ui {

class SingleInstance {
public:
    // Takes the folder's lock when no other program holds it.
    explicit SingleInstance(const app::DataFolder& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another program holds the lock. A folder where no lock file can be made does not stop
    // the program: it runs unguarded rather than not at all.
    bool First() const { return lockFd_ >= 0 || !lockable_; }
    bool Lockable() const { return lockable_; }

    // For the first program: `show` runs for every later start. Needs the application object.
    void ServeShowRequests(std::function<void()> show);
    // For a later start: true once the first program has the request.
    bool AskFirstToShow();

private:
    std::filesystem::path socketPath_;
    int lockFd_ = -1;
    bool lockable_ = true;
    QLocalServer server_;
};

}  // namespace ui
