#include "ui/QtTimer.h"

#include <algorithm>
#include <limits>

namespace ui {

QtTimer::QtTimer() {
    // The countdown shows whole seconds, so the default five-percent slack would let it skip one now and then.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void QtTimer::SetInterval(std::uint32_t milliseconds) {
    const auto longest = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    timer_.setInterval(static_cast<int>(std::min(milliseconds, longest)));
}

}  // namespace ui
