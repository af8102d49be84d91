#include "app/widgets.h"

#include <QApplication>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QScopedValueRollback>
#include <QStyleOptionSlider>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

ShapeWidget::ShapeWidget(Form form, QWidget* parent)
    : QWidget(parent), m_form(form), m_fill(neutralColor()) {}

void ShapeWidget::setFillColor(const QColor& colour) {
    if (m_fill != colour) {
        m_fill = colour;
        update();
    }
}

QColor ShapeWidget::neutralColor() {
    return QApplication::palette().color(QPalette::Button);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(m_fill);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_form == Form::Circle) {
        const qreal d = qMin(r.width(), r.height());
        p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else {
        p.drawRect(r);
    }
}

void StatusText::setMessage(const QString& text) {
    setText(text);
    updateToolTip();
}

QString StatusText::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void StatusText::updateToolTip() {
    setToolTip(shownText() == text() ? QString() : text());
}

void StatusText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, shownText());
}

void StatusText::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateToolTip();
}

void SteadyScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange ||
        style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
        QScrollBar::sliderChange(change);
        return;
    }
    // A new line changes the range, the value and the steps one after the other; only where they
    // end counts. Setting a step asks again even when it stays the same.
    if (!std::exchange(m_checkQueued, true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_checkQueued = false;
                if (m_drawn != look()) {
                    update();
                }
            },
            Qt::QueuedConnection);
    }
}

void SteadyScrollBar::paintEvent(QPaintEvent* event) {
    // A drawing of part of the bar leaves the rest as it was: the next change draws it whole.
    if (QRegion(rect()).subtracted(event->region()).isEmpty()) {
        m_drawn = look();
    } else {
        m_drawn.reset();
    }
    QScrollBar::paintEvent(event);
}

SteadyScrollBar::Look SteadyScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
}

namespace {

// The text box draws a line per LF; a CR LF pair or a lone CR is one line break too.
QString forDisplay(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

}  // namespace

DataArea::DataArea(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChanged, this, &DataArea::onContentsChange);
    // Undo history would keep every arrival of a long trace alive.
    setUndoRedoEnabled(false);
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Opaque behind the scroll bar, so a new line does not repaint the window beneath it.
    verticalScrollBar()->parentWidget()->setAutoFillBackground(true);
    m_paced.hold(true);  // until shown
}

void DataArea::setText(const QString& text) {
    m_showsRx = false;
    m_text = text;
    m_rewrite = true;
    m_tail.clear();
    m_paced.request();
}

void DataArea::appendText(const QString& text) {
    m_showsRx = false;
    m_text += text;
    if (!m_rewrite) {
        m_tail += text;
    }
    m_paced.request();
}

void DataArea::showRx(const QString& rxBuffer, bool tailOnly) {
    if (tailOnly && m_showsRx && rxBuffer.size() >= m_text.size()) {
        if (!m_rewrite) {
            m_tail += QStringView(rxBuffer).mid(m_text.size());
        }
    } else {
        m_rewrite = true;
        m_tail.clear();
    }
    m_text = rxBuffer;
    m_showsRx = true;
    m_paced.request();
}

void DataArea::applyDisplay() {
    if (std::exchange(m_rewrite, false)) {
        display(m_text);
    } else {
        displayAppend(std::exchange(m_tail, {}));
    }
}

// What the user types or drops goes behind everything received, so the waiting text is drawn
// first.
bool DataArea::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::Drop:
            m_paced.flush();
            break;
        default:
            break;
    }
    return QPlainTextEdit::event(event);
}

void DataArea::insertFromMimeData(const QMimeData* source) {
    m_paced.flush();
    QPlainTextEdit::insertFromMimeData(source);
}

void DataArea::showEvent(QShowEvent* event) {
    QPlainTextEdit::showEvent(event);
    m_paced.hold(false);
}

void DataArea::hideEvent(QHideEvent* event) {
    QPlainTextEdit::hideEvent(event);
    m_paced.hold(true);
}

// The user may type into the area. What they typed becomes part of its text, and the next data
// to arrive rewrites the area whole, as it always has; appending behind it would keep the
// typing on screen.
void DataArea::onContentsChange() {
    if (m_writing) {
        return;
    }
    m_showsRx = false;
    m_rewrite = false;
    m_tail.clear();
    m_text = toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    m_pendingCr = false;
}

void DataArea::display(const QString& text) {
    const QScopedValueRollback<bool> writing(m_writing, true);
    setPlainText(forDisplay(text));
    m_pendingCr = text.endsWith(QLatin1Char('\r'));
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

void DataArea::displayAppend(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    QString piece = text;
    if (m_pendingCr && piece.startsWith(QLatin1Char('\n'))) {
        piece.remove(0, 1);  // the LF of a CR LF split across two arrivals
    }
    m_pendingCr = text.endsWith(QLatin1Char('\r'));
    const QScopedValueRollback<bool> writing(m_writing, true);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(forDisplay(piece));
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

ShownLater::ShownLater(QLineEdit* box) : QObject(box), m_box(box) {
    box->installEventFilter(this);
    connect(box, &QLineEdit::textChanged, this, [this] {
        if (!m_applying) {
            m_waiting.reset();
        }
    });
}

void ShownLater::setText(const QString& text) {
    if (m_box->isVisible()) {
        m_waiting.reset();
        m_box->setText(text);
    } else {
        m_waiting = text;
    }
}

bool ShownLater::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && m_waiting) {
        const QScopedValueRollback<bool> applying(m_applying, true);
        m_box->setText(*std::exchange(m_waiting, std::nullopt));
    }
    return QObject::eventFilter(watched, event);
}

QPushButton* dialogButton(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}
