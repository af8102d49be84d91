#include "tables/table_listing.h"

#include "link/hex_text.h"
#include "tables/table_model.h"

namespace tables {

QStringList tableLines(const TableModel& model, int start, DataFormat format,
                       FirstColumn firstColumn) {
    QStringList lines;
    lines.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        const int a = start + 2 * i;
        const int w = model.imageWord(start, i);
        QString data;
        switch (format) {
            case DataFormat::Decimal:
                data = QString::number(w);
                break;
            case DataFormat::HexW:
                data = hex4(w);
                break;
            case DataFormat::HexB:
                data = hex2(w % 256) + QStringLiteral(", ") + hex2(w / 256);
                break;
        }
        const QString first = firstColumn == FirstColumn::Index ? QString::number(i) : hex4(a);
        lines.append(first + QLatin1Char('\t') + data);
    }
    return lines;
}

QString eepromListing(const TableModel& model) {
    const int start = model.iTableAddr();
    QString text = QStringLiteral("Output Pin = ") + model.pinName() +
                   QStringLiteral(". Table Address = ") + hex4(start) + QStringLiteral(".\r\n");
    for (int a = start; a < start + kTableBytes; a += 2) {
        text += hex4(a) + QStringLiteral("  ") + hex2(model.imageByte(a)) + QStringLiteral(", ") +
                hex2(model.imageByte(a + 1)) + QStringLiteral("\r\n");
    }
    return text;
}

QString tableText(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) {
        text += line + QStringLiteral("\r\n");
    }
    return text;
}

}  // namespace tables
