#include "pages/StandInPage.h"

namespace {

const ui::DialogTemplate& StandInTemplate() {
    static const ui::DialogTemplate kTemplate{
        148,
        "",
        {{0, ui::ControlKind::Label, "This page is not available in this version.", 0, 0}}};
    return kTemplate;
}

}  // namespace

StandInPage::StandInPage(const std::string& caption, QWidget* parent)
    : ui::CPage(StandInTemplate(), parent) {
    setWindowTitle(QString::fromStdString(caption));
}

std::string ChannelCaption(const char* format, uint32_t channel) {
    char text[64];
    std::snprintf(text, sizeof text, format, channel + 1);
    return text;
}
