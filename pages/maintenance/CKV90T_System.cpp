#include "pages/maintenance/CKV90T_System.h"

#include <QLabel>
#include <algorithm>

#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"
#include "ui/MessageBoxes.h"
#include "ui/WaitCursor.h"

using namespace res;

namespace {

constexpr uint8_t kReferenceClock = 0x0F;
constexpr uint32_t kConsolidatedStatusStream = 11;
constexpr int kMemories = protocol::SystemPages::kConfigurationMemories;

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
    : pages::DevicePage(res::SystemTemplate(), comm, skipInitialRead, parent),
      m_updates(*this, Rules(),
                {[this] { return m_nSelectedMemory; },
                 [this](bool pagesRead) {
                     m_bPagesRead = pagesRead;
                     ShowMemoryList();
                 }}) {
    setWindowTitle("System");
    m_nSelectedMemory = std::clamp(comm->m_SystemPages.ConfigurationMemory(), 0, kMemories - 1);
    SetRange(IDC_SYS_TTL_UPDOWN, 1, 255);
    Enable(IDC_SYS_PING_REPLY, false);
    Enable(IDC_SYS_DHCP, false);
    // The long notes wrap, so that the page keeps the width of its columns.
    for (int id : {IDC_SYS_DSP_NOTE, IDC_SYS_FPGA_NOTE}) {
        if (auto* note = qobject_cast<QLabel*>(Control(id))) {
            note->setWordWrap(true);
        }
    }
    // With initial reads skipped the console reads nothing at start: the state decides.
    m_updates.ApplyAvailability(m_bSkipInitialRead == 0);
    AddRules();
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
                                           return m_pComm->SetDataStreamDestination(
                                               kConsolidatedStatusStream, 0, 0, 0);
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

intptr_t CKV90T_System::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return m_updates.OnMessage(message) ? 0 : DevicePage::OnMessage(message, wParam, lParam);
}

const char* CKV90T_System::PolledMessageName(uintptr_t message) const {
    return SystemUpdates::PolledMessageName(message);
}
