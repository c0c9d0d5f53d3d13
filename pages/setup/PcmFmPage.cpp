#include "pages/setup/PcmFmPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "ui/Format.h"

using namespace res;

namespace setup {
namespace {

constexpr uint32_t kMaximumBitRate = 60'000'000;
constexpr uint16_t kMaximumCarrierLoop = 5000;

}  // namespace

PcmFmPage::PcmFmPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
                     int skipInitialRead, QWidget* parent, const char* titleFormat)
    : SetupPage(dialogTemplate, comm, channel, skipInitialRead, parent),
      m_pTitleFormat(titleFormat) {
    SetEntryFont({IDC_BIT_RATE, IDC_LOOP_BANDWIDTH, IDC_CARRIER_LBW, IDC_ACQUISITION_RANGE});
    SetRange(IDC_SUBMODE_UPDOWN, 0, 1);
    SetRange(IDC_IF_BANDWIDTH_UPDOWN, 0, 31);
    SetRange(IDC_CARRIER_LBW_UPDOWN, 0, kMaximumCarrierLoop);
    SetRange(IDC_PCM_CODE_UPDOWN, 0, 24);
    SetRange(IDC_LOOP_BANDWIDTH_UPDOWN, 5, 255);
    SetRange(IDC_OUTPUT_PCM_CODE_UPDOWN, 0, 24);
    SetRange(IDC_CLOCK_PHASE_UPDOWN, 0, 3);
    for (int id :
         {IDC_MIN_MOD_INDEX_UPDOWN, IDC_START_MOD_INDEX_UPDOWN, IDC_MAX_MOD_INDEX_UPDOWN}) {
        SetRange(id, 9, 249);
    }
    AddSharedRules();
    UpdateTitle();
}

void PcmFmPage::UpdateTitle() {
    SetTitleFont(IDC_SETUP_TITLE, 24);
    const uint32_t mode = m_pComm->m_nOperationalMode;
    const bool known = mode == 2 || mode == 4;
    char title[64];
    if (std::string(m_pTitleFormat).find("%u") != std::string::npos) {
        std::snprintf(title, sizeof title, m_pTitleFormat, m_nChannel + 1,
                      protocol::ModeName(static_cast<int>(mode)));
    } else {
        std::snprintf(title, sizeof title, m_pTitleFormat,
                      protocol::ModeName(static_cast<int>(mode)));
    }
    SetText(IDC_SETUP_TITLE, known ? title : "Unknown");
}

void PcmFmPage::AddSharedRules() {
    CKV90T1_Comm* c = m_pComm;
    const uint32_t ch = m_nChannel;
    AddUpDownRule(IDC_SUBMODE_UPDOWN, {true, [this](int p) { return ChangeSubmode(p); },
                                       [this] {
                                           RedrawSubmode();
                                           RedrawModIndexes();
                                       },
                                       false});
    AddUpDownRule(IDC_IF_BANDWIDTH_UPDOWN,
                  {false, [c, ch](int p) { return c->SetChannelIfBandwidth(ch, p & 31); },
                   [this] { RedrawIfBandwidth(); }});
    AddUpDownRule(IDC_CARRIER_LBW_UPDOWN,
                  {true,
                   [c, ch](int p) {
                       return c->SetChannelCarrierLoopBandwidth(
                           ch, std::min<uint32_t>(p & 0xFFFF, kMaximumCarrierLoop));
                   },
                   [this] { RedrawCarrier(); }});
    AddUpDownRule(IDC_PCM_CODE_UPDOWN, {false, [this](int p) { return ChangePcmCode(p); },
                                        [this] { RedrawInputData(); }});
    AddUpDownRule(
        IDC_LOOP_BANDWIDTH_UPDOWN,
        {false, [c, ch](int p) { return c->SetChannelLoopBandwidth(ch, std::max(p & 0xFF, 5)); },
         [this] { RedrawInputData(); }});
    AddUpDownRule(
        IDC_OUTPUT_PCM_CODE_UPDOWN,
        {false,
         [c, ch](int p) { return c->SetOutputPcmCode(ch, kPcmCodes[std::min(p & 31, 24)].code); },
         [this] { RedrawOutputData(); }});
    AddUpDownRule(IDC_CLOCK_PHASE_UPDOWN,
                  {false, [c, ch](int p) { return c->SetOutputClockPhase(ch, p < 4 ? p : 0); },
                   [this] { RedrawOutputData(); }});
    using Setter = int32_t (CKV90T1_Comm::*)(uint32_t, uint32_t);
    for (auto [upDown, setter] :
         {std::pair<int, Setter>{IDC_MIN_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelMinModIndex},
          {IDC_START_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelStartModIndex},
          {IDC_MAX_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelMaxModIndex}}) {
        AddUpDownRule(upDown, {false, [c, ch, s = setter](int p) { return (c->*s)(ch, p); },
                               [this] { RedrawModIndexes(); }});
    }
    AddToggleRule(
        IDC_ASSISTED,
        {[this] { return ToggleRecordFlag(&protocol::ChannelSetup::assistedAcquisition); },
         [this] { RedrawCarrier(); }});
    AddToggleRule(
        IDC_OUTPUT_INVERTED,
        {[c, ch] { return c->SetOutputInverted(ch, c->m_OutputData[ch].inverted != 0 ? 0 : 1); },
         [this] { RedrawOutputData(); }});
    AddToggleRule(IDC_MOD_INDEX_TRACKING,
                  {[this] {
                       return m_pComm->m_nOperationalMode == 4
                                  ? ToggleRecordFlag(&protocol::ChannelSetup::modIndexTracking)
                                  : 0;
                   },
                   [this] { RedrawModIndexes(); }});
    for (int button : {IDC_INPUT_DATA_SEND, IDC_FILTERS_SEND, IDC_MOD_INDEX_SEND}) {
        AddSendButton(button);
    }
}

// The submode up-down names a position in the device's list of PCM/FM submodes.
int32_t PcmFmPage::ChangeSubmode(int position) {
    const int p = position & 0xFF;
    uint32_t submode = 2;
    if (p < 2) {
        submode = m_pComm->m_Options.pcmFmSubmodes[p];
    }
    if (submode > 1) {
        Beep(false);
    }
    const protocol::ChannelSetup& r = Record();
    const bool gmsk = submode == 1;
    m_pComm->EstimateIfBandwidth(m_nChannel, r.codeRateSelector, r.pcmCode, r.pskSubmode, r.bitRate,
                                 gmsk ? 0 : static_cast<int32_t>(r.modIndexTracking),
                                 gmsk ? 29.0f : r.maxModIndex, gmsk ? 24.0f : r.startModIndex,
                                 1.0f);
    return m_pComm->SetChannelPcmFmSubmode(m_nChannel, submode);
}

int32_t PcmFmPage::ChangePcmCode(int position) {
    const uint32_t code = kPcmCodes[std::min(position & 31, 24)].code;
    const protocol::ChannelSetup& r = Record();
    m_pComm->EstimateIfBandwidth(m_nChannel, r.codeRateSelector, code, r.pskSubmode, r.bitRate,
                                 static_cast<int32_t>(r.modIndexTracking), r.maxModIndex,
                                 r.startModIndex, 0.0f);
    return m_pComm->SetChannelPcmCode(m_nChannel, code);
}

void PcmFmPage::Send() {
    protocol::ChannelSetup record = Record();
    record.bitRate = BitRateFromText(Text(IDC_BIT_RATE), kMaximumBitRate);
    record.loopBandwidth = HundredthsFromText(Text(IDC_LOOP_BANDWIDTH));
    const double carrier = std::strtod(Text(IDC_CARRIER_LBW).c_str(), nullptr) * 10000;
    record.carrierLoopBandwidth =
        static_cast<uint16_t>(std::clamp<double>(std::lround(carrier), 0, kMaximumCarrierLoop));
    record.acquisitionRange =
        static_cast<uint32_t>(MegahertzTextToHertz(Text(IDC_ACQUISITION_RANGE)));
    record.minModIndex = ModIndexFromText(Text(IDC_MIN_MOD_INDEX));
    record.startModIndex = ModIndexFromText(Text(IDC_START_MOD_INDEX));
    record.maxModIndex = ModIndexFromText(Text(IDC_MAX_MOD_INDEX));
    record.qBitRate = 2'000'000;
    record.qLoopBandwidth = 100;
    record.ifFrequency = 70'000'000;
    record.matchedFilter = 0;
    record.codeRateSelector = 0;
    record.qCodeRateSelector = 0;
    record.srrcBeta = 50;
    record.pskSettingByte = 157;
    FillRecord(record);
    const bool sent = SendRecord(record, OutputSelector()) && AfterSend();
    Redraw();
    Beep(sent);
}

void PcmFmPage::Redraw() {
    RedrawSubmode();
    RedrawIfBandwidth();
    RedrawCarrier();
    RedrawInputData();
    RedrawOutputData();
    RedrawModIndexes();
}

void PcmFmPage::RedrawSubmode() {
    const uint32_t submode = Record().pcmFmSubmode;
    const uint8_t* list = m_pComm->m_Options.pcmFmSubmodes;
    const auto found = std::find(list, list + protocol::kPcmFmSubmodeSlots, submode);
    if (found == list + protocol::kPcmFmSubmodeSlots) {
        ShowSelector(IDC_SUBMODE_UPDOWN, IDC_SUBMODE, 0, "");
    } else {
        ShowSelector(IDC_SUBMODE_UPDOWN, IDC_SUBMODE, static_cast<int>(found - list),
                     protocol::PcmFmSubmodeName(submode));
    }
}

void PcmFmPage::RedrawIfBandwidth() {
    const int index = std::min<int>(Record().ifBandwidthIndex, 31);
    ShowSelector(IDC_IF_BANDWIDTH_UPDOWN, IDC_IF_BANDWIDTH, index,
                 FrequencyText(m_pComm->m_Config.IfBandwidthAt(m_nChannel, index)));
}

void PcmFmPage::RedrawCarrier() {
    const protocol::ChannelSetup& r = Record();
    const uint16_t carrier = std::min(r.carrierLoopBandwidth, kMaximumCarrierLoop);
    SetText(IDC_CARRIER_LBW, ui::Printf("%.4f", carrier / 10000.0));
    SetPos(IDC_CARRIER_LBW_UPDOWN, carrier);
    SetText(IDC_ACQUISITION_RANGE, MegahertzText(r.acquisitionRange));
    ShowOnOff(IDC_ASSISTED, r.assistedAcquisition, "Auto", "Manual");
}

void PcmFmPage::RedrawInputData() {
    const protocol::ChannelSetup& r = Record();
    SetText(IDC_BIT_RATE, ui::GroupThousands(r.bitRate));
    const int row = PcmCodeRow(r.pcmCode);
    ShowSelector(IDC_PCM_CODE_UPDOWN, IDC_PCM_CODE, row, kPcmCodes[row].name);
    const uint8_t loop = std::max<uint8_t>(r.loopBandwidth, 5);
    SetText(IDC_LOOP_BANDWIDTH, ui::Printf("%.2f", loop / 100.0));
    SetPos(IDC_LOOP_BANDWIDTH_UPDOWN, loop);
}

void PcmFmPage::RedrawOutputData() {
    const protocol::OutputDataSetup& d = OutputData();
    const int row = PcmCodeRow(d.pcmCode & 0x7F);
    ShowSelector(IDC_OUTPUT_PCM_CODE_UPDOWN, IDC_OUTPUT_PCM_CODE, row, kPcmCodes[row].name);
    const int phase = d.clockPhase < 4 ? static_cast<int>(d.clockPhase) : 0;
    ShowSelector(IDC_CLOCK_PHASE_UPDOWN, IDC_CLOCK_PHASE, phase, kClockPhases[phase]);
    ShowTwoState(IDC_OUTPUT_INVERTED, d.inverted, "Inverted", "Normal");
}

void PcmFmPage::RedrawModIndexes() {
    const protocol::ChannelSetup& r = Record();
    for (auto [edit, upDown, byte] :
         {std::tuple{IDC_MIN_MOD_INDEX, IDC_MIN_MOD_INDEX_UPDOWN, r.minModIndex},
          {IDC_START_MOD_INDEX, IDC_START_MOD_INDEX_UPDOWN, r.startModIndex},
          {IDC_MAX_MOD_INDEX, IDC_MAX_MOD_INDEX_UPDOWN, r.maxModIndex}}) {
        SetText(edit, ModIndexText(byte));
        SetPos(upDown, byte);
    }
    ShowOnOff(IDC_MOD_INDEX_TRACKING, r.modIndexTracking, "Enabled", "Disabled");
}

}  // namespace setup
