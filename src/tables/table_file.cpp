#include "tables/table_file.h"

#include <algorithm>

namespace tables {

QByteArray tableFileText(const UnitWords& values, const TableFileHeader& header) {
    QString text = QStringLiteral("; Orvex Configuration Utility table\r\n; date: ") +
                   header.when.toString(Qt::ISODate) + QStringLiteral("\r\n; pin: ") + header.pin +
                   QStringLiteral("\r\n; data source: ") + header.source + QStringLiteral("\r\n");
    for (const int v : values) {
        text += QString::number(v) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

UnitWords unitWords(const TableValues& values) {
    UnitWords words{};
    std::copy(values.begin(), values.end(), words.begin());
    return words;
}

QString pinShortName(int pin) {
    return PinNames[pin >= 0 && pin < kPinItems ? pin : 0].section(QLatin1Char(' '), 0, 0);
}

}  // namespace tables
