#pragma once
// The protocol object: command frames and request/response transactions with the device, and
// the device state that replies fill (plain fields that windows read directly). One transaction
// at a time, from the window thread only; nothing here locks.

#include <cstdint>

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

    // --- Identity (identity.cpp) ---
    int32_t ReadDeviceIdentity();
    int32_t ReadDeviceId();
    int32_t ReadNetworkSettings();
    int32_t ReadParameterPage(uint8_t page);
    int32_t ReadNetworkPage();

    // --- Configuration (configuration.cpp) ---
    int32_t ReadOperationalMode();
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

    // --- Tape converter (tape.cpp) ---
    int32_t ReadTapeChannelSetup(uint32_t channel);

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

    // The three channel setup records: channel 1, channel 2, combiner path. Shared by the
    // whole process.
    static protocol::ChannelSetup s_ChannelSetup[protocol::kPathCount];
    protocol::PathEstimates m_Estimates[protocol::kPathCount];
    uint32_t m_nCombinerSignalBandwidth = 0;  // Hz, from the channel 1 IF estimate

    protocol::TapeChannel m_Tape[protocol::kPathCount];

private:
    struct Outcome {
        int32_t result = 0;
        bool timedOut = false;
        uint16_t received = 0;
    };
    Outcome Transact(int32_t timeoutMs, uint16_t code, uint8_t* request, uint16_t requestLength,
                     uint8_t* reply, uint16_t replyLength);

    int32_t SendChannelSetup(uint32_t path, protocol::SetupFamily family);
    int32_t ReadLevelSettings();
    void DecodeConfigurationPage(uint8_t page);
    void PickFilterIndices();
    // Changes one field of a copy of the stored record and sends it through SetChannelSetup.
    int32_t SetField(uint32_t path, uint32_t value,
                     void (*change)(protocol::ChannelSetup&, uint32_t));
};
