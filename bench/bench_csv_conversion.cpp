// Converting a 100 MB sampling file to comma-separated text: the console's converter against a
// minimal one (read, format with std::to_chars, write), both producing the same bytes.

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "transfer/sampling_file.h"

namespace {

constexpr uint32_t kSamples = 696;
constexpr size_t kRecord = 24 + 2 * kSamples;
constexpr size_t kRecords = 100'000'000 / kRecord;

void MakeFile(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    std::vector<uint8_t> d(kRecord);
    uint32_t noise = 1;
    for (size_t r = 0; r < kRecords; ++r) {
        const uint32_t ns = static_cast<uint32_t>(r * 11'136'000 % 1'000'000'000);
        const uint32_t word = 26u << 25 | static_cast<uint32_t>(1000 + r * 11'136 / 1'000'000);
        for (int i = 0; i < 4; ++i) {
            d[12 + i] = static_cast<uint8_t>(word >> (24 - 8 * i));
            d[16 + i] = static_cast<uint8_t>(ns >> (24 - 8 * i));
        }
        for (size_t i = 24; i < kRecord; ++i) {
            noise = noise * 1103515245 + 12345;
            d[i] = static_cast<uint8_t>(noise >> 16);
        }
        std::fwrite(d.data(), 1, d.size(), f);
    }
    std::fclose(f);
}

uint32_t Long(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The baseline: one record at a time, one buffer of text written when full.
void Minimal(const char* in, const char* out) {
    std::FILE* f = std::fopen(in, "rb");
    std::FILE* o = std::fopen(out, "wb");
    std::vector<uint8_t> d(kRecord);
    std::vector<char> text(1 << 20);
    size_t used = 0;
    double previous = 0;
    bool first = true;
    while (std::fread(d.data(), 1, kRecord, f) == kRecord) {
        const double t = (Long(&d[12]) & 0x1FFFFFF) + Long(&d[16]) / 1e9;
        if (!first) {
            const int years = static_cast<int>(Long(&d[12]) >> 25);
            for (uint32_t i = 0; i < kSamples; ++i) {
                if (text.size() - used < 64) {
                    std::fwrite(text.data(), 1, used, o);
                    used = 0;
                }
                char* p = text.data() + used;
                char* end = text.data() + text.size();
                p = std::to_chars(p, end, years).ptr;
                *p++ = ',';
                p = std::to_chars(p, end, t + i * (t - previous) / kSamples,
                                  std::chars_format::fixed, 6)
                        .ptr;
                *p++ = ',';
                const int16_t v = static_cast<int16_t>(d[24 + 2 * i] << 8 | d[25 + 2 * i]);
                p = std::to_chars(p, end, static_cast<int>(v)).ptr;
                *p++ = '\r';
                used = static_cast<size_t>(p - text.data());
            }
        }
        first = false;
        previous = t;
    }
    std::fwrite(text.data(), 1, used, o);
    std::fclose(o);
    std::fclose(f);
}

bool SameFiles(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary);
    std::ifstream y(b, std::ios::binary);
    std::vector<char> p(1 << 20);
    std::vector<char> q(1 << 20);
    while (x && y) {
        x.read(p.data(), std::streamsize(p.size()));
        y.read(q.data(), std::streamsize(q.size()));
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), size_t(x.gcount())) != 0) {
            return false;
        }
    }
    return x.eof() && y.eof();
}

}  // namespace

int main() {
    char dir[] = "/tmp/kv90t-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        return 1;
    }
    const std::string in = std::string(dir) + "/s.dau";
    const std::string ours = std::string(dir) + "/ours.csv";
    const std::string theirs = std::string(dir) + "/theirs.csv";
    MakeFile(in.c_str());
    const auto [measured, baseline] = bench::InterleavedMediansMicroseconds(
        3, [&] { dau::ConvertSamplingFile(in, ours, kSamples); },
        [&] { Minimal(in.c_str(), theirs.c_str()); });
    const bool same = SameFiles(ours, theirs);
    std::printf("identical output: %s\n", same ? "yes" : "NO");
    bench::PrintRatio("CSV conversion of 100 MB", measured, "minimal converter", baseline, 1.25);
    for (const std::string& path : {in, ours, theirs}) {
        ::unlink(path.c_str());
    }
    ::rmdir(dir);
    return same ? 0 : 1;
}
