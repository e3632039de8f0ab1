#pragma once
// The steps that every mail session of the core takes the same way, with the POP3 and the SMTP client alike.
// The log is an EventLog or an AbortableLog: anything with Record(LogEvent, subject).

#include <exception>

#include "app/log/EventLog.h"

namespace app {

// A failure is logged as `event` with the client's host, after the line the client's own failure event
// may have written, and leaves the client not connected, which the caller checks.
template <typename Client, typename Log>
void ConnectOrLog(Client& client, const Log& log, LogEvent event) {
    try {
        client.Connect();
    } catch (const std::exception&) {
        log.Record(event, client.Host);
    }
}

// QUIT where the connection still stands (on POP3 it carries the deletions out); a refusal is logged as
// `event`. The socket is closed either way. True when QUIT was sent and accepted.
template <typename Client, typename Log>
bool DisconnectOrLog(Client& client, const Log& log, LogEvent event) {
    if (!client.Connected()) return false;
    try {
        client.Disconnect();
        return true;
    } catch (const std::exception&) {
        log.Record(event, client.Host);
        return false;
    }
}

// After a failure inside a session, which is logged already: whatever QUIT meets now is not. True when
// QUIT was sent and accepted.
template <typename Client>
bool AbandonSession(Client& client) {
    const bool connected = client.Connected();
    try {
        client.Disconnect();
        return connected;
    } catch (const std::exception&) {
        // The socket is closed either way.
        return false;
    }
}

}  // namespace app
