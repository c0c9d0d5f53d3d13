#include "pages/setup/CKV90T1_SetupPSK_ChannelDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;

CKV90T1_SetupPSK_ChannelDlg::CKV90T1_SetupPSK_ChannelDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                         int skipInitialRead, QWidget* parent)
    : SetupPage(res::PskChannelTemplate(), comm, channel < 2 ? channel : 0, skipInitialRead,
                parent) {
    setWindowTitle(QString("Setup CH%1").arg(m_nChannel + 1));
    ShowTitle(ui::Printf("Channel %u - %s", m_nChannel + 1, "PSK"), 36);
    AddGroup<TuningGroup>();
    AddGroup<SubmodeGroup>(SubmodeGroup::List::Psk, nullptr);
    AddGroup<InputSelectGroup>(InputSelectGroup::Three::BeepAndPass);
    AddGroup<AgcGroup>();
    AddGroup<FiltersGroup>(true, kPskCarrierLoop);
    AddGroup<InputDataGroup>(kInputDataI, kInputDataLimits);
    AddGroup<InputDataGroup>(kInputDataQ, kInputDataLimits);
    AddGroup<OutputDataGroup>(kOutputDataI);
    AddGroup<OutputDataGroup>(kOutputDataQ);
    AddSendButtons({IDC_TUNING_SEND, IDC_INPUT_DATA_SEND, IDC_Q_INPUT_DATA_SEND, IDC_FILTERS_SEND});
    SetSendFields(kPskChannelSendFields, m_nChannel);
}
