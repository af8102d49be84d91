#include "app/ui_builder.h"
#include "tables/table_defaults.h"

namespace ui {

// The "AFR Tables" page: pin and data source, the source's frame, the table list, Flash.
QList<ControlSpec> tablesPage() {
    const QString page = pageName(2);
    const QString linearFrame = QStringLiteral("frmLinearParams");
    const QString midFrame = QStringLiteral("Frame8");
    const QString fileFrame = QStringLiteral("frmAFRfile");
    const QString tableFrame = QStringLiteral("frmEETable");

    // One control per row, read as a table.
    // clang-format off
    return {
        // Top rows: the pin and the data source; beside them the sensor type, Flash and the graph.
        {.name = QStringLiteral("lOutputPin"), .kind = Kind::Label, .parent = page,
         .place = {60, 90, 1650, 255}, .text = QStringLiteral("Output Pin Name :")},
        {.name = QStringLiteral("cboOutputPin"), .kind = Kind::ComboList, .parent = page,
         .place = {1740, 45, 2490, 330},
         .toolTip = QStringLiteral("Refer to documentation for the position of all pins"),
         .items = {tables::PinNames.begin(), tables::PinNames.end()}},
        {.name = QStringLiteral("ldefaultTable"), .kind = Kind::Label, .parent = page,
         .place = {60, 450, 1650, 255}, .text = QStringLiteral("Output Data :")},
        {.name = QStringLiteral("cboEEdata"), .kind = Kind::ComboList, .parent = page,
         .place = {1740, 405, 2490, 330},
         .toolTip = QStringLiteral("A table determines the output data fed to the output pin"),
         .items = {
             QStringLiteral("Linear Parameters ..."),
             QStringLiteral("Use Data from File ..."),
             QStringLiteral("Match ECU Lookup File ..."),
             QStringLiteral("SVout (1.0/1.5 compat)"),
             QStringLiteral("NBsim (LSM-11)"),
             QStringLiteral("0-20% Oxygen (0-5V) % = V*4"),
         }},
        {.name = QStringLiteral("chkGraph"), .kind = Kind::CheckBox, .parent = page,
         .place = {4275, 60, 1035, 300}, .text = QStringLiteral("Graph?")},
        {.name = QStringLiteral("btnFlashTable"), .kind = Kind::Button, .parent = page,
         .place = {4275, 405, 1020, 345}, .text = QStringLiteral("Flash"),
         .toolTip = QStringLiteral("With the Orvex unit connected, the selected table will be "
                                   "updated")},
        {.name = QStringLiteral("btnAbortFlash"), .kind = Kind::Button, .parent = page,
         .place = {4275, 405, 1020, 345}, .text = QStringLiteral("A B O R T"),
         .flags = kHidden | kRaised},
        // The sensor type is shown only; nothing changes it.
        {.name = QStringLiteral("oSensor(0)"), .kind = Kind::Option, .parent = page,
         .place = {5310, 60, 765, 300}, .text = QStringLiteral("LSU"),
         .flags = kChecked | kDisabled},
        {.name = QStringLiteral("oSensor(1)"), .kind = Kind::Option, .parent = page,
         .place = {5310, 420, 765, 300}, .text = QStringLiteral("NTK"), .flags = kDisabled},
        {.name = QStringLiteral("Line1"), .kind = Kind::HLine, .parent = page,
         .place = {60, 765, 6015, 45}},
        // Left half: the frame of the chosen data source.
        {.name = QStringLiteral("frmLinearParams"), .kind = Kind::Frame, .parent = page,
         .place = {60, 840, 3600, 2925}, .text = QStringLiteral("Linear Parameters")},
        {.name = QStringLiteral("oAorL(0)"), .kind = Kind::Option, .parent = linearFrame,
         .place = {90, 300, 900, 300}, .text = QStringLiteral("AFR"),
         .toolTip = QStringLiteral("Air Fuel Ratio - also set the Stoich AFR point if it's not "
                                   "14.7"),
         .flags = kChecked},
        {.name = QStringLiteral("lAFRs"), .kind = Kind::Label, .parent = linearFrame,
         .place = {1755, 345, 1080, 255}, .text = QStringLiteral("Stoich AFR :")},
        {.name = QStringLiteral("tAFRs"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2880, 300, 630, 330}, .text = QStringLiteral("14.70"),
         .toolTip = QStringLiteral("Stoich AFR is required if the AFR option is selected")},
        {.name = QStringLiteral("oAorL(1)"), .kind = Kind::Option, .parent = linearFrame,
         .place = {90, 660, 1200, 300}, .text = QStringLiteral("Lambda"),
         .toolTip = QStringLiteral("Lambda does not require entry of the stoich AFR")},
        {.name = QStringLiteral("lRich"), .kind = Kind::Label, .parent = linearFrame,
         .place = {855, 1020, 480, 255}, .text = QStringLiteral("Rich")},
        // Borderless: it only groups the mid-point count over the mid columns.
        {.name = QStringLiteral("Frame8"), .kind = Kind::PlainFrame, .parent = linearFrame,
         .place = {1365, 990, 1485, 300}},
        {.name = QStringLiteral("oMidCount(0)"), .kind = Kind::Option, .parent = midFrame,
         .place = {0, 0, 495, 300}, .text = QStringLiteral("0"), .flags = kChecked},
        {.name = QStringLiteral("oMidCount(1)"), .kind = Kind::Option, .parent = midFrame,
         .place = {495, 0, 495, 300}, .text = QStringLiteral("1")},
        {.name = QStringLiteral("oMidCount(2)"), .kind = Kind::Option, .parent = midFrame,
         .place = {990, 0, 495, 300}, .text = QStringLiteral("2")},
        {.name = QStringLiteral("lLean"), .kind = Kind::Label, .parent = linearFrame,
         .place = {2880, 1020, 630, 255}, .text = QStringLiteral("Lean")},
        {.name = QStringLiteral("lAFRorLambda"), .kind = Kind::Label, .parent = linearFrame,
         .place = {90, 1395, 720, 255}, .text = QStringLiteral("AFR")},
        {.name = QStringLiteral("tLrich"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {855, 1350, 630, 330}, .text = QStringLiteral("9.00")},
        {.name = QStringLiteral("tMidLambda(0)"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {1530, 1350, 630, 330}, .text = QStringLiteral("14.7"), .flags = kHidden},
        {.name = QStringLiteral("tMidLambda(1)"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2205, 1350, 630, 330}, .text = QStringLiteral("14.7"), .flags = kHidden},
        {.name = QStringLiteral("tLlean"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2880, 1350, 630, 330}, .text = QStringLiteral("19.00")},
        {.name = QStringLiteral("Label4"), .kind = Kind::Label, .parent = linearFrame,
         .place = {90, 1785, 720, 255}, .text = QStringLiteral("Volts")},
        {.name = QStringLiteral("tVrich"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {855, 1740, 630, 330}, .text = QStringLiteral("0.00")},
        {.name = QStringLiteral("tMidVoltage(0)"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {1530, 1740, 630, 330}, .text = QStringLiteral("2.85"), .flags = kHidden},
        {.name = QStringLiteral("tMidVoltage(1)"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2205, 1740, 630, 330}, .text = QStringLiteral("2.85"), .flags = kHidden},
        {.name = QStringLiteral("tVlean"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2880, 1740, 630, 330}, .text = QStringLiteral("5.00")},
        // Over the empty mid boxes of both rows, in two lines: one is wider than the two mid
        // columns. Made after the boxes so that it lies above them.
        {.name = QStringLiteral("lMidPointLabel"), .kind = Kind::Label, .parent = linearFrame,
         .place = {1530, 1395, 1305, 600}, .text = QStringLiteral("Mid Points Used?")},
        {.name = QStringLiteral("chkOverUnder"), .kind = Kind::CheckBox, .parent = linearFrame,
         .place = {795, 2145, 2010, 300}, .text = QStringLiteral("Over/Under Volts?")},
        {.name = QStringLiteral("tVrUnder"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {90, 2505, 630, 330}, .text = QStringLiteral("0"), .flags = kHidden},
        {.name = QStringLiteral("btnGenTable"), .kind = Kind::Button, .parent = linearFrame,
         .place = {1050, 2490, 1500, 345}, .text = QStringLiteral("Generate Data"),
         .toolTip = QStringLiteral("The data for the selected output format is generated")},
        {.name = QStringLiteral("tVlOver"), .kind = Kind::LineEdit, .parent = linearFrame,
         .place = {2880, 2505, 630, 330}, .text = QStringLiteral("5.0"), .flags = kHidden},
        // Shown instead of the linear parameters while the data come from a file.
        {.name = QStringLiteral("frmAFRfile"), .kind = Kind::Frame, .parent = page,
         .place = {60, 840, 3600, 2925}, .text = QStringLiteral("Data from file"),
         .flags = kHidden},
        {.name = QStringLiteral("txtAFRfilename"), .kind = Kind::LineEdit, .parent = fileFrame,
         .place = {90, 330, 2580, 330}, .text = QStringLiteral("Filename"),
         .toolTip = QStringLiteral("Drag & drop files here")},
        {.name = QStringLiteral("cmdAFRfilename"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 315, 780, 345}, .text = QStringLiteral("File ...")},
        {.name = QStringLiteral("txtAFRfileData"), .kind = Kind::MultiLineEdit,
         .parent = fileFrame, .place = {90, 750, 2580, 2070}, .text = QStringLiteral("File Data")},
        {.name = QStringLiteral("cmdPasteFile"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 750, 780, 345}, .text = QStringLiteral("Paste")},
        {.name = QStringLiteral("cmdCopyallFile"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 1155, 780, 345}, .text = QStringLiteral("Copy")},
        {.name = QStringLiteral("cmdClearFile"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 1560, 780, 345}, .text = QStringLiteral("Clear")},
        {.name = QStringLiteral("cmdGOfile"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 1965, 780, 345}, .text = QStringLiteral("GO")},
        {.name = QStringLiteral("cmdUseText"), .kind = Kind::Button, .parent = fileFrame,
         .place = {2730, 2370, 780, 345}, .text = QStringLiteral("Use Text"),
         .toolTip = QStringLiteral("Reads the text above as a table file, e.g. a column pasted "
                                   "from a spreadsheet")},
        // Right half: the table list, then its export and format.
        {.name = QStringLiteral("frmEETable"), .kind = Kind::Frame, .parent = page,
         .place = {3720, 840, 2340, 1410}, .text = QStringLiteral("Table")},
        {.name = QStringLiteral("oIorA(0)"), .kind = Kind::Option, .parent = tableFrame,
         .place = {90, 300, 960, 300}, .text = QStringLiteral("Index"), .flags = kChecked},
        {.name = QStringLiteral("oIorA(1)"), .kind = Kind::Option, .parent = tableFrame,
         .place = {1140, 300, 960, 300}, .text = QStringLiteral("Addr.")},
        // The list draws its second column at the next 80-pixel tab stop; the headings follow it.
        {.name = QStringLiteral("Label5"), .kind = Kind::Label, .parent = tableFrame,
         .place = {135, 615, 1140, 255}, .text = QStringLiteral("Index/Addr.")},
        {.name = QStringLiteral("Label6"), .kind = Kind::Label, .parent = tableFrame,
         .place = {1335, 615, 750, 255}, .text = QStringLiteral("Data")},
        {.name = QStringLiteral("lstEETable"), .kind = Kind::ListBox, .parent = tableFrame,
         .place = {60, 885, 2220, 465},
         .toolTip = QStringLiteral("The current  table's data is shown here in various formats")},

        // Over the table frame's caption row, right of its caption, where nothing else lies.
        {.name = QStringLiteral("btnBackups"), .kind = Kind::Button, .parent = page,
         .place = {4860, 840, 1140, 285}, .text = QStringLiteral("Backups ..."),
         .toolTip = QStringLiteral("The unit's tables saved before each flash: compare, restore"),
         .flags = kRaised},
        // The unit's own table: read it, or compare it with the current one.
        {.name = QStringLiteral("btnReadUnit"), .kind = Kind::Button, .parent = page,
         .place = {3720, 2295, 1155, 345}, .text = QStringLiteral("Read Unit"),
         .toolTip = QStringLiteral("Reads the chosen pin's table from the unit into the table")},
        {.name = QStringLiteral("btnCompare"), .kind = Kind::Button, .parent = page,
         .place = {4905, 2295, 1170, 345}, .text = QStringLiteral("Compare"),
         .toolTip = QStringLiteral("Reads the unit's table and lists where it differs")},
        {.name = QStringLiteral("btnExportAFR"), .kind = Kind::Button, .parent = page,
         .place = {3720, 2685, 1650, 345}, .text = QStringLiteral("Copy to Clipboard"),
         .toolTip = QStringLiteral("Copies the table, in the format selected, to the clipboard "
                                   "for pasting")},
        {.name = QStringLiteral("btnSaveTable"), .kind = Kind::Button, .parent = page,
         .place = {5385, 2685, 690, 345}, .text = QStringLiteral("Save ..."),
         .toolTip = QStringLiteral("Saves the table to a file the import reads back")},
        // The row of Copy and Save is full: beside the page's tab, in the tab row's free part
        // (the hidden lTimer keeps the far right), shown while the page is.
        {.name = QStringLiteral("btnExportEcu"), .kind = Kind::Button,
         .parent = QStringLiteral("SSTab1"), .place = {3525, 0, 1830, 330},
         .text = QStringLiteral("Export for ECU ..."),
         .toolTip = QStringLiteral("Saves the table turned round, volts to mixture, as a lookup "
                                   "file for the ECU that reads this pin"),
         .flags = kHidden},
        {.name = QStringLiteral("Line2"), .kind = Kind::HLine, .parent = page,
         .place = {3720, 3060, 2340, 45}},
        {.name = QStringLiteral("Label7"), .kind = Kind::Label, .parent = page,
         .place = {3720, 3165, 1290, 255}, .text = QStringLiteral("Data Format :")},
        {.name = QStringLiteral("oDorH(2)"), .kind = Kind::Option, .parent = page,
         .place = {5070, 3135, 960, 300}, .text = QStringLiteral("Hex B")},
        {.name = QStringLiteral("oDorH(0)"), .kind = Kind::Option, .parent = page,
         .place = {3720, 3465, 1200, 300}, .text = QStringLiteral("Decimal"), .flags = kChecked},
        {.name = QStringLiteral("oDorH(1)"), .kind = Kind::Option, .parent = page,
         .place = {5070, 3465, 990, 300}, .text = QStringLiteral("Hex W")},
    };
    // clang-format on
}

}  // namespace ui
