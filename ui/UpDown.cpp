#include "ui/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {m_up, m_down}) {
        button->setArrowType(button == m_up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void UpDown::SetRange(int low, int high) {
    m_low = low;
    m_high = high;
}

void UpDown::SetPos(int position) {
    m_position = position;
}

void UpDown::Step(int delta) {
    const int low = std::min(m_low, m_high);
    const int high = std::max(m_low, m_high);
    const int next =
        std::clamp(m_position + (m_low <= m_high ? delta : -delta) * m_step, low, high);
    if (next != m_position) {
        m_position = next;
        emit PositionChanged(m_position);
    }
}

}  // namespace ui
