#include "pages/dau/CKV90T1_DAU_SetupChannelDlg.h"

#include <QFont>
#include <algorithm>
#include <ctime>
#include <future>
#include <system_error>

#include "pages/dau/sampling_data.h"
#include "pages/polling_turn.h"
#include "pages/setup/setup_text.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/shell_open.h"
#include "platform/system_error.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"
#include "ui/StripChart.h"
#include "ui/WaitCursor.h"

using namespace res;

std::atomic<int> g_bContinuousAdc[2] = {0, 0};
std::atomic<int> g_bDauRequestDataThreadRun{1};
std::atomic<platform::WindowHandle> g_hDauSetupWnd[2] = {0, 0};
std::atomic<int> g_bDauStreamActive[12] = {};
std::atomic<uint64_t> g_nNextKeepAliveMs[2] = {0, 0};
std::atomic<uint32_t> CKV90T1_DAU_SetupChannelDlg::s_nKeepAliveIntervalMs{30'000};

namespace {

constexpr uint32_t kDacMaximum = 16383;
constexpr platform::Tone kStopTone{1000, 20};

std::string Grouped(uint32_t value) {
    return ui::GroupThousands(value);
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

CKV90T1_DAU_SetupChannelDlg::CKV90T1_DAU_SetupChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                         int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::DauChannelTemplate(), comm, skipInitialRead, parent),
      m_nChannel(channel < 2 ? channel : 0),
      m_bSavedContinuousAdc(g_bContinuousAdc[m_nChannel].load()) {
    if (comm->m_nOperationalMode == protocol::kModeDau && channel < 2) {
        m_pRequestThread = std::make_unique<platform::PacingThread>(g_bDauRequestDataThreadRun,
                                                                    g_hDauSetupWnd[m_nChannel]);
        try {
            m_pRequestThread->Start(
                [channel](const platform::Pacer& pacer) { RunRequestData(pacer, channel); });
        } catch (const std::system_error&) {
            platform::DebugOutput("Unable to start Request Data thread.\r\n");
        }
        m_pWorker = std::make_unique<CUDP_DAU_SamplingDataSocketThread>();
    } else {
        g_bDauRequestDataThreadRun = 0;
    }
    setWindowTitle(QString::fromStdString(ui::Printf("Setup Rcvr%u", m_nChannel + 1)));
    SetText(IDC_DAU_TITLE, ui::Printf("CH%u", m_nChannel + 1));
    SetRange(IDC_DAU_SAMPLES_UPDOWN, 10, 696);
    SetStep(IDC_DAU_SAMPLES_UPDOWN, 2);
    SetRange(IDC_DAU_GAIN_UPDOWN, 0, kDacMaximum);
    SetRange(IDC_DAU_BASELINE_UPDOWN, 0, kDacMaximum);
    for (int id : {IDC_DAU_TSLOCK_GREEN, IDC_DAU_TSLOCK_GREY, IDC_DAU_FLYWHEEL_YELLOW,
                   IDC_DAU_FLYWHEEL_GREY}) {
        Show(id, false);
    }
    SetText(IDC_DAU_LOCAL_SOCKET, "");
    SetText(IDC_DAU_REMOTE_SOCKET, "");
    SetFonts();
    FitNarrowControls();
    SetCheck(IDC_DAU_SAVE_BINARY, 1);
    SetCheck(IDC_DAU_CONVERT_CSV, 1);
    Enable(IDC_DAU_REQUEST_DATA, false);
    if (m_pWorker) {
        m_pWorker->Resume();
    }
    SetCheck(IDC_DAU_CONTINUOUS_ADC, g_bContinuousAdc[m_nChannel]);
    AddRules();
    if (m_pRequestThread) {
        m_pRequestThread->Publish(Handle());
    }
}

// Stops a running stream at the device, then the socket, the worker and the thread.
CKV90T1_DAU_SetupChannelDlg::~CKV90T1_DAU_SetupChannelDlg() {
    if (m_pWorker && Streaming()) {
        dau::SendStreamDestination(*m_pComm, *m_pWorker, m_nChannel, false);
    }
    if (m_pWorker) {
        m_pWorker->CloseReceiveSocket();
        m_pWorker->StopRunning();
    }
    g_bDauStreamActive[StreamIndex()] = 0;
    g_bDauRequestDataThreadRun = 0;
    if (m_pRequestThread) {
        m_pRequestThread->Stop(2000);
    }
    m_pWorker.reset();
}

void CKV90T1_DAU_SetupChannelDlg::SetFonts() {
    QFont title("Arial");
    title.setPixelSize(36);
    title.setStyleHint(QFont::SansSerif);
    SetFont(IDC_DAU_TITLE, title);
    QFont values("Courier New");
    values.setPixelSize(18);
    values.setBold(true);
    values.setStyleHint(QFont::Monospace);
    QFont labels("Courier New");
    labels.setPixelSize(14);
    labels.setWeight(QFont::DemiBold);
    labels.setStyleHint(QFont::Monospace);
    for (int i = 0; i < 8; ++i) {
        SetFont(IDC_DAU_BIN[i], values);
        SetFont(IDC_DAU_BIN_LABEL[i], labels);
    }
    SetFont(IDC_DAU_OVR, values);
    SetFont(IDC_DAU_OVR_LABEL, labels);
}

// The step buttons and the header words are as narrow as their texts, so that the page fits
// its area.
void CKV90T1_DAU_SetupChannelDlg::FitNarrowControls() {
    auto narrow = [this](int id, const char* widest) {
        if (QWidget* control = Control(id)) {
            control->setFixedWidth(control->fontMetrics().horizontalAdvance(widest) + 16);
        }
    };
    for (int i = 0; i < 4; ++i) {
        narrow(IDC_DAU_GAIN_STEP[i], "+100");
        narrow(IDC_DAU_BASELINE_STEP[i], "+100");
    }
    for (int id : IDC_DAU_HEADER_WORD) {
        narrow(id, "DDDD");
    }
}

void CKV90T1_DAU_SetupChannelDlg::SetUseEthernet(int useEthernet) {
    Enable(IDC_DAU_REQUEST_DATA, useEthernet != 0);
}

bool CKV90T1_DAU_SetupChannelDlg::Streaming() const {
    return g_bDauStreamActive[StreamIndex()] != 0;
}

void CKV90T1_DAU_SetupChannelDlg::AddRules() {
    using ui::BeepWhen;
    using ui::Drain;
    const uint32_t c = m_nChannel;
    auto redraw = [this] { Redraw(); };
    AddRule(IDC_DAU_BANDWIDTH_SEND,
            {Drain::Silent, [this](int) { return SendSetupFromEdits(); }, redraw});
    AddChoiceRules(IDC_DAU_BB, &protocol::DauChannel::basebandInput, true);
    AddChoiceRules(IDC_DAU_SE, &protocol::DauChannel::singleEndedInput, false);
    AddChoiceRules(IDC_DAU_IMPEDANCE, &protocol::DauChannel::impedance, false);
    AddRule(IDC_DAU_SAMPLES_UPDOWN, {Drain::Silent,
                                     [this, c](int position) {
                                         return m_pComm->SetDauSamplesPerDatagram(
                                             c, static_cast<uint32_t>(position) & 0x3FF);
                                     },
                                     redraw});
    AddRule(IDC_DAU_DAC_SEND, {Drain::Silent, [this](int) { return SendDacs(0, 0); }, redraw});
    AddDacRules(IDC_DAU_GAIN_UPDOWN, IDC_DAU_GAIN_STEP, true);
    AddDacRules(IDC_DAU_BASELINE_UPDOWN, IDC_DAU_BASELINE_STEP, false);
    AddRule(
        IDC_DAU_CONTINUOUS_ADC,
        {Drain::None,
         [c](int) {
             g_bContinuousAdc[c] = g_bContinuousAdc[c] != 0 ? 0 : 1;
             platform::WakePauses();
             return 1;
         },
         [this, c] { SetCheck(IDC_DAU_CONTINUOUS_ADC, g_bContinuousAdc[c]); }, BeepWhen::Never});
    AddRule(IDC_DAU_SAVE_BINARY, {Drain::None, [](int) { return 1; },
                                  [this] {
                                      const int save = Check(IDC_DAU_SAVE_BINARY);
                                      SetCheck(IDC_DAU_CONVERT_CSV, save);
                                      Enable(IDC_DAU_CONVERT_CSV, save != 0);
                                  },
                                  BeepWhen::Never});
    AddRule(IDC_DAU_REQUEST_DATA,
            {Drain::None, [this](int) { return RequestSamplingData(); },
             [this] { SetCheck(IDC_DAU_REQUEST_DATA, Streaming()); }, BeepWhen::Never});
}

// A selection box stores its index and sends the channel setup; "IRIG" says so when input was
// waiting.
void CKV90T1_DAU_SetupChannelDlg::AddChoiceRules(const int (&ids)[3],
                                                 uint8_t protocol::DauChannel::*field,
                                                 bool report) {
    for (int i = 0; i < 3; ++i) {
        const bool irig = report && i == 2;
        AddRule(ids[i], {irig ? ui::Drain::Report : ui::Drain::Silent,
                         [this, field, i](int) {
                             protocol::DauChannel setup = m_pComm->m_Dau[m_nChannel];
                             setup.*field = static_cast<uint8_t>(i);
                             return SendSetup(setup);
                         },
                         [this] { Redraw(); }});
    }
}

void CKV90T1_DAU_SetupChannelDlg::AddDacRules(int upDown, const int (&steps)[4], bool gain) {
    const uint32_t c = m_nChannel;
    AddRule(upDown, {ui::Drain::Silent,
                     [this, c, gain](int position) {
                         const uint32_t value = static_cast<uint32_t>(position) & 0x3FFF;
                         return gain ? m_pComm->SetDauDacGain(c, value)
                                     : m_pComm->SetDauDacBaseline(c, value);
                     },
                     [this] { Redraw(); }});
    static constexpr int kSteps[4] = {10, -10, 100, -100};
    for (int i = 0; i < 4; ++i) {
        const int step = kSteps[i];
        AddRule(steps[i],
                {ui::Drain::Silent,
                 [this, gain, step](int) { return SendDacs(gain ? step : 0, gain ? 0 : step); },
                 [this] { Redraw(); }});
    }
}

int32_t CKV90T1_DAU_SetupChannelDlg::SendSetup(const protocol::DauChannel& d) {
    return m_pComm->SendDauChannelSetup(m_nChannel, d.signalBandwidth, d.samplesPerDatagram,
                                        d.basebandInput, d.singleEndedInput, d.impedance);
}

int32_t CKV90T1_DAU_SetupChannelDlg::SendSetupFromEdits() {
    const protocol::DauChannel& d = m_pComm->m_Dau[m_nChannel];
    return m_pComm->SendDauChannelSetup(m_nChannel,
                                        setup::UnsignedFromText(Text(IDC_DAU_BANDWIDTH)),
                                        setup::UnsignedFromText(Text(IDC_DAU_SAMPLES)),
                                        d.basebandInput, d.singleEndedInput, d.impedance);
}

// The typed values, each moved by its step (an increase stops at 16383, a decrease at 0).
int32_t CKV90T1_DAU_SetupChannelDlg::SendDacs(int gainStep, int baselineStep) {
    auto stepped = [](const std::string& text, int step) {
        const int64_t value = std::min<int64_t>(setup::UnsignedFromText(text), kDacMaximum);
        return static_cast<uint32_t>(std::clamp<int64_t>(value + step, 0, kDacMaximum));
    };
    return m_pComm->SendDauDacSetup(m_nChannel, stepped(Text(IDC_DAU_GAIN), gainStep),
                                    stepped(Text(IDC_DAU_BASELINE), baselineStep));
}

void CKV90T1_DAU_SetupChannelDlg::ShowChoice(const int (&ids)[3], uint8_t value) {
    for (int i = 0; i < 3; ++i) {
        SetCheck(ids[i], value == i);
    }
}

void CKV90T1_DAU_SetupChannelDlg::Redraw() {
    const protocol::DauChannel& d = m_pComm->m_Dau[m_nChannel];
    SetText(IDC_DAU_BANDWIDTH, Grouped(d.signalBandwidth));
    SetPos(IDC_DAU_SAMPLES_UPDOWN, d.samplesPerDatagram);
    SetText(IDC_DAU_SAMPLES, ui::Printf("%u", d.samplesPerDatagram));
    ShowChoice(IDC_DAU_BB, d.basebandInput);
    ShowChoice(IDC_DAU_SE, d.singleEndedInput);
    ShowChoice(IDC_DAU_IMPEDANCE, d.impedance);
    const uint32_t size = dau::kHeaderBytes + 2u * d.samplesPerDatagram;
    SetText(IDC_DAU_DATAGRAM_SIZE, ui::Printf("%u", size));
    if (m_pWorker) {
        m_pWorker->SetExpectedLength(static_cast<uint16_t>(size));
    }
    SetText(IDC_DAU_SAMPLE_RATE, Grouped(d.sampleRate));
    SetPos(IDC_DAU_GAIN_UPDOWN, d.dacGain);
    SetText(IDC_DAU_GAIN, ui::Printf("%u", d.dacGain));
    SetPos(IDC_DAU_BASELINE_UPDOWN, d.dacBaseline);
    SetText(IDC_DAU_BASELINE, ui::Printf("%u", d.dacBaseline));
    Show(IDC_DAU_NO_1PPS, m_pComm->m_TimeCode.external1Pps == 0);
}

void CKV90T1_DAU_SetupChannelDlg::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        DrainDeviceInput();
        if (m_pComm->ReadDauChannelSetup(m_nChannel) != 0 &&
            m_pComm->ReadDauDacSetup(m_nChannel) != 0) {
            m_pComm->ReadTimeCodeSetup();
        }
    }
    Redraw();
    g_bContinuousAdc[m_nChannel] = m_bSavedContinuousAdc;
    platform::WakePauses();
    SetCheck(IDC_DAU_CONTINUOUS_ADC, m_bSavedContinuousAdc);
}

void CKV90T1_DAU_SetupChannelDlg::OnLeaving() {
    m_bSavedContinuousAdc = g_bContinuousAdc[m_nChannel].exchange(0);
    platform::WakePauses();
}

int32_t CKV90T1_DAU_SetupChannelDlg::RequestSamplingData() {
    if (!m_pWorker) {
        g_nNextKeepAliveMs[m_nChannel] = 0;
        ui::FeedbackBeep(false);
        return 0;
    }
    ui::WaitCursor wait;
    if (Streaming()) {
        StopSampling();
    } else {
        StartSampling();
    }
    return 1;
}

void CKV90T1_DAU_SetupChannelDlg::StartSampling() {
    const std::tm now = LocalTimeNow();
    DrainDeviceInput();
    Enable(IDC_DAU_SAVE_BINARY, false);
    const bool save = Check(IDC_DAU_SAVE_BINARY) != 0;
    if (save) {
        m_strSamplingPath =
            dau::UnusedPath(m_strProgramFolder, dau::SamplingFileName(m_nChannel + 1, now));
    }
    dau::OpenStreamSocket(*m_pComm, *m_pWorker, m_nChannel,
                          save ? m_strSamplingPath.c_str() : nullptr);
    UdpReceiveSocket* socket = m_pWorker->Socket();
    SetText(IDC_DAU_LOCAL_SOCKET,
            ui::Printf("%s::%u", socket->GetLocalAddress(), socket->GetLocalPort()));
    SetText(IDC_DAU_REMOTE_SOCKET,
            ui::Printf("%s:%u", socket->GetRemoteAddress(), socket->GetRemotePort()));
    socket->m_hNotifyWindow = Handle();
    socket->m_nDatagramMessage = m_nChannel == 0 ? ID_DECOM_DATA_STREAMING_CH1_RECEIVED
                                                 : ID_DECOM_DATA_STREAMING_CH2_RECEIVED;
    socket->m_nBadSizeMessage = ID_DECOM_DATA_STREAMING_BAD_SIZE;
    socket->m_nRecordingStoppedMessage = ID_DAU_RECORDING_STOPPED;
    m_bRecordingReported = false;
    if (save && m_pWorker->RecordingFile().Failed()) {
        ReportRecordingStopped();
    }
    g_bDauStreamActive[StreamIndex()] = 1;
    g_nNextKeepAliveMs[m_nChannel] = 0;
    platform::WakePauses();
    ui::FeedbackBeep(false);
}

void CKV90T1_DAU_SetupChannelDlg::StopSampling() {
    DrainDeviceInput();
    g_bDauStreamActive[StreamIndex()] = 0;
    const int32_t stopped = dau::SendStreamDestination(*m_pComm, *m_pWorker, m_nChannel, false);
    m_pWorker->CloseReceiveSocket();
    const DatagramFile& file = m_pWorker->RecordingFile();
    const bool recorded = !file.Failed() || file.Written() > 0;  // not one that was never made
    if (Check(IDC_DAU_CONVERT_CSV) != 0 && recorded) {
        ConvertAndOpen();
    }
    Enable(IDC_DAU_SAVE_BINARY, true);
    g_nNextKeepAliveMs[m_nChannel] = 0;
    ui::FeedbackBeep(stopped != 0, kStopTone);
}

void CKV90T1_DAU_SetupChannelDlg::ReportRecordingStopped() {
    const DatagramFile& file = m_pWorker->RecordingFile();
    if (m_bRecordingReported || !file.Failed()) {
        return;
    }
    m_bRecordingReported = true;
    ui::MessageBox(this,
                   "Recording stopped: " + file.Error() + ".\r\r" + m_strSamplingPath +
                       " holds the " + ui::GroupThousands(static_cast<int64_t>(file.Written())) +
                       " bytes written before, whole datagrams only.",
                   "Recording Stopped", ui::MessageIcon::Warning);
}

// The conversion runs off the window thread over the bytes that were recorded; the window keeps
// painting and shows how far it got, while input waits. Closing the window cancels it.
bool CKV90T1_DAU_SetupChannelDlg::ConvertAndOpen() {
    const ui::LongOperation operation;
    const std::string csv = dau::CsvPathOf(m_strSamplingPath);
    const uint32_t samples = m_pComm->m_Dau[m_nChannel].samplesPerDatagram;
    std::atomic<uint32_t> percent{0};
    std::atomic<bool> cancel{false};
    const dau::ConversionControl control{m_pWorker->RecordingFile().Written(), &cancel};
    auto conversion = std::async(std::launch::async, [&] {
        return dau::ConvertSamplingFile(
            m_strSamplingPath, csv, samples,
            [&percent](uint64_t done, uint64_t total) {
                percent = total != 0 ? uint32_t(done * 100 / total) : 0;
            },
            control);
    });
    while (conversion.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        SetText(IDC_DAU_CONVERT_PROGRESS, ui::Printf("Converting... %u%%", percent.load()));
        cancel = ui::LongOperation::StopRequested();
        ui::RepaintHoldingInput();
    }
    SetText(IDC_DAU_CONVERT_PROGRESS, "");
    const dau::ConversionResult result = conversion.get();
    if (!result.ok) {
        ui::MessageBox(this, result.error, "Convert File Error");
        return false;
    }
    int error = 0;
    if (!platform::ShellOpen(csv, &error)) {
        ui::MessageBox(this,
                       ui::Printf("Cannot Open Report File for Editing, Error=%u",
                                  static_cast<uint32_t>(error)) +
                           "\r\r" + csv +
                           " was written, but no program could be started to "
                           "open it (xdg-open: " +
                           platform::SystemErrorText(static_cast<uint32_t>(error)) + ").",
                       "Edit File Error");
        return false;
    }
    return true;
}

void CKV90T1_DAU_SetupChannelDlg::SendKeepAlive() {
    if (!m_pWorker || m_pWorker->Socket() == nullptr) {
        return;
    }
    dau::SendStreamDestination(*m_pComm, *m_pWorker, m_nChannel, true);
}

void CKV90T1_DAU_SetupChannelDlg::ShowHeader(uintptr_t slot) {
    uint8_t bytes[dau::kHeaderBytes];
    if (!m_pWorker || slot >= CUDP_DAU_SamplingDataSocketThread::kSlots ||
        !m_pWorker->CopySlot(static_cast<int>(slot), bytes, dau::kHeaderBytes)) {
        return;
    }
    const dau::DatagramHeader h = dau::DecodeHeader(bytes);
    for (int k = 0; k < 12; ++k) {
        SetText(IDC_DAU_HEADER_WORD[k], ui::Printf("%4.4X", h.words[k]));
    }
    SetText(IDC_DAU_GPS_STATE, dau::GpsStateText(h.gpsState));
    SetText(IDC_DAU_GPS_QUALITY, dau::GpsQualityText(h.gpsQuality));
    SetText(IDC_DAU_RAW_RSSI, ui::Printf("%u", h.rawRssi));
    SetText(IDC_DAU_RSSI_VOLTAGE, dau::RssiVoltageText(h.rawRssi));
    SetText(IDC_DAU_SEQUENCE, Grouped(h.sequence));
    SetText(IDC_DAU_DATA_TYPE, ui::Printf("%u", h.dataType));
    ShowLamp(h.timeLocked ? IDC_DAU_TSLOCK_GREEN : IDC_DAU_TSLOCK_GREY);
    ShowLamp(h.flywheeling ? IDC_DAU_FLYWHEEL_YELLOW : IDC_DAU_FLYWHEEL_GREY);
    SetText(IDC_DAU_IRIG_YEARS, ui::Printf("%u", h.IrigYears()));
    SetText(IDC_DAU_IRIG_SECONDS, Grouped(h.IrigSeconds()));
    SetText(IDC_DAU_IRIG_NANOSECONDS, Grouped(h.irigNanoseconds));
    SetText(IDC_DAU_IRIG_DATE, dau::IrigDateText(h.irigWord, LocalTimeNow().tm_year + 1900));
    ShowWaveform(slot);
}

void CKV90T1_DAU_SetupChannelDlg::ShowWaveform(uintptr_t slot) {
    uint8_t datagram[CUDP_DAU_SamplingDataSocketThread::kSlotBytes];
    const int length = m_pWorker->ExpectedLength();
    if (length <= dau::kHeaderBytes || length > int(sizeof datagram) ||
        !m_pWorker->CopySlot(static_cast<int>(slot), datagram, length)) {
        return;
    }
    const int samples = (length - dau::kHeaderBytes) / 2;
    ui::StripChart* chart = Chart(IDC_DAU_WAVEFORM);
    const int columns = chart->PlotColumns();
    std::vector<ui::ChartColumn> wave(static_cast<size_t>(columns));
    for (int i = 0; i < samples; ++i) {
        const uint8_t* p = datagram + dau::kHeaderBytes + 2 * i;
        const double sample = static_cast<int16_t>(p[0] << 8 | p[1]);
        // Columns narrower than a sample repeat it; wider ones take the range of theirs.
        for (int x = i * columns / samples;
             x < std::max((i + 1) * columns / samples, i * columns / samples + 1); ++x) {
            ui::ChartColumn& c = wave[size_t(x)];
            c.low = c.valid ? std::min(c.low, sample) : sample;
            c.high = c.valid ? std::max(c.high, sample) : sample;
            c.valid = true;
        }
    }
    chart->SetData({{"Samples", {{"", QColor(20, 90, 200), std::move(wave)}}, {}}}, {}, "sample 0",
                   ui::Printf("sample %d", samples - 1));
}

void CKV90T1_DAU_SetupChannelDlg::ShowAdcBins() {
    m_pComm->ReadDauAdcBins(m_nChannel);
    const protocol::DauChannel& d = m_pComm->m_Dau[m_nChannel];
    for (int i = 0; i < 8; ++i) {
        SetText(IDC_DAU_BIN[i], ui::Printf("%u", d.bins[i]));
    }
    SetText(IDC_DAU_OVR, ui::Printf("%u", d.overRangeCount));
}

intptr_t CKV90T1_DAU_SetupChannelDlg::OnMessage(uint32_t message, uintptr_t wParam,
                                                intptr_t lParam) {
    switch (message) {
        case ID_REQUEST_DAU_SAMPLING_DATA_CH1:
        case ID_REQUEST_DAU_SAMPLING_DATA_CH2:
            SendKeepAlive();
            return 0;
        case ID_DECOM_DATA_STREAMING_CH1_RECEIVED:
        case ID_DECOM_DATA_STREAMING_CH2_RECEIVED:
            ShowHeader(wParam);
            return 0;
        case ID_DECOM_DATA_STREAMING_BAD_SIZE:
            return 0;
        case ID_DAU_RECORDING_STOPPED:
            if (m_pWorker) {
                ReportRecordingStopped();
            }
            return 0;
        case ID_DAU_ADC_UPDATE:
            if (lParam == static_cast<intptr_t>(m_nChannel)) {
                ShowAdcBins();
            }
            return 0;
        default:
            return DevicePage::OnMessage(message, wParam, lParam);
    }
}

// Keep-alive requests while the stream is wanted, every interval; ADC updates while they are
// switched on, 100 ms apart.
const char* CKV90T1_DAU_SetupChannelDlg::PolledMessageName(uintptr_t message) const {
    return message == ID_DAU_ADC_UPDATE ? "an ADC Update message" : nullptr;
}

void CKV90T1_DAU_SetupChannelDlg::RunRequestData(const platform::Pacer& pacer, uint32_t channel) {
    const std::atomic<platform::WindowHandle>& window = g_hDauSetupWnd[channel];
    const std::atomic<int>& active = g_bDauStreamActive[dau::StreamIndex(channel)];
    const std::atomic<int>& adc = g_bContinuousAdc[channel];
    while (pacer.Running()) {
        if (window == 0) {
            pacer.Pause(50);
            continue;
        }
        const uint64_t now = platform::TickCount64();
        if (active != 0 && now >= g_nNextKeepAliveMs[channel]) {
            g_nNextKeepAliveMs[channel] = now + s_nKeepAliveIntervalMs;
            platform::SendMessage(window, channel == 0 ? ID_REQUEST_DAU_SAMPLING_DATA_CH1
                                                       : ID_REQUEST_DAU_SAMPLING_DATA_CH2);
        } else {
            // Cut short when ADC updates are switched on or a stream starts.
            pacer.Pause(
                50, [&] { return adc == 0 && !(active != 0 && g_nNextKeepAliveMs[channel] == 0); });
        }
        pages::PollingTurn(pacer, window, 100,
                           {ID_DAU_ADC_UPDATE, 0, static_cast<intptr_t>(channel)},
                           [&] { return adc != 0; });
    }
}
