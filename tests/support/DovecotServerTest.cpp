#include "tests/support/DovecotServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "tests/support/LoopbackClient.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

std::string Message(const std::string& subject, const std::string& body) {
    return "From: sender@example.com\r\nSubject: " + subject + "\r\nMessage-Id: <" + subject +
           "@example.com>\r\n\r\n" + body + "\r\n";
}

// Reads a multi-line reply up to its terminating ".\r\n".
std::string ReadMultiLine(LoopbackClient& client) {
    std::string text;
    for (std::string line; (line = client.ReadLine()) != ".\r\n" && !line.empty();) text += line;
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string LoginAndSend(LoopbackClient& client, const std::string& password, const std::string& command) {
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    client.SendLine("USER alice");
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    client.SendLine("PASS " + password);
    const std::string reply = client.ReadLine();
    if (!StartsWith(reply, "+OK")) return reply;
    client.SendLine(command);
    return client.ReadLine();
}

TEST(DovecotServer, ServesSummariesAndDeletesFromTheMaildir) {
    const std::string first = Message("first", "one");
    const std::string second = Message("second", "two");
    const std::string third = Message("third", "three");
    DovecotServer server;
    server.AddUser("alice", "secret");
    const fs::path firstFile = server.AddMessage("alice", first);
    server.AddMessage("alice", second);
    server.Start();
    EXPECT_EQ(server.Address(), "127.0.0.1:" + std::to_string(server.Port()));
    server.AddMessage("alice", third);  // after Start, seen by the next session
    ASSERT_EQ(server.MessageFiles("alice").size(), 3u);

    LoopbackClient client(server.Port());
    EXPECT_EQ(LoginAndSend(client, "secret", "STAT"),
              "+OK 3 " + std::to_string(first.size() + second.size() + third.size()) + "\r\n");
    client.SendLine("TOP 1 0");
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    EXPECT_EQ(ReadMultiLine(client), first.substr(0, first.find("\r\n\r\n") + 4));
    client.SendLine("RETR 3");
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    EXPECT_EQ(ReadMultiLine(client), third);
    client.SendLine("DELE 1");
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    client.SendLine("QUIT");
    EXPECT_TRUE(StartsWith(client.ReadLine(), "+OK"));
    EXPECT_EQ(client.ReadUntilClosed(), "");

    // The session moved the others to cur/ under new names; the first one's base name is gone.
    const auto files = server.MessageFiles("alice");
    ASSERT_EQ(files.size(), 2u);
    for (const fs::path& file : files) {
        EXPECT_FALSE(StartsWith(file.filename().string(), firstFile.filename().string())) << file;
    }
}

TEST(DovecotServer, RefusesAWrongPassword) {
    DovecotServer server;
    server.AddUser("alice", "secret");
    server.Start();
    LoopbackClient client(server.Port());
    EXPECT_TRUE(StartsWith(LoginAndSend(client, "wrong", "STAT"), "-ERR"));
}

TEST(DovecotServer, InstancesRunSideBySideAndStopWithTheirDestructor) {
    auto one = std::make_unique<DovecotServer>();
    auto two = std::make_unique<DovecotServer>();
    one->Start();
    two->Start();
    EXPECT_NE(one->Port(), two->Port());
    const std::uint16_t port = one->Port();
    const fs::path folder = one->Folder();
    EXPECT_TRUE(StartsWith(LoopbackClient(two->Port()).ReadLine(), "+OK"));

    one.reset();
    EXPECT_THROW(LoopbackClient{port}, std::system_error);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(StartsWith(LoopbackClient(two->Port()).ReadLine(), "+OK"));
}

TEST(DovecotServer, RejectsUnusableUsers) {
    DovecotServer server;
    EXPECT_THROW(server.AddUser("al:ice", "secret"), std::invalid_argument);
    EXPECT_THROW(server.AddUser("../alice", "secret"), std::invalid_argument);
    EXPECT_THROW(server.AddUser("alice", "se\ncret"), std::invalid_argument);
    EXPECT_THROW(server.AddMessage("nobody", "Subject: x\r\n\r\n"), std::invalid_argument);
}

}  // namespace
}  // namespace testsupport
