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
#include <random>
#include <thread>

#include "app/AccountFile.h"
#include "app/ScrambledFile.h"
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
                "/usr/bin/Xvfb", {"Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {},
                temp.Path() / "xvfb.log"};
            if (xvfb.Start(program, {[socket] { return std::filesystem::exists(socket); },
                                     [] { return true; }, [this] { return testsupport::ReadFile(temp.Path() / "xvfb.log"); }})) {
                return;
            }
        }
        FAIL() << "no free display";
    }

    // The program on the display, its sound captured rather than played.
    void StartProgram(ServerProcess& process, const std::string& name) {
        const ServerProcess::Program program{
            QUILLONV_PROGRAM, {"quillonv", "--data-dir", (temp.Path() / "data").string()},
            EnvironmentWith({"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
                             "SDL_DISKAUDIOFILE=" + (temp.Path() / "sound.raw").string()}),
            temp.Path() / (name + ".log")};
        process.Start(program, {[this] { return Shell("env DISPLAY=" + display + " xdotool search --onlyvisible --name QuillonV").status == 0; },
                                [] { return false; }, [this, name] { return testsupport::ReadFile(temp.Path() / (name + ".log")); }});
    }

    void Click(const std::string& window, int x, int y) {
        Shell("env DISPLAY=" + display + " xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
              std::to_string(y) + " click 1");
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
    std::string display;
    ServerProcess xvfb{"Xvfb"};
};

TEST_F(ProgramOnXvfbTest, TheWindowsShowTheirStateAndASecondStartDefersToTheFirst) {
    // Two messages, one with a Japanese subject ("test") in an encoded-word.
    ScriptedServer server;
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 2000");
    const std::string subjects[] = {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", "Weekly report"};
    for (std::size_t i = 0; i < std::size(subjects); ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string& subject = subjects[i];
        server.Expect("TOP " + n + " 0").SendLine("+OK")
            .Send("From: sender@example.jp\r\nSubject: " + subject + "\r\nMessage-ID: <" + n + "@example.jp>\r\n\r\n.\r\n")
            .Expect("LIST " + n).SendLine("+OK " + n + " 1000");
    }
    server.Pop3Quit();
    server.Start();
    const std::filesystem::path data = temp.Path() / "data";
    std::filesystem::create_directories(data);
    const std::vector<app::AccountRecord> rows = {{"alice@example.jp", "alice", "secret", server.Address(),
                                                   std::string(app::kFlagOn), std::string(app::kFlagOn), "",
                                                   std::string(app::kFlagOff)}};
    const auto accounts = app::BuildAccountFileContent(rows);
    ASSERT_TRUE(accounts && app::SaveScrambledFile(*accounts, data / "quillon.dat"));

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
    Shell("env DISPLAY=" + display + " xdotool key --window " + about + " Return");

    // A second start on the same folder hands over to the running program and ends.
    const Outcome second = Shell("env DISPLAY=" + display + " QT_QPA_PLATFORM=xcb " + QUILLONV_PROGRAM +
                                 " --data-dir '" + data.string() + "'");
    EXPECT_EQ(second.status, 0) << second.output;

    for (const char* name : {"main-basic", "main-advertisement-1", "main-advertisement-2", "content-view", "about-box"}) {
        const std::string described = Describe(kScreenshots / (std::string(name) + ".png"));
        const int colours = std::stoi(described.substr(described.rfind(' ') + 1));
        EXPECT_GT(colours, 16) << name << ": " << described;
    }
}

}  // namespace
