#include "net/Stream.h"

namespace net {

std::int64_t Stream::Size()
{
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, kSeekFromEnd);
    SetPosition(position);
    return size;
}

}  // namespace net
