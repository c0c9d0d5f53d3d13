#pragma once
// The DAU sampling datagrams and files: the header's fields, the sampling file's name, and the
// conversion of a sampling file into comma-separated text.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace dau {

constexpr int kHeaderBytes = 24;
constexpr int kLargestDatagram = 1416;

// The header as the page shows it; every field big-endian in the datagram.
struct DatagramHeader {
    uint16_t words[12] = {};
    uint8_t gpsState = 0;
    uint8_t gpsQuality = 0;
    uint16_t rawRssi = 0;
    uint16_t sequence = 0;
    uint16_t dataType = 0;
    bool timeLocked = false;  // TSLOCK
    bool flywheeling = false;
    uint32_t irigWord = 0;  // years since 2000 in bits 31..25, seconds of the year below
    uint32_t irigNanoseconds = 0;

    uint32_t IrigYears() const { return irigWord >> 25; }
    uint32_t IrigSeconds() const { return irigWord & 0x1FFFFFF; }
};

DatagramHeader DecodeHeader(const uint8_t (&bytes)[kHeaderBytes]);

// "CH%d.%d.%d.%d.%d.%d.%d.dau": channel number, then the local time's year to second.
std::string SamplingFileName(uint32_t channel, const std::tm& localTime);
// `folder` + `name`, or, when that file exists already (a stream started again within the same
// second), the name with "-2", "-3", ... before its extension, so that no recording is lost.
std::string UnusedPath(const std::string& folder, const std::string& name);
// The sampling file's CSV: a trailing ".dau" becomes ".csv"; any other name gets ".csv" added,
// so that the CSV never takes the recording's own name.
std::string CsvPathOf(const std::string& samplingPath);

struct ConversionResult {
    bool ok = false;
    std::string error;  // what failed, with the file's name and the system's text
    uint64_t lines = 0;
};

// What a conversion may read, and how it is stopped.
struct ConversionControl {
    uint64_t bytes = UINT64_MAX;                // no more than this: what was recorded
    const std::atomic<bool>* cancel = nullptr;  // set: the conversion ends, leaving no CSV
};

// Writes one "%d,%f,%d\r" line per sample of every datagram after the first (years, time in
// seconds, sample), each datagram taken as a 24-byte header and `samples` samples. Reads and
// writes in large blocks, never the whole file; a trailing partial datagram ends it. Only a
// regular file is read. The CSV is written beside its place and takes it only when complete.
// `progress` is told the bytes read and the bytes to read now and then.
ConversionResult ConvertSamplingFile(const std::string& samplingPath, const std::string& csvPath,
                                     uint32_t samples,
                                     const std::function<void(uint64_t, uint64_t)>& progress = {},
                                     const ConversionControl& control = {});

}  // namespace dau
