#include "trends/status_log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstring>

#include "protocol/status_fields.h"
#include "trends/mark.h"

namespace trends {
namespace {

constexpr size_t kBufferBytes = 1 << 20;
constexpr size_t kLongestLine = 4096;  // a line past this is no poll of any console
constexpr std::string_view kLeadingColumns[] = {"time", "path", "valid"};

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool Digits(std::string_view text, size_t at, size_t count, int* value) {
    *value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

// "2026-12-10T14:32:05.123Z", as the log writes it.
bool ParseTime(std::string_view text, int64_t* timeMs) {
    int year, month, day, hour, minute, second, ms;
    if (text.size() != 24 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.' || text[23] != 'Z' ||
        !Digits(text, 0, 4, &year) || !Digits(text, 5, 2, &month) || !Digits(text, 8, 2, &day) ||
        !Digits(text, 11, 2, &hour) || !Digits(text, 14, 2, &minute) ||
        !Digits(text, 17, 2, &second) || !Digits(text, 20, 3, &ms) || month < 1 || month > 12 ||
        day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    const int64_t days = DaysFromCivil(year, unsigned(month), unsigned(day));
    *timeMs = ((days * 24 + hour) * 60 + minute) * 60'000 + second * 1000 + ms;
    return true;
}

// The cells of a line, split at commas.
template <typename Cell>
void ForEachCell(std::string_view line, Cell cell) {
    size_t column = 0;
    for (size_t start = 0;; ++column) {
        const size_t comma = line.find(',', start);
        cell(column, line.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return;
        }
        start = comma + 1;
    }
}

}  // namespace

StatusLogReader::~StatusLogReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool StatusLogReader::Open(const std::string& path, std::string* error) {
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error =
            path + ": cannot be read: " + (m_fd < 0 ? std::strerror(errno) : "not a regular file");
        return false;
    }
    m_fileSize = static_cast<uint64_t>(info.st_size);
    m_buffer.resize(kBufferBytes);
    return ReadHeading(error);
}

// The first line names the columns: time, path and valid first, then the status fields. A
// column of a field this console does not know is kept out; a field the log lacks is NaN.
bool StatusLogReader::ReadHeading(std::string* error) {
    std::string_view heading;
    if (!ReadLine(&heading)) {
        *error = m_path + ":1: empty, not a status log";
        return false;
    }
    const auto fields = protocol::ChannelStatusFields();
    m_fieldCount = fields.size();
    bool known = false;
    ForEachCell(heading, [&](size_t column, std::string_view name) {
        if (column < std::size(kLeadingColumns)) {
            known =
                column == 0 ? name == kLeadingColumns[0] : known && name == kLeadingColumns[column];
            m_columnField.push_back(-1);
            return;
        }
        int field = -1;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (name == fields[i].key) {
                field = static_cast<int>(i);
            }
        }
        m_columnField.push_back(field);
    });
    if (!known || m_columnField.size() <= std::size(kLeadingColumns)) {
        *error = m_path + ":1: not a status log: the heading is not \"time,path,valid,...\"";
        return false;
    }
    return true;
}

bool StatusLogReader::Next(LogLine* line) {
    std::string_view text;
    while (ReadLine(&text)) {
        if (ParseMark(text, line)) {
            return true;
        }
        if (Parse(text, line) && line->timeMs >= m_lastTimeMs) {
            m_lastTimeMs = line->timeMs;
            return true;
        }
        CountBad();
    }
    return false;
}

void StatusLogReader::CountBad() {
    if (m_badLines++ == 0) {
        m_firstBadLine = m_lineNumber;
    }
}

// A whole line, without its end. A last line without its end was cut short: it is no line.
bool StatusLogReader::ReadLine(std::string_view* line) {
    m_partial.clear();
    for (;;) {
        const char* begin = m_buffer.data() + m_start;
        const void* newline = std::memchr(begin, '\n', m_end - m_start);
        if (newline != nullptr) {
            const auto length = static_cast<size_t>(static_cast<const char*>(newline) - begin);
            m_start += length + 1;
            ++m_lineNumber;
            if (m_overlong) {
                m_overlong = false;
                *line = {};  // no poll: counted as a bad line
            } else if (m_partial.empty()) {
                *line = std::string_view(begin, length);
            } else {
                m_partial.append(begin, length);
                *line = m_partial;
            }
            return true;
        }
        if (m_partial.size() + (m_end - m_start) <= kLongestLine) {
            m_partial.append(begin, m_end - m_start);
        } else {
            m_overlong = true;
        }
        m_start = m_end = 0;
        if (m_eof) {
            if (!m_partial.empty() || m_overlong) {
                m_overlong = false;
                ++m_lineNumber;
                CountBad();  // the last line, cut short
                m_partial.clear();
            }
            return false;
        }
        const ssize_t got = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (got <= 0) {
            m_eof = true;
            continue;
        }
        m_end = static_cast<size_t>(got);
        m_bytesRead += static_cast<uint64_t>(got);
    }
}

// "time,mark,"note"".
bool StatusLogReader::ParseMark(std::string_view text, LogLine* line) const {
    constexpr std::string_view kKind = ",mark,";
    if (text.size() < 24 + kKind.size() || text.substr(24, kKind.size()) != kKind) {
        return false;
    }
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    if (!ParseTime(text.substr(0, 24), &line->timeMs) ||
        !ParseMarkNote(text.substr(24 + kKind.size()), &line->note)) {
        return false;
    }
    line->isMark = true;
    line->path = -1;
    line->valid = false;
    line->values.clear();
    return true;
}

bool StatusLogReader::Parse(std::string_view text, LogLine* line) const {
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    line->isMark = false;
    line->note.clear();
    line->values.assign(m_fieldCount, std::nan(""));
    size_t columns = 0;
    bool good = true;
    ForEachCell(text, [&](size_t column, std::string_view cell) {
        columns = column + 1;
        if (!good || column >= m_columnField.size()) {
            good = good && column < m_columnField.size();
            return;
        }
        if (column == 0) {
            good = ParseTime(cell, &line->timeMs);
        } else if (column == 1) {
            good = cell.size() == 1 && cell[0] >= '0' && cell[0] <= '2';
            line->path = cell.empty() ? 0 : cell[0] - '0';
        } else if (column == 2) {
            good = cell == "0" || cell == "1";
            line->valid = cell == "1";
        } else if (m_columnField[column] >= 0 && !cell.empty()) {
            double value = 0;
            const auto parsed = std::from_chars(cell.data(), cell.data() + cell.size(), value);
            good =
                parsed.ec == std::errc() && parsed.ptr == cell.data() + cell.size() && line->valid;
            line->values[size_t(m_columnField[column])] = value;
        }
    });
    return good && columns == m_columnField.size();
}

}  // namespace trends
