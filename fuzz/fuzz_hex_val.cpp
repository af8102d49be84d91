#include "fuzz/fuzz_check.h"
#include "link/hex_text.h"

// hexVal never lets a text pass for a reading it is not: a value only from upper-case hex digits
// that fit in 15 bits, -1 otherwise.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::textOf(data, size);
    const int value = hexVal(text);
    FUZZ_CHECK(value >= -1 && value <= 0x7FFF);

    qint64 expected = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool digit = (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F');
        if (!digit) {
            expected = -1;
            break;
        }
        expected = expected * 16 + (u <= u'9' ? u - u'0' : u - u'A' + 10);
        if (expected > 0x7FFF) {
            expected = -1;
            break;
        }
    }
    FUZZ_CHECK(value == expected);
    if (value >= 0 && !text.isEmpty()) {
        // Round trip through the program's own hex form.
        FUZZ_CHECK(hexVal(hex4(value)) == value);
    }
    return 0;
}
