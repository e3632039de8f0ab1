#include "app/notify/NewMail.h"

namespace app {
namespace {

// "New mail" and a blank; "mails", the counter word for letters; "and", before the count of the rest;
// the dash between sender and subject (a full-width horizontal bar between blanks).
constexpr std::string_view kNewMailLead = "\x90V\x92\x85\x83\x81\x81[\x83\x8b ";
constexpr std::string_view kMailsCounter = "\x92\xca";
constexpr std::string_view kRestLead = "\x82\xd9\x82\xa9 ";
constexpr std::string_view kBetween = " \x81\x5c ";

}  // namespace

void NewMail::Add(std::string_view sender, std::string_view subject) {
    ++Count;
    if (First.size() < kListed) First.push_back({std::string(sender), std::string(subject)});
}

std::string NoticeSummary(const NewMail& mail) {
    return std::string(kNewMailLead) + std::to_string(mail.Count) + std::string(kMailsCounter);
}

std::string NoticeBody(const NewMail& mail) {
    std::string body;
    for (const NewMailEntry& entry : mail.First) {
        if (!body.empty()) body += '\n';
        body += entry.Sender + std::string(kBetween) + entry.Subject;
    }
    const int rest = mail.Count - static_cast<int>(mail.First.size());
    if (rest > 0) body += '\n' + std::string(kRestLead) + std::to_string(rest) + std::string(kMailsCounter);
    return body;
}

}  // namespace app
