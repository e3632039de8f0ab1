#include "app/data/DataFile.h"

#include <variant>

namespace app {

std::string DataFile::Load() {
    ScrambledFileRead read = ReadScrambledFile(path_);
    if (const ReadFailure* failure = std::get_if<ReadFailure>(&read)) {
        unreadAtLoad_ = *failure;
        return {};
    }
    unreadAtLoad_.reset();
    return std::get<std::string>(std::move(read));
}

std::optional<ReadFailure> DataFile::KeptSafe() const {
    if (!unreadAtLoad_) return std::nullopt;
    // A file that cannot even be looked at may still be there.
    std::error_code error;
    const bool stillThere = std::filesystem::exists(path_, error) || error;
    return stillThere ? unreadAtLoad_ : std::nullopt;
}

bool DataFile::MayReplace(std::string_view text) const {
    return FitsScrambledFile(text) && !KeptSafe();
}

bool DataFile::Replace(std::string_view text) {
    if (!MayReplace(text) || !SaveScrambledFile(text, path_)) return false;
    unreadAtLoad_.reset();
    return true;
}

}  // namespace app
