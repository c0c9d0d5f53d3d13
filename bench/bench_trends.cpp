// The window thread's share of one status poll spent on the trends: recording the poll in the
// trend store and the status log, and redrawing the trend view, over the last 10 minutes and
// zoomed out to its whole day of history for three paths, against the poll's own transaction
// over loopback TCP. The share is the window thread's time per poll less that of the same
// event-loop turns without a poll: the loop turns whether or not there are trends. Then a
// whole redraw of the view (another path chosen, painted) over the day against one over the
// last 10 minutes. The view is shown and painted once before any timing.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench/bench_console.h"
#include "bench/bench_util.h"
#include "platform/clock.h"
#include "shell/StatusRecorder.h"
#include "shell/TrendView.h"
#include "ui/StripChart.h"

namespace {

constexpr int kRuns = 3000;
constexpr int kRounds = 5;
constexpr int kPollsPerRound = 1000;
constexpr int kRedraws = 51;

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::LocalDevice local;
    if (!local.Listening()) {
        return 1;
    }
    CKV90T1_Comm& comm = *local.comm;

    const std::string folder = std::filesystem::temp_directory_path() / "kv90t-bench-trends";
    std::filesystem::create_directories(folder);
    StatusRecorder recorder(folder);
    std::string error;
    // A day of polls, every 600 ms on each of the three paths.
    const int64_t now = platform::UtcNowMs();
    for (int64_t t = now - 24 * 3600 * 1000; t < now; t += 600) {
        for (int path = 0; path < 3; ++path) {
            recorder.Record(path, t, &comm.m_ChannelStatus[path]);
        }
    }
    if (comm.ReadChannelStatus(0) == 0 || !recorder.StartLog(&error)) {
        std::fprintf(stderr, "cannot poll or log: %s\n", error.c_str());
        return 1;
    }
    TrendView view(recorder);
    view.show();
    recorder.onRecorded = [&view](int path, int64_t timeMs) { view.OnPoll(path, timeMs); };
    auto settle = [] {
        for (int i = 0; i < 100; ++i) {
            QApplication::processEvents();
        }
    };
    settle();
    int failures = 0;
    const double transaction =
        bench::MedianMicroseconds(kRuns, [&] { failures += comm.ReadChannelStatus(0) == 0; });
    int64_t at = now;
    // The mean time of kPollsPerRound event-loop turns, each after a poll of the next path (200 ms
    // apart) or after none; the mean, since only some polls redraw.
    auto meanPerTurn = [&](bool poll) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPollsPerRound; ++i) {
            if (poll) {
                at += 200;
                recorder.Record(int(at / 200 % 3), at, &comm.m_ChannelStatus[0]);
            }
            QApplication::processEvents();
        }
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                   .count() /
               kPollsPerRound;
    };
    // The median of five rounds, each the mean over 1,000 polls (200 s of polls, with about
    // three moves of the 10-minute view).
    auto sharePerPoll = [&] {
        std::vector<double> rounds;
        for (int round = 0; round < kRounds; ++round) {
            const double idle = meanPerTurn(false);
            rounds.push_back(std::max(0.0, meanPerTurn(true) - idle));
        }
        std::sort(rounds.begin(), rounds.end());
        return rounds[kRounds / 2];
    };
    // The median time of a whole redraw: another path chosen, then painted.
    auto redraw = [&] {
        int path = 0;
        return bench::MedianMicroseconds(kRedraws, [&] {
            view.SetPath(++path % 3);
            QApplication::processEvents();
        });
    };
    const double defaultSpan = sharePerPoll();
    const double defaultRedraw = redraw();
    for (int i = 0; i < 10; ++i) {
        view.Zoom(-1, 0);  // the whole history on screen
    }
    settle();
    const double wholeHistory = sharePerPoll();
    const double wholeRedraw = redraw();
    recorder.StopLog();
    std::filesystem::remove_all(folder);
    if (failures != 0) {
        std::fprintf(stderr, "%d polls failed\n", failures);
        return 1;
    }
    bench::PrintRatio("trends per poll, last 10 minutes (mean)", defaultSpan,
                      "the poll's transaction (median)", transaction, 0.1);
    bench::PrintRatio("trends per poll, all 24 hours (mean)", wholeHistory,
                      "the poll's transaction (median)", transaction, 0.1);
    bench::PrintRatio("a whole redraw of 24 hours (median)", wholeRedraw,
                      "a whole redraw of 10 minutes (median)", defaultRedraw, 2.0);
    return 0;
}
