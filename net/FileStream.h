#pragma once

#include "net/Stream.h"

#include <filesystem>

namespace net {

// A stream over a file, opened for the stream's lifetime.
class FileStream : public Stream {
public:
    enum class Mode { Create, OpenRead };

    // Throws EStreamError naming the file and the reason when it cannot be opened.
    FileStream(const std::filesystem::path& path, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::int64_t Read(void* destination, std::int64_t count) override;
    std::int64_t Write(const void* source, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;

private:
    int fd_ = -1;
};

}  // namespace net
