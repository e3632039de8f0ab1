// How a server field asks for TLS, what an EHLO reply offers, the servers that cannot give TLS where a
// field asks for it (they never get a login, an AUTH or a message) and the certificate names accepted.

#include "net/Exceptions.h"
#include "net/NMPOP3.h"
#include "net/NMSMTP.h"
#include "net/ServerField.h"
#include "net/SmtpExtensions.h"

#include "tests/support/ScriptedServer.h"
#include "tests/support/SmtpReceiver.h"
#include "tests/support/TestCertificates.h"

#include <netinet/in.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {
namespace {

using testsupport::ScriptedServer;
using testsupport::TestCertificates;

TEST(ServerField, TheSchemeOrTheWellKnownPortSaysHowToConnect)
{
    struct Row {
        std::string field;
        int defaultPort;
        std::string host;
        int port;
        Transport transport;
    };
    const std::vector<Row> rows = {
        {"pop.example.jp", 110, "pop.example.jp", 110, Transport::Plain},
        {"pop.example.jp:1110", 110, "pop.example.jp", 1110, Transport::Plain},
        {"pop.example.jp:995", 110, "pop.example.jp", 995, Transport::Tls},
        {"pop3s://pop.example.jp", 110, "pop.example.jp", 995, Transport::Tls},
        {"pop3s://127.0.0.1:2995", 110, "127.0.0.1", 2995, Transport::Tls},
        {"smtp.example.jp:465", 25, "smtp.example.jp", 465, Transport::Tls},
        {"smtps://smtp.example.jp", 25, "smtp.example.jp", 465, Transport::Tls},
        {"smtp.example.jp:587", 25, "smtp.example.jp", 587, Transport::StartTls},
        {"submission://smtp.example.jp", 25, "smtp.example.jp", 587, Transport::StartTls},
        {"submission://smtp.example.jp:2587", 25, "smtp.example.jp", 2587, Transport::StartTls},
        // An unknown scheme is no scheme: the whole text is looked up as a host and fails there.
        {"imaps://mail.example.jp", 110, "imaps://mail.example.jp", 110, Transport::Plain},
        {"smtp.example.jp:0587x", 25, "smtp.example.jp:0587x", 25, Transport::Plain},
    };
    for (const Row& row : rows) {
        const ServerAddress address = SplitServerField(row.field, row.defaultPort);
        EXPECT_EQ(address.host, row.host) << row.field;
        EXPECT_EQ(address.port, row.port) << row.field;
        EXPECT_EQ(address.transport, row.transport) << row.field;
    }
}

TEST(SmtpExtensions, TheEhloReplyIsReadWordByWord)
{
    const std::vector<std::string> reply = {"250-mail.example.jp greets alice\r\n", "250-starttls\r\n",
                                            "250-AUTH=LOGIN\r\n", "250 AUTH CRAM-MD5 plain\r\n"};
    EXPECT_TRUE(OffersExtension(reply, "STARTTLS"));
    EXPECT_TRUE(OffersExtension(reply, "AUTH"));
    EXPECT_FALSE(OffersExtension(reply, "SIZE"));
    // The greeting line's words are the server's name, not extensions.
    EXPECT_FALSE(OffersExtension({"250-STARTTLS.example.jp\r\n"}, "STARTTLS"));
    EXPECT_TRUE(OffersMechanism(reply, "PLAIN"));
    EXPECT_TRUE(OffersMechanism(reply, "LOGIN"));
    EXPECT_FALSE(OffersMechanism(reply, "XOAUTH2"));
    EXPECT_FALSE(OffersMechanism({"250 PLAIN\r\n"}, "PLAIN"));
    // RFC 4954's example, and credentials longer than one MIME line stay on one line.
    EXPECT_EQ(Base64Line(std::string("\0tim\0tanstaaftanstaaf", 21)), "AHRpbQB0YW5zdGFhZnRhbnN0YWFm");
    EXPECT_EQ(Base64Line(std::string(60, 'a')).size(), 80u);
}

// The client's own record of what went wrong, and what the server got.
struct Refusal {
    std::vector<std::string> events;
    std::string received;
};

// The client signs in as alice with the password "secret", which the server must never get.
template <typename Client>
Refusal ConnectExpectingTlsFailure(Client& client, ScriptedServer& server, const std::string& field,
                                   int timeOut = 2000)
{
    Refusal refusal;
    client.UserID = "alice";
    client.Password = "secret";
    client.TimeOut = timeOut;
    client.Host = field;
    client.OnTlsFailed = [&](TPowersock& sender) { refusal.events.push_back("TlsFailed " + sender.TlsFailure()); };
    client.OnConnectionFailed = [&](TPowersock&) { refusal.events.push_back("ConnectionFailed"); };
    EXPECT_THROW(client.Connect(), ESockError) << field;
    EXPECT_FALSE(client.Connected());
    server.WaitUntilPlayed();
    refusal.received = server.Received();
    return refusal;
}

TEST(TlsRefusals, AServerThatCannotGiveTlsGetsNoLoginAuthOrMessage)
{
    {
        // Plain text where TLS from the first byte was asked for.
        ScriptedServer server;
        server.Pop3Greeting().Stall();
        server.Start();
        TNMPOP3 pop;
        const Refusal refusal = ConnectExpectingTlsFailure(pop, server, "pop3s://" + server.Address());
        ASSERT_EQ(refusal.events.size(), 2u);
        EXPECT_EQ(refusal.events[0].rfind("TlsFailed ", 0), 0u);
        EXPECT_EQ(refusal.events[1], "ConnectionFailed");
        EXPECT_EQ(refusal.received.find("USER"), std::string::npos);
    }
    {
        // A server that never answers the handshake: it is bounded by the time-out as every other wait.
        ScriptedServer server;
        server.Stall();
        server.Start();
        TNMPOP3 pop;
        const Refusal refusal = ConnectExpectingTlsFailure(pop, server, "pop3s://" + server.Address(), 300);
        EXPECT_EQ(refusal.events,
                  (std::vector<std::string>{"TlsFailed The TLS handshake timed out", "ConnectionFailed"}));
    }
    for (const bool offered : {false, true}) {
        // A submission server that does not offer STARTTLS, or refuses it when asked.
        ScriptedServer server;
        // Nothing of the account in clear: the name before the handshake is a neutral one.
        server.SmtpGreeting().Expect("EHLO localhost");
        if (offered) {
            server.SendLine("250-mail.example.jp").SendLine("250 STARTTLS").Expect("STARTTLS").SendLine(
                "454 TLS not available");
        } else {
            server.SendLine("250-mail.example.jp").SendLine("250 AUTH PLAIN LOGIN");
        }
        server.Stall();
        server.Start();
        TNMSMTP smtp;
        const Refusal refusal = ConnectExpectingTlsFailure(smtp, server, "submission://" + server.Address());
        EXPECT_EQ(refusal.events, std::vector<std::string>{offered ? "TlsFailed The server refused STARTTLS"
                                                                   : "TlsFailed The server does not offer STARTTLS"});
        EXPECT_EQ(refusal.received.find("AUTH"), std::string::npos);
        EXPECT_EQ(refusal.received.find("MAIL FROM"), std::string::npos);
        EXPECT_EQ(refusal.received.find("secret"), std::string::npos);
        EXPECT_EQ(refusal.received.find("alice"), std::string::npos);
    }
}

TEST(TlsNames, OnlyTheSubjectAltNameCountsAndAWildcardStandsForAWholeLabel)
{
    const TestCertificates& certificates = TestCertificates::Shared();
    ASSERT_EQ(::setenv("SSL_CERT_FILE", certificates.Authority().c_str(), 1), 0);
    const std::string mismatch = "certificate verify failed: hostname mismatch";
    const std::pair<const TestCertificates::Pair*, std::string> rows[] = {
        {&certificates.CommonNameOnly(), mismatch}, {&certificates.PartialWildcard(), mismatch},
        {&certificates.Wildcard(), "connected"}};
    for (const auto& [certificate, outcome] : rows) {
        testsupport::SmtpReceiver receiver;
        receiver.UseImplicitTls(certificate->certificate, certificate->key);
        receiver.Start();
        // The name leads to the receiver on loopback, so the certificate alone decides.
        TNMSMTP smtp({}, [](const std::string&) { return std::optional<std::uint32_t>(htonl(INADDR_LOOPBACK)); });
        smtp.Host = "smtps://foo.example.test:" + std::to_string(receiver.Port());
        smtp.UserID = "alice";
        try {
            smtp.Connect();
        } catch (const ESockError&) {
        }
        EXPECT_EQ(smtp.Connected() ? "connected" : smtp.TlsFailure(), outcome) << certificate->certificate;
    }
    ::unsetenv("SSL_CERT_FILE");
}

}  // namespace
}  // namespace net
