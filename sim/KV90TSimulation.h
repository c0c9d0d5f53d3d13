#pragma once
// The behaviour of a KV90T: the state its commands set and the answers it gives, installed
// into a SimDevice's command table. Its handlers run on the server thread; the accessors for
// tests and for the program lock the same state.

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/DauStream.h"
#include "sim/DeviceClock.h"
#include "sim/FileServer.h"
#include "sim/Profile.h"
#include "sim/Scenario.h"
#include "sim/SimDevice.h"

namespace sim {

constexpr int kPageCount = 32;
constexpr int kPageWords = 64;
using Page = std::array<uint16_t, kPageWords>;

class KV90TSimulation {
public:
    static constexpr uint32_t kDefaultLoadTimeMs = 50;

    // Installs the command handlers and the device's own activity into `device`. The device
    // reads `clock` (its own wall clock when none is given), which must outlive it.
    KV90TSimulation(SimDevice& device, const Profile& profile, DeviceClock* clock = nullptr);
    ~KV90TSimulation();
    KV90TSimulation(const KV90TSimulation&) = delete;
    KV90TSimulation& operator=(const KV90TSimulation&) = delete;

    // How long the mode command takes to load a personality before it answers.
    void SetPersonalityLoadTime(uint32_t milliseconds);

    uint8_t Mode() const;
    Page PageWords(int page) const;
    void SetPageWord(int page, int word, uint16_t value);
    // The level settings (0 to 99) that command 0x100A reports for channels 1 and 2.
    void SetLevelSettings(uint8_t channel1, uint8_t channel2);
    // The setup payload a channel setup command last stored for a path (byte 0 is the path).
    std::vector<uint8_t> StoredSetup(uint16_t writeCode, int path) const;

    // The fraction of bits the receive testers count as errors.
    void SetBitErrorRate(double rate);
    // The test pattern the received data carries (a PRN pattern code) and whether it arrives
    // inverted: a tester looking for another pattern never locks.
    struct BertSource {
        uint8_t pattern = 11;
        bool inverted = false;
    };
    void SetBertSource(const BertSource& source);
    // How long a path takes to lock after its setup changed.
    void SetAcquisitionTime(uint32_t milliseconds);
    // Puts one of the eight supply rails of the physical values (command 0x2001) at a value of
    // its own, in tenths of a volt (a signed byte for the -5.0 V rails).
    void SetRail(int rail, uint8_t tenthsOfVolt);
    // Plays `scenario` from now on the device's clock (kNone ends it).
    void SetScenario(Scenario scenario);
    // How many bulk-erase-done polls an FPGA configuration memory erase takes.
    void SetErasePolls(int polls);
    std::vector<uint8_t> FpgaImage(uint32_t memory) const;
    std::vector<uint8_t> DspImage(int dsp) const;
    uint8_t SelectedFpgaMemory() const;
    struct StreamDestination {
        bool enabled = false;
        uint32_t address = 0;
        uint16_t port = 0;
    };
    StreamDestination Destination(int index) const;
    // A recorder file: its name and size; byte i of its contents is (i x 7 + seed) mod 256, made
    // as it is sent, so that files of any size cost no memory.
    struct RecordedFile {
        std::string name;
        uint64_t size = 0;
        uint8_t seed = 0;
    };
    static uint8_t RecordedByte(const RecordedFile& file, uint64_t offset) {
        return static_cast<uint8_t>(offset * 7 + file.seed);
    }
    std::vector<RecordedFile> RecordedFiles(int channel) const;
    // Replaces a channel's files (names and sizes; seeds follow the channel and position).
    void SetRecordings(int channel, const std::vector<std::pair<std::string, uint64_t>>& files);
    // The next download misbehaves so.
    void InjectDownloadFault(const DownloadFault& fault);
    // Download endpoints whose threads still run.
    size_t LiveDownloads() { return m_fileServer.LiveThreads(); }

    // The DAU sampling streams: the data port each channel sends from (the page 0 words 46 and
    // 47 report it), what was sent, a datagram rate instead of the sample rate's, and faults.
    uint16_t DauDataPort(int channel) const;
    uint64_t DatagramsSent(int channel) const;
    bool StreamActive(int channel) const;
    void SetDauRate(double datagramsPerSecond);
    void InjectStreamFault(int channel, const StreamFault& fault);
    // Whether the DSP flash sequence of a DSP was ended (0x1001 sub-command 0x13, 0xFF).
    bool DspFlashEnded(int dsp) const;

private:
    using Bytes = std::vector<uint8_t>;
    using Reply = std::optional<Bytes>;  // nothing: the request is ignored

    void InstallIdentityCommands();
    void InstallSetupCommands();
    void InstallStatusCommands();
    void InstallSystemCommands();
    void InstallOutputCommands();
    void InstallTestCommands();
    void InstallDauCommands();
    void InstallRecorderCommands();
    void InstallTapeCommands();
    // Answers a command by storing a request of `length` bytes and replying `replyLength` zeros;
    // its read-back (readCode, keyed by the request's first byte when `perPath`) returns it.
    void InstallStored(uint16_t code, size_t length, size_t replyLength, uint16_t readCode,
                       size_t readLength, bool perPath);
    void Install(uint16_t code, Reply (KV90TSimulation::*handler)(const Frame&));

    Reply Identity(const Frame&);
    Reply DeviceId(const Frame&);
    Reply NetworkSettings(const Frame&);
    Reply ParameterPage(const Frame&);
    Reply OperationalMode(const Frame&);
    Reply InstalledOptions(const Frame&);
    Reply LevelSettings(const Frame&);
    Reply SetMode(const Frame&);
    Reply ChannelSetup(const Frame&);
    Reply ChannelReadBack(const Frame&);
    Reply ChannelStatus(const Frame&);
    Reply FrameSyncStatus(const Frame&);
    Reply TimeStatus(const Frame&);
    Reply SystemControl(const Frame&);
    Reply DataStreamDestination(const Frame&);
    Reply SetupsOptions(const Frame&);
    Reply DspFlashBlock(const Frame&);
    Reply ProgramFpgaPage(const Frame&);
    Reply BulkEraseFpga(const Frame&);
    Reply BulkEraseDone(const Frame&);
    Reply SelectFpgaPersonality(const Frame&);
    Reply PhysicalValues(const Frame&);
    Reply HardwareRegister(const Frame&);
    Reply OutputReadBack(const Frame&);
    Reply BertSetup(const Frame&);
    Reply BertStatus(const Frame&);
    Reply DauChannelSetup(const Frame&);
    Reply DauChannelReadBack(const Frame&);
    Reply DauAdc(const Frame&);
    Reply RecordingDirectory(const Frame&);
    Reply RecorderStatus(const Frame&);
    Reply SelectRecordingFile(const Frame&);
    Reply RecorderInfo(const Frame&);
    // Sends the datagrams that fell due; the wait the server may make before the next.
    int RunStreams();
    StreamSetup DauStreamSetup(int channel) const;
    int64_t Elapsed(int64_t sinceMs) const { return m_clock.NowMs() - sinceMs; }

    // What a path's current setup asks for, read from the stored setup of the mode's family.
    struct PathSetup {
        bool valid = false;
        uint32_t inputSelect = 0;
        uint64_t tuningFrequency = 0;
        uint32_t bitRate = 0;
        uint32_t pcmCode = 0;
        uint32_t qBitRate = 0;
        uint32_t qPcmCode = 0;
        uint32_t pskSubmode = 0;
    };
    PathSetup SetupOf(int path) const;
    // Whether the path's signal is in a band (or comes from an IF or baseband input).
    bool HasSignal(int path) const;
    bool Locked(int path) const;
    double Noise(double amplitude);
    void MakeRecordings();
    // The band of a path's channel whose limits hold the frequency, if one does.
    std::optional<uint8_t> FindBand(int path, uint64_t frequencyHz) const;
    uint8_t PersonalityCode() const;

    SimDevice& m_device;
    const Profile m_profile;
    std::unique_ptr<DeviceClock> m_ownClock;
    DeviceClock& m_clock;
    mutable std::mutex m_mutex;
    uint8_t m_mode;
    uint8_t m_modeOption = 0;
    std::array<Page, kPageCount> m_pages{};
    uint8_t m_levels[2] = {50, 40};
    std::map<uint16_t, std::array<Bytes, 3>> m_setups;  // by write code, per path
    // Requests stored whole and returned by their read-backs: by code, per path.
    std::map<uint16_t, std::array<Bytes, 3>> m_stored;

    std::array<int64_t, 3> m_setupTime{};  // device clock, ms
    uint32_t m_acquisitionMs = 200;
    uint32_t m_randomState = 2026;

    uint8_t m_referenceClock = 0;
    std::map<int, uint8_t> m_railOverrides;
    std::array<StreamDestination, 12> m_destinations{};
    std::array<Bytes, 2> m_dspImages;
    std::array<bool, 2> m_dspFlashEnded{};
    std::map<uint8_t, Bytes> m_fpgaImages;  // by slot code
    uint8_t m_selectedFpgaSlot = 0x10;
    int m_erasePollsNeeded = 3;
    int m_erasePolls = 0;
    uint32_t m_transferBaudRate = 921600;

    struct Bert {
        bool enabled = false;
        uint8_t pattern = 11;
        int64_t sinceMs = 0;
        uint32_t outOfLock = 0;
        bool wasLocked = false;  // at the last status read
        uint64_t bits = 0;       // counted at the last status read
        double burstErrors = 0;  // the errors of a scenario's bursts
    };
    std::array<Bert, 6> m_bert{};
    double m_bitErrorRate = 1e-6;
    ScenarioScript m_scenario;
    BertSource m_bertSource;
    int64_t m_bertAcquisitionMs = 100;

    std::array<std::vector<RecordedFile>, 3> m_recordings;
    std::array<std::atomic<bool>, 3> m_transferring{};
    std::optional<DownloadFault> m_downloadFault;
    DauStreams m_streams{m_clock};
    FileServer m_fileServer;
};

// Parameter pages 0 to 31 with the profile's tables and texts.
std::array<Page, kPageCount> MakePages(const Profile& profile);

}  // namespace sim
