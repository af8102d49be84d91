// Input that tries to break the program: a bad AFR file gives a clear message and the promised
// table; a damaged settings file still starts a usable window on screen and is saved back sane.
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

#include <numeric>

#include <unistd.h>

#include "support/table_files.h"
#include "support/test_window.h"
#include "tables/tables_page.h"

namespace {

using tables::kEntries;

QList<qint64> range(int count, int first) {
    QList<qint64> out(count);
    std::iota(out.begin(), out.end(), first);
    return out;
}

QByteArray numbered(int count, int first) {
    return lines([first](int i) { return QByteArray::number(first + i); }, count);
}

enum class Source { Bytes, Folder, Missing, Unreadable };

}  // namespace

class TestBadInput : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }
    void badAfrFile_clearMessageAndPromisedTable_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");  // the status line, %1 the file; red unless "Read"
        QTest::addColumn<QList<qint64>>("values");  // the table's start; none: unchanged
        const auto row = [](const char* tag, const QByteArray& bytes, const QString& message,
                            const QList<qint64>& values, Source source = Source::Bytes) {
            QTest::newRow(tag) << source << bytes << message << values;
        };
        const QString only = QStringLiteral("Only  %1 entries - expecting 65");
        const QString limited = QStringLiteral("Values out of range were limited to 0..32767");
        row("empty", {}, only.arg(0), {0});
        const QString zeros = QStringLiteral(
            " - %1 lines without a number were read as 0 (first: "
            "line %2)");
        row("binary", QByteArray("\x01\x02\xfe\xff\x80\n\x7f\x1b[2J\n", 12),
            only.arg(2) + zeros.arg(2).arg(1), {0, 0});
        row("NUL bytes", QByteArray("12\0\n\0\0\n34\n", 10), only.arg(3) + zeros.arg(1).arg(2),
            {12, 0, 34});
        row("far outside 16 bits",
            "70000\n-5\n&HFFFFF\n99999999999999999999999\n-1e300\n32767\n" + numbered(59, 1),
            limited, QList<qint64>{32767, 0, 32767, 32767, 0, 32767} + range(59, 1));
        row("one enormous line", QByteArray(1000 * 1000, '7'), limited, {32767});
        row("10 MB file", numbered(10 * 1000 * 1000 / 6, 10000), "File too large %1", {});
        row("folder", {}, "Cannot read %1", {}, Source::Folder);
        row("missing", {}, "No File %1", {}, Source::Missing);
        row("no read permission", numbered(kEntries, 9), "Cannot read %1", {}, Source::Unreadable);
    }

    void badAfrFile_clearMessageAndPromisedTable() {
        QFETCH(Source, source);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QList<qint64>, values);
        TestWindow w;
        QTemporaryDir dir;
        w.choose("cboOutputPin", 1);
        const auto table = [&w] {
            const tables::TableValues t = w.form->tables().model().TableData();
            return QList<qint64>(t.begin(), t.end());
        };
        const auto read = [&w](const QString& path) {
            w.get<QLineEdit>("txtAFRfilename")->setText(path);
            w.click("cmdGOfile");
        };
        // A table the user already has.
        const QString good = dir.filePath(QStringLiteral("good.txt"));
        QVERIFY(writeFile(good, numbered(kEntries, 2000)));
        read(good);
        QCOMPARE(table(), range(kEntries, 2000));
        QString path =
            source == Source::Folder ? dir.path() : dir.filePath(QStringLiteral("bad.txt"));
        if (source == Source::Bytes || source == Source::Unreadable) {
            QVERIFY(writeFile(path, bytes));
        }
        if (source == Source::Unreadable) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
            if (::access(qPrintable(path), R_OK) == 0) {
                path = QStringLiteral("/proc/self/mem");  // root reads anything; this read fails
            }
        }
        read(path);
        QCOMPARE(w.statusText(), QString(message).replace(QStringLiteral("%1"), path));
        QCOMPARE(w.statusColour() == QColor(255, 0, 0), !message.startsWith(QLatin1String("Read")));
        QList<qint64> expected = values.isEmpty() ? range(kEntries, 2000) : values;
        expected.resize(kEntries);  // what a short file lacks is zero
        QCOMPARE(table(), expected);
        // Still usable: a good file reads again afterwards.
        read(good);
        QCOMPARE(table(), range(kEntries, 2000));
    }

    void damagedSettings_startsUsableOnScreenAndSavesSane_data() {
        QTest::addColumn<QByteArray>("content");
        const auto geometry = [](const char* w, const char* h, const char* top, const char* left) {
            return "[Startup]\nformwidth=" + QByteArray(w) + "\nformheight=" + h +
                   "\nformtop=" + top + "\nformleft=" + left + "\nport=COM1\n";
        };
        QTest::newRow("non-numeric") << geometry("wide", "tall", "up", "x1");
        QTest::newRow("negative") << geometry("-6400", "-9000", "-3000", "-99999");
        QTest::newRow("huge") << geometry("99999999999999", "1e308", "2147483647", "1e400");
        QTest::newRow("off-screen") << geometry("6400", "9000", "900000", "-900000");
        QTest::newRow("nan and blanks") << geometry("nan", "\" \"", "inf", "-inf");
        QTest::newRow("port COM99") << QByteArray("[Startup]\nport=COM99\n");
        QTest::newRow("empty port") << QByteArray("[Startup]\nport=\n");
        QTest::newRow("list as port") << QByteArray("[Startup]\nport=COM1, COM2\n");
        QTest::newRow("garbage ports") << QByteArray(
            "[Startup]\nport=COM1\n[Ports]\nCOM1=/dev/fake1\nCOMx=/dev/null\n=\nCOM=/dev/tty0\n"
            "COM-3=/dev/x\nCOM4=\nCOM99999999999=/dev/y\n\x01\x02\xff=\xfe\nCOM5=@Invalid()\n");
        QTest::newRow("binary file") << QByteArray("\x00\xff\xfe[Startup\n\x00=\x01\n", 16);
    }

    void damagedSettings_startsUsableOnScreenAndSavesSane() {
        QFETCH(QByteArray, content);
        TestWindow w(TestWindow::Config{.savedPort = QString(), .load = false});
        QVERIFY(writeFile(TestWindow::settings().fileName(), content));
        w.form->Form_Load();
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        // Usable: the one present port is open, the unit answers, and the pages switch.
        QCOMPARE(w.form->link().portName(), QStringLiteral("COM1"));
        w.form->link().TxString(QStringLiteral("v"));
        QCOMPARE(w.form->link().GetParameter(), QStringLiteral("2.01"));
        w.showPage(1);
        QCOMPARE(w.get<QTabWidget>("SSTab1")->currentIndex(), 1);
        // On screen, and no larger than a screen can hold.
        const QRect desk = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(desk.intersects(w.form->frameGeometry()));
        QVERIFY(w.form->width() <= std::max(desk.width(), w.form->minimumWidth()));
        QVERIFY(w.form->height() <= std::max(desk.height(), w.form->minimumHeight()));
        w.form->close();  // saves the settings
        QSettings s = TestWindow::settings();
        // Whole twips a screen can hold: a size is never empty, a place may be of either sign.
        constexpr int kMax = 15 * 20000;
        const std::pair<const char*, int> least[] = {
            {"formwidth", 1}, {"formheight", 1}, {"formtop", -kMax}, {"formleft", -kMax}};
        for (const auto& [key, min] : least) {
            const QString v = s.value(QStringLiteral("Startup/") + QLatin1String(key)).toString();
            QVERIFY2(v == QString::number(v.toInt()) && v.toInt() >= min && v.toInt() <= kMax, key);
        }
        QCOMPARE(s.value(QStringLiteral("Startup/port")).toString(), QStringLiteral("COM1"));
    }
};

QTEST_MAIN(TestBadInput)
#include "test_bad_input.moc"
