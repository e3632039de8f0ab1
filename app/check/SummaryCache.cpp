#include "app/check/SummaryCache.h"

#include <utility>

namespace app {
namespace {

// What a hash map spends on an element beyond the element itself: its node and its bucket.
constexpr std::size_t kMapOverhead = 4 * sizeof(void*);

}  // namespace

void SummaryCache::StartCheck() {
    ++check_;
    current_ = nullptr;
}

void SummaryCache::StartAccount(std::string account) {
    ++session_;
    current_ = &accounts_[std::move(account)];
    current_->check = check_;
}

const CheckedSummary* SummaryCache::Find(const std::string& uniqueId, std::int32_t bytes, bool headerWanted) {
    if (current_ == nullptr || uniqueId.empty()) return nullptr;
    const auto found = current_->messages.find(uniqueId);
    if (found == current_->messages.end()) return nullptr;
    Entry& entry = found->second;
    if (entry.summary.Identity.Bytes != bytes || (headerWanted && !entry.summary.Header)) return nullptr;
    entry.session = session_;
    return &entry.summary;
}

bool SummaryCache::Store(const CheckedSummary& summary) {
    const std::string& uniqueId = summary.Identity.UniqueId;
    if (current_ == nullptr || uniqueId.empty()) return false;
    // A message fetched again (its size changed, or its header is wanted now) replaces what was kept of it.
    const auto old = current_->messages.find(uniqueId);
    if (old != current_->messages.end()) Erase(current_->messages, old);
    Entry entry{summary, session_};
    const std::size_t size = SizeOf(uniqueId, entry);
    if (bytes_ + size > kBudgetBytes) return false;
    bytes_ += size;
    current_->messages.emplace(uniqueId, std::move(entry));
    return true;
}

void SummaryCache::EndAccount() {
    if (current_ == nullptr) return;
    Messages& messages = current_->messages;
    for (auto entry = messages.begin(); entry != messages.end();) {
        const auto next = std::next(entry);
        if (entry->second.session != session_) Erase(messages, entry);
        entry = next;
    }
}

void SummaryCache::EndCheck() {
    for (auto account = accounts_.begin(); account != accounts_.end();) {
        if (account->second.check == check_) {
            ++account;
            continue;
        }
        Messages& messages = account->second.messages;
        while (!messages.empty()) Erase(messages, messages.begin());
        account = accounts_.erase(account);
    }
    current_ = nullptr;
}

std::size_t SummaryCache::SizeOf(const std::string& uniqueId, const Entry& entry) {
    const CheckedSummary& summary = entry.summary;
    return sizeof(Entry) + kMapOverhead + uniqueId.size() + summary.Sender.size() + summary.Subject.size() +
           summary.MessageId.size() + summary.Identity.UniqueId.size() + (summary.Header ? summary.Header->size() : 0);
}

void SummaryCache::Erase(Messages& messages, Messages::iterator entry) {
    bytes_ -= SizeOf(entry->first, entry->second);
    messages.erase(entry);
}

}  // namespace app
