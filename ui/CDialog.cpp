#include "ui/CDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>
#include <cassert>
#include <memory>

#include "platform/debug_output.h"
#include "ui/Format.h"
#include "ui/Icons.h"
#include "ui/QtDelivery.h"
#include "ui/StripChart.h"
#include "ui/UpDown.h"

namespace ui {
namespace {

QStringList Split(const char* caption) {
    return QString::fromUtf8(caption).split('|');
}

// Four numbers of up to three digits; a number above 255 can be typed, so the operator sees it,
// and turns the edit red instead of being silently cut.
QWidget* MakeIpAddress(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    static const QRegularExpression kAddress(R"(^(\d{1,3}(\.(?!$)|$)){0,4}$)");
    edit->setValidator(new QRegularExpressionValidator(kAddress, edit));
    edit->setPlaceholderText("0.0.0.0");
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const bool valid = OctetsInRange(text.toStdString());
        edit->setProperty("invalid", !valid);
        edit->setStyleSheet(valid ? QString() : QStringLiteral("QLineEdit { color: #c00000; }"));
    });
    return edit;
}

void (*g_programmingErrorHandler)(const std::string&) = nullptr;

}  // namespace

void ReportProgrammingError(const std::string& text) {
    platform::DebugPrintf("***** %s\r\n", text.c_str());
    if (g_programmingErrorHandler != nullptr) {
        g_programmingErrorHandler(text);
        return;
    }
    assert(!"programming error");
}

void SetProgrammingErrorHandler(void (*handler)(const std::string& text)) {
    g_programmingErrorHandler = handler;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(dialogTemplate.title));
    setWindowIcon(ApplicationIcon());
    Build(dialogTemplate);
    m_handle = platform::RegisterWindow(
        [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
            return OnMessage(message, wParam, lParam);
        },
        std::make_shared<QtDelivery>());
}

CDialog::~CDialog() {
    ReleaseHandle();
}

void CDialog::ReleaseHandle() {
    platform::UnregisterWindow(m_handle);
    m_handle = 0;
}

QGridLayout* CDialog::GridOf(int group) {
    const auto it = m_grids.find(group);
    return it != m_grids.end() ? it->second : m_grids.at(0);
}

void CDialog::Build(const DialogTemplate& dialogTemplate) {
    m_nTemplateId = dialogTemplate.id;
    m_grids[0] = new QGridLayout(this);
    // Group boxes first, so that the controls inside them find their grids.
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.kind == ControlKind::GroupBox) {
            auto* box = new QGroupBox(QString::fromUtf8(control.caption), this);
            m_grids[control.id] = new QGridLayout(box);
            m_controls[control.id] = box;
        }
    }
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QGridLayout* grid = GridOf(control.group);
        QWidget* widget = control.kind == ControlKind::GroupBox
                              ? m_controls[control.id]
                              : Create(control, grid->parentWidget());
        grid->addWidget(widget, control.row, control.column, control.rowSpan, control.columnSpan);
        if (control.kind == ControlKind::Lamp) {
            std::vector<int>& stack = m_lampStacks[control.id];
            for (const ControlTemplate& other : dialogTemplate.controls) {
                if (other.kind == ControlKind::Lamp && other.group == control.group &&
                    other.row == control.row && other.column == control.column) {
                    stack.push_back(other.id);
                }
            }
        }
    }
    // A group's rows keep their height; room a taller box gets goes below them.
    for (const auto& [group, grid] : m_grids) {
        if (group != 0) {
            grid->setRowStretch(grid->rowCount(), 1);
        }
    }
}

QWidget* CDialog::Create(const ControlTemplate& control, QWidget* parent) {
    const QString caption = QString::fromUtf8(control.caption);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::Label:
            widget = new QLabel(caption, parent);
            break;
        case ControlKind::Edit:
            widget = new QLineEdit(caption, parent);
            break;
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(caption, parent);
            edit->setReadOnly(true);
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("-00,000,000,000"));
            // It looks like what it is, and the first focus goes to a control that takes input.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
            edit->setFocusPolicy(Qt::ClickFocus);
            widget = edit;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::CheckBox:
            widget = new QCheckBox(caption, parent);
            break;
        case ControlKind::PushLikeCheck: {
            auto* button = new QPushButton(caption, parent);
            button->setCheckable(true);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(caption, parent);
            radio->setAutoExclusive(false);  // the window decides which one is checked
            radio->setProperty("doubleClickId", control.id);
            radio->installEventFilter(this);
            widget = radio;
            break;
        }
        case ControlKind::UpDown:
            widget = new UpDown(parent);
            break;
        case ControlKind::ListBox:
            widget = new QListWidget(parent);
            break;
        case ControlKind::ListView: {
            auto* view = new QTreeWidget(parent);
            view->setRootIsDecorated(false);
            view->setHeaderLabels(Split(control.caption));
            view->header()->setStretchLastSection(true);
            view->viewport()->setProperty("listViewId", control.id);
            view->viewport()->installEventFilter(this);
            widget = view;
            break;
        }
        case ControlKind::Progress:
            widget = new QProgressBar(parent);
            break;
        case ControlKind::VerticalProgress: {
            auto* bar = new QProgressBar(parent);
            bar->setOrientation(Qt::Vertical);
            bar->setTextVisible(false);
            bar->setFixedWidth(14);
            widget = bar;
            break;
        }
        case ControlKind::ComboBox:
            widget = new QComboBox(parent);
            break;
        case ControlKind::Lamp: {
            auto* lamp = new QLabel(parent);
            lamp->setPixmap(LampPixmap(control.icon));
            lamp->setFixedSize(16, 16);
            widget = lamp;
            break;
        }
        case ControlKind::IpAddress:
            widget = MakeIpAddress(parent);
            break;
        case ControlKind::TabControl: {
            auto* tabs = new QTabBar(parent);
            tabs->setUsesScrollButtons(false);
            if (*control.caption != '\0') {
                for (const QString& title : Split(control.caption)) {
                    tabs->addTab(title);
                }
            }
            widget = tabs;
            break;
        }
        case ControlKind::Chart:
            widget = new StripChart(parent);
            break;
        case ControlKind::PageArea:
        case ControlKind::GroupBox:
            widget = new QWidget(parent);
            break;
    }
    widget->installEventFilter(this);
    if (control.id != 0) {  // id 0: a static text nothing refers to
        if (m_controls.count(control.id) != 0) {
            ReportProgrammingError("template " + std::to_string(m_nTemplateId) +
                                   " has control id " + std::to_string(control.id) + " twice");
        }
        m_controls[control.id] = widget;
        Connect(control.id, widget);
    }
    return widget;
}

void CDialog::Connect(int id, QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    } else if (auto* upDown = qobject_cast<UpDown*>(widget)) {
        connect(upDown, &UpDown::PositionChanged, this,
                [this, id](int position) { OnUpDownPosition(id, position); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [this, id] { OnEditChanged(id); });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        connect(list, &QListWidget::currentRowChanged, this,
                [this, id](int row) { OnSelectionChanged(id, row); });
    } else if (auto* view = qobject_cast<QTreeWidget*>(widget)) {
        connect(view, &QTreeWidget::currentItemChanged, this, [this, id, view] {
            OnSelectionChanged(id, view->indexOfTopLevelItem(view->currentItem()));
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this,
                [this, id](int row) { OnSelectionChanged(id, row); });
    } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
        connect(tabs, &QTabBar::currentChanged, this,
                [this, id](int index) { OnSelectionChanged(id, index); });
    }
}

StripChart* CDialog::Chart(int id) const {
    return dynamic_cast<StripChart*>(Control(id));
}

QWidget* CDialog::Control(int id) const {
    const auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        ReportProgrammingError("template " + std::to_string(m_nTemplateId) + " has no control " +
                               std::to_string(id));
        return nullptr;
    }
    return it->second;
}

void CDialog::SetFont(int id, const QFont& font) {
    if (QWidget* widget = Control(id)) {
        widget->setFont(font);
    }
}

void CDialog::SetText(int id, const std::string& text) {
    const QString value = QString::fromStdString(text);
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
        if (edit->isReadOnly()) {
            edit->setCursorPosition(0);  // a text wider than its box shows its beginning
        }
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(value);
    }
}

std::string CDialog::Text(int id) const {
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text().toStdString();
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        return box->title().toStdString();
    }
    return {};
}

void CDialog::Enable(int id, bool enabled) {
    if (QWidget* widget = Control(id)) {
        widget->setEnabled(enabled);
    }
}

void CDialog::EnableAll(bool enabled) {
    for (const auto& [id, widget] : m_controls) {
        widget->setEnabled(enabled);
    }
}

void CDialog::EnableGroups(bool enabled, int except) {
    for (const auto& [group, grid] : m_grids) {
        QWidget* box = grid->parentWidget();
        if (group != 0 && group != except && box->parentWidget() == this) {
            box->setEnabled(enabled);
        }
    }
}

void CDialog::ClearValues() {
    for (const auto& [id, widget] : m_controls) {
        const QSignalBlocker quiet(widget);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->clear();
        } else if (auto* toggle = qobject_cast<QPushButton*>(widget);
                   toggle && toggle->isCheckable()) {
            toggle->setChecked(false);
            toggle->setText("");
        }
    }
}

void CDialog::SetTextWhole(int id, const std::string& text) {
    SetText(id, text);
    if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) {
        const QMargins margins = edit->textMargins() + edit->contentsMargins();
        const int needed = edit->fontMetrics().horizontalAdvance(edit->text()) + margins.left() +
                           margins.right() +
                           2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
        edit->setMinimumWidth(std::max(edit->minimumWidth(), needed));
    }
}

bool CDialog::IsEnabled(int id) const {
    QWidget* widget = Control(id);
    return widget != nullptr && widget->isEnabled();
}

void CDialog::Show(int id, bool shown) {
    if (QWidget* widget = Control(id)) {
        widget->setVisible(shown);
    }
}

bool CDialog::IsShown(int id) const {
    QWidget* widget = Control(id);
    return widget != nullptr && !widget->isHidden();
}

void CDialog::SetCheck(int id, int state) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
        button->setChecked(state != 0);
    }
}

int CDialog::Check(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked() ? 1 : 0;
}

void CDialog::SetRange(int id, int low, int high) {
    if (auto* upDown = qobject_cast<UpDown*>(Control(id))) {
        upDown->SetRange(low, high);
    } else if (auto* progress = qobject_cast<QProgressBar*>(Control(id))) {
        progress->setRange(low, high);
    }
}

void CDialog::SetStep(int id, int step) {
    if (auto* upDown = qobject_cast<UpDown*>(Control(id))) {
        upDown->SetStep(step);
    }
}

void CDialog::SetPos(int id, int position) {
    if (auto* upDown = qobject_cast<UpDown*>(Control(id))) {
        upDown->SetPos(position);
    } else if (auto* progress = qobject_cast<QProgressBar*>(Control(id))) {
        progress->setValue(position);
    } else if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(position);
    }
}

int CDialog::Pos(int id) const {
    if (auto* upDown = qobject_cast<UpDown*>(Control(id))) {
        return upDown->Pos();
    }
    if (auto* progress = qobject_cast<QProgressBar*>(Control(id))) {
        return progress->value();
    }
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        return tabs->currentIndex();
    }
    return 0;
}

void CDialog::ClearRows(int id) {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        list->clear();
    } else if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        combo->clear();
    } else if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        view->clear();
    } else if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        const QSignalBlocker quiet(tabs);
        while (tabs->count() > 0) {
            tabs->removeTab(0);
        }
    }
}

void CDialog::AddRow(int id, const std::vector<std::string>& columns) {
    const QString first = QString::fromStdString(columns.empty() ? "" : columns[0]);
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        list->addItem(first);
    } else if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        combo->addItem(first);
    } else if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        const QSignalBlocker quiet(tabs);
        tabs->addTab(first);
    } else if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        QStringList texts;
        for (const auto& column : columns) {
            texts << QString::fromStdString(column);
        }
        view->addTopLevelItem(new QTreeWidgetItem(texts));
    }
}

int CDialog::RowCount(int id) const {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        return list->count();
    }
    if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        return combo->count();
    }
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        return tabs->count();
    }
    if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        return view->topLevelItemCount();
    }
    return 0;
}

void CDialog::SetTabText(int id, int tab, const std::string& text) {
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        tabs->setTabText(tab, QString::fromStdString(text));
    }
}

void CDialog::ShowTab(int id, int tab, bool shown) {
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        const QSignalBlocker quiet(tabs);
        tabs->setTabVisible(tab, shown);
    }
}

bool CDialog::IsTabShown(int id, int tab) const {
    auto* tabs = qobject_cast<QTabBar*>(Control(id));
    return tabs != nullptr && tabs->isTabVisible(tab);
}

std::string CDialog::RowText(int id, int row, int column) const {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        QListWidgetItem* item = list->item(row);
        return item != nullptr ? item->text().toStdString() : std::string();
    }
    if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        return row >= 0 && row < combo->count() ? combo->itemText(row).toStdString()
                                                : std::string();
    }
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        return tabs->tabText(row).toStdString();
    }
    if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        QTreeWidgetItem* item = view->topLevelItem(row);
        return item != nullptr ? item->text(column).toStdString() : std::string();
    }
    return {};
}

int CDialog::SelectedRow(int id) const {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        return list->currentRow();
    }
    if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        return combo->currentIndex();
    }
    if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        return view->indexOfTopLevelItem(view->currentItem());
    }
    return -1;
}

void CDialog::SelectRow(int id, int row) {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
        list->setCurrentRow(row);
    } else if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        combo->setCurrentIndex(row);
    } else if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        view->setCurrentItem(view->topLevelItem(row));
    }
}

void CDialog::ShowLamp(int id) {
    const auto stack = m_lampStacks.find(id);
    if (stack == m_lampStacks.end()) {
        return;
    }
    for (int colour : stack->second) {
        Show(colour, colour == id);
    }
}

int CDialog::ShownLamp(int id) const {
    const auto stack = m_lampStacks.find(id);
    if (stack != m_lampStacks.end()) {
        for (int colour : stack->second) {
            if (IsShown(colour)) {
                return colour;
            }
        }
    }
    return 0;
}

void CDialog::Click(int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
        button->click();
    }
}

void CDialog::Pick(int id, int row) {
    if (auto* tabs = qobject_cast<QTabBar*>(Control(id))) {
        tabs->setCurrentIndex(row);  // the tab bar reports the change itself
        return;
    }
    SelectRow(id, row);
    OnSelectionChanged(id, row);
}

void CDialog::StepUpDown(int id, int delta) {
    if (auto* upDown = qobject_cast<UpDown*>(Control(id))) {
        upDown->Step(delta);
    }
}

void CDialog::DoubleClick(int id, int row) {
    QWidget* control = Control(id);
    if (qobject_cast<QTreeWidget*>(control) != nullptr ||
        qobject_cast<QRadioButton*>(control) != nullptr) {
        OnDoubleClick(id, row);
    }
}

void CDialog::SetColumnWidth(int id, int column, int width) {
    if (auto* view = qobject_cast<QTreeWidget*>(Control(id))) {
        view->setColumnWidth(column, width);
    }
}

void CDialog::OnDoubleClick(int, int) {}
void CDialog::OnCommand(int) {}
void CDialog::OnUpDownPosition(int, int) {}
void CDialog::OnEditChanged(int) {}
void CDialog::OnSelectionChanged(int, int) {}
intptr_t CDialog::OnMessage(uint32_t, uintptr_t, intptr_t) {
    return 0;
}

bool CDialog::HandleKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnCommand(kCommandReturn);
            return true;
        case Qt::Key_Space:
            OnCommand(kCommandSpace);
            return true;
        case Qt::Key_Escape:
            // Closes the nearest enclosing window that allows it (pages sit in the main window).
            for (QWidget* widget = this; widget != nullptr; widget = widget->parentWidget()) {
                auto* dialog = qobject_cast<CDialog*>(widget);
                if (dialog != nullptr && dialog->m_escapeCloses) {
                    dialog->close();
                    break;
                }
            }
            return true;
        default:
            return false;
    }
}

void CDialog::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event->key())) {
        QDialog::keyPressEvent(event);
    }
}

// Return, Space and Escape reach the dialog before the focused control can act on them. A wheel
// notch never changes a drop-down list's choice (the mode selector switches the receiver's
// personality): a choice takes a deliberate pick.
bool CDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox*>(watched) != nullptr) {
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        watched->property("doubleClickId").isValid()) {
        OnDoubleClick(watched->property("doubleClickId").toInt(), 0);
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched->property("listViewId").isValid()) {
        auto* view = qobject_cast<QTreeWidget*>(static_cast<QWidget*>(watched)->parentWidget());
        if (view != nullptr) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            OnDoubleClick(watched->property("listViewId").toInt(), view->indexAt(at).row());
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
            key == Qt::Key_Escape) {
            return HandleKey(key);
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui
