#pragma once
// The dialog templates, by window.

#include "ui/DialogTemplate.h"

namespace res {

const ui::DialogTemplate& MainDialogTemplate();

}  // namespace res
