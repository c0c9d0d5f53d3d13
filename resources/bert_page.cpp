// The receive BERT page: for each unit (channel 1, channel 2, combiner) a setup group and a
// status group side by side, each with one row per stream (I data, Q data). The groups stand in
// columns like a table, and only the channel 1 groups carry the column headings, so that the
// page fits the page area without scrolling.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

constexpr const char* kSetupCaptions[3] = {"Rcv Bert Channel 1 Setup", "Rcv Bert Channel 2 Setup",
                                           "Rcv Bert Combiner Setup"};
constexpr const char* kStatusCaptions[3] = {
    "Rcv Bert Channel 1 Status", "Rcv Bert Channel 2 Status", "Rcv Bert Combiner Status"};
constexpr const char* kStreams[2] = {"I Data", "Q Data"};

void Heading(Controls& c, int group, int column, const char* text, int columnSpan = 1) {
    c.push_back({0, ControlKind::Label, text, 0, column, 1, columnSpan, group});
}

void Lamp(Controls& c, int group, int row, int column,
          std::initializer_list<std::pair<int, int>> colours) {
    for (auto [id, icon] : colours) {
        c.push_back({id, ControlKind::Lamp, "", row, column, 1, 1, group, icon});
    }
}

// The first row of a unit's streams: below the headings in the channel 1 groups.
int FirstRow(int unit) {
    return unit == 0 ? 1 : 0;
}

void SetupGroup(Controls& c, int unit) {
    const int g = IDC_BERT_SETUP_GROUP[unit];
    Group(c, g, kSetupCaptions[unit], unit, 0);
    if (unit == 0) {
        Heading(c, g, 1, "Enabled");
        Heading(c, g, 2, "Inverted");
        Heading(c, g, 3, "PRN Pattern", 2);
    }
    for (int s = 0; s < 2; ++s) {
        const int k = unit * 2 + s;
        const int row = FirstRow(unit) + s;
        c.push_back({0, ControlKind::Label, kStreams[s], row, 0, 1, 1, g});
        c.push_back({IDC_BERT_ENABLED[k], ControlKind::PushLikeCheck, "Off", row, 1, 1, 1, g});
        c.push_back(
            {IDC_BERT_INVERT_CLOCK[k], ControlKind::PushLikeCheck, "Normal", row, 2, 1, 1, g});
        c.push_back({IDC_BERT_PATTERN[k], ControlKind::ReadOnlyEdit, "", row, 3, 1, 1, g});
        c.push_back({IDC_BERT_PATTERN_UPDOWN[k], ControlKind::UpDown, "", row, 4, 1, 1, g});
    }
}

void StatusGroup(Controls& c, int unit) {
    const int g = IDC_BERT_STATUS_GROUP[unit];
    Group(c, g, kStatusCaptions[unit], unit, 1);
    if (unit == 0) {
        Heading(c, g, 1, "Locked", 2);
        Heading(c, g, 3, "Inverted", 2);
        const char* const values[5] = {"Bit Error Count", "Bit Count", "Calculated BER", "Bit Rate",
                                       "Out Of Lock Count"};
        for (int i = 0; i < 5; ++i) {
            Heading(c, g, 5 + i, values[i]);
        }
    }
    for (int s = 0; s < 2; ++s) {
        const int k = unit * 2 + s;
        const int row = FirstRow(unit) + s;
        c.push_back({0, ControlKind::Label, kStreams[s], row, 0, 1, 1, g});
        Lamp(c, g, row, 1,
             {{IDC_BERT_LOCK_GREEN[k], IDI_GREEN},
              {IDC_BERT_LOCK_RED[k], IDI_RED},
              {IDC_BERT_LOCK_GREY[k], IDI_GREY}});
        c.push_back({IDC_BERT_LOCK_TEXT[k], ControlKind::Label, "Locked", row, 2, 1, 1, g});
        Lamp(c, g, row, 3,
             {{IDC_BERT_INVERSION_GREEN[k], IDI_GREEN},
              {IDC_BERT_INVERSION_YELLOW[k], IDI_YELLOW},
              {IDC_BERT_INVERSION_GREY[k], IDI_GREY}});
        c.push_back({IDC_BERT_INVERSION_TEXT[k], ControlKind::Label, "Inverted", row, 4, 1, 1, g});
        const int edits[5] = {IDC_BERT_BIT_ERRORS[k], IDC_BERT_BIT_COUNT[k], IDC_BERT_BER[k],
                              IDC_BERT_BIT_RATE[k], IDC_BERT_OUT_OF_LOCK[k]};
        for (int i = 0; i < 5; ++i) {
            c.push_back({edits[i], ControlKind::ReadOnlyEdit, "", row, 5 + i, 1, 1, g});
        }
        c.push_back({IDC_BERT_RESET[k], ControlKind::Button, "Reset Rcv Bert", row, 10, 1, 1, g});
    }
}

ui::DialogTemplate MakeRcvBert() {
    ui::DialogTemplate t{IDD_RCV_BERT, "Rcv BERT", {}};
    for (int unit = 0; unit < 3; ++unit) {
        SetupGroup(t.controls, unit);
        StatusGroup(t.controls, unit);
    }
    t.controls.push_back({IDC_BERT_CHART, ControlKind::Chart, "", 3, 0, 1, 2});
    return t;
}

}  // namespace

const ui::DialogTemplate& RcvBertTemplate() {
    static const ui::DialogTemplate kTemplate = MakeRcvBert();
    return kTemplate;
}

}  // namespace res
