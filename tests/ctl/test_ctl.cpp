#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <sstream>

#include "ctl/record.h"
#include "link/CNetworkDeviceComm.h"
#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/status_fields.h"
#include "tests/ctl/ctl_run.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/FastForward.h"

using Bytes = std::vector<uint8_t>;

namespace {

class Ctl : public ::testing::Test {
protected:
    CtlRun Run(std::vector<std::string> command, bool json = false) {
        return RunCtl(At(m_sim, std::move(command), json));
    }
    std::vector<sim::Frame> Frames() { return m_sim.Device().ReceivedFrames(); }
    // The last request with that code.
    Bytes Sent(uint16_t code) {
        const auto frames = Frames();
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            if (it->code == code) {
                return it->payload;
            }
        }
        return {};
    }
    int Count(uint16_t code) {
        int count = 0;
        for (const auto& frame : Frames()) {
            count += frame.code == code;
        }
        return count;
    }

    testsupport::SimulatedDevice m_sim;
};

}  // namespace

TEST_F(Ctl, IdentityInTextAndJson) {
    const CtlRun text = Run({"identity"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_NE(text.out.find("serialNumber: 1A2B-007\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("deviceId: KV90T-SIM-000001\n"), std::string::npos);
    const CtlRun json = Run({"identity"}, true);
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"serialNumber\":\"1A2B-007\",\"deviceId\":\"KV90T-SIM-000001\","
                             "\"dsp1Version\":\"20250312\",",
                             0),
              0u)
        << json.out;
    EXPECT_EQ(json.out.back(), '\n');
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1);
}

TEST_F(Ctl, AWatchPrintsOneJsonLinePerPollAtItsInterval) {
    const uint64_t start = platform::TickCount64();
    CtlRun run;
    {
        testsupport::FastForward interval(25, 1, testsupport::FastForward::BetweenTransactions);
        run = Run({"status", "--watch", "--count", "5"}, true);
    }
    const uint64_t elapsed = platform::TickCount64() - start;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5);
    EXPECT_GE(elapsed, 4 * 600u);
    EXPECT_LT(elapsed, 4 * 600u + 2000);
    EXPECT_EQ(Count(0x2100), 15);  // three paths a poll
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("{\"time\":\"20", 0), 0u) << line;
        EXPECT_NE(line.find("\"mode\":3,\"paths\":[{\"path\":0,\"rssi\":"), std::string::npos);
        EXPECT_NE(line.find("{\"path\":2,"), std::string::npos);
    }
}

TEST_F(Ctl, ModeIsReadAndSetByNumberOrName) {
    const CtlRun read = Run({"mode"}, true);
    EXPECT_EQ(read.out, "{\"mode\":3,\"name\":\"PSK\"}\n");
    const CtlRun byName = Run({"mode", "ms-pcmfm/gmsk"});
    EXPECT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(Sent(0x1000), (Bytes{4}));
    EXPECT_EQ(byName.out, "mode: 4\nname: MS-PCMFM/GMSK\n");
    EXPECT_EQ(Run({"mode", "1"}).status, 0);
    EXPECT_EQ(Sent(0x1000), (Bytes{1}));
}

// A setup set sends exactly what the pages' own call sends for the same record.
TEST_F(Ctl, SetupSetSendsWhatThePagesSendAndPrintsTheStoredRecord) {
    const CtlRun run =
        Run({"setup", "set", "1", "tuningFrequency=2250500000", "bitRate=0x100000"}, true);
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes sent = Sent(0x1100);
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(run.out.find("\"path\":1,\"inputSelect\":0,\"tuningFrequency\":2250500000,"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"bitRate\":1048576,"), std::string::npos);

    testsupport::DeviceSession session;
    CKV90T1_Comm& comm = session.Comm();
    ASSERT_NE(comm.ReadOperationalMode(), 0);
    ASSERT_NE(comm.ReadChannelSetup(1), 0);
    protocol::ChannelSetup record = comm.m_ChannelSetup[1];
    record.tuningFrequency = 2'250'500'000;
    record.bitRate = 0x100000;
    ASSERT_NE(comm.SetChannelSetup(1, record), 0);
    EXPECT_EQ(session.LastPayload(0x1100), sent);

    const CtlRun get = Run({"setup", "get", "1"});
    EXPECT_EQ(get.status, 0);
    EXPECT_NE(get.out.find("tuningFrequency: 2250500000\n"), std::string::npos) << get.out;
}

TEST_F(Ctl, OutputCombinerAndBertGoThroughTheProtocolObjectsSetters) {
    const CtlRun output = Run({"output", "set", "0", "inverted=1", "clockPhase=2"}, true);
    EXPECT_EQ(output.status, 0) << output.err;
    EXPECT_NE(output.out.find("\"inverted\":1,\"clockPhase\":2,"), std::string::npos) << output.out;
    const CtlRun combiner = Run({"combiner", "set", "type=2", "snrFilterBandwidth=500"}, true);
    EXPECT_EQ(combiner.status, 0) << combiner.err;
    EXPECT_NE(combiner.out.find("\"snrFilterBandwidth\":500,\"phaseFilterBandwidth\":"),
              std::string::npos)
        << combiner.out;
    EXPECT_NE(combiner.out.find("\"type\":2,"), std::string::npos);

    const CtlRun bert = Run({"bert", "enable", "3"}, true);
    EXPECT_EQ(bert.status, 0) << bert.err;
    ASSERT_EQ(Sent(0x1103).size(), 13u);
    EXPECT_EQ(Sent(0x1103)[0], 0x80 | 1 | 1 << 2);  // enabled, unit 1, stream 1
    EXPECT_EQ(Sent(0x2103), (Bytes{1 | 1 << 2}));
    EXPECT_EQ(bert.out.rfind("{\"stream\":3,\"enabled\":true,\"pattern\":11,", 0), 0u) << bert.out;
    EXPECT_EQ(Run({"bert", "disable", "3"}).status, 0);
    EXPECT_EQ(Sent(0x1103)[0], 1 | 1 << 2);
}

TEST_F(Ctl, TimeHealthAndRaw) {
    const CtlRun set = Run({"time", "set", "2026", "344", "13:05:59"}, true);
    EXPECT_EQ(set.status, 0) << set.err;
    // Years and days are numbers in the setup as in the status.
    EXPECT_NE(set.out.find("\"year\":2026,\"day\":344,\"time\":\"13:05:59\""), std::string::npos)
        << set.out;
    const CtlRun get = Run({"time", "get"}, true);
    EXPECT_NE(get.out.find("\"status\":{\"timeValid\":true,\"year\":2026,"), std::string::npos)
        << get.out;
    const CtlRun health = Run({"health"}, true);
    EXPECT_EQ(health.status, 0) << health.err;
    EXPECT_NE(health.out.find("\"physicalValues\":{\"rail1\":"), std::string::npos);
    EXPECT_NE(health.out.find("\"totalRuntime\":"), std::string::npos);
    // The lower end of each range is the low one, as the built-in test page shows them.
    auto number = [&](const std::string& name) {
        const size_t at = health.out.find("\"" + name + "\":");
        return at == std::string::npos ? 0.0 : std::stod(health.out.substr(at + name.size() + 3));
    };
    EXPECT_LT(number("supplyVoltageLow"), number("supplyVoltageHigh")) << health.out;
    EXPECT_LT(number("temperatureLow"), number("temperatureHigh")) << health.out;

    const CtlRun raw = Run({"raw", "0x0000", "-", "0"}, true);
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, "{\"code\":0,\"header\":\"280000000000\",\"payload\":\"\"}\n");
    const CtlRun read = Run({"raw", "0x2000", "-", "23"});
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out.find("code: 8192\nheader: 280000201700\npayload: "), 0u) << read.out;
}

TEST_F(Ctl, ADeviceThatDoesNotAnswerExitsWithOneAndSaysWhatFailed) {
    sim::Fault silent = sim::MakeFault(sim::FaultKind::NoReply);
    silent.count = -1;
    m_sim.Device().InjectFault(silent);
    const CtlRun run = Run({"--json", "identity"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "kv90t-ctl: identity: the device did not answer\n");
    m_sim.Device().ClearFaults();

    // The error names the link and the system's reason.
    const CtlRun unknown = RunCtl({"--tcp", "no-such-host.invalid", "mode"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.rfind("kv90t-ctl: cannot open the link to the device (TCP "
                                "no-such-host.invalid:5000): the address could not be resolved: ",
                                0),
              0u)
        << unknown.err;
    const CtlRun refused = RunCtl({"--tcp", "127.0.0.1:1", "mode"});
    EXPECT_EQ(refused.err,
              "kv90t-ctl: cannot open the link to the device (TCP 127.0.0.1:1): "
              "CSocket::Connect() failed: Connection refused\n");
    const CtlRun serial = RunCtl({"--serial", "NOPE", "mode"});
    EXPECT_EQ(serial.status, 1);
    EXPECT_EQ(serial.err.rfind("kv90t-ctl: cannot open the link to the device (serial NOPE at "
                               "57600 baud): ",
                               0),
              0u)
        << serial.err;
}

// The device reports no tester setup: a status of its own claims nothing about it.
TEST_F(Ctl, BertStatusClaimsNoSetupItDidNotSend) {
    ASSERT_EQ(Run({"bert", "enable", "3"}).status, 0);
    const CtlRun status = Run({"bert", "status", "3"}, true);
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out.rfind("{\"stream\":3,\"locked\":", 0), 0u) << status.out;
    EXPECT_EQ(status.out.find("enabled"), std::string::npos);
}

// Every usage error is found before the link opens: the device sees no connection at all.
TEST_F(Ctl, BadInputSendsNothingAndExitsWithTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{}, "no command given"},
        {{"setup", "set", "0", "warpFactor=9"}, "setup: unknown field 'warpFactor'"},
        {{"setup", "set", "0", "srrcBeta=256"}, "srrcBeta '256' is above 255"},
        {{"setup", "set", "0", "bitRate=fast"}, "bitRate 'fast' is not a number"},
        {{"setup", "set", "0", "tuningFrequency=0x10000000000"},
         "tuningFrequency '0x10000000000' is above 1099511627775"},
        {{"setup", "get", "3"}, "path '3' is above 2"},
        {{"setup", "set", "0"}, "nothing to set: give FIELD=VALUE"},
        {{"raw", "0x2000", "12z4", "2"},
         "payload '12z4' is not an even number of hex digits (- for none)"},
        {{"raw", "0x2000", "123", "2"},
         "payload '123' is not an even number of hex digits (- for none)"},
        {{"raw", "0x12345", "-", "2"}, "code '0x12345' is above 65535"},
        {{"mode", "FASTEST"}, "'FASTEST' is no mode: give 1 to 14 or a name such as \"PSK\""},
        {{"mode", "15"}, "mode '15' is above 14"},
        {{"bert", "enable", "6"}, "stream '6' is above 5"},
        {{"combiner", "set", "snrFilterBandwidth=5"}, "snrFilterBandwidth '5' is below 10"},
        {{"time", "set", "2026", "344", "25:00:00"}, "'25:00:00' is not a time HH:MM:SS"},
        {{"status", "--count", "2"}, "status: --interval, --count and --limits go with --watch"},
        {{"recorder", "list", "3"}, "recorder channel '3' is above 2"},
        {{"dau", "stream", "0", "--out", "x.dau"}, "dau stream needs --seconds S and --out FILE"},
        {{"combiner", "set", "signalBandwidth=5"}, "signalBandwidth '5' is below 10"},
        {{"output", "set", "0", "pcmCode=99"}, "pcmCode '99' is no PCM code (0 to 14, 64 to 73)"},
        {{"output", "set", "0", "qPcmCode=15"}, "qPcmCode '15' is no PCM code (0 to 14, 64 to 73)"},
        {{"time", "set", "2026", "366", "00:00:00"},
         "the year runs from 2000 to 2099 and the day from 1 to 365 in 2026"},
        {{"time", "set", "2026", "1", "+1:00:00"}, "'+1:00:00' is not a time HH:MM:SS"},
    };
    for (const auto& [command, message] : cases) {
        const CtlRun run = Run(command);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_EQ(run.err, "kv90t-ctl: " + message + "; see --help\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(RunCtl({"--tcp"}).err, "kv90t-ctl: --tcp needs a value; see --help\n");
    EXPECT_EQ(RunCtl({"--demo=nothing", "mode"}).status, 2);
    const std::string port = std::to_string(m_sim.TcpPort());
    const CtlRun twoLinks = RunCtl({"--tcp", "127.0.0.1:" + port, "--demo", "mode"});
    EXPECT_EQ(twoLinks.status, 2);
    EXPECT_EQ(twoLinks.err,
              "kv90t-ctl: '--demo' names a second link; give one of --tcp, --serial, "
              "--demo; see --help\n");
    EXPECT_EQ(RunCtl({"--tcp", "127.0.0.1:0", "mode"}).status, 2);
    EXPECT_EQ(m_sim.Server().AcceptedConnections(), 0);
    EXPECT_TRUE(Frames().empty());
}

// A value the current mode does not take is refused before the setup is sent.
TEST_F(Ctl, AValueTheModeWouldCorrectIsRefusedAndNotSent) {
    const CtlRun run = Run({"setup", "set", "0", "bitRate=70000000"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("kv90t-ctl: setup: bitRate=70000000 is outside what mode 3 takes (it "
                           "would be 60000000); nothing was sent"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Count(0x1100), 0);
}

TEST_F(Ctl, TimeSeedSetsTheComputersDayAndTimeGetReadsItBack) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    ASSERT_EQ(Run({"time", "seed"}).status, 0);
    const CtlRun get = Run({"time", "get"}, true);
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.out.find("{\"setup\":{\"year\":" + std::to_string(utc.tm_year + 1900) +
                           ",\"day\":" + std::to_string(utc.tm_yday + 1) + ","),
              std::string::npos)
        << get.out;
    EXPECT_NE(get.out.find("\"status\":{\"timeValid\":"), std::string::npos);
}

TEST(CtlDemo, RunsOnASimulatedDeviceInItsOwnProcessAndHelpNeedsNone) {
    const CtlRun run = RunCtl({"--demo=dau", "--json", "mode"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"mode\":7,\"name\":\"DAU\"}\n");
    const CtlRun status = RunCtl({"--demo=dau", "--json", "status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("}],\"timeStatus\":{\"timeValid\":true,\"year\":20"),
              std::string::npos)
        << status.out;
    const CtlRun help = RunCtl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: kv90t-ctl"), std::string::npos);
    // The version is the project's, and asking for it opens no link.
    const CtlRun version = RunCtl({"--serial", "COM99", "--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, std::string("kv90t-ctl ") + KV90T_PROJECT_VERSION + "\n");
}

// Whatever bytes the device sends, every JSON line is valid UTF-8 with device text read as
// Latin-1, and the text output shows control characters escaped.
TEST_F(Ctl, DeviceTextIsLatinOneInJsonAndEscapedInText) {
    const std::string hostile = "CAF\xE9\x1B[31m\nX\x9B";
    m_sim.Simulation().SetRecordings(0, {{hostile, 10}});
    const CtlRun json = Run({"recorder", "list", "0"}, true);
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"name\":\"CAF\xC3\xA9\\u001b[31m\\nX\\u009b\""), std::string::npos)
        << json.out;
    const CtlRun text = Run({"recorder", "list", "0"});
    EXPECT_NE(text.out.find("name: CAF\xC3\xA9\\x1b[31m\\x0aX\\x9b\n"), std::string::npos)
        << text.out;
    EXPECT_EQ(text.out.find('\x1B'), std::string::npos);

    // A cut sequence is Latin-1 byte by byte; 0x80 to 0x9F are C1 controls, escaped.
    EXPECT_EQ(ctl::JsonString("a\xC3\xA9\xFF\xE2\x82"), "\"a\xC3\xA9\xC3\xBF\xC3\xA2\\u0082\"");
    EXPECT_EQ(ctl::JsonString("\xF0\x9F\x98\x80\"\\"), "\"\xF0\x9F\x98\x80\\\"\\\\\"");
    EXPECT_EQ(ctl::JsonString("\xED\xA0\x80"), "\"\xC3\xAD\xC2\xA0\\u0080\"");  // no surrogates
    EXPECT_EQ(ctl::DeviceText("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

// kv90t-ctl status shows every status field by its key, in the table's order; a value the
// device cannot report is null in JSON and "invalid" in text.
TEST_F(Ctl, StatusShowsEveryFieldAndValuesOutOfRangeAsInvalid) {
    Bytes reply(30, 0);
    reply[7] = 0x9E;  // RSSI -2507.4 dBm
    reply[8] = 0x0E;
    reply[9] = 0xC0;
    for (int i = 10; i < 14; ++i) {
        reply[i] = std::vector<uint8_t>{0xD4, 0xC8, 0x50, 0x28}[i - 10];  // -725,069,784 Hz
    }
    for (int i = 14; i < 18; ++i) {
        reply[i] = 0xFF;  // symbol rate 4,294,967,295
    }
    m_sim.Device().SetCommand(0x2100, [reply](const sim::Frame&) { return reply; });
    const CtlRun json = Run({"status"}, true);
    ASSERT_EQ(json.status, 0) << json.err;
    const size_t path0 = json.out.find("{\"path\":0,");
    ASSERT_NE(path0, std::string::npos) << json.out;
    size_t at = path0;
    for (const protocol::StatusField& field : protocol::ChannelStatusFields()) {
        const size_t found = json.out.find("\"" + std::string(field.key) + "\":", at);
        ASSERT_NE(found, std::string::npos) << field.key;
        EXPECT_LT(found, json.out.find("{\"path\":1,")) << field.key;
        at = found;
    }
    for (const char* invalid : {"rssi", "carrierFrequency", "symbolRate"}) {
        EXPECT_NE(json.out.find("\"" + std::string(invalid) + "\":null", path0), std::string::npos)
            << invalid;
    }
    EXPECT_NE(json.out.find("\"carrierLock\":true,\"symbolLock\":true,"), std::string::npos);
    const CtlRun text = Run({"status"});
    EXPECT_NE(text.out.find("    rssi: invalid\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    symbolUaRate: 0\n"), std::string::npos);
}

// The names --fields prints (for the shell's completion) are exactly what the set commands
// take: each is accepted, so the command goes on to open its link; a wrong word is a usage error.
TEST(CtlFields, EveryNameListedIsAFieldItsSetCommandTakes) {
    for (const std::string command : {"setup", "output", "combiner"}) {
        const CtlRun listed = RunCtl({"--fields", command});
        ASSERT_EQ(listed.status, 0) << listed.err;
        std::istringstream lines(listed.out);
        int names = 0;
        for (std::string name; std::getline(lines, name); ++names) {
            std::vector<std::string> args{"--tcp", "127.0.0.1:1", command, "set"};
            if (command != "combiner") {
                args.push_back("0");
            }
            args.push_back(name + "=0");
            const CtlRun set = RunCtl(args);
            EXPECT_EQ(set.err.find("unknown field"), std::string::npos) << set.err;
        }
        EXPECT_GE(names, 6) << command;
    }
    const CtlRun wrong = RunCtl({"--fields", "bert"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err,
              "kv90t-ctl: --fields takes setup, output or combiner, not 'bert'; see --help\n");
}
