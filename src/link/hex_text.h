#pragma once

#include <QString>
#include <QStringView>

// Text forms of the unit's numbers (upper-case hex) and of the user's numbers (decimal with "."
// as the point whatever the locale).

// Hex text to a value 0..32767. -1 for any character other than 0-9 and A-F (lower case
// included) and for a value above 7FFF, so a bad text can never pass for a reading. Empty -> 0.
int hexVal(QStringView text);

// A byte 0..255 as exactly two upper-case hex digits.
QString hex2(int byte);

// Upper-case hex, at least four digits; a negative number gives its 32-bit two's complement.
QString hex4(qint32 n);

// A number text with two (three) decimals, halves away from zero; other text unchanged.
QString Format2d(const QString& text);
QString Format3d(const QString& text);

struct LeadingNumber {
    double value = 0.0;
    bool found = false;    // false: the text does not start with a number (value 0)
    qsizetype length = 0;  // characters consumed, leading blanks included
};

// The leading decimal number of a text: blanks skipped, optional sign, digits with an optional
// "." and fraction, optional exponent; stops at the first character that cannot continue it.
// With `allowRadixPrefix`, &H (hex) and &O (octal) prefixes are read in their base too.
LeadingNumber readLeadingNumber(QStringView text, bool allowRadixPrefix = false);

// readLeadingNumber(text).value, 0 when there is none.
double leadingNumber(QStringView text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4). Values beyond the
// 64-bit range saturate.
qint64 roundHalfEven(double value);

// A number with its sign position: a blank before a value that is not negative.
QString withSignPosition(qint64 value);

// A whole number of 10^-decimals units as decimal text with "." (895, 2 -> "8.95"; -5, 2 ->
// "-0.05"): rounded once, to a whole number of units, and then written exactly.
QString unitsText(qint64 units, int decimals);
