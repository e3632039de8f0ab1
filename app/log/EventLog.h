#pragma once
// Quillon.log: one line per failed server conversation, never read back by the program.

#include <string>
#include <string_view>

#include "app/data/DataFolder.h"
#include "app/log/Clock.h"

namespace app {

// What a log line reports. The POP3 events come from either POP3 client or from a failed Connect; the
// SendMail ones from the SMTP client or the refusal sending.
enum class LogEvent {
    ConnectionFailed,
    IdOrPasswordNeeded,
    IdOrPasswordFailed,
    InvalidHost,
    // The server field asked for TLS, which could not be set up (certificate, name, handshake); a
    // connection failure follows.
    TlsFailed,
    Failure,
    SoundFailed,
    SendMailConnectionFailed,
    SendMailIdOrPasswordFailed,
    SendMailInvalidHost,
    SendMailTlsFailed,
    // The check's POP3 session failed after it was connected: a refused or broken summary, or a refused
    // QUIT. The session is closed and the check goes on with the next account.
    CheckFailed,
    // An advertisement pass's POP3 session failed after it was connected: a refused summary or deletion,
    // a broken connection or a refused QUIT. The session is closed and the pass goes on.
    DeletionFailed,
    // A listing for the deletion by hand broke off after it was connected (a refused or broken summary),
    // or its QUIT was refused.
    ListingFailed,
    // The deletion by hand's POP3 session failed after it was connected: a refused summary or deletion, a
    // broken connection or a refused QUIT. The session is closed and the user told.
    SelectedDeletionFailed,
    // The check met more advertisements than its queue holds: the rest stay on the server for a later check.
    AdvertisementsDeferred,
    // The Message-IDs of the run fill their store: further messages of this server count as new each check.
    SeenMessagesFull,
    // The summaries remembered for the run fill their store: further messages of this server are fetched
    // at every check.
    SummaryCacheFull,
    // The same for a refusal mail's SMTP session: a refused RSET, MAIL FROM, DATA, final "." or QUIT.
    SendMailFailed,
    // A reply address holding a line break or a zero byte, which could smuggle commands or header lines
    // into the refusal: no refusal is sent to it.
    SendMailUnsafeAddress,
    // A reply address that gives no envelope address ("Name <>", blanks alone): the session would get as
    // far as a DATA without recipients, so no refusal is sent to it.
    SendMailNoAddress,
};

// The text a line of the event starts with, ending in ": ".
std::string_view LogPrefix(LogEvent event);

class EventLog {
public:
    EventLog(DataFolder folder, const Clock& clock) : folder_(std::move(folder)), clock_(clock) {}

    // Appends the line and CR LF, opening and closing the file for this line alone so the log is complete
    // on disk after every event. A control character in the line shows as "?", so a line stays one line.
    // The line is written whole or not at all, and only to a regular file (never through a link): when it
    // cannot be written it is dropped without a word, as the log must never disturb the operation that failed.
    void WriteLog(std::string_view line) const;

    // prefix + subject + "(" + time stamp + ")". The subject is the host name as set from the account, or
    // for SoundFailed the sound file field as typed; it is not trimmed.
    void Record(LogEvent event, std::string_view subject) const;

private:
    DataFolder folder_;
    const Clock& clock_;
};

}  // namespace app
