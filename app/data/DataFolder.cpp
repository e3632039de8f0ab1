#include "app/data/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace app {
namespace {

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

std::filesystem::path ResolveDataFolder(const std::function<const char*(const char*)>& lookupVariable,
                                        const std::filesystem::path& homeFolder) {
    const auto variable = [&](const char* name) -> const char* {
        const char* value = lookupVariable(name);
        return value != nullptr && *value != '\0' ? value : nullptr;
    };
    if (const char* own = variable("QUILLONV_HOME")) return own;
    if (const char* config = variable("XDG_CONFIG_HOME")) return std::filesystem::path(config) / "quillonv";
    return homeFolder / ".config" / "quillonv";
}

DataFolder DataFolder::FromEnvironment() {
    return DataFolder(ResolveDataFolder([](const char* name) { return std::getenv(name); }, HomeFolder()));
}

bool DataFolder::Create() const {
    std::filesystem::path partial;
    for (const auto& part : path_) {
        partial /= part;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    std::error_code error;
    return std::filesystem::is_directory(path_, error);
}

}  // namespace app
