#pragma once
// What every page that talks to the device shares: the protocol object, the skip-initial-read
// flag, the drain of the device link that its rules run first and its page thread asks for,
// and the on/off toggle display.

#include <cstdint>

#include "ui/CPage.h"

class CKV90T1_Comm;

namespace pages {

class DevicePage : public ui::CPage {
    Q_OBJECT
public:
    DevicePage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, int skipInitialRead,
               QWidget* parent);

    CKV90T1_Comm& Comm() const { return *m_pComm; }
    // Discards the input waiting on the device link; how many bytes it discarded.
    uint16_t DrainDeviceInput() const;
    // Toggle: checked and `on` for nonzero, unchecked and `off` for 0.
    void ShowOnOff(int toggle, uint32_t value, const char* on, const char* off);

protected:
    // Handles ID_CHECK_EXTRA_BYTES for every page thread: discards what the polled message's
    // transaction left on the link and says so in the debug output.
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // How that report names a polled message ("an ADC Update message"); nullptr when the page
    // does not poll it.
    virtual const char* PolledMessageName(uintptr_t) const { return nullptr; }

    CKV90T1_Comm* m_pComm;
    const int m_bSkipInitialRead;
};

}  // namespace pages
