#include "ui/StripChart.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

constexpr int kLeftMargin = 164;  // titles and scale
constexpr int kScaleWidth = 62;
constexpr int kRightMargin = 10;
constexpr int kBandHeight = 14;
constexpr int kAxisHeight = 18;
constexpr int kMarkNoteWidth = 180;
const QColor kMarkColor(140, 30, 140);

// A scale value with as many decimals as the panel's span needs to tell its ends apart.
QString ScaleText(double value, double span) {
    const double unit = std::fabs(value) >= 1e6 ? 1e6 : 1.0;
    const double scaled = span / unit;
    const int decimals = scaled >= 10 ? 0 : scaled >= 1 ? 1 : scaled >= 0.01 ? 3 : 6;
    return QString::number(value / unit, 'f', decimals) + (unit > 1 ? "M" : "");
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
    // Every repaint fills its own ground, so Qt need not paint what lies behind the chart.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect StripChart::PlotArea() const {
    return QRect(kLeftMargin, 4, std::max(1, width() - kLeftMargin - kRightMargin),
                 std::max(1, height() - 8 - kAxisHeight));
}

int StripChart::PlotColumns() const {
    return PlotArea().width();
}

bool StripChart::HoldsEveryColumn() const {
    const size_t columns = size_t(PlotColumns());
    for (const ChartPanel& panel : m_panels) {
        for (const ChartSeries& series : panel.series) {
            if (series.columns.size() != columns) {
                return false;
            }
        }
    }
    for (const ChartBand& band : m_bands) {
        if (band.states.size() != columns) {
            return false;
        }
    }
    return true;
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
    m_scales.clear();
    for (const ChartPanel& panel : m_panels) {
        m_scales.push_back(ScaleOf(panel));
    }
    update();
}

StripChart::Scale StripChart::ScaleOf(const ChartPanel& panel) {
    Scale scale;
    for (const ChartSeries& s : panel.series) {
        for (const ChartColumn& c : s.columns) {
            if (c.valid) {
                scale.low = scale.valid ? std::min(scale.low, c.low) : c.low;
                scale.high = scale.valid ? std::max(scale.high, c.high) : c.high;
                scale.valid = true;
            }
        }
    }
    for (const ChartGuide& guide : panel.guides) {  // only beside data: no data, no scale
        scale.low = scale.valid ? std::min(scale.low, guide.value) : scale.low;
        scale.high = scale.valid ? std::max(scale.high, guide.value) : scale.high;
    }
    if (scale.high - scale.low < 1e-9) {  // a flat line: a unit above and below it
        scale.low -= 1;
        scale.high += 1;
    }
    const double margin = (scale.high - scale.low) * 0.1;
    scale.low -= margin;
    scale.high += margin;
    return scale;
}

bool StripChart::Inside(const Scale& scale, const ChartPanel& part) {
    for (const ChartSeries& s : part.series) {
        for (const ChartColumn& c : s.columns) {
            if (c.valid && (!scale.valid || c.low < scale.low || c.high > scale.high)) {
                return false;
            }
        }
    }
    return true;
}

void StripChart::UpdateColumns(int first, const std::vector<ChartPanel>& panels,
                               const std::vector<ChartBand>& bands) {
    if (first < 0 || panels.size() != m_panels.size() || bands.size() != m_bands.size()) {
        return;
    }
    bool rescale = false;
    int last = first;
    for (size_t p = 0; p < panels.size(); ++p) {
        for (size_t s = 0; s < panels[p].series.size() && s < m_panels[p].series.size(); ++s) {
            auto& columns = m_panels[p].series[s].columns;
            const auto& part = panels[p].series[s].columns;
            for (size_t x = 0; x < part.size() && first + x < columns.size(); ++x) {
                columns[first + x] = part[x];
            }
            last = std::max(last, first + int(part.size()));
        }
        if (!Inside(m_scales[p], panels[p])) {
            m_scales[p] = ScaleOf(m_panels[p]);
            rescale = true;
        }
    }
    for (size_t b = 0; b < bands.size(); ++b) {
        for (size_t x = 0; x < bands[b].states.size() && first + x < m_bands[b].states.size();
             ++x) {
            m_bands[b].states[first + x] = bands[b].states[x];
        }
    }
    const QRect plot = PlotArea();
    if (rescale) {
        update();
    } else {  // one column more on the left, for the line that joins the new ones
        update(QRect(plot.left() + first - 1, plot.top(), last - first + 2, plot.height()));
    }
}

void StripChart::ScrollColumns(int shift, std::string leftLabel, std::string rightLabel) {
    const QRect plot = PlotArea();
    if (shift <= 0) {
        return;
    }
    auto shiftLeft = [shift](auto& values, auto empty) {
        const size_t moved = std::min(values.size(), size_t(shift));
        std::move(values.begin() + std::ptrdiff_t(moved), values.end(), values.begin());
        std::fill(values.end() - std::ptrdiff_t(moved), values.end(), empty);
    };
    for (ChartPanel& panel : m_panels) {
        for (ChartSeries& series : panel.series) {
            shiftLeft(series.columns, ChartColumn{});
        }
    }
    for (ChartBand& band : m_bands) {
        shiftLeft(band.states, -2);
    }
    for (ChartMark& mark : m_marks) {
        mark.column -= shift;
    }
    std::erase_if(m_marks, [](const ChartMark& mark) { return mark.column < -kMarkNoteWidth; });
    m_leftLabel = std::move(leftLabel);
    m_rightLabel = std::move(rightLabel);
    scroll(-shift, 0, plot);
    // The frames' left edge scrolled away, and their right edge moved in with the rest.
    update(QRect(plot.left(), plot.top(), 2, plot.height()));
    update(QRect(plot.right() - shift - 2, plot.top(), shift + 3, plot.height()));
    update(QRect(plot.left(), plot.bottom() + 1, plot.width(), kAxisHeight + 2));
    if (m_cursor >= 0) {
        for (const int x : {m_cursor - shift, m_cursor}) {
            update(QRect(plot.left() + x - 1, plot.top(), 3, plot.height()));
        }
    }
}

QRect StripChart::MarkRect(const ChartMark& mark) const {
    const QRect plot = PlotArea();
    return QRect(plot.left() + mark.column - 1, plot.top(), kMarkNoteWidth + 4, plot.height());
}

void StripChart::SetMarks(std::vector<ChartMark> marks) {
    for (const ChartMark& mark : m_marks) {
        update(MarkRect(mark));
    }
    m_marks = std::move(marks);
    for (const ChartMark& mark : m_marks) {
        update(MarkRect(mark));
    }
}

// A solid line through panels and bands, and the note beside its top, cut to fit. A mark
// scrolled off the left keeps the part of its note still in the plot, as the pixels moved.
void StripChart::DrawMarks(QPainter& p) const {
    const QRect plot = PlotArea();
    p.save();
    p.setClipRect(plot, Qt::IntersectClip);
    p.setPen(QPen(kMarkColor, 1));
    for (const ChartMark& mark : m_marks) {
        if (mark.column >= plot.width()) {
            continue;
        }
        const int x = plot.left() + mark.column;
        p.drawLine(x, plot.top(), x, plot.bottom());
        const QRect note(x + 3, plot.top() + 2, kMarkNoteWidth, kBandHeight + 2);
        const QString text = p.fontMetrics().elidedText(QString::fromStdString(mark.note),
                                                        Qt::ElideRight, note.width());
        p.drawText(note, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    p.restore();
}

void StripChart::SetCursorColumn(int column) {
    const QRect plot = PlotArea();
    for (const int x : {m_cursor, column}) {
        if (x >= 0) {
            update(QRect(plot.left() + x - 1, plot.top(), 3, plot.height()));
        }
    }
    m_cursor = column;
}

int StripChart::PanelHeight() const {
    const int bandsHeight = int(m_bands.size()) * kBandHeight;
    const int panelCount = std::max<int>(1, int(m_panels.size()));
    return (PlotArea().height() - bandsHeight - 4) / panelCount;
}

void StripChart::DrawPanel(QPainter& p, const ChartPanel& panel, const Scale& scale,
                           const QRect& area, int firstColumn, int lastColumn) const {
    const double low = scale.low;
    const double high = scale.high;
    if (firstColumn < 0) {  // the margin is in the region: the title and the scale
        p.setPen(Qt::black);
        const QRect titleArea(2, area.top(), kLeftMargin - kScaleWidth - 6, area.height());
        p.drawText(titleArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   QString::fromStdString(panel.title));
        const QRect scaleArea(kLeftMargin - kScaleWidth - 4, area.top(), kScaleWidth,
                              area.height());
        if (scale.valid) {
            p.drawText(scaleArea, Qt::AlignRight | Qt::AlignTop, ScaleText(high, high - low));
            p.drawText(scaleArea, Qt::AlignRight | Qt::AlignBottom, ScaleText(low, high - low));
        }
    }
    if (!scale.valid) {
        return;
    }
    auto y = [&](double v) {
        return area.bottom() - 2 - (v - low) / (high - low) * (area.height() - 5);
    };
    // One batch of lines per series: a range per column, joined to the column before it.
    std::vector<QLineF> lines;
    for (const ChartSeries& s : panel.series) {
        lines.clear();
        const int count = std::min<int>({int(s.columns.size()), area.width(), lastColumn + 1});
        for (int x = std::max(firstColumn, 0); x < count; ++x) {
            const ChartColumn& c = s.columns[size_t(x)];
            if (!c.valid) {
                continue;  // no data: a gap
            }
            const double px = area.left() + x;
            if (x > 0 && s.columns[size_t(x) - 1].valid) {
                const ChartColumn& before = s.columns[size_t(x) - 1];
                lines.emplace_back(px - 1, y((before.low + before.high) / 2), px,
                                   y((c.low + c.high) / 2));
            }
            if (c.high > c.low) {
                lines.emplace_back(px, y(c.low), px, y(c.high));
            }
        }
        if (!lines.empty()) {
            p.setPen(QPen(s.color, 1));
            p.drawLines(lines.data(), int(lines.size()));
        }
    }
    const int right = std::min<int>(area.width(), lastColumn + 1);
    for (const ChartGuide& guide : panel.guides) {
        QPen dashes(guide.color, 1, Qt::DashLine);
        dashes.setDashOffset(std::max(firstColumn, 0));  // dashes line up across repaints
        p.setPen(dashes);
        const double gy = y(guide.value);
        p.drawLine(QPointF(area.left() + std::max(firstColumn, 0), gy),
                   QPointF(area.left() + right - 1, gy));
    }
}

void StripChart::DrawBand(QPainter& p, const ChartBand& band, const QRect& area, int firstColumn,
                          int lastColumn) const {
    if (firstColumn < 0) {
        p.setPen(Qt::black);
        p.drawText(QRect(2, area.top(), kLeftMargin - 6, area.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(band.title));
    }
    // Runs of one state as one rectangle each.
    const int count = std::min<int>({int(band.states.size()), area.width(), lastColumn + 1});
    for (int x = std::max(firstColumn, 0); x < count;) {
        int end = x + 1;
        while (end < count && band.states[size_t(end)] == band.states[size_t(x)]) {
            ++end;
        }
        if (band.states[size_t(x)] != -2) {
            p.fillRect(QRect(area.left() + x, area.top() + 1, end - x, area.height() - 2),
                       StateColor(band.states[size_t(x)]));
        }
        x = end;
    }
}

// Only the columns the update region covers are drawn, rectangle by rectangle, so that a few
// strips apart do not draw the columns between them.
void StripChart::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& ground = Ground();
    const qreal ratio = ground.devicePixelRatio();
    for (const QRect& rect : event->region()) {
        p.setClipRect(rect);
        p.drawImage(rect, ground,
                    QRectF(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio,
                           rect.height() * ratio));
        PaintRect(p, rect);
    }
}

// One picture of what every repaint starts from, so that a strip costs one copy instead of a
// fill and a frame per panel: the window's colour, and each panel's white ground in its grey
// frame.
const QImage& StripChart::Ground() const {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_ground.size() == pixels && m_groundPanels == m_panels.size()) {
        return m_ground;
    }
    m_ground = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_ground.setDevicePixelRatio(ratio);
    m_groundPanels = m_panels.size();
    QPainter p(&m_ground);
    p.fillRect(rect(), palette().window());
    const QRect plot = PlotArea();
    const int panelHeight = PanelHeight();
    p.setPen(QColor(160, 160, 160));
    p.setBrush(Qt::white);
    for (size_t i = 0; i < m_panels.size(); ++i) {
        const int top = plot.top() + int(i) * panelHeight;
        p.drawRect(QRect(plot.left(), top, plot.width(), panelHeight - 3).adjusted(0, 0, -1, -1));
    }
    return m_ground;
}

void StripChart::PaintRect(QPainter& p, const QRect& rect) const {
    const QRect plot = PlotArea();
    // One column more on the left for the line that joins it; a negative first column, only
    // when the margin is in the rectangle, draws the titles and scales there.
    const int firstColumn = rect.left() < plot.left() ? rect.left() - plot.left()
                                                      : std::max(0, rect.left() - plot.left() - 1);
    const int lastColumn = rect.right() - plot.left() + 1;
    const int panelHeight = PanelHeight();
    int top = plot.top();
    // Panels and bands the rectangle does not reach are skipped.
    for (size_t i = 0; i < m_panels.size(); ++i) {
        const QRect area(plot.left(), top, plot.width(), panelHeight - 3);
        if (rect.intersects(area.adjusted(-plot.left(), 0, 0, 0))) {
            DrawPanel(p, m_panels[i], m_scales[i], area, firstColumn, lastColumn);
        }
        top += panelHeight;
    }
    top += 4;
    for (const ChartBand& band : m_bands) {
        const QRect area(plot.left(), top, plot.width(), kBandHeight);
        if (rect.intersects(area.adjusted(-plot.left(), 0, 0, 0))) {
            DrawBand(p, band, area, firstColumn, lastColumn);
        }
        top += kBandHeight;
    }
    const QRect axis(plot.left(), plot.bottom() + 2, plot.width(), kAxisHeight);
    if (rect.intersects(axis)) {
        p.setPen(Qt::black);
        p.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(m_leftLabel));
        p.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(m_rightLabel));
    }
    DrawMarks(p);
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
