#include "resources/templates.h"

#include "resources/resource_ids.h"

namespace res {

std::vector<const ui::DialogTemplate*> AllTemplates() {
    return {&MainDialogTemplate(),      &AboutTemplate(),        &BlankTemplate(),
            &ComPortTemplate(),         &PcmFmChannelTemplate(), &PcmFmCombinerTemplate(),
            &PskChannelTemplate(),      &PskCombinerTemplate(),  &MhcpmChannelTemplate(),
            &MhcpmCombinerTemplate(),   &TapeTemplate(),         &BitSyncChannelTemplate(),
            &BitSyncCombinerTemplate(), &RcvBertTemplate(),      &DauChannelTemplate(),
            &DauTimeTemplate(),         &DauBitTemplate(),       &NandFlashTemplate(),
            &SystemTemplate()};
}

}  // namespace res
