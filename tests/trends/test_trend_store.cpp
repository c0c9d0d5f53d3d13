#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "trends/trend_store.h"

using trends::PollSample;
using trends::TrendStore;

namespace {

constexpr int64_t kStart = 1'765'000'000'000;  // ms since the epoch

PollSample Sample(double rssi, int8_t carrierLock = 1) {
    PollSample s;
    s.values[trends::kRssi] = rssi;
    s.values[trends::kSymbolRate] = 2'000'000;
    s.locks[trends::kCarrierLock] = carrierLock;
    s.locks[trends::kFrameSync] = -1;
    return s;
}

// The poll of the bucket that holds `timeMs`.
TrendStore::Instant At(const TrendStore& store, int path, int64_t timeMs) {
    return store.Latest(path, timeMs, timeMs + 1);
}

}  // namespace

TEST(TrendStore, KeepsADayInMemoryFixedAtConstruction) {
    TrendStore store;
    const size_t bytes = store.MemoryBytes();
    EXPECT_LT(bytes, 32u << 20);
    // 25 hours of polls, every 600 ms on each path.
    for (int64_t t = 0; t < 25 * 3600 * 1000; t += 600) {
        const PollSample s = Sample(-60.0 - double(t % 10'000) / 1000);
        for (int path = 0; path < 3; ++path) {
            store.Add(path, kStart + t, &s);
        }
    }
    EXPECT_EQ(store.MemoryBytes(), bytes);
    const int64_t newest = store.Newest();
    EXPECT_GE(newest - store.Oldest(), 24 * 3600 * 1000 - 1000);
    EXPECT_TRUE(At(store, 2, newest - 24 * 3600 * 1000 + 1000).valid);
    EXPECT_FALSE(At(store, 2, newest - 25 * 3600 * 1000 + 1000).valid);  // overwritten
    // The whole day in a few columns: every one of them read, from the minute buckets.
    for (const auto& column : store.Decimate(2, trends::kRssi, store.Oldest(), newest, 24)) {
        EXPECT_TRUE(column.valid);
        EXPECT_DOUBLE_EQ(column.low, -69.8f);
        EXPECT_DOUBLE_EQ(column.high, -60.0);
    }
}

// A day drawn two minutes a column: each column is the range of exactly its two minutes.
TEST(TrendStore, ADayIsDecimatedFromTheMinutesItsColumnsTouch) {
    TrendStore store;
    const int64_t day = kStart - kStart % TrendStore::kMinuteMs;
    auto rssiOfMinute = [](int64_t minute) { return -50.0 - double(minute % 10); };
    for (int64_t t = 0; t < 24 * 3600 * 1000; t += 1000) {
        const PollSample s = Sample(rssiOfMinute(t / TrendStore::kMinuteMs));
        store.Add(1, day + t, &s);
    }
    const auto columns = store.Decimate(1, trends::kRssi, day, day + 24 * 3600 * 1000, 720);
    ASSERT_EQ(columns.size(), 720u);
    for (int64_t x = 0; x < 720; ++x) {
        ASSERT_TRUE(columns[size_t(x)].valid) << x;
        EXPECT_DOUBLE_EQ(columns[size_t(x)].high,
                         std::max(rssiOfMinute(2 * x), rssiOfMinute(2 * x + 1)))
            << x;
        EXPECT_DOUBLE_EQ(columns[size_t(x)].low,
                         std::min(rssiOfMinute(2 * x), rssiOfMinute(2 * x + 1)))
            << x;
    }
    // The last poll of a two-minute span is that of its second minute.
    EXPECT_DOUBLE_EQ(
        store.Latest(1, day, day + 2 * TrendStore::kMinuteMs).sample.values[trends::kRssi],
        rssiOfMinute(1));
}

// Minutes without a poll that read are gaps at the minute level as at the second level; a
// minute with some polls that read is drawn from them.
TEST(TrendStore, GapsAreKeptAtEveryLevel) {
    TrendStore store;
    const int64_t start = kStart - kStart % TrendStore::kMinuteMs;
    const PollSample s = Sample(-70.0);
    for (int64_t second = 0; second < 10 * 60; ++second) {
        const bool silent = second >= 3 * 60 && second < 6 * 60;       // minutes 3 to 5 fail whole
        const bool partly = second >= 7 * 60 && second < 7 * 60 + 30;  // minute 7 in half
        store.Add(0, start + second * 1000, silent || partly ? nullptr : &s);
    }
    const auto minutes = store.Decimate(0, trends::kRssi, start, start + 10 * 60'000, 10);
    const auto seconds = store.Decimate(0, trends::kRssi, start, start + 10 * 60'000, 600);
    for (int minute = 0; minute < 10; ++minute) {
        const bool gap = minute >= 3 && minute < 6;
        EXPECT_EQ(minutes[size_t(minute)].valid, !gap) << minute;
        EXPECT_EQ(seconds[size_t(minute * 60 + 45)].valid, !gap) << minute;
    }
    EXPECT_FALSE(seconds[7 * 60 + 10].valid);
    EXPECT_FALSE(store.Latest(0, start + 3 * 60'000, start + 6 * 60'000).valid);
    EXPECT_TRUE(store.Latest(0, start + 3 * 60'000, start + 7 * 60'000).valid);
}

// Two hours drawn in 500 columns: each column spans its buckets' lowest and highest values.
TEST(TrendStore, ALongSpanIsDecimatedToTheRangeOfEachColumn) {
    TrendStore store;
    for (int64_t t = 0; t < 2 * 3600 * 1000; t += 500) {
        const PollSample s = Sample((t / 500) % 2 == 0 ? -50.0 : -90.0);
        store.Add(0, kStart + t, &s);
    }
    const auto columns =
        store.Decimate(0, trends::kRssi, kStart, kStart + 2 * 3600 * 1000 - 1, 500);
    ASSERT_EQ(columns.size(), 500u);
    for (const auto& column : columns) {
        ASSERT_TRUE(column.valid);
        EXPECT_DOUBLE_EQ(column.low, -90.0);
        EXPECT_DOUBLE_EQ(column.high, -50.0);
    }
}

// Ten minutes in more columns than seconds: a column narrower than a bucket repeats it.
TEST(TrendStore, NarrowColumnsRepeatTheirBucketInsteadOfLeavingGaps) {
    TrendStore store;
    for (int64_t t = 0; t < 600'000; t += 1000) {
        const PollSample s = Sample(-60.0 - double(t / 1000 % 7));
        store.Add(0, kStart + t, &s);
    }
    const auto columns = store.Decimate(0, trends::kRssi, kStart, kStart + 600'000, 1500);
    for (size_t x = 0; x < columns.size(); ++x) {
        ASSERT_TRUE(columns[x].valid) << x;
    }
    EXPECT_DOUBLE_EQ(columns[3].high, -61.0);  // column 3 starts at 1.2 s: bucket 1
}

TEST(TrendStore, AFailedPollLeavesAGapNotAZero) {
    TrendStore store;
    const PollSample s = Sample(-70.0);
    for (int64_t second = 0; second < 10; ++second) {
        store.Add(1, kStart + second * 1000, second >= 4 && second < 7 ? nullptr : &s);
    }
    const auto columns = store.Decimate(1, trends::kRssi, kStart, kStart + 10'000, 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(columns[k].valid, k < 4 || k >= 7) << k;
        if (columns[k].valid) {
            EXPECT_DOUBLE_EQ(columns[k].high, -70.0);
        }
    }
    EXPECT_FALSE(At(store, 1, kStart + 5000).valid);
    EXPECT_EQ(At(store, 1, kStart + 8000).sample.locks[trends::kCarrierLock], 1);
    EXPECT_EQ(At(store, 1, kStart + 8000).sample.locks[trends::kFrameSync], -1);  // not enabled
    // The last poll within a span: the one before the gap, or none inside it.
    EXPECT_DOUBLE_EQ(store.Latest(1, kStart, kStart + 6000).sample.values[trends::kRssi], -70.0);
    EXPECT_FALSE(store.Latest(1, kStart + 4000, kStart + 7000).valid);
    EXPECT_FALSE(At(store, 0, kStart + 8000).valid);  // another path
}

TEST(TrendStore, CsvExportHasAHeadingAndOneLinePerPathAndSecond) {
    TrendStore store;
    const PollSample a = Sample(-61.25, 1);
    const PollSample b = Sample(-99.0, 0);
    store.Add(0, kStart + 200, &a);
    store.Add(2, kStart + 300, &b);
    store.Add(0, kStart + 1500, nullptr);
    std::ostringstream csv;
    store.WriteCsv(csv, kStart, kStart + 5000);
    EXPECT_EQ(csv.str(),
              "time,path,rssi,carrierFrequency,symbolRate,amModIndex,fmModIndex,carrierLock,"
              "symbolLock,frameSync,frameLock,timeLock\n"
              "2025-12-06T05:46:40Z,0,-61.2,0,2000000,0,0.00,1,0,-1,0,0\n"
              "2025-12-06T05:46:40Z,2,-99.0,0,2000000,0,0.00,0,0,-1,0,0\n");
}

// The frame locks are kept as the lock levels the lamps show: raised status bits win over the
// state, and a state of 3 is on the way, not locked.
TEST(TrendStore, FrameLocksAreTheLevelsTheLampsShow) {
    struct Case {
        uint8_t enabled, state, bit5, bit6, bit7;
        int8_t level;
    } cases[] = {{0, 2, 0, 0, 0, -1}, {1, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 1}, {1, 2, 0, 0, 0, 2},
                 {1, 3, 0, 0, 0, 1},  {1, 2, 1, 0, 0, 1}, {1, 2, 0, 1, 0, 1}, {1, 2, 0, 1, 1, 0}};
    for (const Case& c : cases) {
        protocol::ChannelStatus s;
        s.frameSyncEnabled = c.enabled;
        s.frameSyncState = c.state;
        s.frameSyncStatusBits[0] = c.bit5;
        s.frameSyncStatusBits[1] = c.bit6;
        s.frameSyncStatusBits[2] = c.bit7;
        s.frameLockEnabled = c.enabled;
        s.frameLockState = c.state == 3 ? 0 : c.state;
        const PollSample sample = trends::SampleOf(s);
        EXPECT_EQ(sample.locks[trends::kFrameSync], c.level) << int(c.state) << int(c.bit7);
        EXPECT_EQ(sample.locks[trends::kFrameSync], protocol::FrameSyncLevel(s));
        EXPECT_EQ(sample.locks[trends::kFrameLock], c.enabled ? (c.state == 3 ? 0 : c.state) : -1);
    }
}

// A value the device cannot report is no reading: no column draws it, a good reading in the same
// second is drawn alone, and the CSV leaves its cell empty.
TEST(TrendStore, AValueOutOfRangeIsNoReading) {
    protocol::ChannelStatus wild;
    wild.rssi = -2507.4f;
    wild.symbolRate = 0xFFFFFFFF;
    const PollSample bad = trends::SampleOf(wild);
    EXPECT_TRUE(std::isnan(bad.values[trends::kRssi]));
    EXPECT_TRUE(std::isnan(bad.values[trends::kSymbolRate]));
    EXPECT_EQ(bad.values[trends::kCarrierFrequency], 0.0);
    TrendStore store;
    const PollSample good = Sample(-70.0);
    store.Add(0, kStart, &bad);
    store.Add(0, kStart + 1000, &bad);
    store.Add(0, kStart + 1500, &good);
    store.Add(0, kStart + 1900, &bad);
    const auto columns = store.Decimate(0, trends::kRssi, kStart, kStart + 2000, 2);
    EXPECT_FALSE(columns[0].valid);
    ASSERT_TRUE(columns[1].valid);
    EXPECT_DOUBLE_EQ(columns[1].low, -70.0);
    EXPECT_DOUBLE_EQ(columns[1].high, -70.0);
    EXPECT_TRUE(store.Decimate(0, trends::kCarrierFrequency, kStart, kStart + 1000, 1)[0].valid);
    std::ostringstream csv;
    store.WriteCsv(csv, kStart, kStart + 1000);
    EXPECT_NE(csv.str().find("Z,0,,0,,0,0.00,0,0,-1,-1,-1\n"), std::string::npos) << csv.str();
}
