#pragma once
// The folder that holds quillet.ini, quillon.dat, quillon2.dat and Quillon.log.

#include <filesystem>
#include <functional>

namespace app {

class DataFolder {
public:
    explicit DataFolder(std::filesystem::path path) : path_(std::move(path)) {}

    // $QUILLONV_HOME, else $XDG_CONFIG_HOME/quillonv, else ~/.config/quillonv.
    static DataFolder FromEnvironment();

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path SettingsFile() const { return path_ / "quillet.ini"; }
    std::filesystem::path AccountFile() const { return path_ / "quillon.dat"; }
    std::filesystem::path ReplyBodyFile() const { return path_ / "quillon2.dat"; }
    std::filesystem::path LogFile() const { return path_ / "Quillon.log"; }

    // Creates the folder and any missing parents, owner-only (the account file holds passwords).
    // An existing folder keeps its mode. True when the folder exists afterwards.
    bool Create() const;

private:
    std::filesystem::path path_;
};

// The resolution of FromEnvironment with the variable lookup and the home folder passed in. An empty
// variable counts as unset, as the XDG rules say.
std::filesystem::path ResolveDataFolder(const std::function<const char*(const char*)>& lookupVariable,
                                        const std::filesystem::path& homeFolder);

}  // namespace app
