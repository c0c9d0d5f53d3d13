#pragma once
// Loading new images into the device: a DSP's program flash, sent in blocks and then committed,
// and an FPGA configuration memory, erased, programmed page by page and selected. The System
// page and kv90t-ctl both drive these; each step returns what went wrong in the operator's
// words, one message per fault.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfer/firmware_files.h"

class CKV90T1_Comm;

namespace firmware {

constexpr size_t kDspBlock = 128;
constexpr size_t kFpgaPage = 256;
// The page address is 24 bits: a configuration memory holds 16 MiB at most.
constexpr size_t kFpgaImageLimit = 16u << 20;
constexpr int kPagesPerRound = 64;

// How long a DSP takes to write its flash after the last block; tests shorten it.
inline std::atomic<uint32_t> dspSettleMs{60'000};

// Over a link other than serial the device must permit updates and run a recent DSP1 program;
// the refusal says which is missing. Judged on what the device state holds.
std::optional<Refusal> NetworkUpdateRefusal(CKV90T1_Comm& comm);

// The image for DSP `dsp` (0 or 1): the path checks of a Load, then the whole file.
ImageFile ReadDspImage(int dsp, const std::string& path);
// The FPGA image: the name check, the whole file, and 0xFF padding to whole pages.
ImageFile ReadFpgaImage(const std::string& path);

// Called with the blocks done and the number in all; false stops the transfer.
using Progress = std::function<bool(size_t done, size_t total)>;

// Puts the device into flash mode, sends the image in blocks and, when every block went through,
// ends the flash so that the DSP writes it. The first block that fails, or a stop, ends the
// transfer without that end: the DSP keeps the program it has. True when the flash was ended.
bool FlashDsp(CKV90T1_Comm& comm, int dsp, const std::vector<uint8_t>& image,
              const Progress& progress);
// What the operator is told once DSP `dsp` has its new program, and the box's title.
std::string DspCompletedText(int dsp);
std::string DspCompletedTitle(int dsp);

// One FPGA configuration memory's update, one step at a time so that a window can paint and
// offer Cancel between the steps: Start, PollErase until it is erased, ProgramRound until every
// page is programmed, Finish.
class FpgaUpdate {
public:
    // `image` is whole pages, as ReadFpgaImage gives it.
    FpgaUpdate(CKV90T1_Comm& comm, int memory, std::vector<uint8_t> image);

    // Notes the operational mode to restore, erases the memory and, over a serial link, switches
    // the link to the rate the erase reply named.
    std::optional<Refusal> Start();
    // One query of the erase; true once the device said it is done.
    bool PollErase();
    // Up to kPagesPerRound pages. A page that is not answered ends the round and is tried again
    // in the next; false then.
    bool ProgramRound();
    bool Programmed() const { return m_programmed >= m_image.size(); }
    // Selects the memory's personality, reads the system pages and puts the device back into the
    // mode it was in. True when all three went through.
    bool Finish();
    // Whether Finish read the system pages; they are left empty when the read failed.
    bool SystemPagesRead() const { return m_pagesRead; }

    int Memory() const { return m_memory; }
    size_t ImageBytes() const { return m_image.size(); }
    size_t ProgrammedBytes() const { return m_programmed; }
    size_t Pages() const { return m_image.size() / kFpgaPage; }
    // Failed attempts in a row at the page that is programmed next.
    int FailedAttempts() const { return m_failedAttempts; }
    // What the operator is told when the update stops before its end.
    std::string CancelledText() const;

private:
    std::optional<Refusal> SwitchBaudRate();

    CKV90T1_Comm& m_comm;
    int m_memory;
    std::vector<uint8_t> m_image;
    size_t m_programmed = 0;
    int m_failedAttempts = 0;
    bool m_pagesRead = false;
    uint32_t m_savedMode = 0;
    uint8_t m_savedModeOption = 0;
};

constexpr const char* kFpgaCompletedText = "Demod FPGA Configuration EEPROM Update has completed.";
// "Elapsed Time: 1::05\r\n", as the completion box titles it.
std::string ElapsedText(uint64_t milliseconds);

}  // namespace firmware
