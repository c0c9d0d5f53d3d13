// The DAU time code page (the IRIG codes with the GPS time they are sent with, the setup as
// the device holds it, the termination, the signal source and the time fields) and the DAU
// built-in test page (physical values with the rails' lamps, history and runtime).

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

constexpr const char* kCodes[23] = {"A130", "A131", "A132", "A133", "A134", "A135", "A136", "A137",
                                    "A237", "B120", "B121", "B122", "B123", "B124", "B125", "B126",
                                    "B127", "B237", "G141", "G142", "G145", "G146", "G245"};

void CodesGroup(Controls& c) {
    const int g = IDC_IRIG_CODES_GROUP;
    c.push_back({g, ControlKind::GroupBox, "IRIG Time Selections", 0, 0, 1, 4});
    // A codes, B codes, G codes: a row each.
    for (int i = 0; i < 23; ++i) {
        const int row = i < 9 ? 0 : i < 18 ? 1 : 2;
        const int column = i < 9 ? i : i < 18 ? i - 9 : i - 18;
        Cell(c, IDC_IRIG_CODE[i], ControlKind::Button, kCodes[i], row, column, g);
    }
    Cell(c, 0, ControlKind::Label, "Seed with computer time:", 2, 5, g, 3);
    Cell(c, IDC_IRIG_SEED, ControlKind::Button, "Seed", 2, 8, g);
    Cell(c, 0, ControlKind::Label, "Weeks", 0, 9, g);
    Cell(c, IDC_IRIG_WEEKS, ControlKind::Edit, "", 1, 9, g);
    Cell(c, 0, ControlKind::Label, "Seconds of Week", 0, 10, g);
    Cell(c, IDC_IRIG_SECONDS_OF_WEEK, ControlKind::Edit, "", 1, 10, g);
}

void SetupGroup(Controls& c) {
    const int g = IDC_IRIG_SETUP_GROUP;
    Group(c, g, "IRIG Setup", 1, 0);
    const std::pair<const char*, int> rows[4] = {{"IRIG Type:", IDC_IRIG_TYPE},
                                                 {"Modulation Type:", IDC_IRIG_MODULATION},
                                                 {"Carrier Freq Resolution:", IDC_IRIG_CARRIER},
                                                 {"Coded Experession:", IDC_IRIG_CODED}};
    for (int r = 0; r < 4; ++r) {
        Cell(c, 0, ControlKind::Label, rows[r].first, r, 0, g);
        Cell(c, rows[r].second, ControlKind::ReadOnlyEdit, "", r, 1, g);
    }
}

void SourceGroups(Controls& c) {
    Group(c, IDC_IRIG_TERMINATION_GROUP, "Termination", 1, 1);
    Cell(c, IDC_IRIG_TERMINATION, ControlKind::PushLikeCheck, "Disabled", 0, 0,
         IDC_IRIG_TERMINATION_GROUP);
    Cell(c, 0, ControlKind::Label, "100 Ohm\nTermination", 1, 0, IDC_IRIG_TERMINATION_GROUP);
    const int g = IDC_IRIG_SIGNAL_GROUP;
    Group(c, g, "Signal Selection", 1, 2);
    Cell(c, IDC_IRIG_USE_1PPS, ControlKind::PushLikeCheck, "Use External 1PPS", 0, 0, g);
    Cell(c, IDC_IRIG_USE_EXT_IRIG, ControlKind::PushLikeCheck, "Use Ext IRIG Signal", 1, 0, g);
    Cell(c, IDC_IRIG_USE_FLYWHEEL, ControlKind::PushLikeCheck, "Use Internal Flywheel", 2, 0, g);
}

void TimeGroup(Controls& c) {
    const int g = IDC_IRIG_TIME_GROUP;
    Group(c, g, "Time Set", 1, 3);
    const char* const labels[5] = {"Year Set", "Days Set", "Hours Set", "Minutes Set",
                                   "Seconds Set"};
    for (int i = 0; i < 5; ++i) {
        Cell(c, IDC_IRIG_TIME_EDIT[i], ControlKind::Edit, "", 0, 2 * i, g);
        Cell(c, IDC_IRIG_TIME_UPDOWN[i], ControlKind::UpDown, "", 0, 2 * i + 1, g);
        Cell(c, 0, ControlKind::Label, labels[i], 1, 2 * i, g, 2);
    }
    Cell(c, IDC_IRIG_SEND, ControlKind::Button, "Send", 2, 8, g, 2);
}

ui::DialogTemplate MakeTime() {
    ui::DialogTemplate t{IDD_DAU_TIME, "", {}};
    CodesGroup(t.controls);
    SetupGroup(t.controls);
    SourceGroups(t.controls);
    TimeGroup(t.controls);
    return t;
}

constexpr const char* kRails[8] = {
    "Digital 5.0 V Rail:",     "Digital 3.3 V Rail:",    "CH1 Analog 5.5 V Rail:",
    "CH2 Analog 5.5 V Rail:",  "CH1 Analog 5.0 V Rail:", "CH2 Analog 5.0 V Rail:",
    "CH1 Analog -5.0 V Rail:", "CH2 Analog -5.0 V Rail:"};

// Rails 0 to 3 in the left three columns, 4 to 7 in the right three; the four supply values
// under them.
void PhysicalGroup(Controls& c) {
    const int g = IDC_BIT_PHYSICAL_GROUP;
    Group(c, g, "Physical Values", 0, 0);
    for (int i = 0; i < 8; ++i) {
        const int row = i % 4;
        const int column = i / 4 * 3;
        Cell(c, 0, ControlKind::Label, kRails[i], row, column, g);
        Cell(c, IDC_BIT_RAIL[i], ControlKind::ReadOnlyEdit, "", row, column + 1, g);
        c.push_back(
            {IDC_BIT_RAIL_GREEN[i], ControlKind::Lamp, "", row, column + 2, 1, 1, g, IDI_GREEN});
        c.push_back(
            {IDC_BIT_RAIL_YELLOW[i], ControlKind::Lamp, "", row, column + 2, 1, 1, g, IDI_YELLOW});
    }
    const std::pair<const char*, int> supply[4] = {{"System Temp:", IDC_BIT_TEMPERATURE},
                                                   {"Supply Voltage:", IDC_BIT_SUPPLY_VOLTAGE},
                                                   {"Supply Current:", IDC_BIT_SUPPLY_CURRENT},
                                                   {"Supply Power:", IDC_BIT_SUPPLY_POWER}};
    for (int i = 0; i < 4; ++i) {
        Cell(c, 0, ControlKind::Label, supply[i].first, 4 + i % 2, i / 2 * 3, g);
        Cell(c, supply[i].second, ControlKind::ReadOnlyEdit, "", 4 + i % 2, i / 2 * 3 + 1, g);
    }
    Cell(c, IDC_BIT_READ_PHYSICAL, ControlKind::Button, "Read Physical Values", 6, 4, g);
}

void HistoryGroup(Controls& c) {
    const int g = IDC_BIT_HISTORY_GROUP;
    Group(c, g, "History", 0, 1);
    Cell(c, 0, ControlKind::Label, "Historical Supply Voltage Range:", 0, 0, g, 6);
    Cell(c, IDC_BIT_VOLTAGE_LOW, ControlKind::Label, "xxxxx", 1, 0, g, 2);
    Cell(c, 0, ControlKind::Label, "-", 1, 2, g);
    Cell(c, IDC_BIT_VOLTAGE_HIGH, ControlKind::Label, "xxxxx", 1, 3, g, 2);
    Cell(c, 0, ControlKind::Label, "Historical Temperature Range:", 2, 0, g, 6);
    Cell(c, IDC_BIT_TEMP_LOW_C, ControlKind::Label, "xxxxxxxx", 3, 0, g, 2);
    Cell(c, 0, ControlKind::Label, "-", 3, 2, g);
    Cell(c, IDC_BIT_TEMP_HIGH_C, ControlKind::Label, "xxxxxxxx", 3, 3, g, 2);
    Cell(c, IDC_BIT_TEMP_LOW_F, ControlKind::Label, "xxxxxxxx", 4, 0, g, 2);
    Cell(c, 0, ControlKind::Label, "-", 4, 2, g);
    Cell(c, IDC_BIT_TEMP_HIGH_F, ControlKind::Label, "xxxxxxxx", 4, 3, g, 2);
    Cell(c, 0, ControlKind::Label, "Device Total Runtime:", 5, 0, g, 6);
    const char* const units[6] = {"Years", "Months", "Days", "Hours", "Minutes", "Seconds"};
    for (int i = 0; i < 6; ++i) {
        Cell(c, IDC_BIT_RUNTIME[i], ControlKind::Label, "0", 6, i, g);
        Cell(c, 0, ControlKind::Label, units[i], 7, i, g);
    }
    Cell(c, IDC_BIT_READ_HISTORY, ControlKind::Button, "Read Temperature, Voltage, Time", 8, 0, g,
         6);
}

ui::DialogTemplate MakeBit() {
    ui::DialogTemplate t{IDD_DAU_BIT, "", {}};
    PhysicalGroup(t.controls);
    HistoryGroup(t.controls);
    return t;
}

}  // namespace

const ui::DialogTemplate& DauTimeTemplate() {
    static const ui::DialogTemplate kTemplate = MakeTime();
    return kTemplate;
}

const ui::DialogTemplate& DauBitTemplate() {
    static const ui::DialogTemplate kTemplate = MakeBit();
    return kTemplate;
}

}  // namespace res
