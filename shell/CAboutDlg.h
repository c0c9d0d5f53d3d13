#pragma once
// The About box: the program's name and when it was built.

#include "ui/CDialog.h"

class CAboutDlg : public ui::CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);

protected:
    void OnCommand(int id) override;
};
