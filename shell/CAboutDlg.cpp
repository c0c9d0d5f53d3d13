#include "shell/CAboutDlg.h"

#include "resources/resource_ids.h"
#include "resources/templates.h"

CAboutDlg::CAboutDlg(QWidget* parent) : ui::CDialog(res::AboutTemplate(), parent) {
    SetEscapeCloses(true);
    SetText(res::IDC_ABOUT_BUILD, std::string(__DATE__) + " - " + __TIME__);
}

void CAboutDlg::OnCommand(int id) {
    if (id == 1) {
        accept();
    }
}
