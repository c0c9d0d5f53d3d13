#pragma once
// The device state that replies fill: plain data, read directly by the windows.

#include <cstdint>

namespace protocol {

constexpr int kPathCount = 3;   // channel 1, channel 2, combiner
constexpr int kPageWords = 64;  // words of one parameter page
constexpr int kModeListLength = 20;
constexpr int kBandCount = 10;
constexpr int kIfBandwidthEntries = 32;
constexpr int kVideoFilterEntries = 16;
constexpr int kAmFilterEntries = 32;
constexpr int kAgcTimeConstantEntries = 8;
constexpr int kPskSubmodeSlots = 9;
constexpr int kPcmFmSubmodeSlots = 2;

struct DeviceIdentity {
    uint16_t serialNumberHigh = 0;
    uint16_t serialNumberLow = 0;
    char serialNumberText[16] = {};  // "%4.4X-%0.3u"
    uint32_t dsp1Version = 0;        // date codes, 0x20180724 = 24 July 2018
    uint32_t dsp2Version = 0;
    uint32_t fioFpgaVersion = 0;
    uint32_t bridgeFpgaVersion = 0;
    uint32_t demodFpgaVersion = 0;
    uint8_t dspPcbRevision = 0;
    uint16_t demodFpgaPcbRevision = 0;
    uint16_t ifAnalogPcbRevision = 0;
    uint16_t rfAnalogPcbRevision = 0;
    uint8_t personalityCode = 0;
    char deviceId[17] = {};
    char productText[5][33] = {};  // customer, PO number, PO model, chassis serial, eng. model
    uint8_t dhcpEnabled = 0;
    uint32_t ipAddress = 0;
    int32_t identityRead = 0;
};

struct NetworkPage {
    uint16_t networkFlags = 0;  // DHCP enabled is bit 1 of the low byte
    uint64_t hardwareAddress = 0;
    uint32_t addressValue2 = 0;
    uint32_t addressValue3 = 0;
    // 1 to 255 once read: page 0 sets it, and so does the time-to-live command's reply.
    uint8_t udpTimeToLive = 0;
    uint16_t dauDataPorts[2] = {};  // the UDP ports the DAU channels send from
    int32_t networkPageRead = 0;
};

// Values of parameter pages 2 and 3 that only some pages consult.
struct SystemPages {
    uint8_t networkUpdatePermitted = 0;
    uint8_t setupsAllowSaving = 0;
    uint8_t setupsUseAtBoot = 0;
    uint8_t setupsCh1 = 0;
    uint8_t setupsCh2 = 0;
    uint8_t setupsCh3 = 0;
    uint8_t page2Word12Set = 0;
    uint8_t page2Word19Set = 0;
    uint16_t configurationMemory = 0;  // kept when 1 to 11, else 0
    uint32_t page2Values15_18[2] = {};
    uint32_t page2Values8_11[2] = {};
    uint16_t page3Words32_43[12] = {};

    // The twelve FPGA configuration memories: memories 0 to 7 are described on page 2 (image
    // words 27 to 42), 8 to 11 on page 3 (words 0 to 7); the personality codes are page 2
    // words 44 to 55 and the configuration memory in use is word 43.
    static constexpr int kConfigurationMemories = 12;
    uint32_t memoryImageWords[kConfigurationMemories] = {};
    uint16_t memoryPersonalities[kConfigurationMemories] = {};
    uint32_t MemoryImageWord(int memory) const { return memoryImageWords[memory]; }
    uint16_t MemoryPersonality(int memory) const { return memoryPersonalities[memory]; }
    int ConfigurationMemory() const { return configurationMemory; }
};

struct RssiCalibration {
    float gain = 0;
    float offset = 0;
};

// The boards a hardware configuration ID says are fitted: the demodulator FPGA board (whose
// tables are the IF bandwidths), the IF analog board (video, AM filter and AGC tables) and the
// RF board (band limits and RSSI calibration). Unknown IDs have none.
struct FittedBoards {
    bool known = false;  // one of 34, 124, 234 and 1234
    bool demod = false;
    bool ifAnalog = false;
    bool rf = false;
};

inline FittedBoards BoardsOf(uint16_t hardwareConfigurationId) {
    switch (hardwareConfigurationId) {
        case 34:
            return {true, true, false, false};
        case 124:
            return {true, false, true, true};
        case 234:
            return {true, true, true, false};
        case 1234:
            return {true, true, true, true};
        default:
            return {};
    }
}

struct DeviceConfiguration {
    uint16_t hardwareConfigurationId = 0;        // 34, 124, 234 or 1234
    uint16_t bitSyncTerminations[6] = {};        // channel 1, ohms
    uint64_t bandLimits[2][kBandCount][2] = {};  // per channel, per band: low, high (Hz)
    uint32_t ifBandwidth[kPathCount][kIfBandwidthEntries] = {};  // Hz
    uint32_t videoFilter[2][kVideoFilterEntries] = {};           // Hz
    uint32_t videoFilterCount[2] = {};
    uint16_t amFilter[2][kAmFilterEntries] = {};                // Hz
    uint16_t agcTimeConstant[2][kAgcTimeConstantEntries] = {};  // units of 100 us
    RssiCalibration rssiCalibration[2][kBandCount] = {};
    int32_t configurationRead = 0;

    // Table entries for indices as records and replies carry them; an index or channel beyond
    // a table gives 0.
    uint32_t IfBandwidthAt(uint32_t path, uint32_t index) const {
        return path < kPathCount && index < kIfBandwidthEntries ? ifBandwidth[path][index] : 0;
    }
    uint32_t VideoFilterAt(uint32_t channel, uint32_t index) const {
        return channel < 2 && index < kVideoFilterEntries ? videoFilter[channel][index] : 0;
    }
    uint16_t AmFilterAt(uint32_t channel, uint32_t index) const {
        return channel < 2 && index < kAmFilterEntries ? amFilter[channel][index] : 0;
    }
    uint16_t AgcTimeConstantAt(uint32_t channel, uint32_t index) const {
        return channel < 2 && index < kAgcTimeConstantEntries ? agcTimeConstant[channel][index] : 0;
    }
    RssiCalibration RssiCalibrationAt(uint32_t channel, uint32_t band) const {
        return channel < 2 && band < kBandCount ? rssiCalibration[channel][band]
                                                : RssiCalibration{};
    }
};

struct InstalledOptions {
    uint16_t optionWord = 0;
    uint8_t channel1Installed = 0;
    uint8_t channel2Installed = 0;
    uint8_t combinerInstalled = 0;  // 0 none, 1 or 2: the two combiner kinds
    uint8_t pskSubmodeAvailable[kPskSubmodeSlots] = {};
    uint8_t pskSubmodes[kPskSubmodeSlots] = {};  // available ones ascending, then 9s
    uint8_t pcmFmSubmodeAvailable[kPcmFmSubmodeSlots] = {};
    uint8_t pcmFmSubmodes[kPcmFmSubmodeSlots] = {};  // available ones, then 2s
    uint8_t recorderInstalled = 0;                   // byte 7 bit 0: the NAND flash recorder
    uint8_t timeFlag2Available = 0;  // byte 73 bit 0: the time status reports its flag 2
    uint8_t setupSavingOptions = 0;  // byte 81 bits 0 and 1; bit 1: saving setups is allowed
    // Further flags by reply byte, which no window consults yet: bit 0 of the byte unless named
    // otherwise.
    uint8_t byte9 = 0, byte31 = 0, byte61 = 0, byte67 = 0, byte71 = 0, byte79 = 0;
    uint8_t byte69Bits0_2 = 0;
    uint8_t byte129Bits0_2 = 0;
    uint8_t byte77Bits2_3 = 0;
    uint8_t byte143Bits0_5 = 0;
    uint8_t byte161 = 0, byte177 = 0, byte181 = 0;
    uint16_t value64_65 = 0;
    uint16_t value74_75 = 0;
    uint32_t value192_195 = 0;
    uint32_t value196_199 = 0;
};

// One demodulator path's setup, as sent with the channel setup commands.
struct ChannelSetup {
    uint32_t inputSelect = 0;                  // 0 "Standard RF", 1 "Modulator IF", 2 "BB Bit Sync"
    uint64_t tuningFrequency = 2'300'000'000;  // Hz; 40 bits are sent
    uint32_t bandIndex = 0;
    uint8_t ifBandwidthIndex = 0;
    uint32_t assistedAcquisition = 0;
    uint8_t videoFilterIndex = 0;
    uint32_t deEmphasis = 0;  // 0 "Bypass", 1 "NTSC", 2 "PAL", 3 "Analog PCM"
    uint32_t ssfmInvert = 0;
    uint32_t agcTimeConstantIndex = 0;
    uint32_t agcFreeze = 0;
    uint32_t agcZero = 0;
    uint32_t firstAgcMode = 1;   // nonzero: "Normal AGC"
    uint32_t secondAgcMode = 0;  // 0 "Linear AGC", 1 "Mode 1 AGC"
    uint8_t amFilterIndex = 31;
    uint32_t amInvert = 0;
    uint32_t levelSettingEnable = 0;
    uint8_t levelSetting = 0;
    uint32_t bitRate = 2'000'000;
    uint32_t pcmCode = 0;  // bit 6: bi-phase, symbol rate twice the bit rate
    uint32_t inputInverted = 0;
    uint32_t codeRateSelector = 0;
    uint8_t loopBandwidth = 100;  // hundredths
    uint32_t qBitRate = 2'000'000;
    uint32_t qPcmCode = 0;
    uint32_t qInputInverted = 0;
    uint32_t qCodeRateSelector = 0;
    uint8_t qLoopBandwidth = 100;
    uint32_t pskSubmode = 3;
    uint32_t pcmFmSubmode = 0;
    uint32_t ifFrequency = 70'000'000;
    uint16_t carrierLoopBandwidth = 100;
    uint32_t acquisitionRange = 200'000;
    uint32_t submodeOption = 0;
    uint32_t matchedFilter = 0;  // 0 "I && D", 1 SRRC
    uint8_t srrcBeta = 20;
    uint8_t pskSettingByte = 20;
    uint8_t maxModIndex = 44;  // modulation index x 100 - 1
    uint8_t minModIndex = 24;
    uint8_t startModIndex = 34;
    uint32_t modIndexTracking = 1;
    uint16_t modulationWord = 0;
    uint32_t basebandInput = 0;  // 0 "SE1", 1 "SE2", 2 "Differential", 3 "Loopback"
    uint32_t singleEndedTermination = 0;
    uint32_t differentialTermination = 0;
};

constexpr bool IsBiPhase(uint32_t pcmCode) {
    return (pcmCode & 0x40) != 0;
}

constexpr uint64_t SymbolRate(uint32_t bitRate, uint32_t pcmCode) {
    return IsBiPhase(pcmCode) ? uint64_t(bitRate) * 2 : bitRate;
}

// One tape converter channel (0 and 1 down, 2 up).
struct TapeChannel {
    uint8_t upConverter = 0;
    uint8_t inputSelect = 0;  // 0 to 3
    uint8_t bandwidthPercent = 0;
    uint32_t inputFrequency = 0;   // Hz
    uint32_t outputFrequency = 0;  // Hz
    uint8_t basebandOutputCode = 0;
    uint16_t basebandDacValue = 0;
};

struct TapeIfOutput {
    uint8_t selector = 0;  // 0 to 2
    uint32_t value = 0;    // 18 bits
};

// System state set by the system and firmware-transfer commands.
struct SystemState {
    uint8_t consolidatedStatusEnabled = 0;
    uint8_t referenceClock = 0;
    uint32_t transferBaudRate = 57600;
    uint8_t bulkEraseDone = 0;
    // Six rails, two negative rails (V), temperature (C), supply voltage (V), current (A).
    float physicalValues[11] = {};
    float supplyVoltageRange[2] = {};  // V: registers 10 and 11
    int16_t temperatureRange[2] = {};  // C: registers 12 and 13
    uint32_t totalRuntime = 0;         // s

    // The lowest and highest the device saw: the lower stands in the second register of each
    // pair.
    float SupplyVoltageLow() const { return supplyVoltageRange[1]; }
    float SupplyVoltageHigh() const { return supplyVoltageRange[0]; }
    int TemperatureLow() const { return temperatureRange[1]; }
    int TemperatureHigh() const { return temperatureRange[0]; }
};

// The supply rails of the physical values: 0 digital 5.0 V, 1 digital 3.3 V, 2 and 3 analog
// 5.5 V, 4 and 5 analog 5.0 V, 6 and 7 analog -5.0 V.
constexpr int kRails = 8;
// Whether `rail` at `volts` is within its range, bounds included. The value is compared in
// tenths of a volt, as the device reports it.
bool RailInRange(int rail, float volts);

// Live status of one demodulator path.
struct ChannelStatus {
    uint16_t signalLevel = 0;  // 0 to 4095
    uint8_t amModIndex = 0;
    float fmModIndex = 0;
    float rssi = 0;  // dBm
    uint8_t carrierLock = 0;
    uint8_t symbolLock = 0;
    uint8_t symbolUaLock = 0;
    int32_t carrierFrequency = 0;
    uint32_t symbolRate = 0;
    uint32_t symbolUaRate = 0;
    uint8_t frameSyncEnabled = 0;
    uint8_t frameSyncState = 0;           // 0 to 3
    uint8_t frameSyncStatusBits[3] = {};  // status bits 5, 6, 7
    uint8_t frameLockEnabled = 0;
    uint8_t frameLockState = 0;  // 0, 1 or 2
    uint8_t timeValid = 0;       // device-wide: the time code is valid (the DAU time lamp)
};

// What a lock state means, the one reading that the lamps, the trend bands, the status log and
// kv90t-ctl share.
enum LockLevel : int8_t { kNotEnabled = -1, kUnlocked = 0, kPartlyLocked = 1, kLocked = 2 };

// Frame sync: a raised status bit 7 is unlocked and bits 6 or 5 partly; otherwise the state,
// 0 unlocked, 2 locked, 1 and 3 on the way.
inline LockLevel FrameSyncLevel(const ChannelStatus& s) {
    if (s.frameSyncEnabled == 0) {
        return kNotEnabled;
    }
    if (s.frameSyncStatusBits[2] != 0) {
        return kUnlocked;
    }
    if (s.frameSyncStatusBits[1] != 0 || s.frameSyncStatusBits[0] != 0) {
        return kPartlyLocked;
    }
    const LockLevel byState[4] = {kUnlocked, kPartlyLocked, kLocked, kPartlyLocked};
    return byState[s.frameSyncState & 3];
}

inline LockLevel FrameLockLevel(const ChannelStatus& s) {
    if (s.frameLockEnabled == 0) {
        return kNotEnabled;
    }
    const LockLevel byState[3] = {kUnlocked, kPartlyLocked, kLocked};
    return byState[s.frameLockState < 3 ? s.frameLockState : 0];
}

// The time code as the device reads it.
struct TimeStatus {
    uint8_t timeValid = 0;
    uint8_t statusFlag1 = 0;
    uint8_t statusFlag2 = 0;
    uint8_t year = 0;            // years after 2000
    uint32_t secondsOfYear = 0;  // 25 bits
    uint32_t nanoseconds = 0;
    uint8_t bcdYear = 0;   // one digit
    uint16_t bcdDays = 0;  // three digits
    uint8_t bcdHours = 0;
    uint8_t bcdMinutes = 0;
    uint8_t bcdSeconds = 0;
    uint8_t bcdSubSeconds[6] = {};  // digits in reply order: low, then high nibble of each byte
};

// Output setup of one path (families 0x1x01); only reset, sent and read back.
struct OutputSetup {
    uint32_t outputSetupFlag = 0;
    int8_t parameter[5] = {-110, 10, 0, -40, 32};
    uint16_t word1 = 8192;  // 14 bits
    uint16_t word2 = 8192;  // 14 bits
};

// Output-data setup of one path (families 0x1x0E).
struct OutputDataSetup {
    uint32_t firstFlag = 0;
    uint32_t flag2 = 0, flag3 = 0, flag4 = 0;  // PSK family only
    uint32_t selector = 0;                     // 0 to 6
    uint32_t pcmCode = 0;
    uint32_t inverted = 0;
    uint32_t clockPhase = 0;  // 0 to 3
    uint32_t qPcmCode = 0, qInverted = 0, qClockPhase = 0;
    uint32_t fieldA = 0;     // 0 to 9
    uint32_t fieldB = 0;     // 0 to 3
    uint32_t qFlag[4] = {};  // Q flags 1 to 4
    uint32_t enhancedAcquisition = 0;
    uint32_t outputFlag[4] = {};  // output flags 1 to 4
};

struct CombinerSetup {
    uint32_t snrFilterBandwidth = 20'000;    // Hz, 10 to 100,000
    uint32_t phaseFilterBandwidth = 20'000;  // Hz, 10 to 100,000
    uint32_t upsample = 0;
    uint32_t realCombining = 0;
    uint32_t type = 0;  // 0 MRC, 1 EGC, 2 BSC, 3 CH1 Only, 4 CH2 Only, 5 SWBSC
};

// One receive bit-error-rate tester stream (unit x 2 + stream).
struct BertStream {
    uint8_t enabled = 0;
    uint8_t invertClock = 0;
    uint8_t pattern = 11;
    uint8_t lengthValue = 1;
    uint32_t word = 0;
    uint8_t byteValue = 0;
    uint8_t modeValue = 0;
    // Status.
    uint8_t locked = 0;
    uint8_t secondFlag = 0;
    uint8_t dataInverted = 0;
    int64_t bitErrors = 0;
    int64_t bitCount = 0;
    uint32_t values[3] = {};  // unknown, bit rate, out-of-lock count
};

struct TimeCodeSetup {
    uint8_t externalIrig = 0;
    uint8_t flagA = 0;
    uint8_t external1Pps = 0;
    uint8_t flagB = 0;
    uint8_t selectorC = 0;
    uint8_t flagD = 0;
    uint8_t termination = 0;
    uint8_t modulation = 0;  // 0 PWC, 1 AM, 2 Manchester
    uint8_t selectorE = 0;
    uint8_t format = 0;  // 0 A, 1 B, 2, 3 G
    uint8_t flagF = 0;
    uint8_t flagG = 0;
    uint8_t carrier = 0;                       // 0 to 5
    uint8_t year = 0;                          // BCD
    uint16_t day = 0;                          // BCD, three digits
    uint8_t hour = 0, minute = 0, second = 0;  // BCD
};

struct DauChannel {
    uint32_t signalBandwidth = 0;     // Hz, 10,000 to 50,000
    uint16_t samplesPerDatagram = 0;  // 10 to 696
    uint8_t basebandInput = 0;        // 0 "BB1", 1 "BB2", 2 "IRIG"
    uint8_t singleEndedInput = 0;     // 0 "SE1", 1 "SE2", 2 "SE3"
    uint8_t impedance = 0;            // 0 "50", 1 "75", 2 "200" ohm
    uint32_t sampleRate = 0;
    uint16_t dacGain = 0;      // 14 bits
    uint16_t dacBaseline = 0;  // 14 bits
    // ADC update.
    uint8_t adcValues[3] = {};  // 6 bits each
    uint32_t overRangeCount = 0;
    uint32_t bins[8] = {};
    float adcSignedValue = 0;
};

struct RecordingFile {
    char name[17] = {};
    uint64_t length = 0;  // 48 bits
};

struct RecorderChannel {
    RecordingFile files[128];
    uint64_t remainingCapacity = 0;  // 40 bits
    uint8_t transferInProgress = 0;
    // Status byte 0 bit c, byte 0 bit 4 + c and byte 1 bit 4 + c of channel c.
    uint8_t statusFlags[3] = {};
};

struct PathEstimates {
    float ifBandwidth = 0;     // Hz
    float videoBandwidth = 0;  // Hz
};

}  // namespace protocol
