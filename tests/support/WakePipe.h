#pragma once
// How a test server's destructor wakes its thread: once Wake has written its byte, which is never read,
// the reading end stays readable, so every later wait of the thread on it returns at once.

#include "tests/support/UniqueFd.h"

namespace testsupport {

class WakePipe {
public:
    // Throws std::system_error naming `owner` when the system refuses.
    explicit WakePipe(const char* owner);
    int ReadEnd() const { return reader_.Get(); }
    void Wake() const;

private:
    UniqueFd reader_;
    UniqueFd writer_;
};

}  // namespace testsupport
