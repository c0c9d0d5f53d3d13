// The tape up/down converter page: the converter setup, the baseband DAC and the IF DAC, each
// command in a group of its own with its Send and Read Setup.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

void SendAndRead(Controls& c, int group, int row, int send, int read) {
    c.push_back({send, ControlKind::Button, "Send", row, 1, 1, 1, group});
    c.push_back({read, ControlKind::Button, "Read Setup", row + 1, 1, 1, 1, group});
}

ui::DialogTemplate MakeTape() {
    ui::DialogTemplate t{IDD_TAPE, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    const int g = IDC_TAPE_SETUP_GROUP;
    Group(c, g, "Tape Up/Down Converter 0x1600 Command", 1, 0);
    Entry(c, g, 0, "Carrier Frequency Bandwidth%", IDC_TAPE_BANDWIDTH, IDC_TAPE_BANDWIDTH_UPDOWN);
    Entry(c, g, 1, "Carrier Input Frequency", IDC_TAPE_INPUT_FREQUENCY);
    Entry(c, g, 2, "Carrier Output Frequency", IDC_TAPE_OUTPUT_FREQUENCY);
    c.push_back(
        {IDC_TAPE_INPUT_SELECT_LABEL, ControlKind::Label, "Receiver Input Select", 3, 0, 1, 1, g});
    c.push_back({IDC_TAPE_INPUT_SELECT, ControlKind::ReadOnlyEdit, "", 3, 1, 1, 1, g});
    c.push_back({IDC_TAPE_INPUT_SELECT_UPDOWN, ControlKind::UpDown, "", 3, 2, 1, 1, g});
    SendAndRead(c, g, 4, IDC_TAPE_SETUP_SEND, IDC_TAPE_SETUP_READ);
    Group(c, IDC_TAPE_BB_GROUP, "Tape Up/Down Converter 0x1601 Command", 1, 1);
    Entry(c, IDC_TAPE_BB_GROUP, 0, "BB DAC Vpp", IDC_TAPE_BB_DAC);
    SendAndRead(c, IDC_TAPE_BB_GROUP, 1, IDC_TAPE_BB_SEND, IDC_TAPE_BB_READ);
    Group(c, IDC_TAPE_IF_GROUP, "Tape Up/Down Converter 0x160E Command", 1, 2);
    Entry(c, IDC_TAPE_IF_GROUP, 0, "IF DAC dBm", IDC_TAPE_IF_DAC);
    SendAndRead(c, IDC_TAPE_IF_GROUP, 1, IDC_TAPE_IF_SEND, IDC_TAPE_IF_READ);
    return t;
}

}  // namespace

const ui::DialogTemplate& TapeTemplate() {
    static const ui::DialogTemplate kTemplate = MakeTape();
    return kTemplate;
}

}  // namespace res
