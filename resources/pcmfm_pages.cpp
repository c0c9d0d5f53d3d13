#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

void AddDataGroups(Controls& c, int firstRow) {
    InputDataGroupTemplate(c, firstRow, 2);
    OutputDataGroupTemplate(c, firstRow + 1, 2);
    ModIndexGroupTemplate(c, firstRow + 2, 2);
}

ui::DialogTemplate MakeChannelTemplate() {
    ui::DialogTemplate t{IDD_PCMFM_CHANNEL, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    TuningGroupTemplate(c, 1, 0);
    InputSelectGroupTemplate(c, 2, 0);
    SubmodeGroupTemplate(c, "PCMFM Demod Submode", 3, 0);
    AgcGroupTemplate(c, 1, 1);
    DeEmphasisGroupTemplates(c, 2, 1);
    FiltersGroupTemplate(c, 4, 0, true);
    AddDataGroups(c, 1);
    return t;
}

ui::DialogTemplate MakeCombinerTemplate() {
    ui::DialogTemplate t{IDD_PCMFM_COMBINER, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    SubmodeGroupTemplate(c, "PCMFM Demod Submode", 1, 0);
    FiltersGroupTemplate(c, 2, 0, false);
    CombinerGroupTemplate(c, 1, 1);
    AddDataGroups(c, 1);
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
