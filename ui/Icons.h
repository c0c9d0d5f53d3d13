#pragma once
// The icons the console draws itself: the 16 x 16 lamps by icon id and the application icon.

#include <QIcon>
#include <QPixmap>

namespace ui {

enum IconId { kIconGreen = 131, kIconGrey = 132, kIconRed = 133, kIconYellow = 144 };

QPixmap LampPixmap(int iconId);
QIcon ApplicationIcon();

}  // namespace ui
