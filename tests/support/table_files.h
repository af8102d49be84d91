#pragma once

#include <QFile>
#include <QList>

#include <functional>
#include <numeric>

#include "tables/table_file.h"

// Table files and EEPROM bytes as the tests write and read them.

inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file of `count` lines ended by CR LF, line i given by `line`.
inline QByteArray lines(const std::function<QByteArray(int)>& line, int count = tables::kEntries) {
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        text += line(i) + "\r\n";
    }
    return text;
}

// A table as a spreadsheet saves it: a comment, then 65 counts with a column the reader ignores.
inline QByteArray column(const std::function<int(int)>& value) {
    return "; a table\r\n" +
           lines([&value](int i) { return QByteArray::number(value(i)) + ",14.7"; });
}

// The 65 values of a table's 130 bytes as the unit holds them, low byte first.
inline QList<int> words(const QByteArray& table) {
    const tables::UnitWords w = tables::unitWords(table);
    return {w.begin(), w.end()};
}

// The 65 values a table file gives, as a flash would take them.
inline QList<int> fileValues(const QString& path) {
    const tables::FileBytes file = tables::readTableFile(path);
    const tables::ImportedTable t =
        tables::importTable(tables::parseAfrFile(file.bytes.value_or("")));
    return {t.values.begin(), t.values.end()};
}

// A table saved for the pin (its "; pin:" heading line), values 1000, 1001, ...
inline QByteArray savedTable(int pin) {
    tables::UnitWords values{};
    std::iota(values.begin(), values.end(), 1000);
    return tables::tableFileText(values, {tables::PinNames[pin], QStringLiteral("unit"), {}});
}

// EEPROM bytes in which no two neighbours are alike, so a byte taken from the wrong address
// shows; every word fits a table (high bytes, at odd addresses, below 0x70) and the calibration
// value in cells 0 and 1 is the factory's (3800).
inline QByteArray unlikeNeighbours() {
    QByteArray bytes(513, '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        bytes[i] =
            static_cast<char>(i < 2 ? "\x0E\xD8"[i] : (i * 37 + 11) % (i % 2 ? 0x70 : 0x100));
    }
    return bytes;
}
