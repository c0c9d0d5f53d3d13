#include "shell/CKV90TDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "link/CNetworkDeviceComm.h"
#include "pages/dau/CKV90T1_DAU_BIT_Dlg.h"
#include "pages/maintenance/CKV90T_RcvBert.h"
#include "platform/clock.h"
#include "platform/pacing_thread.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "protocol/status_fields.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "shell/AlarmPanel.h"
#include "shell/AlarmsWindow.h"
#include "shell/CAboutDlg.h"
#include "shell/CKV90T_ComPort.h"
#include "shell/TrendView.h"
#include "ui/Format.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"
#include "ui/PageRules.h"
#include "ui/WaitCursor.h"

using namespace res;

namespace {

using protocol::kModeDau;

constexpr uint8_t kSystemControlStart = 0x06;
// The screen the window is made for (1366 x 768, less a task bar), and the least page area.
constexpr int kScreenWidth = 1366;
constexpr int kScreenHeight = 740;
constexpr int kLeastPageHeight = 240;
constexpr int kPageAreaRow = 4;                 // the main template's row of the page area
constexpr uint16_t kFirstStartUpRead = 0x2003;  // the identity: the first command at start
constexpr const char* kOutOfRangeText = "out of range";
// The panel above the pages, hidden while the start-up leaves only the communications page.
constexpr int kPanelGroups[] = {IDC_STATUS_GROUP, IDC_TIME_GROUP, IDC_SETUPS_GROUP, IDC_MODE_GROUP};
// After this many polls in a row that read nothing the device counts as not answering; then a
// poll goes out every kProbeIntervalMs with a time-out of kProbeTimeoutMs, and a closed TCP
// connection is made anew with at most kReconnectTimeoutMs of waiting.
constexpr int kPollsLost = 3;
constexpr uint32_t kProbeIntervalMs = 2000;
constexpr int32_t kProbeTimeoutMs = 150;
constexpr int kReconnectTimeoutMs = 200;

// Lamp ids of every colour of the two lamp blocks, per column.
std::vector<int> LockLampIds(int col) {
    return {IDC_CARRLCK_GREEN[col],   IDC_CARRLCK_RED[col],   IDC_CARRLCK_GREY[col],
            IDC_SYMBLCK_GREEN[col],   IDC_SYMBLCK_RED[col],   IDC_SYMBLCK_GREY[col],
            IDC_SYMBUALCK_GREEN[col], IDC_SYMBUALCK_RED[col], IDC_SYMBUALCK_GREY[col],
            IDC_FSPLCK_GREEN[col],    IDC_FSPLCK_RED[col],    IDC_FSPLCK_YELLOW[col],
            IDC_FSPLCK_GREY[col],     IDC_FRMLCK_GREEN[col],  IDC_FRMLCK_RED[col],
            IDC_FRMLCK_YELLOW[col],   IDC_FRMLCK_GREY[col]};
}

// How often the alarms' shelving and tones are looked after between polls.
constexpr int kAlarmTickMs = 250;

bool ComputerYearIsLeap() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900) % 4 == 0;
}

}  // namespace

CKV90TDlg::CKV90TDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : ui::CDialog(res::MainDialogTemplate(), parent),
      m_pComm(comm),
      m_bSkipInitialRead(skipInitialRead),
      m_Pages(*this, IDC_TAB, Control(IDC_PAGE_FRAME), comm, skipInitialRead) {
    SetEscapeCloses(true);
    // A window of its own starts with the flags as a fresh process has them.
    g_bPollChannelStatus = skipInitialRead ? 0 : 1;
    g_bPollLockStatus = skipInitialRead ? 0 : 1;
    m_StatusThread.Start();
}

CKV90TDlg::~CKV90TDlg() {
    StopStatusThread();
}

// Releasing the published handle first frees a poll that the thread may be sending, so the
// thread ends at once.
void CKV90TDlg::StopStatusThread() {
    m_StatusThread.Stop(2000);
    ReleaseHandle();
}

// Why the start-up left only the communications page: no answer at all, or an answer and then
// a read that failed, named by its command.
std::string CKV90TDlg::StartUpFailure() const {
    const uint16_t failed = m_pComm->LastFailedCode();
    if (failed == kFirstStartUpRead) {
        return "The device does not answer. Check the connection above, then press Start Again.";
    }
    return ui::Printf(
        "The device answered, but the start-up read of command 0x%4.4X failed. "
        "Press Start Again to retry.",
        failed);
}

// A long operation under way is asked to stop first; the window closes when it has.
void CKV90TDlg::closeEvent(QCloseEvent* event) {
    if (ui::LongOperation::DeferClose(this)) {
        event->ignore();
        return;
    }
    StopStatusThread();
    ui::CDialog::closeEvent(event);
}

void CKV90TDlg::showEvent(QShowEvent* event) {
    ui::CDialog::showEvent(event);
    if (!m_bInitialised) {
        m_bInitialised = true;
        InitDialog();
        KeepOnScreen();
    }
}

// Where no window manager places it, the window is moved so that it lies wholly on its screen
// (from the top left corner when it is larger).
void CKV90TDlg::KeepOnScreen() {
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    move(x, y);
}

void CKV90TDlg::HideLockLamps() {
    for (int col = 0; col < 3; ++col) {
        for (int id : LockLampIds(col)) {
            Show(id, false);
        }
    }
}

void CKV90TDlg::InitDialog() {
    setWindowTitle("Brenmoor KV90T");
    HideLockLamps();
    StyleBanner();
    Show(IDC_ALARMS, m_pAlarms != nullptr);
    if (ReadStartUp()) {
        CompleteStartUp();
    } else {
        ShowCommunicationsPageOnly();
    }
}

bool CKV90TDlg::ReadStartUp() {
    if (m_bSkipInitialRead != 0) {
        m_bDeviceAnswered = true;
    } else {
        const ui::WaitCursor wait;
        m_bDeviceAnswered =
            m_pComm->ReadDeviceIdentity() != 0 && m_pComm->ReadDeviceConfiguration() != 0;
    }
    if (m_pMetrics) {
        m_pMetrics->StartUp(*m_pComm, m_bDeviceAnswered);
    }
    return m_bDeviceAnswered;
}

void CKV90TDlg::ShowCommunicationsPageOnly() {
    for (int id : kPanelGroups) {
        Show(id, false);
    }
    m_Pages.CreateCommunicationsPageOnly(m_strProgramFolder, m_bUseEthernet, m_strDeviceIpAddress);
    auto* page = static_cast<CKV90T_ComPort*>(m_Pages.PageAt(PageHost::kComPort));
    page->SetNote(StartUpFailure());
    page->OfferStartUpRetry([this] { RetryStartUp(); });
    FitTheScreen();
}

// Test or Start Again on the communications page: the start-up runs again, and on success
// the window becomes what a start with an answering device makes it.
void CKV90TDlg::RetryStartUp() {
    auto* page = static_cast<CKV90T_ComPort*>(m_Pages.PageAt(PageHost::kComPort));
    if (!ReadStartUp()) {
        page->SetNote(StartUpFailure());
        return;
    }
    page->OfferStartUpRetry(nullptr);
    page->SetNote("");
    for (int id : kPanelGroups) {
        Show(id, true);
    }
    CompleteStartUp();
    KeepOnScreen();
}

void CKV90TDlg::CompleteStartUp() {
    FillModeSelector();
    const uint32_t mode = m_pComm->m_nOperationalMode;
    ArrangePanel(mode);
    m_Pages.CreatePages(m_strProgramFolder, m_bUseEthernet, m_strDeviceIpAddress);
    JudgePageReads();
    SetCheck(IDC_STATUS, g_bPollChannelStatus);
    ShowStatusBanner();
    if (m_bSkipInitialRead == 0) {
        m_pComm->SendSystemControl(kSystemControlStart);
    }
    m_Pages.SelectPage();
    ShowModeInSelector();
    RefreshSetups();
    FitTheScreen();
    UseModeLimits();
    m_StatusThread.Publish(Handle());
}

// The page area gets one fixed size for every page: the largest page where it fits, so that the
// window keeps its size on every tab and in every mode, within the screen the console is made
// for; a page that does not fit scrolls inside its tab.
void CKV90TDlg::FitTheScreen() {
    static_cast<QGridLayout*>(layout())->setRowStretch(kPageAreaRow, 1);
    m_Pages.SetAreaSize({0, 0}, {0, 0});
    layout()->invalidate();
    layout()->activate();
    const QSize rest = sizeHint();
    const QSize page = m_Pages.LargestPage();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int width = std::max(std::min(page.width() + scrollBar, kScreenWidth - margins),
                               rest.width() - margins);
    const int height =
        std::max(kLeastPageHeight, std::min(page.height(), kScreenHeight - rest.height()));
    m_Pages.SetAreaSize({width, height}, {width, height});
    layout()->invalidate();
    layout()->activate();
    // The window keeps this size; lamps and texts that appear later take their room from the
    // page area, which scrolls.
    setFixedSize(sizeHint().boundedTo({kScreenWidth, kScreenHeight}));
    m_Pages.SetAreaSize({width, std::min(height, kLeastPageHeight)}, {width, QWIDGETSIZE_MAX});
}

void CKV90TDlg::FillModeSelector() {
    m_nModeListCount = 0;
    for (int i = 0; i < protocol::kModeListLength && m_pComm->m_ModeList[i] != 0; ++i) {
        const int code = m_pComm->m_ModeList[i];
        AddRow(IDC_MODE_SELECTOR, {protocol::ModeLabel(code)});
        ++m_nModeListCount;
    }
    Enable(IDC_MODE_SELECTOR, m_pComm->m_nOperationalMode != kModeDau);
}

namespace {

// The status rows of the receiver modes, and the time rows of the DAU mode.
const std::vector<int>& LockRows() {
    static const std::vector<int> kIds = [] {
        std::vector<int> ids = {IDC_CARRLCK,
                                IDC_SYMBLCK,
                                IDC_SYMBUALCK,
                                IDC_FSPLCK,
                                IDC_FRMLCK,
                                IDC_CARRIER_FREQUENCY_LABEL,
                                IDC_SYMBOL_RATE_LABEL,
                                IDC_SYMBOL_UA_RATE_LABEL,
                                IDC_FM_MOD_INDEX_LABEL,
                                IDC_AM_MOD_INDEX_LABEL};
        for (int col = 0; col < 3; ++col) {
            ids.insert(ids.end(),
                       {IDC_CARRIER_FREQUENCY[col], IDC_SYMBOL_RATE[col], IDC_SYMBOL_UA_RATE[col]});
        }
        for (int col = 0; col < 2; ++col) {
            ids.insert(ids.end(), {IDC_FM_MOD_INDEX[col], IDC_AM_MOD_INDEX[col]});
        }
        return ids;
    }();
    return kIds;
}

const std::vector<int>& TimeRows() {
    static const std::vector<int> kIds = {
        IDC_SOY_LABEL,         IDC_SOY_HEADER,        IDC_SOY_YEAR,          IDC_SOY_SECONDS,
        IDC_SOY_NANOSECONDS,   IDC_SOY_SEPARATORS[0], IDC_SOY_SEPARATORS[1], IDC_BCD_LABEL,
        IDC_BCD_HEADER,        IDC_BCD_YEAR,          IDC_BCD_DAYS,          IDC_BCD_HOURS,
        IDC_BCD_MINUTES,       IDC_BCD_SECONDS,       IDC_BCD_MICROSECONDS,  IDC_CALENDAR_DATE,
        IDC_TIME_GROUP,        IDC_BCD_SEPARATORS[0], IDC_BCD_SEPARATORS[1], IDC_BCD_SEPARATORS[2],
        IDC_BCD_SEPARATORS[3], IDC_BCD_SEPARATORS[4]};
    return kIds;
}

}  // namespace

// The DAU mode shows the time rows in place of the lock rows, whose values are emptied; the
// other modes the other way round. Runs at start and on every change into or out of DAU mode.
void CKV90TDlg::ArrangePanel(uint32_t mode) {
    const bool dau = mode == kModeDau;
    for (int id : LockRows()) {
        Show(id, !dau);
        if (dau && qobject_cast<QLineEdit*>(Control(id)) != nullptr) {
            SetText(id, "");
        }
    }
    for (int id : TimeRows()) {
        Show(id, dau);
    }
    for (int id : {IDC_TIME_RED, IDC_TIME_GREY, IDC_TIME_GREEN}) {
        Show(id, dau && id == IDC_TIME_GREY);
    }
    m_nTimeLampState = 0;
    // The bars stay empty until a level was read.
    for (int id : IDC_RSSI_BAR) {
        SetRange(id, dau ? 0 : -110, dau ? 4095 : 10);
        if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) {
            bar->reset();
        }
    }
    SetText(IDC_RSSI_SCALE, dau ? "0 - 4095" : "-110 - 10 dBm");
    QFont timeFont("Courier New");
    timeFont.setPixelSize(20);
    timeFont.setBold(true);
    for (int id : {IDC_SOY_SEPARATORS[0], IDC_SOY_SEPARATORS[1], IDC_BCD_SEPARATORS[0],
                   IDC_BCD_SEPARATORS[1], IDC_BCD_SEPARATORS[2], IDC_BCD_SEPARATORS[3],
                   IDC_BCD_SEPARATORS[4]}) {
        SetFont(id, timeFont);
    }
}

intptr_t CKV90TDlg::OnMessage(uint32_t message, uintptr_t, intptr_t) {
    switch (message) {
        case UWM_CHANNEL_STATUS_1:
        case UWM_CHANNEL_STATUS_2:
        case UWM_CHANNEL_STATUS_3:
        case UWM_LOCK_STATUS_1:
        case UWM_LOCK_STATUS_2:
        case UWM_LOCK_STATUS_3:
            if (PollDue()) {
                std::optional<CKV90T1_Comm::ShorterTimeout> probe;
                if (m_bLinkLost) {
                    probe.emplace(*m_pComm, kProbeTimeoutMs);
                }
                const uint32_t start = platform::ProcessClockMs();
                const bool read = Poll(message);
                NotePoll(read);
                RecordPoll(message, read);
                JudgePoll(message, read);
                if (m_pMetrics) {
                    m_pMetrics->Poll(*m_pComm, message, read,
                                     (platform::ProcessClockMs() - start) / 1000.0, !m_bLinkLost);
                }
            }
            break;
        case UWM_STOP_STATUS_POLLING:
            SetStatusPolling(false);
            break;
        default:
            break;
    }
    return 0;
}

// Channel-status polls feed the trends and the log: in the DAU mode those of the two channels
// (their levels), whose third poll reads the time.
void CKV90TDlg::RecordPoll(uint32_t message, bool read) {
    const bool dau = m_pComm->m_nOperationalMode == kModeDau;
    const uint32_t last = dau ? UWM_CHANNEL_STATUS_2 : UWM_CHANNEL_STATUS_3;
    if (message > last || message < UWM_CHANNEL_STATUS_1) {
        return;
    }
    const int path = static_cast<int>(message - UWM_CHANNEL_STATUS_1);
    m_Recorder.Record(path, platform::UtcNowMs(), read ? &m_pComm->m_ChannelStatus[path] : nullptr,
                      dau);
    if (!m_pTrendView) {  // the trend view reports it when it is open
        if (const std::string failure = m_Recorder.TakeLogFailure(); !failure.empty()) {
            ui::MessageBox(this, failure, "Status Log Error");
        }
    }
}

void CKV90TDlg::AskForMark() {
    if (m_Recorder.Mark(ui::GetText(this, "Mark", m_Recorder.MarkPrompt())) && m_pTrendView &&
        m_pTrendView->isVisible()) {
        m_pTrendView->Redraw();
    }
}

TrendView& CKV90TDlg::ShowTrends() {
    if (!m_pTrendView) {
        m_pTrendView = std::make_unique<TrendView>(m_Recorder, this);
        m_pTrendView->SetLimitLibrary(m_pAlarms ? &m_pAlarms->Library() : nullptr);
        m_pTrendView->SetAlarms(m_pAlarms ? &m_pAlarms->Engine().Limits() : nullptr,
                                m_pAlarms ? &m_pAlarms->Intervals() : nullptr);
        m_Recorder.onRecorded = [this](int path, int64_t timeMs) {
            m_pTrendView->OnPoll(path, timeMs);
        };
    }
    m_pTrendView->show();
    m_pTrendView->raise();
    m_pTrendView->SetPaused(m_pTrendView->Paused());
    return *m_pTrendView;
}

void CKV90TDlg::WatchAlarms(alarms::LimitLibrary library) {
    m_pAlarms = std::make_unique<AlarmMonitor>(std::move(library));
    m_pAlarmPanel = std::make_unique<AlarmPanel>(*this, *m_pAlarms);
    if (std::string error = m_pAlarms->StartLog(m_Recorder.DataFolder()); !error.empty()) {
        ui::MessageBox(this, "Cannot start the alarm log: " + error, "Alarm Log Error");
    }
    m_pAlarms->onChanged = [this] { ShowAlarmState(); };
    m_pAlarmTimer = new QTimer(this);
    connect(m_pAlarmTimer, &QTimer::timeout, this,
            [this] { m_pAlarms->Tick(platform::UtcNowMs(), platform::TickCount64()); });
    m_pAlarmTimer->start(kAlarmTickMs);
    ShowAlarmState();
}

AlarmsWindow& CKV90TDlg::ShowAlarms() {
    if (!m_pAlarmsWindow) {
        m_pAlarmsWindow = std::make_unique<AlarmsWindow>(*m_pAlarms, this);
    }
    m_pAlarmsWindow->show();
    m_pAlarmsWindow->raise();
    return *m_pAlarmsWindow;
}

// The set chosen for the mode; one that cannot be read is said, and the earlier set stays.
void CKV90TDlg::UseModeLimits() {
    if (!m_pAlarms) {
        return;
    }
    const std::string mode = protocol::ModeLabel(int(m_pComm->m_nOperationalMode));
    if (std::string error = m_pAlarms->UseSetFor(mode, platform::UtcNowMs()); !error.empty()) {
        ui::MessageBox(this, "The alarm limits for " + mode + " cannot be used: " + error,
                       "Alarm Limits Error");
    }
}

// The testers' page and the built-in test page hand their reads to the alarms; the pages make
// them anyway, so judging them adds no request.
void CKV90TDlg::JudgePageReads() {
    if (!m_pAlarms) {
        return;
    }
    static_cast<CKV90T_RcvBert*>(m_Pages.PageAt(PageHost::kRcvBert))->onStatusRead =
        [this](int stream) {
            m_pAlarms->Tester(stream, m_pComm->m_Bert[stream], platform::UtcNowMs());
        };
    static_cast<CKV90T1_DAU_BIT_Dlg*>(m_Pages.PageAt(PageHost::kDauBit))->onPhysicalValuesRead =
        [this] { m_pAlarms->BuiltInTest(m_pComm->m_System.physicalValues, platform::UtcNowMs()); };
}

// Every poll counts for "the device does not answer"; the channel status polls outside the
// DAU mode are judged item by item.
void CKV90TDlg::JudgePoll(uint32_t message, bool read) {
    if (!m_pAlarms) {
        return;
    }
    const int64_t now = platform::UtcNowMs();
    m_pAlarms->Answer(read, now);
    const bool channel = message >= UWM_CHANNEL_STATUS_1 && message <= UWM_CHANNEL_STATUS_3;
    const bool dau = m_pComm->m_nOperationalMode == kModeDau;
    if (channel && !dau) {
        const int path = static_cast<int>(message - UWM_CHANNEL_STATUS_1);
        m_pAlarms->Poll(path, read ? &m_pComm->m_ChannelStatus[path] : nullptr, now);
    } else if (message == UWM_CHANNEL_STATUS_3 && dau && read) {
        m_pAlarms->TimeLock(m_pComm->m_TimeStatus.timeValid != 0, now);
    }
    m_pAlarms->Tick(now, platform::TickCount64());
    if (const std::string failure = m_pAlarms->TakeLogFailure(); !failure.empty()) {
        ui::MessageBox(this, failure, "Alarm Log Error");
    }
}

void CKV90TDlg::ShowAlarmState() {
    m_pAlarmPanel->Show();
    if (m_pAlarmsWindow) {
        m_pAlarmsWindow->Refresh();
    }
    if (m_pTrendView && m_pTrendView->isVisible()) {
        m_pTrendView->SetAlarms(&m_pAlarms->Engine().Limits(),  // the limits or intervals changed
                                &m_pAlarms->Intervals());
    }
}

bool CKV90TDlg::Poll(uint32_t message) {
    const bool dau = m_pComm->m_nOperationalMode == kModeDau;
    if (message == UWM_CHANNEL_STATUS_1 || message == UWM_CHANNEL_STATUS_2) {
        const int path = static_cast<int>(message - UWM_CHANNEL_STATUS_1);
        return dau ? ShowDauLevel(path) : ShowChannelStatus(path);
    }
    if (message == UWM_CHANNEL_STATUS_3) {
        return dau ? ShowTime() : ShowChannelStatus(2);
    }
    return ShowLockStatus(static_cast<int>(message - UWM_LOCK_STATUS_1));
}

// While the device does not answer, a poll goes out only every couple of seconds and with a
// short time-out, so that the operator's clicks are answered at once; a TCP connection the
// device closed is made anew first.
bool CKV90TDlg::PollDue() {
    if (!m_bLinkLost) {
        return true;
    }
    const uint32_t now = platform::ProcessClockMs();
    if (now - m_nLastProbeMs < kProbeIntervalMs) {
        return false;
    }
    m_nLastProbeMs = now;
    auto* tcp = dynamic_cast<CNetworkDeviceComm*>(m_pComm->GetDeviceLink());
    if (tcp != nullptr && tcp->PeerClosed()) {
        tcp->Reconnect(kReconnectTimeoutMs);
    }
    return true;
}

void CKV90TDlg::NotePoll(bool read) {
    if (read) {
        m_nFailedPolls = 0;
        if (m_bLinkLost) {
            m_bLinkLost = false;
            ShowStatusBanner();
        }
        return;
    }
    if (++m_nFailedPolls >= kPollsLost && !m_bLinkLost) {
        m_bLinkLost = true;
        m_nLastProbeMs = platform::ProcessClockMs();
        ClearPolledValues();
        GreyFrameLamps();
        ShowStatusBanner();
    }
}

// The banner stands out: white bold text on red, wrapped within the mode box.
void CKV90TDlg::StyleBanner() {
    auto* banner = qobject_cast<QLabel*>(Control(IDC_LINK_STATE));
    banner->setStyleSheet(
        "background-color: #b00020; color: white; font-weight: bold; "
        "padding: 6px;");
    banner->setWordWrap(true);
    Show(IDC_LINK_STATE, false);
}

void CKV90TDlg::ShowStatusBanner() {
    const char* text = m_bLinkLost ? "The device does not answer."
                       : g_bPollChannelStatus == 0
                           ? "Status polling is off: the status is not read."
                           : "";
    SetText(IDC_LINK_STATE, text);
    Show(IDC_LINK_STATE, *text != '\0');
}

bool CKV90TDlg::ShowChannelStatus(int path) {
    if (m_pComm->ReadChannelStatus(static_cast<uint32_t>(path)) == 0) {
        ClearChannelStatus(path);
        return false;
    }
    const protocol::ChannelStatus& s = m_pComm->m_ChannelStatus[path];
    const uint32_t submode = m_pComm->m_ChannelSetup[path].pskSubmode;
    const uint32_t mode = m_pComm->m_nOperationalMode;
    ShowLamp(s.carrierLock ? IDC_CARRLCK_GREEN[path] : IDC_CARRLCK_RED[path]);
    ShowLamp(s.symbolLock ? IDC_SYMBLCK_GREEN[path] : IDC_SYMBLCK_RED[path]);
    if (submode == protocol::kPskSubmodeOqpsk) {  // the carrier lamp follows symbol lock
        ShowLamp(s.symbolLock ? IDC_CARRLCK_GREEN[path] : IDC_CARRLCK_RED[path]);
    }
    ShowLamp(s.symbolUaLock ? IDC_SYMBUALCK_GREEN[path] : IDC_SYMBUALCK_RED[path]);
    ShowReading(IDC_CARRIER_FREQUENCY[path], "carrierFrequency", s,
                ui::GroupThousands(s.carrierFrequency));
    ShowReading(IDC_SYMBOL_RATE[path], "symbolRate", s, ui::GroupThousands(s.symbolRate));
    const bool uaRate =
        protocol::ModeInfoOf(mode).showsUaRate && protocol::PskSubmodeHasQPath(submode);
    if (uaRate) {
        ShowReading(IDC_SYMBOL_UA_RATE[path], "symbolUaRate", s,
                    ui::GroupThousands(s.symbolUaRate));
    } else {
        SetText(IDC_SYMBOL_UA_RATE[path], "");
    }
    if (path < 2) {
        if (ShowReading(IDC_RSSI[path], "rssi", s, ui::Printf("%.1f", s.rssi))) {
            SetPos(IDC_RSSI_BAR[path], static_cast<int>(std::lround(s.rssi)));
        } else if (auto* bar = qobject_cast<QProgressBar*>(Control(IDC_RSSI_BAR[path]))) {
            bar->reset();
        }
        if (mode == protocol::kModePsk) {
            SetText(IDC_FM_MOD_INDEX[path], "");
        } else {
            ShowReading(IDC_FM_MOD_INDEX[path], "fmModIndex", s, ui::Printf("%.2f", s.fmModIndex));
        }
        ShowReading(IDC_AM_MOD_INDEX[path], "amModIndex", s, ui::Printf("%d", s.amModIndex));
    }
    return true;
}

// A value outside what the device can report is marked as such, never shown as a reading.
bool CKV90TDlg::ShowReading(int id, const char* key, const protocol::ChannelStatus& s,
                            const std::string& text) {
    const bool valid = protocol::InRange(protocol::StatusFieldOf(key), s);
    SetText(id, valid ? text : kOutOfRangeText);
    return valid;
}

void CKV90TDlg::ClearChannelStatus(int path) {
    if (m_pComm->m_nOperationalMode != kModeDau) {
        for (int grey :
             {IDC_CARRLCK_GREY[path], IDC_SYMBLCK_GREY[path], IDC_SYMBUALCK_GREY[path]}) {
            ShowLamp(grey);
        }
    }
    for (int id : {IDC_CARRIER_FREQUENCY[path], IDC_SYMBOL_RATE[path], IDC_SYMBOL_UA_RATE[path]}) {
        SetText(id, "");
    }
    if (path < 2) {
        for (int id : {IDC_RSSI[path], IDC_FM_MOD_INDEX[path], IDC_AM_MOD_INDEX[path]}) {
            SetText(id, "");
        }
        if (auto* bar = qobject_cast<QProgressBar*>(Control(IDC_RSSI_BAR[path]))) {
            bar->reset();
        }
    }
}

void CKV90TDlg::ClearTime() {
    for (int id : {IDC_SOY_YEAR, IDC_SOY_SECONDS, IDC_SOY_NANOSECONDS, IDC_BCD_YEAR, IDC_BCD_DAYS,
                   IDC_BCD_HOURS, IDC_BCD_MINUTES, IDC_BCD_SECONDS, IDC_BCD_MICROSECONDS,
                   IDC_CALENDAR_DATE}) {
        SetText(id, "");
    }
    ShowLamp(IDC_TIME_GREY);
    m_nTimeLampState = 0;
}

void CKV90TDlg::ClearPolledValues() {
    for (int path = 0; path < 3; ++path) {
        ClearChannelStatus(path);
    }
    if (m_pComm->m_nOperationalMode == kModeDau) {
        ClearTime();
    }
}

// A device that stopped answering leaves no lamp lit: the probes of a lost link read only one
// value every couple of seconds, so those not probed yet are greyed at once.
void CKV90TDlg::GreyFrameLamps() {
    if (m_pComm->m_nOperationalMode == kModeDau) {
        return;
    }
    for (int path = 0; path < 3; ++path) {
        ShowLamp(IDC_FSPLCK_GREY[path]);
        ShowLamp(IDC_FRMLCK_GREY[path]);
    }
}

bool CKV90TDlg::ShowDauLevel(int path) {
    if (m_pComm->ReadChannelStatus(static_cast<uint32_t>(path)) == 0) {
        ClearChannelStatus(path);
        return false;
    }
    const int level = m_pComm->m_ChannelStatus[path].signalLevel;
    SetText(IDC_RSSI[path], ui::Printf("%d", level));
    SetPos(IDC_RSSI_BAR[path], level);
    return true;
}

bool CKV90TDlg::ShowLockStatus(int path) {
    const bool read = m_pComm->ReadFrameSyncStatus(static_cast<uint32_t>(path)) != 0;
    if (m_pComm->m_nOperationalMode == kModeDau) {
        Show(IDC_FSPLCK, false);
        Show(IDC_FRMLCK, false);
        for (int id : LockLampIds(path)) {
            Show(id, false);
        }
        return read;
    }
    if (!read) {  // what could not be read shows grey, not the colour it had
        ShowLamp(IDC_FSPLCK_GREY[path]);
        ShowLamp(IDC_FRMLCK_GREY[path]);
        return false;
    }
    const protocol::ChannelStatus& s = m_pComm->m_ChannelStatus[path];
    // By lock level: not enabled, unlocked, partly, locked.
    const int sync[4] = {IDC_FSPLCK_GREY[path], IDC_FSPLCK_RED[path], IDC_FSPLCK_YELLOW[path],
                         IDC_FSPLCK_GREEN[path]};
    const int lock[4] = {IDC_FRMLCK_GREY[path], IDC_FRMLCK_RED[path], IDC_FRMLCK_YELLOW[path],
                         IDC_FRMLCK_GREEN[path]};
    ShowLamp(sync[protocol::FrameSyncLevel(s) + 1]);
    ShowLamp(lock[protocol::FrameLockLevel(s) + 1]);
    return true;
}

bool CKV90TDlg::ShowTime() {
    if (m_pComm->ReadTimeStatus() == 0) {
        ClearTime();
        return false;
    }
    const protocol::TimeStatus& t = m_pComm->m_TimeStatus;
    if (m_nTimeLampState == 0) {
        Show(IDC_TIME_GREY, false);
    }
    if (t.timeValid && m_nTimeLampState != 1) {
        ShowLamp(IDC_TIME_GREEN);
        m_nTimeLampState = 1;
    } else if (!t.timeValid && m_nTimeLampState != 2) {
        ShowLamp(IDC_TIME_RED);
        m_nTimeLampState = 2;
    }
    SetText(IDC_SOY_YEAR, ui::Printf("%d", t.year));
    SetText(IDC_SOY_SECONDS, ui::Printf("%ld", static_cast<long>(t.secondsOfYear)));
    SetText(IDC_SOY_NANOSECONDS, ui::Printf("%ld", static_cast<long>(t.nanoseconds)));
    SetText(IDC_BCD_YEAR, ui::Printf("%X", t.bcdYear));
    SetText(IDC_BCD_DAYS, ui::Printf("%X", t.bcdDays));
    SetText(IDC_BCD_HOURS, ui::Printf("%X", t.bcdHours));
    SetText(IDC_BCD_MINUTES, ui::Printf("%X", t.bcdMinutes));
    SetText(IDC_BCD_SECONDS, ui::Printf("%X", t.bcdSeconds));
    const uint8_t* d = t.bcdSubSeconds;
    SetText(IDC_BCD_MICROSECONDS, ui::Printf("%X%X%X%X%X%X", d[0], d[1], d[2], d[3], d[4], d[5]));
    SetText(IDC_CALENDAR_DATE, ui::IrigDateText(t.year, t.secondsOfYear, ComputerYearIsLeap()));
    return true;
}

void CKV90TDlg::ToggleStatusPolling() {
    SetStatusPolling(g_bPollChannelStatus == 0);
}

// Values that are no longer polled are cleared rather than left looking live, and the banner
// says that polling is off.
void CKV90TDlg::SetStatusPolling(bool on) {
    g_bPollChannelStatus = on ? 1 : 0;
    platform::WakePauses();
    SetCheck(IDC_STATUS, g_bPollChannelStatus);
    if (!on) {
        ClearPolledValues();
    } else if (m_pComm->m_nOperationalMode == kModeDau) {
        for (int id : {IDC_TIME_RED, IDC_TIME_GREY, IDC_TIME_GREEN}) {
            Show(id, false);
        }
    }
    ShowStatusBanner();
}

void CKV90TDlg::RefreshSetups() {
    const protocol::SystemPages& s = m_pComm->m_SystemPages;
    const bool allowed = s.setupsAllowSaving || (m_pComm->m_Options.setupSavingOptions & 2) != 0;
    SetCheck(IDC_ALLOW_SAVING, allowed);
    Enable(IDC_ALLOW_SAVING, false);
    SetCheck(IDC_USE_AT_BOOT, allowed && s.setupsUseAtBoot);
    Enable(IDC_USE_AT_BOOT, allowed);
    Enable(IDC_SAVE_SETUPS, allowed);
    const bool paths = allowed && s.setupsUseAtBoot;
    const uint8_t flags[3] = {s.setupsCh1, s.setupsCh2, s.setupsCh3};
    const int ids[3] = {IDC_SETUPS_CH1, IDC_SETUPS_CH2, IDC_SETUPS_CH3};
    for (int i = 0; i < 3; ++i) {
        SetCheck(ids[i], paths && flags[i]);
        Enable(ids[i], paths && m_pComm->m_nOperationalMode != kModeDau);
        if (allowed && m_pComm->m_nOperationalMode == kModeDau) {
            Show(ids[i], false);
        }
    }
}

// The path flags go out with the stored boot option, as the setups options command carries both.
void CKV90TDlg::SendPathFlags() {
    const int32_t result = m_pComm->SetSetupsOptions(m_pComm->m_SystemPages.setupsUseAtBoot);
    RefreshSetups();
    ui::FeedbackBeep(result != 0);
}

void CKV90TDlg::OnCommand(int id) {
    protocol::SystemPages& s = m_pComm->m_SystemPages;
    int32_t result = 0;
    switch (id) {
        case IDC_STATUS:
            ToggleStatusPolling();
            return;
        case IDM_ABOUTBOX:
            CAboutDlg(this).exec();
            return;
        case IDC_TRENDS:
            ShowTrends();
            return;
        case IDC_ALARMS:
            ShowAlarms();
            return;
        case IDC_MARK:
            AskForMark();
            return;
        case IDC_SETUPS_CH1:
            s.setupsCh1 ^= 1;
            SendPathFlags();
            return;
        case IDC_SETUPS_CH2:
            s.setupsCh2 ^= 1;
            SendPathFlags();
            return;
        case IDC_SETUPS_CH3:
            s.setupsCh3 ^= 1;
            SendPathFlags();
            return;
        case IDC_USE_AT_BOOT:
            result = m_pComm->SetSetupsOptions(s.setupsUseAtBoot ? 0 : 1);
            break;
        case IDC_SAVE_SETUPS:
            result = m_pComm->SaveSetups();
            break;
        default:
            return;
    }
    RefreshSetups();
    ui::FeedbackBeep(result != 0);
}

void CKV90TDlg::OnSelectionChanged(int id, int row) {
    if (id == IDC_TAB) {
        m_Pages.SelectPage();
    } else if (id == IDC_MODE_SELECTOR) {
        ChangeMode(row);
    }
}

void CKV90TDlg::ChangeMode(int row) {
    const ui::WaitCursor wait;
    const int position = std::min(row, protocol::kModeListLength - 1);
    const uint32_t code = position < 0 ? 0 : m_pComm->m_ModeList[position];
    const bool wasDau = m_pComm->m_nOperationalMode == kModeDau;
    int32_t result = 0;
    if (code <= protocol::kModeCount) {
        result = LoadPersonality(code);
        // What the device reports, rather than what was asked of it, once the change failed.
        if (result == 0) {
            m_pComm->ReadBackOperationalMode();
        }
    }
    if (protocol::IsPcmFmMode(m_pComm->m_nOperationalMode)) {
        m_Pages.UpdatePcmFmTitles();
    }
    if (wasDau != (m_pComm->m_nOperationalMode == kModeDau)) {
        ArrangePanel(m_pComm->m_nOperationalMode);
        HideLockLamps();
        FitTheScreen();
    }
    ui::FeedbackBeep(result != 0, {1000, 20});
    UseModeLimits();
    ShowModeInSelector();
    m_Pages.ArrangeTabs();
    m_Pages.SelectPage();
}

// The mode command takes the device up to 25 s. Meanwhile the window keeps painting and shows
// how long the load has taken, and takes no input: it is disabled, and what the operator did
// meanwhile reaches only disabled controls.
int32_t CKV90TDlg::LoadPersonality(uint32_t code) {
    setEnabled(false);
    int32_t result = 0;
    {
        const CKV90T1_Comm::WaitReport waits(*m_pComm, [this](uint32_t elapsedMs) {
            SetText(IDC_MODE_PROGRESS,
                    ui::Printf("Loading the personality... %u s", elapsedMs / 1000));
            ui::RepaintHoldingInput();
        });
        result = m_pComm->SetOperationalMode(code, 0);
    }
    SetText(IDC_MODE_PROGRESS, "");
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    setEnabled(true);
    return result;
}

void CKV90TDlg::ShowModeInSelector() {
    for (int row = 0; row < m_nModeListCount; ++row) {
        if (m_pComm->m_ModeList[row] == m_pComm->m_nOperationalMode) {
            SelectRow(IDC_MODE_SELECTOR, row);
        }
    }
}
