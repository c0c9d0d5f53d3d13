#include "pages/StandInPage.h"

#include "resources/templates.h"

StandInPage::StandInPage(const std::string& caption, QWidget* parent)
    : ui::CPage(res::StandInTemplate(), parent) {
    setWindowTitle(QString::fromStdString(caption));
}
