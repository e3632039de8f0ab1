#include "net/ExStringList.h"

#include <algorithm>
#include <stdexcept>

namespace net {

namespace {
char FoldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool TextLess(const std::string& a, const std::string& b)
{
    return CompareText(a, b) < 0;
}
}  // namespace

int CompareText(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(FoldCase(a[i]));
        const auto y = static_cast<unsigned char>(FoldCase(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void TExStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_) {
        std::stable_sort(lines_.begin(), lines_.end(), TextLess);
    }
    sorted_ = sorted;
}

int TExStringList::Add(std::string line)
{
    if (!sorted_) {
        lines_.push_back(std::move(line));
        return Count() - 1;
    }
    const auto place = std::upper_bound(lines_.begin(), lines_.end(), line, TextLess);
    return static_cast<int>(lines_.insert(place, std::move(line)) - lines_.begin());
}

void TExStringList::Put(int index, std::string line)
{
    if (!sorted_) {
        lines_.at(static_cast<std::size_t>(index)) = std::move(line);
        return;
    }
    Delete(index);
    Add(std::move(line));
}

void TExStringList::Delete(int index)
{
    if (index < 0 || index >= Count()) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    }
    lines_.erase(lines_.begin() + index);
}

int TExStringList::IndexOfHeader(std::string_view name) const
{
    if (!sorted_) {
        for (int i = 0; i < Count(); ++i) {
            const std::string_view line = lines_[static_cast<std::size_t>(i)];
            const std::size_t colon = line.find(':');
            if (colon != std::string_view::npos && CompareText(line.substr(0, colon), name) == 0) {
                return i;
            }
        }
        return -1;
    }
    // Sorted entries follow the order of their whole text, in which the entries of one name stand
    // together, sharing the prefix name + ":". Comparing the bare names instead would lose the way, as
    // "Received-SPF:" sorts before "Received:".
    if (name.find(':') != std::string_view::npos) {
        return -1;
    }
    const std::string prefix = std::string(name) + ":";
    int lo = 0;
    int hi = Count() - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const std::string_view line = lines_[static_cast<std::size_t>(mid)];
        const int order = CompareText(line.substr(0, prefix.size()), prefix);
        if (order == 0) {
            return mid;
        }
        if (order < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return -1;
}

void TExStringList::SetHeader(std::string_view name, std::string_view value)
{
    const int index = IndexOfHeader(name);
    if (value.empty()) {
        if (index >= 0) {
            Delete(index);
        }
        return;
    }
    std::string line = std::string(name) + ": " + std::string(value);
    if (index < 0) {
        Add(std::move(line));
    } else {
        Put(index, std::move(line));
    }
}

}  // namespace net
