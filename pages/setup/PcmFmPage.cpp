#include "pages/setup/PcmFmPage.h"

#include <cstdio>
#include <string>

#include "pages/setup/setup_groups.h"
#include "protocol/CKV90T1_Comm.h"

namespace setup {

PcmFmPage::PcmFmPage(const ui::DialogTemplate& dialogTemplate, CKV90T1_Comm* comm, uint32_t channel,
                     int skipInitialRead, QWidget* parent, const char* titleFormat)
    : SetupPage(dialogTemplate, comm, channel, skipInitialRead, parent),
      m_pTitleFormat(titleFormat) {
    UpdateTitle();
}

void PcmFmPage::UpdateTitle() {
    const uint32_t mode = m_pComm->m_nOperationalMode;
    const char* name = protocol::ModeName(static_cast<int>(mode));
    char title[64];
    if (std::string(m_pTitleFormat).find("%u") != std::string::npos) {
        std::snprintf(title, sizeof title, m_pTitleFormat, m_nChannel + 1, name);
    } else {
        std::snprintf(title, sizeof title, m_pTitleFormat, name);
    }
    ShowTitle(protocol::IsPcmFmMode(mode) ? title : "Unknown", 24);
}

void PcmFmPage::AddPcmFmGroups() {
    auto& modIndexes = AddGroup<ModIndexGroup>();
    AddGroup<SubmodeGroup>(SubmodeGroup::List::PcmFm, &modIndexes);
    AddGroup<InputDataGroup>(kInputDataI, kInputDataLimits);
    AddGroup<OutputDataGroup>(kOutputDataI);
}

}  // namespace setup
