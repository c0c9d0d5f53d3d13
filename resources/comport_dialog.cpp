#include "resources/resource_ids.h"
#include "resources/templates.h"

namespace res {

using ui::ControlKind;

const ui::DialogTemplate& ComPortTemplate() {
    static const ui::DialogTemplate kTemplate{
        IDD_COMPORT,
        "Comm Port",
        {
            {IDC_SERIAL_GROUP, ControlKind::GroupBox, "Serial Port Connection", 0, 0},
            {0, ControlKind::Label, "Comm Port:", 0, 0, 1, 1, IDC_SERIAL_GROUP},
            {IDC_PORT, ControlKind::ReadOnlyEdit, "", 0, 1, 1, 1, IDC_SERIAL_GROUP},
            {IDC_PORT_UPDOWN, ControlKind::UpDown, "", 0, 2, 1, 1, IDC_SERIAL_GROUP},
            {0, ControlKind::Label, "BAUD Rate:", 1, 0, 1, 1, IDC_SERIAL_GROUP},
            {IDC_BAUD, ControlKind::ReadOnlyEdit, "", 1, 1, 1, 1, IDC_SERIAL_GROUP},
            {IDC_BAUD_UPDOWN, ControlKind::UpDown, "", 1, 2, 1, 1, IDC_SERIAL_GROUP},
            {IDC_TEST, ControlKind::Button, "Test", 2, 1, 1, 1, IDC_SERIAL_GROUP},
            {IDC_LINK_GREEN, ControlKind::Lamp, "", 2, 2, 1, 1, IDC_SERIAL_GROUP, IDI_GREEN},
            {IDC_LINK_RED, ControlKind::Lamp, "", 2, 2, 1, 1, IDC_SERIAL_GROUP, IDI_RED},
            // The link buttons stand outside the groups, which are disabled with their controls.
            {IDC_USE_SERIAL, ControlKind::PushLikeCheck, "Use Serial Port Connection", 1, 0},
            {IDC_ETHERNET_GROUP, ControlKind::GroupBox, "Ethernet Connection", 0, 1},
            {0, ControlKind::Label, "Remote IP Address", 0, 0, 1, 1, IDC_ETHERNET_GROUP},
            {IDC_IP_ADDRESS, ControlKind::IpAddress, "", 1, 0, 1, 1, IDC_ETHERNET_GROUP},
            {IDC_SAVE, ControlKind::Button, "Save", 2, 0, 1, 1, IDC_ETHERNET_GROUP},
            {IDC_USE_ETHERNET, ControlKind::PushLikeCheck, "Use Ethernet Connection", 1, 1},
            {IDC_COMM_NOTE, ControlKind::Label, "", 2, 0, 1, 2},
            {IDC_COMM_RETRY, ControlKind::Button, "Start Again", 3, 0},
        },
    };
    return kTemplate;
}

}  // namespace res
