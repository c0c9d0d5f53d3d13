#include "pages/setup/CKV90T1_SetupMHCPM_CombinerDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"

using namespace res;
using namespace setup;

// The combiner type goes to the device as it is chosen, and the Send sends the combiner group.
CKV90T1_SetupMHCPM_CombinerDlg::CKV90T1_SetupMHCPM_CombinerDlg(CKV90T1_Comm* comm,
                                                               int skipInitialRead, QWidget* parent)
    : SetupPage(res::MhcpmCombinerTemplate(), comm, kCombinerPath, skipInitialRead, parent) {
    setWindowTitle("Setup Ch3");
    ShowTitle("Cmb - MHCPM", 32);
    AddGroup<FiltersGroup>(false, kMhcpmCombinerCarrierLoop);
    AddGroup<InputDataGroup>(kInputDataI, kMhcpmCombinerInputData);
    AddGroup<OutputDataGroup>(kOutputDataI);
    AddGroup<CombinerGroup>();
    AddSendButtons({IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_COMBINER_SEND});
    SetSendFields(kMhcpmCombinerSendFields, kCombinerOutputSelector);
}
