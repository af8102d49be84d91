#include <QTest>

#include "support/test_locale.h"
#include "tables/afr_file_parser.h"

using namespace tables;

namespace {

QByteArray lines(int count, const char* end = "\r\n") {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        out += QByteArray::number(100 + i) + end;
    }
    return out;
}

}  // namespace

class TestAfrFileParser : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void dataLine_value_data();
    void dataLine_value();
    void lineClasses_countAndEcho();
    void lineEnds_allThreeForms_data();
    void lineEnds_allThreeForms();
    void byteOrderMark_skipped();
    void latin1File_readByteForByte();
    void entryCounts_66And60_keptWhole();
};

void TestAfrFileParser::dataLine_value_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << "1200" << qint64(1200);
    QTest::newRow("words after a blank") << "1200 lambda 0.70" << qint64(1200);
    QTest::newRow("leading blanks and tabs") << " \t \t812" << qint64(812);
    QTest::newRow("tab separated") << "640\t0.75" << qint64(640);
    QTest::newRow("csv first column") << "1234,0.85" << qint64(1234);
    QTest::newRow("half down to even") << "12.5" << qint64(12);
    QTest::newRow("half up to even") << "13.5" << qint64(14);
    QTest::newRow("exponent") << "1.5e2" << qint64(150);
    QTest::newRow("hex prefix") << "&H1F" << qint64(31);
    QTest::newRow("octal prefix") << "&o17" << qint64(15);
    QTest::newRow("negative kept for the model to limit") << "-40" << qint64(-40);
    QTest::newRow("beyond 16 bits kept") << "70000" << qint64(70000);
    QTest::newRow("blanks only") << "   " << qint64(0);
    QTest::newRow("heading word") << "Volts" << qint64(0);
    QTest::newRow("blank before semicolon") << " ;x" << qint64(0);
    QTest::newRow("blank before remark mark") << " !note" << qint64(0);
    QTest::newRow("number after first word is cut") << "AFR 14.7" << qint64(0);
}

void TestAfrFileParser::dataLine_value() {
    QFETCH(QString, line);
    QFETCH(qint64, value);
    QCOMPARE(afrDataValue(line), value);
}

void TestAfrFileParser::lineClasses_countAndEcho() {
    const QByteArray file =
        "; a comment\r\n"
        "!Table for pin 1\r\n"
        "!\r\n"
        "\r\n"
        "  100 first\r\n"
        "   \r\n"
        " ;x\r\n"
        "12.5\r\n";
    const AfrFileContent c = parseAfrFile(file);
    QCOMPARE(c.values, (QList<qint64>{100, 0, 0, 12}));
    // Data lines are echoed as read; remarks without their mark; comments and empty lines not.
    QCOMPARE(c.echo, QStringLiteral("Table for pin 1\r\n"
                                    "  100 first\r\n"
                                    "   \r\n"
                                    " ;x\r\n"
                                    "12.5\r\n"));
}

void TestAfrFileParser::lineEnds_allThreeForms_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("CR LF") << QByteArray("1\r\n2\r\n3\r\n");
    QTest::newRow("LF") << QByteArray("1\n2\n3\n");
    QTest::newRow("CR") << QByteArray("1\r2\r3\r");
    QTest::newRow("no end after the last line") << QByteArray("1\n2\r\n3");
}

void TestAfrFileParser::lineEnds_allThreeForms() {
    QFETCH(QByteArray, file);
    const AfrFileContent c = parseAfrFile(file);
    QCOMPARE(c.values, (QList<qint64>{1, 2, 3}));
    QCOMPARE(c.echo, QStringLiteral("1\r\n2\r\n3\r\n"));
}

void TestAfrFileParser::byteOrderMark_skipped() {
    const AfrFileContent c = parseAfrFile(
        "\xEF\xBB\xBF"
        "500\r\n!caf\xC3\xA9\r\n");
    QCOMPARE(c.values, QList<qint64>{500});
    QCOMPARE(c.echo, QStringLiteral("500\r\ncaf\u00E9\r\n"));
}

void TestAfrFileParser::latin1File_readByteForByte() {
    const AfrFileContent c = parseAfrFile("!caf\xE9\r\n7\r\n");
    QCOMPARE(c.values, QList<qint64>{7});
    QCOMPARE(c.echo, QStringLiteral("caf\u00E9\r\n7\r\n"));
}

void TestAfrFileParser::entryCounts_66And60_keptWhole() {
    QCOMPARE(parseAfrFile(lines(66)).values.size(), 66);
    QCOMPARE(parseAfrFile(lines(66)).values.last(), 165);
    QCOMPARE(parseAfrFile(lines(60, "\n")).values.size(), 60);
}

QTEST_GUILESS_MAIN(TestAfrFileParser)
#include "test_afr_file_parser.moc"
