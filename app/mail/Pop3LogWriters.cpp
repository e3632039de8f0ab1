#include "app/mail/Pop3LogWriters.h"

namespace app {

void BindPop3LogWriters(net::TNMPOP3& client, const EventLog& log) {
    client.OnInvalidHost = [&client, &log](bool&) { log.Record(LogEvent::InvalidHost, client.Host); };
    client.OnConnectionFailed = [&client, &log](net::TPowersock&) {
        log.Record(LogEvent::ConnectionFailed, client.Host);
    };
    client.OnAuthenticationNeeded = [&client, &log](bool&) { log.Record(LogEvent::IdOrPasswordNeeded, client.Host); };
    client.OnAuthenticationFailed = [&client, &log](bool&) { log.Record(LogEvent::IdOrPasswordFailed, client.Host); };
}

}  // namespace app
