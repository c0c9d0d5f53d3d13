#include "pages/setup/CKV90T1_SetupBitSyncCombinerDlg.h"

#include "protocol/CKV90T1_Comm.h"
#include "resources/templates.h"

CKV90T1_SetupBitSyncCombinerDlg::CKV90T1_SetupBitSyncCombinerDlg(CKV90T1_Comm* comm,
                                                                 int skipInitialRead,
                                                                 QWidget* parent)
    : SetupPage(res::BitSyncCombinerTemplate(), comm, setup::kCombinerPath, skipInitialRead,
                parent) {
    setWindowTitle("Setup Combiner");
    ShowTitle("Combiner", 36);
}

void CKV90T1_SetupBitSyncCombinerDlg::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0 && m_pComm->ReadChannelSetup(m_nChannel) != 0 &&
        m_pComm->ReadOutputSetup(m_nChannel) != 0) {
        m_pComm->ReadCombinerSetup();
    }
}
