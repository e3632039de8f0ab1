#include "app/data/AccountList.h"

#include <stdexcept>

namespace app {

void AccountList::Assign(std::vector<AccountRecord> rows) {
    rows_ = std::move(rows);
    selected_.reset();
}

void AccountList::Append(AccountRecord row) { rows_.push_back(std::move(row)); }

void AccountList::Insert(std::size_t index, AccountRecord row) {
    if (index > rows_.size()) throw std::out_of_range("account row index");
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
    if (selected_ && *selected_ >= index) ++*selected_;
}

void AccountList::Remove(std::size_t index) {
    if (index >= rows_.size()) throw std::out_of_range("account row index");
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    if (selected_ == index) {
        selected_.reset();
    } else if (selected_ && *selected_ > index) {
        --*selected_;
    }
}

void AccountList::Select(std::optional<std::size_t> index) {
    if (index && *index >= rows_.size()) throw std::out_of_range("account row index");
    selected_ = index;
}

}  // namespace app
