#include <gtest/gtest.h>

#include "tests/support/DeviceSession.h"

using protocol::ChannelSetup;
using testsupport::DeviceSession;

namespace {

sim::Profile CustomProfile(uint16_t id, std::vector<uint8_t> modes, bool ch1, bool ch2) {
    return {"custom", "", id, modes.front(), std::move(modes), ch1, ch2, 0};
}

bool AllZero(const auto& table) {
    const auto* first = &table[0][0];
    const auto* last = first + sizeof table / sizeof *first;
    return std::all_of(first, last, [](auto v) { return v == 0; });
}

}  // namespace

TEST(Configuration, ModeListArrivesReversedAndIsPutInOrder) {
    DeviceSession session(CustomProfile(1234, {6, 1, 3}, true, true));
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadOperationalMode(), 0);
    EXPECT_EQ(session.Sim().Device().ReceivedFrames().size(), 1u);
    const uint8_t expected[20] = {6, 1, 3};
    EXPECT_TRUE(std::equal(expected, expected + 20, comm.m_ModeList));
    EXPECT_EQ(comm.m_nOperationalMode, 6u);
    EXPECT_EQ(comm.m_Config.hardwareConfigurationId, 1234);
}

TEST(Configuration, FullSequenceFillsEveryTableAndOption) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadDeviceConfiguration(), 0);
    const auto& c = comm.m_Config;
    EXPECT_EQ(c.configurationRead, 1);
    EXPECT_EQ(c.bandLimits[0][1][0], 1'435'000'000ull);
    EXPECT_EQ(c.bandLimits[1][7][1], 6'425'000'000ull);
    EXPECT_EQ(c.ifBandwidth[2][31], 65'000'000u);
    EXPECT_EQ(c.videoFilter[1][5], 4'200'000u);
    EXPECT_EQ(c.videoFilterCount[0], 10u);
    EXPECT_EQ(c.amFilter[1][31], 65000);
    EXPECT_EQ(c.agcTimeConstant[0][7], 3000);
    EXPECT_FLOAT_EQ(c.rssiCalibration[1][2].gain, 0.9750f);
    EXPECT_FLOAT_EQ(c.rssiCalibration[0][0].offset, -105.0f);
    EXPECT_EQ(c.bitSyncTerminations[3], 10000);
    EXPECT_EQ(comm.m_SystemPages.networkUpdatePermitted, 1);
    EXPECT_EQ(comm.m_SystemPages.setupsCh3, 1);
    EXPECT_EQ(comm.m_SystemPages.setupsUseAtBoot, 0);
    EXPECT_EQ(comm.m_SystemPages.configurationMemory, 3);
    EXPECT_EQ(comm.m_Options.combinerInstalled, 1);
    const uint8_t psk[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(std::equal(psk, psk + 9, comm.m_Options.pskSubmodes));
    EXPECT_EQ(comm.m_Options.pcmFmSubmodes[1], 1);
    // 2 Mbit/s NRZ-L in PSK mode (submode SOQPSK-TG): 1.638 MHz picks the 2 MHz filter.
    EXPECT_EQ(comm.m_ChannelSetup[0].ifBandwidthIndex, 12);
    EXPECT_EQ(comm.m_ChannelSetup[1].videoFilterIndex, 6);
    EXPECT_EQ(comm.m_ChannelSetup[0].levelSetting, 50);
    EXPECT_EQ(comm.m_ChannelSetup[1].levelSetting, 40);
}

TEST(Configuration, TablesAreGatedByTheHardwareConfiguration) {
    struct Case {
        uint16_t id;
        bool ifTables, filterTables, rfTables;
    };
    for (const Case c : {Case{34, true, false, false}, Case{124, false, true, true},
                         Case{234, true, true, false}, Case{1234, true, true, true}}) {
        DeviceSession session(CustomProfile(c.id, {3}, true, true));
        ASSERT_NE(session.Comm().ReadDeviceConfiguration(), 0);
        const auto& config = session.Comm().m_Config;
        EXPECT_EQ(config.hardwareConfigurationId, c.id);
        EXPECT_EQ(!AllZero(config.ifBandwidth), c.ifTables) << c.id;
        EXPECT_EQ(!AllZero(config.videoFilter), c.filterTables) << c.id;
        EXPECT_EQ(!AllZero(config.amFilter), c.filterTables) << c.id;
        EXPECT_EQ(!AllZero(config.agcTimeConstant), c.filterTables) << c.id;
        EXPECT_EQ(config.videoFilterCount[0], c.filterTables ? 10u : 0u) << c.id;
        EXPECT_EQ(config.bandLimits[0][3][1] != 0, c.rfTables) << c.id;
        EXPECT_EQ(config.rssiCalibration[1][0].gain != 0, c.rfTables) << c.id;
    }
}

TEST(Configuration, NoChannelBitsMeansChannelOneAndClearsChannelTwoBands) {
    DeviceSession session(CustomProfile(1234, {3}, false, false));
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadDeviceConfiguration(), 0);
    EXPECT_EQ(comm.m_Options.channel1Installed, 1);
    EXPECT_EQ(comm.m_Options.channel2Installed, 0);
    EXPECT_EQ(comm.m_Options.combinerInstalled, 0);
    EXPECT_NE(comm.m_Config.bandLimits[0][3][1], 0u);
    EXPECT_TRUE(AllZero(comm.m_Config.bandLimits[1]));
}

TEST(Configuration, CombinerKindsNeedBothChannels) {
    sim::Profile kind2 = CustomProfile(1234, {3}, true, true);
    kind2.combinerKind = 2;
    DeviceSession session(kind2);
    ASSERT_NE(session.Comm().ReadInstalledOptions(), 0);
    EXPECT_EQ(session.Comm().m_Options.combinerInstalled, 2);

    sim::Profile single = CustomProfile(1234, {3}, true, false);
    single.combinerKind = 1;
    DeviceSession singleSession(single);
    ASSERT_NE(singleSession.Comm().ReadInstalledOptions(), 0);
    EXPECT_EQ(singleSession.Comm().m_Options.combinerInstalled, 0);
}

TEST(Configuration, LevelSettingsAreNinetyNineMinusTheClampedReplyBytes) {
    DeviceSession session;
    session.Answer(0x100A, {0, 120, 0, 30});
    ASSERT_NE(session.Comm().ReadDeviceConfiguration(), 0);
    EXPECT_EQ(session.Comm().m_ChannelSetup[0].levelSetting, 0);
    EXPECT_EQ(session.Comm().m_ChannelSetup[1].levelSetting, 69);
}

TEST(Configuration, FirstFailureSkipsLaterReadsButValuesAreStillDerived) {
    DeviceSession session;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x2009;
    fault.firstPayloadByte = 9;
    session.Sim().Device().InjectFault(fault);
    CKV90T1_Comm& comm = session.Comm();
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadDeviceConfiguration(), 0);
    EXPECT_EQ(session.CountReceived(0x2009), 7);  // pages 2, 3, 4, 5, 6, 7, then 9 failed
    EXPECT_EQ(session.LastPayload(0x2009), std::vector<uint8_t>{9});
    EXPECT_EQ(session.CountReceived(0x100A), 0);
    EXPECT_EQ(session.CountReceived(0x1008), 0);
    EXPECT_EQ(comm.m_Config.configurationRead, 1);
    EXPECT_NE(comm.m_Config.bandLimits[0][1][0], 0u);  // page 7 was read
    EXPECT_TRUE(AllZero(comm.m_Config.ifBandwidth));
    // No IF table: every record picks the last entry; the mode defaults ran (PSK, 2 Mbit/s).
    EXPECT_EQ(comm.m_ChannelSetup[2].ifBandwidthIndex, 31);
    EXPECT_EQ(comm.m_ChannelSetup[0].loopBandwidth, 100);
    EXPECT_EQ(comm.m_ChannelSetup[0].acquisitionRange, 200'000u);
}

class ModeDefaults : public ::testing::Test {
protected:
    // Applies the defaults of `mode` to channel 1 with the given rates and returns its record.
    ChannelSetup Apply(uint32_t mode, uint32_t bitRate, uint32_t pcmCode = 0,
                       uint32_t qBitRate = 2'000'000) {
        ChannelSetup& r = m_comm.m_ChannelSetup[0];
        r.bitRate = bitRate;
        r.pcmCode = pcmCode;
        r.qBitRate = qBitRate;
        r.acquisitionRange = 1;
        r.loopBandwidth = r.carrierLoopBandwidth = r.qLoopBandwidth = 1;
        m_comm.m_nOperationalMode = mode;
        m_comm.ApplyModeDefaults();
        return r;
    }

    CKV90T1_Comm m_comm{nullptr};
};

TEST_F(ModeDefaults, TrackingModesFollowTheSymbolRate) {
    for (uint32_t mode : {1u, 2u, 3u, 8u, 9u, 10u, 12u, 13u, 14u}) {
        ChannelSetup r = Apply(mode, 49'999);
        EXPECT_EQ(r.acquisitionRange, 24'999u) << mode;
        EXPECT_EQ(r.loopBandwidth, 200) << mode;
        EXPECT_EQ(r.carrierLoopBandwidth, 200) << mode;
        r = Apply(mode, 50'000);
        EXPECT_EQ(r.acquisitionRange, 25'000u) << mode;
        EXPECT_EQ(r.loopBandwidth, 100) << mode;
        EXPECT_EQ(r.carrierLoopBandwidth, 100) << mode;
        r = Apply(mode, 4'999'999);
        EXPECT_EQ(r.acquisitionRange, 200'000u) << mode;
        r = Apply(mode, 5'000'000);
        EXPECT_EQ(r.acquisitionRange, 200'000u) << mode;
        EXPECT_EQ(r.loopBandwidth, 50) << mode;
        EXPECT_EQ(r.carrierLoopBandwidth, 50) << mode;
    }
    EXPECT_EQ(Apply(3, 1'000'000).acquisitionRange, 200'000u);
    const ChannelSetup biPhase = Apply(3, 1'000'000, 0x40);
    EXPECT_EQ(biPhase.acquisitionRange, 200'000u);
    EXPECT_EQ(biPhase.loopBandwidth, 100);
    EXPECT_EQ(biPhase.carrierLoopBandwidth, 100);
    // 2,500,000 bi-phase is a symbol rate of 5,000,000.
    EXPECT_EQ(Apply(3, 2'500'000, 0x40).loopBandwidth, 50);
    EXPECT_EQ(Apply(3, 30'000, 0x40).loopBandwidth, 100);
    EXPECT_EQ(Apply(3, 1'000'000, 0, 49'999).qLoopBandwidth, 200);
    EXPECT_EQ(Apply(3, 1'000'000, 0, 50'000).qLoopBandwidth, 100);
    EXPECT_EQ(Apply(3, 1'000'000, 0, 5'000'000).qLoopBandwidth, 50);
}

TEST_F(ModeDefaults, PcmFmAndMultiHModesHaveTheirOwnRows) {
    ChannelSetup r = Apply(4, 10'000);
    EXPECT_EQ(r.acquisitionRange, 100'000u);
    EXPECT_EQ(r.loopBandwidth, 200);
    EXPECT_EQ(r.carrierLoopBandwidth, 500);
    EXPECT_EQ(r.qLoopBandwidth, 100);
    r = Apply(4, 300'000);
    EXPECT_EQ(r.acquisitionRange, 150'000u);
    EXPECT_EQ(r.loopBandwidth, 100);
    r = Apply(4, 5'000'000);
    EXPECT_EQ(r.acquisitionRange, 500'000u);
    EXPECT_EQ(r.loopBandwidth, 50);

    r = Apply(6, 10'000);
    EXPECT_EQ(r.acquisitionRange, 100'000u);
    EXPECT_EQ(r.loopBandwidth, 100);
    EXPECT_EQ(r.carrierLoopBandwidth, 5);
    EXPECT_EQ(r.qLoopBandwidth, 50);
    r = Apply(6, 1'000'000);
    EXPECT_EQ(r.acquisitionRange, 200'000u);
    EXPECT_EQ(r.loopBandwidth, 50);
    r = Apply(6, 6'000'000);
    EXPECT_EQ(r.acquisitionRange, 500'000u);
    EXPECT_EQ(r.loopBandwidth, 10);
}

TEST_F(ModeDefaults, OtherModesChangeNothing) {
    for (uint32_t mode : {0u, 5u, 7u, 11u, 15u}) {
        const ChannelSetup r = Apply(mode, 10'000);
        EXPECT_EQ(r.acquisitionRange, 1u) << mode;
        EXPECT_EQ(r.loopBandwidth, 1) << mode;
        EXPECT_EQ(r.carrierLoopBandwidth, 1) << mode;
    }
}
