#pragma once
// The dialog templates, by window.

#include "ui/DialogTemplate.h"

namespace res {

const ui::DialogTemplate& MainDialogTemplate();
const ui::DialogTemplate& AboutTemplate();
const ui::DialogTemplate& BlankTemplate();
const ui::DialogTemplate& ComPortTemplate();
const ui::DialogTemplate& PcmFmChannelTemplate();
const ui::DialogTemplate& PcmFmCombinerTemplate();
const ui::DialogTemplate& PskChannelTemplate();
const ui::DialogTemplate& PskCombinerTemplate();
const ui::DialogTemplate& MhcpmChannelTemplate();
const ui::DialogTemplate& MhcpmCombinerTemplate();
const ui::DialogTemplate& TapeTemplate();
const ui::DialogTemplate& BitSyncChannelTemplate();
const ui::DialogTemplate& BitSyncCombinerTemplate();
const ui::DialogTemplate& RcvBertTemplate();
const ui::DialogTemplate& DauChannelTemplate();
const ui::DialogTemplate& DauTimeTemplate();
const ui::DialogTemplate& DauBitTemplate();
const ui::DialogTemplate& NandFlashTemplate();
const ui::DialogTemplate& SystemTemplate();

// Every template above, for checks that walk them all.
std::vector<const ui::DialogTemplate*> AllTemplates();

}  // namespace res
