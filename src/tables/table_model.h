#pragma once

#include <QString>

#include "tables/table_defaults.h"

class DataView;
class StatusLine;

// The current output table and the program's image of the unit's EEPROM, with the pin choice
// that says where a table goes. Every table entry, whatever its source, is stored through
// setEETable(), which also writes the address-and-bytes listing into the data area.
class TableModel {
  public:
    TableModel(DataView& txtData, StatusLine& status);

    // The pin choice: `index` into the output-pin list, 0 for no pin; `itemText` heads the
    // listings. Clears bTableGenerated and bTableStored.
    void selectPin(int index, const QString& itemText);
    // The data-source choice: whatever is stored from now on is the new source's table.
    void dataSourceChosen() { m_tableStored = false; }

    int iOutputPin() const { return m_outputPin; }
    int iTableAddr() const { return m_tableAddr; }
    const QString& pinName() const { return m_pinName; }

    // True only after a linear generation for the current pin.
    bool bTableGenerated() const { return m_tableGenerated; }
    void setTableGenerated(bool generated) { m_tableGenerated = generated; }

    // True once all 65 entries of a table, from any source, were stored for the chosen pin
    // since the pin or the data source was last chosen.
    bool bTableStored() const { return m_tableStored; }

    // Stores entry `index` (0..64) at the running address, low byte first. Callers store a
    // whole table in one pass, index 0 first; index 0 restarts the running address at the
    // pin's table and the listing in the data area. A count outside 0..32767 is limited to
    // that range (reported once per table). Ignored without a pin.
    void setEETable(int index, qint64 count);

    // The table last stored, whichever pin it was stored for.
    const tables::TableValues& TableData() const { return m_tableData; }
    const tables::EepromImage& image() const { return m_image; }
    quint8 imageByte(int address) const;

    // The 16-bit word of entry `index` of the table at `start`, read from the image.
    int imageWord(int start, int index) const;

  private:
    DataView& m_txtData;
    StatusLine& m_status;
    tables::TableValues m_tableData{};
    tables::EepromImage m_image{};
    int m_outputPin = 0;
    int m_tableAddr = 0;
    QString m_pinName;
    int m_currentEEAddr = 0;
    int m_nextIndex = 0;  // the index a continuous pass stores next; -1 after a gap
    bool m_tableGenerated = false;
    bool m_tableStored = false;
    bool m_limitedInPass = false;
};
