#include "cli/HeadlessCore.h"

#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <variant>

#include "app/data/AccountFile.h"
#include "app/data/ReplyBody.h"
#include "app/data/ScrambledFile.h"
#include "cli/TerminalText.h"

namespace cli {
namespace {

bool Readable(const std::filesystem::path& path) {
    return access(path.c_str(), R_OK) == 0;
}

bool ReadableDataFolder(const app::DataFolder& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder.Path(), error) || access(folder.Path().c_str(), R_OK | X_OK) != 0) {
        return false;
    }
    for (const std::filesystem::path& file : {folder.SettingsFile(), folder.AccountFile(), folder.ReplyBodyFile()}) {
        if (std::filesystem::exists(file, error) && !Readable(file)) return false;
    }
    return true;
}

}  // namespace

std::optional<DataFiles> LoadDataFiles(const app::DataFolder& folder, std::string_view commandName, std::ostream& err) {
    if (!ReadableDataFolder(folder)) {
        err << "quillonv-cli " << commandName << ": cannot read the data folder " << folder.Path().string() << "\n";
        return std::nullopt;
    }
    // A data file that is there but cannot be read whole would check or list nothing, as if empty.
    for (const std::filesystem::path& file : {folder.AccountFile(), folder.ReplyBodyFile()}) {
        if (std::holds_alternative<app::ReadFailure>(app::ReadScrambledFile(file))) {
            err << "quillonv-cli " << commandName << ": cannot read " << file.string() << "\n";
            return std::nullopt;
        }
    }
    DataFiles files;
    files.accounts.Assign(app::LoadAccountFile(folder.AccountFile()));
    files.settings = app::LoadSettings(folder.SettingsFile());
    files.replyBody = app::LoadReplyBody(folder.ReplyBodyFile());
    return files;
}

app::ClientSetup TerminalClients(std::string_view commandName, std::ostream& err) {
    app::ClientSetup setup;
    setup.tlsFailureListener = [command = std::string(commandName), &err](std::string_view server,
                                                                          std::string_view reason) {
        err << "quillonv-cli " << command << ": TLS with " << AsTerminalField(server)
            << " failed: " << AsTerminalField(reason) << "\n";
    };
    return setup;
}

}  // namespace cli
