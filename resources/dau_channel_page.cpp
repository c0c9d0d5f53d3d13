// The DAU setup channel page: under the title, the channel's setup parameters (inputs and front
// end on the left, selections and DACs on the right) beside the socket details of the sampling
// stream, then the header of the datagrams the stream brings beside the ADC bins.

#include "resources/resource_ids.h"
#include "resources/template_builders.h"
#include "resources/templates.h"

namespace res {
namespace {

using ui::ControlKind;

// The three boxes stand over the DAC rows' edit, up-down and step buttons: first, second and
// third, fourth and fifth columns.
void ChoiceRow(Controls& c, int row, const char* label, const int (&ids)[3],
               const char* const (&captions)[3]) {
    const int g = IDC_DAU_SETUP_GROUP;
    Cell(c, 0, ControlKind::Label, label, row, 4, g);
    Cell(c, ids[0], ControlKind::PushLikeCheck, captions[0], row, 5, g);
    Cell(c, ids[1], ControlKind::PushLikeCheck, captions[1], row, 6, g, 2);
    Cell(c, ids[2], ControlKind::PushLikeCheck, captions[2], row, 8, g, 2);
}

void DacRow(Controls& c, int row, const char* label, int edit, int upDown, const int (&steps)[4]) {
    const int g = IDC_DAU_SETUP_GROUP;
    static const char* const kSteps[4] = {"+10", "-10", "+100", "-100"};
    Cell(c, 0, ControlKind::Label, label, row, 4, g);
    Cell(c, edit, ControlKind::Edit, "", row, 5, g);
    Cell(c, upDown, ControlKind::UpDown, "", row, 6, g);
    for (int i = 0; i < 4; ++i) {
        Cell(c, steps[i], ControlKind::Button, kSteps[i], row, 7 + i, g);
    }
}

void SetupGroup(Controls& c) {
    const int g = IDC_DAU_SETUP_GROUP;
    Group(c, g, "DAU Setup Parameters", 1, 0);
    Cell(c, 0, ControlKind::Label, "Signal Bandwidth", 0, 0, g);
    Cell(c, IDC_DAU_BANDWIDTH, ControlKind::Edit, "", 0, 1, g);
    Cell(c, 0, ControlKind::Label, "Hz", 0, 2, g);
    Cell(c, IDC_DAU_BANDWIDTH_SEND, ControlKind::Button, "Send", 0, 3, g);
    Cell(c, 0, ControlKind::Label, "Number of Samples per Datagram", 1, 0, g);
    Cell(c, IDC_DAU_SAMPLES, ControlKind::Edit, "", 1, 1, g);
    Cell(c, IDC_DAU_SAMPLES_UPDOWN, ControlKind::UpDown, "", 1, 2, g);
    Cell(c, 0, ControlKind::Label, "Datagram Size", 2, 0, g);
    Cell(c, IDC_DAU_DATAGRAM_SIZE, ControlKind::ReadOnlyEdit, "", 2, 1, g);
    Cell(c, 0, ControlKind::Label, "Sample Rate", 3, 0, g);
    Cell(c, IDC_DAU_SAMPLE_RATE, ControlKind::ReadOnlyEdit, "", 3, 1, g);
    Cell(c, IDC_DAU_NO_1PPS, ControlKind::Label, "*** Not Using External 1PPS ***", 4, 0, g, 4);
    ChoiceRow(c, 0, "BB Input Selection", IDC_DAU_BB, {"BB1", "BB2", "IRIG"});
    ChoiceRow(c, 1, "SE Input Selection", IDC_DAU_SE, {"SE1", "SE2", "SE3"});
    ChoiceRow(c, 2, "SE Input Impedance", IDC_DAU_IMPEDANCE, {"50 Ω", "75 Ω", "200 Ω"});
    DacRow(c, 3, "Gain DAC Value", IDC_DAU_GAIN, IDC_DAU_GAIN_UPDOWN, IDC_DAU_GAIN_STEP);
    DacRow(c, 4, "Baseline DAC Value", IDC_DAU_BASELINE, IDC_DAU_BASELINE_UPDOWN,
           IDC_DAU_BASELINE_STEP);
    Cell(c, IDC_DAU_DAC_SEND, ControlKind::Button, "Send DAC Values", 5, 7, g, 4);
}

void SocketGroup(Controls& c) {
    const int g = IDC_DAU_SOCKET_GROUP;
    Group(c, g, "DAU Sampling Data Socket Details", 1, 1);
    Cell(c, 0, ControlKind::Label, "Local Socket Details", 0, 0, g);
    Cell(c, IDC_DAU_LOCAL_SOCKET, ControlKind::ReadOnlyEdit, "", 1, 0, g);
    Cell(c, 0, ControlKind::Label, "Remote Socket Details", 2, 0, g);
    Cell(c, IDC_DAU_REMOTE_SOCKET, ControlKind::ReadOnlyEdit, "", 3, 0, g);
    Cell(c, IDC_DAU_REQUEST_DATA, ControlKind::PushLikeCheck, "Request DAU Sampling Data", 4, 0, g);
    Cell(c, IDC_DAU_SAVE_BINARY, ControlKind::CheckBox, "Save Binary Sampling Data to File", 5, 0,
         g);
    Cell(c, IDC_DAU_CONVERT_CSV, ControlKind::CheckBox, "Convert to Comma Separated Value File", 6,
         0, g);
    Cell(c, IDC_DAU_CONVERT_PROGRESS, ControlKind::Label, "", 7, 0, g);
}

void AdcGroup(Controls& c) {
    const int g = IDC_DAU_ADC_GROUP;
    Group(c, g, "Baseband ADC Bin Values", 2, 1);
    // Bins 0 to 3 in the first pair of columns, 4 to 7 in the second, then OVR.
    static const char* const kBins[8] = {
        "011:", "010:", "001:", "000:", "111:", "110:", "101:", "100:"};
    for (int i = 0; i < 8; ++i) {
        Cell(c, IDC_DAU_BIN_LABEL[i], ControlKind::Label, kBins[i], i % 4, i / 4 * 2, g);
        Cell(c, IDC_DAU_BIN[i], ControlKind::Label, "", i % 4, i / 4 * 2 + 1, g);
    }
    Cell(c, IDC_DAU_OVR_LABEL, ControlKind::Label, "OVR:", 4, 0, g);
    Cell(c, IDC_DAU_OVR, ControlKind::Label, "", 4, 1, g);
    Cell(c, IDC_DAU_CONTINUOUS_ADC, ControlKind::CheckBox, "Continuous BB ADC Updates", 5, 0, g, 4);
}

// Pairs of a label and its value, two pairs to a row of twelve columns.
void Field(Controls& c, int row, int pair, const char* label, int id) {
    const int g = IDC_DAU_HEADER_GROUP;
    Cell(c, 0, ControlKind::Label, label, row, pair * 6, g, 2);
    Cell(c, id, ControlKind::ReadOnlyEdit, "", row, pair * 6 + 2, g, 4);
}

void HeaderGroup(Controls& c) {
    const int g = IDC_DAU_HEADER_GROUP;
    Group(c, g, "Datagram Header Values", 2, 0);
    for (int k = 0; k < 12; ++k) {
        Cell(c, IDC_DAU_HEADER_WORD[k], ControlKind::ReadOnlyEdit, "", 0, k, g);
    }
    Field(c, 1, 0, "GPS Initialization State:", IDC_DAU_GPS_STATE);
    Field(c, 1, 1, "GPS qual:", IDC_DAU_GPS_QUALITY);
    Field(c, 2, 0, "Raw RSSI:", IDC_DAU_RAW_RSSI);
    Field(c, 2, 1, "RSSI Voltage:", IDC_DAU_RSSI_VOLTAGE);
    Field(c, 3, 0, "Datagram Sequence Number:", IDC_DAU_SEQUENCE);
    Field(c, 3, 1, "Device Data Type:", IDC_DAU_DATA_TYPE);
    Field(c, 4, 0, "IRIG Years:", IDC_DAU_IRIG_YEARS);
    Field(c, 4, 1, "IRIG Nanoseconds:", IDC_DAU_IRIG_NANOSECONDS);
    Field(c, 5, 0, "IRIG Seconds:", IDC_DAU_IRIG_SECONDS);
    Cell(c, IDC_DAU_IRIG_DATE, ControlKind::ReadOnlyEdit, "", 5, 6, g, 6);
    c.push_back({IDC_DAU_TSLOCK_GREEN, ControlKind::Lamp, "", 6, 0, 1, 1, g, IDI_GREEN});
    c.push_back({IDC_DAU_TSLOCK_GREY, ControlKind::Lamp, "", 6, 0, 1, 1, g, IDI_GREY});
    Cell(c, 0, ControlKind::Label, "TSLOCK", 6, 1, g, 2);
    c.push_back({IDC_DAU_FLYWHEEL_YELLOW, ControlKind::Lamp, "", 6, 6, 1, 1, g, IDI_YELLOW});
    c.push_back({IDC_DAU_FLYWHEEL_GREY, ControlKind::Lamp, "", 6, 6, 1, 1, g, IDI_GREY});
    Cell(c, 0, ControlKind::Label, "Flywheeling", 6, 7, g, 2);
}

ui::DialogTemplate MakeDauChannel() {
    ui::DialogTemplate t{IDD_DAU_CHANNEL, "", {}};
    Controls& c = t.controls;
    c.push_back({IDC_DAU_TITLE, ControlKind::Label, "", 0, 0, 1, 2});
    SetupGroup(c);
    SocketGroup(c);
    AdcGroup(c);
    HeaderGroup(c);
    c.push_back({IDC_DAU_WAVEFORM, ControlKind::Chart, "", 3, 0, 1, 2});
    return t;
}

}  // namespace

const ui::DialogTemplate& DauChannelTemplate() {
    static const ui::DialogTemplate kTemplate = MakeDauChannel();
    return kTemplate;
}

}  // namespace res
