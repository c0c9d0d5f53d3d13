#include "pages/DevicePage.h"

#include "link/CBaseClass.h"
#include "pages/page_messages.h"
#include "platform/debug_output.h"
#include "protocol/CKV90T1_Comm.h"

namespace pages {

DevicePage::DevicePage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm,
                       int skipInitialRead, QWidget* parent)
    : ui::CPage(dialogTemplate, parent), m_pComm(comm), m_bSkipInitialRead(skipInitialRead) {
    SetDrainInput([this] { return DrainDeviceInput(); });
}

uint16_t DevicePage::DrainDeviceInput() const {
    CBaseClass* link = m_pComm->GetDeviceLink();
    return link != nullptr ? link->DrainInput() : 0;
}

intptr_t DevicePage::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message != ID_CHECK_EXTRA_BYTES) {
        return CPage::OnMessage(message, wParam, lParam);
    }
    if (DrainDeviceInput() != 0) {
        const char* name = PolledMessageName(wParam);
        platform::DebugOutput(std::string("Extra bytes found after ") +
                              (name != nullptr ? name : "an unknown message") + ":\r\n");
    }
    return 0;
}

void DevicePage::ShowOnOff(int toggle, uint32_t value, const char* on, const char* off) {
    SetCheck(toggle, value != 0);
    SetText(toggle, value != 0 ? on : off);
}

}  // namespace pages
