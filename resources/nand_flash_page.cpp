// The NAND flash page: the channel boxes with the channel's name beside them, the install
// text, the file list with its buttons and the remaining capacity beside it, and the download
// progress.

#include "resources/resource_ids.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

ui::DialogTemplate MakeNandFlash() {
    ui::DialogTemplate t{IDD_NAND_FLASH, "", {}};
    auto& c = t.controls;
    const char* const channels[3] = {"CH1", "CH2", "CH3"};
    for (int i = 0; i < 3; ++i) {
        c.push_back({IDC_NAND_CHANNEL[i], ControlKind::PushLikeCheck, channels[i], 0, i});
    }
    c.push_back({IDC_NAND_CHANNEL_TEXT, ControlKind::Label, "Channel", 0, 3});
    c.push_back({IDC_NAND_INSTALL, ControlKind::Label,
                 "**** NAND Flash has NOT been installed ****", 1, 0, 1, 4});
    c.push_back(
        {IDC_NAND_LIST, ControlKind::ListView, "File Number|File Name|File Length", 2, 0, 4, 3});
    c.push_back({IDC_NAND_READ_DIRECTORY, ControlKind::Button, "Read File Directory", 2, 3});
    c.push_back({IDC_NAND_REPAIR, ControlKind::Button, "Repair Last File", 3, 3});
    c.push_back({IDC_NAND_CAPACITY, ControlKind::ReadOnlyEdit, "", 4, 3});
    c.push_back({0, ControlKind::Label, "Remaining Capacity", 5, 3});
    c.push_back({IDC_NAND_PROGRESS, ControlKind::Progress, "", 6, 0, 1, 4});
    return t;
}

}  // namespace

const ui::DialogTemplate& NandFlashTemplate() {
    static const ui::DialogTemplate kTemplate = MakeNandFlash();
    return kTemplate;
}

}  // namespace res
