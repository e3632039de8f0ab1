#pragma once

#include <cstdint>

namespace testsupport {

// A port on 127.0.0.1 that is free now: binding port 0 and closing again. A server started on it may
// still find it taken by then, so callers retry with another one.
std::uint16_t PickFreePort();

}  // namespace testsupport
