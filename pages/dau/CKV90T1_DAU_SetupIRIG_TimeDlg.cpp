#include "pages/dau/CKV90T1_DAU_SetupIRIG_TimeDlg.h"

#include <algorithm>
#include <ctime>

#include "pages/dau/time_code_text.h"
#include "pages/setup/setup_text.h"
#include "protocol/CKV90T1_Comm.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Format.h"

using namespace res;
using protocol::TimeCodeSetup;

namespace {

struct Code {
    uint8_t format, modulation, carrier;
    uint32_t codedExpression;
};

// The IRIG code buttons in template order.
constexpr Code kCodes[23] = {{0, 1, 3, 0}, {0, 1, 3, 1}, {0, 1, 3, 2}, {0, 1, 3, 3}, {0, 1, 3, 4},
                             {0, 1, 3, 5}, {0, 1, 3, 6}, {0, 1, 3, 7}, {0, 2, 3, 7}, {1, 1, 2, 0},
                             {1, 1, 2, 1}, {1, 1, 2, 2}, {1, 1, 2, 3}, {1, 1, 2, 4}, {1, 1, 2, 5},
                             {1, 1, 2, 6}, {1, 1, 2, 7}, {1, 2, 3, 7}, {3, 1, 4, 1}, {3, 1, 4, 2},
                             {3, 1, 4, 5}, {3, 1, 4, 6}, {3, 2, 4, 5}};

constexpr uint32_t kFieldMaximum[5] = {99, 366, 23, 59, 59};
constexpr platform::Tone kSpinTone{1000, 5};

// The date fields of a setup as BCD.
void PutDate(TimeCodeSetup& t, const dau::TimeFields& date) {
    t.year = static_cast<uint8_t>(dau::ToBcd(date.year));
    t.day = static_cast<uint16_t>(dau::ToBcd(date.day));
    t.hour = static_cast<uint8_t>(dau::ToBcd(date.hour));
    t.minute = static_cast<uint8_t>(dau::ToBcd(date.minute));
    t.second = static_cast<uint8_t>(dau::ToBcd(date.second));
}

dau::TimeFields DateOf(const TimeCodeSetup& t) {
    return {dau::FromBcd(t.year), dau::FromBcd(t.day), dau::FromBcd(t.hour), dau::FromBcd(t.minute),
            dau::FromBcd(t.second)};
}

// A code button or "Seed" resets the fields the page has no control for.
void ResetOtherFields(TimeCodeSetup& t) {
    t.flagA = t.flagB = t.flagD = t.flagF = t.flagG = 0;
    t.selectorC = 0;
    t.selectorE = 1;
}

}  // namespace

CKV90T1_DAU_SetupIRIG_TimeDlg::CKV90T1_DAU_SetupIRIG_TimeDlg(CKV90T1_Comm* comm,
                                                             int skipInitialRead, QWidget* parent)
    : pages::DevicePage(res::DauTimeTemplate(), comm, skipInitialRead, parent) {
    setWindowTitle(" Time");
    for (int i = 0; i < 5; ++i) {
        SetRange(IDC_IRIG_TIME_UPDOWN[i], 0, static_cast<int>(kFieldMaximum[i]));
    }
    AddRules();
}

void CKV90T1_DAU_SetupIRIG_TimeDlg::AddRules() {
    using ui::Drain;
    for (int i = 0; i < 23; ++i) {
        const Code& code = kCodes[i];
        AddCodeRule(IDC_IRIG_CODE[i], code.format, code.modulation, code.carrier,
                    code.codedExpression);
    }
    AddRule(IDC_IRIG_SEED,
            {Drain::Silent, [this](int) { return SendSeed(); }, [this] { ShowTime(); }});
    AddRule(IDC_IRIG_SEND,
            {Drain::None, [this](int) { return SendTypedTime(); }, [this] { ShowTime(); }});
    for (int field = 0; field < 5; ++field) {
        AddTimeFieldRule(field);
    }
    auto showSetup = [this] { ShowSetup(); };
    AddRule(IDC_IRIG_TERMINATION, {Drain::Silent,
                                   [this](int) {
                                       TimeCodeSetup t = m_pComm->m_TimeCode;
                                       t.termination = t.termination != 0 ? 0 : 1;
                                       return m_pComm->SendTimeCodeSetup(t);
                                   },
                                   showSetup});
    AddRule(IDC_IRIG_USE_1PPS,
            {Drain::Silent, [this](int) { return SendSignalSource(0, 1); }, showSetup});
    AddRule(IDC_IRIG_USE_EXT_IRIG,
            {Drain::Silent, [this](int) { return SendSignalSource(1, 0); }, showSetup});
    AddRule(IDC_IRIG_USE_FLYWHEEL,
            {Drain::Silent, [this](int) { return SendSignalSource(0, 0); }, showSetup});
}

void CKV90T1_DAU_SetupIRIG_TimeDlg::AddCodeRule(int button, uint8_t format, uint8_t modulation,
                                                uint8_t carrier, uint32_t codedExpression) {
    AddRule(button, {ui::Drain::Silent,
                     [=, this](int) {
                         m_nCodedExpression = codedExpression;
                         return SendCode(format, modulation, carrier);
                     },
                     [this] {
                         ShowSetup();
                         ShowTime();
                     }});
}

// A spin control stores its position, limited to the field's maximum, as BCD.
void CKV90T1_DAU_SetupIRIG_TimeDlg::AddTimeFieldRule(int field) {
    AddRule(IDC_IRIG_TIME_UPDOWN[field],
            {ui::Drain::Report,
             [this, field](int position) {
                 const uint32_t value = dau::ToBcd(
                     std::min(static_cast<uint32_t>(std::max(position, 0)), kFieldMaximum[field]));
                 TimeCodeSetup t = m_pComm->m_TimeCode;
                 uint8_t* const fields[5] = {&t.year, nullptr, &t.hour, &t.minute, &t.second};
                 if (field == 1) {
                     t.day = static_cast<uint16_t>(value);
                 } else {
                     *fields[field] = static_cast<uint8_t>(value);
                 }
                 return m_pComm->SendTimeCodeSetup(t);
             },
             [this] { ShowTime(); }, ui::BeepWhen::Always, kSpinTone});
}

int32_t CKV90T1_DAU_SetupIRIG_TimeDlg::SendCode(uint8_t format, uint8_t modulation,
                                                uint8_t carrier) {
    const uint32_t weeks = setup::UnsignedFromText(Text(IDC_IRIG_WEEKS));
    const uint32_t seconds = setup::UnsignedFromText(Text(IDC_IRIG_SECONDS_OF_WEEK));
    TimeCodeSetup t = m_pComm->m_TimeCode;
    ResetOtherFields(t);
    t.format = format;
    t.modulation = modulation;
    t.carrier = carrier;
    PutDate(t, dau::DateOfGpsTime(weeks, seconds));
    return m_pComm->SendTimeCodeSetup(t);
}

int32_t CKV90T1_DAU_SetupIRIG_TimeDlg::SendSeed() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    TimeCodeSetup t = m_pComm->m_TimeCode;
    ResetOtherFields(t);
    PutDate(t, dau::SeedOf(local));
    return m_pComm->SendTimeCodeSetup(t);
}

// The edits' decimal digits become the BCD fields as they stand.
int32_t CKV90T1_DAU_SetupIRIG_TimeDlg::SendTypedTime() {
    TimeCodeSetup t = m_pComm->m_TimeCode;
    t.year = static_cast<uint8_t>(dau::HexOfText(Text(IDC_IRIG_TIME_EDIT[0])));
    t.day = static_cast<uint16_t>(dau::HexOfText(Text(IDC_IRIG_TIME_EDIT[1])));
    t.hour = static_cast<uint8_t>(dau::HexOfText(Text(IDC_IRIG_TIME_EDIT[2])));
    t.minute = static_cast<uint8_t>(dau::HexOfText(Text(IDC_IRIG_TIME_EDIT[3])));
    t.second = static_cast<uint8_t>(dau::HexOfText(Text(IDC_IRIG_TIME_EDIT[4])));
    return m_pComm->SendTimeCodeSetup(t);
}

int32_t CKV90T1_DAU_SetupIRIG_TimeDlg::SendSignalSource(uint8_t externalIrig,
                                                        uint8_t external1Pps) {
    TimeCodeSetup t = m_pComm->m_TimeCode;
    t.externalIrig = externalIrig;
    t.external1Pps = external1Pps;
    return m_pComm->SendTimeCodeSetup(t);
}

void CKV90T1_DAU_SetupIRIG_TimeDlg::ShowSetup() {
    const TimeCodeSetup& t = m_pComm->m_TimeCode;
    SetText(IDC_IRIG_TYPE, dau::FormatText(t.format));
    SetText(IDC_IRIG_MODULATION, dau::ModulationText(t.modulation));
    SetText(IDC_IRIG_CARRIER, dau::CarrierText(t.carrier));
    SetText(IDC_IRIG_CODED, dau::CodedExpressionText(m_nCodedExpression));
    ShowOnOff(IDC_IRIG_TERMINATION, t.termination, "Enabled", "Disabled");
    const bool irig = t.externalIrig != 0;
    const bool pps = t.external1Pps != 0;
    SetCheck(IDC_IRIG_USE_1PPS, pps && !irig);
    SetCheck(IDC_IRIG_USE_EXT_IRIG, irig && !pps);
    SetCheck(IDC_IRIG_USE_FLYWHEEL, !irig && !pps);
}

void CKV90T1_DAU_SetupIRIG_TimeDlg::ShowTime() {
    const TimeCodeSetup& t = m_pComm->m_TimeCode;
    const dau::TimeFields date = DateOf(t);
    const auto [weeks, seconds] = dau::GpsTimeOfDate(date);
    SetText(IDC_IRIG_WEEKS, ui::Printf("%u", weeks));
    SetText(IDC_IRIG_SECONDS_OF_WEEK, ui::Printf("%u", seconds));
    const uint32_t values[5] = {date.year, date.day > 9999 ? 0 : date.day, date.hour, date.minute,
                                date.second};
    for (int i = 0; i < 5; ++i) {
        SetPos(IDC_IRIG_TIME_UPDOWN[i], static_cast<int>(values[i]));
        SetText(IDC_IRIG_TIME_EDIT[i], ui::Printf("%u", values[i]));
    }
}

void CKV90T1_DAU_SetupIRIG_TimeDlg::RefreshFromDevice() {
    if (m_bSkipInitialRead == 0) {
        DrainDeviceInput();
        m_pComm->ReadTimeCodeSetup();
    }
    ShowSetup();
    ShowTime();
}
