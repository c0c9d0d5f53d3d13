#pragma once
// The Alarms window: the alarms that are not normal (time raised, path, item, value, bound,
// severity, state), the operator's Acknowledge, Acknowledge All, Shelve... and Silence, the
// choice of limit set for the operational mode, and an editor for the active set that refuses a
// bad set with the file, the field and the reason, keeping the set that was active.

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include "shell/AlarmMonitor.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Asks how long to shelve an alarm and why.
class ShelveDialog : public QDialog {
public:
    explicit ShelveDialog(QWidget* parent);
    int Minutes() const;
    std::string Reason() const;
    QSpinBox& MinutesBox() { return *m_minutes; }
    QLineEdit& ReasonBox() { return *m_reason; }

private:
    QSpinBox* m_minutes;
    QLineEdit* m_reason;
};

class AlarmsWindow : public QWidget {
public:
    AlarmsWindow(AlarmMonitor& monitor, QWidget* parent);

    // Shows the alarms and the sets as the monitor holds them.
    void Refresh();

    QTableWidget& Table() { return *m_table; }
    QPushButton& Button(const char* text);
    QComboBox& SetChoice() { return *m_sets; }
    QPlainTextEdit& Editor() { return *m_editor; }
    QLabel& Message() { return *m_message; }
    // The shelve dialog the last Shelve... opened, while it is open.
    ShelveDialog* OpenShelveDialog() const { return m_shelve; }

private:
    void Build();
    // Acknowledge, Acknowledge All, Shelve... and Silence.
    QHBoxLayout* BuildActs();
    // The set for the mode and Save Limits.
    QHBoxLayout* BuildSetChoice();
    void FillSets();
    void LoadEditor();
    void ChooseSet(int index);
    void SaveLimits();
    void AskShelve();
    // The path and item of the selected row; false when none is selected.
    bool Selected(int* path, std::string* item) const;
    void ShowMessage(const std::string& text, bool error);

    AlarmMonitor& m_monitor;
    QTableWidget* m_table = nullptr;
    QComboBox* m_sets = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    QLabel* m_message = nullptr;
    QPointer<ShelveDialog> m_shelve;  // null once the dialog is gone
    bool m_filling = false;
};
