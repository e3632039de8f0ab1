#pragma once
// The Message-ID texts of every summary handled since the program started, in the order first met. It
// only grows and is never saved, so the first check of a run treats every message as new. It keeps at most
// about 64 MiB: a server that hands out millions of different identifiers is not remembered past that, and
// its further messages count as new at every check.

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace app {

class SeenMessageIds {
public:
    // Records the text unless it is already there; true when it was new. Matching is exact and
    // case-sensitive, the empty text of a message without a Message-ID line included.
    bool Add(const std::string& messageId);
    std::size_t Count() const { return order_.size(); }
    // A text was not recorded for want of room.
    bool Full() const { return full_; }
    const std::vector<std::string>& InOrder() const { return order_; }

private:
    // A list searched line by line would make every summary slower than the one before; the set keeps
    // a lookup the same cost however long the program has run.
    std::vector<std::string> order_;
    std::unordered_set<std::string> lookup_;
    std::size_t bytes_ = 0;
    bool full_ = false;
};

}  // namespace app
