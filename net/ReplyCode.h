#pragma once

#include <cstdint>
#include <string_view>

namespace net {

// The decimal code at the start of a reply line (at most ten digits), 0 when the line has none or its
// digits do not make a 32-bit integer. A code that does but exceeds 16 bits is an error.
std::int16_t ReplyCode(std::string_view line);

}  // namespace net
