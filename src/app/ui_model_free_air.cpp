#include "app/ui_builder.h"

namespace ui {

// The "Free Air" page: manual calibration frames under a cover frame, results, automatic run.
QList<ControlSpec> freeAirPage() {
    const QString page = pageName(1);
    const QString initialFrame = QStringLiteral("frmInitialAFR");
    const QString adjustFrame = QStringLiteral("frmAdjustAFR");
    const QString debugFrame = QStringLiteral("frmDebugAFR");
    const QString coverFrame = QStringLiteral("frmManualFA");
    const QString resultsFrame = QStringLiteral("frmResults");

    // One control per row, read as a table.
    // clang-format off
    return {
        // Left column: the three manual frames.
        {.name = QStringLiteral("frmInitialAFR"), .kind = Kind::Frame, .parent = page,
         .place = {60, 60, 3840, 840},
         .text = QStringLiteral("Manual - Set Initial Calibration ")},
        {.name = QStringLiteral("btnL1H1"), .kind = Kind::Button, .parent = initialFrame,
         .place = {120, 360, 855, 345}, .text = QStringLiteral("L1H1"),
         .toolTip = QStringLiteral("Suggested start point for the L1H1/L2H2 sensor")},
        {.name = QStringLiteral("btnLast"), .kind = Kind::Button, .parent = initialFrame,
         .place = {1035, 360, 855, 345}, .text = QStringLiteral("Last"),
         .toolTip = QStringLiteral("Sets the current calibration point to the last saved value")},
        {.name = QStringLiteral("btn7057"), .kind = Kind::Button, .parent = initialFrame,
         .place = {1950, 360, 855, 345}, .text = QStringLiteral("7057"),
         .toolTip = QStringLiteral("Suggested start point for the 7057 sensor")},
        {.name = QStringLiteral("btn6066"), .kind = Kind::Button, .parent = initialFrame,
         .place = {2865, 360, 855, 345}, .text = QStringLiteral("6066"),
         .toolTip = QStringLiteral("Suggested start point for the 6066 sensor")},
        {.name = QStringLiteral("frmAdjustAFR"), .kind = Kind::Frame, .parent = page,
         .place = {60, 990, 3840, 1530}, .text = QStringLiteral("Manual - Adjust ")},
        {.name = QStringLiteral("Label1"), .kind = Kind::Label, .parent = adjustFrame,
         .place = {120, 435, 1020, 255}, .text = QStringLiteral("Cal value :")},
        {.name = QStringLiteral("tFACalV"), .kind = Kind::LineEdit, .parent = adjustFrame,
         .place = {1170, 390, 840, 330}, .text = QStringLiteral("0"),
         .toolTip = QStringLiteral("Ipx Calibration value - set with the scroll buttons, or "
                                   "directly entered")},
        // The spin's two arrows, each with its indicator beside it.
        {.name = QStringLiteral("sbCalSmall"), .kind = Kind::VScroll, .parent = adjustFrame,
         .place = {2100, 315, 240, 510}},
        {.name = QStringLiteral("shpCalUp"), .kind = Kind::ShapeRect, .parent = adjustFrame,
         .place = {2400, 375, 135, 135}},
        {.name = QStringLiteral("shpCalDown"), .kind = Kind::ShapeRect, .parent = adjustFrame,
         .place = {2400, 630, 135, 135}},
        // Stop lies beneath Trace and shows only while a trace hides Trace.
        {.name = QStringLiteral("btnTraceStop"), .kind = Kind::Button, .parent = adjustFrame,
         .place = {2670, 390, 1050, 345}, .text = QStringLiteral("Stop")},
        {.name = QStringLiteral("btnTrace"), .kind = Kind::Button, .parent = adjustFrame,
         .place = {2670, 390, 1050, 345}, .text = QStringLiteral("Trace"),
         .toolTip = QStringLiteral("Starts reading Ipx with the sensor assumed to be in free "
                                   "Air"),
         .flags = kDisabled},
        {.name = QStringLiteral("sbCalLarge"), .kind = Kind::HScroll, .parent = adjustFrame,
         .place = {120, 930, 3600, 255}},
        {.name = QStringLiteral("shpCalLeft"), .kind = Kind::ShapeRect, .parent = adjustFrame,
         .place = {120, 1245, 300, 120}},
        {.name = QStringLiteral("shpCalRight"), .kind = Kind::ShapeRect, .parent = adjustFrame,
         .place = {3420, 1245, 300, 120}},
        {.name = QStringLiteral("frmDebugAFR"), .kind = Kind::Frame, .parent = page,
         .place = {60, 2610, 3840, 840}, .text = QStringLiteral("Debug / Status ")},
        {.name = QStringLiteral("TxtData0"), .kind = Kind::LineEdit, .parent = debugFrame,
         .place = {120, 360, 675, 330}, .text = QStringLiteral("t0")},
        {.name = QStringLiteral("txtData1"), .kind = Kind::LineEdit, .parent = debugFrame,
         .place = {855, 360, 675, 330}, .text = QStringLiteral("t1")},
        {.name = QStringLiteral("txtData2"), .kind = Kind::LineEdit, .parent = debugFrame,
         .place = {1590, 360, 675, 330}, .text = QStringLiteral("t2")},
        {.name = QStringLiteral("txtData3"), .kind = Kind::LineEdit, .parent = debugFrame,
         .place = {2325, 360, 675, 330}, .text = QStringLiteral("t3")},
        {.name = QStringLiteral("Text0"), .kind = Kind::LineEdit, .parent = debugFrame,
         .place = {3060, 360, 660, 330}, .text = QStringLiteral("")},
        // Covers the manual frames until "Manual" uncovers them; the automatic run covers them
        // again.
        {.name = QStringLiteral("frmManualFA"), .kind = Kind::PlainFrame, .parent = page,
         .place = {60, 60, 3840, 3390}, .flags = kRaised},
        {.name = QStringLiteral("lFAheading"), .kind = Kind::Label, .parent = coverFrame,
         .place = {120, 150, 3600, 255}, .text = QStringLiteral("FREE AIR CALIBRATION"),
         .flags = kBold},
        {.name = QStringLiteral("lFAinstructions"), .kind = Kind::Label, .parent = coverFrame,
         .place = {120, 540, 3600, 1080},
         .text = QStringLiteral("Note : Sensor must be sitting in free air and controller "
                                "should be run for at least 2 minutes to stabilise. Calibration "
                                "is pressure sensitive.")},
        {.name = QStringLiteral("lautoInProgress"), .kind = Kind::Label, .parent = coverFrame,
         .place = {120, 1980, 3600, 255}, .text = QStringLiteral("")},
        {.name = QStringLiteral("lUpdateMsg"), .kind = Kind::Label, .parent = coverFrame,
         .place = {120, 2340, 3600, 255},
         .text = QStringLiteral("Press Update to save the Cal value"), .flags = kHidden},
        // Right column: the results, then the automatic run and the save.
        {.name = QStringLiteral("frmResults"), .kind = Kind::Frame, .parent = page,
         .place = {3960, 60, 2100, 1530}, .text = QStringLiteral("Results"),
         .toolTip = QStringLiteral("Green Average should be close to 0")},
        {.name = QStringLiteral("lcalText"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {120, 360, 540, 255}, .text = QStringLiteral("Cal =")},
        {.name = QStringLiteral("labCalV"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {720, 360, 1260, 255}, .text = QStringLiteral("Cal v.")},
        {.name = QStringLiteral("lipxText"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {120, 645, 540, 255}, .text = QStringLiteral("Ipx =")},
        {.name = QStringLiteral("LabIpx"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {720, 645, 1260, 255}, .text = QStringLiteral("Ipx"),
         .toolTip = QStringLiteral("Ideally this should be 8192")},
        {.name = QStringLiteral("LabAve"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {720, 930, 1260, 255}, .text = QStringLiteral("Average"),
         .toolTip = QStringLiteral("This Should be set as close to 0 as possible"),
         .flags = kBold},
        {.name = QStringLiteral("laverageText"), .kind = Kind::Label, .parent = resultsFrame,
         .place = {720, 1200, 1260, 255}, .text = QStringLiteral("(zero at cal.)")},
        {.name = QStringLiteral("Line4"), .kind = Kind::HLine, .parent = page,
         .place = {3960, 1665, 2100, 45}},
        {.name = QStringLiteral("btnAutoCal"), .kind = Kind::Button, .parent = page,
         .place = {3960, 1785, 1560, 345}, .text = QStringLiteral("Auto Calibrate"),
         .toolTip = QStringLiteral("Auto Calibrate makes the adjustments automatically")},
        {.name = QStringLiteral("lAutoCount"), .kind = Kind::Label, .parent = page,
         .place = {5580, 1830, 480, 255}, .text = QStringLiteral("0")},
        {.name = QStringLiteral("cmdManualFA"), .kind = Kind::Button, .parent = page,
         .place = {3960, 2190, 1560, 345}, .text = QStringLiteral("Manual")},
        // During the automatic run the abort button takes the place of both buttons above.
        {.name = QStringLiteral("btnCalAbort"), .kind = Kind::Button, .parent = page,
         .place = {3960, 1785, 1560, 750}, .text = QStringLiteral("Abort      Trace"),
         .flags = kHidden | kRaised},
        {.name = QStringLiteral("Line3"), .kind = Kind::HLine, .parent = page,
         .place = {3960, 2640, 2100, 45}},
        {.name = QStringLiteral("btnUpdate"), .kind = Kind::Button, .parent = page,
         .place = {3960, 2760, 1560, 345}, .text = QStringLiteral("Update"),
         .toolTip = QStringLiteral("Update writes the adjusted calibration value to EEPROM for "),
         .flags = kDisabled},
        {.name = QStringLiteral("tLogMode"), .kind = Kind::Label, .parent = page,
         .place = {3960, 3195, 1560, 255}, .text = QStringLiteral("Log Mode")},
        // Below the frames, where "Log to file ..." sits on the "Comms" page.
        {.name = QStringLiteral("chkChart"), .kind = Kind::CheckBox, .parent = page,
         .place = {60, 3510, 1560, 255}, .text = QStringLiteral("Chart?"),
         .toolTip = QStringLiteral("Shows the trace as a chart in place of the received data")},
    };
    // clang-format on
}

}  // namespace ui
