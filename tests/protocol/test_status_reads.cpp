#include <gtest/gtest.h>

#include <cmath>

#include "platform/clock.h"
#include "protocol/status_fields.h"
#include "tests/support/DeviceSession.h"

using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes ChannelReply(uint8_t rssiHigh, uint8_t rssiLow, uint8_t locks) {
    Bytes p(30, 0);
    p[1] = 0xD0;  // level 2000 = 0x7D0
    p[2] = 0xC7;  // upper flags set besides the level bits
    p[3] = 44;
    p[6] = 70;
    p[7] = rssiHigh;
    p[8] = rssiLow;
    p[9] = locks;
    p[10] = 0xFF;  // carrier -1000
    p[11] = 0xFF;
    p[12] = 0xFC;
    p[13] = 0x18;
    p[16] = 0x03;
    p[17] = 0xE8;  // symbol rate 1000
    p[21] = 0x07;  // UA rate 7
    return p;
}

}  // namespace

TEST(StatusReads, ChannelStatusDecodesLevelsLocksAndRates) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    session.Answer(0x2100, ChannelReply(0xFF, 0x9C, 0xE0));
    ASSERT_NE(comm.ReadChannelStatus(1), 0);
    EXPECT_EQ(session.LastPayload(0x2100), Bytes{1});
    const auto& s = comm.m_ChannelStatus[1];
    EXPECT_EQ(s.signalLevel, 2000);
    EXPECT_EQ(s.amModIndex, 44);
    EXPECT_FLOAT_EQ(s.fmModIndex, 0.7f);
    EXPECT_FLOAT_EQ(s.rssi, -10.0f);
    EXPECT_EQ(s.carrierLock + s.symbolLock + s.symbolUaLock, 3);
    EXPECT_EQ(s.carrierFrequency, -1000);
    EXPECT_EQ(s.symbolRate, 1000u);
    EXPECT_EQ(s.symbolUaRate, 7u);
    EXPECT_EQ(s.frameSyncState, 0);

    session.Answer(0x2100, ChannelReply(0, 0, 0x06 | 0x10));
    comm.m_Config.rssiCalibration[0][4] = {0.05f, -120.0f};
    comm.m_ChannelSetup[0].bandIndex = 4;
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    EXPECT_FLOAT_EQ(comm.m_ChannelStatus[0].rssi, -20.0f);
    EXPECT_EQ(comm.m_ChannelStatus[0].frameSyncState, 3);
    EXPECT_EQ(comm.m_ChannelStatus[0].carrierLock, 0);
    EXPECT_EQ(comm.m_TimeStatus.timeValid, 1);
    EXPECT_EQ(comm.m_ChannelStatus[0].timeValid, 1);  // kept with the poll for the log
    EXPECT_EQ(comm.m_ChannelStatus[1].timeValid, 0);
    ASSERT_NE(comm.ReadChannelStatus(2), 0);  // the combiner has no calibration
    EXPECT_FLOAT_EQ(comm.m_ChannelStatus[2].rssi, 0.0f);
    EXPECT_EQ(comm.ReadChannelStatus(3), 0);
    EXPECT_EQ(comm.ReadFrameSyncStatus(3), 0);
}

TEST(StatusReads, FailedChannelStatusDecodesWhatArrived) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    comm.m_ChannelStatus[0].symbolRate = 99;
    session.Answer(0x2100, ChannelReply(0xFF, 0x9C, 0xE0));
    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply, 20));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadChannelStatus(0), 0);
    EXPECT_EQ(comm.m_ChannelStatus[0].carrierLock, 1);  // byte 9 arrived
    EXPECT_EQ(comm.m_ChannelStatus[0].symbolRate, 0u);  // bytes 14 to 17 did not
}

TEST(StatusReads, FrameSyncStatusStoresLockStateThreeAsZero) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    Bytes reply(20, 0);
    reply[0] = 0x10 | 0x06;
    reply[1] = 0xF0 | 0x04;
    session.Answer(0x2104, reply);
    ASSERT_NE(comm.ReadFrameSyncStatus(2), 0);
    const auto& s = comm.m_ChannelStatus[2];
    EXPECT_EQ(s.frameLockEnabled, 1);
    EXPECT_EQ(s.frameLockState, 0);
    EXPECT_EQ(s.frameSyncEnabled, 1);
    EXPECT_EQ(s.frameSyncState, 2);
    EXPECT_EQ(s.frameSyncStatusBits[0] + s.frameSyncStatusBits[1] + s.frameSyncStatusBits[2], 3);
    reply[0] = 0x04;
    session.Answer(0x2104, reply);
    ASSERT_NE(comm.ReadFrameSyncStatus(2), 0);
    EXPECT_EQ(comm.m_ChannelStatus[2].frameLockState, 2);

    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadFrameSyncStatus(2), 0);
    EXPECT_EQ(comm.m_ChannelStatus[2].frameLockState, 2);  // unchanged
}

TEST(StatusReads, TimeStatusDecodesTheCodeAndGatesTheSecondFlag) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    Bytes reply(34, 0);
    reply[0] = 0x07;
    reply[9] = 0x80 | 26;  // bit 24 of the seconds
    reply[10] = 0x12;
    reply[11] = 0x34;
    reply[12] = 0x56;
    reply[13] = 0x3B;  // 999,999,999 ns
    reply[14] = 0x9A;
    reply[15] = 0xC9;
    reply[16] = 0xFF;
    reply[17] = 0xF6;
    reply[18] = 0xFE;
    reply[19] = 0x65;
    reply[20] = 0xE3;
    reply[21] = 0xD9;
    reply[22] = 0xA7;
    reply[23] = 0x21;
    reply[24] = 0x43;
    reply[25] = 0x65;
    session.Answer(0x2106, reply);
    comm.m_Identity.dsp2Version = 0x20190716;
    comm.m_Options.timeFlag2Available = 1;
    ASSERT_NE(comm.ReadTimeStatus(), 0);
    const auto& t = comm.m_TimeStatus;
    EXPECT_EQ(t.timeValid, 1);
    EXPECT_EQ(t.statusFlag1, 1);
    EXPECT_EQ(t.statusFlag2, 0);
    EXPECT_EQ(t.year, 26);
    EXPECT_EQ(t.secondsOfYear, 0x1123456u);
    EXPECT_EQ(t.nanoseconds, 999'999'999u);
    EXPECT_EQ(t.bcdYear, 6);
    EXPECT_EQ(t.bcdDays, 0x265);
    EXPECT_EQ(t.bcdHours, 0x23);
    EXPECT_EQ(t.bcdMinutes, 0x59);
    EXPECT_EQ(t.bcdSeconds, 0x27);
    EXPECT_EQ(std::vector<uint8_t>(t.bcdSubSeconds, t.bcdSubSeconds + 6),
              (Bytes{1, 2, 3, 4, 5, 6}));

    comm.m_Identity.dsp2Version = 0x20190717;
    ASSERT_NE(comm.ReadTimeStatus(), 0);
    EXPECT_EQ(comm.m_TimeStatus.statusFlag2, 1);
    comm.m_Options.timeFlag2Available = 0;
    ASSERT_NE(comm.ReadTimeStatus(), 0);
    EXPECT_EQ(comm.m_TimeStatus.statusFlag2, 0);

    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadTimeStatus(), 0);
    EXPECT_EQ(comm.m_TimeStatus.secondsOfYear, 0u);
    EXPECT_EQ(comm.m_TimeStatus.year, 0);
    EXPECT_EQ(comm.m_TimeStatus.timeValid, 0);
}

TEST(StatusReads, SimulatedChannelLocksAfterAcquisitionAndTimeFollowsTheClock) {
    DeviceSession session(sim::DefaultProfile(), true);
    CKV90T1_Comm& comm = session.Comm();
    session.Sim().Simulation().SetAcquisitionTime(150);
    comm.m_nOperationalMode = 3;
    protocol::ChannelSetup setup = comm.m_ChannelSetup[0];
    setup.tuningFrequency = 2'250'000'000;
    setup.bitRate = 5'000'000;
    setup.pcmCode = 0x40;
    setup.pskSubmode = 1;  // QPSK has a Q path
    setup.qBitRate = 1'000'000;
    ASSERT_NE(comm.SetChannelSetup(0, setup), 0);
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    EXPECT_EQ(comm.m_ChannelStatus[0].carrierLock, 0);
    session.Sim().Clock().Advance(149);
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    EXPECT_EQ(comm.m_ChannelStatus[0].carrierLock, 0);
    session.Sim().Clock().Advance(1);
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    const auto& s = comm.m_ChannelStatus[0];
    EXPECT_EQ(s.carrierLock, 1);
    EXPECT_EQ(s.symbolLock, 1);
    EXPECT_EQ(s.symbolUaLock, 1);
    EXPECT_EQ(s.symbolRate, 10'000'000u);
    EXPECT_EQ(s.symbolUaRate, 1'000'000u);
    EXPECT_LT(std::abs(s.carrierFrequency), 2000);
    EXPECT_GT(s.rssi, -70.0f);
    EXPECT_LT(s.rssi, -55.0f);

    setup.tuningFrequency = 3'000'000'000;  // outside every band
    ASSERT_NE(comm.SetChannelSetup(0, setup), 0);
    session.Sim().Clock().Advance(200);
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    EXPECT_EQ(comm.m_ChannelStatus[0].symbolLock, 0);
    EXPECT_LT(comm.m_ChannelStatus[0].rssi, -100.0f);

    session.Sim().Clock().Advance(3'600'000);  // an hour on the device's clock
    ASSERT_NE(comm.ReadTimeStatus(), 0);
    const std::time_t now = std::time(nullptr) + 3600;
    std::tm utc{};
    gmtime_r(&now, &utc);
    EXPECT_EQ(comm.m_TimeStatus.year, utc.tm_year - 100);
    const uint32_t expected =
        utc.tm_yday * 86400u + utc.tm_hour * 3600u + utc.tm_min * 60u + utc.tm_sec;
    EXPECT_LE(std::abs(int64_t(expected) - int64_t(comm.m_TimeStatus.secondsOfYear)), 2);
}

TEST(StatusReads, SimulatedFrameSyncSettlesLockedAndMissingPathsReportNothing) {
    DeviceSession session(*sim::FindProfile("if"), true);
    CKV90T1_Comm& comm = session.Comm();
    comm.m_nOperationalMode = 3;
    for (uint32_t path : {0u, 1u}) {
        protocol::ChannelSetup setup = comm.m_ChannelSetup[path];
        setup.tuningFrequency = 2'250'000'000;
        ASSERT_NE(comm.SetChannelSetup(path, setup), 0);
    }
    session.Sim().Clock().Advance(10'000);
    ASSERT_NE(comm.ReadFrameSyncStatus(0), 0);
    const auto& s = comm.m_ChannelStatus[0];
    EXPECT_EQ(s.frameSyncState, 2);  // locked: the green lamp
    EXPECT_EQ(s.frameSyncStatusBits[0] + s.frameSyncStatusBits[1] + s.frameSyncStatusBits[2], 0);
    EXPECT_EQ(s.frameLockState, 2);
    ASSERT_NE(comm.ReadChannelStatus(1), 0);  // this hardware has no channel 2
    EXPECT_EQ(comm.m_ChannelStatus[1].carrierLock, 0);
    EXPECT_EQ(comm.m_ChannelStatus[1].symbolRate, 0u);
    ASSERT_NE(comm.ReadChannelStatus(0), 0);
    EXPECT_EQ(comm.m_ChannelStatus[0].carrierLock, 1);
}

// The table's ranges: what the device can report is a reading, what it cannot is none, at both
// ends and for values no decode should pass on (NaN, the whole 32-bit span).
TEST(StatusFields, RangesMarkWhatTheDeviceCannotReport) {
    using protocol::FieldText;
    using protocol::InRange;
    using protocol::StatusFieldOf;
    protocol::ChannelStatus s;
    const auto& rssi = StatusFieldOf("rssi");
    for (auto [value, text] :
         {std::pair{-150.0f, "-150.0"}, std::pair{30.0f, "30.0"}, std::pair{-52.5f, "-52.5"},
          std::pair{-150.1f, ""}, std::pair{-2507.4f, ""}, std::pair{NAN, ""}}) {
        s.rssi = value;
        EXPECT_EQ(FieldText(rssi, s), text) << value;
        EXPECT_EQ(InRange(rssi, s), *text != '\0') << value;
    }
    s.symbolRate = 4'294'967'295u;
    EXPECT_EQ(FieldText(StatusFieldOf("symbolRate"), s), "");
    s.symbolRate = 100'000'000;
    EXPECT_EQ(FieldText(StatusFieldOf("symbolRate"), s), "100000000");
    s.carrierFrequency = -725'069'784;
    EXPECT_FALSE(InRange(StatusFieldOf("carrierFrequency"), s));
    s.carrierFrequency = -1'234'567;
    EXPECT_EQ(FieldText(StatusFieldOf("carrierFrequency"), s), "-1234567");
    s.fmModIndex = 255 / 100.0f;  // the largest the decode makes
    EXPECT_EQ(FieldText(StatusFieldOf("fmModIndex"), s), "2.55");
    s.frameLockState = 3;
    EXPECT_FALSE(InRange(StatusFieldOf("frameLockState"), s));
    EXPECT_THROW(StatusFieldOf("noSuchField"), std::invalid_argument);
}
