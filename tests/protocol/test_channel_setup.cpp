#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/support/DeviceSession.h"

using protocol::ChannelSetup;
using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

// Every field set to a value of its own, all inside every family's ranges.
ChannelSetup DistinctRecord() {
    ChannelSetup r;
    r.inputSelect = 2;
    r.tuningFrequency = 0x123456789A;
    r.bandIndex = 7;
    r.ifBandwidthIndex = 21;
    r.assistedAcquisition = 1;
    r.videoFilterIndex = 9;
    r.deEmphasis = 2;
    r.ssfmInvert = 1;
    r.agcTimeConstantIndex = 5;
    r.agcFreeze = 1;
    r.agcZero = 0;
    r.firstAgcMode = 1;
    r.secondAgcMode = 1;
    r.amFilterIndex = 17;
    r.amInvert = 1;
    r.levelSettingEnable = 1;
    r.levelSetting = 66;
    r.bitRate = 12'345'678;
    r.pcmCode = 0x45;
    r.inputInverted = 1;
    r.codeRateSelector = 2;
    r.loopBandwidth = 77;
    r.qBitRate = 9'999'999;
    r.qPcmCode = 0x23;
    r.qInputInverted = 1;
    r.qCodeRateSelector = 3;
    r.qLoopBandwidth = 88;
    r.pskSubmode = 6;
    r.pcmFmSubmode = 0;
    r.ifFrequency = 80'000'000;
    r.carrierLoopBandwidth = 222;
    r.acquisitionRange = 123'456;
    r.submodeOption = 1;
    r.matchedFilter = 1;
    r.srrcBeta = 35;
    r.pskSettingByte = 150;
    r.maxModIndex = 99;
    r.minModIndex = 21;
    r.startModIndex = 55;
    r.modIndexTracking = 1;
    r.modulationWord = 0x5A5;
    r.basebandInput = 3;
    r.singleEndedTermination = 2;
    r.differentialTermination = 1;
    return r;
}

// The common bytes 0 to 21 of DistinctRecord on path 1.
Bytes CommonBytes(uint8_t byte9, uint8_t byte10) {
    return {0x01, 0x02, 0x07, 0x12, 0x34, 0x56, 0x78, 0x9A, 0x95, byte9, byte10,
            0x91, 0x6D, 0xC2, 0x00, 0x00, 0xBC, 0x61, 0x4E, 0xC5, 0x02,  0x4D};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ChannelSetupTest : public ::testing::Test {
protected:
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    ChannelSetup& Record(int path) { return Comm().m_ChannelSetup[path]; }
    // Sets the mode without a transaction, as a mode read would.
    void Mode(uint32_t mode) { Comm().m_nOperationalMode = mode; }
    Bytes SentSetup(uint16_t code) { return m_session.LastPayload(code); }

    DeviceSession m_session;
};

}  // namespace

TEST_F(ChannelSetupTest, PskRequestCarriesEveryFieldInPlace) {
    Mode(3);
    ASSERT_NE(Comm().SetChannelSetup(1, DistinctRecord()), 0);
    const Bytes expected =
        Concat(CommonBytes(0x09, 0x00),
               {0x00, 0x00, 0x98, 0x96, 0x7F, 0xA3, 0x03, 0x58, 0x00, 0xA6, 0x23,
                0xDE, 0x96, 0x04, 0xC4, 0xB4, 0x00, 0x00, 0x01, 0xE2, 0x40, 0x00});
    EXPECT_EQ(SentSetup(0x1100), expected);
    // The reply's applied values: no band holds 78 GHz.
    EXPECT_EQ(Record(1).bandIndex, 0u);
    EXPECT_EQ(Record(1).bitRate, 12'345'678u);
    EXPECT_EQ(Record(1).qBitRate, 9'999'999u);
    EXPECT_EQ(Record(1).ifFrequency, 80'000'000u);
}

TEST_F(ChannelSetupTest, PcmFmRequestCarriesEveryFieldInPlace) {
    Mode(4);
    ASSERT_NE(Comm().SetChannelSetup(1, DistinctRecord()), 0);
    const Bytes expected =
        Concat(CommonBytes(0x09, 0x06), {0x00, 0x20, 0x00, 0xDE, 0x04, 0xC4, 0xB4, 0x00, 0x00, 0x01,
                                         0xE2, 0x40, 0x00, 0x15, 0x63, 0x37, 0x85, 0xA5});
    EXPECT_EQ(SentSetup(0x1200), expected);
}

TEST_F(ChannelSetupTest, MultiHRequestZeroesTheVideoFieldsAndCarriesFifteenWordBits) {
    Mode(6);
    ChannelSetup r = DistinctRecord();
    r.modulationWord = 0x5A5A;
    ASSERT_NE(Comm().SetChannelSetup(1, r), 0);
    const Bytes expected =
        Concat(CommonBytes(0x00, 0x00), {0x00, 0x20, 0x00, 0xDE, 0x04, 0xC4, 0xB4, 0x00, 0x00, 0x01,
                                         0xE2, 0x40, 0x00, 0x00, 0x00, 0x00, 0x5A, 0x5A});
    EXPECT_EQ(SentSetup(0x1300), expected);
    EXPECT_EQ(Record(1).videoFilterIndex, 0);
    EXPECT_EQ(Record(1).deEmphasis, 0u);
}

TEST_F(ChannelSetupTest, BitSyncRequestCarriesEveryFieldInPlace) {
    Mode(1);
    ASSERT_NE(Comm().SetChannelSetup(1, DistinctRecord()), 0);
    EXPECT_EQ(SentSetup(0x1400), (Bytes{0x01, 0x00, 0x00, 0x95, 0x00, 0xBC, 0x61, 0x4E, 0xC5, 0x02,
                                        0x4D, 0xDC, 0x23, 0x00}));
    EXPECT_EQ(Record(1).bandIndex, 0u);
    EXPECT_EQ(Record(1).ifFrequency, 0u);
}

TEST_F(ChannelSetupTest, GmskForcesItsModulationIndices) {
    Mode(4);
    ChannelSetup r = DistinctRecord();
    r.pcmFmSubmode = 1;
    ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
    const Bytes sent = SentSetup(0x1200);
    EXPECT_EQ(sent[23], 0x21);
    EXPECT_EQ(Bytes(sent.begin() + 35, sent.begin() + 39), (Bytes{19, 29, 24, 0x05}));
    EXPECT_EQ(Record(0).modIndexTracking, 0u);
}

TEST_F(ChannelSetupTest, ReadBackDecodesWhatWasSentInEveryFamily) {
    for (uint32_t mode : {3u, 4u, 6u, 1u}) {
        Mode(mode);
        ChannelSetup r = DistinctRecord();
        r.tuningFrequency = 2'250'500'000;
        ASSERT_NE(Comm().SetChannelSetup(1, r), 0) << mode;
        const ChannelSetup afterSend = Record(1);
        Record(1) = ChannelSetup{};
        ASSERT_NE(Comm().ReadChannelSetup(1), 0) << mode;
        const ChannelSetup& back = Record(1);
        EXPECT_EQ(back.ifBandwidthIndex, 21) << mode;
        EXPECT_EQ(back.bitRate, 12'345'678u) << mode;
        EXPECT_EQ(back.pcmCode, 0x45u) << mode;
        EXPECT_EQ(back.inputInverted, 1u) << mode;
        EXPECT_EQ(back.loopBandwidth, 77) << mode;
        if (mode == 1) {
            EXPECT_EQ(back.singleEndedTermination, 2u);
            EXPECT_EQ(back.basebandInput, 3u);
            EXPECT_EQ(back.differentialTermination, 1u);
            EXPECT_EQ(back.matchedFilter, 1u);
            EXPECT_EQ(back.srrcBeta, 35);
            continue;
        }
        EXPECT_EQ(back.tuningFrequency, 2'250'500'000u) << mode;
        EXPECT_EQ(back.bandIndex, 3u) << mode;  // 2185 to 2300 MHz
        EXPECT_EQ(back.bandIndex, afterSend.bandIndex) << mode;
        EXPECT_EQ(back.inputSelect, 2u) << mode;
        EXPECT_EQ(back.amFilterIndex, 17) << mode;
        EXPECT_EQ(back.agcTimeConstantIndex, 5u) << mode;
        EXPECT_EQ(back.agcFreeze, 1u) << mode;
        EXPECT_EQ(back.secondAgcMode, 1u) << mode;
        EXPECT_EQ(back.levelSetting, 66) << mode;
        EXPECT_EQ(back.levelSettingEnable, 1u) << mode;
        EXPECT_EQ(back.ifFrequency, 80'000'000u) << mode;
        EXPECT_EQ(back.acquisitionRange, 123'456u) << mode;
        EXPECT_EQ(back.submodeOption, 1u) << mode;
    }
}

TEST_F(ChannelSetupTest, ReadBackMasksAndFamilyRules) {
    Bytes psk(44, 0xFF);
    psk[0] = 1;
    m_session.Answer(0x4100, psk);
    Mode(3);
    Record(1).modulationWord = 77;
    Record(1).deEmphasis = 2;
    ASSERT_NE(Comm().ReadChannelSetup(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x4100), Bytes{1});
    const ChannelSetup& r = Record(1);
    EXPECT_EQ(r.inputSelect, 3u);
    EXPECT_EQ(r.bandIndex, 0u);  // 15 is no band
    EXPECT_EQ(r.tuningFrequency, 0xFFFFFFFFFFull);
    EXPECT_EQ(r.ifBandwidthIndex, 31);
    EXPECT_EQ(r.videoFilterIndex, 31);
    EXPECT_EQ(r.amFilterIndex, 63);
    EXPECT_EQ(r.secondAgcMode, 3u);
    EXPECT_EQ(r.levelSetting, 127);
    EXPECT_EQ(r.pskSubmode, 15u);
    EXPECT_EQ(r.carrierLoopBandwidth, 255);
    EXPECT_EQ(r.modulationWord, 0);
    EXPECT_EQ(r.deEmphasis, 0u);
    // Indices beyond the tables look up nothing.
    EXPECT_EQ(Comm().m_Config.VideoFilterAt(1, r.videoFilterIndex), 0u);
    EXPECT_EQ(Comm().m_Config.AmFilterAt(1, r.amFilterIndex), 0);
    EXPECT_EQ(Comm().m_Config.RssiCalibrationAt(1, 15).gain, 0.0f);

    Bytes mhcpm(41, 0xFF);
    m_session.Answer(0x4300, mhcpm);
    Mode(6);
    ASSERT_NE(Comm().ReadChannelSetup(0), 0);
    EXPECT_EQ(Record(0).modulationWord, 0x7FFF);
    EXPECT_EQ(Record(0).maxModIndex, 44);
    EXPECT_EQ(Record(0).minModIndex, 24);
    EXPECT_EQ(Record(0).startModIndex, 34);
    EXPECT_EQ(Record(0).modIndexTracking, 0u);
    EXPECT_EQ(Record(0).pcmFmSubmode, 0u);

    m_session.Answer(0x4200, mhcpm);
    Mode(2);
    ASSERT_NE(Comm().ReadChannelSetup(0), 0);
    EXPECT_EQ(Record(0).modulationWord, 0x7FF);
    EXPECT_EQ(Record(0).pcmFmSubmode, 15u);
    EXPECT_EQ(Record(0).deEmphasis, 3u);
    EXPECT_EQ(Record(0).ssfmInvert, 1u);
    EXPECT_EQ(Record(0).carrierLoopBandwidth, 0xFFFF);
}

TEST_F(ChannelSetupTest, ReadBackWithoutAFamilyNeedsNoTransaction) {
    for (uint32_t mode : {0u, 5u, 7u, 15u}) {
        Mode(mode);
        EXPECT_EQ(Comm().ReadChannelSetup(0), 1) << mode;
    }
    EXPECT_EQ(Comm().ReadChannelSetup(3), 0);
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
}

TEST_F(ChannelSetupTest, TapeModeReadsTheConverterBack) {
    Mode(11);
    ASSERT_NE(Comm().ReadChannelSetup(2), 0);
    EXPECT_EQ(m_session.LastPayload(0x4600), Bytes{2});
    EXPECT_EQ(Comm().m_Tape[2].upConverter, 1);
    EXPECT_EQ(Comm().m_Tape[2].bandwidthPercent, 50);
    EXPECT_EQ(Comm().m_Tape[2].inputFrequency, 70'000'000u);
}

TEST_F(ChannelSetupTest, FreezeAndZeroExcludeEachOther) {
    Mode(3);
    ChannelSetup both = Record(0);
    both.agcFreeze = both.agcZero = 1;
    ASSERT_NE(Comm().SetChannelSetup(0, both), 0);
    EXPECT_EQ(Record(0).agcZero, 1u);
    EXPECT_EQ(Record(0).agcFreeze, 0u);
    EXPECT_EQ(SentSetup(0x1100)[12] & 0x18, 0x10);

    Record(0).agcZero = 0;
    Record(0).agcFreeze = 1;
    ASSERT_NE(Comm().SetChannelSetup(0, both), 0);
    EXPECT_EQ(Record(0).agcFreeze, 1u);
    EXPECT_EQ(Record(0).agcZero, 0u);
    EXPECT_EQ(SentSetup(0x1100)[12] & 0x18, 0x08);
}

TEST_F(ChannelSetupTest, ModesWithoutASetupFamilyStoreWithoutSending) {
    for (uint32_t mode : {7u, 11u, 0u}) {
        Mode(mode);
        ChannelSetup r = Record(0);
        r.bitRate = 1234 + mode;
        EXPECT_EQ(Comm().SetChannelSetup(0, r), 0) << mode;
        EXPECT_EQ(Record(0).bitRate, 1234 + mode);
    }
    EXPECT_EQ(Comm().SetChannelSetup(3, Record(0)), 0);
    EXPECT_TRUE(m_session.Sim().Device().ReceivedFrames().empty());
}

TEST_F(ChannelSetupTest, BitRateFloorsAndCaps) {
    struct Case {
        uint32_t mode;
        uint16_t code;
        size_t offset;
        uint32_t bitRate, pcmCode, sent;
    };
    for (const Case c :
         {Case{3, 0x1100, 15, 700, 0x40, 700}, Case{3, 0x1100, 15, 400, 0x40, 500},
          Case{4, 0x1200, 15, 900, 0, 1000}, Case{6, 0x1300, 15, 70'000'000, 0, 60'000'000},
          Case{1, 0x1400, 4, 70'000'000, 0, 30'000'000}, Case{1, 0x1400, 4, 999, 0, 1000}}) {
        Mode(c.mode);
        ChannelSetup r = Record(0);
        r.bitRate = c.bitRate;
        r.pcmCode = c.pcmCode;
        ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
        const Bytes sent = SentSetup(c.code);
        EXPECT_EQ(uint32_t(sent[c.offset]) << 24 | sent[c.offset + 1] << 16 |
                      sent[c.offset + 2] << 8 | sent[c.offset + 3],
                  c.sent)
            << c.bitRate;
        EXPECT_EQ(Record(0).bitRate, c.sent) << c.bitRate;
    }
    Mode(3);
    ChannelSetup q = Record(0);
    q.qBitRate = 400;
    q.qPcmCode = 0x40;
    ASSERT_NE(Comm().SetChannelSetup(0, q), 0);
    EXPECT_EQ(SentSetup(0x1100)[26], 500 & 0xFF);
    EXPECT_EQ(Record(0).qBitRate, 500u);
}

TEST_F(ChannelSetupTest, IfBandwidthIndexFortyIsSentAndStoredAsThirtyOne) {
    for (const auto& [mode, code, offset] :
         {std::tuple{3u, 0x1100, 8}, {4u, 0x1200, 8}, {6u, 0x1300, 8}, {1u, 0x1400, 3}}) {
        Mode(mode);
        ChannelSetup r = Record(0);
        r.ifBandwidthIndex = 40;
        r.assistedAcquisition = 0;
        ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
        EXPECT_EQ(SentSetup(static_cast<uint16_t>(code))[offset], 31) << mode;
        EXPECT_EQ(Record(0).ifBandwidthIndex, 31) << mode;
    }
}

TEST_F(ChannelSetupTest, RangeRulesCorrectTheStoredRecord) {
    Mode(3);
    ChannelSetup r = Record(0);
    r.inputSelect = 5;
    r.bandIndex = 12;
    r.firstAgcMode = 7;
    r.amInvert = 2;
    r.agcTimeConstantIndex = 9;
    r.levelSetting = 120;
    r.carrierLoopBandwidth = 2;
    r.acquisitionRange = 900'000;
    r.srrcBeta = 200;
    r.pskSettingByte = 200;
    r.pskSubmode = 12;
    r.ifFrequency = 150'000'000;
    r.deEmphasis = 9;  // the PSK family leaves it
    ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
    const Bytes sent = SentSetup(0x1100);
    EXPECT_EQ(sent[1], 0);
    EXPECT_EQ(sent[12], 0x00);  // first AGC-mode flag 7: sent as 0
    EXPECT_EQ(sent[13], 99);
    EXPECT_EQ(sent[33], 5);
    EXPECT_EQ(sent[32], 100);
    EXPECT_EQ(sent[34], 157);
    EXPECT_EQ(sent[31], 0);
    const ChannelSetup& s = Record(0);
    EXPECT_EQ(s.firstAgcMode, 1u);  // and kept as 1
    EXPECT_EQ(s.amInvert, 0u);
    EXPECT_EQ(s.acquisitionRange, 400'000u);
    EXPECT_EQ(s.ifFrequency, 100'000'000u);
    EXPECT_EQ(s.deEmphasis, 9u);

    Mode(4);
    r = Record(0);
    r.acquisitionRange = 10;
    r.carrierLoopBandwidth = 9000;
    r.deEmphasis = 4;
    ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
    EXPECT_EQ(Record(0).acquisitionRange, 1000u);
    EXPECT_EQ(Record(0).carrierLoopBandwidth, 5000);
    EXPECT_EQ(Record(0).deEmphasis, 0u);
}

TEST_F(ChannelSetupTest, TuningFrequencyIsSentInFiveBytes) {
    Mode(3);
    ASSERT_NE(Comm().SetChannelSetup(0, Record(0)), 0);
    Bytes sent = SentSetup(0x1100);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 8), (Bytes{0x00, 0x89, 0x17, 0x37, 0x00}));
    ChannelSetup r = Record(0);
    r.tuningFrequency = 2'250'500'000;
    ASSERT_NE(Comm().SetChannelSetup(0, r), 0);
    sent = SentSetup(0x1100);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 8), (Bytes{0x00, 0x86, 0x23, 0xE7, 0xA0}));
}

TEST_F(ChannelSetupTest, ModeCommandRefusesHighModesAndStoresEvenWhenUnanswered) {
    EXPECT_EQ(Comm().SetOperationalMode(15, 0), 0);
    EXPECT_EQ(m_session.CountReceived(0x1000), 0);

    ASSERT_NE(Comm().SetOperationalMode(6, 1), 0);
    EXPECT_EQ(m_session.LastPayload(0x1000), Bytes{0x86});
    EXPECT_EQ(m_session.Sim().Simulation().Mode(), 6);
    EXPECT_EQ(Comm().m_bModeOption, 1);
    EXPECT_EQ(Record(2).carrierLoopBandwidth, 5);  // mode 6 defaults ran

    m_session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    Comm().m_nModeTimeout = 300;
    const uint32_t start = platform::ProcessClockMs();
    EXPECT_EQ(Comm().SetOperationalMode(4, 0), 0);
    EXPECT_GE(platform::ProcessClockMs() - start, 300u);
    EXPECT_EQ(Comm().m_nOperationalMode, 4u);
    EXPECT_EQ(Comm().m_bModeOption, 0);
}

TEST_F(ChannelSetupTest, ModeCommandWaitsForThePersonalityToLoad) {
    m_session.Sim().Simulation().SetPersonalityLoadTime(400);
    const uint32_t start = platform::ProcessClockMs();
    ASSERT_NE(Comm().SetOperationalMode(2, 0), 0);
    EXPECT_GE(platform::ProcessClockMs() - start, 390u);
}

TEST_F(ChannelSetupTest, SettersRefuseOutOfRangeValuesAndSendTheWholeRecord) {
    Mode(3);
    EXPECT_EQ(Comm().SetChannelInputSelect(2, 1), 0);
    EXPECT_EQ(Comm().SetChannelInputSelect(0, 3), 0);
    EXPECT_EQ(Comm().SetChannelIfBandwidth(0, 32), 0);
    EXPECT_EQ(Comm().SetChannelVideoFilter(0, 16), 0);
    EXPECT_EQ(Comm().SetChannelAmFilter(2, 3), 0);
    EXPECT_EQ(Comm().SetChannelMaxModIndex(0, 40), 0);  // mode 4 only
    EXPECT_EQ(Comm().SetChannelCarrierLoopBandwidth(0, 4), 0);
    EXPECT_EQ(Comm().SetChannelCarrierLoopBandwidth(0, 256), 0);
    EXPECT_EQ(m_session.CountReceived(0x1100), 0);

    ASSERT_NE(Comm().SetChannelPskSubmode(2, 8), 0);
    EXPECT_EQ(SentSetup(0x1100)[0], 2);
    EXPECT_EQ(SentSetup(0x1100)[31], 8);
    ASSERT_NE(Comm().SetChannelLoopBandwidth(0, 2), 0);
    EXPECT_EQ(Record(0).loopBandwidth, 5);
    ASSERT_NE(Comm().SetChannelQLoopBandwidth(0, 1), 0);
    EXPECT_EQ(Record(0).qLoopBandwidth, 5);
    ASSERT_NE(Comm().SetChannelPcmCode(0, 0xC3), 0);
    EXPECT_EQ(Record(0).inputInverted, 1u);
    EXPECT_EQ(SentSetup(0x1100)[19], 0xC3);

    Mode(6);
    EXPECT_EQ(Comm().SetChannelPskSubmode(0, 1), 0);
    EXPECT_EQ(Comm().SetChannelQPcmCode(0, 1), 0);
    EXPECT_EQ(Comm().SetChannelCarrierLoopBandwidth(0, 0), 0);
    ASSERT_NE(Comm().SetChannelCarrierLoopBandwidth(0, 1000), 0);
    ASSERT_NE(Comm().SetChannelLoopBandwidth(0, 150), 0);
    EXPECT_EQ(Record(0).loopBandwidth, 100);

    Mode(4);
    EXPECT_EQ(Comm().SetChannelCarrierLoopBandwidth(0, 5001), 0);
    ASSERT_NE(Comm().SetChannelCarrierLoopBandwidth(0, 5000), 0);
    ASSERT_NE(Comm().SetChannelStartModIndex(1, 40), 0);
    EXPECT_EQ(SentSetup(0x1200)[37], 40);
    ASSERT_NE(Comm().SetChannelPcmFmSubmode(1, 1), 0);
    EXPECT_EQ(Record(1).startModIndex, 24);
    ASSERT_NE(Comm().SetChannelDeEmphasis(1, 4, 7), 0);
    EXPECT_EQ(SentSetup(0x1200)[10] & 3, 0);
    EXPECT_EQ(Record(1).videoFilterIndex, 7);

    Mode(7);
    EXPECT_EQ(Comm().SetChannelCarrierLoopBandwidth(0, 60000), 0);  // stored, nothing to send
    EXPECT_EQ(Record(0).carrierLoopBandwidth, 60000);
}

TEST(BandwidthEstimates, IfAndVideoEstimates) {
    CKV90T1_Comm comm(nullptr);
    comm.m_nOperationalMode = 3;
    comm.EstimateIfBandwidth(0, 0, 0, 1, 1'000'000, 0, 44, 34, 1.0f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[0].ifBandwidth, 1'312'500.0f);
    EXPECT_EQ(comm.m_nCombinerSignalBandwidth, 1'312'500u);
    comm.EstimateIfBandwidth(1, 1, 0x40, 0, 1'000'000, 0, 44, 34, 5.0f);  // factor capped at 2
    EXPECT_FLOAT_EQ(comm.m_Estimates[1].ifBandwidth, 2 * 2 * 2.5f * 1e6f * 2 * 1.05f);
    EXPECT_EQ(comm.m_nCombinerSignalBandwidth, 1'312'500u);

    comm.m_nOperationalMode = 9;
    comm.EstimateIfBandwidth(2, 2, 0, 4, 300'000, 0, 0, 0, 0.01f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[2].ifBandwidth, 1.5625f * 4 / 3 * 300'000 * 0.1f * 1.05f);

    comm.m_nOperationalMode = 4;
    comm.EstimateIfBandwidth(0, 0, 0, 0, 1'000'000, 1, 99, 10, 1.0f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[0].ifBandwidth, 2.0f * 1e6f * 1.05f);
    comm.EstimateIfBandwidth(0, 0, 0, 0, 1'000'000, 0, 99, 10, 1.0f);  // 1.11 raised to 1.35
    EXPECT_FLOAT_EQ(comm.m_Estimates[0].ifBandwidth, 1.35f * 1e6f * 1.05f);

    comm.EstimateIfBandwidth(3, 0, 0, 0, 1, 0, 0, 0, 1.0f);
    comm.EstimateVideoBandwidth(0, 1, 0, 0, 1.0f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[0].videoBandwidth, 4'200'000.0f);
    comm.EstimateVideoBandwidth(1, 3, 0x40, 1'000'000, 0.7f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[1].videoBandwidth, 1'400'000.0f);
    comm.EstimateVideoBandwidth(1, 4, 0, 1'000'000, 0.7f);
    EXPECT_FLOAT_EQ(comm.m_Estimates[1].videoBandwidth, 0.0f);
}

// A bit rate read back as 0xFFFFFFFF gives an estimate beyond 32 bits; the combiner's signal
// bandwidth is limited to its field (under UBSan the unlimited conversion is an error).
TEST(BandwidthEstimates, AnEstimateBeyondItsFieldIsLimited) {
    CKV90T1_Comm comm(nullptr);
    comm.m_nOperationalMode = 3;
    comm.EstimateIfBandwidth(0, 1, 0x40, 0, 0xFFFFFFFFu, 0, 0, 0, 2.0f);
    EXPECT_GT(comm.m_Estimates[0].ifBandwidth, 4.3e9f);
    EXPECT_EQ(comm.m_nCombinerSignalBandwidth, 4'294'967'040u);
    comm.EstimateIfBandwidth(0, 0, 0, 4, 0xFFFFFFFFu, 0, 0, 0, 0.5f);  // 0.53 of it still fits
    EXPECT_EQ(comm.m_nCombinerSignalBandwidth,
              static_cast<uint32_t>(1.05f * 0.5f * 4294967295.0f + 0.5f));
}

// Each protocol object holds the records of its own device, so that one process can talk to
// several receivers.
TEST(ChannelSetupRecords, EachProtocolObjectHasItsOwnFromTheirDefaults) {
    CKV90T1_Comm first(nullptr);
    first.m_ChannelSetup[1].bitRate = 123;
    first.m_ChannelSetup[2].pskSubmode = 8;
    CKV90T1_Comm second(nullptr);
    EXPECT_EQ(second.m_ChannelSetup[1].bitRate, ChannelSetup{}.bitRate);
    EXPECT_EQ(second.m_ChannelSetup[2].pskSubmode, ChannelSetup{}.pskSubmode);
    EXPECT_EQ(first.m_ChannelSetup[1].bitRate, 123u);
}
