#include "tables/table_model.h"

#include <algorithm>

#include "common/data_view.h"
#include "common/status_line.h"
#include "link/hex_text.h"

using namespace tables;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

TableModel::TableModel(DataView& txtData, StatusLine& status)
    : m_txtData(txtData), m_status(status) {}

void TableModel::selectPin(int index, const QString& itemText) {
    m_tableGenerated = false;
    m_tableStored = false;
    m_outputPin = (index >= 0 && index < kPinItems) ? index : 0;
    m_tableAddr = TableStartAddr[m_outputPin];
    m_pinName = m_outputPin == 0 ? QString() : itemText;
    // A pass begun for the previous pin cannot be continued into this one.
    m_currentEEAddr = 0;
    m_nextIndex = -1;
}

quint8 TableModel::imageByte(int address) const {
    return (address >= 0 && address < kImageSize) ? m_image[address] : 0;
}

int TableModel::imageWord(int start, int index) const {
    const int a = start + 2 * index;
    return 256 * imageByte(a + 1) + imageByte(a);
}

void TableModel::setEETable(int index, qint64 count) {
    // Without a pin the running address would start at 0 and overwrite bytes no table owns.
    if (m_outputPin == 0 || index < 0 || index >= kEntries) {
        return;
    }
    if (index == 0) {
        m_currentEEAddr = m_tableAddr;
        m_nextIndex = 0;
        m_tableStored = false;
        m_limitedInPass = false;
        m_txtData.setText(QStringLiteral("Output Pin = ") + m_pinName +
                          QStringLiteral(". Table Address = ") + hex4(m_currentEEAddr) +
                          QLatin1Char('.') + kCrLf);
    }
    // The running address never leaves the pin's own 130 bytes.
    if (m_currentEEAddr < m_tableAddr || m_currentEEAddr > m_tableAddr + kTableBytes - 2) {
        return;
    }

    const qint64 limited = std::clamp<qint64>(count, 0, kMaxStoredValue);
    if (limited != count && !m_limitedInPass) {
        m_limitedInPass = true;
        m_status.msgError(QStringLiteral("Values out of range were limited to 0..32767"));
    }
    const int value = static_cast<int>(limited);
    m_tableData[index] = static_cast<qint16>(value);
    m_image[m_currentEEAddr] = static_cast<quint8>(value % 256);
    m_image[m_currentEEAddr + 1] = static_cast<quint8>(value / 256);
    m_txtData.appendText(hex4(m_currentEEAddr) + QStringLiteral("  ") +
                         hex2(m_image[m_currentEEAddr]) + QStringLiteral(", ") +
                         hex2(m_image[m_currentEEAddr + 1]) + kCrLf);
    m_currentEEAddr += 2;

    m_nextIndex = (m_nextIndex == index) ? index + 1 : -1;
    if (m_nextIndex == kEntries) {
        m_tableStored = true;
    }
}
