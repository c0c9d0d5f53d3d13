#include "pages/setup/SetupPage.h"

#include <QFont>

#include "link/CBaseClass.h"
#include "platform/beep.h"
#include "protocol/CKV90T1_Comm.h"
#include "ui/MessageBoxes.h"

namespace setup {

SetupPage::SetupPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
                     int skipInitialRead, QWidget* parent)
    : ui::CPage(dialogTemplate, parent),
      m_pComm(comm),
      m_nChannel(channel),
      m_bSkipInitialRead(skipInitialRead) {}

void SetupPage::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0 && m_pComm->ReadChannelSetup(m_nChannel) != 0) {
        m_pComm->ReadOutputSetup(m_nChannel);
    }
    Redraw();
}

protocol::ChannelSetup& SetupPage::Record() const {
    return CKV90T1_Comm::s_ChannelSetup[m_nChannel];
}

protocol::OutputDataSetup& SetupPage::OutputData() const {
    return m_pComm->m_OutputData[m_nChannel];
}

void SetupPage::DrainInput(bool check) {
    CBaseClass* link = m_pComm->GetDeviceLink();
    const uint16_t discarded = link != nullptr ? link->DrainInput() : 0;
    if (check && discarded != 0) {
        ui::MessageBox(this, "The COM Buffer was not empty.", "COM Buffer", ui::MessageIcon::Error);
    }
}

void SetupPage::Beep(bool success) {
    success ? platform::Beep(1000, 10) : platform::Beep(100, 100);
}

bool SetupPage::SendRecord(const protocol::ChannelSetup& record, uint32_t outputSelector) {
    return m_pComm->SetChannelSetup(m_nChannel, record) != 0 &&
           m_pComm->ResetOutputSetup(m_nChannel) != 0 &&
           m_pComm->SetOutputDataSetup(m_nChannel, 0, 0, 0, 0, outputSelector, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0) != 0;
}

int32_t SetupPage::ToggleRecordFlag(uint32_t protocol::ChannelSetup::*flag) {
    protocol::ChannelSetup record = Record();
    record.*flag = record.*flag != 0 ? 0 : 1;
    return m_pComm->SetChannelSetup(m_nChannel, record);
}

void SetupPage::ShowSelector(int upDown, int edit, int position, const std::string& text) {
    SetPos(upDown, position);
    SetText(edit, text);
}

void SetupPage::ShowOnOff(int toggle, uint32_t value, const char* on, const char* off) {
    SetCheck(toggle, value != 0);
    SetText(toggle, value != 0 ? on : off);
}

void SetupPage::ShowInvert(int toggle, uint32_t value) {
    SetCheck(toggle, value == 1);
    SetText(toggle, value == 0 ? "Normal" : value == 1 ? "Inverted" : "???????");
}

void SetupPage::ShowTwoState(int toggle, uint32_t value, const char* on, const char* off) {
    if (value <= 1) {
        ShowOnOff(toggle, value, on, off);
    }
}

void SetupPage::SetTitleFont(int title, int height) {
    QFont font("Arial");
    font.setPixelSize(height);
    Control(title)->setFont(font);
}

void SetupPage::SetEntryFont(std::initializer_list<int> edits) {
    QFont font("Arial");
    font.setPixelSize(20);
    font.setWeight(QFont::Medium);
    for (int id : edits) {
        Control(id)->setFont(font);
    }
}

void SetupPage::OnUpDownPosition(int id, int position) {
    const auto rule = m_upDownRules.find(id);
    if (rule == m_upDownRules.end()) {
        return;
    }
    DrainInput(rule->second.bufferCheck);
    const int32_t result = rule->second.change(position);
    rule->second.redraw();
    if (result == 0 || rule->second.beepOnSuccess) {
        Beep(result != 0);
    }
}

void SetupPage::OnCommand(int id) {
    if (m_sendButtons.count(id) != 0) {
        DrainInput(false);
        Send();
        return;
    }
    const auto rule = m_toggleRules.find(id);
    if (rule != m_toggleRules.end()) {
        DrainInput(false);
        const int32_t result = rule->second.change();
        rule->second.redraw();
        Beep(result != 0);
    }
}

}  // namespace setup
