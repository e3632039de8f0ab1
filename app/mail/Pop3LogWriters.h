#pragma once

#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "net/NMPOP3.h"

namespace app {

// Binds the client's invalid-host, connection-failed, TLS and authentication events to their log lines.
// The writers never declare a failure handled, so the client does not retry and goes on to fail.
void BindPop3LogWriters(net::TNMPOP3& client, const EventLog& log, const TlsFailureListener& tlsListener);

}  // namespace app
