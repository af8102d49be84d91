#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The fixed data of the output tables: where each pin's table lives in the unit's EEPROM, the
// lambda each table entry stands for, and the three built-in tables.
namespace tables {

inline constexpr int kEntries = 65;     // entries of one pin's table
inline constexpr int kImageSize = 513;  // EEPROM addresses 0..512
inline constexpr int kTableBytes = 2 * kEntries;
inline constexpr int kPinItems = 4;  // "Select Pin Name ..." and the three pins
inline constexpr int kBuiltInTables = 3;
inline constexpr int kMaxStoredValue = 32767;  // the largest value two bytes can carry here

using EepromImage = std::array<quint8, kImageSize>;
using TableValues = std::array<qint16, kEntries>;
// A table as the unit holds it: two bytes an entry, low byte first, 0..65535. An erased cell
// reads FF, so a table never written holds values no stored table can.
using UnitWords = std::array<int, kEntries>;

// By output-pin list index; index 0 is "no pin".
inline constexpr std::array<qint16, kPinItems> TableStartAddr{0, 122, 252, 382};
// The output-pin list's items, which head the listings.
inline const std::array<QString, kPinItems> PinNames{
    QStringLiteral("Select Pin Name ..."), QStringLiteral("WBlin (12 bit DAC)"),
    QStringLiteral("SVout (10 bit PWM)"), QStringLiteral("NBout (10 bit PWM)")};

// Lambda of each table entry, rising with the index; index 32 lies nearest stoichiometric.
extern const std::array<double, kEntries> LambdaPoints;

// The built-in tables, by default-table number - 1 (the data-source list index - 2).
extern const std::array<TableValues, kBuiltInTables> DefaultTables;
// Their data-source list items.
inline const std::array<QString, kBuiltInTables> DefaultTableNames{
    QStringLiteral("SVout (1.0/1.5 compat)"), QStringLiteral("NBsim (LSM-11)"),
    QStringLiteral("0-20% Oxygen (0-5V) % = V*4")};

}  // namespace tables
