#pragma once
// A page: a dialog embedded in the main window's page area, refreshed from the device each
// time it is made the visible page of its tab.

#include "ui/CDialog.h"

namespace ui {

class CPage : public CDialog {
    Q_OBJECT
public:
    CPage(const DialogTemplate& dialogTemplate, QWidget* parent);

    virtual void RefreshFromDevice() {}

    // Where the page writes its files.
    void SetProgramFolder(const std::string& folder) { m_strProgramFolder = folder; }

protected:
    std::string m_strProgramFolder;
};

}  // namespace ui
