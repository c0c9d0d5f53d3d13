#include "resources/resource_ids.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;

constexpr int kStatusRowLamps = 1;  // first lamp row in the status group

void AddLampRow(std::vector<ControlTemplate>& c, int row, int label, const char* caption,
                const int* green, const int* red, const int* yellow, const int* grey) {
    c.push_back({label, ControlKind::Label, caption, row, 0, 1, 1, IDC_STATUS_GROUP});
    for (int col = 0; col < 3; ++col) {
        for (auto [ids, icon] : {std::pair{green, IDI_GREEN}, std::pair{red, IDI_RED},
                                 std::pair{yellow, IDI_YELLOW}, std::pair{grey, IDI_GREY}}) {
            if (ids != nullptr) {
                c.push_back(
                    {ids[col], ControlKind::Lamp, "", row, col + 1, 1, 1, IDC_STATUS_GROUP, icon});
            }
        }
    }
}

void AddValueRow(std::vector<ControlTemplate>& c, int row, int label, const char* caption,
                 const int* ids, int columns) {
    c.push_back({label, ControlKind::Label, caption, row, 0, 1, 1, IDC_STATUS_GROUP});
    for (int col = 0; col < columns; ++col) {
        c.push_back(
            {ids[col], ControlKind::ReadOnlyEdit, "", row, col + 1, 1, 1, IDC_STATUS_GROUP});
    }
}

void AddStatusPanel(std::vector<ControlTemplate>& c) {
    c.push_back({IDC_STATUS_GROUP, ControlKind::GroupBox, "Receiver Status", 0, 0, 2, 1});
    const char* heads[3] = {"CH1", "CH2", "CH3"};
    for (int col = 0; col < 3; ++col) {
        c.push_back({0, ControlKind::Label, heads[col], 0, col + 1, 1, 1, IDC_STATUS_GROUP});
    }
    int row = kStatusRowLamps;
    AddLampRow(c, row++, IDC_CARRLCK, "CARRLCK", IDC_CARRLCK_GREEN, IDC_CARRLCK_RED, nullptr,
               IDC_CARRLCK_GREY);
    AddLampRow(c, row++, IDC_SYMBLCK, "SYMBLCK", IDC_SYMBLCK_GREEN, IDC_SYMBLCK_RED, nullptr,
               IDC_SYMBLCK_GREY);
    AddLampRow(c, row++, IDC_SYMBUALCK, "SYMBUALCK", IDC_SYMBUALCK_GREEN, IDC_SYMBUALCK_RED,
               nullptr, IDC_SYMBUALCK_GREY);
    AddLampRow(c, row++, IDC_FSPLCK, "FSPLCK", IDC_FSPLCK_GREEN, IDC_FSPLCK_RED, IDC_FSPLCK_YELLOW,
               IDC_FSPLCK_GREY);
    AddLampRow(c, row++, IDC_FRMLCK, "FRMLCK", IDC_FRMLCK_GREEN, IDC_FRMLCK_RED, IDC_FRMLCK_YELLOW,
               IDC_FRMLCK_GREY);
    AddValueRow(c, row++, IDC_CARRIER_FREQUENCY_LABEL, "Carrier Frequency:", IDC_CARRIER_FREQUENCY,
                3);
    AddValueRow(c, row++, IDC_SYMBOL_RATE_LABEL, "Symbol Rate:", IDC_SYMBOL_RATE, 3);
    AddValueRow(c, row++, IDC_SYMBOL_UA_RATE_LABEL, "Symbol UA Rate:", IDC_SYMBOL_UA_RATE, 3);
    AddValueRow(c, row++, IDC_RSSI_LABEL, "RSSI:", IDC_RSSI, 2);
    AddValueRow(c, row++, IDC_FM_MOD_INDEX_LABEL, "FM Mod Idx:", IDC_FM_MOD_INDEX, 2);
    AddValueRow(c, row++, IDC_AM_MOD_INDEX_LABEL, "AM Mod Idx:", IDC_AM_MOD_INDEX, 2);
    for (int bar = 0; bar < 2; ++bar) {
        c.push_back({IDC_RSSI_BAR[bar], ControlKind::VerticalProgress, "", 0, 4 + bar, row, 1,
                     IDC_STATUS_GROUP});
    }
    c.push_back({IDC_RSSI_SCALE, ControlKind::Label, "", row, 4, 1, 2, IDC_STATUS_GROUP});
}

void AddTimeRows(std::vector<ControlTemplate>& c) {
    const int g = IDC_TIME_GROUP;
    c.push_back({g, ControlKind::GroupBox, "Time", 2, 0});
    // Each heading stands over its own field.
    c.push_back({IDC_SOY_HEADER, ControlKind::Label, "Year", 0, 1, 1, 1, g});
    c.push_back({0, ControlKind::Label, "Seconds", 0, 3, 1, 2, g});
    c.push_back({0, ControlKind::Label, "Nanoseconds", 0, 6, 1, 2, g});
    c.push_back({IDC_SOY_LABEL, ControlKind::Label, "SoY Time:", 1, 0, 1, 1, g});
    c.push_back({IDC_SOY_YEAR, ControlKind::ReadOnlyEdit, "", 1, 1, 1, 1, g});
    c.push_back({IDC_SOY_SEPARATORS[0], ControlKind::Label, ":", 1, 2, 1, 1, g});
    c.push_back({IDC_SOY_SECONDS, ControlKind::ReadOnlyEdit, "", 1, 3, 1, 2, g});
    c.push_back({IDC_SOY_SEPARATORS[1], ControlKind::Label, ":", 1, 5, 1, 1, g});
    c.push_back({IDC_SOY_NANOSECONDS, ControlKind::ReadOnlyEdit, "", 1, 6, 1, 2, g});
    for (auto [id, icon] : {std::pair{IDC_TIME_RED, IDI_RED}, std::pair{IDC_TIME_GREY, IDI_GREY},
                            std::pair{IDC_TIME_GREEN, IDI_GREEN}}) {
        c.push_back({id, ControlKind::Lamp, "", 1, 8, 1, 1, g, icon});
    }
    const char* const headings[6] = {"Year", "Days", "Hours", "Minutes", "Seconds", "Microseconds"};
    for (int i = 0; i < 6; ++i) {
        c.push_back(
            {i == 0 ? IDC_BCD_HEADER : 0, ControlKind::Label, headings[i], 2, 1 + 2 * i, 1, 1, g});
    }
    c.push_back({IDC_BCD_LABEL, ControlKind::Label, "BCD Time:", 3, 0, 1, 1, g});
    const int values[6] = {IDC_BCD_YEAR,    IDC_BCD_DAYS,    IDC_BCD_HOURS,
                           IDC_BCD_MINUTES, IDC_BCD_SECONDS, IDC_BCD_MICROSECONDS};
    for (int i = 0; i < 6; ++i) {
        c.push_back({values[i], ControlKind::ReadOnlyEdit, "", 3, 1 + 2 * i, 1, 1, g});
        if (i < 5) {
            c.push_back({IDC_BCD_SEPARATORS[i], ControlKind::Label, i == 4 ? "." : ":", 3,
                         2 + 2 * i, 1, 1, g});
        }
    }
    c.push_back({IDC_CALENDAR_DATE, ControlKind::ReadOnlyEdit, "", 4, 1, 1, 6, g});
}

void AddSetups(std::vector<ControlTemplate>& c) {
    const int g = IDC_SETUPS_GROUP;
    c.push_back({g, ControlKind::GroupBox, "Setups", 0, 1});
    c.push_back({IDC_ALLOW_SAVING, ControlKind::CheckBox, "Allow Saving Setups", 0, 0, 1, 3, g});
    c.push_back({IDC_USE_AT_BOOT, ControlKind::CheckBox, "Use Setups at Boot", 1, 0, 1, 3, g});
    c.push_back({IDC_SETUPS_CH1, ControlKind::CheckBox, "CH1", 2, 0, 1, 1, g});
    c.push_back({IDC_SETUPS_CH2, ControlKind::CheckBox, "CH2", 2, 1, 1, 1, g});
    c.push_back({IDC_SETUPS_CH3, ControlKind::CheckBox, "CH3", 2, 2, 1, 1, g});
    c.push_back({0, ControlKind::Label, "Save Current Setups", 3, 0, 1, 2, g});
    c.push_back({IDC_SAVE_SETUPS, ControlKind::Button, "Save", 3, 2, 1, 1, g});
}

void AddPageHost(std::vector<ControlTemplate>& c) {
    const int g = IDC_MODE_GROUP;
    // Beside the status and, in the DAU mode, the time rows below it.
    c.push_back({g, ControlKind::GroupBox, "Operational Mode", 1, 1, 2, 1});
    c.push_back({IDC_MODE_SELECTOR, ControlKind::ComboBox, "", 0, 0, 1, 2, g});
    c.push_back({IDC_STATUS, ControlKind::PushLikeCheck, "Status", 1, 0, 1, 1, g});
    c.push_back({IDM_ABOUTBOX, ControlKind::Button, "About KV90T...", 1, 1, 1, 1, g});
    c.push_back({IDC_ALARMS, ControlKind::Button, "Alarms: 0", 2, 0, 1, 1, g});
    c.push_back({IDC_TRENDS, ControlKind::Button, "Trends...", 2, 1, 1, 1, g});
    c.push_back({IDC_MARK, ControlKind::Button, "Mark...", 3, 1, 1, 1, g});
    c.push_back({IDC_MODE_PROGRESS, ControlKind::Label, "", 4, 0, 1, 2, g});
    c.push_back({IDC_LINK_STATE, ControlKind::Label, "", 5, 0, 1, 2, g});
    c.push_back({IDC_TAB, ControlKind::TabControl, "", 3, 0, 1, 2});
    c.push_back({IDC_PAGE_FRAME, ControlKind::PageArea, "", 4, 0, 1, 2});
}

ui::DialogTemplate MakeMainDialog() {
    ui::DialogTemplate t{IDD_KV90T_DIALOG, "KV90T", {}};
    AddStatusPanel(t.controls);
    AddSetups(t.controls);
    AddTimeRows(t.controls);
    AddPageHost(t.controls);
    return t;
}

}  // namespace

const ui::DialogTemplate& MainDialogTemplate() {
    static const ui::DialogTemplate kTemplate = MakeMainDialog();
    return kTemplate;
}

const ui::DialogTemplate& AboutTemplate() {
    static const ui::DialogTemplate kTemplate{
        IDD_ABOUTBOX,
        "About KV90T",
        {
            {IDC_ABOUT_ICON, ControlKind::Label, "", 0, 0, 2, 1},
            {0, ControlKind::Label, "Brenmoor KV90T.exe", 0, 1},
            {IDC_ABOUT_BUILD, ControlKind::Label, "", 1, 1},
            {1, ControlKind::Button, "OK", 2, 1},
        },
    };
    return kTemplate;
}

const ui::DialogTemplate& BlankTemplate() {
    static const ui::DialogTemplate kTemplate{IDD_BLANK, "", {}};
    return kTemplate;
}

}  // namespace res
