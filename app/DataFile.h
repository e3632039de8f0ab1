#pragma once
// quillon.dat or quillon2.dat as the main window holds it: read once at start, replaced by the save action.

#include <filesystem>
#include <string>
#include <string_view>

namespace app {

class DataFile {
public:
    explicit DataFile(std::filesystem::path path) : path_(std::move(path)) {}

    // The text, empty when the file is missing or cannot be read. A file that is there but cannot be read
    // (no permission, a folder, far too large) is remembered: the program runs without what it holds.
    std::string Load();

    // Whether Replace may store the text: it fits the format, and the file is not one that Load could not
    // read and that is still there, as replacing it would lose its accounts unseen. Moving such a file
    // aside, or a start that reads it, lifts the refusal.
    bool MayReplace(std::string_view text) const;

    // Stores the text scrambled when MayReplace allows it. The file then holds what the program holds, so
    // later saves may replace it again.
    bool Replace(std::string_view text);

private:
    std::filesystem::path path_;
    bool unreadAtLoad_ = false;
};

}  // namespace app
