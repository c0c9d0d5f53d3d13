#include "ui/StripChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

constexpr int kLeftMargin = 150;  // titles and scale
constexpr int kRightMargin = 10;
constexpr int kBandHeight = 14;
constexpr int kAxisHeight = 18;

QString Scale(double value) {
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e6) {
        return QString::number(value / 1e6, 'g', 4) + "M";
    }
    if (magnitude >= 1e4) {
        return QString::number(value / 1e3, 'g', 4) + "k";
    }
    return QString::number(value, 'g', 4);
}

QColor StateColor(int state) {
    switch (state) {
        case -1:
            return QColor(190, 190, 190);
        case 0:
            return QColor(220, 50, 40);
        case 1:
            return QColor(235, 190, 30);
        default:
            return QColor(40, 170, 60);
    }
}

}  // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(400, 160);
    setMouseTracking(false);
    setAutoFillBackground(true);
}

QRect StripChart::PlotArea() const {
    return QRect(kLeftMargin, 4, std::max(1, width() - kLeftMargin - kRightMargin),
                 std::max(1, height() - 8 - kAxisHeight));
}

int StripChart::PlotColumns() const {
    return PlotArea().width();
}

int StripChart::ColumnAt(int x) const {
    const QRect area = PlotArea();
    return x < area.left() || x > area.right() ? -1 : x - area.left();
}

void StripChart::SetData(std::vector<ChartPanel> panels, std::vector<ChartBand> bands,
                         std::string leftLabel, std::string rightLabel) {
    m_panels = std::move(panels);
    m_bands = std::move(bands);
    m_leftLabel = std::move(leftLabel);
    m_rightLabel = std::move(rightLabel);
    update();
}

void StripChart::SetCursorColumn(int column) {
    m_cursor = column;
    update();
}

void StripChart::DrawPanel(QPainter& p, const ChartPanel& panel, const QRect& area) const {
    double low = INFINITY;
    double high = -INFINITY;
    for (const ChartSeries& s : panel.series) {
        for (const ChartColumn& c : s.columns) {
            if (c.valid) {
                low = std::min(low, c.low);
                high = std::max(high, c.high);
            }
        }
    }
    p.setPen(QColor(160, 160, 160));
    p.setBrush(Qt::white);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    const QRect titleArea(2, area.top(), kLeftMargin - 48, area.height());
    p.drawText(titleArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               QString::fromStdString(panel.title));
    if (!std::isfinite(low)) {
        return;
    }
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    const QRect scaleArea(kLeftMargin - 46, area.top(), 42, area.height());
    p.drawText(scaleArea, Qt::AlignRight | Qt::AlignTop, Scale(high));
    p.drawText(scaleArea, Qt::AlignRight | Qt::AlignBottom, Scale(low));
    auto y = [&](double v) {
        return area.bottom() - 2 - (v - low) / (high - low) * (area.height() - 5);
    };
    for (const ChartSeries& s : panel.series) {
        p.setPen(QPen(s.color, 1));
        const int count = std::min<int>(int(s.columns.size()), area.width());
        for (int x = 0; x < count; ++x) {
            const ChartColumn& c = s.columns[size_t(x)];
            if (!c.valid) {
                continue;  // no data: a gap
            }
            const double px = area.left() + x;
            if (x > 0 && s.columns[size_t(x) - 1].valid) {
                const ChartColumn& before = s.columns[size_t(x) - 1];
                p.drawLine(QPointF(px - 1, y((before.low + before.high) / 2)),
                           QPointF(px, y((c.low + c.high) / 2)));
            }
            p.drawLine(QPointF(px, y(c.low)), QPointF(px, y(c.high)));
        }
    }
}

void StripChart::DrawBand(QPainter& p, const ChartBand& band, const QRect& area) const {
    p.setPen(Qt::black);
    p.drawText(QRect(2, area.top(), kLeftMargin - 6, area.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(band.title));
    for (size_t x = 0; x < band.states.size() && int(x) < area.width(); ++x) {
        if (band.states[x] != -2) {
            p.fillRect(QRect(area.left() + int(x), area.top() + 1, 1, area.height() - 2),
                       StateColor(band.states[x]));
        }
    }
}

void StripChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect plot = PlotArea();
    const int bandsHeight = int(m_bands.size()) * kBandHeight;
    const int panelCount = std::max<int>(1, int(m_panels.size()));
    const int panelHeight = (plot.height() - bandsHeight - 4) / panelCount;
    int top = plot.top();
    for (const ChartPanel& panel : m_panels) {
        DrawPanel(p, panel, QRect(plot.left(), top, plot.width(), panelHeight - 3));
        top += panelHeight;
    }
    top += 4;
    for (const ChartBand& band : m_bands) {
        DrawBand(p, band, QRect(plot.left(), top, plot.width(), kBandHeight));
        top += kBandHeight;
    }
    p.setPen(Qt::black);
    const QRect axis(plot.left(), plot.bottom() + 2, plot.width(), kAxisHeight);
    p.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(m_leftLabel));
    p.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(m_rightLabel));
    if (m_cursor >= 0 && m_cursor < plot.width()) {
        p.setPen(QPen(QColor(30, 60, 200), 1, Qt::DashLine));
        p.drawLine(plot.left() + m_cursor, plot.top(), plot.left() + m_cursor, plot.bottom());
    }
}

void StripChart::mousePressEvent(QMouseEvent* event) {
    mouseMoveEvent(event);
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
    const int column = ColumnAt(int(event->position().x()));
    if (column >= 0) {
        SetCursorColumn(column);
        if (onCursor) {
            onCursor(column);
        }
    }
}

void StripChart::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && onWheel) {
        onWheel(steps, std::max(0, ColumnAt(int(event->position().x()))));
    }
}

}  // namespace ui
