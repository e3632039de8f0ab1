#pragma once
// The byte streams the mail components read and write: a small base with read, write and seek, on which
// position and size are built, like the stream classes of the framework the clients were first written for.

#include "net/Exceptions.h"

#include <cstdint>

namespace net {

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// Seek origins keep their numbers because callers pass them as plain integers.
inline constexpr int kSeekFromBeginning = 0;
inline constexpr int kSeekFromCurrent = 1;
inline constexpr int kSeekFromEnd = 2;

class Stream {
public:
    virtual ~Stream() = default;

    // Return how many bytes were delivered or taken; fewer than asked only at the end of the data or when
    // the medium takes no more.
    virtual std::int64_t Read(void* destination, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* source, std::int64_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;

    std::int64_t Position() { return Seek(0, kSeekFromCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, kSeekFromBeginning); }
    std::int64_t Size();
};

}  // namespace net
