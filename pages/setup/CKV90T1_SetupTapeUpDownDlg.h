#pragma once
// The tape up/down converter page (mode 11), three instances: down converters 1 and 2 and the
// up converter. Each command has a group of its own with its Send and Read Setup.

#include "pages/setup/SetupPage.h"

class CKV90T1_SetupTapeUpDownDlg : public setup::SetupPage {
    Q_OBJECT
public:
    // A channel index above 2 stands for the up converter.
    CKV90T1_SetupTapeUpDownDlg(CKV90T1_Comm* comm, uint32_t channel, int skipInitialRead,
                               QWidget* parent);

    // With initial reads skipped nothing at all happens; otherwise the setups are read back and
    // every group is redrawn, or, when a read failed, emptied and disabled until Retry.
    void RefreshFromDevice() override;
    void Redraw() override;

protected:
    bool ReadSetups() override;

private:
    bool UpConverter() const { return m_nChannel == 2; }
    void AddRules();
    int32_t SendSetup();
    int32_t SendBaseband();
    int32_t SendIf();
    void RedrawSetup();
    void RedrawBaseband();
    void RedrawIf();
};
