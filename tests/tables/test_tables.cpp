// The output tables without a window: the image and its layout, the listings, the linear
// generation, the AFR file reading and the backups. Runs under a decimal-comma locale too.
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include "support/rows.h"
#include "support/table_files.h"
#include "support/test_locale.h"
#include "tables/afr_file_parser.h"
#include "tables/linear_table.h"
#include "tables/table_doubts.h"
#include "tables/table_file.h"
#include "tables/table_listing.h"
#include "tables/table_model.h"

using namespace tables;

namespace {

Table tableOf(int pin, const TableValues& values) {
    Table t{pin, {}};
    std::copy(values.begin(), values.end(), t.values.begin());
    return t;
}

LinearParams points(QList<double> mixture, QList<double> volts, bool afr = false) {
    LinearParams p{std::move(mixture), std::move(volts), 0, 0, afr, 14.7};
    p.vUnder = p.volts.first();
    p.vOver = p.volts.last();
    return p;
}

// The counts at the indices given, as "i=count" pairs.
QString at(const LinearTable& t, std::initializer_list<int> indices) {
    QStringList out;
    for (int i : indices) {
        out.append(QStringLiteral("%1=%2").arg(i).arg(t.counts[i]));
    }
    return out.join(u' ');
}

QByteArray counts(int i) {
    return QByteArray::number(60 * i);
}

}  // namespace

class TestTables : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void store_layoutListingAndOneNotification() {
        // pin, table, listing heading, its first and last entry line (the list's formats: the
        // page's test)
        for (const QStringList& r :
             rows({"1|1|WBlin (12 bit DAC). Table Address = 007A.|007A  D1, 02|00FA  08, 00",
                   "3|2|NBout (10 bit PWM). Table Address = 017E.|017E  00, 00|01FE  FF, 0F"})) {
            const int pin = r[0].toInt();
            const int table = r[1].toInt();
            TableModel model;
            QSignalSpy stored(&model, &TableModel::tableStored);
            model.selectPin(pin);
            QVERIFY(model.store(tableOf(pin, DefaultTables[table])).stored);
            QCOMPARE(stored.count(), 1);
            const QStringList lines = eepromListing(model).split(QStringLiteral("\r\n"));
            QCOMPARE(lines.size(), 1 + kEntries + 1);  // nothing after the last CR LF
            QCOMPARE(lines[0] + '|' + lines[1] + '|' + lines[kEntries],
                     "Output Pin = " + r[2] + '|' + r[3] + '|' + r[4]);
            QCOMPARE(model.TableData(), DefaultTables[table]);
            // Entry i at start + 2i, low byte first; nothing outside the pin's 130 bytes.
            const int start = TableStartAddr[pin];
            for (int a = 0; a < kImageSize; ++a) {
                const bool inside = a >= start && a < start + kTableBytes;
                const int word = inside ? DefaultTables[table][(a - start) / 2] : 0;
                QCOMPARE(int(model.imageByte(a)), (a - start) % 2 == 0 ? word % 256 : word / 256);
            }
            QCOMPARE(model.snapshot().start, start);
        }
    }

    void store_otherPinsKeptNoPinRefusedValuesLimited() {
        TableModel model;
        QVERIFY(!model.store(tableOf(1, DefaultTables[0])).stored);  // no pin chosen
        QCOMPARE(model.image(), EepromImage{});
        model.selectPin(1);
        model.store(tableOf(1, DefaultTables[1]));
        model.selectPin(2);
        QVERIFY(!model.store(tableOf(1, DefaultTables[0])).stored);  // not the chosen pin
        Table wild{2, {}};
        wild.values.fill(100000);
        wild.values[3] = -1;
        const TableModel::Stored s = model.store(wild);
        QVERIFY(s.stored && s.limited);
        QCOMPARE(model.imageWord(252, 3) + model.imageWord(252, 4), 32767);
        QCOMPARE(model.imageWord(122, 0), 721);  // pin 1's table stays in the image
        QVERIFY(!model.store(tableOf(2, DefaultTables[0])).limited);
        model.setTableGenerated(true);
        model.dataSourceChosen();
        QVERIFY(!model.bTableStored());
        model.selectPin(2);  // the same pin again still starts afresh
        QVERIFY(!model.bTableGenerated());
        const EepromImage before = model.image();
        model.selectPin(0);
        QCOMPARE(model.image(), before);
    }

    void generation_knownTablesAndChecks() {
        // The start-up values: AFR mode, 0 V at 9.00 and 5 V at 19.00; a mid point on the line.
        const LinearTable none = generateLinearTable(points({9, 19}, {0, 5}, true));
        QCOMPARE(at(none, {0, 1, 2, 4, 32, 38, 39, 64}),
                 QStringLiteral("0=0 1=43 2=106 4=230 32=2388 38=3973 39=4095 64=4095"));
        QCOMPARE(generateLinearTable(points({9, 14.7, 19}, {0, 2.85, 5}, true)).counts,
                 none.counts);
        // Lambda, two mid points, over/under volts 1.0 and 4.9.
        LinearParams p = points({0.8, 1.0, 1.2, 1.5}, {0.5, 2.5, 3.0, 4.5});
        p.vUnder = 1.0;
        p.vOver = 4.9;
        QCOMPARE(
            at(generateLinearTable(p), {0, 18, 19, 32, 36, 37, 41, 42, 64}),
            QStringLiteral("0=819 18=819 19=466 32=2066 36=2389 37=2529 41=3532 42=4013 64=4013"));
        // Equal ends: no division, the end itself takes the under volts; a zero-width segment is
        // never used; halves go to the even neighbour; out-of-range volts are not wrapped.
        LinearParams flat = points({1.0090, 1.0090}, {2.0, 3.0});
        flat.vUnder = 1.0;
        flat.vOver = 4.0;
        QCOMPARE(at(generateLinearTable(flat), {32, 33}), QStringLiteral("32=819 33=3276"));
        QCOMPARE(
            at(generateLinearTable(points({0.8, 0.8, 1.2, 1.5}, {0.5, 2.5, 3, 4.5})), {18, 19}),
            QStringLiteral("18=410 19=2055"));
        QCOMPARE(at(generateLinearTable(points({0.7, 1.5}, {0.5, 1.5})), {0, 64}),
                 QStringLiteral("0=410 64=1228"));
        QCOMPARE(at(generateLinearTable(points({0.7, 1.5}, {-1, 45})), {0, 64}),
                 QStringLiteral("0=-819 64=36855"));
        // AFR mode on another fuel is lambda mode with every mixture divided by its stoich AFR.
        LinearParams methanol = points({0.7 * 6.4, 1.5 * 6.4}, {0.5, 4.5}, true);
        methanol.stoich = 6.4;
        QCOMPARE(generateLinearTable(methanol).counts,
                 generateLinearTable(points({0.7, 1.5}, {0.5, 4.5})).counts);

        // mixtures, volts, stoich, the message of the first check failed (the order comes first)
        const QList<std::tuple<QList<double>, QList<double>, double, QString>> checks{
            {{9, 19}, {2, 2}, 14.7, ""},
            {{9, 14, 19}, {5, 2.85, 0}, 14.7, ""},
            {{9, 14, 19}, {5, 5.5, 0}, 14.7, "Invalid midpoint Voltage"},
            {{19, 9}, {0, 5}, 14.7, "Lambda/AFR must increase left to right"},
            {{9, 20, 19}, {0, 6, 5}, 14.7, "Lambda/AFR must increase left to right"},
            {{9, 9, 19, 19}, {0, 0, 5, 5}, 14.7, ""},
            {{19, 9}, {0, 5}, 0, "Stoich AFR must be greater than 0"}};
        for (const auto& [mixture, volts, stoich, message] : checks) {
            LinearParams c = points(mixture, volts, true);
            c.stoich = stoich;
            const LinearTable t = generateLinearTable(c);
            QCOMPARE(checkMessage(t.check), message);
            QCOMPARE(t.check == LinearCheck::Ok, message.isEmpty());
        }
    }

    void generation_hiddenMidPointsAndUncheckedOverUnderIgnored() {
        LinearTexts t{"9.00",     "19.00", "0.00", "5.00", {"12", "16"},
                      {"1", "4"}, "1.5",   "5.0",  "14.70"};
        QCOMPARE(readLinearParams(t, 1, false, true).mixture, (QList<double>{9, 12, 19}));
        QCOMPARE(readLinearParams(t, 0, false, true).vUnder, 0.0);  // not ticked: the rich volts
        QCOMPARE(readLinearParams(t, 0, true, true).vUnder, 1.5);
        QVERIFY(!isUsableStoich(0) && !isUsableStoich(std::numeric_limits<double>::infinity()));
    }

    void afrFile_valuesLineClassesEndsAndEncodingsPlainFilesOnly() {
        // A device is refused, not read (a pipe likewise: test_orvexctl).
        QCOMPARE(readTableFile(QStringLiteral("/dev/null")).error,
                 QStringLiteral("Cannot read /dev/null: a device, not a file"));
        for (const QStringList& r :
             rows({"1200 lambda 0.70|1200", " \t \t812|812", "640\t0.75|640", "1234,0.85|1234",
                   "12.5|12", "13.5|14", "&H1F|31", "&o17|15", "0x1F|0", "12abc|12", "-40|-40",
                   "   |0", "Volts|0", " ;x|0"})) {
            QCOMPARE(afrDataValue(r[0]), r[1].toLongLong());
        }
        const AfrFileContent c = parseAfrFile(
            "; a comment\r\n!Table for pin 1\r\n!\r\n\r\n  100 first\r\n   \r\n ;x\r\n12.5\r\n");
        QCOMPARE(c.values, (QList<qint64>{100, 0, 0, 12}));
        // Data lines as read; remarks without their mark; comments and empty lines not at all.
        QCOMPARE(c.echo,
                 QStringLiteral("Table for pin 1\r\n  100 first\r\n   \r\n ;x\r\n12.5\r\n"));
        for (const char* file : {"1\r\n2\r\n3\r\n", "1\n2\n3\n", "1\r2\r3\r", "1\n2\r\n3"}) {
            QCOMPARE(parseAfrFile(file).values, (QList<qint64>{1, 2, 3}));
        }
        QCOMPARE(parseAfrFile("\xEF\xBB\xBF"
                              "5\r\n!caf\xC3\xA9\r\n")
                     .echo,
                 "5\r\ncaf\u00E9\r\n");
        QCOMPARE(parseAfrFile("!caf\xE9\r\n7\r\n").echo, QStringLiteral("caf\u00E9\r\n7\r\n"));
        // A byte-order mark before text that is not UTF-8 is still no part of the first line.
        const AfrFileContent latin = parseAfrFile(
            "\xEF\xBB\xBF"
            "5\r\n!caf\xE9\r\n");
        QCOMPARE(latin.echo + QString::number(latin.values.value(0)), "5\r\ncaf\u00E9\r\n5");
        // 64 entries are one short: the 65th is 0; 65 are whole.
        for (const int n : {64, 65}) {
            const ImportedTable t = importTable(parseAfrFile(QByteArray("7\n").repeated(n)));
            const ImportOutcome o = importOutcome(t, QStringLiteral("Read file x"));
            QCOMPARE(o.text + ' ' + QString::number(t.values[64]) + ' ' + QString::number(o.error),
                     n == 64 ? "Only  64 entries - expecting 65 0 1" : "Read file x 7 0");
        }
    }

    void doubts_namedWithTheirFix_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("pin");
        QTest::addColumn<QString>("doubts");  // one a line
        const QByteArray svout = savedTable(2);
        const auto row = [](const char* tag, const QByteArray& file, const char* doubts,
                            int pin = 1) {
            QTest::newRow(tag) << file << pin << QString::fromUtf8(doubts);
        };
        row("counts up to 5 V", lines([](int i) { return i < 64 ? counts(i) : "4095"; }), "");
        row("saved for its own pin", svout, "", 2);
        row("saved for another pin", svout, "this file was saved for the SVout pin, not WBlin");
        row("index column", lines([](int i) { return QByteArray::number(i) + ",2000"; }),
            "the first column is an index (0, 1, 2 ... 64), not the values: put the values in the "
            "first column");
        row("heading, then an index from 1",
            "Index;AFR\r\n" + lines([](int i) { return QByteArray::number(i + 1) + ";2000"; }),
            "the first line is a heading and every entry is shifted by one: remove the heading "
            "line\nthe first column is an index (1, 2, 3 ... 65), not the values: put the values "
            "in the first column");
        row("volts", lines([](int i) { return QByteArray::number(0.5 + i * 4.5 / 64, 'f', 2); }),
            "the file holds volts: every value is 5 or less; write counts, 4095 for 5 V");
        row("into letters", lines([](int i) {
                return i == 3 ? "0x1F" : i == 9 ? "12abc" : counts(i);
            }),
            "2 lines have a number running into letters (lines 4, 10): write plain numbers, &H1F "
            "for hex");
        row("one without a number", lines([](int i) { return i == 29 ? "x" : counts(i); }),
            "1 line without a number was read as 0 (line 30): give each a value or start it "
            "with \";\"");
        row("none with a number", QByteArray("DW 2800\r\n").repeated(65),
            "65 lines without a number were read as 0 (lines 1, 2, 3, 4, 5 ...): give each a "
            "value or start it with \";\"\nall 65 values are 0");
        row("64 entries", lines(counts, 64), "only 64 of 65 entries: the rest are programmed as 0");
        row("66 entries", lines(counts, 66),
            "66 entries, not 65: those after the 65th are left out");
        row("beyond 5 V, below 0",
            "-5\r\n" + lines([](int i) { return QByteArray::number(100 * i); }, 64),
            "23 values are above 4095 (beyond 5 V), up to 6300\n1 value is below 0 (programmed as "
            "0)");
        row("beyond 32767", "40000\r\n1e999\r\n" + lines(counts, 63),
            "2 values are above 4095 (beyond 5 V), some beyond 32767 (programmed as 32767)");
        row("all equal", lines([](int) { return "1500"; }), "all 65 values are 1500");
    }

    void doubts_namedWithTheirFix() {
        QFETCH(QByteArray, file);
        QFETCH(int, pin);
        QFETCH(QString, doubts);
        QCOMPARE(fileDoubts(parseAfrFile(file), pin).join(u'\n'), doubts);
    }

    void backup_sameSecondNumberedNothingWrittenOver() {
        QTemporaryDir dir;
        const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 9));
        const QString base = dir.filePath(QStringLiteral("2024-05-06_07-08-09_WBlin"));
        UnitWords first{}, second{};
        first.fill(111);
        second.fill(222);
        QString why;
        QCOMPARE(saveBackup(dir.path(), 1, first, when, &why), base + QStringLiteral(".txt"));
        QCOMPARE(saveBackup(dir.path(), 1, second, when, &why), base + QStringLiteral("_2.txt"));
        // A link to nowhere looks like no file, but opening it would create its target.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), base + "_3.txt"));
        QCOMPARE(saveBackup(dir.path(), 1, second, when, &why), base + QStringLiteral("_4.txt"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("elsewhere"))));
        for (const auto& [suffix, words] :
             {std::pair(".txt", first), std::pair("_2.txt", second)}) {
            QFile f(base + QLatin1String(suffix));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(),
                     tableFileText(words, {PinNames[1], QStringLiteral("unit"), when, {}, true}));
        }
    }

    void backup_unwritableNamesTheReasonLeavesNoPart_data() {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("reason");  // %1: the folder holding "Orvex/backups"
        QTest::newRow("file") << "file"
                              << "%1/Orvex is a file, not a folder";
        QTest::newRow("dangling link") << "link"
                                       << "%1/Orvex is a link to a missing %1/gone";
        QTest::newRow("read-only parent") << "read-only"
                                          << "cannot make %1/Orvex/backups: permission denied";
        QTest::newRow("read-only folder")
            << "read-only backups"
            << "backups/2024-05-06_07-08-09_WBlin.txt: Permission denied";
        // The file-size limit stands in for a full disk: a write fails part way the same way.
        const QString file = QStringLiteral("backups/2024-05-06_07-08-09_WBlin.txt: ");
        QTest::newRow("full at once") << "full 0" << file;
        QTest::newRow("full part way") << "full 100" << file;
    }

    void backup_unwritableNamesTheReasonLeavesNoPart() {
        QFETCH(QString, blocker);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)));
        const QString orvex = dir.filePath(QStringLiteral("Orvex"));
        const QString folder = orvex + QStringLiteral("/backups");
        if (blocker == u"file") {
            QVERIFY(QFile(orvex).open(QIODevice::WriteOnly));
        } else if (blocker == u"link") {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), orvex));
        } else {
            const QString ro = blocker == u"read-only" ? orvex : folder;
            QVERIFY(QDir().mkpath(ro));
            QVERIFY(QFile::setPermissions(ro, QFileDevice::Permissions(0x5555)));
        }
        // Root writes anywhere: the call runs as nobody (and back) when the test runs as root.
        const bool asNobody = blocker.startsWith(u"read-only") && ::geteuid() == 0;
        QVERIFY(!asNobody || ::seteuid(65534) == 0);
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit unlimited = limit;
        const auto onTooLarge = std::signal(SIGXFSZ, SIG_IGN);  // a failing write, not a kill
        if (blocker.startsWith(u"full")) {
            limit.rlim_cur = blocker.section(u' ', 1).toULong();
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        QString why;
        const QString path =
            saveBackup(folder, 1, UnitWords{}, {QDate(2024, 5, 6), QTime(7, 8, 9)}, &why);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        std::signal(SIGXFSZ, onTooLarge);
        QVERIFY(!asNobody || ::seteuid(0) == 0);
        QCOMPARE(path, QString());
        QVERIFY2(why.contains(QString(reason).replace(QStringLiteral("%1"), dir.path())) &&
                     !why.contains(u"Unknown error"),
                 qPrintable(why));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::System), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTables)
#include "test_tables.moc"
