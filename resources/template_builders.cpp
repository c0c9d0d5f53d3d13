#include "resources/template_builders.h"

#include "resources/resource_ids.h"

namespace res {

using ui::ControlKind;

void Group(Controls& c, int id, const char* caption, int row, int column, int rowSpan) {
    c.push_back({id, ControlKind::GroupBox, caption, row, column, rowSpan});
}

void Cell(Controls& c, int id, ControlKind kind, const char* caption, int row, int column,
          int group, int columnSpan) {
    c.push_back({id, kind, caption, row, column, 1, columnSpan, group});
}

void Selector(Controls& c, int group, int row, const char* label, int edit, int upDown) {
    c.push_back({0, ControlKind::Label, label, row, 0, 1, 1, group});
    c.push_back({edit, ControlKind::ReadOnlyEdit, "", row, 1, 1, 1, group});
    c.push_back({upDown, ControlKind::UpDown, "", row, 2, 1, 1, group});
}

void Entry(Controls& c, int group, int row, const char* label, int edit, int upDown) {
    c.push_back({0, ControlKind::Label, label, row, 0, 1, 1, group});
    c.push_back({edit, ControlKind::Edit, "", row, 1, 1, 1, group});
    if (upDown != 0) {
        c.push_back({upDown, ControlKind::UpDown, "", row, 2, 1, 1, group});
    }
}

void Toggle(Controls& c, int group, int row, const char* label, int id) {
    c.push_back({0, ControlKind::Label, label, row, 0, 1, 1, group});
    c.push_back({id, ControlKind::PushLikeCheck, "", row, 1, 1, 1, group});
}

void Send(Controls& c, int group, int row, int id) {
    c.push_back({id, ControlKind::Button, "Send", row, 1, 1, 1, group});
}

void SetupTitle(Controls& c, int columns) {
    if (columns == 1) {
        c.push_back({IDC_SETUP_TITLE, ControlKind::Label, "", 0, 0});
        return;
    }
    c.push_back({IDC_SETUP_TITLE, ControlKind::Label, "", 0, 0, 1, columns - 1});
    Group(c, IDC_READ_NOTICE_GROUP, "Not Read", 0, columns - 1);
    Cell(c, IDC_READ_NOTICE, ControlKind::Label, "", 0, 0, IDC_READ_NOTICE_GROUP);
    Cell(c, IDC_READ_RETRY, ControlKind::Button, "Retry", 1, 0, IDC_READ_NOTICE_GROUP);
}

void TuningGroupTemplate(Controls& c, int row, int column) {
    Group(c, IDC_TUNING_GROUP, "Tuning Frequency", row, column);
    Entry(c, IDC_TUNING_GROUP, 0, "MHz", IDC_TUNING_FREQUENCY);
    for (int band = 0; band < 5; ++band) {
        c.push_back(
            {IDC_BAND_RANGE[band], ControlKind::Label, "", 1 + band, 0, 1, 3, IDC_TUNING_GROUP});
    }
    Send(c, IDC_TUNING_GROUP, 6, IDC_TUNING_SEND);
}

void InputSelectGroupTemplate(Controls& c, int row, int column) {
    Group(c, IDC_INPUT_SELECT_GROUP, "Input Select", row, column);
    Selector(c, IDC_INPUT_SELECT_GROUP, 0, "Input", IDC_INPUT_SELECT, IDC_INPUT_SELECT_UPDOWN);
}

void AgcGroupTemplate(Controls& c, int row, int column) {
    const int g = IDC_AGC_GROUP;
    Group(c, g, "AGC", row, column);
    Selector(c, g, 0, "AGC Time Constant", IDC_AGC_TIME_CONSTANT, IDC_AGC_TIME_CONSTANT_UPDOWN);
    Toggle(c, g, 1, "Freeze", IDC_AGC_FREEZE);
    Selector(c, g, 2, "AGC Mode", IDC_AGC_MODE, IDC_AGC_MODE_UPDOWN);
    Toggle(c, g, 3, "Zero", IDC_AGC_ZERO);
}

void DeEmphasisGroupTemplates(Controls& c, int row, int column) {
    Group(c, IDC_DEEMPHASIS_GROUP, "De-Emphsis Filter", row, column);
    Selector(c, IDC_DEEMPHASIS_GROUP, 0, "Filter", IDC_DEEMPHASIS, IDC_DEEMPHASIS_UPDOWN);
    Group(c, IDC_SSFM_GROUP, "SS-FM Invert", row + 1, column);
    Toggle(c, IDC_SSFM_GROUP, 0, "Inverted", IDC_SSFM_INVERT);
}

void SubmodeGroupTemplate(Controls& c, const char* caption, int row, int column) {
    Group(c, IDC_SUBMODE_GROUP, caption, row, column);
    Selector(c, IDC_SUBMODE_GROUP, 0, "Submode", IDC_SUBMODE, IDC_SUBMODE_UPDOWN);
}

void FiltersGroupTemplate(Controls& c, int row, int column, bool channelFilters, int rowSpan) {
    const int g = IDC_FILTERS_GROUP;
    Group(c, g, "Filters/Carrier", row, column, rowSpan);
    int r = 0;
    if (channelFilters) {
        Selector(c, g, r++, "AM Filter", IDC_AM_FILTER, IDC_AM_FILTER_UPDOWN);
        Toggle(c, g, r++, "AM Invert", IDC_AM_INVERT);
    }
    Selector(c, g, r++, "IFBW Filter", IDC_IF_BANDWIDTH, IDC_IF_BANDWIDTH_UPDOWN);
    if (channelFilters) {
        Selector(c, g, r++, "Video Filter", IDC_VIDEO_FILTER, IDC_VIDEO_FILTER_UPDOWN);
    }
    Entry(c, g, r++, "Acq Range (MHz)", IDC_ACQUISITION_RANGE);
    Entry(c, g, r++, "Carrier LBW", IDC_CARRIER_LBW, IDC_CARRIER_LBW_UPDOWN);
    Toggle(c, g, r++, "Assisted", IDC_ASSISTED);
    Send(c, g, r, IDC_FILTERS_SEND);
}

const InputDataIds kInputDataIdsI{IDC_INPUT_DATA_GROUP, IDC_BIT_RATE,
                                  IDC_PCM_CODE,         IDC_PCM_CODE_UPDOWN,
                                  IDC_LOOP_BANDWIDTH,   IDC_LOOP_BANDWIDTH_UPDOWN,
                                  IDC_INPUT_DATA_SEND};
const InputDataIds kInputDataIdsQ{IDC_Q_INPUT_DATA_GROUP, IDC_Q_BIT_RATE,
                                  IDC_Q_PCM_CODE,         IDC_Q_PCM_CODE_UPDOWN,
                                  IDC_Q_LOOP_BANDWIDTH,   IDC_Q_LOOP_BANDWIDTH_UPDOWN,
                                  IDC_Q_INPUT_DATA_SEND};
const OutputDataIds kOutputDataIdsI{IDC_OUTPUT_DATA_GROUP,      IDC_OUTPUT_PCM_CODE,
                                    IDC_OUTPUT_PCM_CODE_UPDOWN, IDC_CLOCK_PHASE,
                                    IDC_CLOCK_PHASE_UPDOWN,     IDC_OUTPUT_INVERTED};
const OutputDataIds kOutputDataIdsQ{IDC_Q_OUTPUT_DATA_GROUP,      IDC_Q_OUTPUT_PCM_CODE,
                                    IDC_Q_OUTPUT_PCM_CODE_UPDOWN, IDC_Q_CLOCK_PHASE,
                                    IDC_Q_CLOCK_PHASE_UPDOWN,     IDC_Q_OUTPUT_INVERTED};

void InputDataGroupTemplate(Controls& c, int row, int column, const char* caption,
                            const InputDataIds& ids) {
    Group(c, ids.group, caption, row, column);
    Entry(c, ids.group, 0, "bps", ids.bitRate);
    Selector(c, ids.group, 1, "PCM Code", ids.pcmCode, ids.pcmCodeUpDown);
    Entry(c, ids.group, 2, "LBW", ids.loop, ids.loopUpDown);
    Send(c, ids.group, 3, ids.send);
}

void OutputDataGroupTemplate(Controls& c, int row, int column, const char* caption,
                             const OutputDataIds& ids, int rowSpan) {
    Group(c, ids.group, caption, row, column, rowSpan);
    Selector(c, ids.group, 0, "PCM Code", ids.pcmCode, ids.pcmCodeUpDown);
    Selector(c, ids.group, 1, "Clock Phase", ids.clockPhase, ids.clockPhaseUpDown);
    Toggle(c, ids.group, 2, "Inverted", ids.inverted);
}

void ModIndexGroupTemplate(Controls& c, int row, int column, int rowSpan) {
    const int g = IDC_MOD_INDEX_GROUP;
    Group(c, g, "Mod Index", row, column, rowSpan);
    Entry(c, g, 0, "Minimum", IDC_MIN_MOD_INDEX, IDC_MIN_MOD_INDEX_UPDOWN);
    Entry(c, g, 1, "Start", IDC_START_MOD_INDEX, IDC_START_MOD_INDEX_UPDOWN);
    Entry(c, g, 2, "Maximum", IDC_MAX_MOD_INDEX, IDC_MAX_MOD_INDEX_UPDOWN);
    Toggle(c, g, 3, "Tracking", IDC_MOD_INDEX_TRACKING);
    Send(c, g, 4, IDC_MOD_INDEX_SEND);
}

void CombinerGroupTemplate(Controls& c, int row, int column, int rowSpan) {
    const int g = IDC_COMBINER_GROUP;
    Group(c, g, "Combiner", row, column, rowSpan);
    Entry(c, g, 0, "Signal Bandwidth (Hz)", IDC_SIGNAL_BANDWIDTH);
    Entry(c, g, 1, "SNR Filter Bandwidth (Hz)", IDC_SNR_FILTER_BANDWIDTH);
    Entry(c, g, 2, "Phase Filter Bandwidth (Hz)", IDC_PHASE_FILTER_BANDWIDTH);
    Selector(c, g, 3, "Combiner Type", IDC_COMBINER_TYPE, IDC_COMBINER_TYPE_UPDOWN);
    Toggle(c, g, 4, "Real Combining", IDC_REAL_COMBINING);
    Toggle(c, g, 5, "Reconstruct Upsample", IDC_UPSAMPLE);
    Send(c, g, 6, IDC_COMBINER_SEND);
}

}  // namespace res
