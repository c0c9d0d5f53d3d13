#pragma once
// The empty page shown, disabled, where the selected tab has nothing to offer.

#include "ui/CPage.h"

class CBlankDlg : public ui::CPage {
    Q_OBJECT
public:
    explicit CBlankDlg(QWidget* parent);
};
