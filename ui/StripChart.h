#pragma once
// A chart of stacked panels against a shared time axis, drawn with QPainter: each panel shows
// one or more series as a range per column (lowest to highest, joined column to column; a
// column without data is a gap) and dashed guides at fixed values, and bands below them show
// states as colours. It holds only
// what it is given for the columns on screen, so drawing costs the same for any history, and
// new columns repaint only themselves while their values stay inside the panels' scales, and a
// chart that moves on scrolls its picture instead of drawing it again.

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace ui {

struct ChartColumn {
    bool valid = false;
    double low = 0;
    double high = 0;
};

struct ChartSeries {
    std::string name;
    QColor color;
    std::vector<ChartColumn> columns;
};

// A value marked across a panel as a dashed line (a limit), always within its scale.
struct ChartGuide {
    double value;
    QColor color;
};

struct ChartPanel {
    std::string title;
    std::vector<ChartSeries> series;
    std::vector<ChartGuide> guides;
};

// A row of states: -2 no data (nothing drawn), -1 off (grey), 0 red, 1 yellow, 2 green.
struct ChartBand {
    std::string title;
    std::vector<int> states;
};

// A moment marked across the panels by a line, with its note at the top.
struct ChartMark {
    int column;
    std::string note;
};

class StripChart : public QWidget {
public:
    explicit StripChart(QWidget* parent = nullptr);

    // The width the columns are drawn in: callers compute this many columns.
    int PlotColumns() const;
    // Whether the data holds a column for every column of the plot; not after the chart grew.
    bool HoldsEveryColumn() const;
    void SetData(std::vector<ChartPanel> panels, std::vector<ChartBand> bands,
                 std::string leftLabel, std::string rightLabel);
    // Replaces the columns from `first` on: `panels` and `bands` have the shape SetData gave,
    // with only the new columns. Repaints those columns, or all when a scale must grow.
    void UpdateColumns(int first, const std::vector<ChartPanel>& panels,
                       const std::vector<ChartBand>& bands);
    // Moves every column `shift` places to the left, as a live chart moves on in time: the
    // columns that come in on the right have no data and the scales stay. The pixels on screen
    // are moved rather than drawn again; only the edges, the axis and the cursor repaint.
    void ScrollColumns(int shift, std::string leftLabel, std::string rightLabel);
    // Replaces the marks; repaints where they were and where they are.
    void SetMarks(std::vector<ChartMark> marks);
    const std::vector<ChartMark>& Marks() const { return m_marks; }
    // The column under the cursor line, or -1 for none.
    void SetCursorColumn(int column);
    int CursorColumn() const { return m_cursor; }
    const std::vector<ChartPanel>& Panels() const { return m_panels; }
    const std::vector<ChartBand>& Bands() const { return m_bands; }

    // Called when the operator moves the cursor (mouse button held or clicked) and turns the
    // wheel (positive: zoom in) at a column.
    std::function<void(int column)> onCursor;
    std::function<void(int steps, int column)> onWheel;

    QSize sizeHint() const override { return {900, 560}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Scale {
        bool valid = false;
        double low = 0;
        double high = 0;
    };
    QRect PlotArea() const;
    // The panel's range with a margin, so that values a little outside it fit next time.
    static Scale ScaleOf(const ChartPanel& panel);
    static bool Inside(const Scale& scale, const ChartPanel& part);
    int PanelHeight() const;
    int ColumnAt(int x) const;
    const QImage& Ground() const;
    // Draws what falls into `rect`, one rectangle of the region to repaint.
    void PaintRect(QPainter& p, const QRect& rect) const;
    void DrawPanel(QPainter& p, const ChartPanel& panel, const Scale& scale, const QRect& area,
                   int firstColumn, int lastColumn) const;
    void DrawBand(QPainter& p, const ChartBand& band, const QRect& area, int firstColumn,
                  int lastColumn) const;
    void DrawMarks(QPainter& p) const;
    // Where a mark's line and note are drawn.
    QRect MarkRect(const ChartMark& mark) const;

    std::vector<ChartPanel> m_panels;
    std::vector<Scale> m_scales;
    std::vector<ChartBand> m_bands;
    std::vector<ChartMark> m_marks;
    std::string m_leftLabel;
    std::string m_rightLabel;
    int m_cursor = -1;
    mutable QImage m_ground;
    mutable size_t m_groundPanels = 0;
};

}  // namespace ui
