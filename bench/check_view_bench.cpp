// A check of 5,000 messages with the content view open, against the same check headless, side by side in
// one run on one loopback POP3 server. The window's check pumps the event loop in every wait and lays out
// the memo as entries arrive; it must stay within 1.2x of the headless check. The windows draw
// offscreen unless a display is named.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/notify/NoTray.h"
#include "bench/CheckRig.h"
#include "ui/Program.h"
#include "ui/WindowPump.h"

namespace {

using namespace benchrig;

constexpr int kMessages = 5000;
constexpr int kRounds = 3;

class SilentPlayer final : public app::SoundPlayer {
public:
    bool IsPlaying() override { return false; }
    void Stop() override {}
    void Close() override {}
    void Open(std::string_view) override {}
    void Play() override {}
    void SetVolume(int) override {}
};

// Whether the memo shows every entry of the last check, one paragraph each: the last entries wait for
// the window's next flush, which belongs to the check's cost.
bool CaughtUp(QPlainTextEdit& memo, const app::CheckTally& tally) {
    QCoreApplication::processEvents();
    return memo.document()->blockCount() == tally.messagesFound + 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    KeepToOneCpu("check_view_bench");
    char folderPattern[] = "/tmp/check-view-bench-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) return 1;
    const std::filesystem::path folder = folderPattern;
    MailboxServer server(kMessages);

    SilentPlayer player;
    app::ClientSetup clients;
    clients.pump = ui::WindowPump();
    ui::Program program(app::DataFolder(folder), player, clients);
    program.Start();
    const app::AccountRecord account = BenchAccount(server.Address(), false);
    program.Model().Accounts().Append(account);
    program.Model().CurrentSettings().HeaderAdd = true;
    program.Form2().ShowInFront();
    auto& memo = *program.Form2().findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));

    std::vector<Timing> headless;
    std::vector<Timing> windowed;
    for (int round = 0; round < kRounds; ++round) {
        CheckRig rig(account, folder);
        headless.push_back(rig.Check());
        windowed.push_back(Measure([&] {
            program.Cycle().RunCheck();
            while (!CaughtUp(memo, program.Cycle().LastTally())) {
            }
        }));
    }
    std::filesystem::remove_all(folder);

    const Timing bare = Best(headless);
    const Timing shown = Best(windowed);
    std::printf("RunCheck over one account of %d messages with the header box on, best of %d rounds.\n", kMessages,
                kRounds);
    std::printf("Wall time until the listing is complete, and the main thread's processor time.\n");
    std::printf("%-34s wall %6.1f ms  %5.1f us/message  cpu %6.1f ms  (baseline)\n", "headless check", bare.wallMs,
                bare.wallMs * 1000.0 / kMessages, bare.cpuMs);
    std::printf("%-34s wall %6.1f ms  %5.1f us/message  cpu %6.1f ms  wall %4.2fx, cpu %4.2fx baseline\n",
                "check with the content view open", shown.wallMs, shown.wallMs * 1000.0 / kMessages, shown.cpuMs,
                shown.wallMs / bare.wallMs, shown.cpuMs / bare.cpuMs);
    return 0;
}
