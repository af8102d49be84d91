#pragma once

#include <QString>

#include "link/hex_text.h"

// Every text the program sends to the unit. Each goes out followed by one carriage return.
namespace UnitCommand {

inline const QString kTraceOff = QStringLiteral("tf");
inline const QString kTraceOn = QStringLiteral("t1");
inline const QString kTraceOnce = QStringLiteral("t0");
inline const QString kVersion = QStringLiteral("v");
inline const QString kStatAsciiMode = QStringLiteral("s0383");
inline const QString kCalAsciiMode = QStringLiteral("s0382");
inline const QString kSpeed05 = QStringLiteral("s0405");
// Lower-case e on purpose: the unit has always been sent it that way before a save.
inline const QString kBinaryModeForSave = QStringLiteral("s03e1");
inline const QString kWriteCalibration = QStringLiteral("w");
inline const QString kReadMode = QStringLiteral("g03");
inline const QString kReadCalHigh = QStringLiteral("g3c");
inline const QString kReadCalLow = QStringLiteral("g3b");

// "s3c"/"s3b" with the calibration value's high and low byte.
inline QString setCalHigh(int value) {
    return QStringLiteral("s3c") + hex2(value / 256);
}
inline QString setCalLow(int value) {
    return QStringLiteral("s3b") + hex2(value % 256);
}

// EEPROM byte write: e + four address digits + two data digits.
inline QString eepromWrite(int address, int byte) {
    return QStringLiteral("e") + hex4(address) + hex2(byte);
}
// EEPROM byte read: a + four address digits; the unit answers with the byte as four digits.
inline QString eepromRead(int address) {
    return QStringLiteral("a") + hex4(address);
}

}  // namespace UnitCommand
