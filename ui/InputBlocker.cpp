#include "ui/InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace ui {

InputBlocker::InputBlocker(QWidget* allowed) : m_allowed(allowed) {
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut: {
            // Windows pass their input on to their widgets, which are judged one by one.
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget == nullptr) {
                return false;
            }
            return m_allowed == nullptr ||
                   (widget != m_allowed && !m_allowed->isAncestorOf(widget));
        }
        default:
            return false;
    }
}

}  // namespace ui
