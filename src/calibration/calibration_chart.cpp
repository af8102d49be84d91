#include "calibration/calibration_chart.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "calibration/calibration_chart_model.h"
#include "calibration/ipx_trace.h"

namespace {

const QColor kIpx(0, 0, 255);
const QColor kAverage(0, 128, 0);  // as the Average label
const QColor kTarget(255, 0, 0);
const QColor kCalValue(230, 110, 0);
const QColor kGrid(128, 128, 128);
const QColor kFrame(127, 127, 127);
const QColor kLabel(0, 0, 0);
const QColor kQuiet(110, 110, 110);

QPen pen(const QColor& colour, qreal width = 1, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(colour, width, style);
    p.setCapStyle(width > 1 ? Qt::SquareCap : Qt::FlatCap);
    return p;
}

QString label(double value) {
    return QString::number(std::llround(value));  // whole numbers only: no locale involved
}

// Value -> pixel along one axis of the plot.
class Scale {
  public:
    Scale(const ChartAxis& axis, double from, double to)
        : m_axis(axis), m_from(from), m_per((to - from) / (axis.high - axis.low)) {}
    double operator()(double v) const { return m_from + (v - m_axis.low) * m_per; }
    template <class F>
    void eachTick(F f) const {
        const auto steps = std::llround((m_axis.high - m_axis.low) / m_axis.step);
        for (long long i = 0; i <= steps; ++i) {
            f(m_axis.low + static_cast<double>(i) * m_axis.step);
        }
    }

  private:
    ChartAxis m_axis;
    double m_from;
    double m_per;
};

// A legend entry from `x` on: its sign, then its name; returns where the next one starts.
double legendEntry(QPainter& painter, double x, double y, const QPen& sign, bool point,
                   const QString& name) {
    painter.setPen(sign);
    const double mid = y + painter.fontMetrics().height() / 2.0;
    if (point) {
        painter.drawPoint(QPointF(x + 6, mid));
    } else {
        painter.drawLine(QPointF(x, mid), QPointF(x + 12, mid));
    }
    painter.setPen(kLabel);
    const double textX = x + 16;
    painter.drawText(QPointF(textX, y + painter.fontMetrics().ascent()), name);
    return textX + painter.fontMetrics().horizontalAdvance(name) + 12;
}

}  // namespace

CalibrationChart::CalibrationChart(QAbstractButton* chkChart, QWidget* picChart, QWidget* txtData,
                                   CalibrationChartModel& model, QObject* parent)
    : QObject(parent), m_box(chkChart), m_surface(picChart), m_txtData(txtData), m_model(model) {
    m_pending.setSingleShot(true);
    m_pending.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire early
    connect(&m_pending, &QTimer::timeout, this, &CalibrationChart::drawNow);
    connect(m_box, &QAbstractButton::toggled, this, &CalibrationChart::chkChart_Click);
    m_model.changed = [this] { modelChanged(); };
    m_surface->setAttribute(Qt::WA_OpaquePaintEvent);  // nothing beneath needs painting
    m_surface->installEventFilter(this);
    m_txtData->installEventFilter(this);  // the chart follows the data area
    m_surface->hide();
}

CalibrationChart::~CalibrationChart() {
    m_model.changed = nullptr;
}

bool CalibrationChart::isShown() const {
    return m_pageShown && m_box && m_box->isChecked();
}

void CalibrationChart::chkChart_Click() {
    refresh();
}

void CalibrationChart::setPageShown(bool shown) {
    m_pageShown = shown;
    refresh();
}

void CalibrationChart::refresh() {
    if (!m_surface || !m_txtData) {
        return;
    }
    if (!isShown()) {
        m_pending.stop();
        m_surface->hide();
        return;
    }
    m_surface->setGeometry(m_txtData->geometry());
    m_surface->raise();
    m_surface->show();
    drawNow();
}

void CalibrationChart::modelChanged() {
    if (!isShown() || m_pending.isActive()) {
        return;
    }
    const qint64 since = m_sinceDraw.isValid() ? m_sinceDraw.elapsed() : kDrawIntervalMs;
    m_pending.start(static_cast<int>(std::max<qint64>(0, kDrawIntervalMs - since)));
}

void CalibrationChart::drawNow() {
    m_pending.stop();
    if (!m_surface || !isShown()) {
        return;
    }
    const qreal ratio = m_surface->devicePixelRatioF();
    m_picture = QImage(m_surface->size() * ratio, QImage::Format_RGB32);
    m_picture.setDevicePixelRatio(ratio);
    QPainter painter(&m_picture);
    painter.setFont(m_surface->font());
    draw(painter, m_surface->size(), m_model);
    painter.end();
    ++m_draws;
    m_sinceDraw.start();
    m_surface->update();
}

bool CalibrationChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_surface && event->type() == QEvent::Paint) {
        QPainter painter(m_surface);
        painter.drawImage(QPointF(0, 0), m_picture);
        return true;
    }
    if (watched == m_txtData && isShown() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        refresh();
    }
    return QObject::eventFilter(watched, event);
}

void CalibrationChart::draw(QPainter& painter, QSizeF size, const CalibrationChartModel& model) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    QFont font = painter.font();
    font.setPixelSize(std::clamp(static_cast<int>(size.height() / 18), 9, 12));
    painter.setFont(font);
    const QFontMetricsF fm(font);

    const QList<CalibrationChartModel::Sample>& samples = model.samples();
    const QList<CalibrationChartModel::Step>& steps = model.steps();
    const double labelWidth = fm.horizontalAdvance(QStringLiteral("00000")) + 6;
    const QRectF plot(QPointF(labelWidth, fm.height() + 6),
                      QPointF(size.width() - (steps.isEmpty() ? labelWidth / 2 : labelWidth),
                              size.height() - fm.height() - 6));
    if (plot.width() < 20 || plot.height() < 20) {
        return;
    }
    const int rows = std::max(2, static_cast<int>(plot.height() / (fm.height() * 1.6)));
    const CalibrationChartModel::Range ipx = model.ipxRange();
    const Scale y(niceAxis(ipx.low, ipx.high, rows), plot.bottom(), plot.top());
    const auto columns = static_cast<int>(plot.width() / (labelWidth * 1.5));
    const auto extent = static_cast<double>(model.extent());
    const Scale x(niceAxis(0, std::max(extent, 1.0), std::max(2, columns)), plot.left(),
                  plot.right());

    y.eachTick([&](double v) {
        painter.setPen(pen(kGrid, 1, Qt::DotLine));
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        painter.setPen(kLabel);
        painter.drawText(QRectF(0, y(v) - fm.height() / 2, plot.left() - 4, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label(v));
    });
    x.eachTick([&](double v) {
        painter.setPen(pen(kFrame));
        painter.drawLine(QPointF(x(v), plot.bottom()), QPointF(x(v), plot.bottom() + 3));
        painter.setPen(kLabel);
        painter.drawText(QRectF(x(v) - labelWidth, plot.bottom() + 3, 2 * labelWidth, fm.height()),
                         Qt::AlignHCenter | Qt::AlignTop, label(v));
    });
    painter.setPen(pen(kFrame));
    painter.drawRect(plot);

    painter.setPen(pen(kTarget, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y(IpxTrace::kTarget)),
                     QPointF(plot.right(), y(IpxTrace::kTarget)));

    // Sample i (from 0) is the (i + 1)th of the chart.
    QPolygonF points;
    points.reserve(samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        points.append(QPointF(x(static_cast<double>(i + 1)), y(samples[i].ipx)));
    }
    painter.setPen(pen(kIpx, 3));
    painter.drawPoints(points);
    // The average starts again with each trace of a run.
    const QList<qsizetype>& starts = model.traceStarts();
    painter.setPen(pen(kAverage, 2));
    for (qsizetype t = 0; t < starts.size(); ++t) {
        const qsizetype end = t + 1 < starts.size() ? starts[t + 1] : samples.size();
        QPolygonF line;
        for (qsizetype i = starts[t]; i < end; ++i) {
            line.append(QPointF(x(static_cast<double>(i + 1)), y(samples[i].average)));
        }
        painter.drawPolyline(line);
    }

    double legendX = plot.left();
    legendX = legendEntry(painter, legendX, 2, pen(kIpx, 3), true, QStringLiteral("Ipx"));
    legendX = legendEntry(painter, legendX, 2, pen(kAverage, 2), false, QStringLiteral("Average"));
    legendX = legendEntry(painter, legendX, 2, pen(kTarget, 1, Qt::DashLine), false,
                          QString::number(IpxTrace::kTarget));

    if (!steps.isEmpty()) {
        // Each value holds from its step to the next; the last up to the newest sample.
        const CalibrationChartModel::Range values = model.valueRange();
        const Scale v(niceAxis(values.low, values.high, rows), plot.bottom(), plot.top());
        v.eachTick([&](double value) {
            painter.setPen(kCalValue);
            painter.drawText(QRectF(plot.right() + 4, v(value) - fm.height() / 2,
                                    size.width() - plot.right() - 4, fm.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, label(value));
        });
        QPolygonF stairs;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const double until = i + 1 < steps.size() ? static_cast<double>(steps[i + 1].at)
                                                      : static_cast<double>(samples.size());
            stairs << QPointF(x(static_cast<double>(steps[i].at)), v(steps[i].value))
                   << QPointF(x(std::max(until, static_cast<double>(steps[i].at))),
                              v(steps[i].value));
        }
        painter.setPen(pen(kCalValue, 2));
        painter.drawPolyline(stairs);
        legendEntry(painter, legendX, 2, pen(kCalValue, 2), false, QStringLiteral("Cal value"));
    }

    const QString message = !model.note().isEmpty() ? model.note()
                            : samples.isEmpty()     ? QStringLiteral("No samples yet")
                                                    : QString();
    if (!message.isEmpty()) {
        painter.setPen(model.note().isEmpty() ? kQuiet : kTarget);
        painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, message);
    }
}
