#include "tests/support/WakePipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace testsupport {

WakePipe::WakePipe(const char* owner) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), std::string(owner) + ": pipe2");
    }
    reader_ = UniqueFd(ends[0]);
    writer_ = UniqueFd(ends[1]);
}

void WakePipe::Wake() const {
    const char stop = 's';
    while (::write(writer_.Get(), &stop, 1) < 0 && errno == EINTR) {
    }
}

}  // namespace testsupport
