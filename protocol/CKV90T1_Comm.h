#pragma once
// The protocol object: command frames and request/response transactions with the device, and
// the device state that replies fill (plain fields that windows read directly). One transaction
// at a time, from the window thread only; nothing here locks.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

#include "protocol/device_state.h"
#include "protocol/operational_modes.h"

class CBaseClass;

class CKV90T1_Comm {
public:
    static constexpr int kHeaderLength = 6;
    static constexpr uint16_t kHeaderWord = 0x0028;
    static constexpr int32_t kDefaultTimeoutMs = 1000;
    static constexpr int32_t kModeTimeoutMs = 25000;

    explicit CKV90T1_Comm(CBaseClass* deviceLink);
    virtual ~CKV90T1_Comm();
    CKV90T1_Comm(const CKV90T1_Comm&) = delete;
    CKV90T1_Comm& operator=(const CKV90T1_Comm&) = delete;

    virtual CBaseClass* GetDeviceLink();

    // --- Transactions (transaction.cpp) ---
    // Sends the frame in `request` (payload from offset 6, header filled in here) and reads the
    // reply, its header and replyLength payload bytes, into `reply` within the default
    // time-out. Nonzero when the whole reply arrived in time.
    int32_t SendCommand(uint16_t code, uint8_t* request, uint16_t requestLength, uint8_t* reply,
                        uint16_t replyLength);
    // The same with the time-out given in milliseconds; a time-out is logged.
    int32_t SendCommandLongTimeout(int32_t timeoutMs, uint16_t code, uint8_t* request,
                                   uint16_t requestLength, uint8_t* reply, uint16_t replyLength);
    // The null command. The transaction result; m_nLastStatus tells whether the reply was the
    // expected one.
    int32_t SendNullCommand();
    // How many transactions were refused because another one was still in progress (one that
    // a window message or a repaint started while the first waited). Always 0 when every
    // caller keeps to one transaction at a time.
    uint32_t NestedTransactions() const { return m_nNestedTransactions; }
    bool InTransaction() const { return m_bInTransaction; }
    // How many transactions of all protocol objects are under way (any thread may ask: tests
    // move the clock on only between transactions, so that no reply is cut short).
    static int TransactionsInFlight() { return s_transactionsInFlight; }
    // The code of the last transaction that failed (0 when none has).
    uint16_t LastFailedCode() const { return m_nLastFailedCode; }

    // --- Identity (identity.cpp) ---
    int32_t ReadDeviceIdentity();
    int32_t ReadDeviceId();
    int32_t ReadNetworkSettings();
    int32_t ReadParameterPage(uint8_t page);
    int32_t ReadNetworkPage();

    // --- Configuration (configuration.cpp) ---
    int32_t ReadOperationalMode();
    // Reads the mode after a change: a read that fails leaves the mode state as it was, and a
    // mode other than the one held gets its defaults.
    int32_t ReadBackOperationalMode();
    int32_t ReadSystemPages();
    int32_t ReadInstalledOptions();
    int32_t ReadDeviceConfiguration();
    // Rewrites the rate-dependent loop and acquisition values of the three records for the
    // current mode.
    void ApplyModeDefaults();

    // --- Mode and channel setup (channel_setup.cpp) ---
    int32_t SetOperationalMode(uint32_t mode, uint32_t option);
    int32_t SetChannelSetup(uint32_t path, const protocol::ChannelSetup& record);
    int32_t SendPskChannelSetup(uint32_t path);
    int32_t SendPcmFmChannelSetup(uint32_t path);
    int32_t SendMhcpmChannelSetup(uint32_t path);
    int32_t SendBitSyncChannelSetup(uint32_t path);
    int32_t ReadChannelSetup(uint32_t path);

    // --- One-field setters (channel_setters.cpp) ---
    int32_t SetChannelInputSelect(uint32_t path, uint32_t value);
    int32_t SetChannelPskSubmode(uint32_t path, uint32_t value);
    int32_t SetChannelPcmFmSubmode(uint32_t path, uint32_t value);
    int32_t SetChannelIfBandwidth(uint32_t path, uint32_t value);
    int32_t SetChannelVideoFilter(uint32_t path, uint32_t value);
    int32_t SetChannelAgcTimeConstant(uint32_t path, uint32_t value);
    int32_t SetChannelAmFilter(uint32_t path, uint32_t value);
    int32_t SetChannelDeEmphasis(uint32_t path, uint32_t deEmphasis, uint32_t videoFilterIndex);
    int32_t SetChannelPcmCode(uint32_t path, uint32_t value);
    int32_t SetChannelLoopBandwidth(uint32_t path, uint32_t value);
    int32_t SetChannelQPcmCode(uint32_t path, uint32_t value);
    int32_t SetChannelQLoopBandwidth(uint32_t path, uint32_t value);
    int32_t SetChannelCarrierLoopBandwidth(uint32_t path, uint32_t value);
    int32_t SetChannelMaxModIndex(uint32_t path, uint32_t value);
    int32_t SetChannelMinModIndex(uint32_t path, uint32_t value);
    int32_t SetChannelStartModIndex(uint32_t path, uint32_t value);

    // --- Bandwidth estimates (bandwidth_estimates.cpp); no transaction ---
    void EstimateIfBandwidth(uint32_t path, uint32_t codeRateSelector, uint32_t pcmCode,
                             uint32_t pskSubmode, uint32_t bitRate, int32_t useMaximum,
                             float maxModIndex, float startModIndex, float factor);
    void EstimateVideoBandwidth(uint32_t path, uint32_t deEmphasis, uint32_t pcmCode,
                                uint32_t bitRate, float factor);

    // --- System, maintenance and firmware transfer (system_commands.cpp) ---
    // Sub-command and up to five argument bytes; the reply lands in m_SystemControlReply.
    int32_t SendSystemControl(uint8_t subCommand, uint8_t argument1 = 0, uint8_t argument2 = 0);
    int32_t SetUdpTimeToLive(uint8_t timeToLive);
    int32_t StartDspFlash();
    int32_t EndDspFlash(uint32_t dsp);
    int32_t SetDataStreamDestination(uint32_t index, uint32_t enable, uint32_t address,
                                     uint16_t port);
    int32_t SetSetupsOptions(uint32_t useAtBoot);
    int32_t SaveSetups();
    int32_t SendDspFlashBlock(uint32_t dsp, const uint8_t* data, uint16_t length);
    int32_t ProgramFPGA_ConfigEEPROMPage(uint32_t memory, uint32_t address, const uint8_t* data);
    int32_t BulkEraseFPGA_ConfigEEPROM(uint32_t memory);
    int32_t QueryFPGA_ConfigEEPROM_BulkEraseDone();
    int32_t SelectFPGA_Personality(uint32_t memory);
    int32_t ReadPhysicalValues();
    int32_t ReadHardwareRegister(uint8_t registerNumber, uint16_t* value);
    void ReadSupplyVoltageRange();
    void ReadTemperatureRange();
    void ReadTotalRuntime();

    // --- Live status (status_reads.cpp) ---
    int32_t ReadChannelStatus(uint32_t channel);
    int32_t ReadFrameSyncStatus(uint32_t channel);
    int32_t ReadTimeStatus();

    // --- Output, output-data and combiner setups (output_setup.cpp) ---
    int32_t SendPskOutputSetup(uint32_t path);
    int32_t SendPcmFmOutputSetup(uint32_t path);
    int32_t SendMhcpmOutputSetup(uint32_t path);
    int32_t SendBitSyncOutputSetup(uint32_t path);
    int32_t ResetOutputSetup(uint32_t path);
    int32_t SendPskOutputDataSetup(uint32_t path);
    int32_t SendPcmFmOutputDataSetup(uint32_t path);
    int32_t SendMhcpmOutputDataSetup(uint32_t path);
    int32_t SendBitSyncOutputDataSetup(uint32_t path);
    int32_t SetOutputDataSetup(uint32_t path, uint32_t firstFlag, uint32_t flag2, uint32_t flag3,
                               uint32_t flag4, uint32_t selector, uint32_t pcmCode,
                               uint32_t qPcmCode, uint32_t fieldA, uint32_t fieldB, uint32_t qFlag3,
                               uint32_t qFlag4, uint32_t enhancedAcquisition, uint32_t outputFlag1,
                               uint32_t outputFlag2, uint32_t outputFlag3, uint32_t outputFlag4);
    // The same with the fields as a record; what the mode's family does not send is ignored.
    int32_t SetOutputDataSetup(uint32_t path, const protocol::OutputDataSetup& setup);
    int32_t SetOutputPcmCode(uint32_t path, uint32_t value);
    int32_t SetOutputInverted(uint32_t path, uint32_t value);
    int32_t SetOutputClockPhase(uint32_t path, uint32_t value);
    int32_t SetQOutputPcmCode(uint32_t path, uint32_t value);
    int32_t SetQOutputInverted(uint32_t path, uint32_t value);
    int32_t SetQOutputClockPhase(uint32_t path, uint32_t value);
    int32_t SetEnhancedAcquisition(uint32_t path, uint32_t value);
    int32_t SetCombinerSetup(uint32_t signalBandwidth, uint32_t snrFilterBandwidth,
                             uint32_t phaseFilterBandwidth, uint32_t type, uint32_t realCombining,
                             uint32_t upsample, uint32_t ifFrequency0, uint32_t ifFrequency1);
    // The same with the fields as a record, and the channels' IF frequencies as held.
    int32_t SetCombinerSetup(uint32_t signalBandwidth, const protocol::CombinerSetup& setup);
    int32_t SetCombinerType(uint32_t type);
    int32_t SendPskCombinerSetup();
    int32_t SendPcmFmCombinerSetup();
    int32_t SendMhcpmCombinerSetup();
    int32_t ReadOutputSetup(uint32_t path);
    int32_t ReadCombinerSetup();

    // --- Receive testers (testers.cpp) ---
    int32_t SendBertSetup(uint32_t unit, uint32_t stream, uint8_t enabled, uint8_t invertClock,
                          uint8_t pattern, uint8_t lengthValue, uint32_t word, uint8_t byteValue,
                          uint8_t modeValue);
    int32_t SetBertPattern(uint32_t unit, uint32_t stream, uint8_t pattern);
    int32_t ReadBertStatus(uint32_t unit, uint32_t stream);

    // --- Time code (time_code.cpp) ---
    int32_t SendTimeCodeSetup(const protocol::TimeCodeSetup& setup);
    int32_t ReadTimeCodeSetup();

    // --- Data acquisition unit (dau.cpp) ---
    int32_t SendDauChannelSetup(uint32_t channel, uint32_t bandwidth, uint32_t samples,
                                uint32_t basebandInput, uint32_t singleEndedInput,
                                uint32_t impedance);
    int32_t SetDauSamplesPerDatagram(uint32_t channel, uint32_t samples);
    int32_t ReadDauChannelSetup(uint32_t channel);
    int32_t SendDauDacSetup(uint32_t channel, uint32_t gain, uint32_t baseline);
    int32_t SetDauDacGain(uint32_t channel, uint32_t value);
    int32_t SetDauDacBaseline(uint32_t channel, uint32_t value);
    int32_t ReadDauDacSetup(uint32_t channel);
    int32_t ReadDauAdcBins(uint32_t channel);

    // --- Recorder (recorder.cpp) ---
    int32_t ReadRecordingDirectory(uint32_t channel, uint32_t block);
    int32_t ReadRecorderStatus();
    int32_t SelectRecordingFile(uint32_t channel, uint32_t file);
    int32_t ReadRecorderInfo();
    int32_t RepairLastFile(uint32_t channel);

    // --- Tape converter (tape.cpp) ---
    int32_t SendTapeSetup(uint32_t channel, uint32_t upConverter, uint32_t bandwidth,
                          uint32_t inputFrequency, uint32_t outputFrequency, uint32_t inputSelect);
    int32_t SetTapeBandwidth(uint32_t channel, uint32_t value);
    int32_t SetTapeInputSelect(uint32_t channel, uint32_t value);
    int32_t SendTapeOutputSetup(uint32_t channel, uint32_t code, uint32_t dacValue);
    int32_t SendTapeIfOutputSetup(uint32_t selector, uint32_t value);
    int32_t ReadTapeIfOutputSetup();
    int32_t ReadTapeChannelSetup(uint32_t channel);
    int32_t ReadTapeOutputSetup(uint32_t channel);

    // While it lives, `report` is called about every 50 ms with the time waited so far while a
    // transaction waits for its reply, so that a window keeps painting through a long one (a
    // mode change, an unanswered firmware page). The report before it comes back at its end.
    class WaitReport {
    public:
        WaitReport(CKV90T1_Comm& comm, std::function<void(uint32_t elapsedMs)> report)
            : m_comm(comm), m_previous(std::exchange(comm.m_WhileWaiting, std::move(report))) {}
        ~WaitReport() { m_comm.m_WhileWaiting = std::move(m_previous); }
        WaitReport(const WaitReport&) = delete;
        WaitReport& operator=(const WaitReport&) = delete;

    private:
        CKV90T1_Comm& m_comm;
        std::function<void(uint32_t)> m_previous;
    };

    // While it lives, transactions that use the default time-out wait at most `timeoutMs`; the
    // default comes back at its end.
    class ShorterTimeout {
    public:
        ShorterTimeout(CKV90T1_Comm& comm, int32_t timeoutMs)
            : m_comm(comm), m_previous(comm.m_nDefaultTimeout) {
            comm.m_nDefaultTimeout = std::min(m_previous, timeoutMs);
        }
        ~ShorterTimeout() { m_comm.m_nDefaultTimeout = m_previous; }
        ShorterTimeout(const ShorterTimeout&) = delete;
        ShorterTimeout& operator=(const ShorterTimeout&) = delete;

    private:
        CKV90T1_Comm& m_comm;
        const int32_t m_previous;
    };

    // Transaction state.
    CBaseClass* const m_pDeviceLink;
    int32_t m_nDefaultTimeout = kDefaultTimeoutMs;
    int32_t m_nModeTimeout = kModeTimeoutMs;  // the mode command's; tests shorten it
    int32_t m_nLastStatus = 0;
    uint8_t m_NullReply[kHeaderLength] = {};

    // Identity, network and configuration.
    protocol::DeviceIdentity m_Identity;
    protocol::NetworkPage m_NetworkPage;
    uint16_t m_PageBuffer[protocol::kPageWords] = {};
    int32_t m_nPageNumber = 0;
    protocol::SystemPages m_SystemPages;
    protocol::DeviceConfiguration m_Config;
    protocol::InstalledOptions m_Options;
    uint32_t m_nOperationalMode = 0;
    uint8_t m_bModeOption = 0;
    uint8_t m_ModeList[protocol::kModeListLength] = {};

    // The three channel setup records: channel 1, channel 2, combiner path.
    protocol::ChannelSetup m_ChannelSetup[protocol::kPathCount];
    protocol::PathEstimates m_Estimates[protocol::kPathCount];
    uint32_t m_nCombinerSignalBandwidth = 0;  // Hz, from the channel 1 IF estimate

    protocol::TapeChannel m_Tape[protocol::kPathCount];
    protocol::TapeIfOutput m_TapeIfOutput;

    protocol::SystemState m_System;
    uint8_t m_SystemControlReply[4] = {};
    protocol::ChannelStatus m_ChannelStatus[protocol::kPathCount];
    protocol::TimeStatus m_TimeStatus;
    protocol::OutputSetup m_OutputSetup[protocol::kPathCount];
    protocol::OutputDataSetup m_OutputData[protocol::kPathCount];
    protocol::CombinerSetup m_Combiner;
    protocol::BertStream m_Bert[6];  // unit x 2 + stream
    protocol::TimeCodeSetup m_TimeCode;
    protocol::DauChannel m_Dau[2];
    protocol::RecorderChannel m_Recorder[3];
    uint32_t m_nDownloadAddress = 0;  // IPv4, as sent: first byte most significant
    uint16_t m_nDownloadPort = 0;

private:
    // A transaction whose request is the single byte `value`.
    int32_t SendByteCommand(uint16_t code, uint8_t value, uint8_t* reply, uint16_t replyLength);

    // The reply of a read-back: room for the header and `N` payload bytes, zeroed, so that the
    // buffer and the length the transaction expects are one number.
    template <uint16_t N>
    struct ReplyBuffer {
        uint8_t bytes[kHeaderLength + N] = {};
        const uint8_t* Payload() const { return bytes + kHeaderLength; }
    };
    // A read-back with no request payload, or with the single byte `value`.
    template <uint16_t N>
    int32_t ReadBack(uint16_t code, ReplyBuffer<N>& reply) {
        uint8_t request[kHeaderLength];
        return SendCommand(code, request, 0, reply.bytes, N);
    }
    template <uint16_t N>
    int32_t ReadBack(uint16_t code, uint8_t value, ReplyBuffer<N>& reply) {
        return SendByteCommand(code, value, reply.bytes, N);
    }

    struct Outcome {
        int32_t result = 0;
        bool timedOut = false;
        uint16_t received = 0;
    };
    Outcome Transact(int32_t timeoutMs, uint16_t code, uint8_t* request, uint16_t requestLength,
                     uint8_t* reply, uint16_t replyLength);
    void Realign(uint16_t code, const uint8_t* reply, int32_t timeoutMs);
    Outcome Exchange(int32_t timeoutMs, uint16_t code, uint8_t* request, uint16_t requestLength,
                     uint8_t* reply, uint16_t replyLength);

    std::function<void(uint32_t elapsedMs)> m_WhileWaiting;
    bool m_bInTransaction = false;
    static inline std::atomic<int> s_transactionsInFlight{0};
    uint32_t m_nNestedTransactions = 0;
    uint16_t m_nLastFailedCode = 0;

    int32_t SendChannelSetup(uint32_t path, protocol::SetupFamily family);
    int32_t SendOutputSetup(uint32_t path, protocol::SetupFamily family);
    int32_t SendOutputDataSetup(uint32_t path, protocol::SetupFamily family);
    int32_t SendCombinerSetup(protocol::SetupFamily family);
    int32_t SendSetupsOptions(uint8_t options);
    int32_t SendTape(uint32_t channel);
    int32_t SendDauChannel(uint32_t channel);
    int32_t SendDauDac(uint32_t channel);
    // Sends the output-data setup again with every stored value.
    int32_t ResendOutputData(uint32_t path);
    // Stores one output-data field, when allowed, and sends the whole setup again.
    int32_t SetOutputDataField(uint32_t path, bool allowed,
                               uint32_t protocol::OutputDataSetup::*field, uint32_t value);
    int32_t ReadLevelSettings();
    void DecodeConfigurationPage(uint8_t page);
    void PickFilterIndices();
    // Changes one field of a copy of the stored record and sends it through SetChannelSetup.
    int32_t SetField(uint32_t path, uint32_t value,
                     void (*change)(protocol::ChannelSetup&, uint32_t));
};
