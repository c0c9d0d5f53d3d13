#include "pages/setup/CKV90T1_SetupPSK_CombinerDlg.h"

#include "pages/setup/setup_groups.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"

using namespace res;
using namespace setup;

// The combiner type goes to the device as it is chosen; the Send sends the bandwidths with
// the held type and flags.
CKV90T1_SetupPSK_CombinerDlg::CKV90T1_SetupPSK_CombinerDlg(CKV90T1_Comm* comm, int skipInitialRead,
                                                           QWidget* parent)
    : SetupPage(res::PskCombinerTemplate(), comm, kCombinerPath, skipInitialRead, parent) {
    setWindowTitle("Setup Combiner");
    ShowTitle("Combiner - PSK", 36);
    AddGroup<SubmodeGroup>(SubmodeGroup::List::Psk, nullptr);
    AddGroup<FiltersGroup>(false, kPskCarrierLoop);
    AddGroup<InputDataGroup>(kInputDataI, kInputDataLimits);
    AddGroup<InputDataGroup>(kInputDataQ, kInputDataLimits);
    AddGroup<OutputDataGroup>(kOutputDataI);
    AddGroup<OutputDataGroup>(kOutputDataQ);
    AddGroup<CombinerGroup>();
    AddSendButtons(
        {IDC_INPUT_DATA_SEND, IDC_Q_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_COMBINER_SEND});
    SetSendFields(kPskCombinerSendFields, kCombinerOutputSelector);
    if (comm->m_Options.combinerInstalled == 0) {
        EnableAll(false);
        setEnabled(false);
    }
}
