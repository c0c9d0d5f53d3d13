#pragma once
// Event pumps for GUI tests: wait on what a test expects to happen instead of a fixed time.

#include <QApplication>
#include <QElapsedTimer>
#include <functional>

#include "tests/support/FastForward.h"

namespace testsupport {

// Runs the window thread's events for `milliseconds` of real time with the process clock left
// to itself: for cases that measure the console against a peer's real delays.
inline void PumpRealTimeFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// Runs the window thread's events until `done` holds or `timeoutMs` of real time passed; true
// when it holds. The process clock runs on between transactions meanwhile, so that paced polls
// and pauses follow at once while every reply still has all its time-out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const FastForward fastForward(25, 1, FastForward::BetweenTransactions);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs the events for a stretch of real time in which the test checks that nothing happens
// (a longer stretch of the process clock).
inline void PumpFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    PumpUntil([&] { return timer.elapsed() >= milliseconds; }, milliseconds + 1000);
}

}  // namespace testsupport
