#include "ui/CPage.h"

namespace ui {

CPage::CPage(const DialogTemplate& dialogTemplate, QWidget* parent)
    : CDialog(dialogTemplate, parent) {
    setWindowFlags(Qt::Widget);
}

}  // namespace ui
