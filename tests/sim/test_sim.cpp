#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "link/CNetworkDeviceComm.h"
#include "protocol/CKV90T1_Comm.h"
#include "sim/Frame.h"
#include "sim/KV90TSimulation.h"
#include "sim/Profile.h"
#include "sim/SimDevice.h"
#include "tests/sim/sim_program.h"

using sim::Frame;
using sim::FrameReader;

TEST(FrameReader, CutsFramesByLengthAcrossArbitrarySplits) {
    std::vector<uint8_t> stream = sim::EncodeFrame(0x1200, {1, 2, 3});
    const auto second = sim::EncodeFrame(0x0000, {});
    const auto third = sim::EncodeFrame(0x2100, std::vector<uint8_t>(300, 7));
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), third.begin(), third.end());

    for (size_t chunk : {1u, 2u, 5u, 7u, 1000u}) {
        FrameReader reader;
        std::vector<Frame> frames;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            reader.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
            while (auto frame = reader.Next()) {
                frames.push_back(*frame);
            }
        }
        ASSERT_EQ(frames.size(), 3u) << "chunk " << chunk;
        EXPECT_EQ(frames[0].code, 0x1200);
        EXPECT_EQ(frames[0].payload, (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(frames[1].code, 0x0000);
        EXPECT_TRUE(frames[1].payload.empty());
        EXPECT_EQ(frames[2].payload.size(), 300u);
        EXPECT_EQ(reader.PendingBytes(), 0u);
    }
}

TEST(FrameReader, SkipsBytesThatCannotStartAFrame) {
    FrameReader reader;
    const std::vector<uint8_t> noise = {0x00, 0x13, 0x28, 0x01, 0x28};
    reader.Feed(noise.data(), noise.size());
    EXPECT_FALSE(reader.Next());
    const auto frame = sim::EncodeFrame(0x0000, {});
    reader.Feed(frame.data() + 1, frame.size() - 1);
    const auto cut = reader.Next();
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->code, 0x0000);
    EXPECT_EQ(reader.DiscardedBytes(), 4u);
}

TEST(SimDevice, FaultsApplyToTheirCommandAndCount) {
    sim::SimDevice device;
    device.SetCommand(0x2001, [](const Frame&) { return std::vector<uint8_t>{9, 8}; });
    sim::Fault twice = sim::MakeFault(sim::FaultKind::NoReply);
    twice.code = 0x2001;
    twice.count = 2;
    device.InjectFault(twice);
    EXPECT_EQ(device.Handle({0x0000, {}}).bytes.size(), 6u);
    EXPECT_TRUE(device.Handle({0x2001, {}}).bytes.empty());
    EXPECT_TRUE(device.Handle({0x2001, {}}).bytes.empty());
    EXPECT_EQ(device.Handle({0x2001, {}}).bytes,
              (std::vector<uint8_t>{0x28, 0x00, 0x01, 0x20, 0x02, 0x00, 9, 8}));
    EXPECT_TRUE(device.Handle({0x7777, {}}).bytes.empty());
    EXPECT_EQ(device.ReceivedFrames().size(), 5u);

    device.InjectFault(sim::MakeFault(sim::FaultKind::WrongNullReply));
    EXPECT_EQ(device.Handle({0x2001, {}}).bytes.size(), 8u);
    EXPECT_EQ(device.Handle({0x0000, {}}).bytes,
              (std::vector<uint8_t>{0x28, 0x00, 0x00, 0x00, 0x00, 0x01}));
}

TEST(SimProgram, ListensOnAnyPortAnswersAndStopsOnInterruptOrTerminate) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SimProgram program({"--tcp", "0"});
        EXPECT_EQ(program.ReadLine(), "kv90t-sim: profile full\n");
        const std::string line = program.ReadLine();
        const std::string prefix = "kv90t-sim: listening on TCP 127.0.0.1:";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        const int port = std::stoi(line.substr(prefix.size()));
        ASSERT_GT(port, 0);
        {
            CNetworkDeviceComm link("127.0.0.1", static_cast<uint16_t>(port));
            CKV90T1_Comm comm(&link);
            EXPECT_NE(comm.SendNullCommand(), 0);
            EXPECT_NE(comm.m_nLastStatus, 0);
        }
        const int status = program.Interrupt(signal);
        EXPECT_TRUE(WIFEXITED(status)) << signal;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(program.ReadLine(), "kv90t-sim: stopped\n");
    }
}

TEST(SimProgram, HelpDescribesTheOptions) {
    SimProgram program({"--help"});
    std::string text;
    for (std::string line = program.ReadLine(); !line.empty(); line = program.ReadLine()) {
        text += line;
    }
    EXPECT_NE(text.find("--tcp PORT"), std::string::npos);
    EXPECT_NE(text.find("--pty"), std::string::npos);
    for (const auto& profile : sim::Profiles()) {
        EXPECT_NE(text.find("  " + profile.name + " "), std::string::npos) << profile.name;
    }
    for (const auto& scenario : sim::Scenarios()) {
        EXPECT_NE(text.find(std::string("  ") + scenario.name + " "), std::string::npos)
            << scenario.name;
    }
}

TEST(KV90TSimulation, ListsModesLastFirstAndIgnoresMalformedRequests) {
    sim::SimDevice device;
    sim::Profile profile = sim::DefaultProfile();
    profile.modes = {6, 1, 3};
    sim::KV90TSimulation simulation(device, profile);
    const auto reply = device.Handle({0x2000, {}}).bytes;
    ASSERT_EQ(reply.size(), 6u + 23u);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 6, reply.begin() + 12),
              (std::vector<uint8_t>{0x04, 0xD2, 3, 3, 1, 6}));
    EXPECT_TRUE(device.Handle({0x1100, std::vector<uint8_t>(43, 0)}).bytes.empty());
    EXPECT_TRUE(device.Handle({0x4100, {3}}).bytes.empty());
    EXPECT_TRUE(device.Handle({0x2009, {32}}).bytes.empty());
}

TEST(KV90TSimulation, AppliesTheBandOfTheTuningFrequency) {
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile());
    std::vector<uint8_t> setup = simulation.StoredSetup(0x1200, 1);
    // 1,500 MHz lies in the L band (band 1); 100 Mbit/s is applied as 60 Mbit/s.
    const uint64_t hz = 1'500'000'000;
    for (int i = 0; i < 5; ++i) {
        setup[7 - i] = static_cast<uint8_t>(hz >> (8 * i));
    }
    setup[15] = 0x05;
    setup[16] = 0xF5;
    setup[17] = 0xE1;
    setup[18] = 0x00;
    const auto reply = device.Handle({0x1200, setup}).bytes;
    ASSERT_EQ(reply.size(), 6u + 20u);
    EXPECT_EQ(reply[6], 1);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 7, reply.begin() + 11),
              (std::vector<uint8_t>{0x03, 0x93, 0x87, 0x00}));
    EXPECT_EQ(simulation.StoredSetup(0x1200, 1)[2], 1);
}

// Each scenario plays its trouble on the device's clock, from when it was set, and repeats.
TEST(KV90TSimulation, ScenariosPlayTheirTroubleAndRepeat) {
    sim::ManualClock clock;
    sim::SimDevice device;
    sim::KV90TSimulation simulation(device, sim::DefaultProfile(), &clock);
    clock.Advance(5'000);  // every path has locked
    auto status = [&](int path) {
        const auto reply = device.Handle({0x2100, {uint8_t(path)}}).bytes;
        EXPECT_EQ(reply.size(), 6u + 30u);
        const auto tenths = static_cast<int16_t>(reply[6 + 7] << 8 | reply[6 + 8]);
        return std::pair{tenths / 10.0, (reply[6 + 9] & 0x40) != 0};
    };
    auto at = [&](int64_t sinceMs, int64_t startMs) {
        clock.Advance(startMs + sinceMs - clock.NowMs());
    };

    simulation.SetScenario(sim::Scenario::kFade);
    int64_t start = clock.NowMs();
    EXPECT_GT(status(0).first, -70);
    for (int64_t period : {0, 60'000}) {
        at(period + 25'000, start);  // the bottom of the fade: 40 dB down on both channels
        EXPECT_LT(status(0).first, -95);
        EXPECT_LT(status(1).first, -95);
        EXPECT_TRUE(status(0).second);
        at(period + 50'000, start);
        EXPECT_GT(status(0).first, -70);
    }

    simulation.SetScenario(sim::Scenario::kCarrierDrop);
    start = clock.NowMs();
    for (int64_t period : {0, 30'000}) {
        at(period + 9'000, start);
        EXPECT_TRUE(status(0).second);
        at(period + 11'000, start);  // channel 1 only loses its lock, for 4 s
        EXPECT_FALSE(status(0).second);
        EXPECT_TRUE(status(1).second);
        EXPECT_GT(status(0).first, -70);  // the signal is still there
        at(period + 14'500, start);
        EXPECT_TRUE(status(0).second);
    }

    simulation.SetScenario(sim::Scenario::kRailOut);
    start = clock.NowMs();
    auto rail = [&] { return device.Handle({0x2001, {}}).bytes.at(6); };
    EXPECT_EQ(rail(), 50);
    at(15'000, start);
    EXPECT_EQ(rail(), 42);
    at(25'000, start);
    EXPECT_EQ(rail(), 50);

    simulation.SetScenario(sim::Scenario::kNone);
    EXPECT_TRUE(status(0).second);
    EXPECT_GT(status(0).first, -70);
}

TEST(ScenarioScript, BurstsOfBitErrorsAndTheNamesOfScenarios) {
    const sim::ScenarioScript burst(sim::Scenario::kBerBurst, 1'000);
    EXPECT_EQ(burst.ExtraErrorRate(1'000 + 9'999), 0);
    EXPECT_EQ(burst.ExtraErrorRate(1'000 + 10'000), 0.01);
    EXPECT_EQ(burst.ExtraErrorRate(1'000 + 14'999), 0.01);
    EXPECT_EQ(burst.ExtraErrorRate(1'000 + 15'000), 0);
    EXPECT_EQ(burst.ExtraErrorRate(1'000 + 40'000), 0.01);
    EXPECT_EQ(burst.RssiOffsetDb(1'000 + 25'000), 0);
    EXPECT_FALSE(burst.DropsLock(0, 1'000 + 11'000));
    for (const sim::ScenarioInfo& info : sim::Scenarios()) {
        ASSERT_NE(sim::FindScenario(info.name), nullptr);
        EXPECT_EQ(sim::FindScenario(info.name)->scenario, info.scenario);
    }
    EXPECT_EQ(sim::FindScenario("storm"), nullptr);
}
