// The window thread's time per status poll spent judging it against a full limit set (every
// numeric item with its four bounds and every lock item, on every path, and the silent-device
// item), as the main window does after each poll, against the poll's own transaction over
// loopback TCP. The values sit between the bounds, as they do through most of a pass; the time
// of a poll that raises and returns an alarm each time (writing two alarm log lines) is printed
// beside it.

#include <cstdio>
#include <filesystem>

#include "bench/bench_console.h"
#include "bench/bench_util.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "shell/AlarmMonitor.h"

namespace {

constexpr int kRuns = 3000;

std::string FullLimitSet() {
    std::string paths;
    for (const char* path : {"CH1", "CH2", "combiner"}) {
        std::string items;
        for (const std::string& item : alarms::NumericItems()) {
            items += (items.empty() ? "\"" : ", \"") + item +
                     R"(": {"redLow": -1e9, "yellowLow": -1e8, "yellowHigh": 1e8, "redHigh": 1e9,)"
                     R"( "deadband": 1, "persistence": 2})";
        }
        for (const std::string& item : alarms::LockItems()) {
            items += ", \"" + item + R"(": {"severity": "red", "persistence": 2})";
        }
        paths += (paths.empty() ? "\"" : ", \"") + std::string(path) + "\": {" + items + "}";
    }
    return R"({"format": "kv90t-limits", "version": 1, "paths": {)" + paths +
           R"(}, "noAnswer": {"severity": "red", "persistence": 3}})";
}

}  // namespace

int main() {
    bench::LocalDevice local;
    if (!local.Listening()) {
        return 1;
    }
    CKV90T1_Comm& comm = *local.comm;

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "kv90t-bench-alarms";
    std::filesystem::create_directories(folder);
    const platform::BeepRecorder silent;
    alarms::LimitLibrary library((folder / "limits").string());
    library.Save("default", FullLimitSet());
    AlarmMonitor monitor(library);
    if (!monitor.StartLog(folder.string()).empty() ||
        !monitor.UseSetFor("PSK", platform::UtcNowMs()).empty()) {
        std::fprintf(stderr, "cannot start the alarms\n");
        return 1;
    }
    int failures = 0;
    for (int path = 0; path < 3; ++path) {
        failures += comm.ReadChannelStatus(uint32_t(path)) == 0;
    }
    const double transaction =
        bench::MedianMicroseconds(kRuns, [&] { failures += comm.ReadChannelStatus(0) == 0; });
    int path = 0;
    auto judge = [&](const protocol::ChannelStatus& status) {
        const int64_t now = platform::UtcNowMs();
        monitor.Answer(true, now);
        monitor.Poll(path, &status, now);
        monitor.Tick(now, platform::TickCount64());
        path = (path + 1) % 3;
    };
    const double steady =
        bench::MedianMicroseconds(kRuns, [&] { judge(comm.m_ChannelStatus[path]); });
    protocol::ChannelStatus unlocked = comm.m_ChannelStatus[0];
    unlocked.carrierLock = 0;
    int poll = 0;
    const double changing = bench::MedianMicroseconds(kRuns, [&] {
        judge(++poll % 4 < 2 ? unlocked : comm.m_ChannelStatus[0]);
        monitor.AcknowledgeAll(platform::UtcNowMs());
    });
    std::printf("judging a poll that raises and returns alarms: %.2f us\n", changing);
    bench::PrintRatio("judging a poll against a full limit set", steady,
                      "the poll's transaction (ReadChannelStatus)", transaction, 0.02);
    std::filesystem::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
