// The real quillonv on a virtual display, driven from outside as a user would (xdotool), with screenshots
// of its windows saved into the build tree for a person to look at.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/ServerProcess.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedServer;
using testsupport::ServerProcess;

const std::filesystem::path kScreenshots = QUILLONV_SCREENSHOT_DIR;

struct Outcome {
    int status;
    std::string output;
};

// A shell command with a bound on its time, so a window that never comes fails the test instead of hanging it.
Outcome Shell(const std::string& command) {
    FILE* pipe = ::popen(("timeout 20 " + command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) testsupport::ThrowErrno("popen");
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string WindowNamed(const std::string& display, const std::string& name) {
    const Outcome found = Shell("env DISPLAY=" + display + " xdotool search --sync --onlyvisible --name '" + name + "'");
    if (found.status != 0) throw std::runtime_error("no window " + name + ": " + found.output);
    return found.output.substr(0, found.output.find('\n'));
}

// Polls for up to five seconds.
bool WaitFor(const std::function<bool()>& condition) {
    for (int poll = 0; poll < 50; ++poll) {
        if (condition()) return true;
        std::this_thread::sleep_for(100ms);
    }
    return condition();
}

// Width and height of a saved picture, and how many colours it holds.
std::string Describe(const std::filesystem::path& png) {
    return Shell("identify -format '%w %h %k' '" + png.string() + "'").output;
}

// The test's environment with these settings in place of any it has (the suite runs Qt offscreen).
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& settings) {
    const auto overridden = [&](std::string_view entry) {
        return std::ranges::any_of(settings, [&](const std::string& setting) {
            return entry.substr(0, entry.find('=') + 1) == setting.substr(0, setting.find('=') + 1);
        });
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!overridden(*entry)) environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), settings.begin(), settings.end());
    return environment;
}

class ProgramOnXvfbTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(kScreenshots);
        StartDisplay();
    }

    void StartDisplay() {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 10; ++attempt) {
            const int number = 100 + static_cast<int>(random() % 800);
            const std::filesystem::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (std::filesystem::exists(socket)) continue;
            display = ":" + std::to_string(number);
            const ServerProcess::Program program{
                "/usr/bin/Xvfb", {"Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, {},
                temp.Path() / "xvfb.log"};
            // The socket comes before the server takes clients; a busy machine shows the difference.
            const auto answers = [socket, number] {
                return std::filesystem::exists(socket) &&
                       Shell("xdpyinfo -display :" + std::to_string(number) + " >/dev/null").status == 0;
            };
            if (xvfb.Start(program, {answers,
                                     [] { return true; }, [this] { return testsupport::ReadFile(temp.Path() / "xvfb.log"); }})) {
                return;
            }
        }
        FAIL() << "no free display";
    }

    Outcome OnDisplay(const std::string& command) { return Shell("env DISPLAY=" + display + " " + command); }

    // A session bus of the test's own; its configuration starts nothing of the machine's on demand.
    void StartSessionBus() {
        const std::filesystem::path socket = temp.Path() / "bus";
        bus = "unix:path=" + socket.string();
        WriteBytes(temp.Path() / "bus.conf",
                   "<busconfig><type>session</type><listen>" + bus + "</listen><auth>EXTERNAL</auth>"
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        busDaemon.Start({"/usr/bin/dbus-daemon", {"dbus-daemon", "--nofork", "--config-file=" + (temp.Path() / "bus.conf").string()},
                         {}, temp.Path() / "bus.log"},
                        {[socket] { return std::filesystem::exists(socket); }, [] { return false; },
                         [this] { return testsupport::ReadFile(temp.Path() / "bus.log"); }});
    }
    // Lines the stand-in mail program has left.
    std::size_t MailStarts() {
        const std::filesystem::path marks = temp.Path() / "mail-started";
        return std::filesystem::exists(marks) ? Count(testsupport::ReadFile(marks), "started") : 0;
    }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t count = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
        return count;
    }
    // Each start is counted once it has come, then given the double-click time over to come twice.
    void ExpectMailStarts(std::size_t starts) {
        EXPECT_TRUE(WaitFor([&] { return MailStarts() >= starts; }));
        std::this_thread::sleep_for(1s);
        EXPECT_EQ(MailStarts(), starts);
    }

    // For the one account of the data folder, one session per check holding that many messages; the
    // first has a Japanese subject ("test") in an encoded-word.
    void ServeMailbox(ScriptedServer& server, const std::vector<int>& sessions = {2}) {
        for (std::size_t session = 0; session < sessions.size(); ++session) {
            if (session > 0) server.AcceptNext();
            const std::string count = std::to_string(sessions[session]);
            server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK " + count + " 2000");
            // Only more than one message is worth asking whether the server pipelines.
            if (sessions[session] > 1) server.Pop3WithoutCapa();
            if (sessions[session] > 0) server.Pop3WithoutUidl();
            for (int i = 1; i <= sessions[session]; ++i) {
                const std::string n = std::to_string(i);
                const std::string subject = i == 1 ? "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=" : "Weekly report " + n;
                server.Expect("TOP " + n + " 0").SendLine("+OK")
                    .Send("From: sender" + n + "@example.jp\r\nSubject: " + subject + "\r\nMessage-ID: <" + n +
                          "@example.jp>\r\n\r\n.\r\n")
                    .Expect("LIST " + n).SendLine("+OK " + n + " 1000");
            }
            server.Pop3Quit();
        }
        server.Start();
        std::filesystem::create_directories(data);
        const std::vector<app::AccountRecord> rows = {{"alice@example.jp", "alice", "secret", server.Address(),
                                                       std::string(app::kFlagOn), std::string(app::kFlagOn), "",
                                                       std::string(app::kFlagOff)}};
        const auto accounts = app::BuildAccountFileContent(rows);
        ASSERT_TRUE(accounts && app::SaveScrambledFile(*accounts, data / "quillon.dat"));
    }

    // The program on the display, its sound captured rather than played, by default with no session bus,
    // so a tray icon goes to an X tray host, and a desktop whose mail program is a stand-in that leaves a
    // line for every start.
    void StartProgram(ServerProcess& process, const std::string& name,
                      const std::string& bus = "unix:path=/nonexistent") {
        const std::filesystem::path standIn = temp.Path() / "mail-program";
        WriteBytes(standIn, "#!/bin/sh\necho started >> '" + (temp.Path() / "mail-started").string() + "'\n");
        std::filesystem::permissions(standIn, std::filesystem::perms::owner_all);
        std::filesystem::create_directories(temp.Path() / "config");
        WriteBytes(temp.Path() / "config" / "mimeapps.list",
                   "[Default Applications]\nx-scheme-handler/mailto=stand-in.desktop\n");
        std::filesystem::create_directories(temp.Path() / "share" / "applications");
        WriteBytes(temp.Path() / "share" / "applications" / "stand-in.desktop",
                   "[Desktop Entry]\nType=Application\nName=stand-in\nExec=" + standIn.string() + " %u\n");
        const ServerProcess::Program program{
            QUILLONV_PROGRAM, {"quillonv", "--data-dir", data.string()},
            EnvironmentWith({"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
                             "SDL_DISKAUDIOFILE=" + (temp.Path() / "sound.raw").string(),
                             "DBUS_SESSION_BUS_ADDRESS=" + bus, "XDG_CURRENT_DESKTOP=X-Generic",
                             "XDG_CONFIG_HOME=" + (temp.Path() / "config").string(),
                             "XDG_DATA_HOME=" + (temp.Path() / "share").string()}),
            temp.Path() / (name + ".log")};
        process.Start(program, {[this] { return OnDisplay("xdotool search --onlyvisible --name QuillonV").status == 0; },
                                [] { return false; }, [this, name] { return testsupport::ReadFile(temp.Path() / (name + ".log")); }});
    }

    void Click(const std::string& window, int x, int y, int button = 1, int times = 1) {
        OnDisplay("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                  " click --repeat " + std::to_string(times) + " --delay 100 " + std::to_string(button));
    }
    bool Mapped(const std::string& window) {
        return OnDisplay("xwininfo -id " + window).output.find("IsViewable") != std::string::npos;
    }
    // Pixels that differ between two pictures.
    long Difference(const std::filesystem::path& a, const std::filesystem::path& b) {
        const Outcome compared = Shell("compare -metric AE '" + a.string() + "' '" + b.string() + "' null:");
        return std::stol(compared.output);
    }
    std::filesystem::path Screenshot(const std::string& window, const std::string& name) {
        const std::filesystem::path png = kScreenshots / (name + ".png");
        // Give the window a moment to paint what the last action changed.
        std::this_thread::sleep_for(300ms);
        const Outcome taken = Shell("env DISPLAY=" + display + " import -window " + window + " '" + png.string() + "'");
        EXPECT_EQ(taken.status, 0) << taken.output;
        return png;
    }

    TempFolder temp;
    std::filesystem::path data = temp.Path() / "data";
    std::string display;
    std::string bus;
    ServerProcess xvfb{"Xvfb"};
    ServerProcess busDaemon{"dbus-daemon"};
};

TEST_F(ProgramOnXvfbTest, TheWindowsShowTheirStateAndASecondStartDefersToTheFirst) {
    ScriptedServer server;
    ServeMailbox(server);
    ServerProcess program("quillonv");
    StartProgram(program, "quillonv");
    const std::string main = WindowNamed(display, "QuillonV");
    EXPECT_EQ(Describe(Screenshot(main, "main-basic")).substr(0, 7), "694 456");
    Click(main, 408 + 110, 254 + 10);
    Screenshot(main, "main-advertisement-1");
    Click(main, 408 + 210, 254 + 10);
    Screenshot(main, "main-advertisement-2");

    Click(main, 395 + 48, 398 + 20);  // check now
    EXPECT_TRUE(server.WaitUntilPlayed(10s));
    Click(main, 408 + 96 + 44, 219 + 17);  // content view
    const std::string content = WindowNamed(display, "\xe5\x86\x85\xe5\xae\xb9\xe8\xa1\xa8\xe7\xa4\xba");
    Screenshot(content, "content-view");

    Click(main, 8 + 37, 398 + 20);  // ClickMe
    const std::string about = WindowNamed(display, "\xe3\x83\x90\xe3\x83\xbc\xe3\x82\xb8\xe3\x83\xa7\xe3\x83\xb3");
    EXPECT_EQ(Describe(Screenshot(about, "about-box")).substr(0, 7), "273 241");
    OnDisplay("xdotool windowfocus --sync " + about + " key Return");

    // Without a tray the window goes to the task bar, which bare Xvfb does not have: it stays mapped, and
    // only the first press says why.
    Click(main, 408 + 188 + 44, 219 + 17);
    const std::string box = WindowNamed(display, "\xe3\x82\xaf\xe3\x82\xa4\xe3\x83\xad\xe3\x83\xb3V");
    OnDisplay("xdotool windowfocus --sync " + box + " key Return");
    Click(main, 408 + 188 + 44, 219 + 17);
    std::this_thread::sleep_for(500ms);
    EXPECT_NE(OnDisplay("xdotool search --onlyvisible --name '\xe3\x82\xaf\xe3\x82\xa4\xe3\x83\xad\xe3\x83\xb3V'").status, 0);
    EXPECT_TRUE(Mapped(main));

    // A second start on the same folder hands over to the running program and ends.
    const Outcome second = OnDisplay(std::string("QT_QPA_PLATFORM=xcb ") + QUILLONV_PROGRAM + " --data-dir '" +
                                     data.string() + "'");
    EXPECT_EQ(second.status, 0) << second.output;

    for (const char* name : {"main-basic", "main-advertisement-1", "main-advertisement-2", "content-view", "about-box"}) {
        const std::string described = Describe(kScreenshots / (std::string(name) + ".png"));
        const int colours = std::stoi(described.substr(described.rfind(' ') + 1));
        EXPECT_GT(colours, 16) << name << ": " << described;
    }
}

TEST_F(ProgramOnXvfbTest, TheTrayIconAnimatesOffersItsMenuStartsTheMailProgramAndHidesTheWindow) {
    ServerProcess trayer("trayer");
    const ServerProcess::Program host{
        "/usr/bin/trayer", {"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "100",
                            "--height", "24"},
        EnvironmentWith({"DISPLAY=" + display}), temp.Path() / "trayer.log"};
    trayer.Start(host, {[this] { return OnDisplay("xdotool search --onlyvisible --name '^panel$'").status == 0; },
                        [] { return false; }, [this] { return testsupport::ReadFile(temp.Path() / "trayer.log"); }});
    ScriptedServer server;
    ServeMailbox(server);
    ServerProcess program("quillonv");
    StartProgram(program, "quillonv-tray");
    const std::string main = WindowNamed(display, "QuillonV");
    const std::string panel = WindowNamed(display, "^panel$");
    // The icon is the only one in the 100-pixel panel at the top right of the 1280-pixel screen.
    const int iconX = 1280 - 12;
    const int iconY = 12;

    Click(main, 395 + 48, 398 + 20);  // check now: mail waits, so the icon animates
    ASSERT_TRUE(server.WaitUntilPlayed(10s));
    // Two frames of 500 ms each: of three pictures about 350 ms apart, two always differ.
    const std::filesystem::path first = Screenshot(panel, "tray-frame-a");
    const std::filesystem::path second = Screenshot(panel, "tray-frame-b");
    const std::filesystem::path third = Screenshot(panel, "tray-frame-c");
    EXPECT_GT(Difference(first, second) + Difference(second, third), 0);

    OnDisplay("xdotool mousemove " + std::to_string(iconX) + " " + std::to_string(iconY) + " click 3");
    OnDisplay("xdotool search --sync --onlyvisible --classname quillonv");
    Shell("env DISPLAY=" + display + " import -window root -crop 320x200+960+0 '" + (kScreenshots / "tray-menu.png").string() + "'");
    OnDisplay("xdotool key Escape");

    OnDisplay("xdotool mousemove " + std::to_string(iconX) + " " + std::to_string(iconY) + " click --repeat 2 --delay 80 1");
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(temp.Path() / "mail-started"); }));
    const std::filesystem::path still = Screenshot(panel, "tray-after-double-click-a");
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(Difference(still, Screenshot(panel, "tray-after-double-click-b")), 0);

    Click(main, 408 + 188 + 44, 219 + 17);  // minimise: into the tray
    EXPECT_TRUE(WaitFor([&] { return !Mapped(main); }));
    OnDisplay("xdotool mousemove " + std::to_string(iconX) + " " + std::to_string(iconY) + " click 3");
    OnDisplay("xdotool search --sync --onlyvisible --classname quillonv");
    std::this_thread::sleep_for(300ms);
    // The menu opens down and to the left of the pointer; its first item is "restore".
    OnDisplay("xdotool mousemove_relative -- -40 10 click 1");
    EXPECT_TRUE(WaitFor([&] { return Mapped(main); }));
}

// A desktop that speaks StatusNotifierItem and has a notification service, scripted on a private session bus.
class StatusNotifierDesktopTest : public ProgramOnXvfbTest {
protected:
    void SetUp() override {
        for (const char* program : {"/usr/bin/dbus-daemon", "/usr/bin/python3"}) {
            if (!std::filesystem::exists(program)) GTEST_SKIP() << program << " is missing (scripts/install-deps.sh test)";
        }
        // Debian's own interpreter, which python3-gi belongs to, whatever else is first on the path.
        if (Shell("/usr/bin/python3 -c 'from gi.repository import Gio'").status != 0) {
            GTEST_SKIP() << "python3-gi is missing (scripts/install-deps.sh test)";
        }
        ProgramOnXvfbTest::SetUp();
        StartSessionBus();
        desktop.Start({"/usr/bin/python3", {"python3", kDesktopScript, "serve", journal.string()},
                       EnvironmentWith({"DBUS_SESSION_BUS_ADDRESS=" + bus}), temp.Path() / "desktop.log"},
                      {[this] { return Journal().find("ready") != std::string::npos; }, [] { return false; },
                       [this] { return testsupport::ReadFile(temp.Path() / "desktop.log"); }});
    }

    std::string Journal() { return std::filesystem::exists(journal) ? testsupport::ReadFile(journal) : std::string(); }
    using ProgramOnXvfbTest::Count;
    std::size_t Count(const std::string& what) { return Count(Journal(), what); }
    Outcome Host(const std::string& command) {
        return Shell("env DBUS_SESSION_BUS_ADDRESS=" + bus + " /usr/bin/python3 " + kDesktopScript + " " + command);
    }
    // The icon's frames change while it animates; a check stands still for longer than one frame.
    bool Animating() {
        const std::size_t before = Count("new-icon");
        std::this_thread::sleep_for(1200ms);
        return Count("new-icon") > before;
    }
    static constexpr const char* kDesktopScript = QUILLONV_SOURCE_DIR "/tests/support/scripted_desktop.py";
    std::filesystem::path journal = temp.Path() / "desktop.journal";
    ServerProcess desktop{"scripted desktop"};
};

TEST_F(StatusNotifierDesktopTest, TheItemOffersItsMenuOverDbusmenuActsOnOneClickAndNotifiesNewMail) {
    ScriptedServer server;
    ServeMailbox(server, {1, 2, 3});
    ServerProcess program("quillonv");
    StartProgram(program, "quillonv-sni", bus);
    ASSERT_TRUE(WaitFor([&] { return Count("registered ") == 1; })) << Journal();
    const std::string main = WindowNamed(display, "QuillonV");

    const auto check = [&](std::size_t notices) {
        Click(main, 395 + 48, 398 + 20);
        return WaitFor([&] { return Count("notify ") == notices; });
    };
    ASSERT_TRUE(check(1)) << Journal();
    // "New mail 1" with the sender, the program's icon, and a click on it as the default action.
    const std::string first = Journal().substr(Journal().find("notify "));
    EXPECT_NE(first.find("replaces=0 summary=\xe6\x96\xb0\xe7\x9d\x80\xe3\x83\xa1\xe3\x83\xbc\xe3\x83\xab 1\xe9\x80\x9a "
                         "body= sender1@example.jp \xe2\x80\x95  \xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88 "
                         "category=email.arrived desktop-entry=quillonv image=48x48 actions=default,"),
              std::string::npos) << first;
    ASSERT_TRUE(check(2)) << Journal();
    EXPECT_NE(Journal().find("notify id=1 replaces=1 summary=\xe6\x96\xb0\xe7\x9d\x80\xe3\x83\xa1\xe3\x83\xbc\xe3\x83\xab 1"),
              std::string::npos) << Journal();
    EXPECT_TRUE(Animating());

    const Outcome menu = Host("menu");
    EXPECT_EQ(menu.output, "\xe5\x85\x83\xe3\x81\xab\xe6\x88\xbb\xe3\x81\x99\n\xe9\x80\x9a\xe7\x9f\xa5\xe6\xb6\x88\xe5\x8e\xbb\n"
                           "\xe9\x9f\xb3\xe6\xa5\xbd\xe3\x81\xae\xe5\x81\x9c\xe6\xad\xa2\n\xe5\x86\x85\xe5\xae\xb9\xe8\xa1\xa8\xe7\xa4\xba\n"
                           "\xe7\xb5\x82\xe4\xba\x86\n");
    EXPECT_EQ(Host("click \xe9\x80\x9a\xe7\x9f\xa5\xe6\xb6\x88\xe5\x8e\xbb").status, 0);  // clear the notification
    EXPECT_TRUE(WaitFor([&] { return Count("close 1") == 1; })) << Journal();
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(Animating());

    EXPECT_EQ(Host("activate 1 0").status, 0);
    ExpectMailStarts(1);
    EXPECT_EQ(Host("activate 2 100").status, 0);  // a double-click out of habit
    ExpectMailStarts(2);

    ASSERT_TRUE(check(3)) << Journal();
    EXPECT_NE(Journal().find("notify id=2 replaces=0"), std::string::npos) << Journal();
    EXPECT_EQ(Host("invoke-default").status, 0);
    ExpectMailStarts(3);
    EXPECT_TRUE(WaitFor([&] { return Count("close 2") == 1; })) << Journal();
    testsupport::ExpectScriptPlayed(server);
}

// lxqt-panel with its Status Notifier plugin, and dunst, as a light desktop has them.
class RealPanelTest : public ProgramOnXvfbTest {
protected:
    void SetUp() override {
        for (const char* program : {"/usr/bin/dbus-daemon", "/usr/bin/dbus-send", "/usr/bin/lxqt-panel", "/usr/bin/dunst"}) {
            if (!std::filesystem::exists(program)) GTEST_SKIP() << program << " is missing (scripts/install-deps.sh test)";
        }
        ProgramOnXvfbTest::SetUp();
        StartSessionBus();
        const std::filesystem::path config = temp.Path() / "config";
        std::filesystem::create_directories(config / "lxqt");
        // One panel along the top holding only the notifier, its icons at the right end.
        WriteBytes(config / "lxqt" / "panel.conf",
                   "[General]\n__userfile__=true\npanels=panel1\n\n[panel1]\nplugins=statusnotifier\nposition=Top\n"
                   "desktop=0\npanelSize=32\niconSize=22\n\n[statusnotifier]\ntype=statusnotifier\nalignment=Right\n");
        WriteBytes(config / "lxqt" / "lxqt.conf", "[General]\ntheme=light\n");
        const std::vector<std::string> environment = EnvironmentWith(
            {"DISPLAY=" + display, "DBUS_SESSION_BUS_ADDRESS=" + bus, "XDG_CONFIG_HOME=" + config.string(), "QT_QPA_PLATFORM=xcb"});
        panel.Start({"/usr/bin/lxqt-panel", {"lxqt-panel"}, environment, temp.Path() / "panel.log"},
                    {[this] { return OnDisplay("xdotool search --onlyvisible --name '^LXQt Panel$'").status == 0; },
                     [] { return false; }, [this] { return testsupport::ReadFile(temp.Path() / "panel.log"); }});
        dunst.Start({"/usr/bin/dunst", {"dunst"}, environment, temp.Path() / "dunst.log"},
                    {[this] { return OnBus("--dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "
                                           "string:org.freedesktop.Notifications").find("true") != std::string::npos; },
                     [] { return false; }, [this] { return testsupport::ReadFile(temp.Path() / "dunst.log"); }});
    }

    std::string OnBus(const std::string& call) {
        return Shell("env DBUS_SESSION_BUS_ADDRESS=" + bus + " dbus-send --session --print-reply " + call).output;
    }
    // The height of the program's tallest visible window.
    int TallestWindow(const std::string& programClass) {
        const std::string shown =
            OnDisplay("xdotool search --onlyvisible --classname " + programClass + " getwindowgeometry --shell %@").output;
        int tallest = 0;
        for (auto at = shown.find("HEIGHT="); at != std::string::npos; at = shown.find("HEIGHT=", at + 1)) {
            tallest = std::max(tallest, std::stoi(shown.substr(at + 7)));
        }
        return tallest;
    }

    ServerProcess panel{"lxqt-panel"};
    ServerProcess dunst{"dunst"};
};

TEST_F(RealPanelTest, ARightClickShowsTheMenuADoubleClickStartsTheMailProgramOnceAndTheBubbleAppears) {
    ScriptedServer server;
    ServeMailbox(server, {1});
    ServerProcess program("quillonv");
    StartProgram(program, "quillonv-panel", bus);
    const std::string main = WindowNamed(display, "QuillonV");
    ASSERT_TRUE(WaitFor([&] {
        return OnBus("--dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get "
                     "string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems")
                   .find("StatusNotifierItem") != std::string::npos;
    }));
    // The only icon, at the right end of the 32-pixel panel along the top of the 1280-pixel screen.
    const std::string icon = "1265 16";
    EXPECT_EQ(TallestWindow("lxqt-panel"), 32);

    OnDisplay("xdotool mousemove " + icon + " click 3");
    // The panel draws the menu from dbusmenu: five items, not the empty pixel of a menu it never asked for.
    EXPECT_TRUE(WaitFor([&] { return TallestWindow("lxqt-panel") >= 5 * 16; }));
    std::this_thread::sleep_for(300ms);
    Shell("env DISPLAY=" + display + " import -window root -crop 400x200+880+0 '" + (kScreenshots / "panel-menu.png").string() + "'");
    OnDisplay("xdotool key Escape");
    std::this_thread::sleep_for(300ms);

    Click(main, 395 + 48, 398 + 20);  // check now: one new mail
    ASSERT_TRUE(server.WaitUntilPlayed(10s));
    EXPECT_TRUE(WaitFor([&] { return OnDisplay("xdotool search --onlyvisible --classname Dunst").status == 0; }))
        << testsupport::ReadFile(temp.Path() / "dunst.log");
    Shell("env DISPLAY=" + display + " import -window root '" + (kScreenshots / "panel-bubble.png").string() + "'");

    OnDisplay("xdotool mousemove " + icon + " click --repeat 2 --delay 100 1");
    ExpectMailStarts(1);
}

}  // namespace
