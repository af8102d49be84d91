#include <QLabel>
#include <QPalette>

#include "calibration/free_air_controls.h"

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void setBold(QWidget* widget, bool bold) {
    QFont f = widget->font();
    f.setBold(bold);
    widget->setFont(f);
}
