// log summary: the paragraph of a test report from status logs, read without a device; with a
// limit set, the stretches in alarm as the console's alarm engine judges the logged polls.

#include <algorithm>
#include <cmath>

#include "alarms/alarm_intervals.h"
#include "ctl/commands.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "trends/log_summary.h"
#include "trends/mark.h"
#include "trends/status_log.h"
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

// The stretches in alarm, by path then time; one still in alarm at the end has no end.
std::vector<Record> IntervalRecords(const alarms::AlarmIntervals& intervals, int64_t endMs) {
    std::vector<Record> records;
    for (int path : {0, 1, 2, alarms::kDevice}) {
        for (const alarms::AlarmInterval& interval : intervals.Of(path)) {
            Record record;
            record.Add("path", alarms::PathName(path))
                .Add("item", interval.item)
                .Add("severity", alarms::SeverityName(interval.severity))
                .Add("from", platform::IsoUtcText(interval.fromMs));
            if (interval.toMs != 0) {
                record.Add("to", platform::IsoUtcText(interval.toMs));
            } else {
                record.AddInvalid("to");
            }
            const int64_t to = interval.toMs != 0 ? interval.toMs : endMs;
            records.push_back(std::move(record.Add("seconds", Seconds(to - interval.fromMs))));
        }
    }
    return records;
}

}  // namespace

int RunLog(const std::vector<std::string>& words, bool json, std::ostream& out, std::ostream& err) {
    std::vector<std::string> names(words.begin() + std::min<size_t>(2, words.size()), words.end());
    std::optional<alarms::AlarmEngine> engine;
    alarms::AlarmIntervals intervals;
    const auto limits = std::find(names.begin(), names.end(), "--limits");
    if (limits != names.end()) {
        try {
            if (limits + 1 == names.end()) {
                throw UsageError("--limits needs a limits file");
            }
            engine.emplace();
            engine->SetLimits(ReadLimits(*(limits + 1)), 0);
        } catch (const UsageError& error) {
            err << "kv90t-ctl: " << error.what() << "; see --help\n";
            return kUsageError;
        }
        engine->onTransition = [&intervals](const alarms::Transition& t) { intervals.Track(t); };
        names.erase(limits, limits + 2);
    }
    if (names.empty() || words[1] != "summary") {
        err << "kv90t-ctl: log needs summary FILE ... [--limits FILE]; see --help\n";
        return kUsageError;
    }
    trends::LogSummary summary;
    std::vector<Record> files;
    int64_t lastMs = 0;
    for (const std::string& name : names) {
        trends::StatusLogReader reader;
        std::string error;
        if (!reader.Open(name, &error)) {
            err << "kv90t-ctl: " << error << "\n";
            return kUsageError;
        }
        reader.SetNotBefore(lastMs);
        for (trends::LogLine line; reader.Next(&line);) {
            summary.Add(line);
            if (engine && !line.isMark) {
                engine->EvaluateLoggedPoll(line.path, line.valid, line.values, line.timeMs);
            }
        }
        lastMs = reader.LastTimeMs();
        Record file;
        file.Add("file", name).Add("lines", uint64_t(reader.LinesRead()));
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
    std::vector<Record> marks;
    for (const trends::Mark& mark : summary.Marks()) {
        marks.push_back(
            Record().Add("time", platform::IsoUtcText(mark.timeMs)).Add("note", mark.note));
    }
    Record record = Record()
                        .Add("files", std::move(files))
                        .Add("paths", std::move(paths))
                        .Add("marks", std::move(marks));
    if (engine) {
        record.Add("alarms", IntervalRecords(intervals, lastMs));
    }
    out << (json ? record.Json() + "\n" : record.Text());
    return kSuccess;
}

int RunMark(const std::vector<std::string>& words, const std::string& dataFolder, bool json,
            std::ostream& out, std::ostream& err) {
    const std::string note = words.size() == 2 ? trends::CleanNote(words[1]) : std::string();
    if (note.empty()) {
        err << "kv90t-ctl: mark needs one TEXT (quote it); see --help\n";
        return kUsageError;
    }
    if (!dataFolder.empty()) {
        if (const std::string problem = platform::DataFolderProblem(dataFolder); !problem.empty()) {
            err << "kv90t-ctl: --data-dir '" << dataFolder << "' cannot be used: " << problem
                << "; see --help\n";
            return kUsageError;
        }
    }
    const int64_t now = platform::UtcNowMs();
    std::string path;
    std::string error;
    if (!trends::StatusLog::AppendLine(platform::ProgramFolder(dataFolder),
                                       trends::StatusLog::StatusKind(), now,
                                       trends::MarkLine(now, note), &path, &error)) {
        err << "kv90t-ctl: cannot write the mark: " << error << "\n";
        return kDeviceFailed;
    }
    const Record record =
        Record().Add("time", platform::IsoUtcText(now)).Add("note", note).Add("file", path);
    out << (json ? record.Json() + "\n" : record.Text());
    return kSuccess;
}

}  // namespace ctl
