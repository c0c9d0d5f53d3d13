#pragma once
// An up-down control: two arrow buttons stepping a position through a range. It reports each
// new position, as the thumb-position notification of the original control did.

#include <QWidget>

class QToolButton;

namespace ui {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    // How far one click moves the position (1 unless set).
    void SetStep(int step) { m_step = step > 0 ? step : 1; }
    int Low() const { return m_low; }
    int High() const { return m_high; }
    // Sets the position without reporting it.
    void SetPos(int position);
    int Pos() const { return m_position; }
    // Steps as a click on an arrow does: +1 up, -1 down; reports the new position.
    void Step(int delta);

signals:
    void PositionChanged(int position);

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_low = 0;
    int m_high = 100;
    int m_position = 0;
    int m_step = 1;
};

}  // namespace ui
