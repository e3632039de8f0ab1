#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/check/CheckCycle.h"
#include "tests/app/AppFakes.h"
#include "tests/app/LoggedFolder.h"
#include "tests/support/Pop3Mailbox.h"
#include "tests/support/ScriptedServer.h"

namespace {

using testsupport::ScriptedServer;

// Shift_JIS texts, written out here rather than taken from the program.
const std::string kConnecting = "\x83T\x81[\x83o\x81[(";                                  // "server("
const std::string kConnectingEnd = ")\x82\xc9\x90\xda\x91\xb1\x92\x86\x81" "E\x81" "E\x81" "E";  // ")connecting..."
const std::string kFetching =  // "fetching the message information..."
    "\x82\xd6\x82\xcc\x83\x81\x83" "b\x83Z\x81[\x83W\x8f\xee\x95\xf1\x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xc4\x82\xa2\x82"
    "\xdc\x82\xb7\x81" "E\x81" "E\x81" "E";
const std::string kCountdown = "\x83\x81\x81[\x83\x8b\x83`\x83" "F\x83" "b\x83N\x82\xdc\x82\xc5\x8e" "c\x82\xe8";
const std::string kMinutes = "\x95\xaa";
const std::string kSeconds = "\x95" "b";
const std::string kServerLabel = "\x8e\xf3\x90M\x83T\x81[\x83o\x81[\x96\xbc:\x81@";
const std::string kSenderLabel = "\x91\x97\x90M\x8e\xd2\x81@\x81@\x81@\x81@:\x81@";
const std::string kSubjectLabel = "\x8c\x8f\x96\xbc\x81@\x81@\x81@\x81@\x81@:\x81@";
const std::string kHeaderLabel = "\x83w\x83" "b\x83_\x81[\x8f\xee\x95\xf1\x81@:\x81@";
// "[unsolicited advertisement] sale" in lenticular brackets, as an encoded-word and decoded
const std::string kAdSubjectWord = "=?ISO-2022-JP?B?GyRCIVpMJD41Qno5LTlwIVslOyE8JWsbKEI=?=";
const std::string kAdSubject = "\x81y\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\x81z\x83Z\x81[\x83\x8b";
// "Yamada Taro"
const std::string kNameWord = "=?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?=";
const std::string kName = "\x8eR\x93" "c\x91\xbe\x98Y";
const std::string kStamp = "(2026/12/06 16:48:05)\r\n";

struct Message {
    std::string header;  // CR LF after every line, without the closing empty line
};

Message Mail(const std::string& from, const std::string& subject, const std::string& messageId) {
    std::string header = "From:" + from + "\r\nSubject:" + subject + "\r\n";
    if (!messageId.empty()) header += "Message-ID: " + messageId + "\r\n";
    return {header};
}

// Greeting, login and STAT, then TOP and LIST for every message.
ScriptedServer& ServeMailbox(ScriptedServer& server, const std::vector<Message>& messages) {
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine(
        "+OK " + std::to_string(messages.size()) + " 1000");
    if (messages.size() > 1) server.Pop3WithoutCapa();
    if (!messages.empty()) server.Pop3WithoutUidl();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        server.Expect("TOP " + n + " 0").SendLine("+OK").Send(messages[i].header + "\r\n.\r\n");
        server.Expect("LIST " + n).SendLine("+OK " + n + " 1000");
    }
    return server;
}

app::AccountRecord Account(const std::string& address, const std::string& server, bool check = true,
                           bool reject = false, bool autoReply = false) {
    return {address, "alice", "secret", server, std::string(app::FlagText(check)), std::string(app::FlagText(reject)),
            "smtp.example.jp", std::string(app::FlagText(autoReply))};
}

std::string Entry(const std::string& host, const std::string& sender, const std::string& subject) {
    return kServerLabel + host + "\r\n\r\n" + kSenderLabel + sender + "\r\n\r\n" + kSubjectLabel + subject +
           "\r\n\r\n\r\n\r\n";
}

class CheckCycleTest : public testing::Test, protected LoggedFolder {
protected:
    CheckCycleTest() {
        settings.HeaderAdd = false;
        checkTimer.interval = 15 * 60000;
        checkTimer.running = true;
    }

    // The listing as the view was given it since it was last emptied.
    std::string Listing() const {
        std::string listing;
        for (const std::string& entry : view.appendedEntries) listing += entry;
        return listing;
    }
    app::CheckCycle& Cycle() {
        if (!cycle) {
            app::CheckContext context{accounts, settings, run, checkTimer, view, tray, sound, passes, log};
            app::ClientSetup setup;
            setup.pump = [this] {
                if (between) between();
            };
            setup.resolver = [](const std::string&) { return std::optional<std::uint32_t>(); };
            setup.timeOut = 2000;
            cycle.emplace(context, countdownTimer, setup);
        }
        return *cycle;
    }

    app::AccountList accounts;
    app::Settings settings = app::DefaultSettings();
    app::RunState run;
    FakeTimer checkTimer;
    FakeTimer countdownTimer;
    FakeView view;
    Journal journal;
    FakeTray tray{journal};
    FakeSound sound{journal};
    FakeAdvertisementPasses passes{journal};
    // Runs whenever the check serves pending work: in network waits and after each summary.
    std::function<void()> between;
    std::optional<app::CheckCycle> cycle;
};

TEST_F(CheckCycleTest, AnEmptyAccountListOnlyRestartsTheCountdownAndEmptiesTheListingAndQueue) {
    run.CountdownTicks = 42;
    run.AdQueue.push_back({"a@x", "<1@x>", "1", "", {}});
    Cycle().RunCheck();
    EXPECT_EQ(run.CountdownTicks, 0u);
    EXPECT_TRUE(run.AdQueue.empty());
    EXPECT_EQ(Listing(), "");
    EXPECT_EQ(view.contentCleared, 1);
    EXPECT_TRUE(journal.empty());  // no animation change, no sound, no advertisement passes
    EXPECT_TRUE(view.checkNowEnabled.empty());
    EXPECT_TRUE(view.statusTexts.empty());
    EXPECT_FALSE(run.CheckRunning);
    EXPECT_EQ(countdownTimer.calls, (std::vector<std::string>{"interval 1000", "start"}));
}

TEST_F(CheckCycleTest, UncheckedRowsAreNotConnectedButThePassesRunWithAnEmptyQueue) {
    accounts.Append(Account("a@x", "127.0.0.1:1", false));
    accounts.Append(Account("b@x", "127.0.0.1:1", false));
    Cycle().RunCheck();
    EXPECT_EQ(journal, (Journal{"delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
    // A listing or deletion by hand still running keeps the button off as the check ends.
    run.DeletionByHandRunning = true;
    Cycle().RunCheck();
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true, false, false}));
    EXPECT_TRUE(view.statusTexts.empty());
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(Cycle().LastTally().accountsChecked, 0);
}

TEST_F(CheckCycleTest, AnAccountWithoutMailIsLoggedInAndOutWithoutAnimation) {
    ScriptedServer server;
    ServeMailbox(server, {}).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(journal, (Journal{"delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(view.statusTexts, (std::vector<std::string>{kConnecting + server.Address() + kConnectingEnd, ""}));
    EXPECT_EQ(Log(), "");
    EXPECT_FALSE(Cycle().Checking());
}

TEST_F(CheckCycleTest, TheSoundFollowsNoveltyAndTheAnimationFollowsPresence) {
    ScriptedServer server;
    const std::vector<Message> mails = {Mail(" " + kNameWord + " <taro@example.jp>", " Hello", "<1@example.jp>"),
                                        Mail(" shop@example.jp", " " + kAdSubjectWord, "<2@example.jp>")};
    ServeMailbox(server, mails).Pop3Quit().AcceptNext();
    ServeMailbox(server, mails).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));

    Cycle().RunCheck();
    EXPECT_EQ(journal, (Journal{"start animation", "sound", "delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(view.statusTexts, (std::vector<std::string>{kConnecting + server.Address() + kConnectingEnd,
                                                          "a@x" + kFetching, ""}));
    const std::string listing = Entry(server.Address(), " " + kName + " <taro@example.jp>", " Hello") +
                                Entry(server.Address(), " shop@example.jp", " " + kAdSubject);
    EXPECT_EQ(Listing(), listing);
    EXPECT_EQ(Cycle().LastTally().newMessages, 2);
    EXPECT_TRUE(run.NewMailFound);
    // The new mail as the listing shows it.
    EXPECT_EQ(sound.mail.Count, 2);
    EXPECT_EQ(sound.mail.First, (std::vector<app::NewMailEntry>{{" " + kName + " <taro@example.jp>", " Hello"},
                                                               {" shop@example.jp", " " + kAdSubject}}));

    journal.clear();
    view.journal = &journal;
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(journal, (Journal{"stop animation", "check now off", "start animation", "delete advertisements (0)",
                                "send refusal mails (0)", "check now on"}));
    EXPECT_EQ(Listing(), listing);  // emptied and filled again
    EXPECT_EQ(Cycle().LastTally().messagesFound, 2);
    EXPECT_EQ(Cycle().LastTally().newMessages, 0);
    EXPECT_FALSE(run.NewMailFound);
    EXPECT_EQ(run.SeenMessageIds.InOrder(), (std::vector<std::string>{"<1@example.jp>", "<2@example.jp>"}));
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true, false, true}));
}

TEST_F(CheckCycleTest, MessagesWithoutAMessageIdShareTheEmptyIdentifier) {
    ScriptedServer server;
    ServeMailbox(server, {Mail(" a@example.jp", " one", ""), Mail(" b@example.jp", " two", ""),
                          {"From: c@example.jp\r\nMessage-Id: <3@example.jp>\r\n"}})
        .Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(Cycle().LastTally().messagesFound, 3);
    EXPECT_EQ(Cycle().LastTally().newMessages, 1);
    EXPECT_EQ(run.SeenMessageIds.InOrder(), std::vector<std::string>{""});
    EXPECT_EQ(journal.at(1), "sound");
}

TEST_F(CheckCycleTest, TheHeaderBoxIsReadForEveryEntry) {
    ScriptedServer server;
    ServeMailbox(server, {Mail(" a@example.jp", " one", "<1@x>"), Mail(" " + kNameWord, " two", "<2@x>")}).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    between = [&] {
        if (!view.appendedEntries.empty()) settings.HeaderAdd = true;
    };
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);
    const std::string withHeader = kServerLabel + server.Address() + "\r\n\r\n" + kSenderLabel + " " + kName +
                                   "\r\n\r\n" + kSubjectLabel + " two\r\n\r\n" + kHeaderLabel + "\r\n" + "From: " +
                                   kName + "\r\nSubject: two\r\nMessage-ID: <2@x>\r\n\r\n.\r\n\r\n\r\n";
    EXPECT_EQ(Listing(), Entry(server.Address(), " a@example.jp", " one") + withHeader);
    EXPECT_EQ(view.contentCleared, 1);  // first, as the entries shown since then make the listing
    EXPECT_EQ(view.appendedEntries,
              (std::vector<std::string>{Entry(server.Address(), " a@example.jp", " one"), withHeader}));
}

TEST_F(CheckCycleTest, WordsDecodingToLineEndsCannotForgeAnEntry) {
    const auto shiftJisWord = [](const std::string& bytes) {
        std::string word = "=?SHIFT_JIS?Q?";
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            word += {'=', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 0xF]};
        }
        return word + "?=";
    };
    const std::string forged = "\r\n\r\n" + kServerLabel + "evil.example\r\n\r\n" + kSenderLabel + "boss";
    const std::string shown = "????" + kServerLabel + "evil.example????" + kSenderLabel + "boss";
    ScriptedServer server;
    ServeMailbox(server, {Mail(" a" + shiftJisWord(forged), " b" + shiftJisWord(forged), "<1@x>")}).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);
    const std::string entry = Entry(server.Address(), " a" + shown, " b" + shown);
    EXPECT_EQ(Listing(), entry);
    EXPECT_EQ(view.appendedEntries, std::vector<std::string>{entry});
}

TEST_F(CheckCycleTest, AdvertisementsAreQueuedAfterDecodingOnRejectingAccountsOnly) {
    ScriptedServer replying;
    ScriptedServer deleting;
    ScriptedServer keeping;
    const std::vector<Message> mails = {Mail(" taro@example.jp", " Hello", "<1@x>"),
                                        Mail(" " + kNameWord + " <shop@example.jp>", " " + kAdSubjectWord, "<2@x>")};
    for (ScriptedServer* server : {&replying, &deleting, &keeping}) {
        ServeMailbox(*server, mails).Pop3Quit();
        server->Start();
    }
    accounts.Append(Account("reply@x", replying.Address(), true, true, true));
    accounts.Append(Account("delete@x", deleting.Address(), true, true, false));
    accounts.Append(Account("keep@x", keeping.Address(), true, false, true));
    Cycle().RunCheck();
    for (ScriptedServer* server : {&replying, &deleting, &keeping}) testsupport::ExpectScriptPlayed(*server);

    ASSERT_EQ(run.AdQueue.size(), 2u);
    const app::AdCandidate& replied = run.AdQueue[0];
    EXPECT_EQ(replied.MailAddress, "reply@x");
    EXPECT_EQ(replied.MessageId, "<2@x>");
    EXPECT_EQ(replied.MessageNumber, "2");
    EXPECT_EQ(replied.ReplyAddress, " " + kName + " <shop@example.jp>");
    EXPECT_EQ(run.AdQueue[1].MailAddress, "delete@x");
    EXPECT_EQ(run.AdQueue[1].ReplyAddress, "");
    EXPECT_EQ(journal, (Journal{"start animation", "sound", "delete advertisements (2)", "send refusal mails (2)"}));
    EXPECT_EQ(passes.deletionQueue.size(), 2u);
    EXPECT_EQ(passes.deletionAccounts, accounts.Rows());
}

TEST_F(CheckCycleTest, TheAdvertisementQueueKeepsADigestForTheHeaderAndStaysWithinItsBudget) {
    // Headers of about 1 MiB take no room in the queue; senders of 60 KB to answer do, and the queue takes
    // what fits in its 32 MiB and says once that the rest waits for a later check.
    std::string padding;
    for (int line = 0; line < 64; ++line) padding += "X-Pad: " + std::string(16000, 'p') + "\r\n";
    const std::string longSender = " shop@example.jp " + std::string(60000, 's');
    std::vector<Message> mails;
    for (int n = 0; n < 4; ++n) mails.push_back({Mail(" shop@example.jp", " " + kAdSubjectWord, "").header + padding});
    for (int n = 0; n < 600; ++n) mails.push_back(Mail(longSender, " " + kAdSubjectWord, "<" + std::to_string(n) + "@x>"));
    ScriptedServer server;
    ServeMailbox(server, mails).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address(), true, true, true));
    settings.HeaderAdd = false;
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(server);

    ASSERT_GE(run.AdQueue.size(), 500u);
    EXPECT_LT(run.AdQueue.size(), mails.size());
    EXPECT_NE(run.AdQueue[3].Identity.Header, run.AdQueue[4].Identity.Header);
    std::size_t queuedBytes = 0;
    for (const app::AdCandidate& entry : run.AdQueue) queuedBytes += entry.ReplyAddress.size();
    EXPECT_LE(queuedBytes, app::CheckCycle::kAdQueueBudgetBytes);
    EXPECT_EQ(Log(), "AdvertisementsDeferred: " + server.Address() + kStamp);
    EXPECT_EQ(Cycle().LastTally().messagesFound, static_cast<int>(mails.size()));
}

TEST_F(CheckCycleTest, TheMarkerMatchesOnlyWhereACharacterStarts) {
    struct Row {
        const char* name;
        std::string marker;  // as the settings hold it
        std::string subject;  // raw Shift_JIS
        bool queued;
    };
    const std::string defaultMarker = "\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90";
    const std::vector<Row> rows = {
        {"the marker itself", defaultMarker, "\x81y" + defaultMarker + "\x81z sale", true},
        // "事｢承諾広告｣": 事 ends in the byte that starts 未, and ｢ is the byte that follows it in 未.
        {"from the trail byte of a character", defaultMarker,
         "\x8e\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\xa3\x82\xcc\x82\xa8\x92m\x82\xe7\x82\xb9", false},
        {"ASCII after a lead byte", "AD", "\x83" "AD", false},
        {"ASCII on its own", "AD", "\x83\x41 AD", true},
        {"an empty marker", " \t ", "anything", false},
    };
    for (const Row& row : rows) {
        ScriptedServer server;
        ServeMailbox(server, {Mail(" shop@example.jp", " " + row.subject, "<2@x>")}).Pop3Quit();
        server.Start();
        accounts.Assign({Account("a@x", server.Address(), true, true, true)});
        settings.ReceiveSubject = row.marker;
        Cycle().RunCheck();
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(run.AdQueue.size(), row.queued ? 1u : 0u) << row.name;
    }
}

TEST_F(CheckCycleTest, AServerThatHangsUpOnCapaOrUidlIsCheckedAgainWithoutThemForTheRestOfTheRun) {
    for (const char* command : {"CAPA", "UIDL"}) {
        const std::vector<Message> mails = {Mail(" a@example.jp", " one", "<1@x>"), Mail(" b@example.jp", " two", "<2@x>")};
        ScriptedServer server;
        server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 100");
        if (std::string(command) == "UIDL") server.Expect("CAPA").SendLine("+OK").SendLine("UIDL").SendLine(".");
        server.Expect(command).Close().AcceptNext();
        for (int check = 0; check < 2; ++check) {
            server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 100");
            for (const std::string n : {"1", "2"}) {
                server.ExpectAlone("TOP " + n + " 0").SendLine("+OK").Send(mails[n == "1" ? 0 : 1].header + "\r\n.\r\n");
                server.ExpectAlone("LIST " + n).SendLine("+OK " + n + " 1000");
            }
            server.Pop3Quit();
            if (check == 0) server.AcceptNext();
        }
        server.Start();
        accounts.Assign({Account("a@x", server.Address())});
        Cycle().RunCheck();
        EXPECT_EQ(Cycle().LastTally().messagesFound, 2) << command;
        Cycle().RunCheck();
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(Cycle().LastTally().messagesFound, 2) << command;
        EXPECT_EQ(Log(), "") << command;
    }
}

TEST_F(CheckCycleTest, ASecondCheckFetchesOnlyNewHeadersAndListsWhatAnUncachedCheckLists) {
    using testsupport::StoredMessage;
    const auto message = [](const std::string& uid, const std::string& subject) {
        return StoredMessage{uid,
                             "Received: by mx for " + uid + "\r\nFrom: " + kNameWord + " <" + uid +
                                 "@example.jp>\r\nSubject: " + subject + "\r\nMessage-ID: <" + uid + "@x>\r\n",
                             2000 + static_cast<int>(uid.size())};
    };
    const StoredMessage a = message("a", "one"), b = message("b", kAdSubjectWord), c = message("c", "three");
    StoredMessage otherB = message("z", "another");
    struct Row {
        const char* name;
        std::vector<testsupport::MailboxState> states;  // the first check, then the second
        testsupport::Pop3MailboxBehaviour behaviour;
        bool headerFirst, headerSecond;
        std::vector<std::string> secondTops;
    };
    const std::vector<Row> rows = {
        {"new mail between checks", {{a, b}, {a, b, c}}, {}, false, false, {"TOP 3 0"}},
        {"new mail, pipelined", {{a, b}, {a, b, c}}, {true, true}, true, true, {"TOP 3 0"}},
        {"mail removed elsewhere", {{a, b, c}, {b, c}}, {}, false, false, {}},
        {"the same number holds another unique-id", {{a, b}, {a, otherB}}, {true, true}, false, false, {"TOP 2 0"}},
        {"the header box turned on", {{a, b}, {a, b}}, {}, false, true, {"TOP 1 0", "TOP 2 0"}},
        {"the header box turned off", {{a, b}, {a, b}}, {}, true, false, {}},
        {"UIDL refused", {{a}, {a}}, {false}, false, false, {"TOP 1 0"}},
        {"no UIDL in CAPA", {{a, b}, {a, b}}, {false, true}, false, false, {"TOP 1 0", "TOP 2 0"}},
    };
    for (const Row& row : rows) {
        // The second state once more, for the uncached check to compare with.
        std::vector<testsupport::MailboxState> states = row.states;
        states.push_back(row.states.back());
        testsupport::Pop3Mailbox server(states, row.behaviour);
        accounts.Assign({Account("a@x", server.Address(), true, true, false)});
        cycle.reset();
        run = app::RunState{};
        settings.HeaderAdd = row.headerFirst;
        Cycle().RunCheck();
        settings.HeaderAdd = row.headerSecond;
        const std::size_t firstCommands = server.Commands().size();
        const std::string logBefore = Log();
        Cycle().RunCheck();
        const std::vector<std::string> commands = server.Commands();
        std::vector<std::string> tops;
        for (std::size_t i = firstCommands; i < commands.size(); ++i) {
            if (commands[i].rfind("TOP ", 0) == 0) tops.push_back(commands[i]);
        }
        EXPECT_EQ(tops, row.secondTops) << row.name;
        const std::string cachedListing = Listing();
        const std::string cachedLog = Log().substr(logBefore.size());
        const std::vector<app::AdCandidate> cachedQueue = run.AdQueue;

        cycle.reset();
        run = app::RunState{};
        Cycle().RunCheck();
        EXPECT_EQ(cachedListing, Listing()) << row.name;
        EXPECT_EQ(cachedLog, Log().substr(logBefore.size() + cachedLog.size())) << row.name;
        ASSERT_EQ(cachedQueue.size(), run.AdQueue.size()) << row.name;
        for (std::size_t i = 0; i < cachedQueue.size(); ++i) {
            EXPECT_EQ(cachedQueue[i].MessageNumber, run.AdQueue[i].MessageNumber) << row.name;
            EXPECT_EQ(cachedQueue[i].ReplyAddress, run.AdQueue[i].ReplyAddress) << row.name;
            EXPECT_EQ(cachedQueue[i].Identity, run.AdQueue[i].Identity) << row.name;
        }
    }
}

TEST_F(CheckCycleTest, TheCountdownShowsMinutesPlusOneThenSecondsAndStopsAtZero) {
    settings.Minimize = true;
    auto tick = [&] {
        view.statusTexts.clear();
        Cycle().CountdownTick();
        return view.statusTexts.empty() ? std::string("(frozen)") : view.statusTexts.back();
    };
    EXPECT_EQ(tick(), kCountdown + "16" + kMinutes);  // exactly 15 minutes left
    EXPECT_EQ(tick(), kCountdown + "15" + kMinutes);
    EXPECT_EQ(view.minimizedToTray, 1);  // the first tick only
    run.CountdownTicks = 839;
    EXPECT_EQ(tick(), kCountdown + "2" + kMinutes);  // 61 seconds
    EXPECT_EQ(tick(), kCountdown + "60" + kSeconds);
    run.CountdownTicks = 900;
    EXPECT_EQ(tick(), kCountdown + "0" + kSeconds);

    // A failed save stopped the check timer: the countdown runs out and stays at zero.
    checkTimer.running = false;
    run.CountdownTicks = 5000;
    EXPECT_EQ(tick(), kCountdown + "0" + kSeconds);

    // A running check keeps its own texts, but the ticks go on.
    run.CheckRunning = true;
    run.CountdownTicks = 3;
    EXPECT_EQ(tick(), "(frozen)");
    EXPECT_EQ(run.CountdownTicks, 4u);
    // So does a listing for the deletion by hand while it connects.
    run.CheckRunning = false;
    run.ListingConnecting = true;
    EXPECT_EQ(tick(), "(frozen)");
}

TEST_F(CheckCycleTest, AOneMinuteIntervalCountsSecondsOnly) {
    checkTimer.interval = 60000;
    for (int left = 60; left >= 0; --left) {
        view.statusTexts.clear();
        Cycle().CountdownTick();
        ASSERT_EQ(view.statusTexts, std::vector<std::string>{kCountdown + std::to_string(left) + kSeconds});
    }
    EXPECT_EQ(view.minimizedToTray, 0);
}

TEST_F(CheckCycleTest, FailedConnectionsLeaveTheEventLineThenTheCheckLine) {
    auto refusing = std::make_unique<ScriptedServer>();  // a free port: its listener closes with it
    const std::string closedPort = "127.0.0.1:" + std::to_string(refusing->Port());
    refusing.reset();
    ScriptedServer wrongPassword;
    wrongPassword.Pop3Greeting().Expect("USER alice").SendLine("+OK").Expect("PASS secret").SendLine("-ERR no");
    wrongPassword.Pop3Quit();
    wrongPassword.Start();
    ScriptedServer badStat;
    badStat.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("-ERR locked").Pop3Quit();
    badStat.Start();

    accounts.Append(Account("a@x", "no-such-host.example"));
    accounts.Append(Account("b@x", closedPort));
    accounts.Append(Account("c@x", wrongPassword.Address()));
    app::AccountRecord noPassword = Account("d@x", "127.0.0.1:1");
    noPassword.Password.clear();
    accounts.Append(noPassword);
    accounts.Append(Account("e@x", badStat.Address()));
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(wrongPassword);
    testsupport::ExpectScriptPlayed(badStat);

    EXPECT_EQ(Log(), "InvalidHost: no-such-host.example" + kStamp + "ConnectionFailed: no-such-host.example" + kStamp +
                         "ConnectionFailed: " + closedPort + kStamp + "ConnectionFailed: " + closedPort + kStamp +
                         "IDorPasswordFailed: " + wrongPassword.Address() + kStamp + "ConnectionFailed: " +
                         wrongPassword.Address() + kStamp + "IDorPasswordNeeded: 127.0.0.1:1" + kStamp +
                         "ConnectionFailed: 127.0.0.1:1" + kStamp + "ConnectionFailed: " + badStat.Address() + kStamp);
    EXPECT_EQ(journal, (Journal{"delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(Cycle().LastTally().accountsChecked, 5);
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
}

TEST_F(CheckCycleTest, ASessionThatBreaksIsLoggedClosedAndTheCheckGoesOn) {
    ScriptedServer refusedTop;
    refusedTop.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 100").Pop3WithoutCapa().Pop3WithoutUidl();
    refusedTop.Expect("TOP 1 0").SendLine("+OK").Send("Message-ID: <1@x>\r\n\r\n.\r\n").Expect("LIST 1").SendLine("+OK 1 50");
    refusedTop.Expect("TOP 2 0").SendLine("-ERR gone").Pop3Quit();
    ScriptedServer cutOff;
    cutOff.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 1 100").Pop3WithoutUidl();
    cutOff.Expect("TOP 1 0").SendLine("+OK").Send("From: x\r\n").Close();
    ScriptedServer refusedQuit;
    ServeMailbox(refusedQuit, {Mail(" z@x", " last", "<9@x>")}).Expect("QUIT").SendLine("-ERR busy").Close();
    for (ScriptedServer* server : {&refusedTop, &cutOff, &refusedQuit}) server->Start();
    accounts.Append(Account("a@x", refusedTop.Address()));
    accounts.Append(Account("b@x", cutOff.Address()));
    accounts.Append(Account("c@x", refusedQuit.Address()));

    Cycle().RunCheck();
    for (ScriptedServer* server : {&refusedTop, &cutOff, &refusedQuit}) testsupport::ExpectScriptPlayed(*server);
    EXPECT_EQ(Log(), "CheckFailed: " + refusedTop.Address() + kStamp + "CheckFailed: " + cutOff.Address() + kStamp +
                         "CheckFailed: " + refusedQuit.Address() + kStamp);
    EXPECT_EQ(Listing(),
              Entry(refusedTop.Address(), "", "") + Entry(refusedQuit.Address(), " z@x", " last"));
    EXPECT_EQ(journal, (Journal{"start animation", "sound", "delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(view.statusTexts.back(), "");
    EXPECT_FALSE(run.CheckRunning);

    // The next check starts afresh.
    accounts.Assign({});
    Cycle().RunCheck();
    EXPECT_EQ(Listing(), "");
}

TEST_F(CheckCycleTest, OneCheckAtATimeOverTheRowsItStartedWith) {
    ScriptedServer first;
    ScriptedServer second;
    ServeMailbox(first, {Mail(" a@example.jp", " one", "<1@x>")}).Pop3Quit();
    ServeMailbox(second, {Mail(" b@example.jp", " two", "<2@x>")}).Pop3Quit();
    first.Start();
    second.Start();
    accounts.Append(Account("a@x", first.Address()));
    accounts.Append(Account("b@x", second.Address()));
    const std::vector<app::AccountRecord> rows = accounts.Rows();
    int nestedChecks = 0;
    between = [&] {
        if (!Cycle().Checking()) return;
        // A check timer tick served in the middle of the check, and the user deleting every row.
        ++nestedChecks;
        Cycle().RunCheck();
        accounts.Assign({});
    };
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(first);
    testsupport::ExpectScriptPlayed(second);
    EXPECT_GT(nestedChecks, 0);
    EXPECT_EQ(Cycle().LastTally().messagesFound, 2);
    EXPECT_EQ(journal, (Journal{"start animation", "sound", "delete advertisements (0)", "send refusal mails (0)"}));
    EXPECT_EQ(passes.deletionAccounts, rows);
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(view.contentCleared, 1);  // not by the nested check
    EXPECT_EQ(view.appendedEntries.size(), 2u);
}

TEST_F(CheckCycleTest, TimerTicksRunTheCheckAndTheCountdownWhoseTextTheCheckFreezes) {
    ScriptedServer server;
    ServeMailbox(server, {Mail(" a@example.jp", " one", "<1@x>")}).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    Cycle();
    countdownTimer.Tick();
    EXPECT_EQ(view.statusTexts, std::vector<std::string>{kCountdown + "16" + kMinutes});

    std::vector<bool> runningBetween;
    std::size_t textsBefore = 0;
    between = [&] {
        runningBetween.push_back(run.CheckRunning);
        // Served in the middle of the check: a second check tick does nothing, and the countdown keeps
        // counting without replacing the check's own texts.
        textsBefore = view.statusTexts.size();
        checkTimer.Tick();
        countdownTimer.Tick();
        EXPECT_EQ(view.statusTexts.size(), textsBefore);
    };
    checkTimer.Tick();
    testsupport::ExpectScriptPlayed(server);
    ASSERT_GT(runningBetween.size(), 1u);
    EXPECT_EQ(std::count(runningBetween.begin(), runningBetween.end(), false), 0);
    EXPECT_EQ(Cycle().LastTally().messagesFound, 1);
    // Every skipped tick restarted the countdown as the check timer began its next interval; one countdown
    // tick followed each.
    EXPECT_EQ(run.CountdownTicks, 1u);
    EXPECT_FALSE(run.CheckRunning);

    between = nullptr;
    cycle.reset();
    checkTimer.Tick();  // no cycle is bound any more
    countdownTimer.Tick();
    EXPECT_EQ(run.CountdownTicks, 1u);
}

TEST_F(CheckCycleTest, AGreetingThatNeverComesAndASizelessListAreLoggedOnce) {
    ScriptedServer silent;
    silent.Stall();
    ScriptedServer sizeless;
    sizeless.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 1 100").Pop3WithoutUidl();
    sizeless.Expect("TOP 1 0").SendLine("+OK").Send("Message-ID: <1@x>\r\n\r\n.\r\n").Expect("LIST 1").SendLine("+OK");
    sizeless.Pop3Quit();
    silent.Start();
    sizeless.Start();
    accounts.Append(Account("a@x", silent.Address()));
    accounts.Append(Account("b@x", sizeless.Address()));
    Cycle().RunCheck();
    testsupport::ExpectScriptPlayed(silent);
    testsupport::ExpectScriptPlayed(sizeless);
    EXPECT_EQ(Log(), "ConnectionFailed: " + silent.Address() + kStamp + "CheckFailed: " + sizeless.Address() + kStamp);
    EXPECT_EQ(Listing(), "");  // the summary never reached its end
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
}

TEST_F(CheckCycleTest, AnAbortFromThePumpEndsTheCheckAtOnceWithNothingMoreDoneOrLogged) {
    struct Case {
        const char* waitingFor;
        std::function<void(ScriptedServer&)> script;  // the first account's server, up to its stall
        Journal journal;
    };
    const std::vector<Case> cases = {
        {"the greeting", [](ScriptedServer& s) { s.Stall(); }, {}},
        {"a summary",
         [](ScriptedServer& s) {
             s.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 1 10").Pop3WithoutUidl();
             s.Expect("TOP 1 0").Stall();
         },
         {"start animation"}},
        {"QUIT after a new mail",
         [](ScriptedServer& s) { ServeMailbox(s, {Mail(" a@example.jp", " one", "<1@x>")}).Expect("QUIT").Stall(); },
         {"start animation"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waitingFor);
        ScriptedServer stalling;
        c.script(stalling);
        stalling.Start();
        // Contacting the second account would log its failed connection.
        accounts.Assign({Account("a@x", stalling.Address()), Account("b@x", "127.0.0.1:1")});
        journal.clear();
        tray.animating = false;
        view = FakeView{};
        int polls = 0;
        between = [&] {
            if (stalling.WaitUntilPlayed(std::chrono::milliseconds(0)) && ++polls == 5) Cycle().Abort();
        };
        const auto started = std::chrono::steady_clock::now();
        Cycle().RunCheck();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));  // time-out 2 s
        testsupport::ExpectScriptPlayed(stalling);
        EXPECT_EQ(journal, c.journal);  // no sound, no pass
        EXPECT_EQ(Log(), "");
        EXPECT_EQ(Cycle().LastTally().accountsChecked, 1);
        EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
    }
}

TEST_F(CheckCycleTest, AnAbortFromTheDeletionPassSkipsTheRefusalPassAndLeavesTheNextCheckWhole) {
    accounts.Append(Account("a@x", "127.0.0.1:1", false));
    passes.whileDeleting = [&] { Cycle().Abort(); };
    Cycle().RunCheck();
    EXPECT_EQ(journal, Journal{"delete advertisements (0)"});
    EXPECT_EQ(passes.aborts, 1);

    passes.whileDeleting = nullptr;
    Cycle().Abort();  // between checks: nothing
    Cycle().RunCheck();
    EXPECT_EQ(journal.back(), "send refusal mails (0)");
    EXPECT_EQ(passes.aborts, 1);
}

// Passes that fail in spite of guarding themselves.
struct FailingPasses : app::AdvertisementPasses {
    Journal& journal;
    explicit FailingPasses(Journal& journal) : journal(journal) {}
    std::vector<app::AdCandidate> DeleteAdvertisements(const std::vector<app::AdCandidate>&,
                                                       const std::vector<app::AccountRecord>&) override {
        journal.push_back("delete advertisements");
        throw std::runtime_error("broken");
    }
    void SendRefusalMails(const std::vector<app::AdCandidate>&, const std::vector<app::AccountRecord>&) override {
        journal.push_back("send refusal mails");
        throw std::runtime_error("broken");
    }
    void Abort() override {}
};

TEST_F(CheckCycleTest, AFailingPassIsLoggedAndTheCheckStillEnds) {
    ScriptedServer server;
    ServeMailbox(server, {Mail(" a@example.jp", " one", "<1@x>")}).Pop3Quit();
    server.Start();
    accounts.Append(Account("a@x", server.Address()));
    FailingPasses failingPasses{journal};
    app::CheckCycle failing({accounts, settings, run, checkTimer, view, tray, sound, failingPasses, log},
                            countdownTimer);
    failing.RunCheck();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(journal, (Journal{"start animation", "sound", "delete advertisements", "send refusal mails"}));
    EXPECT_EQ(Log(), "DeletionFailed: " + kStamp + "SendFailed(SendMail): " + kStamp);
    EXPECT_EQ(view.checkNowEnabled, (std::vector<bool>{false, true}));
    EXPECT_FALSE(run.CheckRunning);
    EXPECT_FALSE(failing.Checking());
}

TEST(SeenMessageIds, MatchIsExactAndCaseSensitiveAndKeepsTheFirstOrder) {
    app::SeenMessageIds seen;
    EXPECT_TRUE(seen.Add("<a@x>\r\n"));
    EXPECT_TRUE(seen.Add("<A@x>\r\n"));
    EXPECT_TRUE(seen.Add("<a@x>"));
    EXPECT_FALSE(seen.Add("<a@x>\r\n"));
    EXPECT_TRUE(seen.Add(""));
    EXPECT_FALSE(seen.Add(""));
    EXPECT_EQ(seen.InOrder(), (std::vector<std::string>{"<a@x>\r\n", "<A@x>\r\n", "<a@x>", ""}));
    EXPECT_FALSE(seen.Full());

    // A server handing out ever new identifiers of 256 bytes fills the store at about 100,000 of them; what
    // comes after is not kept and counts as new each time.
    std::size_t added = 0;
    while (!seen.Full() && added < 1000000) seen.Add(std::to_string(added++) + std::string(250, 'x'));
    EXPECT_TRUE(seen.Full());
    EXPECT_GT(added, 50000u);
    const std::size_t kept = seen.Count();
    const std::string late(256, 'L');
    EXPECT_TRUE(seen.Add(late));
    EXPECT_TRUE(seen.Add(late));
    EXPECT_EQ(seen.Count(), kept);
    EXPECT_FALSE(seen.Add("<a@x>"));
}

}  // namespace
