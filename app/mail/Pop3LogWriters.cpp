#include "app/mail/Pop3LogWriters.h"

#include "app/mail/TlsFailureWriter.h"

namespace app {

void BindPop3LogWriters(net::TNMPOP3& client, const EventLog& log, const TlsFailureListener& tlsListener) {
    client.OnInvalidHost = [&client, &log](bool&) { log.Record(LogEvent::InvalidHost, client.Host); };
    client.OnConnectionFailed = [&client, &log](net::TPowersock&) {
        log.Record(LogEvent::ConnectionFailed, client.Host);
    };
    BindTlsFailureWriter(client, log, LogEvent::TlsFailed, tlsListener);
    client.OnAuthenticationNeeded = [&client, &log](bool&) { log.Record(LogEvent::IdOrPasswordNeeded, client.Host); };
    client.OnAuthenticationFailed = [&client, &log](bool&) { log.Record(LogEvent::IdOrPasswordFailed, client.Host); };
}

}  // namespace app
