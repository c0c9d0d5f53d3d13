#include "resources/templates.h"

#include "resources/resource_ids.h"

namespace res {

const ui::DialogTemplate& StandInTemplate() {
    static const ui::DialogTemplate kTemplate{
        IDD_PAGE,
        "",
        {{0, ui::ControlKind::Label, "This page is not available in this version.", 0, 0}}};
    return kTemplate;
}

std::vector<const ui::DialogTemplate*> AllTemplates() {
    return {&MainDialogTemplate(),      &AboutTemplate(),        &BlankTemplate(),
            &ComPortTemplate(),         &PcmFmChannelTemplate(), &PcmFmCombinerTemplate(),
            &PskChannelTemplate(),      &PskCombinerTemplate(),  &MhcpmChannelTemplate(),
            &MhcpmCombinerTemplate(),   &TapeTemplate(),         &BitSyncChannelTemplate(),
            &BitSyncCombinerTemplate(), &RcvBertTemplate(),      &DauChannelTemplate(),
            &StandInTemplate()};
}

}  // namespace res
