#pragma once
// The DAU built-in test page: the device's physical values (eight supply rails with in-range
// lamps, temperature, supply voltage, current and power), the historical supply voltage and
// temperature ranges, and the device's total runtime. It only reads.

#include "pages/DevicePage.h"

class CKV90T1_DAU_BIT_Dlg : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T1_DAU_BIT_Dlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    // Reads everything unless initial reads are skipped, and shows it.
    void RefreshFromDevice() override;

private:
    void ReadHistory();
    void ShowPhysicalValues();
    void ShowHistory();
};
