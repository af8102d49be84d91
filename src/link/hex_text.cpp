#include "link/hex_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

int hexVal(QStringView text) {
    int value = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int d = 0;
        if (u >= u'0' && u <= u'9') {
            d = u - u'0';
        } else if (u >= u'A' && u <= u'F') {
            d = u - u'A' + 10;
        } else {
            return -1;
        }
        value = value * 16 + d;
        if (value > 0x7FFF) {
            return -1;  // a 16-bit reading cannot hold it; never let it pass as a smaller one
        }
    }
    return value;
}

QString hex2(int byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString hex4(qint32 n) {
    if (n < 0) {
        return QString::number(static_cast<quint32>(n), 16).toUpper();
    }
    return QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
}

namespace {

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    return -1;
}

// A decimal number text beyond double's range: infinity when it is too large, zero when too
// small, with its sign, as strtod gives.
double beyondRange(std::string_view number) {
    const bool negative = !number.empty() && number.front() == '-';
    if (negative) {
        number.remove_prefix(1);
    }
    const size_t e = number.find_first_of("eE");
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view exp = number.substr(e + 1);
        const bool expNegative = !exp.empty() && exp.front() == '-';
        if (!exp.empty() && (exp.front() == '-' || exp.front() == '+')) {
            exp.remove_prefix(1);
        }
        // Any exponent beyond int's range is as good as int's largest, and the sum below with
        // the digits' own magnitude must not overflow.
        if (std::from_chars(exp.data(), exp.data() + exp.size(), exponent).ec != std::errc() ||
            exponent > std::numeric_limits<int>::max()) {
            exponent = std::numeric_limits<int>::max();
        }
        exponent = expNegative ? -exponent : exponent;
        number = number.substr(0, e);
    }
    // The power of ten of the first significant digit.
    const size_t point = std::min(number.find('.'), number.size());
    const size_t first = number.find_first_of("123456789");
    long long magnitude = 0;
    if (first != std::string_view::npos) {
        magnitude = first < point ? static_cast<long long>(point - first) - 1
                                  : -static_cast<long long>(first - point);
    }
    const double value = exponent + magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The whole text (blanks around it allowed) is one decimal number.
bool readsAsNumber(QStringView text, double* value) {
    const QStringView t = text.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    const LeadingNumber n = readLeadingNumber(t);
    if (!n.found || n.length != t.size()) {
        return false;
    }
    *value = n.value;
    return std::isfinite(n.value);
}

// Fixed-point text with `decimals` digits, rounding halves away from zero on the decimal form of
// the value (15 significant digits, as the user typed or saw it), not on its binary form.
QString formatFixedHalfAway(double v, int decimals) {
    const bool negative = std::signbit(v);
    // to_chars, unlike printf, ignores the C locale: its digits never carry a decimal comma.
    char buf[64];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    const std::string_view text(buf, static_cast<size_t>(written.ptr - buf));
    std::string digits(1, text[0]);
    digits.append(text.substr(2, 14));
    std::string_view exp = text.substr(text.find('e') + 1);
    if (exp.front() == '+') {
        exp.remove_prefix(1);
    }
    int exponent = 0;
    std::from_chars(exp.data(), exp.data() + exp.size(), exponent);
    const int keep = exponent + 1 + decimals;  // digits of value x 10^decimals before its point

    std::string kept;
    bool roundUp = false;
    if (keep >= static_cast<int>(digits.size())) {
        kept = digits + std::string(keep - digits.size(), '0');
    } else if (keep >= 0) {
        kept = digits.substr(0, keep);
        roundUp = digits[keep] >= '5';
    }
    if (roundUp) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0 && kept[i] == '9'; --i) {
            kept[i] = '0';
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
        } else {
            ++kept[i];
        }
    }
    if (static_cast<int>(kept.size()) < decimals + 1) {
        kept.insert(0, decimals + 1 - kept.size(), '0');
    }
    std::string whole = kept.substr(0, kept.size() - decimals);
    const std::string fraction = kept.substr(kept.size() - decimals);
    const size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    const bool isZero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;

    std::string out = (negative && !isZero) ? "-" : "";
    out += whole;
    if (decimals > 0) {
        out += '.';
        out += fraction;
    }
    return QString::fromLatin1(out.c_str());
}

QString formatIfNumber(const QString& text, int decimals) {
    double v = 0;
    if (!readsAsNumber(text, &v)) {
        return text;
    }
    return formatFixedHalfAway(v, decimals);
}

}  // namespace

QString Format2d(const QString& text) {
    return formatIfNumber(text, 2);
}

QString Format3d(const QString& text) {
    return formatIfNumber(text, 3);
}

LeadingNumber readLeadingNumber(QStringView text, bool allowRadixPrefix) {
    LeadingNumber result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' ')) {
        ++i;
    }

    if (allowRadixPrefix && i + 1 < n && text[i] == QLatin1Char('&')) {
        const QChar kind = text[i + 1].toUpper();
        const int base = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        if (base != 0) {
            qsizetype j = i + 2;
            double value = 0;
            bool any = false;
            for (; j < n; ++j) {
                const int d = digitValue(text[j]);
                if (d < 0 || d >= base) {
                    break;
                }
                value = value * base + d;
                any = true;
            }
            if (any) {
                result.value = value;
                result.found = true;
                result.length = j;
            }
            return result;
        }
    }

    const qsizetype start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        qsizetype fractionDigits = 0;
        while (j < n && isDigit(text[j])) {
            ++j;
            ++fractionDigits;
        }
        if (digits + fractionDigits > 0) {
            i = j;
            digits += fractionDigits;
        }
    }
    if (digits == 0) {
        return result;
    }
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) {
            ++j;
        }
        const qsizetype expStart = j;
        while (j < n && isDigit(text[j])) {
            ++j;
        }
        if (j > expStart) {
            i = j;
        }
    }
    // from_chars reads "." whatever the C locale says (strtod stops at it under de_DE); it takes
    // no leading "+".
    QByteArray number = text.mid(start, i - start).toLatin1();
    if (number.startsWith('+')) {
        number.remove(0, 1);
    }
    double value = 0;
    const auto error =
        std::from_chars(number.constData(), number.constData() + number.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        value = beyondRange(std::string_view(number.constData(), number.size()));
    }
    result.value = value;
    result.found = true;
    result.length = i;
    return result;
}

double leadingNumber(QStringView text) {
    return readLeadingNumber(text).value;
}

qint64 roundHalfEven(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kLimit = 9.2e18;
    if (value >= kLimit) {
        return std::numeric_limits<qint64>::max();
    }
    if (value <= -kLimit) {
        return std::numeric_limits<qint64>::min();
    }
    return static_cast<qint64>(std::nearbyint(value));  // default rounding mode: halves to even
}

QString withSignPosition(qint64 value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString unitsText(qint64 units, int decimals) {
    const QString digits =
        QString::number(units < 0 ? -units : units).rightJustified(decimals + 1, QLatin1Char('0'));
    const QString sign = units < 0 ? QStringLiteral("-") : QString();
    if (decimals <= 0) {
        return sign + digits;
    }
    return sign + digits.left(digits.size() - decimals) + QLatin1Char('.') + digits.right(decimals);
}
