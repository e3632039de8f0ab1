#include "app/check/SeenMessageIds.h"

namespace app {

namespace {

constexpr std::size_t kBudgetBytes = 64 << 20;
// Two copies of the text, the set's node and the list's slot.
constexpr std::size_t kBytesPerEntry = 128;

}  // namespace

bool SeenMessageIds::Add(const std::string& messageId) {
    if (lookup_.contains(messageId)) return false;
    const std::size_t size = 2 * messageId.size() + kBytesPerEntry;
    if (bytes_ + size > kBudgetBytes) {
        full_ = true;
        return true;
    }
    bytes_ += size;
    lookup_.insert(messageId);
    order_.push_back(messageId);
    return true;
}

}  // namespace app
