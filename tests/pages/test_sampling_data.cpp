// The DAU sampling data texts and the sampling file conversion, on their own.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include <fstream>
#include <iterator>

#include "pages/dau/sampling_data.h"
#include "tests/support/TempDir.h"

using namespace dau;
using Bytes = std::vector<uint8_t>;

namespace {

uint32_t IrigWord(uint32_t years, uint32_t seconds) {
    return years << 25 | seconds;
}

void Put(Bytes& b, size_t offset, int width, uint32_t value) {
    for (int i = 0; i < width; ++i) {
        b[offset + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
    }
}

Bytes Datagram(uint32_t years, uint32_t seconds, uint32_t nanoseconds,
               const std::vector<int16_t>& samples) {
    Bytes d(kHeaderBytes + 2 * samples.size(), 0);
    Put(d, 12, 4, IrigWord(years, seconds));
    Put(d, 16, 4, nanoseconds);
    for (size_t i = 0; i < samples.size(); ++i) {
        Put(d, kHeaderBytes + 2 * i, 2, static_cast<uint16_t>(samples[i]));
    }
    return d;
}

std::string Write(const std::string& path, const std::vector<Bytes>& parts) {
    std::ofstream out(path, std::ios::binary);
    for (const Bytes& part : parts) {
        out.write(reinterpret_cast<const char*>(part.data()), std::streamsize(part.size()));
    }
    return path;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(SamplingTexts, IrigDatesFollowTheComputersYear) {
    EXPECT_EQ(IrigDateText(IrigWord(21, 5'648'742), 2021), "2021-MAR-07 09:05:42");
    EXPECT_EQ(IrigDateText(IrigWord(21, 5'648'742), 2024), "2021-MAR-06 09:05:42");
    for (int year : {2023, 2024}) {
        EXPECT_EQ(IrigDateText(IrigWord(26, 2'678'399), year), "2026-JAN-31 23:59:59");
        EXPECT_EQ(IrigDateText(IrigWord(26, 2'678'400), year), "2026-FEB-01 00:00:00");
    }
    EXPECT_EQ(IrigDateText(IrigWord(26, 5'097'600), 2023), "2026-MAR-01 00:00:00");
    EXPECT_EQ(IrigDateText(IrigWord(26, 5'097'600), 2024), "2026-FEB-29 00:00:00");
    EXPECT_EQ(IrigDateText(IrigWord(127, 0x1FFFFFF), 2023), "2127-DEC-55 08:40:31");
}

TEST(SamplingTexts, GpsRssiAndHeaderFields) {
    EXPECT_EQ(GpsQualityText(3), "3 = Unknown or invalid state");
    EXPECT_EQ(GpsQualityText(255), "255 = Unknown or invalid state");
    EXPECT_EQ(GpsQualityText(9), "9 = WAAS");
    EXPECT_STREQ(GpsStateText(8), "Unknown State");
    EXPECT_STREQ(GpsStateText(7), "7: Normal Running");
    EXPECT_EQ(RssiVoltageText(4095), "5.00 V");
    EXPECT_EQ(RssiVoltageText(0), "0.00 V");
    uint8_t bytes[kHeaderBytes] = {7,    1,    0x0F, 0xFF, 0xAB, 0xCD, 0x12, 0x34, 0, 2, 0xFF, 0x80,
                                   0x2A, 0x56, 0x31, 0x66, 0x3B, 0x9A, 0xC9, 0xFF, 0, 1, 0,    2};
    const DatagramHeader h = DecodeHeader(bytes);
    EXPECT_EQ(h.words[0], 0x0701);
    EXPECT_EQ(h.words[2], 0xABCD);
    EXPECT_EQ(h.words[11], 0x0002);
    EXPECT_EQ(h.rawRssi, 4095);
    EXPECT_EQ(h.sequence, 0x1234);
    EXPECT_EQ(h.dataType, 2);
    EXPECT_TRUE(h.timeLocked);
    EXPECT_TRUE(h.flywheeling);
    EXPECT_EQ(h.IrigYears(), 21u);
    EXPECT_EQ(h.IrigSeconds(), 5'648'742u);
    EXPECT_EQ(h.irigNanoseconds, 999'999'999u);
    bytes[10] = 0xFE;
    bytes[11] = 0x7F;
    EXPECT_FALSE(DecodeHeader(bytes).timeLocked);
    EXPECT_FALSE(DecodeHeader(bytes).flywheeling);
}

TEST(SamplingFiles, NamesAndPaths) {
    std::tm t{};
    t.tm_year = 121;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 42;
    EXPECT_EQ(SamplingFileName(1, t), "CH1.2021.3.7.9.5.42.dau");
    EXPECT_EQ(CsvPathOf("/data/CH1.2021.3.7.9.5.42.dau"), "/data/CH1.2021.3.7.9.5.42.csv");
    testsupport::TempDir dir;
    const std::string folder = dir.Path() + "/";
    EXPECT_EQ(UnusedPath(folder, "CH2.x.dau"), folder + "CH2.x.dau");
    Write(folder + "CH2.x.dau", {});
    EXPECT_EQ(UnusedPath(folder, "CH2.x.dau"), folder + "CH2.x-2.dau");
    Write(folder + "CH2.x-2.dau", {});
    EXPECT_EQ(UnusedPath(folder, "CH2.x.dau"), folder + "CH2.x-3.dau");
}

TEST(SamplingFiles, ConversionWritesEverySampleAfterTheFirstDatagram) {
    testsupport::TempDir dir;
    const std::string in = dir.Path() + "/s.dau";
    const std::string out = dir.Path() + "/s.csv";
    Write(in, {Datagram(21, 100, 0, {7, 7}), Datagram(21, 101, 500'000'000, {-1, 32767}),
               Datagram(22, 103, 0, {5, -32768}), Bytes(10, 0xEE)});  // a partial one at the end
    const ConversionResult result = ConvertSamplingFile(in, out, 2);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.lines, 4u);
    EXPECT_EQ(Read(out),
              "21,101.500000,-1\r21,102.250000,32767\r22,103.000000,5\r22,103.750000,-32768\r");

    // The samples-per-datagram setting decides the records: 1 sample means 26-byte records.
    ASSERT_TRUE(ConvertSamplingFile(in, out, 1).ok);
    EXPECT_EQ(Read(out).substr(0, 2), "0,");

    Write(in, {Datagram(21, 100, 0, {1, 2})});
    ASSERT_TRUE(ConvertSamplingFile(in, out, 2).ok);
    EXPECT_EQ(Read(out), "");
    Write(in, {});
    ASSERT_TRUE(ConvertSamplingFile(in, out, 2).ok);
    EXPECT_EQ(Read(out), "");
}

TEST(SamplingFiles, AFileThatCannotBeOpenedIsNamedInTheError) {
    testsupport::TempDir dir;
    const ConversionResult missing =
        ConvertSamplingFile(dir.Path() + "/none.dau", dir.Path() + "/none.csv", 10);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.rfind("Cannot open " + dir.Path() + "/none.dau: ", 0), 0u)
        << missing.error;
    const std::string in = Write(dir.Path() + "/a.dau", {Datagram(1, 1, 1, {1})});
    const ConversionResult unwritable = ConvertSamplingFile(in, dir.Path(), 1);
    EXPECT_FALSE(unwritable.ok);
    EXPECT_EQ(unwritable.error.rfind("Cannot create " + dir.Path() + ": ", 0), 0u)
        << unwritable.error;
}

// The conversion reads only what was recorded and only a regular file, writes its CSV beside
// its place, and a cancel leaves no CSV.
TEST(SamplingFiles, ConversionKeepsToTheRecordingAndCanBeCancelled) {
    testsupport::TempDir dir;
    const std::string in = dir.Path() + "/s.dau";
    const std::string out = dir.Path() + "/s.csv";
    const Bytes first = Datagram(21, 100, 0, {7, 7});
    Write(in, {first, Datagram(21, 101, 0, {1, 2}), Datagram(21, 102, 0, {3, 4})});
    ConversionControl recorded;
    recorded.bytes = 2 * first.size();  // the third datagram came after the recording ended
    const ConversionResult two = ConvertSamplingFile(in, out, 2, {}, recorded);
    ASSERT_TRUE(two.ok) << two.error;
    EXPECT_EQ(Read(out), "21,101.000000,1\r21,101.500000,2\r");
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));

    std::atomic<bool> cancel{true};
    ConversionControl cancelled;
    cancelled.cancel = &cancel;
    const std::string other = dir.Path() + "/t.csv";
    const ConversionResult stopped = ConvertSamplingFile(in, other, 2, {}, cancelled);
    EXPECT_FALSE(stopped.ok);
    EXPECT_EQ(stopped.error, "The conversion was cancelled; no CSV was kept");
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(other + ".part"));

    const ConversionResult device = ConvertSamplingFile("/dev/zero", other, 2);
    EXPECT_EQ(device.error, "Cannot convert /dev/zero: it is not a regular file");
    EXPECT_FALSE(std::filesystem::exists(other));
}
