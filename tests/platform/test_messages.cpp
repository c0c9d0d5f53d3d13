#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "platform/beep.h"
#include "platform/program_folder.h"
#include "platform/window_messages.h"
#include "tests/support/TempDir.h"

using namespace platform;

TEST(WindowMessages, SendFromAWorkerRunsOnTheWindowThreadAndReturnsItsResult) {
    auto queue = std::make_shared<MessageQueue>();
    const auto windowThread = std::this_thread::get_id();
    std::thread::id ranOn;
    const WindowHandle window = RegisterWindow(
        [&](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
            ranOn = std::this_thread::get_id();
            return message + wParam + lParam;
        },
        queue);
    auto result = std::async(std::launch::async, [&] { return SendMessage(window, 0x5F9, 2, 3); });
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        queue->ProcessMessages(1);
    }
    EXPECT_EQ(result.get(), 0x5F9 + 5);
    EXPECT_EQ(ranOn, windowThread);
    // On its own thread a window's handler runs directly.
    EXPECT_EQ(SendMessage(window, 1, 1, 1), 3);
    UnregisterWindow(window);
}

TEST(WindowMessages, DeadHandleReturnsAtOnceAndUnregisteringReleasesAWaitingSender) {
    auto queue = std::make_shared<MessageQueue>();
    std::atomic<int> handled{0};
    const WindowHandle window =
        RegisterWindow([&](uint32_t, uintptr_t, intptr_t) -> intptr_t { return ++handled; }, queue);
    std::atomic<bool> sent{false};
    auto waiting = std::async(std::launch::async, [&] {
        sent = true;
        return SendMessage(window, 0x5FC);
    });
    while (!sent) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    UnregisterWindow(window);
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0);
    queue->ProcessMessages();
    EXPECT_EQ(handled, 0);  // the queued call found the window gone
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(SendMessage(window, 1), 0);
    EXPECT_EQ(PostMessage(window, 1), 0);
    EXPECT_EQ(SendMessage(0, 1), 0);
}

TEST(WindowMessages, PostQueuesInOrder) {
    auto queue = std::make_shared<MessageQueue>();
    std::vector<uintptr_t> seen;
    const WindowHandle window = RegisterWindow(
        [&](uint32_t, uintptr_t wParam, intptr_t) -> intptr_t {
            seen.push_back(wParam);
            return 0;
        },
        queue);
    std::thread([&] {
        for (uintptr_t i = 0; i < 5; ++i) {
            EXPECT_EQ(PostMessage(window, 0x611, i), 1);
        }
    }).join();
    EXPECT_EQ(queue->ProcessMessages(), 5);
    EXPECT_EQ(seen, (std::vector<uintptr_t>{0, 1, 2, 3, 4}));
    UnregisterWindow(window);
}

TEST(Beep, RecorderKeepsTonesInOrder) {
    BeepRecorder recorder;
    Beep(1000, 10);
    Beep(100, 100);
    EXPECT_EQ(recorder.Tones(), (std::vector<Tone>{{1000, 10}, {100, 100}}));
    recorder.Clear();
    EXPECT_TRUE(recorder.Tones().empty());
}

TEST(ProgramFolder, ChosenFolderIsCreatedAndEndsWithASlash) {
    testsupport::TempDir folder;
    const std::string chosen = folder.Path() + "/data/here";
    EXPECT_EQ(ProgramFolder(chosen), chosen + "/");
    EXPECT_TRUE(std::filesystem::is_directory(chosen));
    const std::string automatic = ProgramFolder();
    EXPECT_EQ(automatic.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(automatic));
}
