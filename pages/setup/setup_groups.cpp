#include "pages/setup/setup_groups.h"

#include <algorithm>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "ui/Format.h"

using namespace res;
using protocol::ChannelSetup;
using protocol::OutputDataSetup;

namespace setup {
namespace {

uint32_t Clamped(uint32_t value, protocol::Limits limits) {
    return std::clamp(value, limits.low, limits.high);
}

}  // namespace

// --- Tuning ---

TuningGroup::TuningGroup(SetupPage& page) : SetupGroup(page) {
    page.SetEntryFont({IDC_TUNING_FREQUENCY});
}

void TuningGroup::Redraw() {
    m_page.SetText(IDC_TUNING_FREQUENCY, MegahertzText(m_page.Record().tuningFrequency));
    const auto bands = BandTexts(m_page.Comm().m_Config.bandLimits[m_page.Channel()]);
    for (int i = 0; i < 5; ++i) {
        m_page.SetText(IDC_BAND_RANGE[i], bands[i]);
    }
}

void TuningGroup::Fill(ChannelSetup& record) {
    record.tuningFrequency = MegahertzTextToHertz(m_page.Text(IDC_TUNING_FREQUENCY));
}

// --- Input select ---

InputSelectGroup::InputSelectGroup(SetupPage& page, Three three) : SetupGroup(page) {
    page.SetRange(IDC_INPUT_SELECT_UPDOWN, 0, 2);
    page.BindUpDown(
        IDC_INPUT_SELECT_UPDOWN, false,
        [&page, three](int p) {
            const uint32_t value = static_cast<uint32_t>(p) & 3;
            if (value == 3 && three == Three::Refused) {
                return 0;
            }
            if (value == 3) {
                ui::FeedbackBeep(false);
            }
            return page.Comm().SetChannelInputSelect(page.Channel(), value);
        },
        [this] { Redraw(); });
}

void InputSelectGroup::Redraw() {
    const int row = static_cast<int>(std::min<uint32_t>(m_page.Record().inputSelect, 2));
    m_page.ShowSelector(IDC_INPUT_SELECT_UPDOWN, IDC_INPUT_SELECT, row, kInputSelects[row]);
}

// --- AGC ---

AgcGroup::AgcGroup(SetupPage& page) : SetupGroup(page) {
    page.SetRange(IDC_AGC_TIME_CONSTANT_UPDOWN, 0, 7);
    page.SetRange(IDC_AGC_MODE_UPDOWN, 0, 2);
    auto redraw = [this] { Redraw(); };
    page.BindUpDown(
        IDC_AGC_TIME_CONSTANT_UPDOWN, false,
        [&page](int p) { return page.Comm().SetChannelAgcTimeConstant(page.Channel(), p & 7); },
        redraw);
    page.BindUpDown(
        IDC_AGC_MODE_UPDOWN, false, [this](int p) { return ChangeMode(p); }, redraw);
    for (auto [toggle, flag] : {std::pair{IDC_AGC_FREEZE, &ChannelSetup::agcFreeze},
                                std::pair{IDC_AGC_ZERO, &ChannelSetup::agcZero}}) {
        page.BindToggle(
            toggle, [&page, f = flag] { return page.ToggleRecordFlag(f); }, redraw);
    }
}

// Rows "Normal AGC", "Linear AGC", "Mode 1 AGC" as the two AGC-mode flags.
int32_t AgcGroup::ChangeMode(int position) {
    const int row = std::clamp(position, 0, 2);
    return m_page.SendChangedRecord([row](ChannelSetup& r) {
        r.firstAgcMode = row == 0 ? 1 : 0;
        r.secondAgcMode = row == 2 ? 1 : 0;
    });
}

void AgcGroup::Redraw() {
    const ChannelSetup& r = m_page.Record();
    const uint32_t channel = m_page.Channel();
    const int index = r.agcTimeConstantIndex < 8 ? static_cast<int>(r.agcTimeConstantIndex) : 0;
    m_page.ShowSelector(
        IDC_AGC_TIME_CONSTANT_UPDOWN, IDC_AGC_TIME_CONSTANT, index,
        AgcTimeConstantText(m_page.Comm().m_Config.AgcTimeConstantAt(channel, index)));
    m_page.ShowOnOff(IDC_AGC_FREEZE, r.agcFreeze, "On", "Off");
    const int mode = AgcModeRow(r.firstAgcMode, r.secondAgcMode);
    m_page.ShowSelector(IDC_AGC_MODE_UPDOWN, IDC_AGC_MODE, mode, kAgcModes[mode]);
    m_page.ShowOnOff(IDC_AGC_ZERO, r.agcZero, "On", "Off");
}

// --- Filters and carrier ---

FiltersGroup::FiltersGroup(SetupPage& page, bool channelFilters, const CarrierLoop& carrierLoop)
    : SetupGroup(page), m_bChannelFilters(channelFilters), m_CarrierLoop(carrierLoop) {
    page.SetEntryFont({IDC_CARRIER_LBW, IDC_ACQUISITION_RANGE});
    page.SetRange(IDC_IF_BANDWIDTH_UPDOWN, 0, 31);
    page.SetRange(IDC_CARRIER_LBW_UPDOWN, carrierLoop.upDownLow, carrierLoop.upDownHigh);
    auto redraw = [this] { Redraw(); };
    page.BindUpDown(
        IDC_IF_BANDWIDTH_UPDOWN, false,
        [&page](int p) { return page.Comm().SetChannelIfBandwidth(page.Channel(), p & 31); },
        redraw);
    page.BindUpDown(
        IDC_CARRIER_LBW_UPDOWN, true, [this](int p) { return ChangeCarrierLoop(p); }, redraw);
    page.BindToggle(
        IDC_ASSISTED, [&page] { return page.ToggleRecordFlag(&ChannelSetup::assistedAcquisition); },
        redraw);
    if (!channelFilters) {
        return;
    }
    page.SetRange(IDC_AM_FILTER_UPDOWN, 0, 31);
    page.BindUpDown(
        IDC_AM_FILTER_UPDOWN, false,
        [&page](int p) { return page.Comm().SetChannelAmFilter(page.Channel(), p & 31); }, redraw);
    page.BindUpDown(
        IDC_VIDEO_FILTER_UPDOWN, false,
        [&page](int p) { return page.Comm().SetChannelVideoFilter(page.Channel(), p & 15); },
        redraw);
    page.BindToggle(
        IDC_AM_INVERT, [&page] { return page.ToggleRecordFlag(&ChannelSetup::amInvert); }, redraw);
}

int32_t FiltersGroup::ChangeCarrierLoop(int position) {
    const uint32_t value =
        m_CarrierLoop.hundredths
            ? std::max<uint32_t>(static_cast<uint32_t>(position) & 0xFF, 5)
            : Clamped(static_cast<uint32_t>(position) & 0xFFFF, m_CarrierLoop.position);
    return m_page.Comm().SetChannelCarrierLoopBandwidth(m_page.Channel(), value);
}

void FiltersGroup::Fill(ChannelSetup& record) {
    const std::string carrier = m_page.Text(IDC_CARRIER_LBW);
    record.carrierLoopBandwidth = static_cast<uint16_t>(
        m_CarrierLoop.hundredths
            ? HundredthsFromText(carrier)
            : ScaledFromText(carrier, 10000, m_CarrierLoop.typed.low, m_CarrierLoop.typed.high));
    record.acquisitionRange = MegahertzTextToHertz32(m_page.Text(IDC_ACQUISITION_RANGE));
}

void FiltersGroup::Redraw() {
    const ChannelSetup& r = m_page.Record();
    const uint32_t channel = m_page.Channel();
    const auto& config = m_page.Comm().m_Config;
    const int index = std::min<int>(r.ifBandwidthIndex, 31);
    m_page.ShowSelector(IDC_IF_BANDWIDTH_UPDOWN, IDC_IF_BANDWIDTH, index,
                        FrequencyText(config.IfBandwidthAt(channel, index)));
    if (m_CarrierLoop.hundredths) {
        const uint16_t carrier = std::clamp<uint16_t>(r.carrierLoopBandwidth, 5, 255);
        m_page.SetText(IDC_CARRIER_LBW, ui::Printf("%.2f", carrier / 100.0));
        m_page.SetPos(IDC_CARRIER_LBW_UPDOWN, carrier);
    } else {
        const uint16_t carrier = std::min<uint16_t>(r.carrierLoopBandwidth, 5000);
        m_page.SetText(IDC_CARRIER_LBW, ui::Printf("%.4f", carrier / 10000.0));
        m_page.SetPos(IDC_CARRIER_LBW_UPDOWN, carrier);
    }
    m_page.SetText(IDC_ACQUISITION_RANGE, MegahertzText(r.acquisitionRange));
    m_page.ShowOnOff(IDC_ASSISTED, r.assistedAcquisition, "Auto", "Manual");
    if (!m_bChannelFilters) {
        return;
    }
    const int am = std::min<int>(r.amFilterIndex, 31);
    m_page.ShowSelector(IDC_AM_FILTER_UPDOWN, IDC_AM_FILTER, am,
                        ui::GroupThousands(config.AmFilterAt(channel, am)) + " Hz");
    m_page.ShowInvert(IDC_AM_INVERT, r.amInvert);
    const int last = std::max(static_cast<int>(config.videoFilterCount[channel]) - 1, 0);
    m_page.SetRange(IDC_VIDEO_FILTER_UPDOWN, 0, last);
    const int video = std::min<int>(r.videoFilterIndex, last);
    m_page.ShowSelector(IDC_VIDEO_FILTER_UPDOWN, IDC_VIDEO_FILTER, video,
                        FrequencyText(config.VideoFilterAt(channel, video)));
}

// --- De-emphasis and SS-FM invert ---

DeEmphasisGroup::DeEmphasisGroup(SetupPage& page, FiltersGroup& filters) : SetupGroup(page) {
    page.SetRange(IDC_DEEMPHASIS_UPDOWN, 0, 3);
    page.BindUpDown(
        IDC_DEEMPHASIS_UPDOWN, true, [this](int p) { return Change(p); },
        [this, &filters] {
            Redraw();
            filters.Redraw();
        });
    page.BindToggle(
        IDC_SSFM_INVERT, [&page] { return page.ToggleRecordFlag(&ChannelSetup::ssfmInvert); },
        [this] { Redraw(); });
}

// The filter that passes the de-emphasis's video bandwidth goes with it.
int32_t DeEmphasisGroup::Change(int position) {
    CKV90T1_Comm& comm = m_page.Comm();
    const uint32_t channel = m_page.Channel();
    const uint32_t deEmphasis = position >= 0 && position < 4 ? static_cast<uint32_t>(position) : 0;
    const ChannelSetup& r = m_page.Record();
    comm.EstimateVideoBandwidth(channel, deEmphasis, r.pcmCode & 0x7F, r.bitRate, 0.7f);
    const uint32_t filter = FirstFilterAtLeast(
        protocol::kVideoFilterEntries, comm.m_Estimates[channel].videoBandwidth,
        [&comm, channel](uint32_t i) { return comm.m_Config.VideoFilterAt(channel, i); });
    return comm.SetChannelDeEmphasis(channel, deEmphasis, filter);
}

void DeEmphasisGroup::Redraw() {
    const ChannelSetup& r = m_page.Record();
    const int row = r.deEmphasis < 4 ? static_cast<int>(r.deEmphasis) : 0;
    m_page.ShowSelector(IDC_DEEMPHASIS_UPDOWN, IDC_DEEMPHASIS, row, kDeEmphases[row]);
    m_page.ShowInvert(IDC_SSFM_INVERT, r.ssfmInvert);
}

// --- Input data ---

const InputDataBinding kInputDataI{IDC_BIT_RATE,
                                   IDC_PCM_CODE,
                                   IDC_PCM_CODE_UPDOWN,
                                   IDC_LOOP_BANDWIDTH,
                                   IDC_LOOP_BANDWIDTH_UPDOWN,
                                   &ChannelSetup::bitRate,
                                   &ChannelSetup::pcmCode,
                                   &ChannelSetup::loopBandwidth,
                                   &CKV90T1_Comm::SetChannelPcmCode,
                                   &CKV90T1_Comm::SetChannelLoopBandwidth,
                                   true};

const InputDataBinding kInputDataQ{IDC_Q_BIT_RATE,
                                   IDC_Q_PCM_CODE,
                                   IDC_Q_PCM_CODE_UPDOWN,
                                   IDC_Q_LOOP_BANDWIDTH,
                                   IDC_Q_LOOP_BANDWIDTH_UPDOWN,
                                   &ChannelSetup::qBitRate,
                                   &ChannelSetup::qPcmCode,
                                   &ChannelSetup::qLoopBandwidth,
                                   &CKV90T1_Comm::SetChannelQPcmCode,
                                   &CKV90T1_Comm::SetChannelQLoopBandwidth,
                                   false};

InputDataGroup::InputDataGroup(SetupPage& page, const InputDataBinding& binding,
                               const InputDataLimits& limits)
    : SetupGroup(page), m_Binding(binding), m_Limits(limits) {
    page.SetEntryFont({binding.bitRate, binding.loop});
    page.SetRange(binding.pcmCodeUpDown, 0, 24);
    page.SetRange(binding.loopUpDown, 5, limits.loopUpDownHigh);
    auto redraw = [this] { Redraw(); };
    page.BindUpDown(
        binding.pcmCodeUpDown, false, [this](int p) { return ChangePcmCode(p); }, redraw);
    page.BindUpDown(
        binding.loopUpDown, false,
        [&page, setter = binding.setLoop](int p) {
            return (page.Comm().*setter)(page.Channel(), std::max(p & 0xFF, 5));
        },
        redraw);
}

int32_t InputDataGroup::ChangePcmCode(int position) {
    const uint32_t code = kPcmCodes[std::min(position & 31, 24)].code;
    CKV90T1_Comm& comm = m_page.Comm();
    if (m_Binding.estimatesOnPcmCode) {
        const ChannelSetup& r = m_page.Record();
        comm.EstimateIfBandwidth(m_page.Channel(), r.codeRateSelector, code, r.pskSubmode,
                                 r.bitRate, static_cast<int32_t>(r.modIndexTracking), r.maxModIndex,
                                 r.startModIndex, 0.0f);
    }
    return (comm.*m_Binding.setPcmCode)(m_page.Channel(), code);
}

void InputDataGroup::Fill(ChannelSetup& record) {
    record.*m_Binding.bitRateField =
        BitRateFromText(m_page.Text(m_Binding.bitRate), m_Limits.maximumBitRate);
    record.*m_Binding.loopField = static_cast<uint8_t>(
        Clamped(HundredthsFromText(m_page.Text(m_Binding.loop)), m_Limits.typedLoop));
}

void InputDataGroup::Redraw() {
    const ChannelSetup& r = m_page.Record();
    m_page.SetText(m_Binding.bitRate, ui::GroupThousands(r.*m_Binding.bitRateField));
    const int row = PcmCodeRow(r.*m_Binding.pcmCodeField);
    m_page.ShowSelector(m_Binding.pcmCodeUpDown, m_Binding.pcmCode, row, kPcmCodes[row].name);
    const uint8_t loop = std::max<uint8_t>(r.*m_Binding.loopField, 5);
    m_page.SetText(m_Binding.loop, ui::Printf("%.2f", loop / 100.0));
    m_page.SetPos(m_Binding.loopUpDown, loop);
}

// --- Output data ---

const OutputDataBinding kOutputDataI{IDC_OUTPUT_PCM_CODE,
                                     IDC_OUTPUT_PCM_CODE_UPDOWN,
                                     IDC_CLOCK_PHASE,
                                     IDC_CLOCK_PHASE_UPDOWN,
                                     IDC_OUTPUT_INVERTED,
                                     &OutputDataSetup::pcmCode,
                                     &OutputDataSetup::clockPhase,
                                     &OutputDataSetup::inverted,
                                     &CKV90T1_Comm::SetOutputPcmCode,
                                     &CKV90T1_Comm::SetOutputClockPhase,
                                     &CKV90T1_Comm::SetOutputInverted};

const OutputDataBinding kOutputDataQ{IDC_Q_OUTPUT_PCM_CODE,
                                     IDC_Q_OUTPUT_PCM_CODE_UPDOWN,
                                     IDC_Q_CLOCK_PHASE,
                                     IDC_Q_CLOCK_PHASE_UPDOWN,
                                     IDC_Q_OUTPUT_INVERTED,
                                     &OutputDataSetup::qPcmCode,
                                     &OutputDataSetup::qClockPhase,
                                     &OutputDataSetup::qInverted,
                                     &CKV90T1_Comm::SetQOutputPcmCode,
                                     &CKV90T1_Comm::SetQOutputClockPhase,
                                     &CKV90T1_Comm::SetQOutputInverted};

OutputDataGroup::OutputDataGroup(SetupPage& page, const OutputDataBinding& binding,
                                 bool unknownPhase)
    : SetupGroup(page), m_Binding(binding), m_bUnknownPhase(unknownPhase) {
    page.SetRange(binding.pcmCodeUpDown, 0, 24);
    page.SetRange(binding.clockPhaseUpDown, 0, 3);
    auto redraw = [this] { Redraw(); };
    page.BindUpDown(
        binding.pcmCodeUpDown, false,
        [&page, setter = binding.setPcmCode](int p) {
            return (page.Comm().*setter)(page.Channel(), kPcmCodes[std::min(p & 31, 24)].code);
        },
        redraw);
    page.BindUpDown(
        binding.clockPhaseUpDown, false,
        [&page, setter = binding.setClockPhase](int p) {
            return (page.Comm().*setter)(page.Channel(), p >= 0 && p < 4 ? p : 0);
        },
        redraw);
    page.BindToggle(
        binding.inverted,
        [&page, &binding] {
            const uint32_t held = page.OutputData().*binding.invertedField;
            return (page.Comm().*binding.setInverted)(page.Channel(), held != 0 ? 0 : 1);
        },
        redraw);
}

void OutputDataGroup::Redraw() {
    const OutputDataSetup& d = m_page.OutputData();
    const int row = PcmCodeRow(d.*m_Binding.pcmCodeField & 0x7F);
    m_page.ShowSelector(m_Binding.pcmCodeUpDown, m_Binding.pcmCode, row, kPcmCodes[row].name);
    const uint32_t stored = d.*m_Binding.clockPhaseField;
    const int phase = stored < 4 ? static_cast<int>(stored) : 0;
    m_page.ShowSelector(m_Binding.clockPhaseUpDown, m_Binding.clockPhase, phase,
                        stored >= 4 && m_bUnknownPhase ? "Unknown" : kClockPhases[phase]);
    m_page.ShowTwoState(m_Binding.inverted, d.*m_Binding.invertedField, "Inverted", "Normal");
}

// --- Modulation index ---

ModIndexGroup::ModIndexGroup(SetupPage& page) : SetupGroup(page) {
    auto redraw = [this] { Redraw(); };
    for (auto [upDown, setter] :
         {std::pair{IDC_MIN_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelMinModIndex},
          std::pair{IDC_START_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelStartModIndex},
          std::pair{IDC_MAX_MOD_INDEX_UPDOWN, &CKV90T1_Comm::SetChannelMaxModIndex}}) {
        page.SetRange(upDown, 9, 249);
        page.BindUpDown(
            upDown, false,
            [&page, s = setter](int p) {
                return (page.Comm().*s)(page.Channel(), static_cast<uint32_t>(p));
            },
            redraw);
    }
    page.Bind(
        IDC_MOD_INDEX_TRACKING,
        {ui::Drain::Silent,
         ui::Gated([&page] { return page.Comm().m_nOperationalMode == protocol::kModeMsPcmFmGmsk; },
                   [&page](int) { return page.ToggleRecordFlag(&ChannelSetup::modIndexTracking); }),
         redraw});
}

void ModIndexGroup::Fill(ChannelSetup& record) {
    record.minModIndex = ModIndexFromText(m_page.Text(IDC_MIN_MOD_INDEX));
    record.startModIndex = ModIndexFromText(m_page.Text(IDC_START_MOD_INDEX));
    record.maxModIndex = ModIndexFromText(m_page.Text(IDC_MAX_MOD_INDEX));
}

void ModIndexGroup::Redraw() {
    const ChannelSetup& r = m_page.Record();
    for (auto [edit, upDown, byte] :
         {std::tuple{IDC_MIN_MOD_INDEX, IDC_MIN_MOD_INDEX_UPDOWN, r.minModIndex},
          std::tuple{IDC_START_MOD_INDEX, IDC_START_MOD_INDEX_UPDOWN, r.startModIndex},
          std::tuple{IDC_MAX_MOD_INDEX, IDC_MAX_MOD_INDEX_UPDOWN, r.maxModIndex}}) {
        m_page.SetText(edit, ModIndexText(byte));
        m_page.SetPos(upDown, byte);
    }
    m_page.ShowOnOff(IDC_MOD_INDEX_TRACKING, r.modIndexTracking, "Enabled", "Disabled");
}

// --- Submode ---

SubmodeGroup::SubmodeGroup(SetupPage& page, List list, ModIndexGroup* modIndexes)
    : SetupGroup(page), m_List(list), m_pModIndexes(modIndexes) {
    page.SetRange(IDC_SUBMODE_UPDOWN, 0, 1);
    auto redraw = [this] {
        Redraw();
        if (m_pModIndexes != nullptr) {
            m_pModIndexes->Redraw();
        }
    };
    if (list == List::PcmFm) {
        page.BindUpDown(
            IDC_SUBMODE_UPDOWN, true, [this](int p) { return ChangePcmFm(p); }, redraw,
            ui::BeepWhen::OnFailure);
    } else {
        page.BindUpDown(
            IDC_SUBMODE_UPDOWN, false, [this](int p) { return ChangePsk(p); }, redraw);
    }
}

// The up-down names a position in the device's list of PCM/FM submodes.
int32_t SubmodeGroup::ChangePcmFm(int position) {
    const int p = position & 0xFF;
    const uint32_t submode = p < 2 ? m_page.Comm().m_Options.pcmFmSubmodes[p] : 2;
    if (submode > 1) {
        ui::FeedbackBeep(false);
    }
    const ChannelSetup& r = m_page.Record();
    const bool gmsk = submode == 1;
    m_page.Comm().EstimateIfBandwidth(
        m_page.Channel(), r.codeRateSelector, r.pcmCode, r.pskSubmode, r.bitRate,
        gmsk ? 0 : static_cast<int32_t>(r.modIndexTracking), gmsk ? 29.0f : r.maxModIndex,
        gmsk ? 24.0f : r.startModIndex, 1.0f);
    return m_page.Comm().SetChannelPcmFmSubmode(m_page.Channel(), submode);
}

// The up-down names a slot of the device's nine-slot list of PSK submodes.
int32_t SubmodeGroup::ChangePsk(int position) {
    const int p = position & 0xFF;
    const uint32_t submode =
        p < protocol::kPskSubmodeSlots ? m_page.Comm().m_Options.pskSubmodes[p] : 9;
    if (submode > 8) {
        ui::FeedbackBeep(false);
    }
    const ChannelSetup& r = m_page.Record();
    m_page.Comm().EstimateIfBandwidth(m_page.Channel(), r.codeRateSelector, r.pcmCode, submode,
                                      r.bitRate, static_cast<int32_t>(r.modIndexTracking),
                                      r.maxModIndex, r.startModIndex, 1.0f);
    return m_page.Comm().SetChannelPskSubmode(m_page.Channel(), submode);
}

void SubmodeGroup::Redraw() {
    const protocol::InstalledOptions& options = m_page.Comm().m_Options;
    const bool psk = m_List == List::Psk;
    const uint8_t* list = psk ? options.pskSubmodes : options.pcmFmSubmodes;
    const int slotCount = psk ? protocol::kPskSubmodeSlots : protocol::kPcmFmSubmodeSlots;
    const uint32_t submode = psk ? m_page.Record().pskSubmode : m_page.Record().pcmFmSubmode;
    if (psk) {
        const int used = static_cast<int>(
            std::count_if(list, list + slotCount, [](uint8_t slot) { return slot != 9; }));
        m_page.SetRange(IDC_SUBMODE_UPDOWN, 0, std::max(used - 1, 1));
    }
    const auto found = std::find(list, list + slotCount, submode);
    if (found == list + slotCount) {
        m_page.ShowSelector(IDC_SUBMODE_UPDOWN, IDC_SUBMODE, 0, "");
        return;
    }
    m_page.ShowSelector(
        IDC_SUBMODE_UPDOWN, IDC_SUBMODE, static_cast<int>(found - list),
        psk ? protocol::PskSubmodeName(submode) : protocol::PcmFmSubmodeName(submode));
}

// --- Combiner ---

// The type's and the toggles' rules redraw only what they changed: bandwidths typed and not yet
// sent stay in their edits.
CombinerGroup::CombinerGroup(SetupPage& page) : SetupGroup(page) {
    page.SetEntryFont({IDC_SIGNAL_BANDWIDTH, IDC_SNR_FILTER_BANDWIDTH, IDC_PHASE_FILTER_BANDWIDTH});
    page.SetRange(IDC_COMBINER_TYPE_UPDOWN, 0, 4);
    page.BindUpDown(
        IDC_COMBINER_TYPE_UPDOWN, false, [this](int p) { return ChangeType(p); },
        [this] { RedrawType(); });
    for (auto [toggle, flag] :
         {std::pair{IDC_REAL_COMBINING, &protocol::CombinerSetup::realCombining},
          std::pair{IDC_UPSAMPLE, &protocol::CombinerSetup::upsample}}) {
        page.BindToggle(
            toggle, [this, f = flag] { return ToggleFlag(f); }, [this] { RedrawToggles(); });
    }
}

// The held combiner setup with one flag inverted.
int32_t CombinerGroup::ToggleFlag(uint32_t protocol::CombinerSetup::*flag) {
    protocol::CombinerSetup c = m_page.Comm().m_Combiner;
    c.*flag = c.*flag != 0 ? 0 : 1;
    return m_page.Comm().SetCombinerSetup(m_page.Comm().m_nCombinerSignalBandwidth, c);
}

int32_t CombinerGroup::ChangeType(int position) {
    return m_page.Comm().SetCombinerType(position >= 5 ? 4 : static_cast<uint32_t>(position));
}

int32_t CombinerGroup::AfterSend() {
    protocol::CombinerSetup c = m_page.Comm().m_Combiner;
    c.snrFilterBandwidth = GroupedFromText(m_page.Text(IDC_SNR_FILTER_BANDWIDTH));
    c.phaseFilterBandwidth = GroupedFromText(m_page.Text(IDC_PHASE_FILTER_BANDWIDTH));
    return m_page.Comm().SetCombinerSetup(GroupedFromText(m_page.Text(IDC_SIGNAL_BANDWIDTH)), c);
}

void CombinerGroup::Redraw() {
    const protocol::CombinerSetup& c = m_page.Comm().m_Combiner;
    m_page.SetText(IDC_SIGNAL_BANDWIDTH,
                   ui::GroupThousands(m_page.Comm().m_nCombinerSignalBandwidth));
    m_page.SetText(IDC_SNR_FILTER_BANDWIDTH, ui::GroupThousands(c.snrFilterBandwidth));
    m_page.SetText(IDC_PHASE_FILTER_BANDWIDTH, ui::GroupThousands(c.phaseFilterBandwidth));
    RedrawType();
    RedrawToggles();
}

void CombinerGroup::RedrawType() {
    const uint32_t stored = m_page.Comm().m_Combiner.type;
    const int type = stored < 5 ? static_cast<int>(stored) : 4;
    m_page.ShowSelector(IDC_COMBINER_TYPE_UPDOWN, IDC_COMBINER_TYPE, type, kCombinerTypes[type]);
}

void CombinerGroup::RedrawToggles() {
    const protocol::CombinerSetup& c = m_page.Comm().m_Combiner;
    m_page.ShowTwoState(IDC_REAL_COMBINING, c.realCombining, "Real", "Complex");
    m_page.ShowTwoState(IDC_UPSAMPLE, c.upsample, "Do Upsample", "Don't Upsample");
}

}  // namespace setup
