#include "shell/CKV90TDlg.h"

#include <cstdio>

#include "protocol/CKV90T1_Comm.h"
#include "protocol/operational_modes.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/WaitCursor.h"

using namespace res;

CKV90TDlg::CKV90TDlg(CKV90T1_Comm* comm, int skipInitialRead, QWidget* parent)
    : ui::CDialog(res::MainDialogTemplate(), parent),
      m_pComm(comm),
      m_bSkipInitialRead(skipInitialRead) {
    SetEscapeCloses(true);
}

void CKV90TDlg::showEvent(QShowEvent* event) {
    ui::CDialog::showEvent(event);
    if (!m_bStarted) {
        m_bStarted = true;
        ReadDevice();
    }
}

void CKV90TDlg::ReadDevice() {
    if (m_bSkipInitialRead != 0) {
        SetText(IDC_DEVICE_STATE, "Initial device reads skipped.");
        return;
    }
    const ui::WaitCursor wait;
    m_bDeviceAnswered =
        m_pComm->ReadDeviceIdentity() != 0 && m_pComm->ReadDeviceConfiguration() != 0;
    SetText(IDC_DEVICE_STATE, m_bDeviceAnswered ? "" : "The device does not answer.");
    ShowIdentity();
}

void CKV90TDlg::ShowIdentity() {
    const auto& id = m_pComm->m_Identity;
    char text[32];
    SetText(IDC_SERIAL_NUMBER, id.serialNumberText);
    SetText(IDC_DEVICE_ID, id.deviceId);
    std::snprintf(text, sizeof text, "%8.8X", id.dsp1Version);
    SetText(IDC_DSP1_VERSION, text);
    std::snprintf(text, sizeof text, "%8.8X", id.dsp2Version);
    SetText(IDC_DSP2_VERSION, text);
    SetText(IDC_OPERATIONAL_MODE,
            protocol::ModeName(static_cast<int>(m_pComm->m_nOperationalMode)));
}
