#pragma once

#include "net/Stream.h"

#include <string>
#include <string_view>

namespace net {

// A stream over bytes in memory; writing past the end grows it, a gap left by seeking is filled with zeros.
class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string_view bytes) : bytes_(bytes) {}

    std::int64_t Read(void* destination, std::int64_t count) override;
    std::int64_t Write(const void* source, std::int64_t count) override;
    // Origin 2 counts from the end with a negative offset, as seeking does elsewhere.
    std::int64_t Seek(std::int64_t offset, int origin) override;

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::int64_t position_ = 0;
};

}  // namespace net
