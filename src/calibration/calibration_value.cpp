#include "calibration/calibration_value.h"

#include <algorithm>

#include "link/hex_text.h"

namespace CalValue {

int clamp(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, kMin, kMax));
}

int fromTyped(QStringView text) {
    const double x = leadingNumber(text);
    if (x > kMax) {
        return kMax;
    }
    return clamp(roundHalfEven(x));
}

ReadBack fromRegisters(int high, int low) {
    ReadBack r;
    r.value = high * 256 + low;
    r.valid = high >= 0 && low >= 0 && r.value >= kMin && r.value <= kMax;
    return r;
}

QString modeByteText(int mode) {
    if (mode < 0 || mode > 255) {
        return QStringLiteral("??");
    }
    return hex2(mode);
}

QString plainHex(qint64 value) {
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

}  // namespace CalValue
