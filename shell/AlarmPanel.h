#pragma once
// The alarms on the main window: the "Alarms: N" button counts the alarms to acknowledge in
// the colour of the worst, and each status-panel value and lamp whose item is in alarm takes its
// severity's colour as background.

#include <optional>
#include <vector>

#include "shell/AlarmMonitor.h"

namespace ui {
class CDialog;
}

class AlarmPanel {
public:
    AlarmPanel(ui::CDialog& window, const AlarmMonitor& monitor)
        : m_window(window), m_monitor(monitor) {}

    // After a transition or a new set.
    void Show();

private:
    void Mark(const std::vector<int>& ids, std::optional<alarms::Severity> severity);

    ui::CDialog& m_window;
    const AlarmMonitor& m_monitor;
};
