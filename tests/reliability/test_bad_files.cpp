// AFR files that try to break the import: each gives a clear message, and the table afterwards
// is the one the import promises (unchanged when nothing could be read).
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "app/widgets.h"
#include "support/test_window.h"
#include "tables/tables_controller.h"

namespace {

constexpr int kEntries = 65;
const QColor kRed{255, 0, 0};

QByteArray numbered(int count, int first, const char* end = "\n") {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        out += QByteArray::number(first + i) + end;
    }
    return out;
}

QList<int> range(int count, int first) {
    QList<int> out;
    for (int i = 0; i < count; ++i) {
        out << first + i;
    }
    return out;
}

// The table after a file that yields `values`: the first 65 stored (limited to 0..32767), the
// rest of a short file zero.
QList<int> tableOf(const QList<qint64>& values) {
    QList<int> out;
    for (int i = 0; i < kEntries; ++i) {
        const qint64 v = i < values.size() ? values[i] : 0;
        out << static_cast<int>(std::clamp<qint64>(v, 0, 32767));
    }
    return out;
}

enum class Source { Bytes, Folder, Missing, Unreadable };

}  // namespace

class TestBadFiles : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void badFile_clearMessageAndPromisedTable_data();
    void badFile_clearMessageAndPromisedTable();
};

void TestBadFiles::badFile_clearMessageAndPromisedTable_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");  // the status line starts with it
    QTest::addColumn<bool>("error");       // shown in red
    QTest::addColumn<bool>("unchanged");   // the table is the one read before
    QTest::addColumn<QList<qint64>>("values");

    const auto bytes = [](const char* tag, const QByteArray& content, const QString& message,
                          bool error, const QList<qint64>& values) {
        QTest::newRow(tag) << int(Source::Bytes) << content << message << error << false << values;
    };
    QList<qint64> full;
    for (int i = 0; i < kEntries; ++i) {
        full << 100 + i;
    }
    bytes("empty", {}, "Only  0 entries - expecting 65", true, {});
    bytes("comments only", "; one\r\n;two\n!remark\r\n\r\n", "Only  0 entries - expecting 65", true,
          {});
    bytes("binary", QByteArray("\x01\x02\xfe\xff\x80\n\x7f\x1b[2J\n", 12),
          "Only  2 entries - expecting 65", true, {0, 0});
    bytes("NUL bytes", QByteArray("12\0\n\0\0\n34\n", 10), "Only  3 entries - expecting 65", true,
          {12, 0, 34});
    bytes("BOM", "\xEF\xBB\xBF" + numbered(kEntries, 100), "Read file ", false, full);
    bytes("mixed line ends",
          numbered(20, 100, "\r\n") + numbered(20, 120, "\r") + numbered(25, 140, "\n"),
          "Read file ", false, full);
    bytes(
        "far outside 16 bits",
        "70000\n-5\n&HFFFFF\n99999999999999999999999\n-1e300\n32767\n" + numbered(kEntries - 6, 1),
        "Values out of range were limited to 0..32767", true,
        QList<qint64>{70000, -5, 0xFFFFF, 32767, 0, 32767} + [] {
            QList<qint64> rest;
            for (int i = 0; i < kEntries - 6; ++i) {
                rest << 1 + i;
            }
            return rest;
        }());
    bytes("one enormous line", QByteArray(1000 * 1000, '7'),
          "Values out of range were limited to 0..32767", true, {32767});

    QTest::newRow("10 MB file") << int(Source::Bytes) << numbered(10 * 1000 * 1000 / 6, 10000)
                                << "File too large " << true << true << QList<qint64>{};
    QTest::newRow("folder") << int(Source::Folder) << QByteArray() << "Cannot read " << true << true
                            << QList<qint64>{};
    QTest::newRow("missing") << int(Source::Missing) << QByteArray() << "No File " << true << true
                             << QList<qint64>{};
    QTest::newRow("no read permission") << int(Source::Unreadable) << numbered(kEntries, 9)
                                        << "Cannot read " << true << true << QList<qint64>{};
}

void TestBadFiles::badFile_clearMessageAndPromisedTable() {
    QFETCH(int, source);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(bool, error);
    QFETCH(bool, unchanged);
    QFETCH(QList<qint64>, values);

    TestWindow w;
    QTemporaryDir dir;
    w.get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    auto& tables = *w.get<TablesController>("tablesController");
    const auto table = [&tables] {
        QList<int> out;
        for (int i = 0; i < kEntries; ++i) {
            out << tables.model().imageWord(0x7A, i);
        }
        return out;
    };
    const auto read = [&w](const QString& path) {
        w.get<QLineEdit>("txtAFRfilename")->setText(path);
        w.get<QPushButton>("cmdGOfile")->click();
    };
    const auto write = [&dir](const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    };

    // A table the user already has.
    read(write(QStringLiteral("good.txt"), numbered(kEntries, 2000)));
    QCOMPARE(w.statusText(), QStringLiteral("Read file ") + dir.filePath("good.txt"));
    const QList<int> before = table();
    QCOMPARE(before, range(kEntries, 2000));

    QString path = dir.filePath(QStringLiteral("bad.txt"));
    switch (static_cast<Source>(source)) {
        case Source::Bytes:
            write(QStringLiteral("bad.txt"), bytes);
            break;
        case Source::Folder:
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bad.txt")));
            break;
        case Source::Missing:
            break;
        case Source::Unreadable:
            write(QStringLiteral("bad.txt"), bytes);
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
            if (::access(qPrintable(path), R_OK) == 0) {
                // Running as root, permissions do not stop a read; a file whose every read fails
                // takes the same path through the import.
                path = QStringLiteral("/proc/self/mem");
            }
            break;
    }
    read(path);

    QVERIFY2(w.statusText().startsWith(message), qPrintable(w.statusText()));
    if (message.endsWith(u' ')) {
        QCOMPARE(w.statusText(), message + path);  // the message names the file
    }
    QCOMPARE(w.statusColour() == kRed, error);
    QCOMPARE(table(), unchanged ? before : tableOf(values));
    // Still usable: a good file reads again afterwards.
    read(dir.filePath(QStringLiteral("good.txt")));
    QCOMPARE(table(), before);
}

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"
