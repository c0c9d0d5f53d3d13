#pragma once
// The pages under the main window's tabs: created once, then shown, hidden, enabled and
// refreshed by the operational mode and the paths the device has installed.

#include <array>
#include <string>

#include "ui/CPage.h"

class CKV90T1_Comm;
class CKV90T_ComPort;
class QScrollArea;
class CBlankDlg;
namespace ui {
class CDialog;
}

class PageHost {
public:
    enum Page {
        kPskCh1,
        kBitSyncCh1,
        kPcmFmCh1,
        kMhcpmCh1,
        kDauCh1,
        kTapeCh1,
        kPskCh2,
        kBitSyncCh2,
        kPcmFmCh2,
        kMhcpmCh2,
        kDauCh2,
        kTapeCh2,
        kPskCombiner,
        kBitSyncCombiner,
        kPcmFmCombiner,
        kMhcpmCombiner,
        kIrigTime,
        kTapeCh3,
        kRcvBert,
        kDauBit,
        kNandFlash,
        kSystem,
        kComPort,
        kPageCount,
        kBlank = kPageCount,
    };
    enum Kind { kChannel1, kChannel2, kCombiner, kTest, kRecorder, kSystemTab, kCommTab };

    // `window` holds the tab control `tabId`; the pages go into `area`.
    PageHost(ui::CDialog& window, int tabId, QWidget* area, CKV90T1_Comm* comm,
             int skipInitialRead);

    // Every page and tab, for the mode and installed paths of the device state; a
    // communications page shown alone until now stays as it is.
    void CreatePages(const std::string& programFolder, int useEthernet,
                     const std::string& deviceIpAddress);
    // Only the communications page, for a device that does not answer; it shows the link the
    // start-up chose.
    void CreateCommunicationsPageOnly(const std::string& programFolder, int useEthernet,
                                      const std::string& deviceIpAddress);

    // Leaves the current page and shows and refreshes the one the selected tab asks for.
    void SelectPage();
    // Re-titles the PCM/FM pages for the current mode.
    void UpdatePcmFmTitles();
    // Captions the tabs for the current mode as start-up does, and hides the tabs that have no
    // page in it.
    void ArrangeTabs();
    // The size the largest page asks for.
    QSize LargestPage() const;
    // Bounds the page area: the same for every page, scrolling a page that does not fit.
    void SetAreaSize(QSize least, QSize most);

    // A demonstration's communications page writes no settings.
    void SetSavesSettings(bool saves) { m_bSavesSettings = saves; }
    int CurrentKind() const { return m_nCurrentKind; }
    void SetCurrentKind(int kind) { m_nCurrentKind = kind; }
    // Scrolls the page area so that `widget` (on the shown page) is in view.
    void ScrollTo(QWidget* widget);
    ui::CPage* PageAt(Page page) const { return m_pages[page]; }
    // The page a tab shows in a mode; kBlank where it has none.
    static Page PageFor(int kind, uint32_t mode);

private:
    template <typename P, typename... Args>
    P* Add(Page page, Args&&... args);
    void InsertTab(Page first, Page last, bool installed);
    std::string TabCaption(int kind, uint32_t mode) const;
    bool Installed(int kind) const;
    // Runs the leaving hook of the page shown until now.
    void LeavePage();
    void Refresh(int kind);
    void RefreshPage(Page page);

    ui::CDialog& m_window;
    const int m_tabId;
    QWidget* m_area;
    QScrollArea* m_scroll;
    QWidget* m_container;
    CKV90T1_Comm* m_pComm;
    const int m_bSkipInitialRead;
    std::array<ui::CPage*, kPageCount + 1> m_pages{};
    int m_nCurrentKind = kChannel1;
    Page m_nShownPage = kBlank;
    bool m_bSavesSettings = true;  // the page whose leaving hook runs on the next Select page
};
