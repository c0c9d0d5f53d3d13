#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <sstream>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "protocol/status_fields.h"
#include "tests/support/TempDir.h"
#include "trends/status_log.h"

using trends::StatusLog;

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

protocol::ChannelStatus Status() {
    protocol::ChannelStatus s;
    s.rssi = -61.5f;
    s.signalLevel = 2018;
    s.carrierLock = 1;
    s.symbolLock = 1;
    s.carrierFrequency = -160;
    s.symbolRate = 2'000'000;
    s.amModIndex = 19;
    s.fmModIndex = 0.25f;
    s.frameSyncEnabled = 1;
    s.frameSyncState = 2;
    return s;
}

// Waits for the writer, with the clock run on so that its once-a-second write falls due at once.
template <typename Predicate>
bool WaitFor(Predicate done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        platform::AdvanceClockMs(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

}  // namespace

TEST(StatusLog, WritesAHeadingThenOneLinePerPollWithinASecond) {
    testsupport::TempDir folder;
    StatusLog log(folder.Path());
    std::string error;
    ASSERT_TRUE(log.Start(&error)) << error;
    EXPECT_EQ(std::filesystem::path(log.Path()).filename(), StatusLog::FileName(NowMs(), 1));
    const protocol::ChannelStatus status = Status();
    const int64_t at = 1'765'000'000'123;  // 2025-12-06T05:46:40.123Z
    log.Add(at, 1, &status);
    log.Add(at + 600, 2, nullptr);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return Lines(log.Path()).size() == 3; }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    const auto lines = Lines(log.Path());
    EXPECT_EQ(lines[0],
              "time,path,valid,rssi,signalLevel,carrierLock,symbolLock,symbolUaLock,"
              "carrierFrequency,symbolRate,symbolUaRate,amModIndex,fmModIndex,frameSyncEnabled,"
              "frameSyncState,frameSyncStatus5,frameSyncStatus6,frameSyncStatus7,"
              "frameLockEnabled,frameLockState,frameSyncLevel,frameLockLevel,timeValid");
    EXPECT_EQ(lines[1],
              "2025-12-06T05:46:40.123Z,1,1,-61.5,2018,1,1,0,-160,2000000,0,19,0.25,1,2,0,0,0,0,0,"
              "2,-1,0");
    EXPECT_EQ(lines[2], "2025-12-06T05:46:40.723Z,2,0,,,,,,,,,,,,,,,,,,,,");
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','),
              std::count(lines[1].begin(), lines[1].end(), ','));
    log.Stop();
    EXPECT_FALSE(log.Running());
    EXPECT_EQ(log.Failure(), "");
}

TEST(StatusLog, ANewDayStartsANewFileAndANameInUseIsNotTaken) {
    testsupport::TempDir folder;
    const int64_t now = NowMs();
    std::ofstream(folder.Path() + "/" + StatusLog::FileName(now, 1)) << "an earlier log\n";
    StatusLog log(folder.Path());
    std::string error;
    ASSERT_TRUE(log.Start(&error)) << error;
    EXPECT_EQ(std::filesystem::path(log.Path()).filename(), StatusLog::FileName(now, 2));
    const protocol::ChannelStatus status = Status();
    log.Add(now + 86'400'000, 0, &status);
    const std::string tomorrow = folder.Path() + "/" + StatusLog::FileName(now + 86'400'000, 1);
    ASSERT_TRUE(WaitFor([&] { return Lines(tomorrow).size() == 2; }));
    EXPECT_EQ(Lines(tomorrow)[0], StatusLog::Heading());
    EXPECT_EQ(Lines(folder.Path() + "/" + StatusLog::FileName(now, 1))[0], "an earlier log");
}

// A child that logs ten polls a second is killed: what reached the file is whole lines, and
// the last of them is less than a second and a half older than the kill.
// Real time: a child process writes on its own clock until it is killed.
TEST(StatusLogRealTime, ACrashLosesAtMostTheLastSecondAndNoLine) {
    testsupport::TempDir folder;
    const pid_t child = ::fork();
    if (child == 0) {
        StatusLog log(folder.Path() + "/");  // as the program folder text ends
        std::string error;
        if (!log.Start(&error)) {
            ::_exit(3);
        }
        const protocol::ChannelStatus status = Status();
        for (;;) {
            log.Add(NowMs(), 0, &status);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const int64_t killed = NowMs();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const auto file = *std::filesystem::directory_iterator(folder.Path());
    std::ifstream in(file.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto lines = Lines(file.path());
    ASSERT_GE(lines.size(), 10u);
    for (size_t i = 1; i < lines.size(); ++i) {
        ASSERT_EQ(std::count(lines[i].begin(), lines[i].end(), ','),
                  std::count(StatusLog::Heading().begin(), StatusLog::Heading().end(), ','))
            << lines[i];
    }
    std::tm utc{};
    int ms = 0;
    ASSERT_EQ(std::sscanf(lines.back().c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &utc.tm_year, &utc.tm_mon,
                          &utc.tm_mday, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms),
              7);
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    const int64_t last = int64_t(::timegm(&utc)) * 1000 + ms;
    EXPECT_LT(killed - last, 1500);
}

namespace {

// Fills a disk (here: a file size limit) in a child process through `add` and returns what the
// log said when it stopped; the child exits 0 only when the log stopped by itself.
std::string FillTheDisk(const std::string& folder, const trends::LogKind& kind,
                        const std::function<void(StatusLog&, int)>& add) {
    int pipe[2];
    EXPECT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        StatusLog log(folder + "/", kind);  // as the program folder text ends
        std::string error;
        if (!log.Start(&error)) {
            ::_exit(3);
        }
        for (int i = 0; i < 400 && log.Running(); ++i) {
            add(log, i);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        WaitFor([&] { return !log.Running(); });
        const bool stopped = !log.Running();
        const std::string failure = log.Failure();
        log.Stop();  // joins the writer, which has ended
        [[maybe_unused]] const ssize_t n = ::write(pipe[1], failure.data(), failure.size());
        ::_exit(stopped ? 0 : 4);
    }
    ::close(pipe[1]);
    char buffer[512] = {};
    size_t got = 0;
    for (ssize_t n; (n = ::read(pipe[0], buffer + got, sizeof buffer - 1 - got)) > 0;) {
        got += size_t(n);
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return buffer;
}

// Every file ends with its last whole line, each line with the heading's columns.
void ExpectWholeLines(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        const std::string text(std::istreambuf_iterator<char>(in), {});
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        EXPECT_LE(text.size(), 4096u);
        std::istringstream lines(text);
        std::string heading;
        std::getline(lines, heading);
        const auto fields = std::count(heading.begin(), heading.end(), ',');
        for (std::string line; std::getline(lines, line);) {
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), fields) << line;
        }
    }
}

}  // namespace

// A disk that fills stops the log with the reason; the caller goes on.
TEST(StatusLog, AFullDiskStopsTheLogWithAMessage) {
    testsupport::TempDir folder;
    const protocol::ChannelStatus status = Status();
    const std::string failure =
        FillTheDisk(folder.Path(), StatusLog::StatusKind(),
                    [&](StatusLog& log, int i) { log.Add(NowMs(), i % 3, &status); });
    EXPECT_EQ(failure.rfind("Status log stopped: " + folder.Path() + "/status-", 0), 0u) << failure;
    EXPECT_NE(failure.find(": File too large"), std::string::npos) << failure;
    ExpectWholeLines(folder.Path());
}

// The alarm log is a log of the same kind: its own files, heading and name, the caller's lines
// written whole, and a full disk said the same way.
TEST(StatusLog, AnAlarmLogWritesTheCallersLinesUnderItsOwnName) {
    testsupport::TempDir folder;
    const trends::LogKind kind{"alarms", "time,path,item", "Alarm log"};
    {
        StatusLog log(folder.Path(), kind);
        std::string error;
        ASSERT_TRUE(log.Start(&error)) << error;
        log.AddLine(NowMs(), "t1,CH1,rssi");
        log.AddLine(NowMs(), "t2,CH2,\"carrier, lock\"");
        ASSERT_TRUE(WaitFor([&] { return Lines(log.Path()).size() == 3; }));
        EXPECT_EQ(std::filesystem::path(log.Path()).filename(),
                  StatusLog::FileName(NowMs(), 1, "alarms"));
        EXPECT_EQ(Lines(log.Path()), (std::vector<std::string>{kind.heading, "t1,CH1,rssi",
                                                               "t2,CH2,\"carrier, lock\""}));
    }
    testsupport::TempDir full;
    const std::string failure = FillTheDisk(full.Path(), kind, [](StatusLog& log, int i) {
        log.AddLine(NowMs(), "2026-12-11T10:00:00.000Z,CH1,item" + std::to_string(i));
    });
    EXPECT_EQ(failure.rfind("Alarm log stopped: " + full.Path() + "/alarms-", 0), 0u) << failure;
    ExpectWholeLines(full.Path());
}

TEST(StatusLog, AFolderThatCannotTakeAFileIsRefusedAtStart) {
    StatusLog log("/nonexistent-folder/for/the/log");
    std::string error;
    EXPECT_FALSE(log.Start(&error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(log.Running());
}

// Every status field has its column, and a value outside what the device can report leaves
// only its own cell empty: the row stays a reading of every other field.
TEST(StatusLog, EveryFieldHasItsColumnAndAValueOutOfRangeIsNoReading) {
    const auto fields = protocol::ChannelStatusFields();
    std::vector<std::string> heading;
    std::istringstream columns(StatusLog::Heading());
    for (std::string column; std::getline(columns, column, ',');) {
        heading.push_back(column);
    }
    ASSERT_EQ(heading.size(), fields.size() + 3);
    const protocol::ChannelStatus valid = Status();
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(heading[i + 3], fields[i].key);
        protocol::ChannelStatus wrong = valid;
        wrong.rssi = fields[i].key == std::string("rssi") ? -2507.4f : valid.rssi;
        wrong.symbolRate =
            fields[i].key == std::string("symbolRate") ? 0xFFFFFFFF : valid.symbolRate;
        wrong.frameSyncState =
            fields[i].key == std::string("frameSyncState") ? 7 : valid.frameSyncState;
        const bool changed = !protocol::InRange(fields[i], wrong);
        std::vector<std::string> cells;
        std::istringstream line(StatusLog::Line(0, 1, &wrong) + ",");
        for (std::string cell; std::getline(line, cell, ',');) {
            cells.push_back(cell);
        }
        ASSERT_EQ(cells.size(), heading.size()) << fields[i].key;
        EXPECT_EQ(cells[2], "1");
        for (size_t k = 0; k < fields.size(); ++k) {
            EXPECT_EQ(cells[k + 3].empty(), changed && k == i) << fields[i].key << " " << k;
        }
    }
}
