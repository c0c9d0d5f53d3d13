#include <gtest/gtest.h>

#include "tests/support/DeviceSession.h"

using testsupport::DeviceSession;

TEST(Identity, ReadsVersionsTextsAndNetworkSettings) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadDeviceIdentity(), 0);
    const auto& id = comm.m_Identity;
    EXPECT_EQ(id.identityRead, 1);
    EXPECT_STREQ(id.serialNumberText, "1A2B-007");
    EXPECT_EQ(id.dsp1Version, 0x20250312u);
    EXPECT_EQ(id.demodFpgaVersion, 0x20250115u);
    EXPECT_EQ(id.dspPcbRevision, 3);
    EXPECT_EQ(id.rfAnalogPcbRevision, 5);
    EXPECT_EQ(id.personalityCode, 1);  // PSK, the full profile's starting mode
    EXPECT_STREQ(id.deviceId, "KV90T-SIM-000001");
    EXPECT_STREQ(id.productText[0], "Brenmoor Test Range");
    EXPECT_STREQ(id.productText[4], "EM-3");
    EXPECT_EQ(id.ipAddress, 0xC0A80132u);
    EXPECT_EQ(id.dhcpEnabled, 0);
    EXPECT_EQ(session.LastPayload(0x1003), std::vector<uint8_t>(17, 0));
    EXPECT_EQ(session.LastPayload(0x2009), std::vector<uint8_t>{24});
}

TEST(Identity, PartialReplyIsDecodedAndStopsTheSequence) {
    DeviceSession session;
    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply, 30));
    CKV90T1_Comm& comm = session.Comm();
    EXPECT_EQ(comm.ReadDeviceIdentity(), 0);
    const auto& id = comm.m_Identity;
    EXPECT_EQ(id.identityRead, 0);
    EXPECT_EQ(id.dsp2Version, 0x20250312u);     // payload bytes 12 to 15 arrived
    EXPECT_EQ(id.fioFpgaVersion, 0x20240000u);  // bytes 16 and 17 arrived, 18 and 19 did not
    EXPECT_EQ(id.dspPcbRevision, 0);
    EXPECT_EQ(id.personalityCode, 0);
    EXPECT_EQ(session.CountReceived(0x1003), 0);
}

TEST(Identity, FailedProductTextStopsLaterPagesButTakesEachText) {
    DeviceSession session;
    sim::Fault fault = sim::MakeFault(sim::FaultKind::NoReply);
    fault.code = 0x2009;
    fault.firstPayloadByte = 22;
    session.Sim().Device().InjectFault(fault);
    CKV90T1_Comm& comm = session.Comm();
    EXPECT_EQ(comm.ReadDeviceIdentity(), 0);
    EXPECT_STREQ(comm.m_Identity.productText[1], "PO-2026-0042");
    EXPECT_STREQ(comm.m_Identity.productText[2], "");  // the failed page's zeroed buffer
    EXPECT_STREQ(comm.m_Identity.productText[3], "");
    EXPECT_EQ(session.CountReceived(0x2009), 3);
    EXPECT_EQ(session.CountReceived(0x2002), 0);
}

TEST(NetworkPage, DecodesAddressesAndStoresTimeToLiveZeroAsOne) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadNetworkPage(), 0);
    EXPECT_EQ(comm.m_NetworkPage.networkPageRead, 1);
    EXPECT_EQ(comm.m_NetworkPage.hardwareAddress, 0x0050C2ABCDEFull);
    EXPECT_EQ(comm.m_Identity.ipAddress, 0xC0A80132u);
    EXPECT_EQ(comm.m_NetworkPage.addressValue2, 0xFFFFFF00u);
    EXPECT_EQ(comm.m_NetworkPage.udpTimeToLive, 32);

    session.Sim().Simulation().SetPageWord(0, 45, 0xAB00);
    session.Sim().Simulation().SetPageWord(0, 34, 0x0002);
    ASSERT_NE(comm.ReadNetworkPage(), 0);
    EXPECT_EQ(comm.m_NetworkPage.udpTimeToLive, 1);
    EXPECT_EQ(comm.m_Identity.dhcpEnabled, 1);
    EXPECT_EQ(comm.m_nPageNumber, 0);
}
