#include "pages/setup/CKV90T1_SetupMHCPM_ChannelDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;

CKV90T1_SetupMHCPM_ChannelDlg::CKV90T1_SetupMHCPM_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                             int skipInitialRead, QWidget* parent)
    : SetupPage(res::MhcpmChannelTemplate(), comm, channel < 2 ? channel : 0, skipInitialRead,
                parent) {
    setWindowTitle(QString("Setup CH%1").arg(m_nChannel + 1));
    ShowTitle(ui::Printf("Ch%u - %s", m_nChannel + 1, "MHCPM"), 32);
    AddGroup<TuningGroup>();
    AddGroup<InputSelectGroup>(InputSelectGroup::Three::Refused);
    AddGroup<AgcGroup>();
    AddGroup<FiltersGroup>(true, kMhcpmChannelCarrierLoop);
    AddGroup<InputDataGroup>(kInputDataI, kMhcpmChannelInputData);
    AddGroup<OutputDataGroup>(kOutputDataI);
    AddSendButtons({IDC_TUNING_SEND, IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND});
    SetSendFields(kMhcpmChannelSendFields, m_nChannel);
}
