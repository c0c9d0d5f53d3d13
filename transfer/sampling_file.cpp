#include "transfer/sampling_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/system_error.h"

namespace dau {
namespace {

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t Long(const uint8_t* p) {
    return uint32_t(Word(p)) << 16 | Word(p + 2);
}

double SecondsOf(const uint8_t* header) {
    return (Long(header + 12) & 0x1FFFFFF) + Long(header + 16) / 1'000'000'000.0;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string FileError(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " +
           platform::SystemErrorText(static_cast<uint32_t>(error));
}

// The datagrams of a sampling file, read in large blocks.
class DatagramReader {
public:
    DatagramReader(std::FILE* file, size_t datagramBytes, uint64_t limit)
        : m_file(file), m_size(datagramBytes), m_limit(limit) {
        m_buffer.resize(std::max<size_t>(datagramBytes, 1) * 1024);
    }
    // The next whole datagram, or nullptr at the end (a partial one included).
    const uint8_t* Next() {
        if (m_end - m_start < m_size) {
            Refill();
            if (m_end - m_start < m_size) {
                return nullptr;
            }
        }
        const uint8_t* datagram = m_buffer.data() + m_start;
        m_start += m_size;
        return datagram;
    }
    uint64_t BytesRead() const { return m_read; }
    bool Failed() const { return std::ferror(m_file) != 0; }

private:
    void Refill() {
        std::memmove(m_buffer.data(), m_buffer.data() + m_start, m_end - m_start);
        m_end -= m_start;
        m_start = 0;
        const size_t room =
            static_cast<size_t>(std::min<uint64_t>(m_buffer.size() - m_end, m_limit - m_read));
        const size_t got = std::fread(m_buffer.data() + m_end, 1, room, m_file);
        m_end += got;
        m_read += got;
    }

    std::FILE* m_file;
    size_t m_size;
    uint64_t m_limit;
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0;
    size_t m_end = 0;
    uint64_t m_read = 0;
};

// Lines are formatted into a block and written when it is nearly full.
class LineWriter {
public:
    explicit LineWriter(std::FILE* file) : m_file(file), m_buffer(1 << 20) {}
    bool Line(int years, double seconds, int sample) {
        if (m_buffer.size() - m_used < 64 && !Flush()) {
            return false;
        }
        char* p = m_buffer.data() + m_used;
        char* end = m_buffer.data() + m_buffer.size();
        p = std::to_chars(p, end, years).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, seconds, std::chars_format::fixed, 6).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, sample).ptr;
        *p++ = '\r';
        m_used = static_cast<size_t>(p - m_buffer.data());
        return true;
    }
    bool Flush() {
        const bool written = std::fwrite(m_buffer.data(), 1, m_used, m_file) == m_used;
        m_used = 0;
        return written;
    }

private:
    std::FILE* m_file;
    std::vector<char> m_buffer;
    size_t m_used = 0;
};

// The lines of every datagram after the first; false when a write, a read or a cancel ended
// them (a read or cancel says so in `result`).
bool WriteLines(const std::string& inPath, std::FILE* in, std::FILE* out, uint32_t samples,
                uint64_t total, const std::function<void(uint64_t, uint64_t)>& progress,
                const ConversionControl& control, ConversionResult* result) {
    DatagramReader reader(in, kHeaderBytes + 2 * size_t(samples), total);
    LineWriter writer(out);
    const uint8_t* datagram = reader.Next();
    double previous = datagram != nullptr ? SecondsOf(datagram) : 0;
    uint64_t reported = 0;
    while (datagram != nullptr && (datagram = reader.Next()) != nullptr) {
        if (control.cancel != nullptr && control.cancel->load(std::memory_order_relaxed)) {
            result->error = "The conversion was cancelled; no CSV was kept";
            return false;
        }
        const int years = static_cast<int>(Long(datagram + 12) >> 25);
        const double time = SecondsOf(datagram);
        const double spacing = time - previous;
        for (uint32_t i = 0; i < samples; ++i) {
            const int16_t sample = static_cast<int16_t>(Word(datagram + kHeaderBytes + 2 * i));
            if (!writer.Line(years, time + i * spacing / samples, sample)) {
                return false;
            }
            ++result->lines;
        }
        previous = time;
        if (progress && reader.BytesRead() - reported >= (8u << 20)) {
            reported = reader.BytesRead();
            progress(reported, total);
        }
    }
    if (reader.Failed()) {
        result->error = FileError("Cannot read", inPath, errno);
        return false;
    }
    return writer.Flush() && std::fflush(out) == 0;
}

}  // namespace

DatagramHeader DecodeHeader(const uint8_t (&bytes)[kHeaderBytes]) {
    DatagramHeader h;
    for (int k = 0; k < 12; ++k) {
        h.words[k] = Word(bytes + 2 * k);
    }
    h.gpsState = bytes[0];
    h.gpsQuality = bytes[1];
    h.rawRssi = Word(bytes + 2);
    h.sequence = Word(bytes + 6);
    h.dataType = Word(bytes + 8);
    h.timeLocked = (bytes[10] & 1) != 0;
    h.flywheeling = (bytes[11] & 0x80) != 0;
    h.irigWord = Long(bytes + 12);
    h.irigNanoseconds = Long(bytes + 16);
    return h;
}

std::string SamplingFileName(uint32_t channel, const std::tm& t) {
    char name[64];
    std::snprintf(name, sizeof name, "CH%d.%d.%d.%d.%d.%d.%d.dau", static_cast<int>(channel),
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return name;
}

std::string UnusedPath(const std::string& folder, const std::string& name) {
    const size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    std::string path = folder + name;
    for (int n = 2; ::access(path.c_str(), F_OK) == 0 && n < 1000; ++n) {
        path = folder + stem + "-" + std::to_string(n) + extension;
    }
    return path;
}

std::string CsvPathOf(const std::string& samplingPath) {
    const size_t n = samplingPath.size();
    if (n > 4 && samplingPath.compare(n - 4, 4, ".dau") == 0) {
        return samplingPath.substr(0, n - 4) + ".csv";
    }
    return samplingPath + ".csv";
}

ConversionResult ConvertSamplingFile(const std::string& samplingPath, const std::string& csvPath,
                                     uint32_t samples,
                                     const std::function<void(uint64_t, uint64_t)>& progress,
                                     const ConversionControl& control) {
    ConversionResult result;
    File in(std::fopen(samplingPath.c_str(), "rb"));
    if (!in) {
        result.error = FileError("Cannot open", samplingPath, errno);
        return result;
    }
    struct stat info {};
    if (::fstat(::fileno(in.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        result.error = "Cannot convert " + samplingPath + ": it is not a regular file";
        return result;
    }
    struct stat target {};
    if (::stat(csvPath.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
        result.error = S_ISDIR(target.st_mode)
                           ? FileError("Cannot create", csvPath, EISDIR)
                           : "Cannot create " + csvPath + ": it is not a regular file";
        return result;
    }
    const std::string part = csvPath + ".part";
    File out(std::fopen(part.c_str(), "wb"));
    if (!out) {
        result.error = FileError("Cannot create", csvPath, errno);
        return result;
    }
    const uint64_t total = std::min<uint64_t>(uint64_t(info.st_size), control.bytes);
    if (!WriteLines(samplingPath, in.get(), out.get(), samples, total, progress, control,
                    &result)) {
        if (result.error.empty()) {
            result.error = FileError("Cannot write", csvPath, errno);
        }
        out.reset();
        std::remove(part.c_str());
        return result;
    }
    const int closed = std::fclose(out.release());
    if (closed != 0 || std::rename(part.c_str(), csvPath.c_str()) != 0) {
        result.error = FileError("Cannot write", csvPath, errno);
        std::remove(part.c_str());
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace dau
