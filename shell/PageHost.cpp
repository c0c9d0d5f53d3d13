#include "shell/PageHost.h"

#include <QGridLayout>
#include <QScrollArea>
#include <QScrollBar>

#include "pages/dau/CKV90T1_DAU_BIT_Dlg.h"
#include "pages/dau/CKV90T1_DAU_SetupChannelDlg.h"
#include "pages/dau/CKV90T1_DAU_SetupIRIG_TimeDlg.h"
#include "pages/maintenance/CKV90T_NAND_Flash.h"
#include "pages/maintenance/CKV90T_RcvBert.h"
#include "pages/maintenance/CKV90T_System.h"
#include "pages/setup/CKV90T1_SetupBitSyncChannelDlg.h"
#include "pages/setup/CKV90T1_SetupBitSyncCombinerDlg.h"
#include "pages/setup/CKV90T1_SetupMHCPM_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupMHCPM_CombinerDlg.h"
#include "pages/setup/CKV90T1_SetupPCMFM_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupPCMFM_CombinerDlg.h"
#include "pages/setup/CKV90T1_SetupPSK_ChannelDlg.h"
#include "pages/setup/CKV90T1_SetupPSK_CombinerDlg.h"
#include "pages/setup/CKV90T1_SetupTapeUpDownDlg.h"
#include "protocol/CKV90T1_Comm.h"
#include "shell/CBlankDlg.h"
#include "shell/CKV90T_ComPort.h"
#include "ui/CDialog.h"

using protocol::ModeInfoOf;
using protocol::PageFamily;

namespace {

PageFamily FamilyOf(uint32_t mode) {
    return ModeInfoOf(mode).pages;
}

// A family's column among the channel and combiner pages: PSK, bit sync, PCM/FM, multi-h CPM,
// DAU, tape.
int ColumnOf(PageFamily family) {
    switch (family) {
        case PageFamily::BitSync:
            return 1;
        case PageFamily::PcmFm:
            return 2;
        case PageFamily::Mhcpm:
            return 3;
        case PageFamily::Dau:
            return 4;
        case PageFamily::Tape:
            return 5;
        default:
            return 0;
    }
}

}  // namespace

PageHost::PageHost(ui::CDialog& window, int tabId, QWidget* area, CKV90T1_Comm* comm,
                   int skipInitialRead)
    : m_window(window),
      m_tabId(tabId),
      m_area(area),
      m_scroll(new QScrollArea(area)),
      m_container(new QWidget),
      m_pComm(comm),
      m_bSkipInitialRead(skipInitialRead) {
    auto* outer = new QGridLayout(area);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll, 0, 0);
    auto* grid = new QGridLayout(m_container);
    grid->setContentsMargins(0, 0, 0, 0);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_container);
}

QSize PageHost::LargestPage() const {
    QSize largest(0, 0);
    for (const ui::CPage* page : m_pages) {
        if (page != nullptr) {
            largest = largest.expandedTo(page->sizeHint());
        }
    }
    return largest;
}

void PageHost::ScrollTo(QWidget* widget) {
    if (widget != nullptr) {
        m_scroll->ensureWidgetVisible(widget, 0, 0);
    }
}

void PageHost::SetAreaSize(QSize least, QSize most) {
    m_scroll->setMinimumSize(least);
    m_scroll->setMaximumSize(most);
    m_area->layout()->invalidate();
    m_area->layout()->activate();
}

template <typename P, typename... Args>
P* PageHost::Add(Page page, Args&&... args) {
    auto* created = new P(std::forward<Args>(args)...);
    static_cast<QGridLayout*>(m_container->layout())->addWidget(created, 0, 0, Qt::AlignTop);
    created->hide();
    m_pages[page] = created;
    return created;
}

PageHost::Page PageHost::PageFor(int kind, uint32_t mode) {
    const PageFamily family = FamilyOf(mode);
    const int column = ColumnOf(family);
    if (family == PageFamily::None && kind <= kTest) {
        return kBlank;  // a mode the console does not know has no setup or test pages
    }
    switch (kind) {
        case kChannel1:
            return static_cast<Page>(kPskCh1 + column);
        case kChannel2:
            return static_cast<Page>(kPskCh2 + column);
        case kCombiner:
            return static_cast<Page>(kPskCombiner + column);
        case kTest:
            return family == PageFamily::Dau    ? kDauBit
                   : family == PageFamily::Tape ? kBlank
                                                : kRcvBert;
        case kRecorder:
            return family == PageFamily::Tape || family == PageFamily::Dau ? kBlank : kNandFlash;
        case kSystemTab:
            return kSystem;
        default:
            return kComPort;
    }
}

bool PageHost::Installed(int kind) const {
    const auto& options = m_pComm->m_Options;
    switch (kind) {
        case kChannel1:
            return options.channel1Installed != 0;
        case kChannel2:
            return options.channel2Installed != 0;
        case kCombiner:
            return options.combinerInstalled != 0;
        default:
            return true;
    }
}

// The caption of the page the tab shows in `mode`; while a path's demodulator does not run,
// the three channel tabs all read "Channel 1".
std::string PageHost::TabCaption(int kind, uint32_t mode) const {
    if (kind <= kCombiner && FamilyOf(mode) == PageFamily::PskAnalog) {
        return "Channel 1";
    }
    const ui::CPage* page = m_pages[PageFor(kind, mode)];
    return page != nullptr ? page->windowTitle().toStdString() : "";
}

void PageHost::ArrangeTabs() {
    const uint32_t mode = m_pComm->m_nOperationalMode;
    for (int kind = kChannel1; kind <= kCommTab; ++kind) {
        m_window.SetTabText(m_tabId, kind, TabCaption(kind, mode));
        m_window.ShowTab(m_tabId, kind, PageFor(kind, mode) != kBlank);
    }
}

void PageHost::InsertTab(Page first, Page last, bool installed) {
    for (int page = first; page <= last; ++page) {
        if (m_pages[page] != nullptr) {
            m_pages[page]->setEnabled(installed || page == kIrigTime);
        }
    }
    m_window.AddRow(m_tabId, {});
}

void PageHost::CreatePages(const std::string& programFolder, int useEthernet,
                           const std::string& deviceIpAddress) {
    CKV90T1_Comm* c = m_pComm;
    const int skip = m_bSkipInitialRead;
    QWidget* w = m_container;
    m_window.ClearRows(m_tabId);  // the tab of a communications page shown alone until now
    for (uint32_t channel = 0; channel < 2; ++channel) {
        const int offset = channel == 0 ? 0 : kPskCh2 - kPskCh1;
        Add<CKV90T1_SetupPSK_ChannelDlg>(Page(kPskCh1 + offset), c, channel, skip, w);
        Add<CKV90T1_SetupBitSyncChannelDlg>(Page(kBitSyncCh1 + offset), c, channel, skip, w);
        Add<CKV90T1_SetupPCMFM_ChannelDlg>(Page(kPcmFmCh1 + offset), c, channel, skip, w);
        Add<CKV90T1_SetupMHCPM_ChannelDlg>(Page(kMhcpmCh1 + offset), c, channel, skip, w);
        Add<CKV90T1_DAU_SetupChannelDlg>(Page(kDauCh1 + offset), c, channel, skip, w)
            ->SetUseEthernet(useEthernet);
        Add<CKV90T1_SetupTapeUpDownDlg>(Page(kTapeCh1 + offset), c, channel, skip, w);
        InsertTab(Page(kPskCh1 + offset), Page(kTapeCh1 + offset),
                  Installed(channel == 0 ? kChannel1 : kChannel2));
    }
    Add<CKV90T1_SetupPSK_CombinerDlg>(kPskCombiner, c, skip, w);
    Add<CKV90T1_SetupBitSyncCombinerDlg>(kBitSyncCombiner, c, skip, w);
    Add<CKV90T1_SetupPCMFM_CombinerDlg>(kPcmFmCombiner, c, skip, w);
    Add<CKV90T1_SetupMHCPM_CombinerDlg>(kMhcpmCombiner, c, skip, w);
    Add<CKV90T1_DAU_SetupIRIG_TimeDlg>(kIrigTime, c, skip, w);
    Add<CKV90T1_SetupTapeUpDownDlg>(kTapeCh3, c, 2u, skip, w);
    InsertTab(kPskCombiner, kTapeCh3, Installed(kCombiner));
    Add<CKV90T_RcvBert>(kRcvBert, c, skip, w);
    Add<CKV90T1_DAU_BIT_Dlg>(kDauBit, c, skip, w);
    InsertTab(kRcvBert, kDauBit, true);
    Add<CKV90T_NAND_Flash>(kNandFlash, c, skip, w);
    InsertTab(kNandFlash, kNandFlash, true);
    Add<CKV90T_System>(kSystem, c, skip, w)->SetMainWindow(m_window.Handle());
    InsertTab(kSystem, kSystem, true);
    if (m_pages[kComPort] == nullptr) {
        auto* comPort = Add<CKV90T_ComPort>(kComPort, c, skip, useEthernet, w);
        comPort->SetDeviceIpAddress(deviceIpAddress);
        comPort->SetSavesSettings(m_bSavesSettings);
        comPort->ShowAddress();
    }
    InsertTab(kComPort, kComPort, true);
    Add<CBlankDlg>(kBlank, w)->setEnabled(false);
    for (ui::CPage* page : m_pages) {
        page->SetProgramFolder(programFolder);
    }
    ArrangeTabs();
}

void PageHost::CreateCommunicationsPageOnly(const std::string& programFolder, int useEthernet,
                                            const std::string& deviceIpAddress) {
    auto* comPort =
        Add<CKV90T_ComPort>(kComPort, m_pComm, m_bSkipInitialRead, useEthernet, m_container);
    comPort->SetProgramFolder(programFolder);
    comPort->SetDeviceIpAddress(deviceIpAddress);
    comPort->SetSavesSettings(m_bSavesSettings);
    comPort->ShowAddress();
    m_window.AddRow(m_tabId, {comPort->windowTitle().toStdString()});
    comPort->setEnabled(true);
    comPort->show();
    comPort->ShowPort();
}

void PageHost::LeavePage() {
    if (m_pages[m_nShownPage] != nullptr) {
        m_pages[m_nShownPage]->OnLeaving();
    }
}

void PageHost::SelectPage() {
    LeavePage();
    const int selected = m_window.Pos(m_tabId);
    m_nCurrentKind = selected < 0 || selected > kCommTab ? kCommTab : selected;
    const uint32_t mode = m_pComm->m_nOperationalMode;
    Page shown = PageFor(m_nCurrentKind, mode);
    if (!Installed(m_nCurrentKind) && shown != kIrigTime) {
        shown = kBlank;
    }
    for (int page = 0; page <= kBlank; ++page) {
        if (m_pages[page] != nullptr && page != shown) {
            m_pages[page]->setEnabled(false);
            m_pages[page]->hide();
        }
    }
    if (m_pages[shown] != nullptr) {
        m_pages[shown]->setEnabled(shown != kBlank);
        m_pages[shown]->show();
    }
    m_nShownPage = shown;
    Refresh(m_nCurrentKind);
}

void PageHost::RefreshPage(Page page) {
    if (page != kBlank && m_pages[page] != nullptr) {
        m_pages[page]->RefreshFromDevice();
    }
}

void PageHost::Refresh(int kind) {
    const uint32_t mode = m_pComm->m_nOperationalMode;
    const bool tape = FamilyOf(mode) == PageFamily::Tape;
    switch (kind) {
        case kChannel1:
            if (Installed(kChannel1)) {
                RefreshPage(PageFor(kind, mode));
                if (tape) {
                    RefreshPage(kPskCh1);
                }
            }
            break;
        case kChannel2:
            RefreshPage(PageFor(kind, mode));
            break;
        case kCombiner:
            RefreshPage(PageFor(kind, mode));
            if (tape) {
                RefreshPage(kPskCombiner);
            }
            break;
        case kTest:
            RefreshPage(PageFor(kind, mode));
            break;
        case kRecorder:
            RefreshPage(kNandFlash);
            break;
        case kSystemTab:
            RefreshPage(kSystem);
            break;
        default:
            RefreshPage(kComPort);
            break;
    }
}

void PageHost::UpdatePcmFmTitles() {
    for (Page page : {kPcmFmCh1, kPcmFmCh2}) {
        if (auto* pcmFm = static_cast<CKV90T1_SetupPCMFM_ChannelDlg*>(m_pages[page])) {
            pcmFm->UpdateTitle();
        }
    }
    if (auto* combiner = static_cast<CKV90T1_SetupPCMFM_CombinerDlg*>(m_pages[kPcmFmCombiner])) {
        combiner->UpdateTitle();
    }
}
