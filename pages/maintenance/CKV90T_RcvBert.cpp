#include "pages/maintenance/CKV90T_RcvBert.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <system_error>

#include "pages/chart_columns.h"
#include "pages/polling_turn.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"
#include "ui/StripChart.h"

using namespace res;

std::atomic<int> g_bRcvBertThreadRun{1};
std::atomic<platform::WindowHandle> g_hRcvBertWnd{0};
std::atomic<int> CKV90T_RcvBert::s_bPollStream[6] = {0, 0, 0, 0, 0, 0};

namespace {

constexpr int kStreams = 6;
constexpr int kHighestPattern = 17;  // "User Pattern" (18) cannot be chosen here
constexpr int64_t kErrorRateSpanMs = 5 * 60 * 1000;

constexpr const char* kPatternNames[19] = {
    "All 0's", "All 1's", "Alt 0's & 1's", "PN3",  "PN4",         "PN5",  "PN6",
    "PN7",     "PN9",     "PN10",          "PN11", "PN15",        "PN17", "PN18",
    "PN20",    "PN21",    "PN22",          "PN23", "User Pattern"};

uint32_t UnitOf(int k) {
    return static_cast<uint32_t>(k / 2);
}
uint32_t StreamOf(int k) {
    return static_cast<uint32_t>(k % 2);
}

bool AnyStreamPolled() {
    return std::any_of(std::begin(CKV90T_RcvBert::s_bPollStream),
                       std::end(CKV90T_RcvBert::s_bPollStream),
                       [](const std::atomic<int>& flag) { return flag != 0; });
}

}  // namespace

const char* CKV90T_RcvBert::PatternName(uint32_t code) {
    return code < 19 ? kPatternNames[code] : code < 32 ? "Unused" : "";
}

CKV90T_RcvBert::CKV90T_RcvBert(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::RcvBertTemplate(), comm, skipInitialRead, parent) {
    try {
        m_thread.Start(&CKV90T_RcvBert::RunStatusThread);
    } catch (const std::system_error&) {
        platform::DebugOutput("Unable to start Status thread.\r\n");
    }
    setWindowTitle("Rcv BERT");
    QFont small("Arial");
    small.setPixelSize(10);
    small.setWeight(QFont::Medium);
    // The widest texts keep their columns, so that the groups line up as one table.
    const int textWidth = QFontMetrics(small).horizontalAdvance("UNLOCKED") + 4;
    for (int k = 0; k < kStreams; ++k) {
        for (int id : {IDC_BERT_LOCK_TEXT[k], IDC_BERT_INVERSION_TEXT[k]}) {
            SetFont(id, small);
            if (QWidget* label = Control(id)) {
                label->setMinimumWidth(textWidth);
            }
        }
        SetRange(IDC_BERT_PATTERN_UPDOWN[k], 0, kHighestPattern);
        AddRules(k);
    }
    m_thread.Publish(Handle());
}

CKV90T_RcvBert::~CKV90T_RcvBert() {
    EndStatusThread();
}

void CKV90T_RcvBert::EndStatusThread() {
    OnLeaving();
    m_thread.Stop(2000);
}

void CKV90T_RcvBert::AddRules(int k) {
    using ui::Drain;
    protocol::BertStream& b = m_pComm->m_Bert[k];
    AddRule(IDC_BERT_ENABLED[k], {Drain::Silent,
                                  [this, k, &b](int) {
                                      b.enabled = b.enabled != 0 ? 0 : 1;
                                      return SendSetup(k);
                                  },
                                  [this, k] { ShowEnable(k); }});
    AddRule(IDC_BERT_INVERT_CLOCK[k], {Drain::Silent,
                                       [this, k, &b](int) {
                                           b.invertClock = b.invertClock != 0 ? 0 : 1;
                                           return SendSetup(k);
                                       },
                                       [this, k] { ShowInvertClock(k); }});
    AddRule(IDC_BERT_PATTERN_UPDOWN[k],
            {Drain::Silent,
             [this, k, &b](int position) {
                 b.pattern = static_cast<uint8_t>(std::min(position & 0x1F, kHighestPattern));
                 return SendSetup(k);
             },
             [this, k] { ShowPattern(k); }});
    AddRule(IDC_BERT_RESET[k],
            {Drain::Silent, [this, k](int) { return SendSetup(k); }, [this, k] { ShowEnable(k); }});
}

int32_t CKV90T_RcvBert::SendSetup(int k) {
    const protocol::BertStream& b = m_pComm->m_Bert[k];
    return m_pComm->SendBertSetup(UnitOf(k), StreamOf(k), b.enabled, b.invertClock, b.pattern,
                                  b.lengthValue, b.word, b.byteValue, b.modeValue);
}

bool CKV90T_RcvBert::Available(int k) const {
    if (StreamOf(k) == 0) {
        return true;
    }
    return m_pComm->m_nOperationalMode == protocol::kModePsk &&
           protocol::PskSubmodeHasQPath(m_pComm->m_ChannelSetup[UnitOf(k)].pskSubmode);
}

void CKV90T_RcvBert::RefreshFromDevice() {
    for (int k = 0; k < kStreams; ++k) {
        ShowEnable(k);
        ShowInvertClock(k);
        ShowPattern(k);
    }
}

void CKV90T_RcvBert::OnLeaving() {
    for (auto& flag : s_bPollStream) {
        flag = 0;
    }
    platform::WakePauses();
}

void CKV90T_RcvBert::ShowEnable(int k) {
    const bool available = Available(k);
    const bool enabled = available && m_pComm->m_Bert[k].enabled != 0;
    Enable(IDC_BERT_ENABLED[k], available);
    SetText(IDC_BERT_LOCK_TEXT[k], "");
    SetText(IDC_BERT_INVERSION_TEXT[k], "");
    ShowOnOff(IDC_BERT_ENABLED[k], enabled, "Enabled", "Off");
    for (int id : {IDC_BERT_INVERT_CLOCK[k], IDC_BERT_PATTERN_UPDOWN[k], IDC_BERT_PATTERN[k],
                   IDC_BERT_RESET[k]}) {
        Enable(id, enabled);
    }
    if (enabled) {
        Show(IDC_BERT_LOCK_GREY[k], false);
        Show(IDC_BERT_INVERSION_GREY[k], false);
    } else {
        ShowLamp(IDC_BERT_LOCK_GREY[k]);
        ShowLamp(IDC_BERT_INVERSION_GREY[k]);
        for (int id : {IDC_BERT_BIT_ERRORS[k], IDC_BERT_BIT_COUNT[k], IDC_BERT_BER[k],
                       IDC_BERT_BIT_RATE[k], IDC_BERT_OUT_OF_LOCK[k]}) {
            SetText(id, "");
        }
    }
    s_bPollStream[k] = enabled ? 1 : 0;
    platform::WakePauses();
}

void CKV90T_RcvBert::ShowInvertClock(int k) {
    ShowOnOff(IDC_BERT_INVERT_CLOCK[k], m_pComm->m_Bert[k].invertClock, "Inverted", "Normal");
}

void CKV90T_RcvBert::ShowPattern(int k) {
    const int code = std::min<int>(m_pComm->m_Bert[k].pattern, kHighestPattern);
    SetPos(IDC_BERT_PATTERN_UPDOWN[k], code);
    SetText(IDC_BERT_PATTERN[k], PatternName(static_cast<uint32_t>(code)));
}

void CKV90T_RcvBert::ShowStatus(int k) {
    const protocol::BertStream& b = m_pComm->m_Bert[k];
    ShowLamp(b.locked != 0 ? IDC_BERT_LOCK_GREEN[k] : IDC_BERT_LOCK_RED[k]);
    SetText(IDC_BERT_LOCK_TEXT[k], b.locked != 0 ? "LOCKED" : "UNLOCKED");
    ShowLamp(b.dataInverted != 0 ? IDC_BERT_INVERSION_YELLOW[k] : IDC_BERT_INVERSION_GREEN[k]);
    SetText(IDC_BERT_INVERSION_TEXT[k], b.dataInverted != 0 ? "INVERTED" : "NORMAL");
    const double errors = static_cast<double>(b.bitErrors);
    const double bits = static_cast<double>(b.bitCount);
    SetText(IDC_BERT_BIT_ERRORS[k], ui::Printf("%g", errors));
    SetText(IDC_BERT_BIT_COUNT[k], ui::Printf("%g", bits));
    SetText(IDC_BERT_BER[k], ui::Printf("%e", b.bitCount != 0 ? errors / bits : 0.0));
    SetText(IDC_BERT_BIT_RATE[k], ui::Printf("%u", b.values[1]));
    SetText(IDC_BERT_OUT_OF_LOCK[k], ui::Printf("%g", static_cast<double>(b.values[2])));
}

void CKV90T_RcvBert::ShowErrorRates() {
    static const QColor kColours[6] = {QColor(20, 90, 200), QColor(120, 170, 240),
                                       QColor(200, 60, 40), QColor(240, 150, 120),
                                       QColor(0, 130, 70),  QColor(120, 200, 150)};
    static const char* const kNames[6] = {"CH1 I", "CH1 Q", "CH2 I", "CH2 Q", "Comb I", "Comb Q"};
    ui::StripChart* chart = Chart(IDC_BERT_CHART);
    const auto now = static_cast<int64_t>(platform::TickCount64());
    ui::ChartPanel panel{"Bit Error Rate (log10)", {}, {}};
    for (int k = 0; k < 6; ++k) {
        if (m_pComm->m_Bert[k].enabled != 0) {
            panel.series.push_back({kNames[k], kColours[k],
                                    pages::ChartColumns(m_errorRates[size_t(k)].Decimate(
                                        now - kErrorRateSpanMs, now + 1, chart->PlotColumns()))});
        }
    }
    chart->SetData({panel}, {}, "-5 min", "now");
}

intptr_t CKV90T_RcvBert::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == ID_RCV_BERT_STATUS_UPDATE) {
        if (wParam < 3 && lParam >= 0 && lParam < 2) {
            const auto unit = static_cast<uint32_t>(wParam);
            const auto stream = static_cast<uint32_t>(lParam);
            const bool read = m_pComm->ReadBertStatus(unit, stream) != 0;
            const int k = static_cast<int>(unit * 2 + stream);
            ShowStatus(k);
            if (read && onStatusRead) {
                onStatusRead(k);
            }
            const protocol::BertStream& b = m_pComm->m_Bert[k];
            // A rate without errors is drawn at the floor of what the bits counted can show.
            const double bits = static_cast<double>(b.bitCount);
            const double errors = std::max(static_cast<double>(b.bitErrors), 0.5);
            m_errorRates[size_t(k)].Add(platform::TickCount64(), read && bits > 0,
                                        std::log10(std::min(errors / bits, 1.0)));
            ShowErrorRates();
        }
        return 0;
    }
    return DevicePage::OnMessage(message, wParam, lParam);
}

const char* CKV90T_RcvBert::PolledMessageName(uintptr_t message) const {
    return message == ID_RCV_BERT_STATUS_UPDATE ? "an 0x2103 Status message" : nullptr;
}

// Each enabled stream in turn: 100 ms, its status, 100 ms, the check for stray bytes; a flag
// cleared meanwhile ends the pauses at once and skips what is left of the stream's turn.
void CKV90T_RcvBert::RunStatusThread(const platform::Pacer& pacer) {
    while (pacer.Running()) {
        if (g_hRcvBertWnd == 0) {
            pacer.Pause(50);
            continue;
        }
        for (int k = 0; k < kStreams && pacer.Running(); ++k) {
            const std::atomic<int>& polled = s_bPollStream[k];
            pages::PollingTurn(pacer, g_hRcvBertWnd, 100,
                               {ID_RCV_BERT_STATUS_UPDATE, UnitOf(k), StreamOf(k)},
                               [&polled] { return polled != 0; });
        }
        if (!AnyStreamPolled()) {
            pacer.Pause(50, [] { return !AnyStreamPolled(); });
        }
    }
}
