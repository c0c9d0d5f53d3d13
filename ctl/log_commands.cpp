// log summary: the paragraph of a test report from status logs, read without a device.

#include <cmath>

#include "ctl/commands.h"
#include "platform/clock.h"
#include "trends/log_summary.h"
#include "trends/status_log_reader.h"

namespace ctl {
namespace {

double Seconds(int64_t ms) {
    return std::round(double(ms) / 100) / 10;
}

double Percent(double share) {
    return std::round(share * 1000) / 10;
}

Record PathRecord(const trends::PathSummary& s, int path) {
    Record record;
    record.Add("path", path)
        .Add("from", platform::IsoUtcText(s.firstMs))
        .Add("to", platform::IsoUtcText(s.lastMs))
        .Add("seconds", Seconds(s.lastMs - s.firstMs))
        .Add("polls", uint64_t(s.polls))
        .Add("failedPolls", uint64_t(s.failedPolls))
        .Add("carrierLockHeldPercent", Percent(s.HeldShare(trends::kHeldCarrier)))
        .Add("symbolLockHeldPercent", Percent(s.HeldShare(trends::kHeldSymbol)))
        .Add("frameSyncHeldPercent", Percent(s.HeldShare(trends::kHeldFrameSync)))
        .Add("frameLockHeldPercent", Percent(s.HeldShare(trends::kHeldFrame)));
    if (s.rssiReadings > 0) {
        record.Add("rssiMinDbm", s.rssiLow)
            .Add("rssiMeanDbm", std::round(s.rssiSum / double(s.rssiReadings) * 10) / 10)
            .Add("rssiMaxDbm", s.rssiHigh);
    } else {
        record.AddInvalid("rssiMinDbm").AddInvalid("rssiMeanDbm").AddInvalid("rssiMaxDbm");
    }
    std::vector<Record> gaps;
    for (const trends::PathSummary::Gap& gap : s.gaps) {
        gaps.push_back(Record()
                           .Add("from", platform::IsoUtcText(gap.startMs))
                           .Add("seconds", Seconds(gap.lengthMs)));
    }
    return record.Add("gaps", std::move(gaps));
}

}  // namespace

int RunLog(const std::vector<std::string>& words, bool json, std::ostream& out, std::ostream& err) {
    if (words.size() < 3 || words[1] != "summary") {
        err << "kv90t-ctl: log needs summary FILE ...; see --help\n";
        return kUsageError;
    }
    trends::LogSummary summary;
    std::vector<Record> files;
    int64_t lastMs = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        trends::StatusLogReader reader;
        std::string error;
        if (!reader.Open(words[i], &error)) {
            err << "kv90t-ctl: " << error << "\n";
            return kUsageError;
        }
        reader.SetNotBefore(lastMs);
        for (trends::LogLine line; reader.Next(&line);) {
            summary.Add(line);
        }
        lastMs = reader.LastTimeMs();
        Record file;
        file.Add("file", words[i]).Add("lines", uint64_t(reader.LinesRead()));
        file.Add("badLines", uint64_t(reader.BadLines()));
        if (reader.BadLines() > 0) {
            file.Add("firstBadLine", uint64_t(reader.FirstBadLine()));
        }
        files.push_back(std::move(file));
    }
    std::vector<Record> paths;
    for (int path = 0; path < trends::LogSummary::kPaths; ++path) {
        if (summary.Path(path).polls > 0) {
            paths.push_back(PathRecord(summary.Path(path), path));
        }
    }
    const Record record = Record().Add("files", std::move(files)).Add("paths", std::move(paths));
    out << (json ? record.Json() + "\n" : record.Text());
    return kSuccess;
}

}  // namespace ctl
