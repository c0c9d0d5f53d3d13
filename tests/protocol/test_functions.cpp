#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/Download.h"

using testsupport::DeviceSession;
using Bytes = std::vector<uint8_t>;

TEST(Testers, SetupRequestAndStatusDecode) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.SendBertSetup(2, 1, 1, 1, 25, 40, 0xDEADBEEF, 0x5A, 5), 0);
    EXPECT_EQ(session.LastPayload(0x1103),
              (Bytes{0xC6, 0x32, 31, 0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0, 0, 0x5A}));
    ASSERT_NE(comm.SendBertSetup(0, 0, 0, 0, 3, 0, 0, 0, 4), 0);
    EXPECT_EQ(session.LastPayload(0x1103), (Bytes{0x00, 0x03, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(comm.SendBertSetup(3, 0, 1, 0, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(comm.SetBertPattern(0, 2, 1), 0);
    comm.m_Bert[3].enabled = 1;
    comm.m_Bert[3].lengthValue = 8;
    ASSERT_NE(comm.SetBertPattern(1, 1, 17), 0);
    EXPECT_EQ(session.LastPayload(0x1103), (Bytes{0x85, 17, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    Bytes status(30, 0);
    status[0] = 0x90;
    status[1] = 0x01;
    status[9] = 0x07;   // 7 errors
    status[17] = 0xE8;  // 1000 bits
    status[16] = 0x03;
    status[25] = 0x10;
    status[29] = 0x02;
    session.Answer(0x2103, status);
    ASSERT_NE(comm.ReadBertStatus(1, 1), 0);
    EXPECT_EQ(session.LastPayload(0x2103), Bytes{0x05});
    const auto& b = comm.m_Bert[3];
    EXPECT_EQ(b.locked, 1);
    EXPECT_EQ(b.secondFlag, 1);
    EXPECT_EQ(b.dataInverted, 1);
    EXPECT_EQ(b.bitErrors, 7);
    EXPECT_EQ(b.bitCount, 1000);
    EXPECT_EQ(b.values[1], 0x10u);
    EXPECT_EQ(b.values[2], 2u);

    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadBertStatus(1, 1), 0);
    EXPECT_EQ(b.locked, 1);
    EXPECT_EQ(b.bitCount, 0);
    EXPECT_EQ(b.values[2], 0u);
}

TEST(Testers, SimulatedTesterCountsAtTheStreamRate) {
    DeviceSession session(sim::DefaultProfile(), true);
    CKV90T1_Comm& comm = session.Comm();
    session.Sim().Simulation().SetAcquisitionTime(0);
    session.Sim().Simulation().SetBitErrorRate(1e-3);
    comm.m_nOperationalMode = 3;
    protocol::ChannelSetup setup = comm.m_ChannelSetup[0];
    setup.bitRate = 1'000'000;
    ASSERT_NE(comm.SetChannelSetup(0, setup), 0);
    ASSERT_NE(comm.SendBertSetup(0, 0, 1, 0, 11, 1, 0, 0, 0), 0);
    session.Sim().Clock().Advance(200);
    ASSERT_NE(comm.ReadBertStatus(0, 0), 0);
    const auto& b = comm.m_Bert[0];
    EXPECT_EQ(b.locked, 1);
    EXPECT_EQ(b.bitCount, 100'000);  // 100 ms after a 100 ms acquisition, at 1,000,000 bps
    EXPECT_EQ(b.bitErrors, 100);
    EXPECT_EQ(b.values[1], 1'000'000u);
    // A new path setup makes the path reacquire: the tester loses lock once.
    session.Sim().Simulation().SetAcquisitionTime(500);
    ASSERT_NE(comm.SetChannelSetup(0, setup), 0);
    ASSERT_NE(comm.ReadBertStatus(0, 0), 0);
    EXPECT_EQ(b.locked, 0);
    EXPECT_EQ(b.values[2], 1u);
    // A setup restarts the tester, its out-of-lock count with it.
    ASSERT_NE(comm.SendBertSetup(0, 0, 0, 0, 11, 1, 0, 0, 0), 0);
    ASSERT_NE(comm.ReadBertStatus(0, 0), 0);
    EXPECT_EQ(b.locked, 0);
    EXPECT_EQ(b.values[2], 0u);
    EXPECT_EQ(b.values[1], 0u);  // off: no rate
}

TEST(TimeCode, SetupRoundTripAndRefusals) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    protocol::TimeCodeSetup t;
    t.externalIrig = 1;
    t.flagB = 1;
    t.selectorC = 2;
    t.termination = 1;
    t.modulation = 1;
    t.selectorE = 1;
    t.format = 3;
    t.flagG = 1;
    t.carrier = 2;
    t.year = 0x21;
    t.day = 0x079;
    t.hour = 0x23;
    t.minute = 0x59;
    t.second = 0x58;
    ASSERT_NE(comm.SendTimeCodeSetup(t), 0);
    EXPECT_EQ(session.LastPayload(0x1106),
              (Bytes{0xA9, 0xB5, 0x02, 0x21, 0x00, 0x79, 0x23, 0x59, 0x58}));
    comm.m_TimeCode = {};
    ASSERT_NE(comm.ReadTimeCodeSetup(), 0);
    EXPECT_EQ(comm.m_TimeCode.selectorC, 2);
    EXPECT_EQ(comm.m_TimeCode.format, 3);
    EXPECT_EQ(comm.m_TimeCode.day, 0x079);
    EXPECT_EQ(comm.m_TimeCode.second, 0x58);
    t.carrier = 6;
    EXPECT_EQ(comm.SendTimeCodeSetup(t), 0);
    t.carrier = 5;
    t.modulation = 3;
    EXPECT_EQ(comm.SendTimeCodeSetup(t), 0);
    EXPECT_EQ(session.CountReceived(0x1106), 1);

    session.Answer(0x4106, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_NE(comm.ReadTimeCodeSetup(), 0);
    EXPECT_EQ(comm.m_TimeCode.day, 0x3FF);
    EXPECT_EQ(comm.m_TimeCode.hour, 0x3F);
    EXPECT_EQ(comm.m_TimeCode.minute, 0x7F);
}

TEST(Dau, ChannelSetupLimitsAndReadBack) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.SendDauChannelSetup(1, 5'000, 697, 7, 3, 2), 0);
    EXPECT_EQ(session.LastPayload(0x1500),
              (Bytes{0x13, 0, 0, 0x27, 0x10, 0x02, 0xB8, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(comm.m_Dau[1].sampleRate, 25'000u);
    ASSERT_NE(comm.SendDauChannelSetup(0, 60'000, 11, 2, 2, 1), 0);
    EXPECT_EQ(session.LastPayload(0x1500)[6], 10);
    EXPECT_EQ(comm.m_Dau[0].signalBandwidth, 50'000u);
    ASSERT_NE(comm.SetDauSamplesPerDatagram(0, 11), 0);
    EXPECT_EQ(session.LastPayload(0x1500)[6], 11);
    EXPECT_EQ(comm.SendDauChannelSetup(2, 1, 1, 1, 1, 1), 0);

    comm.m_Dau[0] = {};
    ASSERT_NE(comm.ReadDauChannelSetup(0), 0);
    EXPECT_EQ(comm.m_Dau[0].samplesPerDatagram, 10);  // bit 0 cleared on read
    EXPECT_EQ(comm.m_Dau[0].basebandInput, 2);
    EXPECT_EQ(comm.m_Dau[0].singleEndedInput, 2);
    EXPECT_EQ(comm.m_Dau[0].impedance, 1);
    EXPECT_EQ(comm.m_Dau[0].sampleRate, 125'000u);
    Bytes crafted(23, 0);
    crafted[0] = 0x7F;  // codes of 3 everywhere
    session.Answer(0x4500, crafted);
    ASSERT_NE(comm.ReadDauChannelSetup(1), 0);
    EXPECT_EQ(comm.m_Dau[1].basebandInput, 1);
    EXPECT_EQ(comm.m_Dau[1].singleEndedInput, 0);
    EXPECT_EQ(comm.m_Dau[1].impedance, 0);
}

TEST(Dau, DacSetupAndAdcUpdate) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.SendDauDacSetup(1, 20'000, 0x1234), 0);
    EXPECT_EQ(session.LastPayload(0x1501), (Bytes{1, 0x3F, 0xFF, 0x12, 0x34, 0, 0, 0, 0}));
    ASSERT_NE(comm.SetDauDacBaseline(1, 0x0101), 0);
    EXPECT_EQ(session.LastPayload(0x1501), (Bytes{1, 0x3F, 0xFF, 0x01, 0x01, 0, 0, 0, 0}));
    comm.m_Dau[1] = {};
    ASSERT_NE(comm.ReadDauDacSetup(1), 0);
    EXPECT_EQ(comm.m_Dau[1].dacGain, 0x3FFF);
    EXPECT_EQ(comm.m_Dau[1].dacBaseline, 0x0101);

    Bytes adc(42, 0);
    adc[0] = 0xFF;
    adc[6] = 9;
    adc[7 + 3] = 1;
    adc[7 + 31] = 8;
    adc[39] = 0xFC;  // -1000
    adc[40] = 0x18;
    session.Answer(0x1004, adc);
    ASSERT_NE(comm.ReadDauAdcBins(1), 0);
    EXPECT_EQ(session.LastPayload(0x1004), Bytes{3});
    EXPECT_EQ(comm.m_Dau[1].adcValues[0], 0x3F);
    EXPECT_EQ(comm.m_Dau[1].overRangeCount, 9u);
    EXPECT_EQ(comm.m_Dau[1].bins[0], 1u);
    EXPECT_EQ(comm.m_Dau[1].bins[7], 8u);
    EXPECT_FLOAT_EQ(comm.m_Dau[1].adcSignedValue, -1.0f);
    session.Sim().Device().InjectFault(sim::MakeFault(sim::FaultKind::ShortReply, 40));
    comm.m_nDefaultTimeout = 100;
    EXPECT_EQ(comm.ReadDauAdcBins(1), 0);
    EXPECT_EQ(comm.m_Dau[1].adcValues[0], 0x3F);  // byte 0 arrived
    EXPECT_EQ(comm.m_Dau[1].bins[7], 0u);
}

TEST(Recorder, DirectorySelectionAndDownload) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    EXPECT_EQ(comm.ReadRecordingDirectory(1, 4), 0);
    EXPECT_EQ(comm.ReadRecordingDirectory(3, 0), 0);
    ASSERT_NE(comm.ReadRecordingDirectory(0, 0), 0);
    EXPECT_STREQ(comm.m_Recorder[0].files[0].name, "CH1_REC0000.ark");
    EXPECT_EQ(comm.m_Recorder[0].files[0].length, 200u);
    EXPECT_EQ(comm.m_Recorder[0].files[2].length, 1'000'000u);
    comm.m_Recorder[1].files[96].length = 5;
    ASSERT_NE(comm.ReadRecordingDirectory(1, 3), 0);
    EXPECT_EQ(session.LastPayload(0x2010), Bytes{0x0D});
    EXPECT_EQ(comm.m_Recorder[1].files[96].length, 0u);

    Bytes entry(1024, 0);
    std::fill(entry.begin() + 32 * 31, entry.begin() + 32 * 31 + 16, 'Z');
    entry[32 * 31 + 21] = 0x42;
    session.Answer(0x2010, entry);
    ASSERT_NE(comm.ReadRecordingDirectory(2, 3), 0);
    EXPECT_STREQ(comm.m_Recorder[2].files[127].name, "ZZZZZZZZZZZZZZZZ");
    EXPECT_EQ(comm.m_Recorder[2].files[127].length, 0x42u);

    EXPECT_EQ(comm.SelectRecordingFile(3, 0), 0);
    ASSERT_NE(comm.SelectRecordingFile(0, 1), 0);
    EXPECT_EQ(session.LastPayload(0x1012), (Bytes{0x04, 0x00}));
    EXPECT_EQ(comm.m_nDownloadAddress, 0x7F000001u);
    ASSERT_NE(comm.ReadRecorderStatus(), 0);
    EXPECT_EQ(comm.m_Recorder[0].transferInProgress, 1);
    const Bytes file = testsupport::Download(comm.m_nDownloadAddress, comm.m_nDownloadPort);
    const auto recorded = session.Sim().Simulation().RecordedFiles(0)[1];
    ASSERT_EQ(file.size(), 65'536u);
    for (size_t i = 0; i < file.size(); ++i) {
        ASSERT_EQ(file[i], sim::KV90TSimulation::RecordedByte(recorded, i)) << i;
    }
    for (int i = 0; i < 100 && comm.m_Recorder[0].transferInProgress; ++i) {
        platform::SleepMs(10);
        comm.ReadRecorderStatus();
    }
    EXPECT_EQ(comm.m_Recorder[0].transferInProgress, 0);

    comm.SelectRecordingFile(2, 100);
    EXPECT_EQ(session.LastPayload(0x1012), (Bytes{0x92, 0x01}));
    EXPECT_EQ(comm.m_nDownloadPort, 0);  // channel 3 has no file 100

    ASSERT_NE(comm.ReadRecorderInfo(), 0);
    EXPECT_EQ(comm.m_Recorder[2].remainingCapacity, 64ull * 1024 * 1024 * 1024 - 1'234'567);
    ASSERT_NE(comm.RepairLastFile(2), 0);
    EXPECT_EQ(comm.RepairLastFile(3), 0);
    session.Answer(0x1011, {0x77, 0x72});
    ASSERT_NE(comm.ReadRecorderStatus(), 0);
    EXPECT_EQ(comm.m_Recorder[1].transferInProgress, 1);
    EXPECT_EQ(comm.m_Recorder[0].transferInProgress, 0);
    EXPECT_EQ(comm.m_Recorder[2].statusFlags[0] + comm.m_Recorder[2].statusFlags[1] +
                  comm.m_Recorder[2].statusFlags[2],
              3);
}

TEST(Tape, SetupsAndReadBacks) {
    DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_EQ(comm.SendTapeSetup(2, 1, 150, 0x01020304, 0x0A0B0C0D, 3), 1);
    EXPECT_EQ(session.LastPayload(0x1600),
              (Bytes{0x8E, 100, 1, 2, 3, 4, 0x0A, 0x0B, 0x0C, 0x0D, 0, 0, 0, 0}));
    ASSERT_EQ(comm.SendTapeSetup(3, 2, 10, 0, 0, 4), 1);
    EXPECT_EQ(session.LastPayload(0x1600)[0], 0x00);
    EXPECT_EQ(comm.SendTapeSetup(4, 0, 0, 0, 0, 0), 0);
    ASSERT_EQ(comm.SetTapeBandwidth(2, 40), 1);
    EXPECT_EQ(session.LastPayload(0x1600)[1], 40);
    ASSERT_EQ(comm.SetTapeInputSelect(2, 9), 1);
    EXPECT_EQ(session.LastPayload(0x1600)[0], 0x82);

    ASSERT_NE(comm.SendTapeOutputSetup(1, 12, 0x9000), 0);
    EXPECT_EQ(session.LastPayload(0x1601), (Bytes{1, 0, 12, 0x7F, 0xFF, 0, 0, 0, 0, 0}));
    ASSERT_NE(comm.SendTapeOutputSetup(5, 16, 1), 0);
    EXPECT_EQ(session.LastPayload(0x1601), (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
    ASSERT_NE(comm.SendTapeIfOutputSetup(1, 200'000), 0);
    EXPECT_EQ(session.LastPayload(0x160E), (Bytes{0, 0x01, 0x01, 0xFF, 0xFF, 0, 0, 0}));
    ASSERT_NE(comm.ReadTapeIfOutputSetup(), 0);
    EXPECT_EQ(comm.m_TapeIfOutput.selector, 1);
    EXPECT_EQ(comm.m_TapeIfOutput.value, 0x1FFFFu);

    comm.m_nOperationalMode = 11;
    comm.m_Tape[2] = {};
    ASSERT_NE(comm.ReadChannelSetup(2), 0);
    EXPECT_EQ(comm.m_Tape[2].upConverter, 1);
    EXPECT_EQ(comm.m_Tape[2].inputSelect, 0);
    EXPECT_EQ(comm.m_Tape[2].bandwidthPercent, 40);
    EXPECT_EQ(comm.m_Tape[2].outputFrequency, 0x0A0B0C0Du);
    ASSERT_NE(comm.SendTapeOutputSetup(2, 7, 0x1234), 0);
    ASSERT_NE(comm.ReadOutputSetup(2), 0);
    EXPECT_EQ(session.LastPayload(0x4601), Bytes{2});
    EXPECT_EQ(comm.m_Tape[2].basebandOutputCode, 7);
    EXPECT_EQ(comm.m_Tape[2].basebandDacValue, 0x1234);
}
