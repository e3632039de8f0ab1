// The lock and the socket of the data folder against what a start finds there: a relative folder, a flood
// of clients that say nothing, descriptors running out, and a link in the lock's place.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <QTest>
#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/support/UniqueFd.h"
#include "tests/ui/WindowFixture.h"
#include "ui/StartGuard.h"

namespace {

using testsupport::UniqueFd;

UniqueFd IdleClient(const std::filesystem::path& socketPath) {
    UniqueFd client(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_un address{.sun_family = AF_UNIX};
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    if (client) connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    return client;
}

TEST(SingleInstance, ARelativeFolderFloodedAndOutOfDescriptorsStillAnswersTheNextStart) {
    TempFolder parent;
    const std::filesystem::path workingFolder = std::filesystem::current_path();
    std::filesystem::current_path(parent.Path());
    const app::DataFolder folder("data");
    ASSERT_TRUE(folder.Create());
    int shown = 0;
    ui::SingleInstance first(folder);
    first.ServeShowRequests([&shown] { ++shown; });
    std::filesystem::current_path(workingFolder);
    const std::filesystem::path socketPath = parent.Path() / "data" / "quillonv.socket";
    EXPECT_TRUE(std::filesystem::is_socket(socketPath));
    {
        std::vector<UniqueFd> flood;
        for (int i = 0; i < 40; ++i) flood.push_back(IdleClient(socketPath));
        const auto dropped = [](const UniqueFd& client) {
            char byte = 0;
            return recv(client.Get(), &byte, 1, MSG_DONTWAIT) == 0;
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::all_of(flood.begin(), flood.end(), dropped); }, 10000));
    }
    {
        // Connections wait while no descriptor is left: the accept fails and Qt closes the server.
        rlimit limit{};
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
        const UniqueFd lowestFree(open("/dev/null", O_RDONLY | O_CLOEXEC));
        const rlimit lowered{static_cast<rlim_t>(lowestFree.Get() + 4), limit.rlim_max};
        ASSERT_TRUE(lowestFree && setrlimit(RLIMIT_NOFILE, &lowered) == 0);
        std::vector<UniqueFd> waiting;
        for (UniqueFd client; (client = IdleClient(socketPath));) waiting.push_back(std::move(client));
        QTest::qWait(100);
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
        EXPECT_FALSE(std::filesystem::exists(socketPath));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(socketPath); }, 10000));
    ui::SingleInstance second(app::DataFolder(parent.Path() / "data"));
    EXPECT_EQ(ui::SettleWithOtherStarts(second), 0);
    EXPECT_TRUE(QTest::qWaitFor([&shown] { return shown == 1; }));
}

TEST(SingleInstance, ALinkInTheLockFilesPlaceIsNotFollowedAndTheStartSaysSoInABox) {
    TempFolder temp;
    std::filesystem::create_symlink(temp.Path() / "elsewhere", temp.Path() / "quillonv.lock");
    ui::SingleInstance instance{app::DataFolder(temp.Path())};
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "elsewhere"));
    EXPECT_NE(instance.LockFailure().find(std::strerror(ELOOP)), std::string::npos) << instance.LockFailure();
    BoxAnswerer answerer;
    EXPECT_EQ(ui::SettleWithOtherStarts(instance), std::nullopt);
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_TRUE(answerer.texts[0].contains(QString::fromStdString(instance.LockFailure())));
}

}  // namespace
