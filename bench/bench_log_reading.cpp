// Reading a 1 GB status log back (StatusLogReader: every line's time, path and values by the
// heading's columns), and loading it for a replay (the reader, and every poll into a replay's
// trend store), each against a minimal CSV line reader over the same file in the same run: one
// read(2) a megabyte, lines split at '\n', cells at ',', every number converted. The file is
// read once first so that all read it from the page cache; the median of three runs each.

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "trends/log_replay.h"
#include "trends/status_log.h"
#include "trends/status_log_reader.h"

namespace {

constexpr uint64_t kFileBytes = 1ull << 30;
constexpr int kRuns = 3;

// A day's log as the console writes it: three paths polled in turn, every 200 ms.
void WriteLog(const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    file << trends::StatusLog::Heading() << "\n";
    protocol::ChannelStatus s;
    s.carrierLock = s.symbolLock = 1;
    s.symbolRate = 2'000'000;
    s.frameSyncEnabled = 1;
    s.frameSyncState = 2;
    std::string chunk;
    uint64_t written = 0;
    for (int64_t t = 1'765'000'000'000; written < kFileBytes; t += 200) {
        s.rssi = float(-60 - t / 200 % 50 / 10.0);
        s.carrierFrequency = int32_t(t / 200 % 3000) - 1500;
        chunk += trends::StatusLog::Line(t, int(t / 200 % 3), t % 7919 == 0 ? nullptr : &s);
        chunk += '\n';
        if (chunk.size() > (1 << 20)) {
            file << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
}

// Lines and cells, every non-empty cell but the time converted to a number.
size_t MinimalRead(const std::string& path, double* sum) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(1 << 20);
    std::string carry;
    size_t lines = 0;
    auto line = [&](std::string_view text) {
        ++lines;
        size_t start = text.find(',');
        while (start != std::string_view::npos) {
            const size_t end = text.find(',', start + 1);
            const std::string_view cell =
                text.substr(start + 1, end == std::string_view::npos ? end : end - start - 1);
            double value = 0;
            if (!cell.empty() &&
                std::from_chars(cell.data(), cell.data() + cell.size(), value).ec == std::errc()) {
                *sum += value;
            }
            start = end;
        }
    };
    for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        size_t at = 0;
        for (const char* newline; (newline = static_cast<const char*>(
                                       std::memchr(buffer.data() + at, '\n', size_t(got) - at)));) {
            const size_t end = size_t(newline - buffer.data());
            if (carry.empty()) {
                line(std::string_view(buffer.data() + at, end - at));
            } else {
                carry.append(buffer.data() + at, end - at);
                line(carry);
                carry.clear();
            }
            at = end + 1;
        }
        carry.append(buffer.data() + at, size_t(got) - at);
    }
    ::close(fd);
    return lines;
}

size_t ReaderRead(const std::string& path, double* sum) {
    trends::StatusLogReader reader;
    std::string error;
    if (!reader.Open(path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 0;
    }
    size_t lines = 0;
    for (trends::LogLine line; reader.Next(&line);) {
        ++lines;
        *sum += line.values[0] == line.values[0] ? line.values[0] : 0;
    }
    return lines + reader.BadLines();
}

size_t ReplayLoad(const std::string& path, double* sum) {
    trends::TrendStore store(trends::kReplayMinuteBuckets);
    trends::LoadProgress progress;
    const trends::ReplayLoad load = trends::LoadLogs({path}, &store, {}, &progress);
    if (!load.error.empty()) {
        std::fprintf(stderr, "%s\n", load.error.c_str());
    }
    *sum += double(store.Marks(0, INT64_MAX).size());
    return load.files.empty() ? 0 : load.files[0].lines - 1;  // less the heading
}

}  // namespace

int main() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "kv90t-bench-log.csv").string();
    WriteLog(path);
    double sum = 0;
    MinimalRead(path, &sum);  // into the page cache
    size_t minimalLines = 0;
    size_t readerLines = 0;
    const auto [reader, minimal] = bench::InterleavedMediansMicroseconds(
        kRuns, [&] { readerLines = ReaderRead(path, &sum); },
        [&] { minimalLines = MinimalRead(path, &sum); });
    size_t loadLines = 0;
    const auto [load, minimalAgain] = bench::InterleavedMediansMicroseconds(
        kRuns, [&] { loadLines = ReplayLoad(path, &sum); },
        [&] { minimalLines = MinimalRead(path, &sum); });
    std::filesystem::remove(path);
    if (readerLines + 1 != minimalLines || loadLines + 1 != minimalLines) {
        std::fprintf(stderr, "the readers disagree: %zu and %zu lines\n", readerLines,
                     minimalLines);
        return 1;
    }
    std::printf("%zu lines, checksum %.0f\n", readerLines, sum);
    bench::PrintRatio("reading a 1 GB status log", reader, "a minimal CSV line reader", minimal,
                      1.5);
    bench::PrintRatio("loading a 1 GB status log for a replay", load, "a minimal CSV line reader",
                      minimalAgain, 1.5);
    return 0;
}
