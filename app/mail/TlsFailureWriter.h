#pragma once

#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "net/Powersock.h"

namespace app {

// A connection that asked for TLS and could not have it gets a log line of its own, naming the server as
// typed, besides the connection failure that follows; the listener hears the reason.
inline void BindTlsFailureWriter(net::TPowersock& client, const EventLog& log, LogEvent event,
                                 TlsFailureListener listener) {
    client.OnTlsFailed = [&client, &log, event, listener = std::move(listener)](net::TPowersock&) {
        log.Record(event, client.Host);
        if (listener) listener(client.Host, client.TlsFailure());
    };
}

}  // namespace app
