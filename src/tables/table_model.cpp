#include "tables/table_model.h"

#include <algorithm>

#include "tables/table_file.h"

using namespace tables;

TableSnapshot TableSnapshot::of(int pin, const UnitWords& values) {
    TableSnapshot snapshot;
    snapshot.start = TableStartAddr[pin];
    const QByteArray bytes = unitBytes(values);
    std::copy(bytes.begin(), bytes.end(), snapshot.bytes.begin());
    return snapshot;
}

void TableModel::selectPin(int index) {
    m_tableGenerated = false;
    m_tableStored = false;
    m_outputPin = (index >= 0 && index < kPinItems) ? index : 0;
}

quint8 TableModel::imageByte(int address) const {
    return (address >= 0 && address < kImageSize) ? m_image[address] : 0;
}

int TableModel::imageWord(int start, int index) const {
    const int a = start + 2 * index;
    return 256 * imageByte(a + 1) + imageByte(a);
}

TableValues TableModel::TableData() const {
    TableValues values{};
    if (m_lastStoredPin != 0) {
        for (int i = 0; i < kEntries; ++i) {
            values[i] = static_cast<qint16>(imageWord(TableStartAddr[m_lastStoredPin], i));
        }
    }
    return values;
}

TableSnapshot TableModel::snapshot() const {
    TableSnapshot s;
    s.start = iTableAddr();
    for (int i = 0; i < kTableBytes; ++i) {
        s.bytes[i] = imageByte(s.start + i);
    }
    return s;
}

TableModel::Stored TableModel::store(const Table& table) {
    Stored result;
    // Without a pin the running address would start at 0 and overwrite bytes no table owns.
    if (m_outputPin == 0 || table.pin != m_outputPin) {
        return result;
    }
    m_currentEEAddr = TableStartAddr[m_outputPin];
    for (int i = 0; i < kEntries; ++i) {
        const qint64 limited = std::clamp<qint64>(table.values[i], 0, kMaxStoredValue);
        result.limited = result.limited || limited != table.values[i];
        setEETable(i, static_cast<int>(limited));
    }
    result.stored = true;
    m_lastStoredPin = m_outputPin;
    m_tableStored = true;
    Q_EMIT tableStored();
    return result;
}

void TableModel::setEETable(int, int count) {
    m_image[m_currentEEAddr] = static_cast<quint8>(count % 256);
    m_image[m_currentEEAddr + 1] = static_cast<quint8>(count / 256);
    m_currentEEAddr += 2;
}
