#include <gtest/gtest.h>

#include "tests/support/ScriptedServer.h"

namespace testsupport {

void ExpectScriptPlayed(ScriptedServer& server) {
    EXPECT_TRUE(server.WaitUntilPlayed()) << "the script did not run to its end; the client sent: \""
                                          << server.Received() << "\"";
    for (const std::string& mismatch : server.Mismatches()) ADD_FAILURE() << "script mismatch: " << mismatch;
}

}  // namespace testsupport
