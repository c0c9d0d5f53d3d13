#include "ui/QtDelivery.h"

#include <QCoreApplication>
#include <QThread>

namespace ui {

void QtDelivery::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

bool QtDelivery::OnWindowThread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace ui
