#pragma once

namespace platform {

// A moment of the local wall clock, as the calendar shows it in the local time zone.
struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system clock in the local time zone.
class SystemClock final : public Clock {
public:
    LocalTime now() const override;
};

}  // namespace platform
