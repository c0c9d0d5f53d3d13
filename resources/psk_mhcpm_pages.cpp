// The PSK and multi-h CPM pages, in four balanced columns of the shared group pieces.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

// The I and Q streams side by side; the output groups span the two rows below the inputs.
void AddIqGroups(Controls& c, int row) {
    InputDataGroupTemplate(c, row, 2, "I Input Data", kInputDataIdsI);
    InputDataGroupTemplate(c, row, 3, "Q Input Data", kInputDataIdsQ);
    OutputDataGroupTemplate(c, row + 1, 2, "I Output Data", kOutputDataIdsI, 2);
    OutputDataGroupTemplate(c, row + 1, 3, "Q Output Data", kOutputDataIdsQ, 2);
}

ui::DialogTemplate MakePskChannel() {
    ui::DialogTemplate t{IDD_PSK_CHANNEL, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 4);
    TuningGroupTemplate(c, 1, 0);
    SubmodeGroupTemplate(c, "PSK Demod Submode", 2, 0);
    InputSelectGroupTemplate(c, 3, 0);
    AgcGroupTemplate(c, 1, 1);
    FiltersGroupTemplate(c, 2, 1, true, 2);
    AddIqGroups(c, 1);
    return t;
}

ui::DialogTemplate MakePskCombiner() {
    ui::DialogTemplate t{IDD_PSK_COMBINER, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 4);
    SubmodeGroupTemplate(c, "PSK Demod Mode", 1, 0);
    FiltersGroupTemplate(c, 2, 0, false, 2);
    CombinerGroupTemplate(c, 1, 1, 3);
    AddIqGroups(c, 1);
    return t;
}

ui::DialogTemplate MakeMhcpmChannel() {
    ui::DialogTemplate t{IDD_MHCPM_CHANNEL, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    TuningGroupTemplate(c, 1, 0);
    InputSelectGroupTemplate(c, 2, 0);
    AgcGroupTemplate(c, 1, 1);
    FiltersGroupTemplate(c, 2, 1, true, 2);
    InputDataGroupTemplate(c, 1, 2);
    OutputDataGroupTemplate(c, 2, 2, "Output Data", kOutputDataIdsI, 2);
    return t;
}

ui::DialogTemplate MakeMhcpmCombiner() {
    ui::DialogTemplate t{IDD_MHCPM_COMBINER, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    FiltersGroupTemplate(c, 1, 0, false, 2);
    CombinerGroupTemplate(c, 1, 1, 2);
    InputDataGroupTemplate(c, 1, 2);
    OutputDataGroupTemplate(c, 2, 2);
    return t;
}

}  // namespace

const ui::DialogTemplate& PskChannelTemplate() {
    static const ui::DialogTemplate kTemplate = MakePskChannel();
    return kTemplate;
}

const ui::DialogTemplate& PskCombinerTemplate() {
    static const ui::DialogTemplate kTemplate = MakePskCombiner();
    return kTemplate;
}

const ui::DialogTemplate& MhcpmChannelTemplate() {
    static const ui::DialogTemplate kTemplate = MakeMhcpmChannel();
    return kTemplate;
}

const ui::DialogTemplate& MhcpmCombinerTemplate() {
    static const ui::DialogTemplate kTemplate = MakeMhcpmCombiner();
    return kTemplate;
}

}  // namespace res
