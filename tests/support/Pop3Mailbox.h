#pragma once
// A POP3 server on 127.0.0.1 whose mailbox other programs change between sessions, as a phone or webmail
// does: session k (counted from 0) sees states[k], the last state from then on. It answers every client
// the same way (USER/PASS accepted, STAT, CAPA, UIDL, TOP, LIST, DELE, QUIT), records every command line
// and which messages a session deleted, one session after another, in a thread of its own.

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/UniqueFd.h"
#include "tests/support/WakePipe.h"

namespace testsupport {

struct StoredMessage {
    std::string uniqueId;  // also how Deleted() names it where the server offers no UIDL
    std::string header;    // lines ended by CR LF, without the empty line
    int size = 0;
};
using MailboxState = std::vector<StoredMessage>;

struct Pop3MailboxBehaviour {
    bool uidl = true;          // else UIDL is refused with -ERR, and CAPA leaves it out
    bool pipelining = false;   // listed in CAPA
    std::string deleReply = "+OK marked";
};

class Pop3Mailbox {
public:
    Pop3Mailbox(std::vector<MailboxState> states, Pop3MailboxBehaviour behaviour = {});  // serves at once
    ~Pop3Mailbox();  // wakes and joins its thread
    Pop3Mailbox(const Pop3Mailbox&) = delete;
    Pop3Mailbox& operator=(const Pop3Mailbox&) = delete;

    std::string Address() const;  // "127.0.0.1:<port>"
    std::vector<std::string> Commands() const;  // every command line of every session, in order
    // The unique-ids of the messages whose DELE was answered "+OK" in a session that then ended with QUIT.
    std::vector<std::string> Deleted() const;

private:
    void Serve();
    void Session(int client, const MailboxState& state);
    std::string Answer(const std::string& command, const MailboxState& state, std::vector<std::string>& marked) const;

    Pop3MailboxBehaviour behaviour_;
    std::vector<MailboxState> states_;
    UniqueFd listener_;
    WakePipe wake_;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::vector<std::string> deleted_;
    std::thread thread_;
};

}  // namespace testsupport
