#pragma once
// Event pumps for GUI tests: wait on what a test expects to happen instead of a fixed time.

#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace testsupport {

// Runs the window thread's events until `done` holds or `timeoutMs` of real time passed; true
// when it holds.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
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
// (outside the *RealTime suites, a longer stretch of the process clock).
inline void PumpFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    PumpUntil([&] { return timer.elapsed() >= milliseconds; }, milliseconds + 1000);
}

}  // namespace testsupport
