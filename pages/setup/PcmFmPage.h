#pragma once
// What the PCM/FM channel and combiner pages share: the title for the current mode and the
// groups both have (submode, input data, output data, modulation index).

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
    void AddPcmFmGroups();

private:
    const char* m_pTitleFormat;
};

}  // namespace setup
