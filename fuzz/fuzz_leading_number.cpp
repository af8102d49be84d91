#include <cmath>

#include "fuzz/fuzz_check.h"
#include "link/hex_text.h"

namespace {

void checkReading(const QString& text, bool allowRadixPrefix) {
    const LeadingNumber n = readLeadingNumber(text, allowRadixPrefix);
    FUZZ_CHECK(n.length >= 0 && n.length <= text.size());
    if (!n.found) {
        FUZZ_CHECK(n.value == 0.0);
        FUZZ_CHECK(n.length == 0);
        return;
    }
    FUZZ_CHECK(n.length > 0);
    FUZZ_CHECK(!std::isnan(n.value));
    // The reading stops where the number stops: the consumed part alone reads the same.
    const LeadingNumber again =
        readLeadingNumber(QStringView(text).left(n.length), allowRadixPrefix);
    FUZZ_CHECK(again.found && again.length == n.length);
    FUZZ_CHECK(again.value == n.value);
    if (!allowRadixPrefix) {
        FUZZ_CHECK(leadingNumber(text) == n.value);
    }
    // Rounding never overflows, whatever the magnitude.
    const qint64 rounded = roundHalfEven(n.value);
    if (std::fabs(n.value) < 1e15) {
        FUZZ_CHECK(std::fabs(static_cast<double>(rounded) - n.value) <= 0.5);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::textOf(data, size);
    checkReading(text, false);
    checkReading(text, true);
    return 0;
}
