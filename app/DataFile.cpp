#include "app/DataFile.h"

#include "app/ScrambledFile.h"

namespace app {

std::string DataFile::Load() {
    auto text = ReadScrambledFile(path_);
    unreadAtLoad_ = !text;
    return text.value_or(std::string());
}

bool DataFile::MayReplace(std::string_view text) const {
    std::error_code error;
    const bool stillThere = std::filesystem::exists(path_, error) || error;
    return FitsScrambledFile(text) && !(unreadAtLoad_ && stillThere);
}

bool DataFile::Replace(std::string_view text) {
    if (!MayReplace(text) || !SaveScrambledFile(text, path_)) return false;
    unreadAtLoad_ = false;
    return true;
}

}  // namespace app
