#pragma once
// What the PCM/FM channel and combiner pages share: the submode, IF bandwidth, carrier loop,
// input data, output data and modulation index controls, their rules, and the Send.

#include "pages/setup/SetupPage.h"

namespace setup {

class PcmFmPage : public SetupPage {
    Q_OBJECT
public:
    // `titleFormat` takes the channel number (channel pages) and the mode name.
    PcmFmPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
              int skipInitialRead, QWidget* parent, const char* titleFormat);

    // Titles the page for the current operational mode.
    void UpdateTitle();

protected:
    void Redraw() override;
    void Send() override;
    // The page's own fields of the record, beyond the shared ones.
    virtual void FillRecord(protocol::ChannelSetup& record) = 0;
    // The output selector the Send passes on.
    virtual uint32_t OutputSelector() const = 0;
    // Runs after a successful record send; false on failure.
    virtual bool AfterSend() { return true; }

    void RedrawIfBandwidth();
    void RedrawModIndexes();

private:
    void AddSharedRules();
    int32_t ChangeSubmode(int position);
    int32_t ChangePcmCode(int position);
    void RedrawSubmode();
    void RedrawInputData();
    void RedrawOutputData();
    void RedrawCarrier();

    const char* m_pTitleFormat;
};

}  // namespace setup
