#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "app/widgets.h"
#include "support/test_locale.h"
#include "support/test_window.h"
#include "tables/afr_file_import.h"
#include "tables/tables_controller.h"

namespace {

const QColor kRed{255, 0, 0};

struct Import {
    TestWindow w;
    QTemporaryDir dir;

    Import() { w.get<QComboBox>("cboOutputPin")->setCurrentIndex(1); }

    TablesController& tables() { return *w.get<TablesController>("tablesController"); }
    QLineEdit* name() { return w.get<QLineEdit>("txtAFRfilename"); }
    QString fileData() { return w.get<DataArea>("txtAFRfileData")->text(); }
    void fileSource() { w.get<QComboBox>("cboEEdata")->setCurrentIndex(1); }
    void press(const char* button) { w.get<QPushButton>(button)->click(); }

    QString write(const QString& file, const QByteArray& bytes) {
        const QString path = dir.filePath(file);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    static QByteArray numbered(int count, int first = 1000) {
        QByteArray out;
        for (int i = 0; i < count; ++i) {
            out += QByteArray::number(first + i) + '\n';
        }
        return out;
    }
    void read(const QString& path) {
        name()->setText(path);
        press("cmdGOfile");
    }
    int entry(int i) { return tables().model().imageWord(0x7A, i); }
    void drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // Straight to the box's filter: offscreen there is no drag session to route a drop.
        QObject* filter = w.get<AfrFileImport>("afrFileImport");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        filter->eventFilter(name(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        filter->eventFilter(name(), &event);
    }
    void dragText() {
        QMimeData data;
        data.setText(QStringLiteral("1234"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(w.get<AfrFileImport>("afrFileImport"))->eventFilter(name(), &enter);
        QVERIFY(!enter.isAccepted());
    }
};

}  // namespace

class TestAfrFileImport : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void init() { TestWindow::clearSettings(); }
    void fullFile_storedListedAndEchoed();
    void shortFile_filledWithZerosAndReported();
    void longFile_firstEntriesUsed();
    void fileSourceChoice_readsNamedFile();
    void unusableFiles_reportedTableUnchanged_data();
    void unusableFiles_reportedTableUnchanged();
    void outOfRangeValues_limitedAndReported();
    void noPin_readAndEchoedButNothingStored();
    void fileDialog_presetFilterAndCancelRereads();
    void drop_oneFileReadsSeveralClear();
    void scratchButtons_copyPasteClear();
};

void TestAfrFileImport::fullFile_storedListedAndEchoed() {
    Import t;
    const QString path =
        t.write(QStringLiteral("t.txt"), "; heading\n!pin 1 table\n" + Import::numbered(65));
    t.read(path);
    QCOMPARE(t.w.statusText(), QStringLiteral("Read file ") + path);
    QCOMPARE(t.entry(0), 1000);
    QCOMPARE(t.entry(64), 1064);
    QVERIFY(t.tables().model().bTableStored());
    QVERIFY(t.fileData().startsWith(QStringLiteral("pin 1 table\r\n1000\r\n1001\r\n")));
    QVERIFY(t.w.get<QListWidget>("lstEETable")->count() > 0);
}

void TestAfrFileImport::shortFile_filledWithZerosAndReported() {
    Import t;
    t.read(t.write(QStringLiteral("short.csv"), Import::numbered(60)));
    QCOMPARE(t.w.statusText(), QStringLiteral("Only  60 entries - expecting 65"));
    QCOMPARE(t.w.statusColour(), kRed);
    QCOMPARE(t.entry(59), 1059);
    for (int i = 60; i < 65; ++i) {
        QCOMPARE(t.entry(i), 0);
    }
}

void TestAfrFileImport::longFile_firstEntriesUsed() {
    Import t;
    const QString path = t.write(QStringLiteral("long.txt"), Import::numbered(67));
    t.read(path);
    QCOMPARE(t.w.statusText(), QStringLiteral("Read file ") + path);
    QCOMPARE(t.entry(64), 1064);
    QCOMPARE(t.fileData().count(QStringLiteral("\r\n")), 67);
    // Entries beyond the table never reach the next pin's table.
    QCOMPARE(t.tables().model().imageWord(0xFC, 0), 0);
}

void TestAfrFileImport::fileSourceChoice_readsNamedFile() {
    Import t;
    t.name()->setText(t.write(QStringLiteral("src.txt"),
                              "\xEF\xBB\xBF"
                              "7\r\n8\r\n"));
    t.fileSource();
    QCOMPARE(t.entry(0), 7);
    QCOMPARE(t.entry(1), 8);
    QCOMPARE(t.w.statusText(), QStringLiteral("Only  2 entries - expecting 65"));
}

void TestAfrFileImport::unusableFiles_reportedTableUnchanged_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "No File ";
    QTest::newRow("empty name") << "empty"
                                << "No File ";
    QTest::newRow("folder") << "folder"
                            << "Cannot read ";
    QTest::newRow("over 1 MiB") << "large"
                                << "File too large ";
}

void TestAfrFileImport::unusableFiles_reportedTableUnchanged() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Import t;
    const int before = t.entry(10);
    t.w.get<DataArea>("txtAFRfileData")->setText(QStringLiteral("kept"));
    QString path;
    if (kind == QLatin1String("missing")) {
        path = t.dir.filePath(QStringLiteral("none.txt"));
    } else if (kind == QLatin1String("folder")) {
        path = t.dir.path();
    } else if (kind == QLatin1String("large")) {
        path = t.write(QStringLiteral("big.txt"), QByteArray(1024 * 1024 + 1, '1'));
    }
    t.read(path);
    QCOMPARE(t.w.statusText(), message + path);
    QCOMPARE(t.w.statusColour(), kRed);
    QCOMPARE(t.entry(10), before);
    QCOMPARE(t.fileData(), QStringLiteral("kept"));
}

void TestAfrFileImport::outOfRangeValues_limitedAndReported() {
    Import t;
    t.read(t.write(QStringLiteral("range.txt"), "-5\n40000\n" + Import::numbered(63)));
    QCOMPARE(t.entry(0), 0);
    QCOMPARE(t.entry(1), 32767);
    QCOMPARE(t.w.statusColour(), kRed);
    QCOMPARE(t.w.statusText(), QStringLiteral("Values out of range were limited to 0..32767"));
}

void TestAfrFileImport::noPin_readAndEchoedButNothingStored() {
    Import t;
    t.w.get<QComboBox>("cboOutputPin")->setCurrentIndex(0);
    const QString path = t.write(QStringLiteral("t.txt"), Import::numbered(65, 3000));
    t.read(path);
    QCOMPARE(t.w.statusText(), QStringLiteral("Read file ") + path);
    QVERIFY(t.fileData().startsWith(QStringLiteral("3000\r\n")));
    QVERIFY(t.tables().model().image()[0x7A] != (3000 & 0xFF) ||
            t.tables().model().image()[0x7B] != (3000 >> 8));
}

void TestAfrFileImport::fileDialog_presetFilterAndCancelRereads() {
    Import t;
    const QString path = t.write(QStringLiteral("dlg.TXT"), Import::numbered(65, 200));
    t.w.dialogs.files.enqueue(path);
    t.press("cmdAFRfilename");
    QCOMPARE(t.w.dialogs.fileRequests.size(), 1);
    QCOMPARE(t.w.dialogs.fileRequests[0].first, QStringLiteral("Filename"));
    QCOMPARE(t.w.dialogs.fileRequests[0].second,
             QStringLiteral("Text Files (*.TXT)|*.TXT|CSV (*.CSV)|*.CSV|All files (*.*)|*.*"));
    QCOMPARE(t.name()->text(), path);
    QCOMPARE(t.entry(0), 200);

    // A cancelled dialog keeps the preset, so the file is read again (after it changed here).
    t.write(QStringLiteral("dlg.TXT"), Import::numbered(65, 300));
    t.press("cmdAFRfilename");
    QCOMPARE(t.w.dialogs.fileRequests.last().first, path);
    QCOMPARE(t.entry(0), 300);
}

void TestAfrFileImport::drop_oneFileReadsSeveralClear() {
    Import t;
    const QString a = t.write(QStringLiteral("a.txt"), Import::numbered(65, 500));
    const QString b = t.write(QStringLiteral("b.txt"), Import::numbered(65, 600));
    t.drop({QUrl::fromLocalFile(a)});
    QCOMPARE(t.name()->text(), a);
    QCOMPARE(t.entry(0), 500);

    t.dragText();
    t.drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    QCOMPARE(t.name()->text(), QString());
    QCOMPARE(t.entry(0), 500);
}

void TestAfrFileImport::scratchButtons_copyPasteClear() {
    Import t;
    t.read(t.write(QStringLiteral("t.txt"), Import::numbered(65)));
    const QString echoed = t.fileData();
    t.press("cmdCopyallFile");
    QCOMPARE(QGuiApplication::clipboard()->text(), echoed);
    t.press("cmdClearFile");
    QCOMPARE(t.fileData(), QString());
    t.press("cmdPasteFile");
    QCOMPARE(t.fileData(), echoed);
}

QTEST_MAIN(TestAfrFileImport)
#include "test_afr_file_import.moc"
