#include "pages/StandInPage.h"

#include "resources/templates.h"

StandInPage::StandInPage(const std::string& caption, QWidget* parent)
    : ui::CPage(res::StandInTemplate(), parent) {
    setWindowTitle(QString::fromStdString(caption));
}

std::string ChannelCaption(const char* format, uint32_t channel) {
    char text[64];
    std::snprintf(text, sizeof text, format, channel + 1);
    return text;
}
