#pragma once
// TExStringList: a list of mail header lines ("Name: value") with lookup and update by header name. In
// sorted mode entries are kept in case-insensitive order and looked up by binary search.

#include <string>
#include <string_view>
#include <vector>

namespace net {

class TExStringList {
public:
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const { return lines_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Lines() const { return lines_; }

    bool Sorted() const { return sorted_; }
    // Switching sorted mode on sorts the entries.
    void SetSorted(bool sorted);

    // Appends, or in sorted mode inserts in order; returns the index of the new entry.
    int Add(std::string line);
    // In sorted mode the replaced entry moves to its place in the order.
    void Put(int index, std::string line);
    void Delete(int index);
    void Clear() { lines_.clear(); }

    // The first entry whose name (the text before the first colon, blanks included) equals name without
    // regard to case, or -1.
    int IndexOfHeader(std::string_view name) const;
    // Sets the first entry of that name to "name: value", appending one if there is none; an empty value
    // deletes the entry.
    void SetHeader(std::string_view name, std::string_view value);

private:
    std::vector<std::string> lines_;
    bool sorted_ = false;
};

// Case-insensitive comparison of ASCII letters; other bytes compare by value. <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

}  // namespace net
