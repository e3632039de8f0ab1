#pragma once
// quillon.dat or quillon2.dat as the main window holds it: read once at start, replaced by the save action.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/data/ScrambledFile.h"

namespace app {

class DataFile {
public:
    explicit DataFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }

    // The text, empty when the file is missing or cannot be read. A file that is there but cannot be read
    // (no permission, a folder, far too large) is remembered with the reason: the program runs without
    // what it holds.
    std::string Load();

    // Why Load could not read the file, as long as that file is still there: replacing it would lose what
    // it holds unseen. Moving it aside, or a start that reads it, ends this.
    std::optional<ReadFailure> KeptSafe() const;

    // Whether Replace may store the text: it fits the format, and the file is not kept safe.
    bool MayReplace(std::string_view text) const;

    // Stores the text scrambled when MayReplace allows it. The file then holds what the program holds, so
    // later saves may replace it again.
    bool Replace(std::string_view text);

private:
    std::filesystem::path path_;
    std::optional<ReadFailure> unreadAtLoad_;
};

}  // namespace app
