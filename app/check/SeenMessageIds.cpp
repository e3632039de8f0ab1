#include "app/check/SeenMessageIds.h"

namespace app {

bool SeenMessageIds::Add(const std::string& messageId) {
    if (!lookup_.insert(messageId).second) return false;
    order_.push_back(messageId);
    return true;
}

}  // namespace app
