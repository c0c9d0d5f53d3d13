#include "transfer/sampling_file.h"

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
    DatagramReader(std::FILE* file, size_t datagramBytes) : m_file(file), m_size(datagramBytes) {
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
        const size_t got = std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file);
        m_end += got;
        m_read += got;
    }

    std::FILE* m_file;
    size_t m_size;
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
    const size_t keep = samplingPath.size() >= 3 ? samplingPath.size() - 3 : 0;
    return samplingPath.substr(0, keep) + "csv";
}

ConversionResult ConvertSamplingFile(const std::string& samplingPath, const std::string& csvPath,
                                     uint32_t samples,
                                     const std::function<void(uint64_t, uint64_t)>& progress) {
    ConversionResult result;
    File in(std::fopen(samplingPath.c_str(), "rb"));
    if (!in) {
        result.error = FileError("Cannot open", samplingPath, errno);
        return result;
    }
    File out(std::fopen(csvPath.c_str(), "wb"));
    if (!out) {
        result.error = FileError("Cannot create", csvPath, errno);
        return result;
    }
    std::fseek(in.get(), 0, SEEK_END);
    const uint64_t total = static_cast<uint64_t>(std::max(0L, std::ftell(in.get())));
    std::fseek(in.get(), 0, SEEK_SET);
    DatagramReader reader(in.get(), kHeaderBytes + 2 * size_t(samples));
    LineWriter writer(out.get());
    const uint8_t* datagram = reader.Next();
    double previous = datagram != nullptr ? SecondsOf(datagram) : 0;
    bool written = true;
    uint64_t reported = 0;
    while (written && datagram != nullptr && (datagram = reader.Next()) != nullptr) {
        const int years = static_cast<int>(Long(datagram + 12) >> 25);
        const double time = SecondsOf(datagram);
        const double spacing = time - previous;
        for (uint32_t i = 0; i < samples && written; ++i) {
            const int16_t sample = static_cast<int16_t>(Word(datagram + kHeaderBytes + 2 * i));
            written = writer.Line(years, time + i * spacing / samples, sample);
            ++result.lines;
        }
        previous = time;
        if (progress && reader.BytesRead() - reported >= (8u << 20)) {
            reported = reader.BytesRead();
            progress(reported, total);
        }
    }
    written = written && writer.Flush();
    if (!written || std::fflush(out.get()) != 0) {
        result.error = FileError("Cannot write", csvPath, errno);
        return result;
    }
    if (reader.Failed()) {
        result.error = FileError("Cannot read", samplingPath, errno);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace dau
