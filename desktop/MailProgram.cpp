#include "desktop/MailProgram.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <stdlib.h>

#include <fstream>
#include <iterator>

namespace desktop {

namespace {

// Long enough for the shell script behind xdg-mime on a busy machine; a click must not hang the tray for longer.
constexpr int kQueryWaitMs = 2000;

// Field codes stand for files, addresses, the icon, the name or the entry's own location; with a program
// started on its own none of them has a value, and the deprecated ones are dropped anyway.
constexpr std::string_view kFieldCodes = "fFuUickdDnNvm";

// Inside double quotes these four are written with a backslash before them.
constexpr std::string_view kQuotedEscapes = "\"`$\\";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A desktop entry's string escapes; an unknown one stays as written.
std::string UnescapeString(std::string_view value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's': text += ' '; break;
            case 'n': text += '\n'; break;
            case 't': text += '\t'; break;
            case 'r': text += '\r'; break;
            case '\\': text += '\\'; break;
            default: text.append({'\\', value[i]}); break;
        }
    }
    return text;
}

// Empty folders in a path list are skipped, and relative ones too: they would depend on the current folder.
void AppendAbsoluteFolders(std::string_view list, std::vector<std::filesystem::path>& folders) {
    while (!list.empty()) {
        const size_t colon = list.find(':');
        const std::filesystem::path folder(list.substr(0, colon));
        if (folder.is_absolute()) folders.push_back(folder);
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
}

std::optional<std::string> ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The desktop-entry id of the mailto handler, or nothing when xdg-mime is missing, stalls or knows none.
std::optional<std::string> MailHandlerId() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(kQueryWaitMs)) {
        // Ended here rather than by the destructor, which would warn about a stalled query on the terminal.
        query.kill();
        query.waitForFinished();
        return std::nullopt;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return std::nullopt;
    const std::string output = query.readAllStandardOutput().toStdString();
    const std::string_view firstLine = Trim(std::string_view(output).substr(0, output.find('\n')));
    if (firstLine.empty()) return std::nullopt;
    return std::string(firstLine);
}

}  // namespace

std::optional<std::vector<std::string>> MailProgramLaunch::ExecArguments(std::string_view execLine) {
    std::vector<std::string> arguments;
    std::string argument;
    bool started = false;
    bool hadFieldCode = false;
    bool quoted = false;
    const auto finish = [&] {
        // A quoted "" is a real empty argument; one emptied by its field codes was only a placeholder.
        if (started && !(argument.empty() && hadFieldCode)) arguments.push_back(argument);
        argument.clear();
        started = hadFieldCode = false;
    };
    for (size_t i = 0; i < execLine.size(); ++i) {
        const char c = execLine[i];
        if (!quoted && IsBlank(c)) {
            finish();
            continue;
        }
        started = true;
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted && c == '\\' && i + 1 < execLine.size() &&
                   kQuotedEscapes.find(execLine[i + 1]) != std::string_view::npos) {
            argument += execLine[++i];
        } else if (c == '%') {
            if (i + 1 == execLine.size()) return std::nullopt;
            const char code = execLine[++i];
            if (code == '%') {
                argument += '%';
            } else if (kFieldCodes.find(code) != std::string_view::npos) {
                hadFieldCode = true;
            } else {
                return std::nullopt;
            }
        } else {
            argument += c;
        }
    }
    if (quoted) return std::nullopt;
    finish();
    if (arguments.empty() || arguments.front().empty()) return std::nullopt;
    return arguments;
}

std::optional<std::string> MailProgramLaunch::DesktopEntryExec(std::string_view fileText) {
    bool inEntry = false;
    while (!fileText.empty()) {
        const size_t end = fileText.find('\n');
        const std::string_view line = Trim(fileText.substr(0, end));
        fileText = end == std::string_view::npos ? std::string_view() : fileText.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (inEntry && equals != std::string_view::npos && Trim(line.substr(0, equals)) == "Exec") {
            return UnescapeString(Trim(line.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> MailProgramLaunch::DataDirs() {
    std::vector<std::filesystem::path> folders;
    const char* dataHome = getenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    if (dataHome != nullptr && std::filesystem::path(dataHome).is_absolute()) {
        folders.emplace_back(dataHome);
    } else if (home != nullptr && *home != '\0') {
        folders.push_back(std::filesystem::path(home) / ".local" / "share");
    }
    const char* dataDirs = getenv("XDG_DATA_DIRS");
    AppendAbsoluteFolders(dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : "/usr/local/share:/usr/share", folders);
    return folders;
}

std::optional<std::filesystem::path> MailProgramLaunch::FindDesktopEntry(
    std::string_view id, const std::vector<std::filesystem::path>& dataDirs) {
    // The id comes from another program's output; it must not lead out of the applications folders.
    if (id.empty() || id == "." || id == ".." || id.find('/') != std::string_view::npos) return std::nullopt;
    for (const std::filesystem::path& folder : dataDirs) {
        const std::filesystem::path entry = folder / "applications" / id;
        std::error_code error;
        if (std::filesystem::is_regular_file(entry, error)) return entry;
    }
    return std::nullopt;
}

void StartDefaultMailProgram() {
    const std::optional<std::string> id = MailHandlerId();
    if (!id) return;
    const auto entry = MailProgramLaunch::FindDesktopEntry(*id, MailProgramLaunch::DataDirs());
    const auto text = entry ? ReadText(*entry) : std::nullopt;
    const auto exec = text ? MailProgramLaunch::DesktopEntryExec(*text) : std::nullopt;
    const auto argv = exec ? MailProgramLaunch::ExecArguments(*exec) : std::nullopt;
    if (!argv) return;
    QStringList arguments;
    for (auto argument = argv->begin() + 1; argument != argv->end(); ++argument) {
        arguments.append(QString::fromStdString(*argument));
    }
    QProcess::startDetached(QString::fromStdString(argv->front()), arguments);
}

}  // namespace desktop
