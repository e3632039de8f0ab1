#pragma once
// The log as a check and its advertisement passes write it, which the user may abort: from the abort on,
// whatever fails is the abort's doing and gets no line, and the owner starts nothing more. Each check and
// each pass starts the log afresh.

#include <string_view>
#include <utility>

#include "app/log/EventLog.h"
#include "net/Powersock.h"

namespace app {

class AbortableLog {
public:
    explicit AbortableLog(const EventLog& log) : log_(log) {}
    // Quieten hands out this object's address.
    AbortableLog(const AbortableLog&) = delete;
    AbortableLog& operator=(const AbortableLog&) = delete;

    void Start() { aborted_ = false; }
    void Abort() { aborted_ = true; }
    bool Aborted() const { return aborted_; }

    void Record(LogEvent event, std::string_view subject) const {
        if (!aborted_) log_.Record(event, subject);
    }

    // A client's log writer that the abort must silence as well: a connect the user cut short ends as a
    // failed one does, firing the client's connection-failed event.
    void Quieten(net::TPowersock::NotifyEvent& writer) const {
        writer = [this, write = std::move(writer)](net::TPowersock& sender) {
            if (!aborted_ && write) write(sender);
        };
    }

private:
    const EventLog& log_;
    bool aborted_ = false;
};

}  // namespace app
