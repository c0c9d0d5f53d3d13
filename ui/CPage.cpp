#include "ui/CPage.h"

namespace ui {

CPage::CPage(const DialogTemplate& dialogTemplate, QWidget* parent)
    : CDialog(dialogTemplate, parent) {
    setWindowFlags(Qt::Widget);
}

void CPage::OnCommand(int id) {
    m_rules.Run(id == kCommandReturn && m_nEnterRuns != 0 ? m_nEnterRuns : id, 0);
}

void CPage::OnUpDownPosition(int id, int position) {
    m_rules.Run(id, position);
}

void CPage::OnSelectionChanged(int id, int row) {
    m_rules.Run(id, row);
}

}  // namespace ui
