#pragma once
// The new mail one check met, as the desktop notification tells of it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Sender and subject as the content view shows them: decoded, Shift_JIS.
struct NewMailEntry {
    std::string Sender;
    std::string Subject;

    bool operator==(const NewMailEntry&) const = default;
};

struct NewMail {
    // A notification lists this many; the rest are only counted.
    static constexpr std::size_t kListed = 5;

    int Count = 0;
    std::vector<NewMailEntry> First;

    void Add(std::string_view sender, std::string_view subject);
};

// "New mail 3" (Shift_JIS), the notification's summary.
std::string NoticeSummary(const NewMail& mail);
// One "sender - subject" line per listed mail, and one line counting the rest; lines end in LF except the last.
std::string NoticeBody(const NewMail& mail);

}  // namespace app
