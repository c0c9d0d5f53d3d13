// The System page: the device's identity and versions, its hardware and network, the product
// model texts, the system controls and the twelve FPGA configuration memories; under them the
// DSP flash and FPGA configuration memory updates with their progress.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

void Value(Controls& c, int group, int row, const char* label, int id) {
    Cell(c, 0, ControlKind::Label, label, row, 0, group);
    Cell(c, id, ControlKind::ReadOnlyEdit, "", row, 1, group);
}

void IdentityGroup(Controls& c) {
    const int g = IDC_SYS_IDENTITY_GROUP;
    Group(c, g, "Device Identity", 0, 0, 2);
    Value(c, g, 0, "Serial Number:", IDC_SYS_SERIAL_NUMBER);
    Value(c, g, 1, "Device ID:", IDC_SYS_DEVICE_ID);
    Value(c, g, 2, "DSP1 Fw Ver:", IDC_SYS_DSP1_VERSION);
    Value(c, g, 3, "DSP2 Fw Ver:", IDC_SYS_DSP2_VERSION);
    Value(c, g, 4, "FIO FPGA Fw Ver:", IDC_SYS_FIO_VERSION);
    Value(c, g, 5, "Bridge FPGA Fw Ver:", IDC_SYS_BRIDGE_VERSION);
    Value(c, g, 6, "Demod FPGA Fw Ver:", IDC_SYS_DEMOD_VERSION);
    Value(c, g, 7, "Demod FPGA Personality Number:", IDC_SYS_PERSONALITY_CODE);
    Cell(c, IDC_SYS_PERSONALITY_NAME, ControlKind::ReadOnlyEdit, "", 8, 1, g);
    Cell(c, IDC_SYS_READ, ControlKind::Button, "Read", 9, 1, g);
}

void HardwareGroup(Controls& c) {
    const int g = IDC_SYS_HARDWARE_GROUP;
    Group(c, g, "Hardware", 0, 1);
    Value(c, g, 0, "Hardware Configuration ID:", IDC_SYS_HARDWARE_ID);
    Value(c, g, 1, "DSP Board PCB Revison:", IDC_SYS_DSP_BOARD);
    Value(c, g, 2, "Demod FPGA Board PCB Rev:", IDC_SYS_DEMOD_BOARD);
    Value(c, g, 3, "IF Analog Board PCB Revision:", IDC_SYS_IF_BOARD);
    Value(c, g, 4, "RF Analog Board PCB Revision:", IDC_SYS_RF_BOARD);
    Value(c, g, 5, "Device IP Address:", IDC_SYS_IP_ADDRESS);
    Cell(c, IDC_SYS_DHCP, ControlKind::CheckBox, "DHCP Enabled:", 6, 0, g, 2);
    Group(c, IDC_SYS_CLOCK_GROUP, "Reference Clock", 1, 1);
    Cell(c, IDC_SYS_REFERENCE_CLOCK, ControlKind::PushLikeCheck, "External", 0, 0,
         IDC_SYS_CLOCK_GROUP);
}

void ProductAndControls(Controls& c) {
    const int g = IDC_SYS_PRODUCT_GROUP;
    Group(c, g, "Product Model ID Strings:", 0, 2);
    const char* const labels[5] = {"Customer Name:", "Purchase Order Number:", "PO Model Number:",
                                   "Chassis Serial Number:", "Engineering Model Number:"};
    for (int i = 0; i < 5; ++i) {
        Value(c, g, i, labels[i], IDC_SYS_PRODUCT[i]);
    }
    const int s = IDC_SYS_CONTROLS_GROUP;
    Group(c, s, "System Controls", 1, 2);
    Cell(c, 0, ControlKind::Label, "UDP Time to Live:", 0, 0, s);
    Cell(c, IDC_SYS_TTL, ControlKind::Edit, "", 0, 1, s);
    Cell(c, IDC_SYS_TTL_UPDOWN, ControlKind::UpDown, "", 0, 2, s);
    Cell(c, IDC_SYS_TTL_SAVE, ControlKind::Button, "Save", 0, 3, s);
    Cell(c, IDC_SYS_PING, ControlKind::Button, "Ping", 1, 0, s);
    Cell(c, IDC_SYS_PING_REPLY, ControlKind::ReadOnlyEdit, "", 1, 1, s, 3);
    Cell(c, IDC_SYS_CONSOLIDATED_OFF, ControlKind::Button, "Turn Off Consolidated Status", 2, 0, s,
         4);
    Cell(c, IDC_SYS_GRAPHS_OFF, ControlKind::Button, "Turn Off All Graphs", 3, 0, s, 4);
}

void MemoryGroup(Controls& c) {
    const int g = IDC_SYS_MEMORY_GROUP;
    Group(c, g, "Configuration Memories", 0, 3, 2);
    static const char* const kLabels[12] = {
        "0:", "1:", "2:", "3:", "4:", "5:", "6:", "7:", "8:", "9:", "10:", "11:"};
    static const char* const kNames[12] = {"EEPROM_0", "EEPROM_1", "EEPROM_2",  "EEPROM_3",
                                           "EEPROM_4", "EEPROM_5", "EEPROM_6",  "EEPROM_7",
                                           "EEPROM_8", "EEPROM_9", "EEPROM_10", "EEPROM_11"};
    for (int k = 0; k < 12; ++k) {
        Cell(c, 0, ControlKind::Label, kLabels[k], k, 0, g);
        Cell(c, IDC_SYS_MEMORY[k], ControlKind::RadioButton, kNames[k], k, 1, g);
    }
}

void UpdateGroups(Controls& c) {
    const int d = IDC_SYS_DSP_GROUP;
    c.push_back({d, ControlKind::GroupBox, "DSP Flash Update", 2, 0, 1, 2});
    Cell(c, IDC_SYS_DSP_NOTE, ControlKind::Label,
         "Completely TURN OFF all Anti-Virus and Anti-Malware software. Restart after each DSP "
         "load has completed.",
         0, 0, d, 4);
    const char* const labels[2] = {"DSP1:", "DSP2:"};
    for (int n = 0; n < 2; ++n) {
        Cell(c, 0, ControlKind::Label, labels[n], 1 + n, 0, d);
        Cell(c, IDC_SYS_DSP_PATH[n], ControlKind::Edit, "", 1 + n, 1, d);
        Cell(c, IDC_SYS_DSP_BROWSE[n], ControlKind::Button, "Browse", 1 + n, 2, d);
        Cell(c, IDC_SYS_DSP_LOAD[n], ControlKind::Button, "Load", 1 + n, 3, d);
    }
    const int f = IDC_SYS_FPGA_GROUP;
    Group(c, f, "Demod FPGA Configuration EEPROM Update", 2, 2);
    Cell(c, IDC_SYS_FPGA_NOTE, ControlKind::Label,
         "Select Target EEPROM and Completely TURN OFF all Anti-Virus and Anti-Malware software.",
         0, 0, f, 3);
    Cell(c, IDC_SYS_FPGA_PATH, ControlKind::Edit, "", 1, 0, f);
    Cell(c, IDC_SYS_FPGA_BROWSE, ControlKind::Button, "Browse", 1, 1, f);
    Cell(c, IDC_SYS_FPGA_LOAD, ControlKind::Button, "Load", 1, 2, f);
    const int p = IDC_SYS_PROGRESS_GROUP;
    Group(c, p, "EEPROM Update Progress", 2, 3);
    for (int i = 0; i < 2; ++i) {
        Cell(c, IDC_SYS_PROGRESS_CAPTION[i], ControlKind::Label, "", i, 0, p);
        Cell(c, IDC_SYS_PROGRESS[i], ControlKind::Progress, "", i, 1, p, 2);
    }
    Cell(c, IDC_SYS_IMAGE_LENGTH, ControlKind::ReadOnlyEdit, "", 2, 0, p);
    Cell(c, IDC_SYS_PROGRAMMED, ControlKind::ReadOnlyEdit, "", 2, 1, p);
    Cell(c, IDC_SYS_CANCEL, ControlKind::Button, "Cancel", 2, 2, p);
    Cell(c, IDC_SYS_TRANSFER_STATE, ControlKind::Label, "", 3, 0, p, 3);
}

ui::DialogTemplate MakeSystem() {
    ui::DialogTemplate t{IDD_SYSTEM, "", {}};
    IdentityGroup(t.controls);
    HardwareGroup(t.controls);
    ProductAndControls(t.controls);
    MemoryGroup(t.controls);
    UpdateGroups(t.controls);
    return t;
}

}  // namespace

const ui::DialogTemplate& SystemTemplate() {
    static const ui::DialogTemplate kTemplate = MakeSystem();
    return kTemplate;
}

}  // namespace res
