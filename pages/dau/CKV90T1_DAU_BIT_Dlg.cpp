#include "pages/dau/CKV90T1_DAU_BIT_Dlg.h"

#include <QFont>

#include "pages/dau/bit_values.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;

CKV90T1_DAU_BIT_Dlg::CKV90T1_DAU_BIT_Dlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::DauBitTemplate(), comm, skipInitialRead, parent) {
    setWindowTitle("  BIT");
    QFont values("Arial");
    values.setPixelSize(16);
    values.setWeight(QFont::Medium);
    values.setFixedPitch(true);
    for (int i = 0; i < protocol::kRails; ++i) {
        SetFont(IDC_BIT_RAIL[i], values);
        Show(IDC_BIT_RAIL_GREEN[i], false);
        Show(IDC_BIT_RAIL_YELLOW[i], false);
    }
    for (int id : {IDC_BIT_TEMPERATURE, IDC_BIT_SUPPLY_VOLTAGE, IDC_BIT_SUPPLY_CURRENT,
                   IDC_BIT_SUPPLY_POWER}) {
        SetFont(id, values);
    }
    AddRule(IDC_BIT_READ_PHYSICAL, {ui::Drain::None, [this](int) { return ReadPhysicalValues(); },
                                    [this] { ShowPhysicalValues(); }});
    AddRule(IDC_BIT_READ_HISTORY, {ui::Drain::None,
                                   [this](int) {
                                       ReadHistory();
                                       return 1;
                                   },
                                   [this] { ShowHistory(); }, ui::BeepWhen::Never});
}

int32_t CKV90T1_DAU_BIT_Dlg::ReadPhysicalValues() {
    const int32_t result = m_pComm->ReadPhysicalValues();
    if (result != 0 && onPhysicalValuesRead) {
        onPhysicalValuesRead();
    }
    return result;
}

void CKV90T1_DAU_BIT_Dlg::ReadHistory() {
    m_pComm->ReadSupplyVoltageRange();
    m_pComm->ReadTemperatureRange();
    m_pComm->ReadTotalRuntime();
}

void CKV90T1_DAU_BIT_Dlg::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        DrainDeviceInput();
        ReadPhysicalValues();
        ReadHistory();
    }
    ShowPhysicalValues();
    ShowHistory();
}

void CKV90T1_DAU_BIT_Dlg::ShowPhysicalValues() {
    const float* v = m_pComm->m_System.physicalValues;
    for (int i = 0; i < protocol::kRails; ++i) {
        SetText(IDC_BIT_RAIL[i], ui::Printf("%.1f V", v[i]));
        ShowLamp(protocol::RailInRange(i, v[i]) ? IDC_BIT_RAIL_GREEN[i] : IDC_BIT_RAIL_YELLOW[i]);
    }
    SetText(IDC_BIT_TEMPERATURE, ui::Printf("%d °C", static_cast<int>(v[8])));
    SetText(IDC_BIT_SUPPLY_VOLTAGE, ui::Printf("%.1f V", v[9]));
    SetText(IDC_BIT_SUPPLY_CURRENT, ui::Printf("%.1f A", v[10]));
    SetText(IDC_BIT_SUPPLY_POWER, ui::Printf("%.1f W", v[9] * v[10]));
}

// The lower value of each range stands on the left.
void CKV90T1_DAU_BIT_Dlg::ShowHistory() {
    const protocol::SystemState& s = m_pComm->m_System;
    SetText(IDC_BIT_VOLTAGE_LOW, ui::Printf("%.3f V", s.SupplyVoltageLow()));
    SetText(IDC_BIT_VOLTAGE_HIGH, ui::Printf("%.3f V", s.SupplyVoltageHigh()));
    const int low = s.TemperatureLow();
    const int high = s.TemperatureHigh();
    SetText(IDC_BIT_TEMP_LOW_C, ui::Printf("%d °C", low));
    SetText(IDC_BIT_TEMP_HIGH_C, ui::Printf("%d °C", high));
    SetText(IDC_BIT_TEMP_LOW_F, ui::Printf("%d °F", dau::Fahrenheit(low)));
    SetText(IDC_BIT_TEMP_HIGH_F, ui::Printf("%d °F", dau::Fahrenheit(high)));
    const dau::Runtime r = dau::RuntimeOf(s.totalRuntime);
    const uint32_t parts[6] = {r.years, r.months, r.days, r.hours, r.minutes, r.seconds};
    for (int i = 0; i < 6; ++i) {
        SetText(IDC_BIT_RUNTIME[i], ui::Printf("%d", static_cast<int>(parts[i])));
    }
}
