#pragma once
// The DAU time code page: the IRIG code, the time signal source, the 100 Ohm termination and
// the time (from GPS weeks and seconds of week, from five fields, or from the computer's
// clock). Everything it sends is the whole time code setup.

#include <cstdint>

#include "pages/DevicePage.h"
#include "protocol/device_state.h"

class CKV90T1_DAU_SetupIRIG_TimeDlg : public pages::DevicePage {
    Q_OBJECT
public:
    CKV90T1_DAU_SetupIRIG_TimeDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent);

    // Reads the setup back unless initial reads are skipped, and shows it.
    void RefreshFromDevice() override;

private:
    void AddRules();
    void AddCodeRule(int button, uint8_t format, uint8_t modulation, uint8_t carrier,
                     uint32_t codedExpression);
    void AddTimeFieldRule(int field);
    int32_t SendCode(uint8_t format, uint8_t modulation, uint8_t carrier);
    int32_t SendSeed();
    int32_t SendTypedTime();
    int32_t SendSignalSource(uint8_t externalIrig, uint8_t external1Pps);
    void ShowSetup();
    void ShowTime();

    uint32_t m_nCodedExpression = 0;
};
