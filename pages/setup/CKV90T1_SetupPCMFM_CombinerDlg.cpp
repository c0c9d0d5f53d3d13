#include "pages/setup/CKV90T1_SetupPCMFM_CombinerDlg.h"

#include "pages/setup/setup_groups.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"

using namespace res;
using namespace setup;

namespace {

constexpr uint32_t kCombinerPath = 2;
constexpr uint32_t kCombinerOutputSelector = 4;

}  // namespace

// The combiner type up-down only chooses; the Send takes the type to the device with the
// combiner bandwidths as the edits show them.
CKV90T1_SetupPCMFM_CombinerDlg::CKV90T1_SetupPCMFM_CombinerDlg(CKV90T1_Comm* comm,
                                                               int skipInitialRead, QWidget* parent)
    : PcmFmPage(res::PcmFmCombinerTemplate(), comm, kCombinerPath, skipInitialRead, parent,
                "Cmb - %s") {
    setWindowTitle("Setup Combiner");
    AddGroup<FiltersGroup>(false, kPcmFmCarrierLoop);
    AddPcmFmGroups();
    AddGroup<CombinerGroup>(false);
    AddSendButtons({IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_MOD_INDEX_SEND, IDC_COMBINER_SEND});
    SetSendFields(kPcmFmSendFields, kCombinerOutputSelector);
}
