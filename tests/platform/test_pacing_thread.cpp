// The page threads' pacing helper: messages through its relay handle, pauses that a stop or an
// announced flag change cuts short, and the stop order that frees a sender blocked on a window
// that is busy stopping it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/pacing_thread.h"

using namespace platform;

namespace {

std::atomic<int> g_bRun{0};
std::atomic<WindowHandle> g_hWindow{0};

}  // namespace

TEST(PacingThread, MessagesGoThroughTheRelayToTheWindowsThread) {
    auto queue = std::make_shared<MessageQueue>();
    std::vector<uint32_t> handled;
    const WindowHandle window = RegisterWindow(
        [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
            handled.push_back(message);
            return 7;
        },
        queue);
    std::atomic<intptr_t> result{0};
    {
        PacingThread thread(g_bRun, g_hWindow);
        thread.Publish(window);
        EXPECT_NE(g_hWindow.load(), 0u);
        EXPECT_NE(g_hWindow.load(), window);  // a handle of the thread's own
        thread.Start([&](const Pacer& pacer) {
            while (pacer.Running() && result == 0) {
                result = SendMessage(g_hWindow, 0x5FF);
            }
        });
        EXPECT_EQ(g_bRun, 1);
        while (result == 0) {
            queue->ProcessMessages(1);
        }
        EXPECT_TRUE(thread.Stop());
    }
    EXPECT_EQ(result, 7);
    EXPECT_EQ(handled, std::vector<uint32_t>{0x5FF});
    EXPECT_EQ(g_bRun, 0);
    EXPECT_EQ(g_hWindow.load(), 0u);
    EXPECT_TRUE(IsWindow(window));  // the window itself stays registered
    UnregisterWindow(window);
}

TEST(PacingThread, StopReleasesASenderThatTheWindowThreadWillNeverServe) {
    auto queue = std::make_shared<MessageQueue>();  // this thread never processes it
    const WindowHandle window =
        RegisterWindow([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 1; }, queue);
    PacingThread thread(g_bRun, g_hWindow);
    thread.Publish(window);
    std::atomic<int> sends{0};
    std::atomic<intptr_t> last{-1};
    thread.Start([&](const Pacer& pacer) {
        while (pacer.Running()) {
            ++sends;
            last = SendMessage(g_hWindow, 0x602);
        }
    });
    while (sends == 0) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(thread.Stop(10000));  // joined, not timed out: the blocked send returned
    EXPECT_EQ(last, 0);
    UnregisterWindow(window);
}

TEST(PacingThread, PausesEndWhenTheThreadStopsOrTheirConditionDoes) {
    PacingThread thread(g_bRun, g_hWindow);
    std::atomic<int> flag{1};
    std::atomic<int> stage{0};
    thread.Start([&](const Pacer& pacer) {
        pacer.Pause(20'000, [&] { return flag != 0; });
        stage = 1;
        pacer.Pause(20'000);
        stage = 2;
    });
    flag = 0;
    WakePauses();  // a changed flag is announced; the pause looks at it again at once
    while (stage == 0) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(thread.Stop(10000));
    EXPECT_EQ(stage, 2);
    // A second start runs again after a stop.
    thread.Start([&](const Pacer& pacer) {
        while (pacer.Running()) {
            pacer.Pause(1);
        }
    });
    EXPECT_EQ(g_bRun, 1);
}

// A pause is measured on the process clock: moving the clock on ends it, as tests do to pass
// through the status thread's intervals without waiting.
TEST(PacingThread, AMovedClockEndsAPause) {
    PacingThread thread(g_bRun, g_hWindow);
    std::atomic<int> stage{0};
    thread.Start([&](const Pacer& pacer) {
        stage = 1;
        pacer.Pause(60'000);
        stage = 2;
    });
    while (stage == 0) {
        std::this_thread::yield();
    }
    // The thread may take the clock for its pause only after a move: move it on until the
    // pause ends, which without the moves would take a minute.
    for (int i = 0; i < 10'000 && stage != 2; ++i) {
        AdvanceClockMs(60'000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(stage, 2);
    EXPECT_TRUE(thread.Stop(10000));
}
