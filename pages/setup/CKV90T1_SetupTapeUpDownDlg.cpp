#include "pages/setup/CKV90T1_SetupTapeUpDownDlg.h"

#include <QLineEdit>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using namespace setup;

namespace {

constexpr const char* kConverters[3] = {"Down Converter 1", "Down Converter 2", "Up Converter"};
constexpr const char* kReceiverInputs[4] = {"IF Ch1", "IF Ch2", "BB Ch1", "BB Ch2"};
constexpr uint32_t kDownInputFrequency = 70'000'000;
// The baseband output code that each converter's DAC setup carries.
constexpr uint32_t kBasebandCodes[3] = {3, 5, 7};

}  // namespace

CKV90T1_SetupTapeUpDownDlg::CKV90T1_SetupTapeUpDownDlg(CKV90T1_Comm* comm, uint32_t channel,
                                                       int skipInitialRead, QWidget* parent)
    : SetupPage(res::TapeTemplate(), comm, channel < 3 ? channel : 2, skipInitialRead, parent) {
    setWindowTitle(kConverters[m_nChannel]);
    ShowTitle(std::string(kConverters[m_nChannel]) + " - " + "Tape Up/Down", 24);
    SetRange(IDC_TAPE_BANDWIDTH_UPDOWN, 0, 100);
    SetRange(IDC_TAPE_INPUT_SELECT_UPDOWN, 2, 3);
    const bool up = UpConverter();
    for (int id :
         {IDC_TAPE_INPUT_SELECT_LABEL, IDC_TAPE_INPUT_SELECT, IDC_TAPE_INPUT_SELECT_UPDOWN}) {
        Show(id, up);
        Enable(id, up);
    }
    if (auto* input = qobject_cast<QLineEdit*>(Control(IDC_TAPE_INPUT_FREQUENCY))) {
        input->setReadOnly(!up);
    }
    Show(IDC_TAPE_BB_GROUP, !up);
    Enable(IDC_TAPE_BB_GROUP, !up);
    Show(IDC_TAPE_IF_GROUP, up);
    Enable(IDC_TAPE_IF_GROUP, up);
    AddRules();
}

void CKV90T1_SetupTapeUpDownDlg::AddRules() {
    using ui::BeepWhen;
    using ui::Drain;
    auto quietly = [](std::function<int32_t()> action) {
        return [action = std::move(action)](int) { return action(); };
    };
    Bind(IDC_TAPE_SETUP_SEND, {Drain::None, quietly([this] { return SendSetup(); }),
                               [this] { RedrawSetup(); }, BeepWhen::Never});
    Bind(IDC_TAPE_SETUP_READ,
         {Drain::None, quietly([this] { return m_pComm->ReadChannelSetup(m_nChannel); }),
          [this] { RedrawSetup(); }, BeepWhen::Never});
    Bind(IDC_TAPE_BANDWIDTH_UPDOWN, {Drain::Silent,
                                     [this](int p) {
                                         return m_pComm->SetTapeBandwidth(
                                             m_nChannel, p >= 0 && p <= 100 ? p : 10);
                                     },
                                     [this] { RedrawSetup(); }, BeepWhen::Never});
    Bind(IDC_TAPE_INPUT_SELECT_UPDOWN, {Drain::Silent,
                                        [this](int p) {
                                            return m_pComm->SetTapeInputSelect(
                                                m_nChannel, static_cast<uint32_t>(p));
                                        },
                                        [this] { RedrawSetup(); }});
    Bind(IDC_TAPE_BB_SEND,
         {Drain::Report, quietly([this] { return SendBaseband(); }), [this] { RedrawBaseband(); }});
    Bind(IDC_TAPE_BB_READ,
         {Drain::Report, quietly([this] { return m_pComm->ReadOutputSetup(m_nChannel); }),
          [this] { RedrawBaseband(); }});
    Bind(IDC_TAPE_IF_SEND,
         {Drain::Report, quietly([this] { return SendIf(); }), [this] { RedrawIf(); }});
    Bind(IDC_TAPE_IF_READ,
         {Drain::Report, quietly([this] { return m_pComm->ReadTapeIfOutputSetup(); }),
          [this] { RedrawIf(); }});
}

// A down converter always takes 70 MHz from its own IF input; the up converter takes what its
// edits say and a baseband input (2 or 3).
int32_t CKV90T1_SetupTapeUpDownDlg::SendSetup() {
    const bool up = UpConverter();
    const uint32_t stored = m_pComm->m_Tape[m_nChannel].inputSelect;
    const uint32_t input =
        up ? UnsignedFromText(Text(IDC_TAPE_INPUT_FREQUENCY)) : kDownInputFrequency;
    const uint32_t select = up ? (stored == 2 || stored == 3 ? stored : 2) : m_nChannel;
    const uint32_t bandwidth = std::min<uint32_t>(UnsignedFromText(Text(IDC_TAPE_BANDWIDTH)), 100);
    return m_pComm->SendTapeSetup(m_nChannel, up ? 1 : 0, bandwidth, input,
                                  UnsignedFromText(Text(IDC_TAPE_OUTPUT_FREQUENCY)), select);
}

int32_t CKV90T1_SetupTapeUpDownDlg::SendBaseband() {
    protocol::TapeChannel& tape = m_pComm->m_Tape[m_nChannel];
    tape.basebandOutputCode = static_cast<uint8_t>(kBasebandCodes[m_nChannel]);
    tape.basebandDacValue = BasebandDacFromVolts(Text(IDC_TAPE_BB_DAC));
    return m_pComm->SendTapeOutputSetup(m_nChannel, tape.basebandOutputCode, tape.basebandDacValue);
}

int32_t CKV90T1_SetupTapeUpDownDlg::SendIf() {
    protocol::TapeIfOutput& output = m_pComm->m_TapeIfOutput;
    output.selector = static_cast<uint8_t>(m_nChannel);
    output.value = IfDacFromDbm(Text(IDC_TAPE_IF_DAC));
    return m_pComm->SendTapeIfOutputSetup(output.selector, output.value);
}

void CKV90T1_SetupTapeUpDownDlg::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        SetupPage::RefreshFromDevice();
    }
}

// The up converter shows its IF DAC as well.
bool CKV90T1_SetupTapeUpDownDlg::ReadSetups() {
    return SetupPage::ReadSetups() && (!UpConverter() || m_pComm->ReadTapeIfOutputSetup() != 0);
}

void CKV90T1_SetupTapeUpDownDlg::Redraw() {
    RedrawSetup();
    RedrawBaseband();
    RedrawIf();
}

void CKV90T1_SetupTapeUpDownDlg::RedrawSetup() {
    const protocol::TapeChannel& tape = m_pComm->m_Tape[m_nChannel];
    SetPos(IDC_TAPE_BANDWIDTH_UPDOWN, tape.bandwidthPercent);
    SetText(IDC_TAPE_BANDWIDTH, ui::Printf("%u", tape.bandwidthPercent));
    SetText(IDC_TAPE_INPUT_FREQUENCY, ui::GroupThousands(tape.inputFrequency));
    SetText(IDC_TAPE_OUTPUT_FREQUENCY, ui::GroupThousands(tape.outputFrequency));
    const int select = tape.inputSelect & 3;
    ShowSelector(IDC_TAPE_INPUT_SELECT_UPDOWN, IDC_TAPE_INPUT_SELECT, select,
                 kReceiverInputs[select]);
}

void CKV90T1_SetupTapeUpDownDlg::RedrawBaseband() {
    SetText(IDC_TAPE_BB_DAC, BasebandDacText(m_pComm->m_Tape[m_nChannel].basebandDacValue));
}

void CKV90T1_SetupTapeUpDownDlg::RedrawIf() {
    SetText(IDC_TAPE_IF_DAC, IfDacText(m_pComm->m_TapeIfOutput.value));
}
