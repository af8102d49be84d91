#include "app/widgets.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

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
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void DataArea::setText(const QString& text) {
    m_showsRx = false;
    m_text = text;
    display(text);
}

void DataArea::appendText(const QString& text) {
    m_showsRx = false;
    m_text += text;
    displayAppend(text);
}

void DataArea::showRx(const QString& rxBuffer, bool tailOnly) {
    if (tailOnly && m_showsRx && rxBuffer.size() >= m_text.size()) {
        const QString tail = rxBuffer.mid(m_text.size());
        m_text = rxBuffer;
        displayAppend(tail);
    } else {
        m_text = rxBuffer;
        display(rxBuffer);
    }
    m_showsRx = true;
}

// The user may type into the area. What they typed becomes part of its text, and the next data
// to arrive rewrites the area whole, as it always has; appending behind it would keep the
// typing on screen.
void DataArea::onContentsChange() {
    if (m_writing) {
        return;
    }
    m_showsRx = false;
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
