#include "tables/table_graph.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "link/hex_text.h"
#include "tables/table_model.h"

using namespace tables;

namespace {

// The user coordinate system: x from -14 (left edge) to 104, y from 105 (top edge) down to -15.
// The plotting area is the square (0,0)-(100,100); 100 units are 5 V and 3 lambda.
constexpr double kLeft = -14;
constexpr double kRight = 104;
constexpr double kTop = 105;
constexpr double kBottom = -15;
constexpr double kUnitsPerLambda = 100.0 / 3.0;
constexpr double kLambdaOrigin = 0.5;
constexpr double kLastLambdaDrawn = 3.5;
constexpr double kCountsPerUnit = 40.96;  // 4096 reaches the 5.0 V line

const QColor kGrid(128, 128, 128);
const QColor kLabel(1, 0, 0);
const QColor kTitle(60, 60, 255);
const QColor kFrame(127, 127, 127);
const QColor kCurve(0, 0, 255);
const QColor kUnitCurve(230, 110, 0);

class UserScale {
  public:
    explicit UserScale(QSizeF size)
        : m_sx(size.width() / (kRight - kLeft)), m_sy(size.height() / (kTop - kBottom)) {}
    QPointF at(double x, double y) const { return {(x - kLeft) * m_sx, (kTop - y) * m_sy}; }
    double unitHeight() const { return m_sy; }

  private:
    double m_sx;
    double m_sy;
};

QPen pen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(colour, 1, style);
    p.setCosmetic(true);
    p.setCapStyle(Qt::FlatCap);
    return p;
}

// Text printed with its top-left corner at the current position.
void print(QPainter& painter, QPointF at, const QColor& colour, const QString& text) {
    painter.setPen(pen(colour));
    painter.drawText(QRectF(at, QSizeF(1, 1)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     text);
}

// One entry per breakpoint up to lambda 3.5, joined by lines.
void drawCurve(QPainter& painter, const UserScale& s, const TableValues& values,
               const QColor& colour) {
    painter.setPen(pen(colour));
    QPointF current;
    for (int k = 0; k < kEntries; ++k) {
        const auto x = static_cast<float>((LambdaPoints[k] - kLambdaOrigin) * kUnitsPerLambda);
        const auto y = static_cast<float>(values[k] / kCountsPerUnit);
        const QPointF point = s.at(x, y);
        if (k > 0 && LambdaPoints[k] <= kLastLambdaDrawn) {
            painter.drawLine(current, point);
        }
        if (k == 0 || LambdaPoints[k] <= kLastLambdaDrawn) {
            current = point;
        }
    }
}

}  // namespace

TableGraph::TableGraph(QWidget* p1, QWidget* txtData, const TableModel& model, QObject* parent)
    : QObject(parent), m_p1(p1), m_txtData(txtData), m_model(model) {
    m_p1->installEventFilter(this);
    // The graph follows the data area when the window is resized.
    m_txtData->installEventFilter(this);
}

int TableGraph::twipsToPx(double twips) const {
    return static_cast<int>(std::lround(twips * m_p1->logicalDpiX() / 1440.0));
}

void TableGraph::p1_Paint() {
    if (!m_p1 || !m_txtData) {
        return;
    }
    if (!bGraphEnabled) {
        m_p1->resize(0, 0);
        return;
    }
    if (m_model.iOutputPin() == 0) {
        return;
    }
    const QRect data = m_txtData->geometry();
    m_p1->setGeometry(data.left() - twipsToPx(5), data.top() - twipsToPx(50),
                      data.width() + twipsToPx(10), data.height() + twipsToPx(100));
    m_p1->raise();

    const qreal ratio = m_p1->devicePixelRatioF();
    m_picture = QImage(m_p1->size() * ratio, QImage::Format_RGB32);
    m_picture.setDevicePixelRatio(ratio);
    QPainter painter(&m_picture);
    painter.setFont(m_p1->font());
    // Without a table stored for the chosen pin there is no curve to show: the last table drawn
    // may belong to another pin or source.
    const TableValues values = m_model.TableData();
    draw(painter, m_p1->size(), m_model.bTableStored() ? &values : nullptr,
         m_unit ? &*m_unit : nullptr, m_legend);
    painter.end();
    m_p1->update();
}

void TableGraph::draw(QPainter& painter, QSizeF size, const TableValues* values,
                      const TableValues* unit, const QString& legend) {
    const UserScale s(size);
    // Every pixel drawn takes the pen's colour: no blending.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);

    QFont font = painter.font();
    font.setPixelSize(std::clamp(static_cast<int>(std::lround(6.5 * s.unitHeight())), 8, 14));
    painter.setFont(font);

    for (int i = 0; i <= 5; ++i) {
        painter.setPen(pen(kGrid, Qt::DotLine));
        painter.drawLine(s.at(-2, 20 * i), s.at(100, 20 * i));
        print(painter, s.at(-9, 20 * i + 3), kLabel, withSignPosition(i) + QStringLiteral(".0"));
    }

    const QString volts = QStringLiteral("VOLTS");
    for (int i = 1; i <= 5; ++i) {
        print(painter, s.at(-12, 105 - 8 * i), kTitle, volts.mid(i - 1, 1));
    }
    print(painter, s.at(76, -8), kTitle, QStringLiteral("L  A  M  B  D  A"));

    painter.setPen(pen(kFrame));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(s.at(0, 100), s.at(100, 0)));

    for (int i = 0; i <= 7; ++i) {
        const double x = (i / 2.0) * kUnitsPerLambda;
        if (i > 0) {
            painter.setPen(pen(kGrid, Qt::DotLine));
            painter.drawLine(s.at(x, -2), s.at(x, 100));
        }
        print(painter, s.at(x - 2, -2), kLabel, QString::number(i / 2.0 + 0.5, 'f', 1));
    }

    if (values) {
        drawCurve(painter, s, *values, kCurve);
    }
    if (unit) {
        // Drawn over the table's and told apart by a legend in the empty upper left.
        drawCurve(painter, s, *unit, kUnitCurve);
        painter.setPen(pen(kCurve));
        painter.drawLine(s.at(3, 95), s.at(9, 95));
        print(painter, s.at(10, 98), kLabel, QStringLiteral("Table"));
        painter.setPen(pen(kUnitCurve));
        painter.drawLine(s.at(3, 88), s.at(9, 88));
        print(painter, s.at(10, 91), kLabel, legend);
    }
}

bool TableGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_p1 && event->type() == QEvent::Paint) {
        QPainter painter(m_p1);
        if (!m_picture.isNull()) {
            painter.drawImage(QPointF(0, 0), m_picture);
        }
        return true;
    }
    if (watched == m_txtData &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        p1_Paint();
    }
    return QObject::eventFilter(watched, event);
}
