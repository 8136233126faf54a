#include "ui/RecordingView.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString duration(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString figure(const Recording::Statistics &s, double value)
{
    return s.count ? QString::number(value, 'f', 1) : QStringLiteral("-");
}

QValueAxis *axis(const QString &title)
{
    auto *a = new QValueAxis;
    a->setTitleText(title);
    a->setLabelFormat(QStringLiteral("%g"));
    return a;
}

} // namespace

RecordingView::RecordingView(QWidget *parent) : QWidget(parent)
{
    m_chart = new QChart;
    // Which line is which: the legend names them.
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->legend()->show();
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_level = new QLineSeries;
    m_level->setName(QStringLiteral("Level"));
    m_errors = new QLineSeries;
    m_errors->setName(QStringLiteral("Errors"));
    m_chart->addSeries(m_level);
    m_chart->addSeries(m_errors);
    m_time = axis(QStringLiteral("Time (s)"));
    m_levelAxis = axis(QStringLiteral("Level (dBm)"));
    m_errorAxis = axis(QStringLiteral("Errors (per report)"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_levelAxis, Qt::AlignLeft);
    m_chart->addAxis(m_errorAxis, Qt::AlignRight);
    m_level->attachAxis(m_time);
    m_level->attachAxis(m_levelAxis);
    m_errors->attachAxis(m_time);
    m_errors->attachAxis(m_errorAxis);
    m_time->setRange(0, double(kWindowMs) / 1000.0);
    m_levelAxis->setRange(-100, -40);
    // Whole dBm on the level axis, however far the range reaches.
    m_levelAxis->setTickType(QValueAxis::TicksDynamic);
    m_levelAxis->setTickAnchor(0);
    // Before the first report the axis spans 60 dB: labels every 5 dB would crowd
    // the short axis until each one is elided.
    m_levelAxis->setTickInterval(20);
    m_errorAxis->setRange(0, 1);
    m_errorAxis->setGridLineVisible(false);  // the level's grid is the one to read

    m_chartView = new QChartView(m_chart);
    m_chartView->setObjectName(QStringLiteral("chart_Recording"));
    m_chartView->setAccessibleName(QStringLiteral("Chart"));
    m_chartView->setRenderHint(QPainter::Antialiasing, false);
    m_chartView->setMinimumSize(440, 240);
    connect(m_chart, &QChart::plotAreaChanged, this, [this] { placeMarkers(); });

    m_wholeRun = new QCheckBox(QStringLiteral("Whole run"));
    m_wholeRun->setObjectName(QStringLiteral("chk_WholeRun"));
    m_wholeRun->setAccessibleName(QStringLiteral("Whole run"));
    connect(m_wholeRun, &QCheckBox::toggled, this, &RecordingView::rangeChanged);

    auto *figures = new QGridLayout;
    m_elapsed = new QLabel(duration(0));
    m_elapsed->setObjectName(QStringLiteral("lbl_Elapsed"));
    figures->addWidget(new QLabel(QStringLiteral("Elapsed:")), 0, 0);
    figures->addWidget(m_elapsed, 0, 1, 1, 3);
    const QStringList heads{QStringLiteral("Min"), QStringLiteral("Avg"), QStringLiteral("Max")};
    for (int c = 0; c < 3; ++c)
        figures->addWidget(new QLabel(heads[c]), 1, c + 1, Qt::AlignRight);
    figures->addWidget(new QLabel(QStringLiteral("Level (dBm):")), 2, 0);
    m_errorCaption = new QLabel(QStringLiteral("Errors:"));
    figures->addWidget(m_errorCaption, 3, 0);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            auto *value = new QLabel(QStringLiteral("-"));
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setMinimumWidth(40);
            m_statistics[std::size_t(r * 3 + c)] = value;
            figures->addWidget(value, r + 2, c + 1);
        }
    }
    m_noise = new QLabel(QStringLiteral("0"));
    m_noise->setObjectName(QStringLiteral("lbl_Noise"));
    figures->addWidget(new QLabel(QStringLiteral("Noise lines:")), 4, 0);
    figures->addWidget(m_noise, 4, 1, 1, 3);
    figures->addWidget(m_wholeRun, 5, 0, 1, 4);
    figures->setRowStretch(6, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chartView, 1);
    layout->addLayout(figures);
    setKind(Recording::Kind::Level);
}

void RecordingView::setKind(Recording::Kind kind)
{
    const bool ber = kind == Recording::Kind::Ber;
    m_errors->setVisible(ber);
    m_errorAxis->setVisible(ber);
    m_errorCaption->setVisible(ber);
    for (int c = 0; c < 3; ++c)
        statisticLabel(1, c)->setVisible(ber);
}

void RecordingView::refresh(const Recording &recording, const QDateTime &now)
{
    const qint64 elapsed = recording.elapsedMs(now);
    const bool whole = m_wholeRun->isChecked();
    const qint64 from = whole ? 0 : std::max<qint64>(0, elapsed - kWindowMs);
    const qint64 to = whole ? std::max<qint64>(elapsed, 1000) : std::max(elapsed, kWindowMs);
    m_time->setRange(double(from) / 1000.0, double(to) / 1000.0);

    // One replace per series: a single redraw however many points changed.
    m_level->replace(recording.points(Recording::Quantity::Level, from, kMaxPoints));
    if (m_errors->isVisible())
        m_errors->replace(recording.points(Recording::Quantity::Errors, from, kMaxPoints));

    const Recording::Statistics &level = recording.statistics(Recording::Quantity::Level);
    if (level.count) {
        const double low = std::floor(level.minimum / 5) * 5 - 5;
        const double high = std::ceil(level.maximum / 5) * 5 + 5;
        m_levelAxis->setRange(low, high);
        m_levelAxis->setTickInterval(high - low > 60 ? 20 : 5);
    }
    const Recording::Statistics &errors = recording.statistics(Recording::Quantity::Errors);
    m_errorAxis->setRange(0, std::max(1.0, errors.maximum + 1));

    m_elapsed->setText(duration(elapsed));
    m_noise->setText(QString::number(recording.noiseCount()));
    const Recording::Statistics *rows[2] = {&level, &errors};
    for (int r = 0; r < 2; ++r) {
        statisticLabel(r, 0)->setText(figure(*rows[r], rows[r]->minimum));
        statisticLabel(r, 1)->setText(figure(*rows[r], rows[r]->average()));
        statisticLabel(r, 2)->setText(figure(*rows[r], rows[r]->maximum));
    }

    m_markers.clear();
    for (const Recording::Marker &m : recording.markers()) {
        if (m.elapsedMs >= from)
            m_markers.emplace_back(m.number, double(m.elapsedMs) / 1000.0);
    }
    // Whole run with many markers: keep the latest ones readable.
    constexpr std::size_t kMaxMarkers = 100;
    if (m_markers.size() > kMaxMarkers)
        m_markers.erase(m_markers.begin(), m_markers.end() - kMaxMarkers);
    placeMarkers();
}

void RecordingView::placeMarkers()
{
    const QRectF area = m_chart->plotArea();
    while (m_markerItems.size() < m_markers.size()) {
        auto *line = new QGraphicsLineItem(m_chart);
        line->setPen(QPen(Qt::darkRed, 1, Qt::DashLine));
        auto *number = new QGraphicsSimpleTextItem(m_chart);
        number->setBrush(Qt::darkRed);
        m_markerItems.emplace_back(line, number);
    }
    for (std::size_t i = 0; i < m_markerItems.size(); ++i) {
        auto [line, number] = m_markerItems[i];
        const bool shown = i < m_markers.size();
        line->setVisible(shown);
        number->setVisible(shown);
        if (!shown)
            continue;
        const double x = m_chart->mapToPosition(QPointF(m_markers[i].second, m_levelAxis->min()), m_level).x();
        line->setLine(x, area.top(), x, area.bottom());
        number->setText(QString::number(m_markers[i].first));
        number->setPos(x + 2, area.top());
    }
}
