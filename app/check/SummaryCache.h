#pragma once
// What a check takes of each message's summary, remembered for the program's run per account and message,
// so a check of a server that gives unique-ids (UIDL) fetches the headers of new messages only. A POP3
// server never changes a message, so a message with the same unique-id and size has the same summary.
// Nothing of it is written to disk; it holds at most kBudgetBytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/mail/MessageIdentity.h"

namespace app {

struct CheckedSummary {
    std::string Sender;     // decoded for display, Shift_JIS
    std::string Subject;    // decoded for display, Shift_JIS
    std::string MessageId;  // as the summary gives it, undecoded
    // Decoded for display; only where the header box was on when it was fetched.
    std::optional<std::string> Header;
    MessageIdentity Identity;
};

class SummaryCache {
public:
    static constexpr std::size_t kBudgetBytes = 64 << 20;

    // Begins a check: accounts not checked in it are forgotten when it ends.
    void StartCheck();
    // Begins one account's session; `account` names the server field and the user.
    void StartAccount(std::string account);
    // The remembered summary of this message of the account, unless it lacks the header that is wanted.
    // A message found is kept past the end of the session.
    const CheckedSummary* Find(const std::string& uniqueId, std::int32_t bytes, bool headerWanted);
    // Remembers a fetched summary that has a unique-id; false when it does not fit in the budget.
    bool Store(const CheckedSummary& summary);
    // The session listed every message: the account's messages neither found nor stored since
    // StartAccount are gone from the server and are forgotten.
    void EndAccount();
    void EndCheck();

    std::size_t Bytes() const { return bytes_; }

private:
    struct Entry {
        CheckedSummary summary;
        std::uint64_t session = 0;  // the last session that listed it
    };
    using Messages = std::unordered_map<std::string, Entry>;  // by unique-id
    struct Account {
        Messages messages;
        std::uint64_t check = 0;  // the last check that checked it
    };

    static std::size_t SizeOf(const std::string& uniqueId, const Entry& entry);
    void Erase(Messages& messages, Messages::iterator entry);

    std::unordered_map<std::string, Account> accounts_;
    Account* current_ = nullptr;
    std::uint64_t check_ = 0;
    std::uint64_t session_ = 0;
    std::size_t bytes_ = 0;
};

}  // namespace app
