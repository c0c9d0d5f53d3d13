#pragma once
// Reads a status log back, line by line, without ever writing to it: each poll's time, path
// and field values by the status field table's keys. Columns are found by the heading, so a
// log from a newer console with more columns reads with those ignored. A line that cannot be
// read (cut short, a value that is no number, out of time order) is skipped and counted, and
// the first such line's number is kept, so that nothing is left out silently.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trends {

// One poll of the log, or an operator's mark. values[i] belongs to ChannelStatusFields()[i];
// NaN where the log has no reading (an empty cell, a column the log lacks, every value of a
// failed poll). A mark has its note, path -1 and no values.
struct LogLine {
    int64_t timeMs = 0;
    int path = 0;
    bool valid = false;
    std::vector<double> values;
    bool isMark = false;
    std::string note;
};

class StatusLogReader {
public:
    StatusLogReader() = default;
    ~StatusLogReader();
    StatusLogReader(const StatusLogReader&) = delete;
    StatusLogReader& operator=(const StatusLogReader&) = delete;

    // Opens `path` read-only and checks its heading; false with "FILE:LINE: why" otherwise.
    bool Open(const std::string& path, std::string* error);
    // The next poll or mark that reads; false at the end of the file. Polls must come in time
    // order; marks need not and do not move it, as another program may write them a little
    // ahead of the console's last second of polls.
    bool Next(LogLine* line);
    // Lines before `timeMs` are out of order (this file continues an earlier one).
    void SetNotBefore(int64_t timeMs) { m_lastTimeMs = timeMs; }
    int64_t LastTimeMs() const { return m_lastTimeMs; }

    size_t BadLines() const { return m_badLines; }
    size_t FirstBadLine() const { return m_firstBadLine; }  // 0 when none
    size_t LinesRead() const { return m_lineNumber; }
    uint64_t BytesRead() const { return m_bytesRead; }
    uint64_t FileSize() const { return m_fileSize; }

private:
    bool ReadLine(std::string_view* line);
    bool ReadHeading(std::string* error);
    bool Parse(std::string_view text, LogLine* line) const;
    bool ParseMark(std::string_view text, LogLine* line) const;
    void CountBad();

    std::string m_path;
    int m_fd = -1;
    std::vector<char> m_buffer;
    size_t m_start = 0;
    size_t m_end = 0;
    bool m_eof = false;
    std::string m_partial;    // a line that runs past the buffer
    bool m_overlong = false;  // the line being read is longer than any poll's
    size_t m_lineNumber = 0;
    uint64_t m_bytesRead = 0;
    uint64_t m_fileSize = 0;
    size_t m_badLines = 0;
    size_t m_firstBadLine = 0;
    int64_t m_lastTimeMs = 0;
    // For each column of the file: the field it holds (its index in the table), or -1.
    std::vector<int> m_columnField;
    size_t m_fieldCount = 0;
};

}  // namespace trends
