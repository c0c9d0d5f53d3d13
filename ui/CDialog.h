#pragma once
// The dialog base every window of the console stands on: it builds its controls from a
// template and addresses them by their numeric ids, so that window code reads like the
// window's documented behaviour and tests can drive and inspect any control by id. It is also
// a message target (window handle) for worker threads, and it swallows Return and Space as the
// console's accelerator table does.

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "platform/window_messages.h"
#include "ui/DialogTemplate.h"

class QFont;
class QGridLayout;

namespace ui {

class StripChart;

// A mistake in the program, not in its input: an unknown control id, a duplicate id in a
// template. It is written to the debug output and handed to the installed handler (the test
// programs fail the running test); with no handler, a debug build stops there.
void ReportProgrammingError(const std::string& text);
void SetProgrammingErrorHandler(void (*handler)(const std::string& text));

// The commands the accelerator table gives Return and Space.
enum : int { kCommandReturn = 32771, kCommandSpace = 32772 };

class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CDialog() override;

    platform::WindowHandle Handle() const { return m_handle; }
    // Stops being a message target now; a sender that is waiting is released.
    void ReleaseHandle();
    // The control of `id`; an id the template does not have is a programming error, reported
    // through ReportProgrammingError, and gives nullptr (which every operation below ignores).
    QWidget* Control(int id) const;
    // The chart control of that id, or nullptr.
    StripChart* Chart(int id) const;
    bool HasControl(int id) const { return m_controls.count(id) != 0; }
    void SetFont(int id, const QFont& font);

    void SetText(int id, const std::string& text);
    // An edit that shows `text` whole: its least width grows to the text (it never shrinks).
    void SetTextWhole(int id, const std::string& text);
    std::string Text(int id) const;
    void Enable(int id, bool enabled);
    // Every control of the template at once.
    void EnableAll(bool enabled);
    // Every group box that stands in the dialog itself, but `except`; the controls inside keep
    // their own states for when the box is enabled again.
    void EnableGroups(bool enabled, int except);
    // Every edit and toggle shows nothing: for values that could not be read.
    void ClearValues();
    bool IsEnabled(int id) const;
    void Show(int id, bool shown);
    bool IsShown(int id) const;
    void SetCheck(int id, int state);  // 0 clear, 1 checked
    int Check(int id) const;
    void SetRange(int id, int low, int high);
    // Up-downs: how far one click moves the position.
    void SetStep(int id, int step);
    void SetPos(int id, int position);
    int Pos(int id) const;
    // Lists and list views.
    void ClearRows(int id);
    void AddRow(int id, const std::vector<std::string>& columns);
    int RowCount(int id) const;
    std::string RowText(int id, int row, int column = 0) const;
    int SelectedRow(int id) const;
    // Tab controls: a tab's caption, and whether it is there to choose.
    void SetTabText(int id, int tab, const std::string& text);
    void ShowTab(int id, int tab, bool shown);
    bool IsTabShown(int id, int tab) const;
    void SelectRow(int id, int row);
    // Shows the lamp colour `id` and hides the other colours of its stack.
    void ShowLamp(int id);
    // The colour id shown in the stack that `id` belongs to, or 0 when none is.
    int ShownLamp(int id) const;

    // What a click on a button or check box does; tests call it to press one.
    void Click(int id);
    // Chooses a row of a list, drop-down list or tab control as the operator does.
    void Pick(int id, int row);
    // Steps an up-down control as a click on its arrow does.
    void StepUpDown(int id, int delta);
    // Double-clicks a list view at `row` (-1: below its rows), or a radio button (row 0).
    void DoubleClick(int id, int row);
    // List views: the width of a column in pixels.
    void SetColumnWidth(int id, int column, int width);

    // Escape closes only windows that allow it (the main window).
    void SetEscapeCloses(bool closes) { m_escapeCloses = closes; }

protected:
    // A button, check box or radio button was clicked, or an accelerator command came.
    virtual void OnCommand(int id);
    // An up-down control reports a new position.
    virtual void OnUpDownPosition(int id, int position);
    // The operator changed an edit's text.
    virtual void OnEditChanged(int id);
    virtual void OnSelectionChanged(int id, int row);
    // A list view was double-clicked on `row`, or below its rows (-1); a radio button, row 0.
    virtual void OnDoubleClick(int id, int row);
    // A window message sent or posted to Handle().
    virtual intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build(const DialogTemplate& dialogTemplate);
    QWidget* Create(const ControlTemplate& control, QWidget* parent);
    void Connect(int id, QWidget* widget);
    QGridLayout* GridOf(int group);
    // Handles Return, Space and Escape; true when the key was taken.
    bool HandleKey(int key);

    int m_nTemplateId = 0;
    std::map<int, QWidget*> m_controls;
    std::map<int, QGridLayout*> m_grids;           // by group box id; 0: the dialog
    std::map<int, std::vector<int>> m_lampStacks;  // colour id -> every colour of its stack
    platform::WindowHandle m_handle = 0;
    bool m_escapeCloses = false;
};

}  // namespace ui
