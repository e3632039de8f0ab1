#pragma once
// Starting the desktop's default mail program, as the tray icon's double-click does. The reading of desktop
// entries is kept apart from Qt so a table can check it without a process being started.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace desktop {

struct MailProgramLaunch {
    // The program and its arguments from a desktop entry's Exec value, with no file or address to hand over:
    // every field code is dropped, and an argument that was nothing but field codes goes with it. Nothing
    // when the line is malformed (an open quote, an unknown field code) or names no program.
    static std::optional<std::vector<std::string>> ExecArguments(std::string_view execLine);

    // The Exec value of the [Desktop Entry] group, its string escapes already undone.
    static std::optional<std::string> DesktopEntryExec(std::string_view fileText);

    // Where desktop entries are looked for, the user's own folder first, as the environment sets them.
    static std::vector<std::filesystem::path> DataDirs();

    // The first `applications/<id>` file under `dataDirs`. An id that is not a plain file name finds nothing.
    static std::optional<std::filesystem::path> FindDesktopEntry(std::string_view id,
                                                                 const std::vector<std::filesystem::path>& dataDirs);
};

// Asks xdg-mime for the mailto handler and starts it on its own. A desktop without one, or a handler that
// cannot be started, leaves the click without effect: there is nobody to tell.
void StartDefaultMailProgram();

}  // namespace desktop
