#include "fuzz/fuzz_check.h"
#include "tables/afr_file_parser.h"

// The raw bytes are the file: whatever they hold, the parse ends, every data line gives one value
// and the echo holds exactly the lines that were kept.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const tables::AfrFileContent content = tables::parseAfrFile(bytes);

    qsizetype echoed = 0;
    // The decoding is the parser's own business; count lines on the text it would have seen
    // through the echo instead: every echoed line ends in CR LF and holds no other line end.
    const QStringList echo = content.echo.split(QStringLiteral("\r\n"));
    FUZZ_CHECK(echo.last().isEmpty());
    for (qsizetype i = 0; i + 1 < echo.size(); ++i) {
        FUZZ_CHECK(!echo[i].contains(u'\r') && !echo[i].contains(u'\n'));
        FUZZ_CHECK(!echo[i].isEmpty());
        ++echoed;
    }
    FUZZ_CHECK(content.values.size() <= echoed);
    FUZZ_CHECK(content.values.size() <= bytes.size());

    // A byte-order mark in front changes nothing.
    if (!bytes.startsWith("\xEF\xBB\xBF")) {
        const tables::AfrFileContent withBom = tables::parseAfrFile("\xEF\xBB\xBF" + bytes);
        FUZZ_CHECK(withBom.values == content.values);
        FUZZ_CHECK(withBom.echo == content.echo);
    }

    const QStringList lines = tables::afrFileLines(QString::fromLatin1(bytes));
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        tables::afrDataValue(line);
    }
    FUZZ_CHECK(lines.size() <= bytes.size());
    return 0;
}
