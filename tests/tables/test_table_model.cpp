#include <QTest>

#include "support/recording.h"
#include "tables/table_defaults.h"
#include "tables/table_listing.h"
#include "tables/table_model.h"

using namespace tables;

namespace {

const QStringList kPins{QStringLiteral("Select Pin Name ..."), QStringLiteral("WBlin (12 bit DAC)"),
                        QStringLiteral("SVout (10 bit PWM)"), QStringLiteral("NBout (10 bit PWM)")};

struct Fixture {
    RecordingDataView txtData;
    RecordingStatus status;
    TableModel model{txtData, status};

    void store(int pin, const TableValues& values) {
        model.selectPin(pin, kPins[pin]);
        for (int i = 0; i < kEntries; ++i) {
            model.setEETable(i, values[i]);
        }
    }
    QStringList dataLines() const { return txtData.text().split(QStringLiteral("\r\n")); }
};

}  // namespace

class TestTableModel : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void builtInTable_listedInDataAreaAtPinAddress_data();
    void builtInTable_listedInDataAreaAtPinAddress();
    void secondPin_leavesOtherTablesInImage();
    void noPin_storesNothing();
    void outOfRangeValues_limitedAndReportedOncePerTable();
    void tableStored_onlyAfterCompletePassForChosenPin();
    void listing_data();
    void listing();
    void listingText_has65CrLfLinesAndNoHeading();
};

void TestTableModel::builtInTable_listedInDataAreaAtPinAddress_data() {
    QTest::addColumn<int>("pin");
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("SVout compat, pin 1")
        << 1 << 0 << "Output Pin = WBlin (12 bit DAC). Table Address = 007A."
        << "007A  47, 03"
        << "00FA  CD, 0C";
    QTest::newRow("NBsim, pin 1") << 1 << 1
                                  << "Output Pin = WBlin (12 bit DAC). Table Address = 007A."
                                  << "007A  D1, 02"
                                  << "00FA  08, 00";
    QTest::newRow("SVout compat, pin 2")
        << 2 << 0 << "Output Pin = SVout (10 bit PWM). Table Address = 00FC."
        << "00FC  47, 03"
        << "017C  CD, 0C";
    QTest::newRow("Oxygen, pin 3")
        << 3 << 2 << "Output Pin = NBout (10 bit PWM). Table Address = 017E."
        << "017E  00, 00"
        << "01FE  FF, 0F";
}

void TestTableModel::builtInTable_listedInDataAreaAtPinAddress() {
    QFETCH(int, pin);
    QFETCH(int, table);
    QFETCH(QString, heading);
    QFETCH(QString, first);
    QFETCH(QString, last);
    Fixture f;
    f.store(pin, DefaultTables[table]);

    const QStringList lines = f.dataLines();
    QCOMPARE(lines.size(), 1 + kEntries + 1);  // heading, 65 entries, nothing after the last CR LF
    QCOMPARE(lines.first(), heading);
    QCOMPARE(lines[1], first);
    QCOMPARE(lines[kEntries], last);
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(f.model.TableData(), DefaultTables[table]);

    const int start = TableStartAddr[pin];
    for (int i = 0; i < kEntries; ++i) {
        QCOMPARE(f.model.imageWord(start, i), int(DefaultTables[table][i]));
    }
    // Nothing outside the pin's 130 bytes was touched.
    for (int a = 0; a < kImageSize; ++a) {
        if (a < start || a >= start + kTableBytes) {
            QCOMPARE(int(f.model.imageByte(a)), 0);
        }
    }
}

void TestTableModel::secondPin_leavesOtherTablesInImage() {
    Fixture f;
    f.store(1, DefaultTables[1]);
    f.store(2, DefaultTables[0]);
    QCOMPARE(f.model.imageWord(122, 0), 721);
    QCOMPARE(f.model.imageWord(122, 64), 8);
    QCOMPARE(f.model.imageWord(252, 0), 839);
    QCOMPARE(f.model.TableData()[0], qint16(839));  // the last table stored, for the graph

    // Choosing no pin keeps the image as it is.
    const EepromImage before = f.model.image();
    f.model.selectPin(0, kPins[0]);
    QCOMPARE(f.model.iTableAddr(), 0);
    QCOMPARE(f.model.image(), before);
}

void TestTableModel::noPin_storesNothing() {
    Fixture f;
    f.model.selectPin(0, kPins[0]);
    for (int i = 0; i < kEntries; ++i) {
        f.model.setEETable(i, 1000);
    }
    QCOMPARE(f.model.image(), EepromImage{});
    QVERIFY(f.txtData.text().isEmpty());
    QVERIFY(!f.model.bTableStored());
}

void TestTableModel::outOfRangeValues_limitedAndReportedOncePerTable() {
    Fixture f;
    f.model.selectPin(2, kPins[2]);
    for (int i = 0; i < kEntries; ++i) {
        f.model.setEETable(i, i == 3 ? -1 : i == 4 ? 40000 : i == 5 ? 32767 : 100000);
    }
    QCOMPARE(f.model.imageWord(252, 3), 0);
    QCOMPARE(f.model.imageWord(252, 4), 32767);
    QCOMPARE(f.model.imageWord(252, 5), 32767);
    QCOMPARE(f.model.TableData()[3], qint16(0));
    QCOMPARE(f.model.TableData()[4], qint16(32767));
    QVERIFY(f.txtData.text().contains(QStringLiteral("\r\n0102  00, 00\r\n0104  FF, 7F\r\n")));
    QCOMPARE(f.status.entries.size(), 1);
    QCOMPARE(f.status.entries[0].colour, StatusLine::Colour::Error);
    QCOMPARE(f.status.entries[0].text, "Values out of range were limited to 0..32767");

    // The next table reports afresh; a table within range reports nothing.
    for (int i = 0; i < kEntries; ++i) {
        f.model.setEETable(i, -5);
    }
    QCOMPARE(f.status.entries.size(), 2);
    f.store(2, DefaultTables[0]);
    QCOMPARE(f.status.entries.size(), 2);
}

void TestTableModel::tableStored_onlyAfterCompletePassForChosenPin() {
    Fixture f;
    QVERIFY(!f.model.bTableStored());
    f.model.selectPin(1, kPins[1]);
    for (int i = 0; i < kEntries - 1; ++i) {
        f.model.setEETable(i, 1);
        QVERIFY(!f.model.bTableStored());
    }
    f.model.setEETable(kEntries - 1, 1);
    QVERIFY(f.model.bTableStored());

    f.model.dataSourceChosen();
    QVERIFY(!f.model.bTableStored());
    f.store(1, DefaultTables[0]);
    f.model.setTableGenerated(true);
    f.model.selectPin(1, kPins[1]);  // choosing the same pin again still starts afresh
    QVERIFY(!f.model.bTableStored());
    QVERIFY(!f.model.bTableGenerated());

    // A pass with a gap is not a complete table.
    f.model.setEETable(0, 1);
    f.model.setEETable(2, 1);
    for (int i = 3; i < kEntries; ++i) {
        f.model.setEETable(i, 1);
    }
    QVERIFY(!f.model.bTableStored());

    // A new pass clears it until it is complete again.
    f.store(3, DefaultTables[2]);
    QVERIFY(f.model.bTableStored());
    f.model.setEETable(0, 7);
    QVERIFY(!f.model.bTableStored());
}

void TestTableModel::listing_data() {
    QTest::addColumn<int>("pin");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("decimal, index") << 1 << 0 << 0 << 0 << "0\t839"
                                    << "64\t3277";
    QTest::newRow("hex word, index") << 1 << 0 << 1 << 0 << "0\t0347"
                                     << "64\t0CCD";
    QTest::newRow("hex bytes, address") << 1 << 0 << 2 << 1 << "007A\t47, 03"
                                        << "00FA\tCD, 0C";
    QTest::newRow("decimal, address") << 2 << 1 << 0 << 1 << "00FC\t721"
                                      << "017C\t8";
    QTest::newRow("oxygen pin 3, hex bytes, address") << 3 << 2 << 2 << 1 << "017E\t00, 00"
                                                      << "01FE\tFF, 0F";
    QTest::newRow("oxygen pin 3, decimal has no sign blank") << 3 << 2 << 0 << 0 << "0\t0"
                                                             << "64\t4095";
}

void TestTableModel::listing() {
    QFETCH(int, pin);
    QFETCH(int, table);
    QFETCH(int, format);
    QFETCH(int, column);
    QFETCH(QString, first);
    QFETCH(QString, last);
    Fixture f;
    f.store(pin, DefaultTables[table]);
    const QStringList lines =
        tableLines(f.model, f.model.iTableAddr(), static_cast<DataFormat>(format),
                   static_cast<FirstColumn>(column));
    QCOMPARE(lines.size(), kEntries);
    QCOMPARE(lines.first(), first);
    QCOMPARE(lines.last(), last);
}

void TestTableModel::listingText_has65CrLfLinesAndNoHeading() {
    Fixture f;
    f.store(1, DefaultTables[1]);
    const QString text = tableText(tableLines(f.model, 122, DataFormat::HexB, FirstColumn::Index));
    QCOMPARE(text.count(QStringLiteral("\r\n")), kEntries);
    QCOMPARE(text.count(QLatin1Char('\n')), kEntries);
    QVERIFY(text.startsWith(QStringLiteral("0\tD1, 02\r\n1\tD0, 02\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("64\t08, 00\r\n")));
    QCOMPARE(tableText({}), QString());
}

QTEST_GUILESS_MAIN(TestTableModel)
#include "test_table_model.moc"
