#include "calibration/ipx_trace.h"
#include "fuzz/fuzz_check.h"
#include "link/hex_text.h"

// Walks a received text line by line as the calibration trace does, from every line start.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString rx = fuzz::textOf(data, size);
    qsizetype start = 0;
    int lines = 0;
    while (true) {
        const qsizetype end = rx.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            break;
        }
        const IpxTrace::Line line = IpxTrace::readLine(rx, start);
        for (const QString* f : {&line.ipxField, &line.field1, &line.field2, &line.field3}) {
            FUZZ_CHECK(f->size() <= 4);
        }
        FUZZ_CHECK(line.ipx >= -1 && line.ipx <= 0x7FFF);
        FUZZ_CHECK(line.ipx == hexVal(line.ipxField));
        FUZZ_CHECK(line.ipxField == QStringView(rx).mid(start, 4));
        start = end + 1;
        ++lines;
        FUZZ_CHECK(lines <= rx.size());
    }
    // Reading past the end gives empty fields, never a reading.
    const IpxTrace::Line beyond = IpxTrace::readLine(rx, rx.size() + 3);
    FUZZ_CHECK(beyond.ipxField.isEmpty() && beyond.field3.isEmpty());
    return 0;
}
