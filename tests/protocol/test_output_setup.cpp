#include <gtest/gtest.h>

#include "tests/support/DeviceSession.h"

using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

namespace {

class OutputSetupTest : public ::testing::Test {
protected:
    CKV90T1_Comm& Comm() { return m_session.Comm(); }
    void Mode(uint32_t mode) { Comm().m_nOperationalMode = mode; }
    // Every output field distinct and in range.
    void FillDistinct(uint32_t path) {
        auto& o = Comm().m_OutputSetup[path];
        o.outputSetupFlag = 1;
        o.parameter[0] = -100;
        o.parameter[1] = 11;
        o.parameter[2] = -3;
        o.parameter[3] = 44;
        o.parameter[4] = 55;
        o.word1 = 0x2ABC;
        o.word2 = 0x1DEF;
    }
    int32_t SetDistinctData(uint32_t path) {
        auto& d = Comm().m_OutputData[path];
        d.inverted = 1;
        d.clockPhase = 2;
        d.qInverted = 1;
        d.qClockPhase = 3;
        d.qFlag[0] = 1;
        return Comm().SetOutputDataSetup(path, 1, 1, 0, 1, 5, 0x45, 0x23, 7, 2, 1, 0, 1, 1, 0, 1,
                                         1);
    }
    DeviceSession m_session;
};

}  // namespace

TEST_F(OutputSetupTest, OutputRequestsOfEveryFamily) {
    Mode(3);
    FillDistinct(1);
    ASSERT_NE(Comm().SendPskOutputSetup(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x1101), (Bytes{0x81, 0x9C, 0x0B, 0xFD, 0x2C, 0x37, 0x2A, 0xBC,
                                                    0x1D, 0xEF, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_NE(Comm().SendPcmFmOutputSetup(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x1201), (Bytes{0x81, 0x9C, 0x0B, 0xFD, 0x2C, 0x37, 0x2A, 0xBC,
                                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_NE(Comm().SendMhcpmOutputSetup(7), 0);  // another path: path 0's values as path 0
    EXPECT_EQ(m_session.LastPayload(0x1301)[0], 0x00);
    Comm().m_OutputData[1].firstFlag = 1;
    Comm().m_OutputData[1].enhancedAcquisition = 1;
    Comm().m_OutputData[1].selector = 3;
    ASSERT_NE(Comm().SendBitSyncOutputSetup(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x1401),
              (Bytes{0x01, 0, 0x2A, 0xBC, 0, 0, 0, 0xC3, 0, 0, 0, 0, 0, 0}));
}

TEST_F(OutputSetupTest, ResetLoadsTheDefaultsOfTheModeAndBoard) {
    Mode(1);
    Comm().m_Identity.dspPcbRevision = 5;
    ASSERT_NE(Comm().ResetOutputSetup(1), 0);
    const Bytes sent = m_session.LastPayload(0x1401);
    EXPECT_EQ(sent[2], 0x20);
    EXPECT_EQ(sent[3], 0x00);
    EXPECT_EQ(Comm().m_OutputSetup[1].parameter[3], -50);
    Comm().m_Identity.dspPcbRevision = 4;
    ASSERT_NE(Comm().ResetOutputSetup(1), 0);
    EXPECT_EQ(Comm().m_OutputSetup[1].parameter[3], -40);

    Mode(3);
    ASSERT_NE(Comm().ResetOutputSetup(2), 0);
    EXPECT_EQ(m_session.LastPayload(0x1101), (Bytes{0x02, 0x92, 0x0A, 0x00, 0xD8, 0x20, 0x20, 0x00,
                                                    0x20, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}));
    Mode(2);
    ASSERT_NE(Comm().ResetOutputSetup(0), 0);
    const Bytes pcmFm = m_session.LastPayload(0x1201);
    EXPECT_EQ(pcmFm[8], 0);
    EXPECT_EQ(pcmFm[9], 0);
    EXPECT_EQ(Comm().m_OutputSetup[0].word2, 0);

    Mode(7);
    Comm().m_OutputSetup[0].word1 = 1;
    EXPECT_EQ(Comm().ResetOutputSetup(0), 0);
    EXPECT_EQ(Comm().m_OutputSetup[0].word1, 8192);
    EXPECT_EQ(Comm().ResetOutputSetup(3), 0);
}

TEST_F(OutputSetupTest, OutputDataRequestsOfEveryFamily) {
    Mode(3);
    ASSERT_NE(SetDistinctData(0), 0);
    EXPECT_EQ(m_session.LastPayload(0x110E), (Bytes{0x00, 0xD5, 0xAB, 0xF4, 0x45, 0x23, 0x72, 0}));
    Mode(4);
    ASSERT_NE(SetDistinctData(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x120E), (Bytes{0x01, 0x85, 0xAB, 0, 0x45, 0, 0x70, 0}));
    EXPECT_EQ(Comm().m_OutputData[1].qPcmCode, 0u);
    EXPECT_EQ(Comm().m_OutputData[1].enhancedAcquisition, 0u);
    Mode(6);
    ASSERT_NE(SetDistinctData(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x130E), (Bytes{0x01, 0x85, 0xAB, 0, 0x45, 0, 0x70, 0}));
    Mode(1);
    ASSERT_NE(SetDistinctData(2), 0);
    EXPECT_EQ(m_session.LastPayload(0x140E), (Bytes{0x02, 0xC5, 0xAB, 0, 0x45, 0, 0x70, 0}));
    EXPECT_EQ(Comm().m_OutputData[2].flag2, 0u);

    Mode(7);
    EXPECT_EQ(SetDistinctData(0), 0);
    EXPECT_EQ(m_session.CountReceived(0x110E), 1);
}

TEST_F(OutputSetupTest, OutputDataRefusalsAndPackingRules) {
    Mode(3);
    const auto before = Comm().m_OutputData[0].pcmCode;
    EXPECT_EQ(Comm().SetOutputDataSetup(0, 0, 0, 0, 0, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Comm().SetOutputDataSetup(0, 2, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Comm().SetOutputDataSetup(3, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Comm().m_OutputData[0].pcmCode, before);
    EXPECT_EQ(m_session.CountReceived(0x110E), 0);

    Comm().m_OutputData[0].inverted = 2;
    Comm().m_OutputData[0].clockPhase = 4;
    ASSERT_NE(Comm().SetOutputDataSetup(0, 0, 0, 0, 0, 1, 1, 0, 12, 5, 0, 0, 0, 0, 0, 0, 0), 0);
    const Bytes sent = m_session.LastPayload(0x110E);
    EXPECT_EQ(sent[2], 0x00);  // phase 4 and inverted 2 send nothing
    EXPECT_EQ(sent[6], 0x00);  // field A 12 and field B 5 send nothing

    ASSERT_NE(Comm().SetOutputPcmCode(0, 0xC4), 0);
    EXPECT_EQ(m_session.LastPayload(0x110E)[4], 0x44);
    ASSERT_NE(Comm().SetQOutputClockPhase(0, 1), 0);
    EXPECT_EQ(m_session.LastPayload(0x110E)[3] >> 6, 1);
    EXPECT_EQ(Comm().SetEnhancedAcquisition(0, 1), 0);  // bit sync only
    Mode(4);
    EXPECT_EQ(Comm().SetQOutputInverted(0, 1), 0);
    EXPECT_EQ(Comm().SetOutputInverted(3, 1), 0);
    Mode(1);
    ASSERT_NE(Comm().SetEnhancedAcquisition(1, 1), 0);
    EXPECT_EQ(m_session.LastPayload(0x140E)[1] & 0x40, 0x40);
}

TEST_F(OutputSetupTest, OutputReadBacksDecodeEveryFamily) {
    Mode(3);
    FillDistinct(0);
    ASSERT_NE(Comm().SendPskOutputSetup(0), 0);
    ASSERT_NE(SetDistinctData(0), 0);
    const auto sentOutput = Comm().m_OutputSetup[0];
    const auto sentData = Comm().m_OutputData[0];
    Comm().m_OutputSetup[0] = {};
    Comm().m_OutputData[0] = {};
    ASSERT_NE(Comm().ReadOutputSetup(0), 0);
    const auto& o = Comm().m_OutputSetup[0];
    const auto& d = Comm().m_OutputData[0];
    EXPECT_EQ(o.outputSetupFlag, 1u);
    EXPECT_EQ(std::vector<int8_t>(o.parameter, o.parameter + 5),
              std::vector<int8_t>(sentOutput.parameter, sentOutput.parameter + 5));
    EXPECT_EQ(o.word1, 0x2ABC);
    EXPECT_EQ(o.word2, 0x1DEF);
    EXPECT_EQ(d.firstFlag, 1u);
    EXPECT_EQ(d.flag2, 1u);
    EXPECT_EQ(d.flag4, 1u);
    EXPECT_EQ(d.selector, 5u);
    EXPECT_EQ(d.clockPhase, 2u);
    EXPECT_EQ(d.inverted, 1u);
    EXPECT_EQ(d.pcmCode, 0x45u);
    EXPECT_EQ(d.qPcmCode, 0x23u);
    EXPECT_EQ(d.qInverted, 1u);
    EXPECT_EQ(d.qClockPhase, 3u);
    EXPECT_EQ(d.qFlag[2], 1u);
    EXPECT_EQ(d.qFlag[0], 1u);
    EXPECT_EQ(d.fieldA, 7u);
    EXPECT_EQ(d.fieldB, 2u);
    EXPECT_EQ(std::vector<uint32_t>(d.outputFlag, d.outputFlag + 4),
              std::vector<uint32_t>(sentData.outputFlag, sentData.outputFlag + 4));

    Mode(1);
    ASSERT_NE(SetDistinctData(1), 0);
    Comm().m_OutputSetup[1].word1 = 0x1234;
    ASSERT_NE(Comm().SendBitSyncOutputSetup(1), 0);
    Comm().m_OutputData[1] = {};
    ASSERT_NE(Comm().ReadOutputSetup(1), 0);
    EXPECT_EQ(m_session.LastPayload(0x4401), Bytes{1});
    EXPECT_EQ(Comm().m_OutputData[1].enhancedAcquisition, 1u);
    EXPECT_EQ(Comm().m_OutputData[1].selector, 5u);
    EXPECT_EQ(Comm().m_OutputData[1].pcmCode, 0x45u);
    EXPECT_EQ(Comm().m_OutputSetup[1].word1, 0x1234);

    Bytes crafted(18, 0);
    crafted[11] = 0x8F;
    crafted[16] = 0xF3;  // field A 15 is no field
    m_session.Answer(0x4201, crafted);
    Mode(2);
    ASSERT_NE(Comm().ReadOutputSetup(2), 0);
    EXPECT_EQ(Comm().m_OutputData[2].selector, 15u);
    EXPECT_EQ(Comm().m_OutputData[2].fieldA, 0u);
    m_session.Answer(0x4301, crafted);
    Mode(6);
    Comm().m_OutputData[2].firstFlag = 0;
    ASSERT_NE(Comm().ReadOutputSetup(2), 0);
    EXPECT_EQ(Comm().m_OutputData[2].firstFlag, 1u);
    for (uint32_t mode : {5u, 7u, 0u}) {
        Mode(mode);
        EXPECT_EQ(Comm().ReadOutputSetup(0), 1);
    }
    EXPECT_EQ(Comm().ReadOutputSetup(3), 0);
}

TEST_F(OutputSetupTest, CombinerSetupLimitsFiltersAndSendsByFamily) {
    Mode(3);
    ASSERT_NE(Comm().SetCombinerSetup(0x01020304, 5, 250'000, 3, 1, 1, 70'000'000, 0x0A0B0C0D), 0);
    EXPECT_EQ(m_session.LastPayload(0x1105),
              (Bytes{0,    0x01, 0x02, 0x03, 0x04, 0x04, 0x2C, 0x1D, 0x80, 0x0A, 0x0B,
                     0x0C, 0x0D, 0,    0,    0,    10,   0,    0,    0,    0,    0,
                     0x01, 0x86, 0xA0, 0x33, 0,    0,    0,    0,    0,    0}));
    EXPECT_EQ(Comm().m_Combiner.snrFilterBandwidth, 10u);
    EXPECT_EQ(Comm().m_Combiner.phaseFilterBandwidth, 100'000u);
    EXPECT_EQ(Comm().m_ChannelSetup[1].ifFrequency, 0x0A0B0C0Du);

    Mode(4);
    ASSERT_NE(Comm().SetCombinerType(5), 0);
    EXPECT_EQ(Comm().m_Combiner.type, 5u);
    EXPECT_EQ(m_session.LastPayload(0x1205)[25], 0x32);
    Mode(6);
    ASSERT_NE(Comm().SetCombinerType(5), 0);
    EXPECT_EQ(m_session.LastPayload(0x1305)[25], 0x35);
    Mode(1);
    ASSERT_NE(Comm().SetCombinerType(9), 0);
    EXPECT_EQ(m_session.LastPayload(0x1105)[25], 0x30);
    for (uint32_t mode : {5u, 7u, 11u}) {
        Mode(mode);
        EXPECT_EQ(Comm().SetCombinerType(1), 0);
    }
    EXPECT_EQ(m_session.CountReceived(0x1105), 2);
}

TEST_F(OutputSetupTest, CombinerReadBackStoresUnknownTypesAsZero) {
    Mode(3);
    ASSERT_NE(Comm().SetCombinerSetup(1'000'000, 300, 400, 4, 0, 1, 70'000'000, 71'000'000), 0);
    Comm().m_Combiner = {};
    ASSERT_NE(Comm().ReadCombinerSetup(), 0);
    EXPECT_EQ(m_session.LastPayload(0x4105), Bytes{0});
    EXPECT_EQ(Comm().m_nCombinerSignalBandwidth, 1'000'000u);
    EXPECT_EQ(Comm().m_Combiner.snrFilterBandwidth, 300u);
    EXPECT_EQ(Comm().m_Combiner.phaseFilterBandwidth, 400u);
    EXPECT_EQ(Comm().m_Combiner.type, 4u);
    EXPECT_EQ(Comm().m_Combiner.upsample, 1u);
    EXPECT_EQ(Comm().m_ChannelSetup[1].ifFrequency, 71'000'000u);

    Bytes crafted(32, 0);
    crafted[25] = 0x19;
    m_session.Answer(0x4105, crafted);
    Mode(5);
    ASSERT_NE(Comm().ReadCombinerSetup(), 0);
    EXPECT_EQ(Comm().m_Combiner.type, 0u);
    EXPECT_EQ(Comm().m_Combiner.realCombining, 1u);
    for (uint32_t mode : {7u, 11u, 0u}) {
        Mode(mode);
        EXPECT_EQ(Comm().ReadCombinerSetup(), 1);
    }
}
