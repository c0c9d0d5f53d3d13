#pragma once
// What every receiver setup page shares: the up-down rule, the toggle rule and the Send steps,
// the buffer check, the feedback beeps, and the helpers that show values in selectors and
// toggles. A page declares its rules and redraws; this class runs them.

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "protocol/device_state.h"
#include "ui/CPage.h"

class CKV90T1_Comm;

namespace setup {

class SetupPage : public ui::CPage {
    Q_OBJECT
public:
    SetupPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
              int skipInitialRead, QWidget* parent);

    // Reads the setup back (unless initial reads are skipped) and redraws every control.
    void RefreshFromDevice() override;

protected:
    // An up-down control's rule: the buffer check, the change (a setter's result, 0 when the
    // rule itself refused and sent nothing), the controls to redraw, and whether success beeps.
    struct UpDownRule {
        bool bufferCheck;
        std::function<int32_t(int position)> change;
        std::function<void()> redraw;
        bool beepOnSuccess = true;
    };
    // A toggle's rule: the change with the inverted flag, and the redraw of the toggle.
    struct ToggleRule {
        std::function<int32_t()> change;
        std::function<void()> redraw;
    };

    virtual void Redraw() = 0;
    // The Send steps of the page (after the input is drained).
    virtual void Send() = 0;

    void AddUpDownRule(int upDown, UpDownRule rule) { m_upDownRules[upDown] = std::move(rule); }
    void AddToggleRule(int toggle, ToggleRule rule) { m_toggleRules[toggle] = std::move(rule); }
    void AddSendButton(int button) { m_sendButtons.insert(button); }

    // Discards waiting input; with `check`, says so in the "COM Buffer" box.
    void DrainInput(bool check);
    static void Beep(bool success);
    // Runs the record through SetChannelSetup, ResetOutputSetup and SetOutputDataSetup (each
    // only after the one before succeeded); true when all did.
    bool SendRecord(const protocol::ChannelSetup& record, uint32_t outputSelector);
    // Inverts a record flag and sends the whole record.
    int32_t ToggleRecordFlag(uint32_t protocol::ChannelSetup::*flag);

    protocol::ChannelSetup& Record() const;
    protocol::OutputDataSetup& OutputData() const;

    // Selector: the up-down at `position` and the edit showing `text`.
    void ShowSelector(int upDown, int edit, int position, const std::string& text);
    // Toggle: checked and `on` for nonzero, unchecked and `off` for 0.
    void ShowOnOff(int toggle, uint32_t value, const char* on, const char* off);
    // The three-way invert state: 0 "Normal", 1 "Inverted", other values "???????".
    void ShowInvert(int toggle, uint32_t value);
    // A two-state flag whose other values leave the toggle as it is.
    void ShowTwoState(int toggle, uint32_t value, const char* on, const char* off);
    void SetTitleFont(int title, int height);
    void SetEntryFont(std::initializer_list<int> edits);

    void OnUpDownPosition(int id, int position) override;
    void OnCommand(int id) override;

    CKV90T1_Comm* m_pComm;
    const uint32_t m_nChannel;
    const int m_bSkipInitialRead;

private:
    std::map<int, UpDownRule> m_upDownRules;
    std::map<int, ToggleRule> m_toggleRules;
    std::set<int> m_sendButtons;
};

}  // namespace setup
