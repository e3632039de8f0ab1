#pragma once
// The unscrambled content of quillon.dat: one 203-byte record per account, no header, no separators.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/data/AccountRecord.h"

namespace app {

inline constexpr std::size_t kAccountRecordSize = 203;
inline constexpr std::size_t kAccountFieldSize = 40;

// Every whole record in order, each field trimmed; a trailing remainder is ignored.
std::vector<AccountRecord> ParseAccountFileContent(std::string_view content);

// The records with every text field right-aligned in 40 bytes. Nothing when a field is longer than 40
// bytes: it cannot be stored without cutting it or breaking the layout.
std::optional<std::string> BuildAccountFileContent(std::span<const AccountRecord> rows);

// The rows of a scrambled account file; none when it is missing or unreadable.
std::vector<AccountRecord> LoadAccountFile(const std::filesystem::path& path);

}  // namespace app
