#pragma once
// The NAND flash recorder page: the files of the selected recording channel with their
// lengths, the remaining capacity, the repair of the channel's last file, and the download of
// a file into the program folder by a worker thread while the page follows the device's
// transfer flag and shows the progress.

#include <cstdint>
#include <string>

#include "link/TcpSocket.h"
#include "pages/DevicePage.h"
#include "transfer/recorder_session.h"

class CKV90T_NAND_Flash : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T_NAND_Flash(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
    ~CKV90T_NAND_Flash() override;

    // Reads the directory unless initial reads are skipped, and shows it.
    void RefreshFromDevice() override;
    uint32_t SelectedChannel() const { return m_nChannel; }
    const recorder::Download& LastDownload() const { return m_download; }
    // How long a download may go without a byte (tests shorten it).
    void SetInactivityTimeout(uint32_t ms) { m_nInactivityMs = ms; }
    int SocketStopsHandled() { return m_socketThread.StopsHandled(); }

    // The completion box's text.
    static std::string CompletionText(const std::string& path, uint64_t received, uint64_t expected,
                                      double seconds);

protected:
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void OnDoubleClick(int id, int row) override;

private:
    void AddRules();
    // The four directory blocks, stopping at the first failure, then the capacity; true when
    // all five succeeded.
    bool ReadDirectory();
    void ShowChannelAndList();
    void DownloadFile(uint32_t file);
    // Follows the transfer flag, painting and moving the progress bar; true when the last
    // status read succeeded.
    bool WaitForTransfer(uint32_t channel);
    // The box for the download's outcome; true when it was complete.
    bool ReportDownload();

    // The download the next report is about.
    struct Report {
        std::string path;
        uint64_t expected = 0;
        double seconds = 0;
    };
    uint32_t m_nChannel = 0;
    Report m_report;
    bool m_bReportWhenDone = false;
    uint32_t m_nInactivityMs = recorder::Download::kInactivityMs;
    CNAND_FlashFileSocketThread m_socketThread;
    recorder::Download m_download;
};
