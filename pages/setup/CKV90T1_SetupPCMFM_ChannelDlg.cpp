#include "pages/setup/CKV90T1_SetupPCMFM_ChannelDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"

using namespace res;
using namespace setup;

CKV90T1_SetupPCMFM_ChannelDlg::CKV90T1_SetupPCMFM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                             int skipInitialRead, QWidget* parent)
    : PcmFmPage(res::PcmFmChannelTemplate(), comm, channel < 2 ? channel : 0, skipInitialRead,
                parent, "Ch%u - %s") {
    setWindowTitle(QString("Setup CH%1").arg(m_nChannel + 1));
    AddGroup<TuningGroup>();
    AddGroup<InputSelectGroup>(InputSelectGroup::Three::Refused);
    AddGroup<AgcGroup>();
    auto& filters = AddGroup<FiltersGroup>(true, kPcmFmCarrierLoop);
    AddGroup<DeEmphasisGroup>(filters);
    AddPcmFmGroups();
    AddSendButtons({IDC_TUNING_SEND, IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_MOD_INDEX_SEND});
    SetSendFields(kPcmFmSendFields, m_nChannel);
}
