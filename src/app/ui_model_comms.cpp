#include "app/ui_builder.h"

namespace ui {

// The "Comms" page: port, command entry with history options, preset commands, trace.
QList<ControlSpec> commsPage() {
    const QString page = pageName(0);
    const QString portFrame = QStringLiteral("Frame5");
    const QString commandFrame = QStringLiteral("frmCommand");
    const QString presetFrame = QStringLiteral("PredefCmds");

    // One control per row, read as a table.
    // clang-format off
    return {
        // Left column: the port, then the command entry with its options.
        {.name = QStringLiteral("Frame5"), .kind = Kind::Frame, .parent = page,
         .place = {60, 60, 2850, 840}, .text = QStringLiteral("Open Port ")},
        {.name = QStringLiteral("cboPort"), .kind = Kind::ComboList, .parent = portFrame,
         .place = {120, 360, 1800, 330}, .toolTip = QStringLiteral("Selected Orvex COM Port")},
        {.name = QStringLiteral("shpPort"), .kind = Kind::ShapeCircle, .parent = portFrame,
         .place = {2070, 420, 210, 210}},
        {.name = QStringLiteral("frmCommand"), .kind = Kind::Frame, .parent = page,
         .place = {60, 990, 2850, 2010}, .text = QStringLiteral("Command ")},
        {.name = QStringLiteral("txtCommand"), .kind = Kind::LineEdit, .parent = commandFrame,
         .place = {120, 360, 1800, 330}, .text = QStringLiteral("tf"),
         .toolTip = QStringLiteral("Enter Commands to Orvex")},
        {.name = QStringLiteral("btnCls"), .kind = Kind::Button, .parent = commandFrame,
         .place = {1980, 345, 750, 345}, .text = QStringLiteral("CLS"),
         .toolTip = QStringLiteral("Clears the received data area")},
        {.name = QStringLiteral("chkHistory"), .kind = Kind::CheckBox, .parent = commandFrame,
         .place = {120, 810, 1650, 300}, .text = QStringLiteral("[History] ?"),
         .toolTip = QStringLiteral("Display each command entered along with the received data"),
         .flags = kChecked},
        {.name = QStringLiteral("lHistoryCount"), .kind = Kind::Label, .parent = commandFrame,
         .place = {1980, 840, 750, 255}, .text = QStringLiteral("*"),
         .toolTip = QStringLiteral("Number of commands entered or current index in history list")},
        {.name = QStringLiteral("chkKeepText"), .kind = Kind::CheckBox, .parent = commandFrame,
         .place = {120, 1170, 1650, 300}, .text = QStringLiteral("Keep text?"),
         .toolTip = QStringLiteral("Keep the text of the last command entered")},
        {.name = QStringLiteral("chkAutoCLS"), .kind = Kind::CheckBox, .parent = commandFrame,
         .place = {120, 1530, 1650, 300}, .text = QStringLiteral("Auto CLS?"),
         .toolTip = QStringLiteral("Automatically clear the data area for each new command")},
        // Right column: the preset lists, wide enough to show a chosen entry in full.
        {.name = QStringLiteral("PredefCmds"), .kind = Kind::Frame, .parent = page,
         .place = {2970, 60, 3090, 2940}, .text = QStringLiteral("Predefined Commands ")},
        {.name = QStringLiteral("lTrace"), .kind = Kind::Label, .parent = presetFrame,
         .place = {120, 360, 900, 255}, .text = QStringLiteral("Trace")},
        {.name = QStringLiteral("cboTraceCommand"), .kind = Kind::ComboEdit,
         .parent = presetFrame, .place = {120, 630, 2850, 330},
         .text = QStringLiteral("Command ..."),
         .toolTip = QStringLiteral("Preset trace commands can be selected here"),
         .items = {
             QStringLiteral("START  (t1)"),
             QStringLiteral("STOP  (tf)"),
             QStringLiteral("Speed   (s04##)"),
             QStringLiteral("1.5 Binary mode   (s03E0)"),
             QStringLiteral("1.5 ASCII mode   (s0380)"),
             QStringLiteral("2.0 Binary mode   (s03E1)"),
             QStringLiteral("2.0 ASCII mode   (s0381)"),
             QStringLiteral("CAL-ASCII mode  (s0382)"),
             QStringLiteral("STAT-ASCII mode  (s0383)"),
         }},
        {.name = QStringLiteral("lLog"), .kind = Kind::Label, .parent = presetFrame,
         .place = {120, 1080, 900, 255}, .text = QStringLiteral("Log")},
        {.name = QStringLiteral("cboLogCommand"), .kind = Kind::ComboEdit, .parent = presetFrame,
         .place = {120, 1350, 2850, 330}, .text = QStringLiteral("Command ..."),
         .items = {
             QStringLiteral("STOP logging   (x0)"),
             QStringLiteral("START logging  (x1)"),
             QStringLiteral("GET data index   (x2)"),
             QStringLiteral("SET data index   (y####)"),
             QStringLiteral("DUMP data to index (z)"),
         }},
        {.name = QStringLiteral("Label8"), .kind = Kind::Label, .parent = presetFrame,
         .place = {120, 1905, 990, 255}, .text = QStringLiteral("Parameter")},
        {.name = QStringLiteral("txtCmdParameter"), .kind = Kind::LineEdit, .parent = presetFrame,
         .place = {1170, 1860, 1800, 330},
         .toolTip = QStringLiteral("Parameter required for commands with ##")},
        // Wide enough for the longest caption it takes on, "Re Do -> y####".
        {.name = QStringLiteral("btnReDoCommand"), .kind = Kind::Button, .parent = presetFrame,
         .place = {1170, 2310, 1800, 345}, .text = QStringLiteral("Re Do"),
         .toolTip = QStringLiteral("Re-enters the previous command with the current parameter")},
        // The trace buttons span the page below both columns.
        {.name = QStringLiteral("btnStartTrace"), .kind = Kind::Button, .parent = page,
         .place = {60, 3150, 1455, 345}, .text = QStringLiteral("Start Trace")},
        {.name = QStringLiteral("btnStopTrace"), .kind = Kind::Button, .parent = page,
         .place = {1575, 3150, 1455, 345}, .text = QStringLiteral("Stop Trace")},
        {.name = QStringLiteral("btnClearTrace"), .kind = Kind::Button, .parent = page,
         .place = {3090, 3150, 1455, 345}, .text = QStringLiteral("Clear Trace")},
        {.name = QStringLiteral("btnCopyTrace"), .kind = Kind::Button, .parent = page,
         .place = {4605, 3150, 1455, 345}, .text = QStringLiteral("Copy Trace")},
        // Everything received, to a file, unchanged and whole.
        {.name = QStringLiteral("chkLogFile"), .kind = Kind::CheckBox, .parent = page,
         .place = {60, 3510, 2400, 255}, .text = QStringLiteral("Log to file ..."),
         .toolTip = QStringLiteral("Appends everything received to a file, as it arrives: "
                                   "bytes unchanged, or a row per line in a .csv file")},
        {.name = QStringLiteral("lLogSize"), .kind = Kind::Label, .parent = page,
         .place = {2520, 3510, 2400, 255}},
        // On the same row, under "Copy Trace"'s right end: usable while a CSV log is written.
        {.name = QStringLiteral("btnMark"), .kind = Kind::Button, .parent = page,
         .place = {4980, 3510, 1080, 285}, .text = QStringLiteral("Mark"),
         .toolTip = QStringLiteral("Writes a numbered mark into the CSV log (Ctrl+M)")},
    };
    // clang-format on
}

}  // namespace ui
