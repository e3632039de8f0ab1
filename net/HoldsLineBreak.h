#pragma once

#include <string_view>

namespace net {

// Whether the text holds CR, LF or a zero byte. Put into a command or header line, a line break would end
// it early and let the rest pass as a line of its own, and a zero byte would cut it short.
bool HoldsLineBreak(std::string_view text);

}  // namespace net
