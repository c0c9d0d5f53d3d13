// The bit-sync channel page (the combiner page has its title only): input and output data, the
// matched filter, the baseband input and its impedances, and enhanced acquisition.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

// Push-like check boxes in one row of a group, used as a choice.
void Choice(Controls& c, int group, int row, const int* ids, const char* const* captions,
            int count) {
    for (int i = 0; i < count; ++i) {
        c.push_back({ids[i], ControlKind::PushLikeCheck, captions[i], row, i, 1, 1, group});
    }
}

ui::DialogTemplate MakeChannel() {
    ui::DialogTemplate t{IDD_BITSYNC_CHANNEL, "", {}};
    Controls& c = t.controls;
    SetupTitle(c, 3);
    InputDataGroupTemplate(c, 1, 0);
    c.push_back({0, ControlKind::Label, "Inverted", 0, 3, 1, 1, IDC_INPUT_DATA_GROUP});
    c.push_back(
        {IDC_BITSYNC_INPUT_INVERTED, ControlKind::CheckBox, "", 1, 3, 1, 1, IDC_INPUT_DATA_GROUP});
    OutputDataGroupTemplate(c, 2, 0);
    const int m = IDC_MATCHED_FILTER_GROUP;
    Group(c, m, "Matched Filter", 1, 1);
    c.push_back({IDC_MATCHED_ID, ControlKind::PushLikeCheck, "I && D", 0, 0, 1, 1, m});
    c.push_back({IDC_MATCHED_SRRC, ControlKind::PushLikeCheck, "SRRC", 0, 1, 1, 1, m});
    c.push_back({0, ControlKind::Label, "SRRC Beta", 1, 0, 1, 1, m});
    c.push_back({IDC_SRRC_BETA, ControlKind::ReadOnlyEdit, "", 1, 1, 1, 1, m});
    c.push_back({IDC_SRRC_BETA_UPDOWN, ControlKind::UpDown, "", 1, 2, 1, 1, m});
    Group(c, IDC_ENHANCED_GROUP, "Enhanced Acq", 2, 1);
    c.push_back({IDC_ENHANCED_ACQ, ControlKind::PushLikeCheck, "", 0, 0, 1, 1, IDC_ENHANCED_GROUP});
    static const char* const kBaseband[4] = {"SE1", "SE2", "DIFF1", "Loopback"};
    static const char* const kSingleEnded[4] = {"SE Z1", "SE Z2", "SE Z3", "SE Z4"};
    static const char* const kDifferential[2] = {"DIFF Z1", "DIFF Z2"};
    Group(c, IDC_BASEBAND_GROUP, "Baseband Input", 1, 2);
    Choice(c, IDC_BASEBAND_GROUP, 0, IDC_BASEBAND_INPUT, kBaseband, 4);
    Group(c, IDC_SE_GROUP, "BB SE Input", 2, 2);
    Choice(c, IDC_SE_GROUP, 0, IDC_SE_IMPEDANCE, kSingleEnded, 4);
    Group(c, IDC_DIFF_GROUP, "BB DIFF Input", 3, 2);
    Choice(c, IDC_DIFF_GROUP, 0, IDC_DIFF_IMPEDANCE, kDifferential, 2);
    return t;
}

}  // namespace

const ui::DialogTemplate& BitSyncChannelTemplate() {
    static const ui::DialogTemplate kTemplate = MakeChannel();
    return kTemplate;
}

const ui::DialogTemplate& BitSyncCombinerTemplate() {
    static const ui::DialogTemplate kTemplate = [] {
        ui::DialogTemplate t{IDD_BITSYNC_COMBINER, "", {}};
        SetupTitle(t.controls, 1);
        return t;
    }();
    return kTemplate;
}

}  // namespace res
