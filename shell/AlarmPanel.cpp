#include "shell/AlarmPanel.h"

#include <QString>
#include <QWidget>

#include "resources/resource_ids.h"
#include "ui/CDialog.h"
#include "ui/Format.h"

using namespace res;

namespace {

// The panel's values and lamps that show an alarm item of a path.
std::vector<int> AlarmControlIds(int path, const std::string& item) {
    if (item == "rssi") {
        return {IDC_RSSI[path]};
    }
    if (item == "amModIndex" || item == "fmModIndex") {
        return {item == "amModIndex" ? IDC_AM_MOD_INDEX[path] : IDC_FM_MOD_INDEX[path]};
    }
    if (item == "carrierFrequency" || item == "symbolRate") {
        return {item == "symbolRate" ? IDC_SYMBOL_RATE[path] : IDC_CARRIER_FREQUENCY[path]};
    }
    if (item == "carrierLock") {
        return {IDC_CARRLCK_GREEN[path], IDC_CARRLCK_RED[path], IDC_CARRLCK_GREY[path]};
    }
    if (item == "symbolLock") {
        return {IDC_SYMBLCK_GREEN[path], IDC_SYMBLCK_RED[path], IDC_SYMBLCK_GREY[path]};
    }
    if (item == "frameSync") {
        return {IDC_FSPLCK_GREEN[path], IDC_FSPLCK_RED[path], IDC_FSPLCK_YELLOW[path],
                IDC_FSPLCK_GREY[path]};
    }
    return {IDC_FRMLCK_GREEN[path], IDC_FRMLCK_RED[path], IDC_FRMLCK_YELLOW[path],
            IDC_FRMLCK_GREY[path]};
}

}  // namespace

void AlarmPanel::Show() {
    const alarms::AlarmEngine& engine = m_monitor.Engine();
    m_window.SetText(IDC_ALARMS, ui::Printf("Alarms: %d", engine.UnacknowledgedCount()));
    std::optional<alarms::Severity> worst;  // of the alarms to acknowledge: red ones come first
    for (const alarms::Alarm& alarm : engine.Alarms()) {
        if (alarm.state == alarms::State::kActiveUnacked ||
            alarm.state == alarms::State::kReturnedUnacked) {
            worst = alarm.severity;
            break;
        }
    }
    m_window.Control(IDC_ALARMS)
        ->setStyleSheet(
            worst ? QString("background-color: %1; font-weight: bold;").arg(AlarmColour(*worst))
                  : QString());
    for (int path = 0; path < alarms::LimitSet::kPaths; ++path) {
        for (const auto* items : {&alarms::NumericItems(), &alarms::LockItems()}) {
            for (const std::string& item : *items) {
                if (path == 2 && (item == "rssi" || item.find("ModIndex") != std::string::npos)) {
                    continue;  // the combiner shows no level and no modulation index
                }
                Mark(AlarmControlIds(path, item), m_monitor.ActiveSeverity(path, item));
            }
        }
    }
    Mark({IDC_TIME_RED, IDC_TIME_GREEN, IDC_TIME_GREY},
         m_monitor.ActiveSeverity(alarms::kDevice, "timeLock"));
}

void AlarmPanel::Mark(const std::vector<int>& ids, std::optional<alarms::Severity> severity) {
    const QString style =
        severity ? QString("background-color: %1;").arg(AlarmColour(*severity)) : QString();
    for (int id : ids) {
        if (QWidget* control = m_window.Control(id); control->styleSheet() != style) {
            control->setStyleSheet(style);
        }
    }
}
