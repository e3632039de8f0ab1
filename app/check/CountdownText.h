#pragma once

#include <cstdint>
#include <string>

namespace app {

// The status line between checks: the time left of the check interval after `ticks` seconds. More than a
// minute left shows whole minutes plus one (15 minutes left read 16), else seconds. Past the interval,
// as when a failed save stopped the check timer, it stays at 0 seconds instead of wrapping around.
std::string CountdownText(std::uint32_t intervalMilliseconds, std::uint32_t ticks);

}  // namespace app
