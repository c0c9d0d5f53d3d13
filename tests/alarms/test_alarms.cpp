#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "alarms/alarm_engine.h"
#include "alarms/alarm_log.h"
#include "alarms/limit_library.h"
#include "tests/support/TempDir.h"

using alarms::AlarmEngine;
using alarms::LimitSet;
using alarms::Severity;
using alarms::State;

namespace {

constexpr int64_t kT0 = 1'765'000'000'000;

protocol::ChannelStatus Rssi(float rssi, bool carrier = true) {
    protocol::ChannelStatus s;
    s.rssi = rssi;
    s.carrierLock = carrier ? 1 : 0;
    s.symbolLock = 1;
    return s;
}

LimitSet Limits() {
    return alarms::ParseLimitSet(R"({
        "format": "kv90t-limits", "version": 1,
        "paths": {
            "CH1": {
                "rssi": {"redLow": -100, "yellowLow": -90, "persistence": 3, "deadband": 1},
                "carrierLock": {"severity": "red", "persistence": 2},
                "frameSync": {"severity": "yellow"}
            }
        },
        "noAnswer": {"severity": "red", "persistence": 3}
    })");
}

// An engine on the limits above that records what it tells.
class Engine : public ::testing::Test {
protected:
    Engine() {
        m_engine.SetLimits(Limits(), kT0);
        m_engine.onTransition = [this](const alarms::Transition& t) {
            m_told.push_back(t.alarm.item + " " + t.action + " " +
                             alarms::StateName(t.alarm.state));
        };
    }
    // Polls path 0 once a second from `m_time` on.
    void Poll(const protocol::ChannelStatus& s, int times = 1) {
        for (int i = 0; i < times; ++i) {
            m_time += 1000;
            m_engine.Evaluate(0, &s, m_time);
        }
    }
    State StateOf(const std::string& item, int path = 0) {
        for (const alarms::Alarm& alarm : m_engine.Alarms()) {
            if (alarm.item == item && alarm.path == path) {
                return alarm.state;
            }
        }
        return State::kNormal;
    }

    AlarmEngine m_engine;
    std::vector<std::string> m_told;
    int64_t m_time = kT0;
};

}  // namespace

// Two polls below the bound do not raise; the third in a row does. A value back by less than
// the deadband stays in alarm; past it, the alarm returns.
TEST_F(Engine, PersistenceRaisesAndTheDeadbandReturns) {
    Poll(Rssi(-95), 2);
    Poll(Rssi(-80));
    Poll(Rssi(-95), 2);
    EXPECT_EQ(StateOf("rssi"), State::kNormal);
    Poll(Rssi(-95));
    ASSERT_EQ(StateOf("rssi"), State::kActiveUnacked);
    const alarms::Alarm alarm = m_engine.Alarms().front();
    EXPECT_EQ(alarm.severity, Severity::kYellow);
    EXPECT_EQ(alarm.bound, -90);
    EXPECT_EQ(alarm.raisedMs, kT0 + 6000);
    Poll(Rssi(-89.5f), 5);  // back, but by less than the deadband
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);
    Poll(Rssi(-88.5f));
    EXPECT_EQ(StateOf("rssi"), State::kReturnedUnacked);
    EXPECT_EQ(m_told, (std::vector<std::string>{"rssi raised active", "rssi returned returned"}));
}

// A value that sits on its bound with some noise raises once and never chatters.
TEST_F(Engine, AValueOnItsBoundDoesNotChatter) {
    for (int i = 0; i < 40; ++i) {
        Poll(Rssi(i % 2 == 0 ? -90.2f : -89.8f));
    }
    Poll(Rssi(-90.2f), 3);
    EXPECT_EQ(m_told, (std::vector<std::string>{"rssi raised active"}));
}

TEST_F(Engine, EveryStateTransition) {
    Poll(Rssi(-95), 3);
    m_engine.Acknowledge(0, "rssi", m_time);
    EXPECT_EQ(StateOf("rssi"), State::kActiveAcked);
    EXPECT_EQ(m_engine.UnacknowledgedCount(), 0);
    Poll(Rssi(-80));
    EXPECT_EQ(StateOf("rssi"), State::kNormal);  // acknowledged, then returned: normal

    Poll(Rssi(-95), 3);
    Poll(Rssi(-80));
    EXPECT_EQ(StateOf("rssi"), State::kReturnedUnacked);
    EXPECT_EQ(m_engine.UnacknowledgedCount(), 1);
    Poll(Rssi(-95), 3);  // in alarm again before it was acknowledged
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);
    Poll(Rssi(-80));
    m_engine.AcknowledgeAll(m_time);
    EXPECT_EQ(StateOf("rssi"), State::kNormal);
    EXPECT_TRUE(m_engine.Alarms().empty());

    // Yellow rising to red is an alarm to acknowledge again.
    Poll(Rssi(-95), 3);
    m_engine.Acknowledge(0, "rssi", m_time);
    Poll(Rssi(-105));
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);
    EXPECT_EQ(m_engine.Alarms().front().severity, Severity::kRed);
    EXPECT_EQ(m_engine.Alarms().front().bound, -100);
}

// Silence stops the tone, not the alarm; the next alarm sounds again. Red sounds over yellow.
TEST_F(Engine, SilenceIsNotAcknowledge) {
    Poll(Rssi(-95), 3);
    EXPECT_EQ(m_engine.Sounding(), Severity::kYellow);
    m_engine.Silence(m_time);
    EXPECT_FALSE(m_engine.Sounding());
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);
    EXPECT_EQ(m_engine.UnacknowledgedCount(), 1);
    Poll(Rssi(-95, false), 2);  // the carrier drops: a red alarm
    EXPECT_EQ(m_engine.Sounding(), Severity::kRed);
    EXPECT_EQ(m_engine.Alarms().front().item, "carrierLock");  // red first
    m_engine.Acknowledge(0, "carrierLock", m_time);
    EXPECT_FALSE(m_engine.Sounding());  // the yellow one stays silenced
}

// Shelved: no sound, not counted; it comes back by itself as what it then is.
TEST_F(Engine, ShelvingEndsByItself) {
    Poll(Rssi(-95), 3);
    m_engine.Shelve(0, "rssi", m_time + 60'000, "antenna work", m_time);
    EXPECT_EQ(StateOf("rssi"), State::kShelved);
    EXPECT_EQ(m_engine.Alarms().front().shelveReason, "antenna work");
    EXPECT_FALSE(m_engine.Sounding());
    EXPECT_EQ(m_engine.UnacknowledgedCount(), 0);
    Poll(Rssi(-95), 10);
    m_engine.Tick(m_time);
    EXPECT_EQ(StateOf("rssi"), State::kShelved);
    m_engine.Tick(kT0 + 3000 + 60'000);
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);  // still below its bound

    m_engine.Shelve(0, "rssi", m_time + 5000, "", m_time);
    Poll(Rssi(-80));  // returns while shelved
    m_engine.Tick(m_time + 5000);
    EXPECT_EQ(StateOf("rssi"), State::kNormal);
    EXPECT_EQ(m_told.back(), "rssi unshelved normal");
}

// Locks raise when unlocked (frame sync only while enabled); a failed poll or a value the
// device cannot report changes nothing; the silent device is an item of its own.
TEST_F(Engine, LocksUnreadValuesAndASilentDevice) {
    protocol::ChannelStatus s = Rssi(-60, false);
    s.frameSyncEnabled = 0;
    Poll(s, 2);
    EXPECT_EQ(StateOf("carrierLock"), State::kActiveUnacked);
    EXPECT_EQ(StateOf("frameSync"), State::kNormal);
    s.frameSyncEnabled = 1;
    Poll(s);
    EXPECT_EQ(StateOf("frameSync"), State::kActiveUnacked);

    Poll(Rssi(-95), 2);
    m_engine.Evaluate(0, nullptr, m_time += 1000);
    Poll(Rssi(-200));  // below what an input can take: no reading
    Poll(Rssi(-95));
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);  // the third poll that read

    m_engine.EvaluateAnswer(false, m_time);
    m_engine.EvaluateAnswer(false, m_time);
    EXPECT_EQ(StateOf("noAnswer", alarms::kDevice), State::kNormal);
    m_engine.EvaluateAnswer(false, m_time);
    EXPECT_EQ(StateOf("noAnswer", alarms::kDevice), State::kActiveUnacked);
    m_engine.EvaluateAnswer(true, m_time);
    EXPECT_EQ(StateOf("noAnswer", alarms::kDevice), State::kReturnedUnacked);
}

// A new set keeps the state of the items it keeps; an item it drops is normal, and said so.
TEST_F(Engine, ANewLimitSetKeepsTheItemsItKeeps) {
    Poll(Rssi(-95, false), 3);
    LimitSet next = Limits();
    next.paths[0].erase("carrierLock");
    m_engine.SetLimits(next, m_time);
    EXPECT_EQ(StateOf("rssi"), State::kActiveUnacked);
    EXPECT_EQ(StateOf("carrierLock"), State::kNormal);
    EXPECT_EQ(m_told.back(), "carrierLock limit set changed normal");
}

TEST(LimitSet, WrittenAndReadBackTheSame) {
    const LimitSet set = Limits();
    const LimitSet again = alarms::ParseLimitSet(alarms::LimitSetJson(set));
    EXPECT_EQ(alarms::LimitSetJson(again), alarms::LimitSetJson(set));
    const alarms::ItemLimit& rssi = again.paths[0].at("rssi");
    EXPECT_EQ(rssi.redLow, -100);
    EXPECT_EQ(rssi.yellowLow, -90);
    EXPECT_FALSE(rssi.yellowHigh);
    EXPECT_EQ(rssi.persistence, 3);
    EXPECT_EQ(rssi.deadband, 1);
    EXPECT_EQ(again.noAnswer->severity, Severity::kRed);
}

TEST(LimitSet, EveryBadFileIsRefusedWithItsPointer) {
    const std::string head = R"({"format": "kv90t-limits", "version": 1, )";
    const struct {
        std::string text;
        const char* pointer;
        const char* why;
    } cases[] = {
        {"{not json", "", "not JSON"},
        {R"({"format": "other", "version": 1})", "/format", "is not \"kv90t-limits\""},
        {R"({"format": "kv90t-limits", "version": 2})", "/version", "this console reads version 1"},
        {head + R"("paths": {"CH3": {}}})", "/paths/CH3", "is no path"},
        {head + R"("paths": {"CH1": {"snr": {}}}})", "/paths/CH1/snr", "is no item"},
        {head + R"("paths": {"CH1": {"rssi": {"redLow": "low"}}}})", "/paths/CH1/rssi/redLow",
         "is \"low\", not a number"},
        {head + R"("paths": {"CH1": {"rssi": {"yellowLow": -80, "yellowHigh": -90}}}})",
         "/paths/CH1/rssi/yellowHigh", "below yellowLow (-80.0): the bounds cross"},
        {head + R"("paths": {"CH2": {"carrierLock": {"severity": "blue"}}}})",
         "/paths/CH2/carrierLock/severity", "not \"red\" or \"yellow\""},
        {head + R"("paths": {"CH2": {"symbolLock": {"persistence": 0}}}})",
         "/paths/CH2/symbolLock/persistence", "not a count of polls"},
        {head + R"("paths": {"CH2": {"symbolLock": {"redLow": 1}}}})",
         "/paths/CH2/symbolLock/redLow", "is no field of this item"},
        {head + R"("paths": {"combiner": {"rssi": {"deadband": -1}}}})",
         "/paths/combiner/rssi/deadband", "below 0"},
        {head + R"("alarms": []})", "/alarms", "is no field"},
    };
    for (const auto& c : cases) {
        try {
            alarms::ParseLimitSet(c.text);
            ADD_FAILURE() << "taken: " << c.text;
        } catch (const alarms::LimitError& error) {
            EXPECT_EQ(error.pointer, c.pointer) << c.text;
            EXPECT_NE(std::string(error.what()).find(c.why), std::string::npos) << error.what();
        }
    }
}

// The shipped set is one the console reads, written once; a bad edit is refused with the file and
// the pointer and leaves the file as it was; names never leave the folder.
TEST(LimitLibrary, TheDefaultSetAndSavesThatKeepAGoodFile) {
    testsupport::TempDir folder;
    const alarms::LimitLibrary library(folder.Path() + "/limits");
    EXPECT_TRUE(library.Names().empty());
    ASSERT_EQ(library.EnsureDefault(), "");
    EXPECT_EQ(library.Names(), std::vector<std::string>{"default"});
    const LimitSet shipped = library.Load("default");
    EXPECT_TRUE(shipped.noAnswer.has_value());
    EXPECT_EQ(shipped.paths[0].at("rssi").redLow, -100);
    EXPECT_EQ(shipped.paths[2].count("rssi"), 0u);  // the combiner has no level

    const std::string good = library.Text("default");
    try {
        library.Save("default", R"({"format": "kv90t-limits", "version": 1,
            "paths": {"CH1": {"rssi": {"yellowLow": -80, "redLow": -70}}}})");
        FAIL() << "crossed bounds were saved";
    } catch (const alarms::LimitError& error) {
        EXPECT_EQ(error.pointer, "/paths/CH1/rssi/yellowLow");
        EXPECT_EQ(std::string(error.what()).rfind(library.PathOf("default") + ": ", 0), 0u)
            << error.what();
    }
    EXPECT_EQ(library.Text("default"), good);

    const LimitSet saved = library.Save("pass-7", alarms::LimitSetJson(Limits()));
    EXPECT_EQ(saved.paths[0].at("carrierLock").persistence, 2);
    EXPECT_EQ(library.Names(), (std::vector<std::string>{"default", "pass-7"}));
    for (const char* bad : {"", "../escape", ".hidden", "modes"}) {
        EXPECT_THROW(library.Save(bad, good), alarms::LimitError) << bad;
    }
    EXPECT_THROW(library.Load("missing"), alarms::LimitError);
}

TEST(LimitLibrary, EachModeKeepsItsOwnChoice) {
    testsupport::TempDir folder;
    const alarms::LimitLibrary library(folder.Path());
    EXPECT_EQ(library.ChosenFor("PSK"), "default");
    library.Choose("PSK", "pass-7");
    library.Choose("PCM/FM", "wide");
    EXPECT_EQ(library.ChosenFor("PSK"), "pass-7");
    EXPECT_EQ(library.ChosenFor("PCM/FM"), "wide");
    EXPECT_EQ(library.ChosenFor("Bit Sync"), "default");
    EXPECT_EQ(library.Names(), std::vector<std::string>{});  // modes.json is no set
    std::ofstream(folder.Path() + "/modes.json") << "not json";
    EXPECT_EQ(library.ChosenFor("PSK"), "default");
}

TEST(AlarmLog, OneLinePerTransitionWithItsColumns) {
    alarms::Transition raised{kT0, {}, "raised"};
    raised.alarm.path = 1;
    raised.alarm.item = "rssi";
    raised.alarm.state = State::kActiveUnacked;
    raised.alarm.severity = Severity::kRed;
    raised.alarm.value = -101.5;
    raised.alarm.bound = -100;
    EXPECT_EQ(alarms::AlarmLogLine(raised, "ops"),
              "2025-12-06T05:46:40.000Z,CH2,rssi,raised,-101.5,-100,red,active,ops,");

    alarms::Transition shelved{kT0 + 1500, raised.alarm, "shelved"};
    shelved.alarm.state = State::kShelved;
    shelved.alarm.shelveReason = "antenna move, \"planned\"";
    EXPECT_EQ(alarms::AlarmLogLine(shelved, "Smith, J"),
              "2025-12-06T05:46:41.500Z,CH2,rssi,shelved,-101.5,-100,red,shelved,\"Smith, J\","
              "\"antenna move, \"\"planned\"\"\"");
    EXPECT_EQ(alarms::LimitSetChangeLine(kT0, "pass-7", "ops"),
              "2025-12-06T05:46:40.000Z,device,limitSet,limit set changed,,,,,ops,pass-7");
    const std::string heading = alarms::AlarmLogHeading();
    for (const std::string& line :
         {alarms::AlarmLogLine(raised, "ops"), alarms::LimitSetChangeLine(kT0, "x", "ops")}) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','),
                  std::count(heading.begin(), heading.end(), ','))
            << line;
    }
}

// The testers are judged from their status reads: the bit error rate while they count, and
// each rise of the out-of-lock count; in DAU mode the built-in test's rails and temperature and
// the time code's lock.
TEST(EngineItems, TestersAndTheDauModesItems) {
    const LimitSet set = alarms::ParseLimitSet(R"({"format": "kv90t-limits", "version": 1,
        "paths": {"CH2": {"berQ": {"yellowHigh": 1e-6, "redHigh": 1e-3},
                          "outOfLock": {"severity": "yellow"}}},
        "dau": {"rails": {"severity": "red", "persistence": 2},
                "temperature": {"yellowHigh": 60, "redHigh": 70, "deadband": 2},
                "timeLock": {"severity": "yellow"}}})");
    EXPECT_EQ(alarms::ParseLimitSet(alarms::LimitSetJson(set)).dau.size(), 3u);
    AlarmEngine engine;
    engine.SetLimits(set, kT0);
    auto state = [&](int path, const char* item) {
        const alarms::Alarm* alarm = engine.AlarmOf(path, item);
        return alarm != nullptr ? alarm->state : State::kNormal;
    };

    protocol::BertStream q;
    q.locked = 1;
    q.bitCount = 1'000'000;
    q.bitErrors = 10;
    engine.EvaluateTester(3, q, kT0);
    ASSERT_EQ(state(1, "berQ"), State::kActiveUnacked);
    EXPECT_EQ(engine.AlarmOf(1, "berQ")->severity, Severity::kYellow);
    EXPECT_DOUBLE_EQ(engine.AlarmOf(1, "berQ")->value, 1e-5);
    q.bitErrors = 2'000;
    engine.EvaluateTester(3, q, kT0 + 1000);
    EXPECT_EQ(engine.AlarmOf(1, "berQ")->severity, Severity::kRed);
    q.locked = 0;  // a tester that does not count has no rate to judge
    q.bitErrors = 0;
    engine.EvaluateTester(3, q, kT0 + 2000);
    EXPECT_EQ(state(1, "berQ"), State::kActiveUnacked);
    EXPECT_EQ(engine.AlarmOf(0, "ber"), nullptr);

    protocol::BertStream i;
    const struct {
        uint32_t count;
        State state;
    } reads[] = {{3, State::kNormal},  // the first read is where counting starts
                 {3, State::kNormal},
                 {4, State::kActiveUnacked},
                 {4, State::kReturnedUnacked}};
    for (const auto& read : reads) {
        i.values[2] = read.count;
        engine.EvaluateTester(2, i, kT0 + 3000);
        EXPECT_EQ(state(1, "outOfLock"), read.state) << read.count;
    }

    float values[11] = {5.0f, 3.3f, 5.5f, 5.6f, 5.0f, 4.9f, -5.0f, -5.1f, 41, 28, 1.5f};
    engine.EvaluateBuiltInTest(values, kT0);
    EXPECT_EQ(state(alarms::kDevice, "rails"), State::kNormal);
    values[0] = 4.2f;
    engine.EvaluateBuiltInTest(values, kT0);
    EXPECT_EQ(state(alarms::kDevice, "rails"), State::kNormal);  // persistence 2
    engine.EvaluateBuiltInTest(values, kT0);
    EXPECT_EQ(state(alarms::kDevice, "rails"), State::kActiveUnacked);
    EXPECT_EQ(engine.AlarmOf(alarms::kDevice, "rails")->value, 1);
    for (const auto& [celsius, severity] :
         {std::pair{65.0f, Severity::kYellow}, {71.0f, Severity::kRed}, {67.0f, Severity::kRed}}) {
        values[8] = celsius;
        engine.EvaluateBuiltInTest(values, kT0);
        EXPECT_EQ(engine.AlarmOf(alarms::kDevice, "temperature")->severity, severity) << celsius;
    }
    values[8] = 57;  // back past the yellow bound by its deadband
    engine.EvaluateBuiltInTest(values, kT0);
    EXPECT_EQ(state(alarms::kDevice, "temperature"), State::kReturnedUnacked);
    engine.EvaluateTimeLock(false, kT0);
    EXPECT_EQ(state(alarms::kDevice, "timeLock"), State::kActiveUnacked);

    EXPECT_THROW(alarms::ParseLimitSet(R"({"format": "kv90t-limits", "version": 1,
        "dau": {"voltage": {"severity": "red"}}})"),
                 alarms::LimitError);
    engine.SetLimits(Limits(), kT0);  // a set without them drops them
    EXPECT_EQ(engine.AlarmOf(alarms::kDevice, "rails"), nullptr);
    EXPECT_EQ(state(1, "berQ"), State::kNormal);
}
