#include "shell/CBlankDlg.h"

#include "resources/templates.h"

CBlankDlg::CBlankDlg(QWidget* parent) : ui::CPage(res::BlankTemplate(), parent) {}
