#include "ui/Icons.h"

#include <QPainter>
#include <QRadialGradient>

namespace ui {
namespace {

QColor LampColour(int iconId) {
    switch (iconId) {
        case kIconGreen:
            return QColor(0x20, 0xC0, 0x30);
        case kIconRed:
            return QColor(0xE0, 0x20, 0x20);
        case kIconYellow:
            return QColor(0xF0, 0xC8, 0x10);
        default:
            return QColor(0x90, 0x90, 0x90);
    }
}

}  // namespace

QPixmap LampPixmap(int iconId) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = LampColour(iconId);
    QRadialGradient light(6, 6, 8);
    light.setColorAt(0, colour.lighter(170));
    light.setColorAt(1, colour);
    painter.setBrush(light);
    painter.setPen(QPen(colour.darker(160), 1));
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0x1C, 0x3D, 0x6E));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        // A dish and its signal waves.
        painter.setPen(QPen(Qt::white, size / 16.0 + 0.5, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        const double s = size;
        painter.drawArc(QRectF(0.15 * s, 0.35 * s, 0.5 * s, 0.5 * s), 200 * 16, 160 * 16);
        painter.drawLine(QPointF(0.4 * s, 0.6 * s), QPointF(0.55 * s, 0.45 * s));
        painter.setPen(QPen(QColor(0x40, 0xE0, 0x60), size / 16.0 + 0.5));
        painter.drawArc(QRectF(0.45 * s, 0.15 * s, 0.4 * s, 0.4 * s), 0, 90 * 16);
        painter.drawArc(QRectF(0.55 * s, 0.05 * s, 0.4 * s, 0.4 * s), 0, 90 * 16);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace ui
