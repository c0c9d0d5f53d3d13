#include <gtest/gtest.h>

#include "tests/support/DeviceSession.h"

using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

TEST(SystemCommands, TimeToLiveZeroIsSentAsOneAndTheReplyIsKept) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.SetUdpTimeToLive(0), 0);
    EXPECT_EQ(session.LastPayload(0x1001), (Bytes{0x10, 0x80, 0x01, 0, 0, 0}));
    EXPECT_EQ(comm.m_NetworkPage.udpTimeToLive, 1);
    session.Answer(0x1001, {64, 0, 0, 0});
    ASSERT_NE(comm.SetUdpTimeToLive(200), 0);
    EXPECT_EQ(comm.m_NetworkPage.udpTimeToLive, 64);
}

TEST(SystemCommands, ReferenceClockAndDspFlashSubCommands) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.SendSystemControl(0x0F, 4 + 1), 0);
    EXPECT_EQ(comm.m_System.referenceClock, 1);
    ASSERT_NE(comm.SendSystemControl(0x0F, 0), 0);
    EXPECT_EQ(comm.m_System.referenceClock, 1);
    ASSERT_NE(comm.StartDspFlash(), 0);
    EXPECT_EQ(session.LastPayload(0x1001), (Bytes{0x13, 0x01, 0, 0, 0, 0}));
    const uint8_t block[130] = {1, 2, 3};
    ASSERT_NE(comm.SendDspFlashBlock(1, block, 3), 0);
    EXPECT_EQ(session.LastPayload(0x1020), (Bytes{1, 1, 2, 3}));
    ASSERT_NE(comm.SendDspFlashBlock(0, block, 130), 0);  // at most 128 image bytes
    EXPECT_EQ(session.LastPayload(0x1020).size(), 129u);
    ASSERT_NE(comm.EndDspFlash(1), 0);
    EXPECT_EQ(session.LastPayload(0x1001), (Bytes{0x13, 0xFF, 1, 0, 0, 0}));
    EXPECT_EQ(session.Sim().Simulation().DspImage(1), (Bytes{1, 2, 3}));
}

TEST(SystemCommands, StreamDestinationReadsTheIdentityFirstAndKeepsTheConsolidatedFlag) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    EXPECT_EQ(comm.SetDataStreamDestination(12, 1, 0, 0), 0);
    EXPECT_EQ(session.CountReceived(0x1002), 0);
    comm.m_System.consolidatedStatusEnabled = 1;
    ASSERT_NE(comm.SetDataStreamDestination(9, 1, 0x7F000001, 5001), 0);
    EXPECT_EQ(comm.m_Identity.identityRead, 1);
    EXPECT_EQ(session.LastPayload(0x1002), (Bytes{0x89, 0x7F, 0, 0, 1, 0x13, 0x89}));
    EXPECT_TRUE(session.Sim().Simulation().Destination(9).enabled);
    EXPECT_EQ(session.Sim().Simulation().Destination(9).port, 5001);

    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::NoReply));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.SetDataStreamDestination(11, 0, 0, 0), 0);
    EXPECT_EQ(session.LastPayload(0x1002), (Bytes{0x0B, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(comm.m_System.consolidatedStatusEnabled, 0);
}

TEST(SystemCommands, SetupsOptionsCarryTheBootAndPathFlags) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    comm.m_SystemPages.setupsCh1 = 1;
    comm.m_SystemPages.setupsCh3 = 1;
    ASSERT_NE(comm.SetSetupsOptions(1), 0);
    EXPECT_EQ(session.LastPayload(0x100E), Bytes{0xA2});
    comm.m_SystemPages = {};
    ASSERT_NE(comm.SaveSetups(), 0);
    EXPECT_EQ(session.LastPayload(0x100E), Bytes{0x01});
    ASSERT_NE(comm.SetSetupsOptions(7), 0);
    EXPECT_EQ(comm.m_SystemPages.setupsUseAtBoot, 1);
    EXPECT_EQ(session.LastPayload(0x100E), Bytes{0x02});
}

TEST(SystemCommands, FpgaConfigurationMemoryTransfer) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    session.Sim().Simulation().SetErasePolls(2);
    EXPECT_EQ(comm.BulkEraseFPGA_ConfigEEPROM(12), 0);
    EXPECT_EQ(comm.ProgramFPGA_ConfigEEPROMPage(12, 0, nullptr), 0);
    EXPECT_EQ(comm.SelectFPGA_Personality(12), 0);
    EXPECT_EQ(session.Sim().Device().ReceivedFrames().size(), 0u);

    ASSERT_NE(comm.BulkEraseFPGA_ConfigEEPROM(9), 0);
    EXPECT_EQ(session.LastPayload(0x1022), Bytes{0x31});
    EXPECT_EQ(comm.m_System.transferBaudRate, 921600u);
    ASSERT_NE(comm.QueryFPGA_ConfigEEPROM_BulkEraseDone(), 0);
    EXPECT_EQ(comm.m_System.bulkEraseDone, 0);
    ASSERT_NE(comm.QueryFPGA_ConfigEEPROM_BulkEraseDone(), 0);
    EXPECT_EQ(comm.m_System.bulkEraseDone, 1);

    uint8_t page[256];
    for (int i = 0; i < 256; ++i) {
        page[i] = static_cast<uint8_t>(i);
    }
    ASSERT_NE(comm.ProgramFPGA_ConfigEEPROMPage(9, 74'496, page), 0);
    const Bytes sent = session.LastPayload(0x1021);
    ASSERT_EQ(sent.size(), 259u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 4), (Bytes{0x31, 0x01, 0x23, 0x00}));
    const Bytes image = session.Sim().Simulation().FpgaImage(9);
    ASSERT_EQ(image.size(), 74'496u + 256u);
    EXPECT_EQ(image[74'496 + 255], 255);
    ASSERT_NE(comm.SelectFPGA_Personality(3), 0);
    EXPECT_EQ(session.LastPayload(0x1024), Bytes{0x13});
    EXPECT_EQ(session.Sim().Simulation().SelectedFpgaMemory(), 3);

    session.Answer(0x1022, {0x00, 0x0E, 0x10, 0x00});
    ASSERT_NE(comm.BulkEraseFPGA_ConfigEEPROM(0), 0);
    EXPECT_EQ(comm.m_System.transferBaudRate, 921600u);
    session.Answer(0x1022, {0x00, 0x01, 0xC2, 0x00});
    ASSERT_NE(comm.BulkEraseFPGA_ConfigEEPROM(8), 0);
    EXPECT_EQ(session.LastPayload(0x1022), Bytes{0x30});
    EXPECT_EQ(comm.m_System.transferBaudRate, 115200u);
}

TEST(SystemCommands, PhysicalValuesAndRegisters) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    session.Answer(0x2001, {33, 50, 18, 25, 12, 120, 0xCE, 0x88, 0xF6, 0xFF, 0x38, 15});
    ASSERT_NE(comm.ReadPhysicalValues(), 0);
    const float* v = comm.m_System.physicalValues;
    EXPECT_FLOAT_EQ(v[0], 3.3f);
    EXPECT_FLOAT_EQ(v[5], 12.0f);
    EXPECT_FLOAT_EQ(v[6], -5.0f);
    EXPECT_FLOAT_EQ(v[7], -12.0f);
    EXPECT_FLOAT_EQ(v[8], -10.0f);
    EXPECT_FLOAT_EQ(v[9], -20.0f);
    EXPECT_FLOAT_EQ(v[10], 1.5f);
    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply));
    EXPECT_EQ(comm.ReadPhysicalValues(), 0);
    EXPECT_FLOAT_EQ(comm.m_System.physicalValues[6], 0.0f);

    comm.ReadSupplyVoltageRange();
    comm.ReadTemperatureRange();
    comm.ReadTotalRuntime();
    EXPECT_EQ(session.LastPayload(0x2006), (Bytes{0x04, 21}));
    EXPECT_FLOAT_EQ(comm.m_System.supplyVoltageRange[0], 32.0f);  // register 10
    EXPECT_FLOAT_EQ(comm.m_System.supplyVoltageRange[1], 18.0f);  // register 11
    EXPECT_EQ(comm.m_System.temperatureRange[0], 71);             // register 12
    EXPECT_EQ(comm.m_System.temperatureRange[1], -12);            // register 13
    EXPECT_GE(comm.m_System.totalRuntime, 3'600'000u);
}
