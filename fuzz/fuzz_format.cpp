#include <cmath>

#include "fuzz/fuzz_check.h"
#include "link/hex_text.h"

namespace {

bool isFixedPoint(const QString& s, int decimals) {
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    if (point < 1 || s.size() - point - 1 != decimals) {
        return false;
    }
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (i == point || (i == 0 && c == QLatin1Char('-'))) {
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

void checkFormat(const QString& text, const QString& out, int decimals) {
    const QStringView t = QStringView(text).trimmed();
    const LeadingNumber n = readLeadingNumber(t);
    const bool number = !t.isEmpty() && n.found && n.length == t.size() && std::isfinite(n.value);
    if (!number) {
        FUZZ_CHECK(out == text);  // anything that is not one number is left as it is
        return;
    }
    FUZZ_CHECK(isFixedPoint(out, decimals));
    // Within half a unit of the last decimal (plus the 15-digit working precision).
    const double back = out.toDouble();
    const double unit = std::pow(10.0, -decimals);
    FUZZ_CHECK(std::fabs(back - n.value) <= unit / 2 + std::fabs(n.value) * 1e-13 + 1e-300);
    // Formatting a formatted number changes nothing.
    FUZZ_CHECK((decimals == 2 ? Format2d(out) : Format3d(out)) == out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::textOf(data, size);
    checkFormat(text, Format2d(text), 2);
    checkFormat(text, Format3d(text), 3);
    return 0;
}
