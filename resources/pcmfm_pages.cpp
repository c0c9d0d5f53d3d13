#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

// Four columns: the channel's receiver groups, its filters, then the data groups.
ui::DialogTemplate MakeChannelTemplate() {
    ui::DialogTemplate t{IDD_PCMFM_CHANNEL, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 4);
    TuningGroupTemplate(c, 1, 0);
    InputSelectGroupTemplate(c, 2, 0);
    SubmodeGroupTemplate(c, "PCMFM Demod Submode", 3, 0);
    AgcGroupTemplate(c, 1, 1);
    DeEmphasisGroupTemplates(c, 2, 1);
    FiltersGroupTemplate(c, 1, 2, true, 3);
    InputDataGroupTemplate(c, 1, 3);
    OutputDataGroupTemplate(c, 2, 3);
    ModIndexGroupTemplate(c, 3, 3);
    return t;
}

ui::DialogTemplate MakeCombinerTemplate() {
    ui::DialogTemplate t{IDD_PCMFM_COMBINER, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 4);
    SubmodeGroupTemplate(c, "PCMFM Demod Submode", 1, 0);
    FiltersGroupTemplate(c, 2, 0, false);
    CombinerGroupTemplate(c, 1, 1, 2);
    InputDataGroupTemplate(c, 1, 2);
    OutputDataGroupTemplate(c, 2, 2);
    ModIndexGroupTemplate(c, 1, 3, 2);
    return t;
}

}  // namespace

const ui::DialogTemplate& PcmFmChannelTemplate() {
    static const ui::DialogTemplate kTemplate = MakeChannelTemplate();
    return kTemplate;
}

const ui::DialogTemplate& PcmFmCombinerTemplate() {
    static const ui::DialogTemplate kTemplate = MakeCombinerTemplate();
    return kTemplate;
}

}  // namespace res
