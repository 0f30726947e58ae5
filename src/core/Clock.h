#pragma once

#include <ctime>

namespace ordane {

struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

// Local date and time. The program's clock honours SOURCE_DATE_EPOCH (seconds since 1970
// UTC, shown in the local time zone) so that images and EDS files can be reproduced.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    LocalDateTime now() const override;
    static LocalDateTime fromEpoch(std::time_t seconds);
};

class FixedClock : public Clock {
public:
    explicit FixedClock(LocalDateTime time) : m_time(time) {}
    LocalDateTime now() const override { return m_time; }
    void set(LocalDateTime time) { m_time = time; }

private:
    LocalDateTime m_time;
};

} // namespace ordane
