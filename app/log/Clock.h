#pragma once
// Local time behind a seam, so log time stamps can be tested without waiting or depending on the zone.

#include <string>

namespace app {

struct LocalDateTime {
    int Year = 0;
    int Month = 0;   // 1 to 12
    int Day = 0;     // 1 to 31
    int Hour = 0;    // 0 to 23
    int Minute = 0;
    int Second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
};

// "YYYY/MM/DD HH:NN:SS". The separators are fixed rather than taken from the locale, so the log reads
// the same everywhere.
std::string FormatTimeStamp(const LocalDateTime& time);

}  // namespace app
