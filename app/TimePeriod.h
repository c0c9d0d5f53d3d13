#pragma once
// Holds the 1 ms system timer resolution while it lives.

class TimePeriod {
public:
    TimePeriod();
    virtual ~TimePeriod();
    TimePeriod(const TimePeriod&) = delete;
    TimePeriod& operator=(const TimePeriod&) = delete;
};
