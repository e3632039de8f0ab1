#pragma once
// The account list: the rows in list order and the one selected row. The only store of the accounts while
// the program runs; the data files are read at start and written by the save action.

#include <cstddef>
#include <optional>
#include <vector>

#include "app/data/AccountRecord.h"

namespace app {

class AccountList {
public:
    const std::vector<AccountRecord>& Rows() const { return rows_; }
    std::size_t Count() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }

    void Assign(std::vector<AccountRecord> rows);
    void Append(AccountRecord row);
    // Inserts before `index` (at the end when index == Count()). The selection stays with its row.
    void Insert(std::size_t index, AccountRecord row);
    // Removing the selected row leaves no row selected.
    void Remove(std::size_t index);

    std::optional<std::size_t> Selected() const { return selected_; }
    void Select(std::optional<std::size_t> index);

private:
    std::vector<AccountRecord> rows_;
    std::optional<std::size_t> selected_;
};

}  // namespace app
