#include "shell/CAboutDlg.h"

#include <QLabel>

#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "ui/Icons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : ui::CDialog(res::AboutTemplate(), parent) {
    SetEscapeCloses(true);
    SetText(res::IDC_ABOUT_BUILD, std::string(__DATE__) + " - " + __TIME__);
    if (auto* icon = qobject_cast<QLabel*>(Control(res::IDC_ABOUT_ICON))) {
        icon->setPixmap(ui::ApplicationIcon().pixmap(48, 48));
    }
}

void CAboutDlg::OnCommand(int id) {
    if (id == 1) {
        accept();
    }
}
