#include "app/ui_builder.h"

namespace ui {

QList<ControlSpec> windowControls() {
    return {
        {.name = QStringLiteral("SSTab1"),
         .kind = Kind::Page,
         .parent = {},
         .place = {120, 0, 6180, 4215}},
        {.name = QStringLiteral("SSTab1Page0"),
         .kind = Kind::Page,
         .parent = QStringLiteral("SSTab1"),
         .text = QStringLiteral("Comms")},
        {.name = QStringLiteral("SSTab1Page1"),
         .kind = Kind::Page,
         .parent = QStringLiteral("SSTab1"),
         .text = QStringLiteral("Free Air")},
        {.name = QStringLiteral("SSTab1Page2"),
         .kind = Kind::Page,
         .parent = QStringLiteral("SSTab1"),
         .text = QStringLiteral("AFR Tables")},
        {.name = QStringLiteral("lTimer"),
         .kind = Kind::Label,
         .parent = QStringLiteral("SSTab1"),
         .place = {5400, 0, 600, 255},
         .text = QStringLiteral("timer"),
         .flags = kHidden},
        {.name = QStringLiteral("txtData"),
         .kind = Kind::MultiLineEdit,
         .parent = {},
         .place = {120, 4200, 6200, 3135}},
        {.name = QStringLiteral("labStat"),
         .kind = Kind::StatusLine,
         .parent = {},
         .place = {120, 7440, 4095, 255},
         .text = QStringLiteral("Status")},
        {.name = QStringLiteral("lBootVersion"),
         .kind = Kind::Label,
         .parent = {},
         .place = {4320, 7500, 1815, 255},
         .text = QStringLiteral("Firmware?")},
        // Takes the firmware label's place while a table is programmed.
        {.name = QStringLiteral("prgFlash"),
         .kind = Kind::ProgressBar,
         .parent = {},
         .place = {4320, 7500, 1815, 255},
         .flags = kHidden | kRaised},
        // The graph starts collapsed; it is laid over the data area while shown.
        {.name = QStringLiteral("p1"),
         .kind = Kind::Picture,
         .parent = {},
         .place = {4680, 4560, 0, 0},
         .flags = kRaised},
        // The calibration chart: laid over the data area while shown.
        {.name = QStringLiteral("picChart"),
         .kind = Kind::Picture,
         .parent = {},
         .place = {120, 4200, 0, 0},
         .flags = kHidden | kRaised},
    };
}

}  // namespace ui
