#pragma once
// The main window: the live status panel fed by the status thread, the saved-setups controls,
// the operational-mode selector and the tabbed pages.

#include <memory>
#include <string>

#include "shell/AlarmMonitor.h"
#include "shell/MetricsFeed.h"
#include "shell/PageHost.h"
#include "shell/StatusRecorder.h"
#include "shell/status_thread.h"
#include "ui/CDialog.h"

class AlarmPanel;
class AlarmsWindow;
class CKV90T1_Comm;
class QTimer;
class TrendView;

class CKV90TDlg : public ui::CDialog {
    Q_OBJECT
public:
    CKV90TDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent = nullptr);
    ~CKV90TDlg() override;

    void SetProgramFolder(const std::string& folder) {
        m_strProgramFolder = folder;
        m_Recorder.SetLogFolder(folder);
    }
    // Starts the status log in the program folder (--status-log); false with the reason.
    bool StartStatusLog(std::string* error) { return m_Recorder.StartLog(error); }
    StatusRecorder& Recorder() { return m_Recorder; }
    // Opens the trend view (made once, then shown and raised).
    TrendView& ShowTrends();
    // Asks for a note and marks this moment with it in the status log and the trends.
    void AskForMark();
    void SetUseEthernet(int useEthernet) { m_bUseEthernet = useEthernet; }
    void SetDeviceIpAddress(const std::string& address) { m_strDeviceIpAddress = address; }
    void SetInitialPageKind(int kind) { m_Pages.SetCurrentKind(kind); }
    void SetSavesSettings(bool saves) { m_Pages.SetSavesSettings(saves); }
    // Keeps the metrics of this receiver in `registry` from the polls (--metrics).
    void ServeMetrics(std::shared_ptr<prometheus::Registry> registry) {
        m_pMetrics = std::make_unique<MetricsFeed>(std::move(registry));
    }

    // Judges the polls against the limit sets of `library`, writing the alarm log into the
    // program folder (so after SetProgramFolder); shows the count of alarms to acknowledge and
    // marks the panel.
    void WatchAlarms(alarms::LimitLibrary library);
    AlarmMonitor* Alarms() { return m_pAlarms.get(); }
    // Opens the Alarms window (made once, then shown and raised).
    AlarmsWindow& ShowAlarms();

    // Whether the start-up reads found a device (or were skipped).
    bool DeviceAnswered() const { return m_bDeviceAnswered; }
    PageHost& Pages() { return m_Pages; }
    int TimeLampState() const { return m_nTimeLampState; }
    bool LinkLost() const { return m_bLinkLost; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void OnCommand(int id) override;
    void OnSelectionChanged(int id, int row) override;
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

private:
    void KeepOnScreen();
    std::string StartUpFailure() const;
    void InitDialog();
    // The start-up reads; true when the device answered them (or they are skipped).
    bool ReadStartUp();
    // The window for a device that answered: the panel, the pages and the polling.
    void CompleteStartUp();
    // Only the communications page, which says why and whose Test runs the start-up again.
    void ShowCommunicationsPageOnly();
    void RetryStartUp();
    // Shows `text` in `id`, or marks the value as out of range; true when it was in range.
    bool ShowReading(int id, const char* key, const protocol::ChannelStatus& s,
                     const std::string& text);
    void FitTheScreen();
    void ArrangePanel(uint32_t mode);
    void HideLockLamps();
    void FillModeSelector();
    // Each poll shows what it read; false when nothing was read.
    bool Poll(uint32_t message);
    bool PollDue();
    void NotePoll(bool read);
    bool ShowChannelStatus(int path);
    // What was not read is not shown: grey lamps, empty values, empty level bars.
    void ClearChannelStatus(int path);
    void ClearTime();
    // Every value the channel-status polls show, when those polls stop.
    void ClearPolledValues();
    void GreyFrameLamps();
    // The banner: a device that does not answer, or status polling that is off.
    void ShowStatusBanner();
    void StyleBanner();
    bool ShowDauLevel(int path);
    bool ShowLockStatus(int path);
    bool ShowTime();
    // Keeps a channel status poll in the trend store and the status log.
    void RecordPoll(uint32_t message, bool read);
    // Judges a poll against the limits and shows the alarms that follow.
    void JudgePoll(uint32_t message, bool read);
    void JudgePageReads();
    void UseModeLimits();
    // The count on the Alarms button, the panel's marks, the Alarms window and the trends.
    void ShowAlarmState();
    void RefreshSetups();
    void SendPathFlags();
    void ToggleStatusPolling();
    void SetStatusPolling(bool on);
    void ChangeMode(int row);
    int32_t LoadPersonality(uint32_t code);
    void ShowModeInSelector();
    void StopStatusThread();

    CKV90T1_Comm* m_pComm;
    int m_bSkipInitialRead;
    std::string m_strProgramFolder;
    int m_bUseEthernet = 0;
    std::string m_strDeviceIpAddress;
    int m_nTimeLampState = 0;
    int m_nFailedPolls = 0;
    bool m_bLinkLost = false;
    uint32_t m_nLastProbeMs = 0;
    PageHost m_Pages;
    int m_nModeListCount = 0;
    bool m_bInitialised = false;
    bool m_bDeviceAnswered = false;
    StatusRecorder m_Recorder{""};
    std::unique_ptr<TrendView> m_pTrendView;
    std::unique_ptr<MetricsFeed> m_pMetrics;
    std::unique_ptr<AlarmMonitor> m_pAlarms;
    std::unique_ptr<AlarmPanel> m_pAlarmPanel;
    std::unique_ptr<AlarmsWindow> m_pAlarmsWindow;
    QTimer* m_pAlarmTimer = nullptr;
    StatusThread m_StatusThread;
};
