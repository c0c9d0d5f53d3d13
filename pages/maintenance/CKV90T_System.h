#pragma once
// The System page: who and what the device is (serial number, device ID, versions, board
// revisions, personality, network, product texts), the small system controls (reference clock,
// UDP time-to-live, ping, switching status and graph streams off), and the twelve FPGA
// configuration memories: a click chooses one, a double click loads its personality. It loads
// new program images into the DSPs' flash.

#include <atomic>
#include <cstdint>
#include <vector>

#include "pages/DevicePage.h"
#include "platform/window_messages.h"

class CKV90T_System : public pages::DevicePage {
    Q_OBJECT
public:
    // How long the DSP takes to write its flash after the last block; tests shorten it.
    static std::atomic<uint32_t> s_nDspSettleMs;

    CKV90T_System(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    // The window told to stop its channel-status polls when a transfer starts.
    void SetMainWindow(platform::WindowHandle window) { m_hMainWindow = window; }

    // Reads the identity, the reference clock and the system pages (unless initial reads are
    // skipped) and shows them.
    void RefreshFromDevice() override;
    int SelectedMemory() const { return m_nSelectedMemory; }

    static const char* PersonalityName(uint8_t code);
    static const char* MemoryPersonalityName(uint16_t code);

protected:
    void OnDoubleClick(int id, int row) override;

private:
    void AddRules();
    // Reads what a display needs and has never been read: the identity and page 0.
    void ReadMissing();
    void ShowVersions();
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
    // Lets the window repaint while operator input waits.
    void Paint();

    int m_nSelectedMemory = 0;
    platform::WindowHandle m_hMainWindow = 0;
};
