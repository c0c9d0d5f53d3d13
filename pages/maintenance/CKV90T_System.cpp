#include "pages/maintenance/CKV90T_System.h"

#include <QLabel>
#include <algorithm>
#include <functional>
#include <system_error>

#include "link/CBaseClass.h"
#include "pages/maintenance/firmware_files.h"
#include "pages/page_messages.h"
#include "pages/setup/setup_text.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"
#include "ui/InputBlocker.h"
#include "ui/LongOperation.h"
#include "ui/MessageBoxes.h"
#include "ui/WaitCursor.h"

using namespace res;

namespace {

constexpr uint8_t kReferenceClock = 0x0F;
constexpr uint32_t kConsolidatedStatusStream = 11;
constexpr int kMemories = protocol::SystemPages::kConfigurationMemories;
constexpr uint32_t kNetworkUpdateDsp1Version = 0x20190517;
constexpr size_t kDspBlock = 128;
constexpr size_t kFpgaPage = 256;
constexpr int kPagesPerRound = 64;
// The page address is 24 bits: a configuration memory holds 16 MiB at most.
constexpr size_t kFpgaImageLimit = 16u << 20;

std::string Hex8(uint32_t value) {
    return ui::Printf("%8.8X", value);
}

}  // namespace

const char* CKV90T_System::PersonalityName(uint8_t code) {
    static const char* const kNames[9] = {"Analog Receiver", "PSK Demodulator", "SS-FM/Bitsync",
                                          "PCM/FM Demod",    "Multi-H Demod",   "DAU",
                                          "LDPC 1/2",        "LDPC 2/3",        "LDPC 4/5"};
    return code < 9 ? kNames[code] : "Unknown";
}

const char* CKV90T_System::MemoryPersonalityName(uint16_t code) {
    static const char* const kNames[13] = {"Unused",        "PSK Demod",      "FM/Bitsync",
                                           "PCM/FM",        "MultiH CPM",     "DAU",
                                           "PSK LDPC 1/2",  "PSK LDPC 2/3",   "PSK LDPC 4/5",
                                           "Tape Up/Down",  "PSK 2xLDPC 1/2", "PSK 2xLDPC 2/3",
                                           "PSK 2xLDPC 4/5"};
    return code < 13 ? kNames[code] : "Unknown";
}

CKV90T_System::CKV90T_System(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::SystemTemplate(), comm, skipInitialRead, parent) {
    setWindowTitle("System");
    m_nSelectedMemory = std::clamp(comm->m_SystemPages.ConfigurationMemory(), 0, kMemories - 1);
    SetRange(IDC_SYS_TTL_UPDOWN, 1, 255);
    Enable(IDC_SYS_PING_REPLY, false);
    Enable(IDC_SYS_DHCP, false);
    for (int n = 0; n < 2; ++n) {
        SetRange(IDC_SYS_PROGRESS[n], 0, 255);
        SetPos(IDC_SYS_PROGRESS[n], 0);
    }
    Enable(IDC_SYS_CANCEL, false);
    // The long notes wrap, so that the page keeps the width of its columns.
    for (int id : {IDC_SYS_DSP_NOTE, IDC_SYS_FPGA_NOTE}) {
        if (auto* note = qobject_cast<QLabel*>(Control(id))) {
            note->setWordWrap(true);
        }
    }
    ApplyUpdateAvailability();
    AddRules();
    AddUpdateRules();
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    try {
        m_thread.Start(&CKV90T_System::RunPageThread);
    } catch (const std::system_error&) {
        platform::DebugOutput("Unable to start System thread.\r\n");
    }
    m_thread.Publish(Handle());
}

void CKV90T_System::AddRules() {
    using ui::BeepWhen;
    using ui::Drain;
    AddRule(IDC_SYS_REFERENCE_CLOCK, {Drain::None, [this](int) { return ToggleReferenceClock(); },
                                      [this] { ShowReferenceClock(); }});
    AddRule(IDC_SYS_TTL_UPDOWN, {Drain::None,
                                 [this](int position) {
                                     m_pComm->SetUdpTimeToLive(static_cast<uint8_t>(position));
                                     // This control always answers with the low tone.
                                     ui::FeedbackBeep(false);
                                     return 1;
                                 },
                                 {},
                                 BeepWhen::Never});
    AddRule(IDC_SYS_TTL_SAVE,
            {Drain::None, [this](int) { return SaveTimeToLive(); },
             [this] { SetPos(IDC_SYS_TTL_UPDOWN, m_pComm->m_NetworkPage.udpTimeToLive); },
             BeepWhen::OnFailure});
    AddRule(IDC_SYS_PING, {Drain::None, [this](int) { return m_pComm->SendNullCommand(); },
                           [this] {
                               std::string text;
                               for (uint8_t byte : m_pComm->m_NullReply) {
                                   text += ui::Printf("%2.2X ", byte);
                               }
                               SetText(IDC_SYS_PING_REPLY, text);
                           }});
    AddRule(IDC_SYS_READ, {Drain::None,
                           [this](int) {
                               m_bIdentityRead = m_pComm->ReadDeviceIdentity() != 0;
                               return 1;
                           },
                           [this] { ShowVersions(); }});
    AddRule(IDC_SYS_CONSOLIDATED_OFF, {Drain::None,
                                       [this](int) {
                                           ReadMissing();
                                           const int32_t result = m_pComm->SetDataStreamDestination(
                                               kConsolidatedStatusStream, 0, 0, 0);
                                           m_pComm->m_System.consolidatedStatusEnabled = 0;
                                           return result;
                                       },
                                       {}});
    AddRule(IDC_SYS_GRAPHS_OFF, {Drain::None, [this](int) { return TurnOffGraphs(); }, {}});
    for (int k = 0; k < kMemories; ++k) {
        AddRule(IDC_SYS_MEMORY[k], {Drain::None,
                                    [this, k](int) {
                                        m_nSelectedMemory = k;
                                        return 1;
                                    },
                                    [this] { ShowMemorySelection(); }, BeepWhen::Never});
    }
}

void CKV90T_System::ReadMissing() {
    if (m_pComm->m_Identity.identityRead == 0) {
        m_pComm->ReadDeviceIdentity();
    }
    if (m_pComm->m_NetworkPage.networkPageRead == 0) {
        m_pComm->ReadNetworkPage();
    }
}

void CKV90T_System::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        m_bIdentityRead = m_pComm->ReadDeviceIdentity() != 0;
        m_bPagesRead =
            m_bIdentityRead && m_pComm->SendSystemControl(kReferenceClock, 0) != 0 && ReadPages();
    }
    ShowVersions();
    ShowReferenceClock();
    ShowMemorySelection();
    ShowMemoryList();
    ReadMissing();
    SetPos(IDC_SYS_TTL_UPDOWN, m_pComm->m_NetworkPage.udpTimeToLive);
    SetText(IDC_SYS_TTL, ui::Printf("%u", m_pComm->m_NetworkPage.udpTimeToLive));
}

bool CKV90T_System::ReadPages() {
    m_bPagesRead = m_pComm->ReadSystemPages() != 0;
    return m_bPagesRead;
}

// Fields whose read failed show nothing rather than the zeros a failed read leaves.
void CKV90T_System::ShowVersions() {
    ReadMissing();
    if (!m_bIdentityRead) {
        for (int id : {IDC_SYS_SERIAL_NUMBER,    IDC_SYS_DSP1_VERSION,     IDC_SYS_DSP2_VERSION,
                       IDC_SYS_FIO_VERSION,      IDC_SYS_BRIDGE_VERSION,   IDC_SYS_DEMOD_VERSION,
                       IDC_SYS_PERSONALITY_CODE, IDC_SYS_PERSONALITY_NAME, IDC_SYS_HARDWARE_ID,
                       IDC_SYS_DSP_BOARD,        IDC_SYS_DEMOD_BOARD,      IDC_SYS_IF_BOARD,
                       IDC_SYS_RF_BOARD,         IDC_SYS_DEVICE_ID,        IDC_SYS_IP_ADDRESS,
                       IDC_SYS_PRODUCT[0],       IDC_SYS_PRODUCT[1],       IDC_SYS_PRODUCT[2],
                       IDC_SYS_PRODUCT[3],       IDC_SYS_PRODUCT[4]}) {
            SetText(id, "");
        }
        SetCheck(IDC_SYS_DHCP, 0);
        return;
    }
    const protocol::DeviceIdentity& id = m_pComm->m_Identity;
    SetTextWhole(IDC_SYS_SERIAL_NUMBER, id.serialNumberText);
    SetText(IDC_SYS_DSP1_VERSION, Hex8(id.dsp1Version));
    SetText(IDC_SYS_DSP2_VERSION, Hex8(id.dsp2Version));
    SetText(IDC_SYS_FIO_VERSION, Hex8(id.fioFpgaVersion));
    SetText(IDC_SYS_BRIDGE_VERSION, Hex8(id.bridgeFpgaVersion));
    SetText(IDC_SYS_DEMOD_VERSION, Hex8(id.demodFpgaVersion));
    SetText(IDC_SYS_PERSONALITY_CODE, ui::Printf("0x%2.2X", id.personalityCode));
    SetTextWhole(IDC_SYS_PERSONALITY_NAME, PersonalityName(id.personalityCode));
    const uint16_t hardware = m_pComm->m_Config.hardwareConfigurationId;
    SetText(IDC_SYS_HARDWARE_ID, ui::Printf("%u", hardware));
    SetText(IDC_SYS_DSP_BOARD, ui::Printf("%u", id.dspPcbRevision));
    // Which boards a configuration has; other IDs leave the revisions as they are.
    if (const protocol::FittedBoards boards = protocol::BoardsOf(hardware); boards.known) {
        auto revision = [](bool fitted, uint16_t value) {
            return fitted ? ui::Printf("%u", value) : std::string("n/a");
        };
        SetText(IDC_SYS_DEMOD_BOARD, revision(boards.demod, id.demodFpgaPcbRevision));
        SetText(IDC_SYS_IF_BOARD, revision(boards.ifAnalog, id.ifAnalogPcbRevision));
        SetText(IDC_SYS_RF_BOARD, revision(boards.rf, id.rfAnalogPcbRevision));
    }
    SetTextWhole(IDC_SYS_DEVICE_ID, id.deviceId);
    SetCheck(IDC_SYS_DHCP, id.dhcpEnabled != 0);
    SetText(IDC_SYS_IP_ADDRESS,
            ui::FormatIpAddress(
                {static_cast<uint8_t>(id.ipAddress >> 24), static_cast<uint8_t>(id.ipAddress >> 16),
                 static_cast<uint8_t>(id.ipAddress >> 8), static_cast<uint8_t>(id.ipAddress)}));
    for (int i = 0; i < 5; ++i) {
        SetTextWhole(IDC_SYS_PRODUCT[i], id.productText[i]);
    }
}

void CKV90T_System::ShowReferenceClock() {
    ShowOnOff(IDC_SYS_REFERENCE_CLOCK, m_pComm->m_System.referenceClock, "Internal", "External");
}

void CKV90T_System::ShowMemoryList() {
    const protocol::SystemPages& pages = m_pComm->m_SystemPages;
    for (int k = 0; k < kMemories; ++k) {
        SetText(IDC_SYS_MEMORY[k], m_bPagesRead
                                       ? ui::Printf("%8.8X : ", pages.MemoryImageWord(k)) +
                                             MemoryPersonalityName(pages.MemoryPersonality(k))
                                       : std::string());
    }
}

void CKV90T_System::ShowMemorySelection() {
    for (int k = 0; k < kMemories; ++k) {
        SetCheck(IDC_SYS_MEMORY[k], k == m_nSelectedMemory);
    }
}

// Bit 2 asks for a change, bit 0 is the wished state.
int32_t CKV90T_System::ToggleReferenceClock() {
    const uint8_t wished = m_pComm->m_System.referenceClock != 0 ? 0 : 1;
    return m_pComm->SendSystemControl(kReferenceClock, static_cast<uint8_t>(4 | wished));
}

int32_t CKV90T_System::SaveTimeToLive() {
    const uint32_t typed = setup::UnsignedFromText(Text(IDC_SYS_TTL));
    const auto value = static_cast<uint8_t>(std::clamp<uint32_t>(typed, 1, 255));
    const int32_t result = m_pComm->SetUdpTimeToLive(value);
    if (m_pComm->m_NetworkPage.networkPageRead == 0) {
        m_pComm->ReadNetworkPage();
    }
    return result;
}

// Streams 1 to 8, stopping at the first that fails.
int32_t CKV90T_System::TurnOffGraphs() {
    for (uint32_t stream = 1; stream <= 8; ++stream) {
        if (m_pComm->SetDataStreamDestination(stream, 0, 0, 0) == 0) {
            return 0;
        }
    }
    return 1;
}

void CKV90T_System::OnDoubleClick(int id, int) {
    for (int k = 0; k < kMemories; ++k) {
        if (id == IDC_SYS_MEMORY[k]) {
            LoadPersonality(k);
        }
    }
}

void CKV90T_System::LoadPersonality(int memory) {
    ui::WaitCursor wait;
    m_nSelectedMemory = memory;
    if (m_pComm->SelectFPGA_Personality(static_cast<uint32_t>(memory)) != 0) {
        ReadPages();
    }
    ShowMemorySelection();
    ShowMemoryList();
}

std::atomic<uint32_t> CKV90T_System::s_nDspSettleMs{60'000};

void CKV90T_System::ApplyUpdateAvailability() {
    CBaseClass* link = m_pComm->GetDeviceLink();
    if (link != nullptr && link->GetLinkType() == CBaseClass::kSerialLinkType) {
        return;
    }
    // With initial reads skipped the console reads nothing at start: the state decides.
    if (m_pComm->m_Identity.identityRead == 0 && m_bSkipInitialRead == 0) {
        m_pComm->ReadDeviceIdentity();
    }
    const bool usable = m_pComm->m_SystemPages.networkUpdatePermitted != 0 &&
                        m_pComm->m_Identity.dsp1Version >= kNetworkUpdateDsp1Version;
    for (int n = 0; n < 2; ++n) {
        for (int id : {IDC_SYS_PROGRESS[n], IDC_SYS_PROGRESS_CAPTION[n], IDC_SYS_DSP_PATH[n],
                       IDC_SYS_DSP_BROWSE[n], IDC_SYS_DSP_LOAD[n]}) {
            Enable(id, usable);
        }
    }
    for (int id : IDC_SYS_MEMORY) {
        Enable(id, usable);
    }
    for (int id : {IDC_SYS_FPGA_PATH, IDC_SYS_FPGA_BROWSE, IDC_SYS_FPGA_LOAD}) {
        Enable(id, usable);
    }
}

void CKV90T_System::AddUpdateRules() {
    auto quietly = [](std::function<void()> action) {
        return [action = std::move(action)](int) {
            action();
            return 1;
        };
    };
    AddRule(IDC_SYS_FPGA_BROWSE,
            {ui::Drain::None, quietly([this] { BrowseFpga(); }), {}, ui::BeepWhen::Never});
    AddRule(IDC_SYS_FPGA_LOAD,
            {ui::Drain::None, quietly([this] { LoadFpga(); }), {}, ui::BeepWhen::Never});
    AddRule(IDC_SYS_CANCEL,
            {ui::Drain::None, quietly([this] { CancelFpga(); }), {}, ui::BeepWhen::Never});
    for (int n = 0; n < 2; ++n) {
        AddRule(IDC_SYS_DSP_BROWSE[n], {ui::Drain::None,
                                        [this, n](int) {
                                            BrowseDsp(n);
                                            return 1;
                                        },
                                        {},
                                        ui::BeepWhen::Never});
        AddRule(IDC_SYS_DSP_LOAD[n], {ui::Drain::None,
                                      [this, n](int) {
                                          LoadDsp(n);
                                          return 1;
                                      },
                                      {},
                                      ui::BeepWhen::Never});
    }
}

void CKV90T_System::BrowseDsp(int dsp) {
    const std::string path =
        ui::GetOpenFileName(this, "", m_strProgramFolder, "Binary Files (*.bin)|*.bin|");
    if (path.empty()) {
        return;
    }
    const auto image = dsp == 0 ? firmware::Image::Dsp1 : firmware::Image::Dsp2;
    if (const auto refusal = firmware::BrowseRefusal(image, path)) {
        ui::MessageBox(this, refusal->text, refusal->title);
        return;
    }
    SetTextWhole(IDC_SYS_DSP_PATH[dsp], path);
}

// The image is read and its size checked before the device is put into flash mode, and the
// first block that fails ends the transfer without committing it.
void CKV90T_System::LoadDsp(int dsp) {
    ui::WaitCursor wait;
    const uint64_t start = platform::TickCount64();
    SetText(IDC_SYS_PROGRESS_CAPTION[0], "Uploading:");
    SetText(IDC_SYS_PROGRESS_CAPTION[1], "Writing:");
    SetPos(IDC_SYS_PROGRESS[0], 0);
    SetRange(IDC_SYS_PROGRESS[1], 0, 60);
    SetPos(IDC_SYS_PROGRESS[1], 0);
    const auto kind = dsp == 0 ? firmware::Image::Dsp1 : firmware::Image::Dsp2;
    const std::string path = Text(IDC_SYS_DSP_PATH[dsp]);
    std::optional<firmware::Refusal> refusal = firmware::DspLoadRefusal(kind, path);
    firmware::ImageFile file;
    if (!refusal) {
        file = firmware::ReadImage(path, firmware::kDspImageLimit,
                                   "The File size exceeds the buffer size in the DSP.");
        refusal = file.error;
    }
    if (refusal) {
        platform::DebugOutput(refusal->text + "\r\n");
        ui::MessageBox(this, refusal->text, refusal->title);
        return;
    }
    platform::PostMessage(m_hMainWindow, UWM_STOP_STATUS_POLLING);
    m_pComm->StartDspFlash();
    if (SendDspImage(dsp, file.bytes)) {
        SetPos(IDC_SYS_PROGRESS[0], static_cast<int>(file.bytes.size() / kDspBlock));
        m_pComm->EndDspFlash(static_cast<uint32_t>(dsp));
        platform::Beep(1000, 10);
        WaitForDspFlash();
        platform::Beep(1000, 100);
        const std::string text = dsp == 0
                                     ? "DSP1 Flash Operation Completed. You must now reboot the "
                                       "KV90T before you can flash DSP2."
                                     : "DSP2 Flash Operation Completed. You must now reboot the "
                                       "KV90T before you can flash DSP1.";
        ui::MessageBox(this, text, dsp == 0 ? "DSP1 Flash File" : "DSP2 Flash File",
                       ui::MessageIcon::None);
        platform::DebugOutput(text + "\r\n");
        if (QWidget* top = window(); top != this) {
            QMetaObject::invokeMethod(top, "close", Qt::QueuedConnection);
        }
    } else {
        ui::FeedbackBeep(false);
        ui::MessageBox(this, "Communication Error", "Communication Error");
    }
    const uint64_t seconds = (platform::TickCount64() - start) / 1000;
    platform::DebugPrintf("Elapsed Time: %u:%.2u\r\n", static_cast<unsigned>(seconds / 60),
                          static_cast<unsigned>(seconds % 60));
}

bool CKV90T_System::SendDspImage(int dsp, const std::vector<uint8_t>& image) {
    SetRange(IDC_SYS_PROGRESS[0], 0, static_cast<int>(image.size() / kDspBlock));
    SetPos(IDC_SYS_PROGRESS[0], 0);
    for (size_t offset = 0; offset < image.size(); offset += kDspBlock) {
        const auto length = static_cast<uint16_t>(std::min(kDspBlock, image.size() - offset));
        if (m_pComm->SendDspFlashBlock(static_cast<uint32_t>(dsp), image.data() + offset, length) ==
            0) {
            return false;
        }
        SetPos(IDC_SYS_PROGRESS[0], static_cast<int>(offset / kDspBlock) + 1);
        ui::RepaintHoldingInput();
    }
    return true;
}

void CKV90T_System::WaitForDspFlash() {
    const int step = static_cast<int>(s_nDspSettleMs / 60);
    for (int second = 1; second <= 60; ++second) {
        ui::RepaintFor(step);
        SetPos(IDC_SYS_PROGRESS[1], second);
    }
}

std::atomic<int> g_bSystemThreadRun{1};
std::atomic<platform::WindowHandle> g_hSystemWnd{0};
std::atomic<int> g_bEepromErasePoll{0};
std::atomic<int> g_bEepromProgramPoll{0};

CKV90T_System::~CKV90T_System() {
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    m_thread.Stop(2000);
    EndFpga();
}

void CKV90T_System::BrowseFpga() {
    const std::string path =
        ui::GetOpenFileName(this, "", m_strProgramFolder, "Binary Files (*.bin)|*.bin|");
    if (path.empty()) {
        return;
    }
    if (const auto refusal = firmware::BrowseRefusal(firmware::Image::Fpga, path)) {
        ui::MessageBox(this, refusal->text, refusal->title);
        return;
    }
    SetTextWhole(IDC_SYS_FPGA_PATH, path);
}

// The path is checked and the image read before the erase, so that a refused or unreadable
// file never leaves a configuration memory erased for nothing.
void CKV90T_System::LoadFpga() {
    if (FpgaUpdating()) {
        return;
    }
    m_nFpgaStart = platform::TickCount64();
    m_nTarget = std::clamp(m_nSelectedMemory, 0, kMemories - 1);
    m_nSavedMode = m_pComm->m_nOperationalMode;
    m_bSavedModeOption = m_pComm->m_bModeOption;
    const std::string path = Text(IDC_SYS_FPGA_PATH);
    if (const auto refusal = firmware::FpgaLoadRefusal(path)) {
        ui::MessageBox(this, refusal->text, refusal->title);
        return;
    }
    if (!ReadFpgaImage(path)) {
        return;
    }
    platform::PostMessage(m_hMainWindow, UWM_STOP_STATUS_POLLING);
    m_pWait = std::make_unique<ui::WaitCursor>();
    if (m_pComm->BulkEraseFPGA_ConfigEEPROM(static_cast<uint32_t>(m_nTarget)) == 0) {
        EndFpga();
        platform::DebugOutput("BulkEraseFPGA_ConfigEEPROM() failed.\r\n");
        ui::MessageBox(this, "BulkEraseFPGA_ConfigEEPROM() failed.", "Serial Port Error");
        return;
    }
    if (!SwitchBaudRate()) {
        EndFpga();
        ui::MessageBox(nullptr, "SetBaudRate() Failed.", "Serial Port Error");
        return;
    }
    SetText(IDC_SYS_PROGRESS_CAPTION[0], "Bulk Erase:");
    SetText(IDC_SYS_PROGRESS_CAPTION[1], "Prgrm Pages:");
    SetText(IDC_SYS_IMAGE_LENGTH, ui::GroupThousands(static_cast<int64_t>(m_image.size())));
    SetRange(IDC_SYS_PROGRESS[0], 0, 255);
    SetPos(IDC_SYS_PROGRESS[0], 0);
    SetRange(IDC_SYS_PROGRESS[1], 0, static_cast<int>(m_image.size() / kFpgaPage));
    SetPos(IDC_SYS_PROGRESS[1], 0);
    SetText(IDC_SYS_PROGRAMMED, "");
    m_nProgrammed = 0;
    m_pComm->m_System.bulkEraseDone = 0;
    Enable(IDC_SYS_CANCEL, true);
    m_pBlock = std::make_unique<ui::InputBlocker>(Control(IDC_SYS_CANCEL));
    m_pOperation = std::make_unique<ui::LongOperation>();
    g_bEepromErasePoll = 1;
    platform::WakePauses();
}

bool CKV90T_System::ReadFpgaImage(const std::string& path) {
    firmware::ImageFile file = firmware::ReadImage(
        path, kFpgaImageLimit, "The File size exceeds the size of a configuration memory.");
    if (file.error) {
        ui::MessageBox(this, file.error->text, file.error->title);
        return false;
    }
    // A partial last page is padded with 0xFF; a whole one needs no page more.
    const size_t length = file.bytes.size();
    m_image.assign((length + kFpgaPage - 1) / kFpgaPage * kFpgaPage, 0xFF);
    std::copy(file.bytes.begin(), file.bytes.end(), m_image.begin());
    return true;
}

bool CKV90T_System::SwitchBaudRate() {
    CBaseClass* link = m_pComm->GetDeviceLink();
    if (link == nullptr || link->GetLinkType() != CBaseClass::kSerialLinkType) {
        return true;
    }
    link->ClosePort();
    if (link->OpenPort() == 0) {
        platform::DebugOutput("OpenPort() failed while attempting to change baud rate.\r\n");
        ui::MessageBox(nullptr, "OpenPort() failed", "Serial Port Error");
        platform::DebugOutput("OpenPort() failed\r\n");
        return false;
    }
    if (link->ConfigurePort(m_pComm->m_System.transferBaudRate, 8, platform::NOPARITY,
                            platform::ONESTOPBIT) == 0) {
        platform::DebugOutput("ConfigurePort() failed while attempting to change baud rate.\r\n");
        ui::MessageBox(nullptr, "ConfigurePort() failed.", "Com Port Error");
        return false;
    }
    if (link->SetCommunicationTimeouts(0, 1, 0, 0, 0) == 0) {
        platform::DebugOutput(
            "SetCommunicationTimeouts() failed while attempting to change baud rate.\r\n");
        ui::MessageBox(nullptr, "Cannot set Com Port Timeouts.", "Com Port Error");
        return false;
    }
    return true;
}

void CKV90T_System::PollErase() {
    if (ui::LongOperation::StopRequested()) {
        CancelFpga();
        return;
    }
    SetPos(IDC_SYS_PROGRESS[0], std::min(Pos(IDC_SYS_PROGRESS[0]) + 1, 255));
    const bool answered = m_pComm->QueryFPGA_ConfigEEPROM_BulkEraseDone() != 0;
    if (m_pComm->m_System.bulkEraseDone == 0) {
        return;
    }
    g_bEepromErasePoll = 0;
    SetPos(IDC_SYS_PROGRESS[0], 255);
    if (answered) {
        g_bEepromProgramPoll = 1;
    } else {
        platform::DebugOutput("QueryFPGA_ConfigEEPROM_BulkEraseDone() failed.\r\n");
        ui::MessageBox(this, "QueryFPGA_ConfigEEPROM_BulkEraseDone() failed.", "Serial Port Error");
    }
    platform::WakePauses();
}

// Up to 64 pages a round. A page that fails is tried again, as long as it takes, but in the
// next round: between attempts the window handles Cancel and a close, and says which page
// waits for its answer.
void CKV90T_System::ProgramPages() {
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    if (!FpgaUpdating()) {
        return;
    }
    if (ui::LongOperation::StopRequested()) {
        CancelFpga();
        return;
    }
    bool lastOk = false;
    // An unanswered page waits its whole time-out: the window keeps painting meanwhile.
    const CKV90T1_Comm::WaitReport waits(*m_pComm, [](uint32_t) { ui::RepaintHoldingInput(); });
    for (int i = 0; i < kPagesPerRound && m_nProgrammed < m_image.size(); ++i) {
        lastOk =
            m_pComm->ProgramFPGA_ConfigEEPROMPage(static_cast<uint32_t>(m_nTarget), m_nProgrammed,
                                                  m_image.data() + m_nProgrammed) != 0;
        if (!lastOk) {
            SetText(
                IDC_SYS_TRANSFER_STATE,
                ui::Printf("page %u not answered, retrying (attempt %d)",
                           static_cast<unsigned>(m_nProgrammed / kFpgaPage), ++m_nAttempts + 1));
            break;
        }
        m_nAttempts = 0;
        SetText(IDC_SYS_TRANSFER_STATE, "");
        m_nProgrammed += kFpgaPage;
        SetPos(IDC_SYS_PROGRESS[1], static_cast<int>(m_nProgrammed / kFpgaPage));
    }
    if (m_nProgrammed >= m_image.size()) {
        FinishFpga();
        return;
    }
    g_bEepromProgramPoll = 1;
    platform::WakePauses();
    if (lastOk) {
        SetText(IDC_SYS_PROGRAMMED, ui::GroupThousands(m_nProgrammed));
    }
}

void CKV90T_System::FinishFpga() {
    SetPos(IDC_SYS_PROGRESS[1], static_cast<int>(m_image.size() / kFpgaPage));
    const uint32_t programmed = m_nProgrammed;
    EndFpga();
    const auto memory = static_cast<uint32_t>(m_nTarget);
    const bool restored = m_pComm->SelectFPGA_Personality(memory) != 0 && ReadPages() &&
                          m_pComm->SetOperationalMode(m_nSavedMode, m_bSavedModeOption) != 0;
    ShowMemoryList();
    if (restored) {
        SetText(IDC_SYS_PROGRAMMED, ui::GroupThousands(programmed));
    }
    const uint64_t seconds = (platform::TickCount64() - m_nFpgaStart) / 1000;
    const std::string elapsed =
        ui::Printf("Elapsed Time: %u::%.2u\r\n", static_cast<unsigned>(seconds / 60),
                   static_cast<unsigned>(seconds % 60));
    ui::MessageBox(this, "Demod FPGA Configuration EEPROM Update has completed.", elapsed,
                   ui::MessageIcon::Information);
    platform::DebugOutput(elapsed);
}

void CKV90T_System::CancelFpga() {
    if (!FpgaUpdating()) {
        return;
    }
    g_bEepromErasePoll = 0;
    g_bEepromProgramPoll = 0;
    platform::WakePauses();
    EndFpga();
    ui::MessageBox(this,
                   ui::Printf("The update was cancelled: configuration memory %d is only partly "
                              "programmed, and must be programmed again before it is selected.",
                              m_nTarget),
                   "FPGA Update Cancelled", ui::MessageIcon::Warning);
}

void CKV90T_System::EndFpga() {
    m_image.clear();
    m_image.shrink_to_fit();
    m_pBlock.reset();
    m_pWait.reset();
    m_pOperation.reset();
    m_nAttempts = 0;
    SetText(IDC_SYS_TRANSFER_STATE, "");
    Enable(IDC_SYS_CANCEL, false);
}

intptr_t CKV90T_System::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case UWM_EEPROM_ERASE_POLL:
            PollErase();
            return 0;
        case UWM_EEPROM_PROGRAM_PAGES:
            ProgramPages();
            return 0;
        case ID_CHECK_EXTRA_BYTES:
            if (g_bEepromErasePoll != 0 && DrainDeviceInput() != 0) {
                platform::DebugOutput(
                    wParam == UWM_EEPROM_ERASE_POLL ? "Extra bytes found after a ContinuousStatus "
                                                      "Read 0x1023 Command message:\r\n"
                    : wParam == UWM_EEPROM_PROGRAM_PAGES
                        ? "Extra bytes found after a Send 0x1021 Command message:\r\n"
                        : "Extra bytes found after an unknown message:\r\n");
            }
            return 0;
        default:
            return DevicePage::OnMessage(message, wParam, lParam);
    }
}

// One pass: a message for what a flag asks, 50 ms before it and 50 ms before the stray-bytes
// check, each skipped when the flag cleared meanwhile.
void CKV90T_System::RunPageThread(const platform::Pacer& pacer) {
    auto turn = [&pacer](const std::atomic<int>& flag, uint32_t message) {
        if (flag == 0) {
            return;
        }
        pacer.Pause(50, [&flag] { return flag != 0; });
        if (flag == 0) {
            return;
        }
        platform::SendMessage(g_hSystemWnd, message);
        pacer.Pause(50, [&flag] { return flag != 0; });
        if (flag != 0) {
            platform::SendMessage(g_hSystemWnd, ID_CHECK_EXTRA_BYTES, message, 0);
        }
    };
    while (pacer.Running()) {
        if (g_hSystemWnd == 0) {
            pacer.Pause(50);
            continue;
        }
        turn(g_bEepromErasePoll, UWM_EEPROM_ERASE_POLL);
        turn(g_bEepromProgramPoll, UWM_EEPROM_PROGRAM_PAGES);
        if (g_bEepromErasePoll == 0 && g_bEepromProgramPoll == 0) {
            pacer.Pause(50, [] { return g_bEepromErasePoll == 0 && g_bEepromProgramPoll == 0; });
        }
    }
}
