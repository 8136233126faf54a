#pragma once

#include "diagnostics/Recording.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QChart;
class QChartView;
class QGraphicsLineItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineSeries;
class QValueAxis;

// The receive test dialog's picture of a recording: a chart of the level (and, for
// the BER tests, the errors) over time with the markers, and beside it the elapsed
// time, the statistics and the noise count. Redrawn only when asked, from a bounded
// number of points, so a long run costs no more than a short one.
class RecordingView : public QWidget {
    Q_OBJECT
public:
    // Points per series: a minute at the module's report rate fits without thinning.
    static constexpr int kMaxPoints = 400;
    static constexpr qint64 kWindowMs = 60'000;

    explicit RecordingView(QWidget *parent = nullptr);

    // The errors series and axis belong to the BER tests only.
    void setKind(Recording::Kind kind);
    void refresh(const Recording &recording, const QDateTime &now);

    QCheckBox *wholeRunBox() const { return m_wholeRun; }
    QChart *chart() const { return m_chart; }
    QLineSeries *levelSeries() const { return m_level; }
    QLineSeries *errorSeries() const { return m_errors; }
    QLabel *elapsedLabel() const { return m_elapsed; }
    QLabel *noiseLabel() const { return m_noise; }
    // Minimum, average, maximum of the level (row 0) or the errors (row 1).
    QLabel *statisticLabel(int row, int column) const { return m_statistics[std::size_t(row * 3 + column)]; }

Q_SIGNALS:
    // The shown range changed: the owner refreshes.
    void rangeChanged();

private:
    // Puts the markers' lines and numbers where the plot now shows their times.
    void placeMarkers();

    QChart *m_chart = nullptr;
    QChartView *m_chartView = nullptr;
    QLineSeries *m_level = nullptr;
    QLineSeries *m_errors = nullptr;
    QValueAxis *m_time = nullptr;
    QValueAxis *m_levelAxis = nullptr;
    QValueAxis *m_errorAxis = nullptr;
    QCheckBox *m_wholeRun = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_noise = nullptr;
    std::array<QLabel *, 6> m_statistics{};
    QLabel *m_errorCaption = nullptr;
    // The markers in view: number and seconds since start.
    std::vector<std::pair<int, double>> m_markers;
    // One line and number per marker in view; reused between refreshes.
    std::vector<std::pair<QGraphicsLineItem *, QGraphicsSimpleTextItem *>> m_markerItems;
};
