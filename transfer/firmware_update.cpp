#include "transfer/firmware_update.h"

#include <algorithm>
#include <cstdio>

#include "link/CBaseClass.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"

namespace firmware {
namespace {

constexpr uint32_t kNetworkUpdateDsp1Version = 0x20190517;

bool OverSerial(CKV90T1_Comm& comm) {
    CBaseClass* link = comm.GetDeviceLink();
    return link != nullptr && link->GetLinkType() == CBaseClass::kSerialLinkType;
}

// The refusal, also written to the debug output.
Refusal Logged(const std::string& what, std::string text, std::string title) {
    platform::DebugOutput(what + "\r\n");
    return {std::move(text), std::move(title)};
}

}  // namespace

std::optional<Refusal> NetworkUpdateRefusal(CKV90T1_Comm& comm) {
    if (OverSerial(comm)) {
        return std::nullopt;
    }
    if (comm.m_SystemPages.networkUpdatePermitted == 0) {
        return Refusal{"The device does not permit updates over the network.", "Update Refused"};
    }
    if (comm.m_Identity.dsp1Version < kNetworkUpdateDsp1Version) {
        return Refusal{"Updates over the network need DSP1 firmware of 20190517 or later.",
                       "Update Refused"};
    }
    return std::nullopt;
}

ImageFile ReadDspImage(int dsp, const std::string& path) {
    ImageFile file;
    file.error = DspLoadRefusal(dsp == 0 ? Image::Dsp1 : Image::Dsp2, path);
    if (!file.error) {
        file = ReadImage(path, kDspImageLimit, "The File size exceeds the buffer size in the DSP.");
    }
    return file;
}

ImageFile ReadFpgaImage(const std::string& path) {
    ImageFile file;
    file.error = FpgaLoadRefusal(path);
    if (file.error) {
        return file;
    }
    file = ReadImage(path, kFpgaImageLimit,
                     "The File size exceeds the size of a configuration memory.");
    if (file.error) {
        return file;
    }
    // A partial last page is padded with 0xFF; a whole one needs no page more.
    const size_t length = file.bytes.size();
    file.bytes.resize((length + kFpgaPage - 1) / kFpgaPage * kFpgaPage, 0xFF);
    return file;
}

bool FlashDsp(CKV90T1_Comm& comm, int dsp, const std::vector<uint8_t>& image,
              const Progress& progress) {
    const size_t blocks = (image.size() + kDspBlock - 1) / kDspBlock;
    comm.StartDspFlash();
    for (size_t block = 0; block < blocks; ++block) {
        const size_t offset = block * kDspBlock;
        const auto length = static_cast<uint16_t>(std::min(kDspBlock, image.size() - offset));
        if (comm.SendDspFlashBlock(static_cast<uint32_t>(dsp), image.data() + offset, length) ==
                0 ||
            !progress(block + 1, blocks)) {
            return false;
        }
    }
    comm.EndDspFlash(static_cast<uint32_t>(dsp));
    return true;
}

std::string DspCompletedText(int dsp) {
    return dsp == 0 ? "DSP1 Flash Operation Completed. You must now reboot the KV90T before you "
                      "can flash DSP2."
                    : "DSP2 Flash Operation Completed. You must now reboot the KV90T before you "
                      "can flash DSP1.";
}

std::string DspCompletedTitle(int dsp) {
    return dsp == 0 ? "DSP1 Flash File" : "DSP2 Flash File";
}

FpgaUpdate::FpgaUpdate(CKV90T1_Comm& comm, int memory, std::vector<uint8_t> image)
    : m_comm(comm), m_memory(memory), m_image(std::move(image)) {}

std::optional<Refusal> FpgaUpdate::Start() {
    m_savedMode = m_comm.m_nOperationalMode;
    m_savedModeOption = m_comm.m_bModeOption;
    if (m_comm.BulkEraseFPGA_ConfigEEPROM(static_cast<uint32_t>(m_memory)) == 0) {
        return Logged("BulkEraseFPGA_ConfigEEPROM() failed.",
                      "BulkEraseFPGA_ConfigEEPROM() failed.", "Serial Port Error");
    }
    return SwitchBaudRate();
}

std::optional<Refusal> FpgaUpdate::SwitchBaudRate() {
    CBaseClass* link = m_comm.GetDeviceLink();
    if (!OverSerial(m_comm)) {
        return std::nullopt;
    }
    link->ClosePort();
    if (link->OpenPort() == 0) {
        return Logged("OpenPort() failed while attempting to change baud rate.",
                      "OpenPort() failed", "Serial Port Error");
    }
    if (link->ConfigurePort(m_comm.m_System.transferBaudRate, 8, platform::NOPARITY,
                            platform::ONESTOPBIT) == 0) {
        return Logged("ConfigurePort() failed while attempting to change baud rate.",
                      "ConfigurePort() failed.", "Com Port Error");
    }
    if (link->SetCommunicationTimeouts(0, 1, 0, 0, 0) == 0) {
        return Logged("SetCommunicationTimeouts() failed while attempting to change baud rate.",
                      "Cannot set Com Port Timeouts.", "Com Port Error");
    }
    return std::nullopt;
}

bool FpgaUpdate::PollErase() {
    return m_comm.QueryFPGA_ConfigEEPROM_BulkEraseDone() != 0 && m_comm.m_System.bulkEraseDone != 0;
}

bool FpgaUpdate::ProgramRound() {
    for (int i = 0; i < kPagesPerRound && !Programmed(); ++i) {
        if (m_comm.ProgramFPGA_ConfigEEPROMPage(static_cast<uint32_t>(m_memory),
                                                static_cast<uint32_t>(m_programmed),
                                                m_image.data() + m_programmed) == 0) {
            ++m_failedAttempts;
            return false;
        }
        m_failedAttempts = 0;
        m_programmed += kFpgaPage;
    }
    return true;
}

bool FpgaUpdate::Finish() {
    if (m_comm.SelectFPGA_Personality(static_cast<uint32_t>(m_memory)) == 0) {
        return false;
    }
    m_pagesRead = m_comm.ReadSystemPages() != 0;
    return m_pagesRead && m_comm.SetOperationalMode(m_savedMode, m_savedModeOption) != 0;
}

std::string FpgaUpdate::CancelledText() const {
    return "The update was cancelled: configuration memory " + std::to_string(m_memory) +
           " is only partly programmed, and must be programmed again before it is selected.";
}

std::string ElapsedText(uint64_t milliseconds) {
    const uint64_t seconds = milliseconds / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "Elapsed Time: %u::%.2u\r\n",
                  static_cast<unsigned>(seconds / 60), static_cast<unsigned>(seconds % 60));
    return text;
}

}  // namespace firmware
