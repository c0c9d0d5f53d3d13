#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "pages/maintenance/CKV90T_RcvBert.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "resources/resource_ids.h"
#include "shell/AlarmsWindow.h"
#include "shell/CKV90TDlg.h"
#include "shell/TrendView.h"
#include "tests/support/DeviceSession.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"

using namespace res;
using testsupport::PumpUntil;

namespace {

constexpr const char* kLimits = R"({
  "format": "kv90t-limits", "version": 1,
  "paths": {"CH1": {"rssi": {"redLow": -110, "yellowLow": -85, "deadband": 2, "persistence": 2},
                    "carrierLock": {"severity": "red", "persistence": 2},
                    "ber": {"yellowHigh": 1e-4, "redHigh": 0.1}}},
  "noAnswer": {"severity": "red", "persistence": 3},
  "dau": {"rails": {"severity": "red"}}
})";

std::string Colour(alarms::Severity severity) {
    return AlarmColour(severity);
}

// The main window on a device whose clock the test moves, watching the limits above, with the
// status thread kept from polling so that each test makes the polls itself.
class AlarmsOn : public ::testing::Test {
protected:
    explicit AlarmsOn(const sim::Profile& profile)
        : m_session(profile, true), m_library(m_config.Path() + "/limits") {
        m_library.Save("default", kLimits);
        m_window = std::make_unique<CKV90TDlg>(&m_session.Comm(), 0);
        m_window->SetProgramFolder(m_data.Path());
        m_window->WatchAlarms(m_library);
        m_window->show();
        g_bPollChannelStatus = 0;
        g_bPollLockStatus = 0;
        platform::WakePauses();
        Clock().Advance(5'000);  // every path has locked
    }
    ~AlarmsOn() override { g_bPollChannelStatus = g_bPollLockStatus = 1; }

    sim::ManualClock& Clock() { return m_session.Sim().Clock(); }
    void Play(sim::Scenario scenario) { m_session.Sim().Simulation().SetScenario(scenario); }
    void PollChannel1(int times) {
        for (int i = 0; i < times; ++i) {
            platform::SendMessage(m_window->Handle(), UWM_CHANNEL_STATUS_1);
        }
    }
    std::string Style(int id) { return m_window->Control(id)->styleSheet().toStdString(); }
    AlarmMonitor& Monitor() { return *m_window->Alarms(); }
    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        for (const auto& entry : std::filesystem::directory_iterator(m_data.Path())) {
            if (entry.path().filename().string().rfind("alarms-", 0) == 0) {
                std::ifstream file(entry.path());
                for (std::string line; std::getline(file, line);) {
                    lines.push_back(line);
                }
            }
        }
        return lines;
    }
    // Waits for the alarm log's writer, its once-a-second write brought on by the clock.
    bool LogHolds(size_t lines) {
        return PumpUntil([&] {
            platform::AdvanceClockMs(100);
            return LogLines().size() >= lines;
        });
    }

    platform::BeepRecorder m_beeps;
    ui::DialogInterceptor m_boxes;
    testsupport::TempDir m_config;
    testsupport::TempDir m_data;
    testsupport::DeviceSession m_session;
    alarms::LimitLibrary m_library;
    std::unique_ptr<CKV90TDlg> m_window;
};

class Alarms : public AlarmsOn {
protected:
    Alarms() : AlarmsOn(sim::DefaultProfile()) {}
};

class DauAlarms : public AlarmsOn {
protected:
    DauAlarms() : AlarmsOn(*sim::FindProfile("dau")) {}
};

}  // namespace

// A lock lost and a fading signal: raised only after their persistence, marked in their
// severity's colour, counted on the Alarms button and sounded, red before yellow.
TEST_F(Alarms, ScenariosRaiseColouredCountedAndSoundedAlarms) {
    EXPECT_TRUE(m_window->IsShown(IDC_ALARMS));
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 0");
    Play(sim::Scenario::kCarrierDrop);
    Clock().Advance(11'000);
    PollChannel1(1);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 0");  // one poll never raises
    PollChannel1(1);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");
    EXPECT_NE(Style(IDC_CARRLCK_RED[0]).find(Colour(alarms::Severity::kRed)), std::string::npos);
    EXPECT_NE(Style(IDC_ALARMS).find(Colour(alarms::Severity::kRed)), std::string::npos);
    EXPECT_EQ(Style(IDC_CARRLCK_RED[1]), "");
    EXPECT_EQ(Style(IDC_RSSI[0]), "");
    const std::vector<platform::Tone> tones = m_beeps.Tones();
    const platform::Tone red{AlarmMonitor::kRedTone.frequencyHz, AlarmMonitor::kRedTone.durationMs};
    EXPECT_NE(std::find(tones.begin(), tones.end(), red), tones.end());

    Play(sim::Scenario::kFade);
    Clock().Advance(18'000);  // about 35 dB down: below yellow, above red
    PollChannel1(2);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 2");
    EXPECT_NE(Style(IDC_RSSI[0]).find(Colour(alarms::Severity::kYellow)), std::string::npos);
    // The lock came back: the lamp is plain again, the alarm waits to be acknowledged.
    EXPECT_EQ(Style(IDC_CARRLCK_GREEN[0]), "");
    EXPECT_EQ(Monitor().Engine().AlarmOf(0, "carrierLock")->state, alarms::State::kReturnedUnacked);

    AlarmsWindow& window = m_window->ShowAlarms();
    ASSERT_EQ(window.Table().rowCount(), 2);
    EXPECT_EQ(window.Table().item(0, 2)->text(), "carrierLock");
    EXPECT_EQ(window.Table().item(0, 3)->text(), "locked");  // the last value judged
    EXPECT_EQ(window.Table().item(0, 6)->text(), "returned");
    EXPECT_EQ(window.Table().item(1, 2)->text(), "rssi");
    EXPECT_EQ(window.Table().item(1, 4)->text(), "-85");
    EXPECT_EQ(window.Table().item(1, 5)->text(), "yellow");
    window.Table().selectRow(1);  // Acknowledge takes the chosen alarm only
    window.Button("Acknowledge").click();
    EXPECT_EQ(window.Table().item(1, 6)->text(), "acknowledged");
    EXPECT_EQ(window.Table().item(0, 6)->text(), "returned");
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");
}

// Silence stops the tone and leaves the alarms to acknowledge; Acknowledge All clears the count;
// a shelved alarm is neither counted nor marked, and every act is a line of the alarm log.
TEST_F(Alarms, SilenceAcknowledgeShelveAndTheLog) {
    Play(sim::Scenario::kCarrierDrop);
    Clock().Advance(11'000);
    PollChannel1(2);
    AlarmsWindow& window = m_window->ShowAlarms();
    window.Button("Silence").click();
    m_beeps.Clear();
    Monitor().Tick(platform::UtcNowMs(), platform::TickCount64() + 10'000);
    EXPECT_TRUE(m_beeps.Tones().empty());
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");

    window.Button("Acknowledge").click();  // nothing chosen: nothing acknowledged
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");
    window.Button("Acknowledge All").click();
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 0");
    EXPECT_EQ(Style(IDC_ALARMS), "");
    EXPECT_EQ(window.Table().item(0, 6)->text(), "acknowledged");
    EXPECT_FALSE(Style(IDC_CARRLCK_RED[0]).empty());  // still unlocked: still marked

    window.Table().selectRow(0);
    window.Button("Shelve...").click();
    ShelveDialog* dialog = window.OpenShelveDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->ReasonBox().setText("antenna moving");
    dialog->accept();
    EXPECT_EQ(window.Table().item(0, 6)->text(), "shelved");
    EXPECT_EQ(Style(IDC_CARRLCK_RED[0]), "");
    const alarms::Alarm* shelved = Monitor().Engine().AlarmOf(0, "carrierLock");
    EXPECT_EQ(shelved->shelveReason, "antenna moving");
    EXPECT_NEAR(double(shelved->shelvedUntilMs - platform::UtcNowMs()), 30 * 60'000.0, 5'000);

    // The set was chosen, the alarm raised, silenced, acknowledged and shelved.
    ASSERT_TRUE(LogHolds(6));
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[0], "time,path,item,action,value,bound,severity,state,user,note");
    EXPECT_NE(lines[1].find(",device,limitSet,limit set changed,"), std::string::npos);
    EXPECT_NE(lines[1].find(",default"), std::string::npos);
    const char* acts[] = {",CH1,carrierLock,raised,0,1,red,active,",
                          ",CH1,carrierLock,silenced,0,1,red,active,",
                          ",CH1,carrierLock,acknowledged,0,1,red,acknowledged,",
                          ",CH1,carrierLock,shelved,0,1,red,shelved,"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(lines[2 + i].find(acts[i]), std::string::npos) << lines[2 + i];
    }
    EXPECT_NE(lines[5].find(",antenna moving"), std::string::npos);
}

// A bad edit is refused naming the field and its reason, and the set in use stays in use; a set
// chosen for the mode is kept for it.
TEST_F(Alarms, TheEditorRefusesABadSetAndKeepsTheActiveOne) {
    AlarmsWindow& window = m_window->ShowAlarms();
    EXPECT_NE(window.Editor().toPlainText().toStdString().find("\"carrierLock\""),
              std::string::npos);
    window.Editor().setPlainText(R"({"format": "kv90t-limits", "version": 1,
        "paths": {"CH1": {"rssi": {"redLow": "low"}}}})");
    window.Button("Save Limits").click();
    const std::string message = window.Message().text().toStdString();
    EXPECT_NE(message.find(m_library.PathOf("default")), std::string::npos) << message;
    EXPECT_NE(message.find("/paths/CH1/rssi/redLow"), std::string::npos) << message;
    EXPECT_NE(message.find("not a number"), std::string::npos) << message;
    EXPECT_EQ(Monitor().Engine().Limits().paths[0].at("rssi").redLow, -110);
    EXPECT_EQ(m_library.Load("default").paths[0].at("rssi").redLow, -110);

    m_library.Save("quiet", R"({"format": "kv90t-limits", "version": 1, "paths": {}})");
    std::ofstream(m_library.PathOf("broken")) << "{";
    window.Refresh();
    window.SetChoice().setCurrentText("broken");
    EXPECT_EQ(Monitor().ActiveName(), "default");
    EXPECT_NE(window.Message().text().toStdString().find("not JSON"), std::string::npos);
    window.SetChoice().setCurrentText("quiet");
    EXPECT_EQ(Monitor().ActiveName(), "quiet");
    EXPECT_TRUE(Monitor().Engine().Limits().paths[0].empty());
    EXPECT_EQ(m_library.ChosenFor("PSK"), "quiet");
}

// The testers' page's reads are judged too: a burst of bit errors.
TEST_F(Alarms, TheTesterReadsOfItsPageAreJudged) {
    CKV90T1_Comm& comm = m_session.Comm();
    protocol::BertStream& b = comm.m_Bert[0];
    b.enabled = 1;
    ASSERT_NE(comm.SendBertSetup(0, 0, b.enabled, b.invertClock, b.pattern, b.lengthValue, b.word,
                                 b.byteValue, b.modeValue),
              0);
    Play(sim::Scenario::kBerBurst);
    const platform::WindowHandle bert = m_window->Pages().PageAt(PageHost::kRcvBert)->Handle();
    Clock().Advance(9'000);
    platform::SendMessage(bert, ID_RCV_BERT_STATUS_UPDATE, 0, 0);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 0");
    Clock().Advance(3'000);  // 3 s of the burst's 1 % errors in 12 s of counting
    platform::SendMessage(bert, ID_RCV_BERT_STATUS_UPDATE, 0, 0);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");
    const alarms::Alarm* ber = Monitor().Engine().AlarmOf(0, "ber");
    ASSERT_NE(ber, nullptr);
    EXPECT_EQ(ber->severity, alarms::Severity::kYellow);
    EXPECT_NEAR(ber->value, 0.0025, 0.0005);
}

// In DAU mode: a rail out of its range read by the built-in test page, and a time code that is
// not locked, whose lamp takes the alarm's colour.
TEST_F(DauAlarms, TheBuiltInTestReadsAndTheTimeLockAreJudged) {
    Play(sim::Scenario::kRailOut);
    Clock().Advance(15'000);
    m_window->SetPos(IDC_TAB, 3);
    m_window->Pages().SelectPage();
    m_window->Pages().PageAt(PageHost::kDauBit)->Click(IDC_BIT_READ_PHYSICAL);
    const alarms::Alarm* rails = Monitor().Engine().AlarmOf(alarms::kDevice, "rails");
    ASSERT_NE(rails, nullptr);
    EXPECT_EQ(rails->state, alarms::State::kActiveUnacked);
    EXPECT_EQ(rails->value, 1);
    EXPECT_EQ(m_window->Text(IDC_ALARMS), "Alarms: 1");

    m_library.Save("default", R"({"format": "kv90t-limits", "version": 1, "paths": {},
        "dau": {"timeLock": {"severity": "yellow"}}})");
    Monitor().UseSetFor("DAU", platform::UtcNowMs());
    m_session.Answer(0x2106, std::vector<uint8_t>(34, 0));  // the time code is not valid
    platform::SendMessage(m_window->Handle(), UWM_CHANNEL_STATUS_3);
    EXPECT_EQ(m_window->ShownLamp(IDC_TIME_RED), IDC_TIME_RED);
    EXPECT_NE(Style(IDC_TIME_RED).find(Colour(alarms::Severity::kYellow)), std::string::npos);
}

// The trend view draws the limits of each series as guides and the stretches in alarm as a band
// of their severity's colour, on the path they concern.
TEST_F(Alarms, TheTrendViewShowsTheLimitsAndTheIntervalsInAlarm) {
    Play(sim::Scenario::kCarrierDrop);
    Clock().Advance(11'000);
    PollChannel1(3);
    TrendView& view = m_window->ShowTrends();
    const ui::ChartPanel& rssi = view.Chart().Panels().front();
    ASSERT_EQ(rssi.guides.size(), 2u);
    EXPECT_EQ(rssi.guides[0].value, -110);
    EXPECT_EQ(rssi.guides[1].value, -85);
    EXPECT_TRUE(view.Chart().Panels()[1].guides.empty());  // no limits on the carrier frequency
    auto redColumns = [&] {
        const ui::ChartBand& band = view.Chart().Bands().back();
        EXPECT_EQ(band.title, "Alarms");
        return std::count(band.states.begin(), band.states.end(), 0);
    };
    EXPECT_GE(redColumns(), 1);
    view.SetPath(1);
    EXPECT_EQ(redColumns(), 0);
    EXPECT_TRUE(view.Chart().Panels().front().guides.empty());  // CH2 has no limits
}

// A config folder that cannot take the shipped set's file leaves the alarms working on the set
// all the same.
TEST(AlarmMonitorAlone, TheShippedSetServesWhenItsFileCannotBeWritten) {
    testsupport::TempDir folder;
    std::ofstream(folder.Path() + "/plain") << "not a folder";
    AlarmMonitor monitor(alarms::LimitLibrary(folder.Path() + "/plain/limits"));
    EXPECT_EQ(monitor.UseSetFor("PSK", platform::UtcNowMs()), "");
    EXPECT_EQ(monitor.ActiveName(), "default");
    EXPECT_TRUE(monitor.Engine().Limits().noAnswer.has_value());
    EXPECT_EQ(monitor.Engine().Limits().paths[0].at("rssi").redLow, -100);
    EXPECT_NE(monitor.ChooseSet("missing", platform::UtcNowMs()), "");
    EXPECT_EQ(monitor.ActiveName(), "default");
}
