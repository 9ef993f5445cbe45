// Local date and time, injectable so reports are testable.
#pragma once

namespace cartovex {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
};

/// The system's local clock.
class SystemClock : public Clock {
public:
    LocalTime Now() const override;
};

/// Always the same moment; for tests.
class FixedClock : public Clock {
public:
    explicit FixedClock(LocalTime t) : time_(t) {}
    LocalTime Now() const override { return time_; }

private:
    LocalTime time_;
};

}  // namespace cartovex
