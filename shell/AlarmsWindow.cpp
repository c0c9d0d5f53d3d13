#include "shell/AlarmsWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/clock.h"
#include "ui/Format.h"

namespace {

enum Column { kRaised, kPath, kItem, kValue, kBound, kSeverity, kState, kColumns };

// "2026-12-11 14:32:07Z"
std::string RaisedText(int64_t timeMs) {
    std::string text = platform::IsoUtcText(timeMs);
    text[10] = ' ';
    return text.substr(0, 19) + "Z";
}

std::string ValueText(const alarms::Alarm& alarm) {
    switch (alarms::KindOfItem(alarm.item)) {
        case alarms::ItemKind::kNoAnswer:
            return alarm.value != 0 ? "answers" : "no answer";
        case alarms::ItemKind::kLock:
            return alarm.value != 0 ? "locked" : "unlocked";
        case alarms::ItemKind::kNumeric:
            break;
    }
    return ui::Printf("%.6g", alarm.value);
}

std::string BoundText(const alarms::Alarm& alarm) {
    return alarms::KindOfItem(alarm.item) == alarms::ItemKind::kNumeric
               ? ui::Printf("%.6g", alarm.bound)
               : std::string();
}

}  // namespace

ShelveDialog::ShelveDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Shelve Alarm");
    auto* form = new QFormLayout(this);
    m_minutes = new QSpinBox(this);
    m_minutes->setRange(1, 24 * 60);
    m_minutes->setValue(30);
    m_minutes->setSuffix(" min");
    m_reason = new QLineEdit(this);
    form->addRow("Shelve for:", m_minutes);
    form->addRow("Reason:", m_reason);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int ShelveDialog::Minutes() const {
    return m_minutes->value();
}

std::string ShelveDialog::Reason() const {
    return m_reason->text().trimmed().toStdString();
}

AlarmsWindow::AlarmsWindow(AlarmMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), m_monitor(monitor) {
    setWindowTitle("Alarms - KV90T");
    Build();
    Refresh();
    LoadEditor();
    resize(900, 640);
}

void AlarmsWindow::Build() {
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, kColumns, this);
    m_table->setHorizontalHeaderLabels(
        {"Raised (UTC)", "Path", "Item", "Value", "Bound", "Severity", "State"});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 3);
    layout->addLayout(BuildActs());
    layout->addLayout(BuildSetChoice());
    m_editor = new QPlainTextEdit(this);
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    m_editor->setFont(fixed);
    layout->addWidget(m_editor, 2);
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_message);
}

QHBoxLayout* AlarmsWindow::BuildActs() {
    auto* acts = new QHBoxLayout;
    for (const char* text : {"Acknowledge", "Acknowledge All", "Shelve...", "Silence"}) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(text);
        acts->addWidget(button);
    }
    acts->addStretch();
    connect(&Button("Acknowledge"), &QPushButton::clicked, this, [this] {
        int path = 0;
        std::string item;
        if (Selected(&path, &item)) {
            m_monitor.Acknowledge(path, item, platform::UtcNowMs());
        }
    });
    connect(&Button("Acknowledge All"), &QPushButton::clicked, this,
            [this] { m_monitor.AcknowledgeAll(platform::UtcNowMs()); });
    connect(&Button("Shelve..."), &QPushButton::clicked, this, [this] { AskShelve(); });
    connect(&Button("Silence"), &QPushButton::clicked, this,
            [this] { m_monitor.Silence(platform::UtcNowMs()); });
    return acts;
}

QHBoxLayout* AlarmsWindow::BuildSetChoice() {
    auto* sets = new QHBoxLayout;
    sets->addWidget(new QLabel("Limit set:", this));
    m_sets = new QComboBox(this);
    m_sets->setMinimumContentsLength(16);
    sets->addWidget(m_sets);
    auto* save = new QPushButton("Save Limits", this);
    save->setObjectName("Save Limits");
    sets->addStretch();
    sets->addWidget(save);
    connect(m_sets, &QComboBox::currentIndexChanged, this, [this](int index) { ChooseSet(index); });
    connect(save, &QPushButton::clicked, this, [this] { SaveLimits(); });
    return sets;
}

QPushButton& AlarmsWindow::Button(const char* text) {
    return *findChild<QPushButton*>(text);
}

void AlarmsWindow::Refresh() {
    const std::vector<alarms::Alarm> list = m_monitor.Engine().Alarms();
    m_table->setRowCount(int(list.size()));
    for (int row = 0; row < int(list.size()); ++row) {
        const alarms::Alarm& alarm = list[size_t(row)];
        const std::string cells[kColumns] = {RaisedText(alarm.raisedMs),
                                             alarms::PathName(alarm.path),
                                             alarm.item,
                                             ValueText(alarm),
                                             BoundText(alarm),
                                             alarms::SeverityName(alarm.severity),
                                             alarms::StateName(alarm.state)};
        for (int column = 0; column < kColumns; ++column) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(cells[column]));
            cell->setData(Qt::UserRole, alarm.path);
            cell->setData(Qt::UserRole + 1, QString::fromStdString(alarm.item));
            if (alarm.state != alarms::State::kShelved) {
                cell->setBackground(QColor(AlarmColour(alarm.severity)));
            }
            m_table->setItem(row, column, cell);
        }
    }
    m_table->resizeColumnsToContents();
    FillSets();
}

// Filled anew only when the sets changed, so that a transition leaves an open list alone.
void AlarmsWindow::FillSets() {
    QStringList names;
    for (const std::string& name : m_monitor.Library().Names()) {
        names.push_back(QString::fromStdString(name));
    }
    const QString active = QString::fromStdString(m_monitor.ActiveName());
    QStringList shown;
    for (int i = 0; i < m_sets->count(); ++i) {
        shown.push_back(m_sets->itemText(i));
    }
    if (names == shown && m_sets->currentText() == active) {
        return;
    }
    m_filling = true;
    m_sets->clear();
    m_sets->addItems(names);
    m_sets->setCurrentText(active);
    m_filling = false;
}

void AlarmsWindow::LoadEditor() {
    m_editor->setPlainText(
        QString::fromStdString(m_monitor.Library().Text(m_monitor.ActiveName())));
}

void AlarmsWindow::ChooseSet(int index) {
    if (m_filling || index < 0) {
        return;
    }
    const std::string name = m_sets->itemText(index).toStdString();
    if (const std::string error = m_monitor.ChooseSet(name, platform::UtcNowMs()); !error.empty()) {
        ShowMessage(error, true);
        FillSets();
        return;
    }
    LoadEditor();
    ShowMessage("Using the limit set \"" + name + "\".", false);
}

void AlarmsWindow::SaveLimits() {
    try {
        m_monitor.SaveActiveSet(m_editor->toPlainText().toStdString(), platform::UtcNowMs());
        ShowMessage("Saved and using the limit set \"" + m_monitor.ActiveName() + "\".", false);
    } catch (const alarms::LimitError& error) {
        ShowMessage(std::string(error.what()) + ". The limits in use are unchanged.", true);
    }
}

void AlarmsWindow::AskShelve() {
    int path = 0;
    std::string item;
    if (!Selected(&path, &item)) {
        ShowMessage("Choose the alarm to shelve first.", true);
        return;
    }
    auto* dialog = new ShelveDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, path, item] {
        const int64_t now = platform::UtcNowMs();
        m_monitor.Shelve(path, item, now + int64_t(dialog->Minutes()) * 60'000, dialog->Reason(),
                         now);
    });
    m_shelve = dialog;
    dialog->open();
}

bool AlarmsWindow::Selected(int* path, std::string* item) const {
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    if (selected.isEmpty()) {
        return false;
    }
    *path = selected.front()->data(Qt::UserRole).toInt();
    *item = selected.front()->data(Qt::UserRole + 1).toString().toStdString();
    return true;
}

void AlarmsWindow::ShowMessage(const std::string& text, bool error) {
    m_message->setText(QString::fromStdString(text));
    m_message->setStyleSheet(error ? "color: #b00020; font-weight: bold;" : "");
}
