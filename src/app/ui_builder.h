#pragma once

#include <QList>
#include <QRect>

#include "app/ui_model.h"

class QWidget;

namespace ui {

// The controls that sit on the window itself rather than on a page.
QList<ControlSpec> windowControls();

// Creates every control of the UI model under `form`, each with its objectName, at its design
// place scaled by `pxPerTwip`. Option buttons of one group share a QButtonGroup.
void buildWindow(QWidget* form, double pxPerTwip);

// Design place in twips -> pixels.
QRect toPixels(const QRect& twips, double pxPerTwip);

// The page of SSTab1 with this index, as built.
QString pageName(int index);

}  // namespace ui
