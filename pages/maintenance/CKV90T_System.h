#pragma once
// The System page: who and what the device is (serial number, device ID, versions, board
// revisions, personality, network, product texts), the small system controls (reference clock,
// UDP time-to-live, ping, switching status and graph streams off), and the twelve FPGA
// configuration memories: a click chooses one, a double click loads its personality. It loads
// new program images into the DSPs' flash.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pages/DevicePage.h"
#include "platform/pacing_thread.h"
#include "platform/window_messages.h"

namespace ui {
class InputBlocker;
class LongOperation;
class WaitCursor;
}  // namespace ui

enum : uint32_t {
    UWM_EEPROM_ERASE_POLL = 0x602,
    UWM_EEPROM_PROGRAM_PAGES = 0x620,
};

// The page thread's run flag and window, and what it paces: erase polls, page programming.
extern std::atomic<int> g_bSystemThreadRun;
extern std::atomic<platform::WindowHandle> g_hSystemWnd;
extern std::atomic<int> g_bEepromErasePoll;
extern std::atomic<int> g_bEepromProgramPoll;

class CKV90T_System : public pages::DevicePage {
    Q_OBJECT
public:
    // How long the DSP takes to write its flash after the last block; tests shorten it.
    static std::atomic<uint32_t> s_nDspSettleMs;

    CKV90T_System(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);
    ~CKV90T_System() override;

    // The window told to stop its channel-status polls when a transfer starts.
    void SetMainWindow(platform::WindowHandle window) { m_hMainWindow = window; }

    // Reads the identity, the reference clock and the system pages (unless initial reads are
    // skipped) and shows them.
    void RefreshFromDevice() override;
    int SelectedMemory() const { return m_nSelectedMemory; }

    static const char* PersonalityName(uint8_t code);
    static const char* MemoryPersonalityName(uint16_t code);

    // The FPGA update is running (from Load to the end or Cancel).
    bool FpgaUpdating() const { return !m_image.empty(); }

protected:
    void OnDoubleClick(int id, int row) override;
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

private:
    void AddRules();
    // Reads what a display needs and has never been read: the identity and page 0.
    void ReadMissing();
    void ShowVersions();
    // Reads the system pages; whether they arrived is kept for the memory list.
    bool ReadPages();
    void ShowReferenceClock();
    void ShowMemoryList();
    void ShowMemorySelection();
    int32_t ToggleReferenceClock();
    int32_t SaveTimeToLive();
    int32_t TurnOffGraphs();
    void LoadPersonality(int memory);
    // Over a link other than serial the updates need the device's permission and a recent
    // DSP1 firmware.
    void ApplyUpdateAvailability();
    void AddUpdateRules();
    void BrowseDsp(int dsp);
    void LoadDsp(int dsp);
    // Sends the image in blocks; true when every block went through.
    bool SendDspImage(int dsp, const std::vector<uint8_t>& image);
    // The DSP's own flash time, the second bar stepping once a second.
    void WaitForDspFlash();
    void BrowseFpga();
    void LoadFpga();
    // The image padded with 0xFF to whole pages, one page more when it fills its last page.
    bool ReadFpgaImage(const std::string& path);
    // Over a serial link, the rate the erase reply named.
    bool SwitchBaudRate();
    void PollErase();
    void ProgramPages();
    void FinishFpga();
    void CancelFpga();
    // Frees the image and ends the wait cursor and the input block.
    void EndFpga();
    static void RunPageThread(const platform::Pacer& pacer);

    int m_nSelectedMemory = 0;
    // Whether the identity and the system pages arrived at their last read.
    bool m_bIdentityRead = true;
    bool m_bPagesRead = true;
    platform::WindowHandle m_hMainWindow = 0;
    // The FPGA update.
    int m_nTarget = 0;
    uint32_t m_nSavedMode = 0;
    uint8_t m_bSavedModeOption = 0;
    std::vector<uint8_t> m_image;
    uint32_t m_nProgrammed = 0;
    uint64_t m_nFpgaStart = 0;
    std::unique_ptr<ui::WaitCursor> m_pWait;
    std::unique_ptr<ui::InputBlocker> m_pBlock;
    // While the update runs, closing the window cancels it first.
    std::unique_ptr<ui::LongOperation> m_pOperation;
    int m_nAttempts = 0;  // failed attempts at the page that is programmed next
    platform::PacingThread m_thread{g_bSystemThreadRun, g_hSystemWnd};
};
