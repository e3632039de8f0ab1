#pragma once
// A line server for protocol tests: it plays a transcript (send this, expect that line, pause, close,
// stall) on 127.0.0.1 in a thread of its own and records what the client sent, so a test reads like
// the server/client exchanges of an RFC. Mismatches are collected for the test thread to assert on.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/UniqueFd.h"
#include "tests/support/WakePipe.h"

namespace testsupport {

class ScriptedServer {
public:
    ScriptedServer();  // listens on 127.0.0.1, port 0 (free port); does not play yet
    ~ScriptedServer();  // wakes and joins its thread, closes sockets; never waits for the client
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>", usable as a host:port server field

    // Script steps, played in order on the accepted connection(s). The first accept is implicit.
    ScriptedServer& Send(std::string bytes);  // raw bytes, nothing appended
    ScriptedServer& SendLine(std::string line);  // line + "\r\n"
    // The next client line (bytes up to CR LF, CR LF not part of it) must equal line. A line ended by a
    // bare LF is taken as a line too, and recorded as a mismatch.
    ScriptedServer& Expect(std::string line);
    ScriptedServer& ExpectAnyLine();  // swallow one client line, whatever it is
    // As Expect, and the client must not have sent anything after the line yet: it waits for each reply
    // before its next command.
    ScriptedServer& ExpectAlone(std::string line);
    ScriptedServer& Pause(std::chrono::milliseconds duration);
    ScriptedServer& Close();  // close the current connection
    // Send nothing more and keep the connection open until the server is destroyed; must be the last
    // step. The script counts as played once the stall begins.
    ScriptedServer& Stall();
    ScriptedServer& AcceptNext();  // close the current connection and wait for the next one

    // Canned fragments.
    ScriptedServer& Pop3Greeting();  // "+OK ready\r\n"
    ScriptedServer& Pop3Login(std::string user, std::string password);  // Expect USER/PASS, reply +OK each
    ScriptedServer& Pop3Quit();  // Expect "QUIT", reply "+OK bye", Close
    // Expect "CAPA", refuse it: the client then speaks one command at a time, as it asks CAPA before it
    // fetches two summaries or more.
    ScriptedServer& Pop3WithoutCapa();
    // Expect "UIDL", refuse it: a session asks it once before its first summary or deletion, where the
    // mailbox is not empty.
    ScriptedServer& Pop3WithoutUidl();
    ScriptedServer& SmtpGreeting();  // "220 ready\r\n"
    ScriptedServer& SmtpHelo(std::string name);  // Expect "HELO name", reply "250 hello"
    ScriptedServer& SmtpQuit();  // Expect "QUIT", reply "221 bye", Close

    void Start();  // begin playing the script in the server thread

    // Results, for the test thread.
    // True when every step ran; returns early with false when the script broke off (connection lost).
    bool WaitUntilPlayed(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::vector<std::string> Mismatches() const;  // "expected X, got Y" texts, empty when all matched
    std::string Received() const;  // every byte the client sent, in order, over all connections

private:
    enum class StepKind { Send, Expect, ExpectAlone, ExpectAnyLine, Pause, Close, Stall, AcceptNext };
    struct Step {
        StepKind kind;
        std::string text;
        std::chrono::milliseconds duration{0};
    };
    // How a step ended: Lost means the connection is gone, so the steps up to the next AcceptNext
    // cannot run; Stopped means the server is being destroyed.
    enum class Outcome { Done, Lost, Stopped };
    enum class Readiness { Ready, TimedOut, Stopped };
    struct ClientLine {
        std::string text;
        bool bareLf = false;
    };

    ScriptedServer& AddStep(Step step);
    void Play();
    Outcome RunStep(const Step& step);
    Outcome AcceptConnection();
    Outcome SendBytes(const std::string& bytes);
    Outcome ExpectLine(const Step& step);
    Outcome ReadLine(ClientLine& line);
    Outcome ReceiveMore();
    Outcome Wait(std::chrono::milliseconds duration);
    void RecordUntilStopped();
    void CloseConnection();
    Readiness WaitFor(int fd, short events, int timeoutMs) const;
    void AddMismatch(std::string text);
    void Finish(bool played);

    UniqueFd listener_;
    WakePipe wake_;  // woken once the destructor asks the thread to stop
    std::uint16_t port_ = 0;
    std::vector<Step> steps_;
    std::thread thread_;

    // Server thread only.
    UniqueFd connection_;
    std::string pending_;  // client bytes read but not yet matched

    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool started_ = false;
    bool finished_ = false;
    bool played_ = false;
    std::vector<std::string> mismatches_;
    std::string received_;
};

// gtest helper: EXPECT that the whole script was played and nothing mismatched.
void ExpectScriptPlayed(ScriptedServer& server);

}  // namespace testsupport
