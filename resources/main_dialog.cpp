#include "resources/resource_ids.h"
#include "resources/templates.h"

namespace res {

using ui::ControlKind;

const ui::DialogTemplate& MainDialogTemplate() {
    static const ui::DialogTemplate kTemplate{
        IDD_KV90T_DIALOG,
        "KV90T",
        {
            {IDC_IDENTITY_GROUP, ControlKind::GroupBox, "Device", 0, 0},
            {0, ControlKind::Label, "Serial Number:", 0, 0, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_SERIAL_NUMBER, ControlKind::ReadOnlyEdit, "", 0, 1, 1, 1, IDC_IDENTITY_GROUP},
            {0, ControlKind::Label, "Device ID:", 1, 0, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_DEVICE_ID, ControlKind::ReadOnlyEdit, "", 1, 1, 1, 1, IDC_IDENTITY_GROUP},
            {0, ControlKind::Label, "DSP1 Firmware:", 2, 0, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_DSP1_VERSION, ControlKind::ReadOnlyEdit, "", 2, 1, 1, 1, IDC_IDENTITY_GROUP},
            {0, ControlKind::Label, "DSP2 Firmware:", 3, 0, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_DSP2_VERSION, ControlKind::ReadOnlyEdit, "", 3, 1, 1, 1, IDC_IDENTITY_GROUP},
            {0, ControlKind::Label, "Operational Mode:", 4, 0, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_OPERATIONAL_MODE, ControlKind::ReadOnlyEdit, "", 4, 1, 1, 1, IDC_IDENTITY_GROUP},
            {IDC_DEVICE_STATE, ControlKind::Label, "", 1, 0},
        },
    };
    return kTemplate;
}

}  // namespace res
