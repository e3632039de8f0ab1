#pragma once

#include <cstdint>
#include <string_view>

namespace net {

// The decimal code at the start of a reply line (at most ten digits), 0 when the line has none. A code
// beyond 16 bits is an error.
std::int16_t ReplyCode(std::string_view line);

}  // namespace net
