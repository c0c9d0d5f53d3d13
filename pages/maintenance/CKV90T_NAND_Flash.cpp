#include "pages/maintenance/CKV90T_NAND_Flash.h"

#include <QElapsedTimer>
#include <QFont>
#include <algorithm>
#include <climits>

#include "platform/clock.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"
#include "ui/WaitCursor.h"

using namespace res;

namespace {

constexpr int kFiles = 128;
constexpr uint64_t kRepairableLength = 256;

int KibOf(uint64_t bytes) {
    return static_cast<int>(std::min<uint64_t>(bytes / 1024, INT_MAX));
}

}  // namespace

CKV90T_NAND_Flash::CKV90T_NAND_Flash(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::NandFlashTemplate(), comm, skipInitialRead, parent) {
    setWindowTitle("NAND Flash");
    QFont channel("Arial");
    channel.setPixelSize(36);
    SetFont(IDC_NAND_CHANNEL_TEXT, channel);
    SetRange(IDC_NAND_PROGRESS, 0, 255);
    SetPos(IDC_NAND_PROGRESS, 0);
    SetColumnWidth(IDC_NAND_LIST, 0, 75);
    SetColumnWidth(IDC_NAND_LIST, 1, 150);
    SetColumnWidth(IDC_NAND_LIST, 2, 100);
    // The list takes the page's width: its columns and room for long names.
    if (QWidget* list = Control(IDC_NAND_LIST)) {
        list->setMinimumWidth(900);
    }
    AddRules();
}

CKV90T_NAND_Flash::~CKV90T_NAND_Flash() {
    m_download.Cancel();
}

void CKV90T_NAND_Flash::AddRules() {
    using ui::Drain;
    auto show = [this] { ShowChannelAndList(); };
    for (uint32_t c = 0; c < 3; ++c) {
        AddRule(IDC_NAND_CHANNEL[c], {Drain::Report,
                                      [this, c](int) {
                                          ui::WaitCursor wait;
                                          m_nChannel = c;
                                          return ReadDirectory() ? 1 : 0;
                                      },
                                      show});
    }
    AddRule(IDC_NAND_READ_DIRECTORY, {Drain::None,
                                      [this](int) {
                                          ui::WaitCursor wait;
                                          return ReadDirectory() ? 1 : 0;
                                      },
                                      show});
    AddRule(IDC_NAND_REPAIR,
            {Drain::None,
             [this](int) {
                 ui::WaitCursor wait;
                 return m_pComm->RepairLastFile(m_nChannel) != 0 && ReadDirectory() ? 1 : 0;
             },
             show});
}

bool CKV90T_NAND_Flash::ReadDirectory() {
    return recorder::ReadDirectory(*m_pComm, m_nChannel);
}

void CKV90T_NAND_Flash::RefreshFromDevice() {
    ui::WaitCursor wait;
    Rules().DrainBy(ui::Drain::Report);
    if (m_bSkipInitialRead == 0) {
        ReadDirectory();
    }
    SetText(IDC_NAND_INSTALL, m_pComm->m_Options.recorderInstalled != 0
                                  ? ""
                                  : "*** NAND Flash is NOT installed. ***");
    ShowChannelAndList();
}

void CKV90T_NAND_Flash::ShowChannelAndList() {
    for (uint32_t c = 0; c < 3; ++c) {
        SetCheck(IDC_NAND_CHANNEL[c], c == m_nChannel);
    }
    SetText(IDC_NAND_CHANNEL_TEXT, ui::Printf("CH%u", m_nChannel + 1));
    const protocol::RecorderChannel& r = m_pComm->m_Recorder[m_nChannel];
    ClearRows(IDC_NAND_LIST);
    bool repairable = false;
    for (int i = 0; i < kFiles && r.files[i].name[0] != '\0'; ++i) {
        const uint64_t length = r.files[i].length;
        AddRow(IDC_NAND_LIST, {ui::Printf("%d", i), r.files[i].name,
                               ui::GroupThousands(static_cast<int64_t>(length))});
        repairable = repairable || length <= kRepairableLength;
    }
    SetText(IDC_NAND_CAPACITY, ui::GroupThousands(static_cast<int64_t>(r.remainingCapacity)));
    Enable(IDC_NAND_REPAIR, repairable);
}

void CKV90T_NAND_Flash::OnDoubleClick(int id, int row) {
    if (id == IDC_NAND_LIST) {
        DownloadFile(static_cast<uint32_t>(std::clamp(row, 0, kFiles - 1)));
    }
}

std::string CKV90T_NAND_Flash::CompletionText(const std::string& path, uint64_t received,
                                              uint64_t expected, double seconds) {
    return path + " downloaded.\r\rReceived Length:    " +
           ui::GroupThousands(static_cast<int64_t>(received)) +
           " bytes.\r\rExpected Length:    " + ui::GroupThousands(static_cast<int64_t>(expected)) +
           " bytes.\r\rElapsed Time:         " + ui::Printf("%.1f", seconds) + " seconds.";
}

void CKV90T_NAND_Flash::DownloadFile(uint32_t file) {
    ui::WaitCursor wait;
    const ui::LongOperation operation;
    Rules().DrainBy(ui::Drain::Report);
    const uint64_t start = platform::TickCount64();
    const uint32_t c = m_nChannel;
    const protocol::RecordingFile& entry = m_pComm->m_Recorder[c].files[file];
    m_report = {m_strProgramFolder + recorder::DownloadName(entry.name), entry.length, 0};
    SetRange(IDC_NAND_PROGRESS, 0, KibOf(m_report.expected));
    SetPos(IDC_NAND_PROGRESS, 0);
    if (const std::string error = recorder::StartDownload(*m_pComm, c, file, m_report.path,
                                                          m_download, Handle(), m_nInactivityMs);
        !error.empty()) {
        ui::FeedbackBeep(false);
        ui::MessageBox(this, m_report.path + " was not downloaded: " + error + ".",
                       "File Download Failed", ui::MessageIcon::Warning);
        return;
    }
    const bool ok = WaitForTransfer(c);
    m_report.seconds = static_cast<double>(platform::TickCount64() - start) / 1000.0;
    SetPos(IDC_NAND_PROGRESS, 0);
    if (ui::LongOperation::StopRequested()) {
        m_download.Cancel();  // the window closes: what arrived stays in the temporary file
        return;
    }
    if (m_download.Ended()) {
        ui::FeedbackBeep(ReportDownload() && ok);
        return;
    }
    // The device is done but bytes are still on their way: the worker finishes the file on its
    // own and its outcome is told when it ends.
    m_bReportWhenDone = true;
    ui::MessageBox(this,
                   m_report.path + ": the device has sent the file; " +
                       ui::GroupThousands(static_cast<int64_t>(m_download.Received())) + " of " +
                       ui::GroupThousands(static_cast<int64_t>(m_report.expected)) +
                       " bytes have arrived so far.\r\rThe file is saved when the rest has "
                       "arrived.",
                   "File Download", ui::MessageIcon::Information);
    ui::FeedbackBeep(ok);
}

// A complete download gets the completion box; anything else a warning that says what
// arrived, where those bytes are, and why the rest did not.
bool CKV90T_NAND_Flash::ReportDownload() {
    const recorder::Outcome outcome = m_download.Result();
    if (outcome.complete) {
        ui::MessageBox(
            this,
            CompletionText(m_report.path, outcome.received, m_report.expected, m_report.seconds),
            "File Download Complete", ui::MessageIcon::Information);
        return true;
    }
    std::string text = m_report.path + " was not downloaded: " + outcome.error + ".";
    if (outcome.received > 0) {
        text += "\r\rThe bytes that arrived are in " + recorder::Download::PartPath(m_report.path) +
                "; an earlier download of the file is kept as it was.";
    }
    text +=
        "\r\rReceived Length:    " + ui::GroupThousands(static_cast<int64_t>(outcome.received)) +
        " bytes.\r\rExpected Length:    " +
        ui::GroupThousands(static_cast<int64_t>(m_report.expected)) + " bytes.";
    ui::MessageBox(this, text, "File Download Failed", ui::MessageIcon::Warning);
    return false;
}

// Follows the device's transfer flag, or until the window closes. Once the wait ends, the
// worker is given one status poll to finish the file.
bool CKV90T_NAND_Flash::WaitForTransfer(uint32_t channel) {
    recorder::TransferWatch watch(*m_pComm, channel, m_download);
    while (!ui::LongOperation::StopRequested() && watch.Poll()) {
        SetPos(IDC_NAND_PROGRESS, KibOf(m_download.Received()));
        ui::RepaintFor(recorder::TransferWatch::kPollMs);
    }
    QElapsedTimer finishing;
    finishing.start();
    while (!m_download.Ended() && finishing.elapsed() < recorder::TransferWatch::kPollMs) {
        ui::RepaintFor(10);
    }
    return watch.DeviceAnswered();
}

intptr_t CKV90T_NAND_Flash::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == recorder::ID_NAND_DOWNLOAD_DONE) {
        m_socketThread.PostThreadMessage(CNAND_FlashFileSocketThread::kStopSocketMessage);
        if (m_bReportWhenDone && m_download.Ended()) {
            m_bReportWhenDone = false;
            ReportDownload();
        }
        return 0;
    }
    return DevicePage::OnMessage(message, wParam, lParam);
}
