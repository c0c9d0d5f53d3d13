#include "trends/log_replay.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace trends {
namespace {

constexpr int64_t kDayMs = int64_t(TrendStore::kBuckets) * TrendStore::kBucketMs;

bool InDay(int64_t timeMs, int64_t from) {
    return timeMs >= from && timeMs < from + kDayMs;
}

void AddPoll(const LogLine& line, Levels levels, TrendStore* store) {
    const PollSample sample = SampleOfLogged(line.values);
    store->Add(line.path, line.timeMs, line.valid ? &sample : nullptr, levels);
}

uint64_t TotalBytes(const std::vector<std::string>& paths) {
    uint64_t total = 0;
    for (const std::string& path : paths) {
        struct stat info {};
        total += ::stat(path.c_str(), &info) == 0 ? uint64_t(info.st_size) : 0;
    }
    return total;
}

// "status-2026-12-10-2.csv" as ("status-2026-12-10", 2); a name without a part is part 1.
std::pair<std::string, int> PartOf(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::smatch match;
    static const std::regex kPart(R"((.*-\d{4}-\d{2}-\d{2})(?:-(\d{1,6}))?\.csv)");
    if (!std::regex_match(name, match, kPart)) {
        return {name, 0};
    }
    return {match[1].str(), match[2].matched ? std::stoi(match[2].str()) : 1};
}

}  // namespace

void SortLogFiles(std::vector<std::string>* paths) {
    std::stable_sort(paths->begin(), paths->end(), [](const std::string& a, const std::string& b) {
        return PartOf(a) < PartOf(b);
    });
}

int64_t ReplayLoad::FirstMs() const {
    for (const ReplayFile& file : files) {
        if (file.lastMs != 0) {
            return file.firstMs;
        }
    }
    return 0;
}

int64_t ReplayLoad::LastMs() const {
    int64_t last = 0;
    for (const ReplayFile& file : files) {
        last = std::max(last, file.lastMs);
    }
    return last;
}

size_t ReplayLoad::BadLines() const {
    size_t bad = 0;
    for (const ReplayFile& file : files) {
        bad += file.badLines;
    }
    return bad;
}

std::string ReplayLoad::FirstBad() const {
    for (const ReplayFile& file : files) {
        if (file.badLines > 0) {
            return file.path + ":" + std::to_string(file.firstBadLine);
        }
    }
    return {};
}

ReplayLoad LoadLogs(const std::vector<std::string>& paths, TrendStore* store,
                    const std::function<void(const LogLine&)>& onLine, LoadProgress* progress) {
    ReplayLoad load;
    int64_t secondsFrom = 0;                 // the first poll's time
    for (const std::string& path : paths) {  // every file is a status log, or none is read
        if (StatusLogReader reader; !reader.Open(path, &load.error)) {
            return load;
        }
    }
    progress->totalBytes = TotalBytes(paths);
    uint64_t before = 0;  // bytes of the files read already
    int64_t notBefore = 0;
    for (const std::string& path : paths) {
        StatusLogReader reader;
        if (progress->cancel) {
            load.cancelled = true;
            return load;
        }
        if (!reader.Open(path, &load.error)) {
            return load;
        }
        reader.SetNotBefore(notBefore);
        ReplayFile file{path, reader.FileSize()};
        for (LogLine line; reader.Next(&line);) {
            if (line.isMark) {
                store->AddMark(line.timeMs, line.note);
            } else {
                file.firstMs = file.lastMs == 0 ? line.timeMs : file.firstMs;
                file.lastMs = line.timeMs;
                secondsFrom = secondsFrom != 0 ? secondsFrom : line.timeMs;
                AddPoll(line, InDay(line.timeMs, secondsFrom) ? Levels::kAll : Levels::kMinutes,
                        store);
                ++load.polls;
            }
            if (onLine) {
                onLine(line);
            }
            if ((load.polls & 0xfff) == 0) {
                progress->bytesRead = before + reader.BytesRead();
                if (progress->cancel) {
                    load.cancelled = true;
                    return load;
                }
            }
        }
        notBefore = reader.LastTimeMs();
        before += reader.FileSize();
        progress->bytesRead = before;
        file.lines = reader.LinesRead();
        file.badLines = reader.BadLines();
        file.firstBadLine = reader.FirstBadLine();
        load.files.push_back(std::move(file));
    }
    return load;
}

bool LoadSeconds(const std::vector<ReplayFile>& files, int64_t secondsFrom, TrendStore* store,
                 LoadProgress* progress) {
    store->ClearSeconds();
    std::vector<const ReplayFile*> wanted;
    for (const ReplayFile& file : files) {
        if (file.lastMs >= secondsFrom && file.firstMs < secondsFrom + kDayMs) {
            wanted.push_back(&file);
            progress->totalBytes += file.bytes;
        }
    }
    uint64_t before = 0;
    for (const ReplayFile* file : wanted) {
        StatusLogReader reader;
        std::string error;
        if (!reader.Open(file->path, &error)) {
            return false;
        }
        size_t count = 0;
        for (LogLine line; reader.Next(&line);) {
            if (!line.isMark && InDay(line.timeMs, secondsFrom)) {
                AddPoll(line, Levels::kSeconds, store);
            }
            if ((++count & 0xfff) == 0) {
                progress->bytesRead = before + reader.BytesRead();
                if (progress->cancel) {
                    return false;
                }
            }
        }
        before += file->bytes;
    }
    progress->bytesRead = before;
    return true;
}

}  // namespace trends
