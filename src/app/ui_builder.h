#pragma once

#include <QList>
#include <QRect>

#include "app/ui_model.h"
#include "app/window_controls.h"
#include "calibration/free_air_controls.h"
#include "console/comms_controls.h"
#include "eeprom/flash_controls.h"
#include "tables/tables_controls.h"

class QWidget;

namespace ui {

// The controls that sit on the window itself rather than on a page.
QList<ControlSpec> windowControls();

// Every control of the window, typed, as each page's logic takes them.
struct Controls {
    WindowControls window;
    CommsControls comms;
    FreeAirControls freeAir;
    TablesControls tables;
    FlashControls flash;
};

// Creates every control of the UI model under `form`, each with its objectName, at its design
// place scaled by `pxPerTwip`, and hands them out typed. A control the pages need that the model
// lacks (or of another kind) stops the program at start-up, naming it.
Controls buildWindow(QWidget* form, double pxPerTwip);

// Design place in twips -> pixels.
QRect toPixels(const QRect& twips, double pxPerTwip);

// The page of SSTab1 with this index, as built.
QString pageName(int index);

}  // namespace ui
