#pragma once
// What a data folder may hold in place of a file the program reads, and why reading it fails.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "app/data/RegularFile.h"
#include "tests/app/TempFolder.h"

struct HostileFile {
    std::string_view what;
    void (*make)(const std::filesystem::path& path);
    app::ReadFailure failure;
};

inline const std::vector<HostileFile>& HostileFiles() {
    static const std::vector<HostileFile> files = {
        // Opened the usual way, it holds the reader until something writes to it.
        {"a FIFO", [](const std::filesystem::path& path) { mkfifo(path.c_str(), 0600); }, app::ReadFailure::ReadError},
        // Endless: read to its end, it fills the memory.
        {"a link to /dev/zero",
         [](const std::filesystem::path& path) { std::filesystem::create_symlink("/dev/zero", path); },
         app::ReadFailure::ReadError},
        {"a folder", [](const std::filesystem::path& path) { std::filesystem::create_directory(path); },
         app::ReadFailure::Folder},
        {"a file beyond the read limit",
         [](const std::filesystem::path& path) {
             WriteBytes(path, "[Init]\r\nMinimize=True\r\n");
             std::filesystem::resize_file(path, app::kRegularFileReadLimit + 1);
         },
         app::ReadFailure::TooLarge},
    };
    return files;
}

// The kind of entry and, for a file, its size: what a rewrite would change.
inline std::pair<std::filesystem::file_type, std::uintmax_t> EntryShape(const std::filesystem::path& path) {
    const std::filesystem::file_type type = std::filesystem::symlink_status(path).type();
    return {type, type == std::filesystem::file_type::regular ? std::filesystem::file_size(path) : 0};
}
