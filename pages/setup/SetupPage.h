#pragma once
// What every receiver setup page shares: its path, the groups it is composed of, the Send that
// runs the page's record through the device, and the helpers that show values in selectors and
// toggles. A page is declared as a list of groups (setup_groups.h), its Send buttons and its
// family's fixed Send fields; the groups register their own rules and redraws.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "pages/DevicePage.h"
#include "pages/setup/send_fields.h"
#include "protocol/device_state.h"

class CKV90T1_Comm;

namespace setup {

class SetupPage;

// A group of a page's controls, bound to the page's path: it shows its part of the device
// state, registers the rules of its controls, and carries its edits into the Send's record.
class SetupGroup {
public:
    explicit SetupGroup(SetupPage& page) : m_page(page) {}
    virtual ~SetupGroup() = default;
    SetupGroup(const SetupGroup&) = delete;
    SetupGroup& operator=(const SetupGroup&) = delete;

    virtual void Redraw() = 0;
    // Replaces the record fields that the group's free-entry edits carry.
    virtual void Fill(protocol::ChannelSetup&) {}
    // Runs after the Send's record and output data went out; 0 on failure.
    virtual int32_t AfterSend() { return 1; }

protected:
    SetupPage& m_page;
};

class SetupPage : public pages::DevicePage {
    Q_OBJECT
public:
    SetupPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
              int skipInitialRead, QWidget* parent);
    ~SetupPage() override;

    // Reads the setup back (unless initial reads are skipped) and redraws every group. When a
    // read fails, the page shows no values and sends nothing until a read succeeds (Retry).
    void RefreshFromDevice() override;
    bool ReadFailed() const { return m_bReadFailed; }

    uint32_t Channel() const { return m_nChannel; }
    const protocol::ChannelSetup& Record() const;
    const protocol::OutputDataSetup& OutputData() const;

    // Registers the rule of a control of the page.
    void Bind(int id, ui::Rule rule) { AddRule(id, std::move(rule)); }
    // An up-down's rule: drained with the "COM Buffer" box when `bufferCheck`, else silently.
    void BindUpDown(int id, bool bufferCheck, std::function<int32_t(int)> change,
                    std::function<void()> redraw, ui::BeepWhen beep = ui::BeepWhen::Always);
    // A toggle's rule: drained silently, the change, the redraw and the beep.
    void BindToggle(int id, std::function<int32_t()> change, std::function<void()> redraw);
    // Sends the page's record with `change` made to a copy of it.
    int32_t SendChangedRecord(const std::function<void(protocol::ChannelSetup&)>& change);
    // Inverts a record flag and sends the whole record.
    int32_t ToggleRecordFlag(uint32_t protocol::ChannelSetup::*flag);

    // Selector: the up-down at `position` and the edit showing `text`.
    void ShowSelector(int upDown, int edit, int position, const std::string& text);
    // The three-way invert state: 0 "Normal", 1 "Inverted", other values "???????".
    void ShowInvert(int toggle, uint32_t value);
    // A two-state flag whose other values leave the toggle as it is.
    void ShowTwoState(int toggle, uint32_t value, const char* on, const char* off);
    void SetEntryFont(std::initializer_list<int> edits);

    // Every group from the state; a page with controls outside its groups redraws those too.
    virtual void Redraw();

protected:
    template <typename G, typename... Args>
    G& AddGroup(Args&&... args) {
        auto group = std::make_unique<G>(*this, std::forward<Args>(args)...);
        G& added = *group;
        m_groups.push_back(std::move(group));
        return added;
    }
    // Every button given runs the page's Send.
    void AddSendButtons(std::initializer_list<int> buttons);
    // The Send's fixed fields and the output selector it passes on.
    void SetSendFields(const SendFields& fields, uint32_t outputSelector);
    // The title static in the title font, with `text`.
    void ShowTitle(const std::string& text, int fontHeight);
    // Reads what the page shows; true when every read arrived. A page reads its setup and its
    // output setup unless it says otherwise.
    virtual bool ReadSetups();

    const uint32_t m_nChannel;

private:
    // The Send steps: the record with the edits and the fixed fields, then the output data.
    int32_t Send();
    // The output data a Send sets: the page's selector, and the PSK flags and Q PCM code carried
    // over where the page passes them on; everything else cleared.
    protocol::OutputDataSetup OutputDataToSend() const;
    // Reads the page's setup and output setup; true when both arrived.
    bool ReadBack();
    // The values, or the notice that they could not be read.
    void ShowReadOutcome();

    std::vector<std::unique_ptr<SetupGroup>> m_groups;
    SendFields m_sendFields;
    uint32_t m_nOutputSelector = 0;
    bool m_bReadFailed = false;
};

}  // namespace setup
