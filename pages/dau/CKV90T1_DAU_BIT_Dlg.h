#pragma once
// The DAU built-in test page: the device's physical values (eight supply rails with in-range
// lamps, temperature, supply voltage, current and power), the historical supply voltage and
// temperature ranges, and the device's total runtime. It only reads.

#include <functional>

#include "pages/DevicePage.h"

class CKV90T1_DAU_BIT_Dlg : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T1_DAU_BIT_Dlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    // Reads everything unless initial reads are skipped, and shows it.
    void RefreshFromDevice() override;

    // After each read of the physical values that the device answered.
    std::function<void()> onPhysicalValuesRead;

private:
    int32_t ReadPhysicalValues();
    void ReadHistory();
    void ShowPhysicalValues();
    void ShowHistory();
};
