#include "net/FileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace net {

namespace {
int OpenFlags(FileStream::Mode mode)
{
    switch (mode) {
    case FileStream::Mode::Create: return O_RDWR | O_CREAT | O_TRUNC;
    case FileStream::Mode::OpenRead: return O_RDONLY;
    }
    return O_RDONLY;
}
}  // namespace

FileStream::FileStream(const std::filesystem::path& path, Mode mode)
{
    fd_ = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        throw EStreamError("Cannot open file " + path.string() + ": " + std::strerror(errno));
    }
}

FileStream::~FileStream()
{
    ::close(fd_);
}

std::int64_t FileStream::Read(void* destination, std::int64_t count)
{
    auto* out = static_cast<char*>(destination);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EStreamError(std::string("Read error: ") + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

std::int64_t FileStream::Write(const void* source, std::int64_t count)
{
    const auto* in = static_cast<const char*>(source);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, int origin)
{
    int whence = SEEK_SET;
    switch (origin) {
    case kSeekFromBeginning: whence = SEEK_SET; break;
    case kSeekFromCurrent: whence = SEEK_CUR; break;
    case kSeekFromEnd: whence = SEEK_END; break;
    default: throw EStreamError("Invalid seek origin = " + std::to_string(origin));
    }
    const off_t position = ::lseek(fd_, offset, whence);
    if (position < 0) {
        throw EStreamError("Seek error");
    }
    return position;
}

}  // namespace net
