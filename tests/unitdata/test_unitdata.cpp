// Backups read back, the flash history file and what a table read from the unit is, without a
// unit. Runs under a decimal-comma locale too.
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

#include <sys/stat.h>

#include "support/table_files.h"
#include "support/test_locale.h"
#include "unitdata/table_identity.h"

using namespace unitdata;

namespace {

tables::UnitWords rising(int from) {
    tables::UnitWords w{};
    std::iota(w.begin(), w.end(), from);
    return w;
}

HistoryEntry flashed(const QString& source, const tables::UnitWords& w, const QString& outcome,
                     int day, const QString& port = QStringLiteral("COM1 (/dev/ttyUSB0)")) {
    return {QDateTime(QDate(2026, 3, day), QTime(9, 0)),
            "orvexctl",
            kFlash,
            port,
            1,
            source,
            tables::unitBytes(w),
            QString(),
            outcome};
}

}  // namespace

Q_DECLARE_METATYPE(QList<HistoryEntry>)

class TestUnitdata : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }

    void backup_restoredOnlyAsSaved_data() {
        QTest::addColumn<QByteArray>("from");  // what is replaced in a backup as saved
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("problem");  // empty: it can be restored
        QTest::newRow("as saved") << QByteArray() << QByteArray() << QString();
        QTest::newRow("saved before the check line")
            << QByteArray("; check: ") << QByteArray("; ") << QString();
        QTest::newRow("cut mid-line") << QByteArray("1064\r\n") << QByteArray("10")
                                      << "truncated: its last line is cut short";
        QTest::newRow("a line lost")
            << QByteArray("1040\r\n") << QByteArray() << "truncated: 64 of 65 entries";
        QTest::newRow("a value changed")
            << QByteArray("\r\n1007\r\n") << QByteArray("\r\n1070\r\n")
            << "edited by hand: its values do not match its check line";
        QTest::newRow("a decimal point")
            << QByteArray("\r\n1007\r\n") << QByteArray("\r\n1007.4\r\n")
            << "edited by hand: line 13 reads \"1007.4\"";
        QTest::newRow("beyond two bytes")
            << QByteArray("\r\n1007\r\n") << QByteArray("\r\n70000\r\n")
            << "edited by hand: line 13 reads \"70000\"";
        QTest::newRow("pin heading gone") << QByteArray("; pin: ") << QByteArray("; was: ")
                                          << "edited by hand: its heading names no pin";
    }

    // A backup goes back only exactly as it was saved; anything else says why, and the list
    // shows it with the rest, newest first, the simulated unit's among them.
    void backup_restoredOnlyAsSaved() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QString why;
        const QDateTime when(QDate(2026, 3, 1), QTime(9, 0, 5));
        const QString older = tables::saveBackup(dir.path(), 1, rising(1000), when.addSecs(-60),
                                                 &why, "unit", "COM3 (/dev/ttyUSB0)");
        const QString path = tables::saveBackup(tables::backupFolderFor(dir.path(), true), 1,
                                                rising(1000), when, &why, "simulated unit");
        const QString saved = QString::fromLatin1(readFile(path));
        QVERIFY(
            writeFile(path, from.isEmpty() ? readFile(path) : readFile(path).replace(from, to)));
        const QList<Backup> list = listBackups(dir.path());
        QCOMPARE(list.size(), 2);
        QCOMPARE(std::pair(list[0].path, list[1].path), std::pair(path, older));
        QCOMPARE(list[1].source, QStringLiteral("unit on COM3 (/dev/ttyUSB0)"));
        QCOMPARE(std::pair(list[0].problem, list[0].restorable()),
                 std::pair(problem, problem.isEmpty()));
        QCOMPARE(list[0].simulated, true);
        QCOMPARE(list[0].when, when);
        QVERIFY(saved.contains(u"\r\n; check: ") && !problem.isEmpty() == !list[0].values);
    }

    // Fields keep their tabs and line ends without breaking a line; the column line is written
    // once; a pipe in the file's place is refused at once; a broken line is named, not taken.
    void history_linesSurviveWhatFieldsHold() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Orvex/history.tsv"));
        HistoryEntry odd =
            flashed("a\tb\nc\\d\r.txt", rising(5), outcomeText(Outcome::Errors, 3), 2);
        odd.when = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::OffsetFromUTC, 3600);
        QCOMPARE(appendHistory(path, odd), QString());
        QCOMPARE(appendHistory(path, flashed("b.txt", rising(6), "lost", 3)), QString());
        QVERIFY(writeFile(path, readFile(path) + "2026-03-04T09:00:00\tshort\n"));
        const QList<QByteArray> lines = readFile(path).split('\n');
        QCOMPARE(lines.size(), 5);  // columns, two runs, the broken line, the last end
        QCOMPARE(lines[0],
                 QByteArray("time\tprogram\tkind\tport\tpin\tsource\tbytes\tbackup\toutcome"));
        QVERIFY(
            lines[1].startsWith("2026-03-02T09:00:00+01:00\torvexctl\tflash\tCOM1 (/dev/ttyUSB0)"
                                "\tWBlin\ta\\tb\\nc\\\\d\\r.txt\t05000600"));
        const History h = readHistory(path);
        QCOMPARE(h.entries.size(), 2);
        QCOMPARE(std::tuple(h.entries[0].source, h.entries[0].outcome, h.entries[0].when),
                 std::tuple(odd.source, QStringLiteral("errors at 3"), odd.when));
        QCOMPARE(h.entries[1].bytes, tables::unitBytes(rising(6)));
        QCOMPARE(h.problems, QStringList{"line 4: 2 fields, not 9"});

        const QString pipe = dir.filePath(QStringLiteral("pipe.tsv"));
        QVERIFY(::mkfifo(qPrintable(pipe), 0600) == 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(appendHistory(pipe, odd).startsWith("cannot write " + pipe));
        QVERIFY(clock.elapsed() < 1000);
    }

    void identity_inOrderOfPreference_data() {
        QTest::addColumn<QList<HistoryEntry>>("history");
        QTest::addColumn<bool>("simulated");
        QTest::addColumn<QString>("identity");
        const tables::UnitWords unit = rising(2000), other = rising(3000);
        const QString verified = outcomeText(Outcome::Verified);
        QTest::newRow("flashed, newest first")
            << QList{flashed("/w/old.txt", unit, verified, 1),
                     flashed("/w/new.txt", unit, verified, 2),
                     flashed("/w/other.txt", other, verified, 3)}
            << false << "= the table flashed from new.txt on 2026-03-02 09:00:00";
        QTest::newRow("linear") << QList{flashed("Linear Parameters ...", unit, verified, 4)}
                                << false << "= the linear table flashed on 2026-03-04 09:00:00";
        QTest::newRow("a run not verified: the backup")
            << QList{flashed("/w/a.txt", unit, "aborted", 5)} << false
            << "= backup of 2026-03-01 08:00:00";
        QTest::newRow("the simulated unit's run is no real unit's")
            << QList{flashed("/w/a.txt", unit, verified, 5, kSimulatedPort)} << false
            << "= backup of 2026-03-01 08:00:00";
        QTest::newRow("simulated: none of the real unit's")
            << QList{flashed("/w/a.txt", unit, verified, 5)} << true << "a table of its own";
    }

    void identity_inOrderOfPreference() {
        QFETCH(QList<HistoryEntry>, history);
        QFETCH(bool, simulated);
        QFETCH(QString, identity);
        Backup kept;
        kept.pin = 1;
        kept.when = QDateTime(QDate(2026, 3, 1), QTime(8, 0));
        kept.values = rising(2000);
        QCOMPARE(tableIdentity(rising(2000), 1, simulated, history, {kept}), identity);
        // A built-in table is named whatever the records say; a pin's records are its own.
        QCOMPARE(
            tableIdentity(tables::unitWords(tables::DefaultTables[1]), 1, simulated, history, {}),
            QStringLiteral("= built-in NBsim (LSM-11)"));
        QCOMPARE(tableIdentity(rising(2000), 2, simulated, history, {kept}),
                 QStringLiteral("a table of its own"));
    }
};

QTEST_MAIN(TestUnitdata)
#include "test_unitdata.moc"
