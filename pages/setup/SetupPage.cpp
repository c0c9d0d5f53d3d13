#include "pages/setup/SetupPage.h"

#include <QFont>
#include <QLabel>

#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"

namespace setup {

namespace {
constexpr const char* kNotReadText =
    "The device did not answer the read-back: no values are shown, and nothing can be sent "
    "until they are read.";
}

SetupPage::SetupPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
                     int skipInitialRead, QWidget* parent)
    : pages::DevicePage(dialogTemplate, comm, skipInitialRead, parent), m_nChannel(channel) {
    if (HasControl(res::IDC_READ_NOTICE_GROUP)) {
        Show(res::IDC_READ_NOTICE_GROUP, false);
        SetText(res::IDC_READ_NOTICE, kNotReadText);
        qobject_cast<QLabel*>(Control(res::IDC_READ_NOTICE))->setWordWrap(true);
        Bind(res::IDC_READ_RETRY, {ui::Drain::Silent, [this](int) { return ReadBack() ? 1 : 0; },
                                   [this] { ShowReadOutcome(); }});
    }
}

SetupPage::~SetupPage() = default;

void SetupPage::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        ReadBack();
    }
    ShowReadOutcome();
}

bool SetupPage::ReadBack() {
    m_bReadFailed = !ReadSetups();
    return !m_bReadFailed;
}

bool SetupPage::ReadSetups() {
    return m_pComm->ReadChannelSetup(m_nChannel) != 0 && m_pComm->ReadOutputSetup(m_nChannel) != 0;
}

void SetupPage::ShowReadOutcome() {
    if (HasControl(res::IDC_READ_NOTICE_GROUP)) {
        Show(res::IDC_READ_NOTICE_GROUP, m_bReadFailed);
        EnableGroups(!m_bReadFailed, res::IDC_READ_NOTICE_GROUP);
    }
    if (m_bReadFailed) {
        ClearValues();
    } else {
        Redraw();
    }
}

void SetupPage::Redraw() {
    for (const auto& group : m_groups) {
        group->Redraw();
    }
}

const protocol::ChannelSetup& SetupPage::Record() const {
    return m_pComm->m_ChannelSetup[m_nChannel];
}

const protocol::OutputDataSetup& SetupPage::OutputData() const {
    return m_pComm->m_OutputData[m_nChannel];
}

void SetupPage::BindUpDown(int id, bool bufferCheck, std::function<int32_t(int)> change,
                           std::function<void()> redraw, ui::BeepWhen beep) {
    Bind(id, {bufferCheck ? ui::Drain::Report : ui::Drain::Silent, std::move(change),
              std::move(redraw), beep});
}

void SetupPage::BindToggle(int id, std::function<int32_t()> change, std::function<void()> redraw) {
    Bind(id, {ui::Drain::Silent, [change = std::move(change)](int) { return change(); },
              std::move(redraw)});
}

int32_t SetupPage::SendChangedRecord(const std::function<void(protocol::ChannelSetup&)>& change) {
    protocol::ChannelSetup record = Record();
    change(record);
    return m_pComm->SetChannelSetup(m_nChannel, record);
}

int32_t SetupPage::ToggleRecordFlag(uint32_t protocol::ChannelSetup::*flag) {
    return SendChangedRecord([flag](protocol::ChannelSetup& r) { r.*flag = r.*flag != 0 ? 0 : 1; });
}

void SetupPage::AddSendButtons(std::initializer_list<int> buttons) {
    for (int button : buttons) {
        Bind(button, {ui::Drain::Silent, [this](int) { return Send(); }, {}});
    }
}

void SetupPage::SetSendFields(const SendFields& fields, uint32_t outputSelector) {
    m_sendFields = fields;
    m_nOutputSelector = outputSelector;
}

int32_t SetupPage::Send() {
    protocol::ChannelSetup record = Record();
    for (const auto& group : m_groups) {
        group->Fill(record);
    }
    ApplySendFields(m_sendFields, record);
    bool sent = m_pComm->SetChannelSetup(m_nChannel, record) != 0 &&
                m_pComm->ResetOutputSetup(m_nChannel) != 0 &&
                m_pComm->SetOutputDataSetup(m_nChannel, OutputDataToSend()) != 0;
    for (const auto& group : m_groups) {
        sent = sent && group->AfterSend() != 0;
    }
    Redraw();
    return sent ? 1 : 0;
}

protocol::OutputDataSetup SetupPage::OutputDataToSend() const {
    protocol::OutputDataSetup data;
    data.selector = m_nOutputSelector;
    if (m_sendFields.passesPskOutputData) {
        const protocol::OutputDataSetup& held = OutputData();
        data.flag2 = held.flag2;
        data.flag3 = held.flag3;
        data.flag4 = held.flag4;
        data.qPcmCode = held.qPcmCode;
    }
    return data;
}

void SetupPage::ShowSelector(int upDown, int edit, int position, const std::string& text) {
    SetPos(upDown, position);
    SetText(edit, text);
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

void SetupPage::ShowTitle(const std::string& text, int fontHeight) {
    QFont font("Arial");
    font.setPixelSize(fontHeight);
    SetFont(res::IDC_SETUP_TITLE, font);
    SetText(res::IDC_SETUP_TITLE, text);
}

void SetupPage::SetEntryFont(std::initializer_list<int> edits) {
    QFont font("Arial");
    font.setPixelSize(20);
    font.setWeight(QFont::Medium);
    for (int id : edits) {
        SetFont(id, font);
    }
}

}  // namespace setup
