#pragma once
// The place of a page that this version of the console does not offer yet: it carries the
// page's real class name and window text, so that the page host and its tab captions are
// complete, and reads nothing from the device.

#include <string>

#include "ui/CPage.h"

class CKV90T1_Comm;

class StandInPage : public ui::CPage {
    Q_OBJECT
public:
    StandInPage(const std::string& caption, QWidget* parent);

    // Reads nothing; counts the refreshes the page host asks for.
    void RefreshFromDevice() override { ++m_nRefreshes; }
    int Refreshes() const { return m_nRefreshes; }

private:
    int m_nRefreshes = 0;
};
