#pragma once
// The DAU setup channel page (two instances, CH1 and CH2): the channel's acquisition inputs
// and analogue front end, the ADC bins while continuous updates are on, and the sampling data
// stream: started and stopped by the operator, renewed every 30 s by the page's Request Data
// thread, received and recorded by a socket worker, its header shown for one datagram in 32,
// and its recording converted to comma-separated text at stop.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "link/CUDP_DAU_SamplingDataSocketThread.h"
#include "pages/DevicePage.h"
#include "pages/page_messages.h"
#include "platform/pacing_thread.h"
#include "protocol/device_state.h"
#include "transfer/dau_stream.h"

enum : uint32_t {
    ID_DAU_ADC_UPDATE = 0x5F6,
    ID_DECOM_DATA_STREAMING_CH1_RECEIVED = 0x611,
    ID_DECOM_DATA_STREAMING_CH2_RECEIVED = 0x612,
    ID_DECOM_DATA_STREAMING_BAD_SIZE = 0x613,
    // Posted by the socket worker when the recording stopped (a failed write, a full disk).
    ID_DAU_RECORDING_STOPPED = 0x614,
    ID_REQUEST_DAU_SAMPLING_DATA_CH1 = 0x61C,
    ID_REQUEST_DAU_SAMPLING_DATA_CH2 = 0x61D,
};

// What the pages share with their Request Data threads.
extern std::atomic<int> g_bContinuousAdc[2];
extern std::atomic<int> g_bDauRequestDataThreadRun;
extern std::atomic<platform::WindowHandle> g_hDauSetupWnd[2];
// Set while the console wants a stream, by DAU stream index (9 and 10 are the channels').
extern std::atomic<int> g_bDauStreamActive[12];
// When the next keep-alive request is due (tick count in ms; 0: at once).
extern std::atomic<uint64_t> g_nNextKeepAliveMs[2];

class CKV90T1_DAU_SetupChannelDlg : public pages::DevicePage {
    Q_OBJECT
public:
    // How often a running stream is asked for again; tests shorten it.
    static std::atomic<uint32_t> s_nKeepAliveIntervalMs;

    CKV90T1_DAU_SetupChannelDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                                QWidget* parent);
    ~CKV90T1_DAU_SetupChannelDlg() override;

    // Streams can be asked for over Ethernet only.
    void SetUseEthernet(int useEthernet);
    // Reads the setups back (unless initial reads are skipped), shows them, and resumes
    // continuous ADC updates if they were on when the page was left.
    void RefreshFromDevice() override;
    // ADC polling stops while the page is hidden; its flag is kept until the page is shown.
    void OnLeaving() override;
    int SavedContinuousAdc() const { return m_bSavedContinuousAdc; }

    CUDP_DAU_SamplingDataSocketThread* Worker() const { return m_pWorker.get(); }
    const std::string& LastSamplingPath() const { return m_strSamplingPath; }
    bool Streaming() const;

protected:
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    const char* PolledMessageName(uintptr_t message) const override;

private:
    void SetFonts();
    void FitNarrowControls();
    void AddRules();
    void AddChoiceRules(const int (&ids)[3], uint8_t protocol::DauChannel::*field, bool report);
    void AddDacRules(int upDown, const int (&steps)[4], bool gain);
    int32_t SendSetup(const protocol::DauChannel& setup);
    int32_t SendSetupFromEdits();
    int32_t SendDacs(int gainStep, int baselineStep);
    void Redraw();
    void ShowChoice(const int (&ids)[3], uint8_t value);

    int32_t RequestSamplingData();
    void StartSampling();
    void StopSampling();
    bool ConvertAndOpen();
    // The box that says the recording stopped, and why; once per recording.
    void ReportRecordingStopped();
    void SendKeepAlive();
    // The samples of the shown datagram as a waveform.
    void ShowWaveform(uintptr_t slot);
    void ShowHeader(uintptr_t slot);
    void ShowAdcBins();
    uint32_t StreamIndex() const { return dau::StreamIndex(m_nChannel); }

    static void RunRequestData(const platform::Pacer& pacer, uint32_t channel);

    const uint32_t m_nChannel;
    int m_bSavedContinuousAdc;
    std::unique_ptr<CUDP_DAU_SamplingDataSocketThread> m_pWorker;
    std::string m_strSamplingPath;
    bool m_bRecordingReported = false;
    std::unique_ptr<platform::PacingThread> m_pRequestThread;
};
