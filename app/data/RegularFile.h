#pragma once
// Reading a file the user's data folder holds: only a regular file, only up to a bound, and never waiting
// on whatever was put in its place (a pipe, a device, a folder).

#include <cstddef>
#include <filesystem>
#include <string>
#include <variant>

namespace app {

// Far beyond any file the program writes; the bound only keeps a stray huge file out of memory.
inline constexpr std::size_t kRegularFileReadLimit = 16 * 1024 * 1024;

// Why a file that is there could not be read.
enum class ReadFailure {
    Folder,
    TooLarge,      // beyond kRegularFileReadLimit
    NoPermission,  // EACCES or EPERM, on the file or on a folder above it
    ReadError,     // anything else, a file that is no regular file included
    ZeroByte,      // a data file whose text holds a zero byte, where the format ends it
};

// The bytes, empty when the file is missing; for a file that is there but cannot be read, why.
using RegularFileRead = std::variant<std::string, ReadFailure>;
RegularFileRead ReadRegularFile(const std::filesystem::path& path);

}  // namespace app
