#include "desktop/MailProgram.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "tests/app/TempFolder.h"

namespace {

using desktop::MailProgramLaunch;
using Argv = std::optional<std::vector<std::string>>;

TEST(MailProgramLaunch, ExecLinesBecomeArguments) {
    const struct { const char* exec; Argv argv; } rows[] = {
        {"  mail  -compose\t%U  ", Argv{{"mail", "-compose"}}},
        {"app --to=%u %i %c %k \"%f\" %d%D%n%N%v%m", Argv{{"app", "--to="}}},
        {R"("/opt/My Mail/run" "a \"b\" \`c\` \$d \\e \n" "" x"y z")",
         Argv{{"/opt/My Mail/run", "a \"b\" `c` $d \\e \\n", "", "xy z"}}},
        {"app 100%% \"%%u\"", Argv{{"app", "100%", "%u"}}},
        {"app \"open", std::nullopt},
        {"%u %F", std::nullopt},
        {"app %x", std::nullopt},
        {"app 50%", std::nullopt},
        {"\"\" app", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(MailProgramLaunch::ExecArguments(row.exec), row.argv) << row.exec;
}

TEST(MailProgramLaunch, ExecComesFromTheDesktopEntryGroupOnly) {
    const struct { const char* text; std::optional<std::string> exec; } rows[] = {
        {"# Exec=none\n[Desktop Action compose]\nExec=mail -c\n[Desktop Entry]\n# Exec=old\n\nExec = mail %u\r\n",
         "mail %u"},
        {"[Desktop Entry]\nExec[de]=post\nExec=mail\\sx \"a\\\\\\\\b\"\n[Desktop Action compose]\nExec=mail -c\n",
         "mail x \"a\\\\b\""},
        {"[Desktop Entry]\nName=Mail\n[Desktop Action compose]\nExec=mail -c\n", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(MailProgramLaunch::DesktopEntryExec(row.text), row.exec) << row.text;
}

TEST(MailProgramLaunch, EntriesAreFoundInTheFirstFolderThatHasThem) {
    TempFolder temp;
    for (const char* folder : {"user/applications", "system/applications"}) create_directories(temp.Path() / folder);
    for (const char* entry : {"user/applications/mail.desktop", "system/applications/mail.desktop",
                              "system/applications/other.desktop"}) {
        WriteBytes(temp.Path() / entry, "");
    }
    const std::vector dirs{temp.Path() / "missing", temp.Path() / "user", temp.Path() / "system"};
    EXPECT_EQ(MailProgramLaunch::FindDesktopEntry("mail.desktop", dirs), dirs[1] / "applications/mail.desktop");
    EXPECT_EQ(MailProgramLaunch::FindDesktopEntry("other.desktop", dirs), dirs[2] / "applications/other.desktop");
    EXPECT_EQ(MailProgramLaunch::FindDesktopEntry("../applications/mail.desktop", dirs), std::nullopt);
    EXPECT_EQ(MailProgramLaunch::FindDesktopEntry("none.desktop", dirs), std::nullopt);
}

// The handler the user's mimeapps.list names is started with its Exec line's arguments, without an address.
TEST(MailProgramLaunch, StartsTheMailtoHandlerOfTheDesktop) {
    if (!std::filesystem::exists("/usr/bin/xdg-mime")) GTEST_SKIP() << "xdg-mime (xdg-utils) is not installed";
    TempFolder temp;
    create_directories(temp.Path() / "config");
    create_directories(temp.Path() / "data/applications");
    const std::filesystem::path script = temp.Path() / "mail.sh";
    const std::filesystem::path marker = temp.Path() / "mail.sh.out";
    WriteBytes(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    WriteBytes(temp.Path() / "config/mimeapps.list",
               "[Default Applications]\nx-scheme-handler/mailto=stand-in.desktop\n");
    WriteBytes(temp.Path() / "data/applications/stand-in.desktop",
               "[Desktop Entry]\nType=Application\nExec=" + script.string() + " \"two words\" --to=%u %u\n");
    // X-Generic keeps xdg-mime from asking a running desktop instead of the folders set here.
    setenv("XDG_CURRENT_DESKTOP", "X-Generic", 1);
    for (const char* name : {"KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "DESKTOP_SESSION"}) unsetenv(name);
    setenv("XDG_CONFIG_HOME", (temp.Path() / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (temp.Path() / "data").c_str(), 1);

    desktop::StartDefaultMailProgram();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!exists(marker) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadBytes(marker), "two words|--to=|");
}

}  // namespace
