#include "ui/LongOperation.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace ui {
namespace {

// Window thread only.
int s_running = 0;
QPointer<QWidget> s_closing;
bool s_stopRequested = false;

}  // namespace

LongOperation::LongOperation() {
    ++s_running;
}

LongOperation::~LongOperation() {
    if (--s_running != 0 || !s_stopRequested) {
        return;
    }
    s_stopRequested = false;
    if (s_closing != nullptr) {
        QMetaObject::invokeMethod(s_closing.data(), "close", Qt::QueuedConnection);
    }
    s_closing = nullptr;
}

bool LongOperation::Running() {
    return s_running != 0;
}

bool LongOperation::StopRequested() {
    return s_stopRequested;
}

bool LongOperation::DeferClose(QWidget* window) {
    if (s_running == 0) {
        return false;
    }
    s_stopRequested = true;
    s_closing = window;
    return true;
}

}  // namespace ui
