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

}  // namespace res
