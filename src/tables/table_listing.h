#pragma once

#include <QString>
#include <QStringList>

class TableModel;

// The table list of the "AFR Tables" page: one line per entry, first column and data
// separated by a tab, built from the EEPROM image so it shows exactly the stored bytes.
namespace tables {

enum class DataFormat { Decimal = 0, HexW = 1, HexB = 2 };
enum class FirstColumn { Index = 0, Address = 1 };

// The 65 lines of the table that starts at `start` in the image.
QStringList tableLines(const TableModel& model, int start, DataFormat format,
                       FirstColumn firstColumn);

// The lines as one text, each ended by CR LF (the clipboard form).
QString tableText(const QStringList& lines);

// The data area's listing of the chosen pin's table: "Output Pin = <pin>. Table Address = <hex4>."
// then "<address>  <low>, <high>" for every entry, each line ended by CR LF.
QString eepromListing(const TableModel& model);

}  // namespace tables
