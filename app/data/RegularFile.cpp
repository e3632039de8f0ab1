#include "app/data/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace app {
namespace {

ReadFailure FailureOf(int error) {
    return error == EACCES || error == EPERM ? ReadFailure::NoPermission : ReadFailure::ReadError;
}

// A file opened for reading, closed when it goes. Opening does not wait: a pipe with no writer would hold
// the program until something writes to it. What was opened is judged by its descriptor, so a file
// swapped between a look and the open cannot slip through.
class OpenedFile {
public:
    explicit OpenedFile(const std::filesystem::path& path)
        : descriptor_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~OpenedFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    int Descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// The bytes up to the end of the file; the limit holds also for a file that grows while it is read.
RegularFileRead ReadToEnd(int descriptor) {
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0) return bytes;
        if (count < 0 && errno != EINTR) return FailureOf(errno);
        if (count > 0) bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > kRegularFileReadLimit) return ReadFailure::TooLarge;
    }
}

}  // namespace

RegularFileRead ReadRegularFile(const std::filesystem::path& path) {
    const OpenedFile file(path);
    if (file.Descriptor() < 0) {
        // Nothing saved yet, not even the folder; a link that leads nowhere is as good as missing.
        if (errno == ENOENT || errno == ENOTDIR) return std::string();
        return FailureOf(errno);
    }
    struct stat status {};
    if (::fstat(file.Descriptor(), &status) != 0) return FailureOf(errno);
    if (S_ISDIR(status.st_mode)) return ReadFailure::Folder;
    if (!S_ISREG(status.st_mode)) return ReadFailure::ReadError;
    if (static_cast<std::uintmax_t>(status.st_size) > kRegularFileReadLimit) return ReadFailure::TooLarge;
    return ReadToEnd(file.Descriptor());
}

}  // namespace app
