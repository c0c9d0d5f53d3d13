#pragma once
// The groups that setup pages are composed of. Each is bound to its controls, record fields,
// setters, ranges and scales by a small description, registers its own rules and redraw, and
// fills its own Send fields; a page family adds a page by declaring its groups.

#include <cstdint>

#include "pages/setup/SetupPage.h"
#include "protocol/operational_modes.h"

namespace setup {

using PathSetter = int32_t (CKV90T1_Comm::*)(uint32_t path, uint32_t value);

// "Tuning Frequency": the frequency in megahertz and the five band statics.
class TuningGroup : public SetupGroup {
public:
    explicit TuningGroup(SetupPage& page);
    void Redraw() override;
    void Fill(protocol::ChannelSetup& record) override;
};

// "Input Select". Position 3 has no entry: refused with the low beep, or (PSK) the low beep
// and still passed to the setter, which refuses it.
class InputSelectGroup : public SetupGroup {
public:
    enum class Three { Refused, BeepAndPass };
    InputSelectGroup(SetupPage& page, Three three);
    void Redraw() override;
};

// "AGC": time constant, "Freeze", AGC mode and "Zero".
class AgcGroup : public SetupGroup {
public:
    explicit AgcGroup(SetupPage& page);
    void Redraw() override;

private:
    int32_t ChangeMode(int position);
};

// The carrier loop bandwidth's scale and limits.
struct CarrierLoop {
    int upDownLow;
    int upDownHigh;
    bool hundredths;            // 5 .. 255 in hundredths; otherwise ten-thousandths
    protocol::Limits position;  // ten-thousandths: what the up-down passes
    protocol::Limits typed;     // ten-thousandths: what the Send passes
};
constexpr CarrierLoop kPcmFmCarrierLoop{0, 5000, false, {0, 5000}, {0, 5000}};
constexpr CarrierLoop kPskCarrierLoop{5, 255, true, {5, 255}, {5, 255}};
constexpr CarrierLoop kMhcpmChannelCarrierLoop{1, 1000, false, {0, 5000}, {0, 5000}};
constexpr CarrierLoop kMhcpmCombinerCarrierLoop{1, 1000, false, {1, 1000}, {1, 1000}};

// "Filters/Carrier": AM filter and AM invert and the video filter (channel pages), IF
// bandwidth, acquisition range, carrier loop bandwidth and "Assisted".
class FiltersGroup : public SetupGroup {
public:
    FiltersGroup(SetupPage& page, bool channelFilters, const CarrierLoop& carrierLoop);
    void Redraw() override;
    void Fill(protocol::ChannelSetup& record) override;

private:
    int32_t ChangeCarrierLoop(int position);

    const bool m_bChannelFilters;
    const CarrierLoop m_CarrierLoop;
};

// "De-Emphsis Filter" with the video filter that passes it, and "SS-FM Invert".
class DeEmphasisGroup : public SetupGroup {
public:
    DeEmphasisGroup(SetupPage& page, FiltersGroup& filters);
    void Redraw() override;

private:
    int32_t Change(int position);
};

// Input data of one stream: bit rate, PCM code and loop bandwidth.
struct InputDataBinding {
    int bitRate, pcmCode, pcmCodeUpDown, loop, loopUpDown;
    uint32_t protocol::ChannelSetup::*bitRateField;
    uint32_t protocol::ChannelSetup::*pcmCodeField;
    uint8_t protocol::ChannelSetup::*loopField;
    PathSetter setPcmCode;
    PathSetter setLoop;
    bool estimatesOnPcmCode;  // the I stream: the IF bandwidth estimate runs first
};
extern const InputDataBinding kInputDataI;
extern const InputDataBinding kInputDataQ;  // the PSK pages' Q stream

struct InputDataLimits {
    uint32_t maximumBitRate;
    int loopUpDownHigh;
    protocol::Limits typedLoop;
};
constexpr InputDataLimits kInputDataLimits{60'000'000, 255, {5, 255}};
constexpr InputDataLimits kMhcpmChannelInputData{60'000'000, 100, {5, 255}};
constexpr InputDataLimits kMhcpmCombinerInputData{60'000'000, 100, {5, 100}};

class InputDataGroup : public SetupGroup {
public:
    InputDataGroup(SetupPage& page, const InputDataBinding& binding, const InputDataLimits& limits);
    void Redraw() override;
    void Fill(protocol::ChannelSetup& record) override;

private:
    int32_t ChangePcmCode(int position);

    const InputDataBinding& m_Binding;
    const InputDataLimits m_Limits;
};

// Output data of one stream: PCM code, clock phase and "Inverted".
struct OutputDataBinding {
    int pcmCode, pcmCodeUpDown, clockPhase, clockPhaseUpDown, inverted;
    uint32_t protocol::OutputDataSetup::*pcmCodeField;
    uint32_t protocol::OutputDataSetup::*clockPhaseField;
    uint32_t protocol::OutputDataSetup::*invertedField;
    PathSetter setPcmCode;
    PathSetter setClockPhase;
    PathSetter setInverted;
};
extern const OutputDataBinding kOutputDataI;
extern const OutputDataBinding kOutputDataQ;

class OutputDataGroup : public SetupGroup {
public:
    // A stored clock phase outside the table shows row 0, or "Unknown" with `unknownPhase`.
    OutputDataGroup(SetupPage& page, const OutputDataBinding& binding, bool unknownPhase = false);
    void Redraw() override;

private:
    const OutputDataBinding& m_Binding;
    const bool m_bUnknownPhase;
};

// "Mod Index": minimum, start and maximum modulation index and tracking ("Enabled").
class ModIndexGroup : public SetupGroup {
public:
    explicit ModIndexGroup(SetupPage& page);
    void Redraw() override;
    void Fill(protocol::ChannelSetup& record) override;
};

// The demodulator submode: a position in the device's list of PCM/FM submodes (two slots) or
// PSK submodes (nine slots, unused ones holding 9).
class SubmodeGroup : public SetupGroup {
public:
    enum class List { PcmFm, Psk };
    // `modIndexes` is redrawn with the submode (GMSK presets the modulation indexes).
    SubmodeGroup(SetupPage& page, List list, ModIndexGroup* modIndexes);
    void Redraw() override;

private:
    int32_t ChangePcmFm(int position);
    int32_t ChangePsk(int position);

    const List m_List;
    ModIndexGroup* m_pModIndexes;
};

// "Combiner": signal, SNR filter and phase filter bandwidths, combiner type, real combining
// and upsampling. The type's up-down sends the type; the Send sends the bandwidths as the
// edits show them, with the held type and real and upsample flags.
class CombinerGroup : public SetupGroup {
public:
    explicit CombinerGroup(SetupPage& page);
    void Redraw() override;
    int32_t AfterSend() override;

private:
    int32_t ChangeType(int position);
    int32_t ToggleFlag(uint32_t protocol::CombinerSetup::*flag);
    void RedrawType();
    void RedrawToggles();
};

}  // namespace setup
