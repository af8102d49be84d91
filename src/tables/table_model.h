#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <algorithm>

#include "tables/table_defaults.h"

namespace tables {

// One pin's table as a source hands it over: 65 values, any range (stored limited), and the
// output-pin list index it is for.
struct Table {
    int pin = 0;
    std::array<qint64, kEntries> values{};
};

// The chosen pin's 130 bytes, as a programming run takes them.
struct TableSnapshot {
    int start = 0;
    std::array<quint8, kTableBytes> bytes{};
    // A pin's table as the unit stores it, the values' exact bytes (an erased FFFF included).
    static TableSnapshot of(int pin, const UnitWords& values);
    QByteArray toBytes() const {
        return {reinterpret_cast<const char*>(bytes.data()), kTableBytes};
    }
    // The byte a programming run writes at an EEPROM address; 0 outside the table.
    quint8 byteAt(int address) const {
        const int at = address - start;
        return at >= 0 && at < kTableBytes ? bytes[at] : quint8(0);
    }
};

}  // namespace tables

// The program's image of the unit's EEPROM, the only copy of every table stored, and the pin
// choice that says which table is current. Whoever shows a table reads it here and is told
// once per table stored.
class TableModel : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The pin choice: index into the output-pin list, 0 for no pin. Clears bTableGenerated and
    // bTableStored.
    void selectPin(int index);
    // The data-source choice: whatever is stored from now on is the new source's table.
    void dataSourceChosen() { m_tableStored = false; }

    int iOutputPin() const { return m_outputPin; }
    int iTableAddr() const { return tables::TableStartAddr[m_outputPin]; }
    QString pinName() const { return tables::PinNames[m_outputPin]; }

    // True only after a linear generation for the current pin.
    bool bTableGenerated() const { return m_tableGenerated; }
    void setTableGenerated(bool generated) { m_tableGenerated = generated; }
    // True once a table, from any source, was stored for the chosen pin since the pin or the
    // data source was last chosen.
    bool bTableStored() const { return m_tableStored; }

    struct Stored {
        bool stored = false;   // false: no pin, or a table for another pin than the chosen one
        bool limited = false;  // some value lay outside 0..32767 and was limited to it
    };
    // Stores the whole table at its pin's start address, entry i at start + 2i, low byte first,
    // then tells tableStored().
    Stored store(const tables::Table& table);

    // The table last stored, whichever pin it was stored for.
    tables::TableValues TableData() const;
    const tables::EepromImage& image() const { return m_image; }
    quint8 imageByte(int address) const;
    // The 16-bit word of entry `index` of the table at `start`, read from the image.
    int imageWord(int start, int index) const;
    tables::TableSnapshot snapshot() const;

  Q_SIGNALS:
    void tableStored();

  private:
    void setEETable(int index, int count);

    tables::EepromImage m_image{};
    int m_outputPin = 0;
    int m_lastStoredPin = 0;
    int m_currentEEAddr = 0;
    bool m_tableGenerated = false;
    bool m_tableStored = false;
};
