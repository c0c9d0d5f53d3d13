#include "pages/setup/CKV90T1_SetupPCMFM_CombinerDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"

using namespace res;
using namespace setup;

// The combiner type goes to the device as it is chosen, so the page never shows a type the
// device does not have; the Send sends the combiner bandwidths with it.
CKV90T1_SetupPCMFM_CombinerDlg::CKV90T1_SetupPCMFM_CombinerDlg(CKV90T1_Comm* comm,
                                                               int skipInitialRead, QWidget* parent)
    : PcmFmPage(res::PcmFmCombinerTemplate(), comm, kCombinerPath, skipInitialRead, parent,
                "Cmb - %s") {
    setWindowTitle("Setup Combiner");
    AddGroup<FiltersGroup>(false, kPcmFmCarrierLoop);
    AddPcmFmGroups();
    AddGroup<CombinerGroup>();
    AddSendButtons({IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_MOD_INDEX_SEND, IDC_COMBINER_SEND});
    SetSendFields(kPcmFmSendFields, kCombinerOutputSelector);
}
