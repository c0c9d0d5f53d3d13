#pragma once
// The System page's image updates: a new program into a DSP's flash and a new image into an
// FPGA configuration memory, with their path edits, progress bars and Cancel. The sequences
// themselves are transfer/'s; this shows them and paces the FPGA update from a page thread, so
// that the window paints and takes Cancel between its steps.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/pacing_thread.h"
#include "platform/window_messages.h"
#include "transfer/firmware_files.h"

namespace firmware {
class FpgaUpdate;
}
namespace pages {
class DevicePage;
}
namespace ui {
class InputBlocker;
class LongOperation;
class RuleEngine;
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

class SystemUpdates {
public:
    // What the page does for the updates: which memory is chosen, and showing the memory list
    // again once an FPGA update ended (with whether the system pages were read).
    struct PageHooks {
        std::function<int()> selectedMemory;
        std::function<void(bool pagesRead)> showMemories;
    };

    SystemUpdates(pages::DevicePage& page, ui::RuleEngine& rules, PageHooks hooks);
    ~SystemUpdates();
    SystemUpdates(const SystemUpdates&) = delete;
    SystemUpdates& operator=(const SystemUpdates&) = delete;

    // The window told to stop its channel-status polls when an update starts.
    void SetMainWindow(platform::WindowHandle window) { m_hMainWindow = window; }
    // Over a link other than serial the update controls need the device's permission and a
    // recent DSP1 program; `readIdentity` reads the identity first when it was never read.
    void ApplyAvailability(bool readIdentity);
    bool FpgaUpdating() const { return m_fpga != nullptr; }
    // The page thread's messages; true when the message was one of them.
    bool OnMessage(uint32_t message);
    static const char* PolledMessageName(uintptr_t message);

private:
    void AddRules(ui::RuleEngine& rules);
    void Browse(firmware::Image image, int pathId);
    void LoadDsp(int dsp);
    // The DSP's own flash time, the second bar stepping once a second.
    void WaitForDspFlash();
    void LoadFpga();
    // Shows the bars and Cancel, blocks the rest of the input and starts the erase polls.
    void ShowFpgaStarted();
    void PollErase();
    void ProgramPages();
    void FinishFpga();
    void CancelFpga();
    // Frees the image and ends the wait cursor and the input block.
    void EndFpga();
    static void RunPageThread(const platform::Pacer& pacer);

    pages::DevicePage& m_page;
    PageHooks m_hooks;
    platform::WindowHandle m_hMainWindow = 0;
    std::unique_ptr<firmware::FpgaUpdate> m_fpga;
    uint64_t m_nFpgaStart = 0;
    std::unique_ptr<ui::WaitCursor> m_pWait;
    std::unique_ptr<ui::InputBlocker> m_pBlock;
    // While the update runs, closing the window cancels it first.
    std::unique_ptr<ui::LongOperation> m_pOperation;
    platform::PacingThread m_thread{g_bSystemThreadRun, g_hSystemWnd};
};
