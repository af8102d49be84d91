#include "app/status_label.h"

#include <QPalette>

#include "app/widgets.h"

void StatusLabel::msgClear() {
    if (m_label) {
        m_label->setMessage(QString());
    }
}

void StatusLabel::show(const QString& text, const QColor& colour) {
    if (!m_label) {
        return;
    }
    QPalette p = m_label->palette();
    p.setColor(QPalette::WindowText, colour);
    m_label->setPalette(p);
    m_label->setMessage(text);
}
