#include "net/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace net {

std::int64_t MemoryStream::Read(void* destination, std::int64_t count)
{
    const auto size = static_cast<std::int64_t>(bytes_.size());
    const std::int64_t n = std::clamp<std::int64_t>(std::min(count, size - position_), 0, size);
    if (n > 0) {
        std::memcpy(destination, bytes_.data() + position_, static_cast<std::size_t>(n));
        position_ += n;
    }
    return n;
}

std::int64_t MemoryStream::Write(const void* source, std::int64_t count)
{
    if (count <= 0) {
        return 0;
    }
    const auto end = static_cast<std::size_t>(position_ + count);
    if (end > bytes_.size()) {
        bytes_.resize(end, '\0');
    }
    std::memcpy(bytes_.data() + position_, source, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, int origin)
{
    std::int64_t target = 0;
    switch (origin) {
    case kSeekFromBeginning: target = offset; break;
    case kSeekFromCurrent: target = position_ + offset; break;
    case kSeekFromEnd: target = static_cast<std::int64_t>(bytes_.size()) + offset; break;
    default: throw EStreamError("Invalid seek origin = " + std::to_string(origin));
    }
    if (target < 0) {
        throw EStreamError("Seek error");
    }
    position_ = target;
    return position_;
}

}  // namespace net
