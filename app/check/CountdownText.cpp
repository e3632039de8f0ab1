#include "app/check/CountdownText.h"

#include "app/Texts.h"

namespace app {
namespace {

constexpr std::uint64_t kMillisecondsPerTick = 1000;
constexpr std::uint64_t kMillisecondsPerMinute = 60000;

}  // namespace

std::string CountdownText(std::uint32_t intervalMilliseconds, std::uint32_t ticks) {
    const std::uint64_t elapsed = ticks * kMillisecondsPerTick;
    const std::uint64_t remaining = elapsed >= intervalMilliseconds ? 0 : intervalMilliseconds - elapsed;
    std::string text(kCountdownLead);
    if (remaining > kMillisecondsPerMinute) {
        text += std::to_string(remaining / kMillisecondsPerMinute + 1);
        text += kCountdownMinutes;
    } else {
        text += std::to_string(remaining / kMillisecondsPerTick);
        text += kCountdownSeconds;
    }
    return text;
}

}  // namespace app
