#pragma once

#include <QString>
#include <QStringView>

// The calibration value: a whole number the unit keeps in registers 3c (high byte) and 3b
// (low byte). Everything here is about its range and its text forms.
namespace CalValue {

inline constexpr int kMin = 0;
inline constexpr int kMax = 5000;

// Any number limited to kMin..kMax.
int clamp(qint64 value);

// A typed value: the leading number of the text, halves to even; above kMax gives kMax and a
// negative number kMin; a text without a leading number gives 0.
int fromTyped(QStringView text);

// What the unit's two registers read back as. A byte that was no hex (-1) or a value outside
// kMin..kMax is refused; `value` is then still high x 256 + low, for the message.
struct ReadBack {
    int value = 0;
    bool valid = false;
};
ReadBack fromRegisters(int high, int low);

// The mode byte read with "g03" as two hex digits, or "??" when it is no byte (a reply that
// was not hex, or a value beyond 255).
QString modeByteText(int mode);

// Upper-case hex without leading zeros; a negative number as its 32-bit two's complement.
QString plainHex(qint64 value);

}  // namespace CalValue
