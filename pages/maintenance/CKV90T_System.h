#pragma once
// The System page: who and what the device is (serial number, device ID, versions, board
// revisions, personality, network, product texts), the small system controls (reference clock,
// UDP time-to-live, ping, switching status and graph streams off), and the twelve FPGA
// configuration memories: a click chooses one, a double click loads its personality. Its image
// updates are SystemUpdates'.

#include <cstdint>

#include "pages/DevicePage.h"
#include "pages/maintenance/SystemUpdates.h"

class CKV90T_System : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T_System(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    // The window told to stop its channel-status polls when a transfer starts.
    void SetMainWindow(platform::WindowHandle window) { m_updates.SetMainWindow(window); }

    // Reads the identity, the reference clock and the system pages (unless initial reads are
    // skipped) and shows them.
    void RefreshFromDevice() override;
    int SelectedMemory() const { return m_nSelectedMemory; }

    static const char* PersonalityName(uint8_t code);
    static const char* MemoryPersonalityName(uint16_t code);

    // The FPGA update is running (from Load to the end or Cancel).
    bool FpgaUpdating() const { return m_updates.FpgaUpdating(); }

protected:
    void OnDoubleClick(int id, int row) override;
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    const char* PolledMessageName(uintptr_t message) const override;

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

    int m_nSelectedMemory = 0;
    // Whether the identity and the system pages arrived at their last read.
    bool m_bIdentityRead = true;
    bool m_bPagesRead = true;
    SystemUpdates m_updates;
};
