#pragma once
// A modal progress state: while it lives, the operator's mouse and keyboard input reaches only
// the one control that may end the operation (its Cancel), while the windows go on painting and
// handling their messages.

#include <QObject>

class QWidget;

namespace ui {

class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* allowed);
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_allowed;
};

}  // namespace ui
